#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "vxr/console/wayland/wayland_cursor.h"
#include "vxr/non_copyable.h"

struct wl_compositor;
struct wl_pointer;
struct wl_shm;
struct wl_seat;
struct wl_surface;

namespace vxr {

class WaylandInputTarget;

// The seat's pointer over the window: positions in window buffer pixels,
// buttons and the wheel, whether it is over the window's own surface or
// the child its frames go on. Everything but setTarget runs on the thread
// that dispatches the connection's events.
class WaylandPointer : NonCopyable {
public:
    WaylandPointer() = default;
    ~WaylandPointer() { release(); }

    // compositor and shm make the pointer's picture.
    void bind(wl_seat* seat, std::uint32_t seatVersion, wl_compositor* compositor, wl_shm* shm);
    void release();
    bool isBound() const { return pointer != nullptr; }

    // Where pointer events go from now on (null drops them); only while no
    // window thread dispatches.
    void setTarget(WaylandInputTarget* target);

    // After the events read in one go: a leave that no entry into another
    // of the window's surfaces followed is the pointer leaving the window.
    void settle();

    // Sets the picture the target asks for now, where the pointer is over
    // the window; on any thread.
    void refreshCursor();

    // Called from the protocol listener; positions are wl_fixed_t.
    void entered(wl_surface* surface, std::uint32_t serial, std::int32_t x, std::int32_t y);
    void left();
    void moved(std::int32_t x, std::int32_t y);
    void buttonChanged(std::uint32_t button, std::uint32_t state);
    void scrolled(std::uint32_t axis, std::int32_t value);
    void scrolledDiscrete(std::uint32_t axis, std::int32_t steps);
    void frameEnded();

private:
    struct Scroll {
        double value = 0;
        std::int32_t steps = 0;
        bool stepped = false;
    };

    // The window buffer pixel under a surface position.
    void windowPixel(std::int32_t x, std::int32_t y, std::int32_t& windowX,
                     std::int32_t& windowY) const;
    void sendWheel();
    bool groupsInFrames() const;
    void showCursor(WaylandInputTarget& receiver);

    wl_pointer* pointer = nullptr;
    std::uint32_t boundVersion = 0;
    std::atomic<WaylandInputTarget*> target{nullptr};
    // The window surface under the pointer and its origin in the window.
    const wl_surface* over = nullptr;
    std::int32_t originLeft = 0;
    std::int32_t originTop = 0;
    std::int32_t scale120 = 120;
    bool overWindow = false;
    // For refreshCursor on the application's thread: the enter that the
    // picture answers, and whether the pointer is still over the window.
    std::atomic<std::uint32_t> enterSerial{0};
    std::atomic<bool> inside{false};
    // Guards the picture, which either thread may set.
    std::mutex cursorLock;
    WaylandCursor cursor;
    wl_compositor* surfaces = nullptr;
    wl_shm* sharedMemory = nullptr;
    bool leavePending = false;
    Scroll vertical;
    Scroll horizontal;
};

}  // namespace vxr
