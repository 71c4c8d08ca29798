#pragma once

#include <atomic>
#include <cstdint>

#include "vxr/console/desktop/display_connection.h"
#include "vxr/console/wayland/wayland_keyboard.h"
#include "vxr/console/wayland/wayland_pointer.h"

struct wl_compositor;
struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_subcompositor;
struct xdg_wm_base;
struct wp_fractional_scale_manager_v1;
struct wp_presentation;
struct wp_viewporter;
struct zxdg_decoration_manager_v1;

namespace vxr {

// Told, on the thread that dispatches the connection's events, that the
// output's whole scale has changed (a set of wl_output events is done).
class WaylandOutputWatcher {
public:
    virtual void outputScaleChanged() = 0;

protected:
    ~WaylandOutputWatcher() = default;
};

// One connection to the compositor named by WAYLAND_DISPLAY, with the
// globals a console needs bound once: shared-memory buffers, surfaces, the
// desktop shell and the seat, and child surfaces, the viewporter and the
// presentation clock where the compositor offers them. Usable only with
// shm frames in a format the library writes and with the desktop shell.
//
// Until a window thread runs, events are dispatched by whoever calls
// roundTrip(); afterwards only that thread dispatches.
class WaylandConnection : public DisplayConnection {
public:
    WaylandConnection();
    ~WaylandConnection();
    bool isUsable() const override;
    wl_display* display() const { return link; }
    wl_compositor* compositor() const { return surfaces; }
    wl_shm* shm() const { return sharedMemory; }
    xdg_wm_base* shell() const { return desktop; }
    wl_seat* seat() const { return inputSeat; }
    wl_subcompositor* subcompositor() const { return childSurfaces; }
    wp_viewporter* viewporter() const { return viewports; }
    wp_presentation* presentation() const { return presentationClock; }
    // Where the compositor tells a surface its scale in fractions; null
    // elsewhere.
    wp_fractional_scale_manager_v1* fractionalScales() const { return fractionalScaleManager; }
    // The clock the compositor's presentation times are on (a clockid_t),
    // -1 until it says.
    std::int64_t presentationClockId() const { return clockId; }
    // Where the compositor draws window frames itself; null elsewhere.
    zxdg_decoration_manager_v1* decorations() const { return decorationManager; }
    std::uint32_t compositorVersion() const { return surfacesVersion; }
    // The wl_shm format frames are sent in: XRGB8888 where offered.
    std::uint32_t frameFormat() const { return chosenFormat; }

    // The first output's current mode (0 until one is known) and scale,
    // readable on any thread while the dispatching one changes them. The
    // scale is settled as it is read (a whole factor in 1..8), so that a
    // compositor's nonsense has its reason in the reading thread's
    // lastError.
    std::int32_t screenWidth() const { return outputWidth.load(); }
    std::int32_t screenHeight() const { return outputHeight.load(); }
    std::int32_t outputScale() const;
    // Who hears of the output's new scale from now on (null: nobody); only
    // while no window thread dispatches.
    void watchOutput(WaylandOutputWatcher* watcher) { outputWatcher = watcher; }

    bool roundTrip();
    // Where the seat's keys and pointer go from now on (null drops them);
    // only while no window thread dispatches.
    void receiveInput(WaylandInputTarget* target);
    // For the thread that dispatches: how long it may wait before a held
    // key repeats (-1: no limit), and what falls due after each read.
    int millisecondsUntilInputDue() const { return keys.millisecondsUntilRepeat(); }
    void inputSettled();
    // The window's pointer picture changed: shown again where the pointer is.
    void refreshCursor();

    // Called from the protocol listeners.
    void offerGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t version);
    void offerFormat(std::uint32_t format);
    void outputMode(std::uint32_t flags, std::int32_t width, std::int32_t height);
    void outputScaled(std::int32_t factor);
    void outputDone();
    void presentationClockNamed(std::uint32_t clock) { clockId = clock; }
    void seatChanged(std::uint32_t capabilities);

private:
    void destroyGlobals();
    // Says, as this thread's last error, what a usable connection lacks.
    void explainMissing(const char* named) const;

    wl_display* link = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* surfaces = nullptr;
    std::uint32_t surfacesVersion = 0;
    wl_shm* sharedMemory = nullptr;
    xdg_wm_base* desktop = nullptr;
    wl_seat* inputSeat = nullptr;
    std::uint32_t seatVersion = 0;
    WaylandKeyboard keys;
    WaylandPointer mouse;
    wl_output* firstOutput = nullptr;
    wl_subcompositor* childSurfaces = nullptr;
    wp_viewporter* viewports = nullptr;
    wp_presentation* presentationClock = nullptr;
    wp_fractional_scale_manager_v1* fractionalScaleManager = nullptr;
    zxdg_decoration_manager_v1* decorationManager = nullptr;
    std::int64_t clockId = -1;
    bool hasXrgb = false;
    bool hasArgb = false;
    std::uint32_t chosenFormat = 0;
    std::uint32_t outputVersion = 0;
    std::atomic<std::int32_t> outputWidth{0};
    std::atomic<std::int32_t> outputHeight{0};
    // As the compositor said it, unsettled; the one announced is the
    // applied one, which takes effect with the output's done event.
    std::atomic<std::int32_t> reportedScale{1};
    std::int32_t announcedScale = 1;
    WaylandOutputWatcher* outputWatcher = nullptr;
};

}  // namespace vxr
