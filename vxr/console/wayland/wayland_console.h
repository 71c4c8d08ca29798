#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "vxr/console/core/frame_presenter.h"
#include "vxr/console/core/windowed_console.h"
#include "vxr/console/wayland/wayland_connection.h"
#include "vxr/console/wayland/wayland_input_target.h"
#include "vxr/console/wayland/wayland_presenter.h"
#include "vxr/console/wayland/wayland_window.h"

struct wl_display;

namespace vxr {

// Shows frames in a toplevel window of the compositor named by
// WAYLAND_DISPLAY, in 32-bit shared-memory buffers, stretched to the window
// as the program chose (by the compositor where it offers viewports, unless
// asked otherwise). The window's thread dispatches the compositor's
// events: it turns the seat's keys and pointer into the window's input,
// follows the window's size and lets buffers go as the compositor releases
// them.
//
// Locks, in the order they are taken: presentLock (a plain mutex) guards
// the presenter and the frame's placement; the program's thread takes it to
// present and to ask for a frame callback, the window thread for sizes,
// releases and the loss of the compositor. The window's stateLock comes
// after it (a frame callback is asked for under presentLock), and the
// input's locks come last, with either held or not. placementLock guards
// where the pointer finds the frame's surfaces, alone: it is taken inside
// any of the others (the seat's cursor lock too), and nothing is called
// while it is held. No thread takes presentLock while it holds a later one,
// none dispatches the compositor's events while holding it, and the
// program's thread runs its exit check (endIfAsked) before it takes any of
// them.
class WaylandConsole : public WindowedConsole,
                       public FramePresenter,
                       private WaylandWindow::Handler,
                       private WaylandInputTarget,
                       private WaylandOutputWatcher {
public:
    WaylandConsole();
    ~WaylandConsole() override;

    int modes(std::vector<ConsoleMode>& list) override;
    int setPalette(const Palette&) override { return 0; }
    int getPalette(Palette&) override { return 0; }
    int waitRetrace() override;
    int consoleId() override { return CONSOLE_ID_WAYLAND; }
    void* handle() override { return &nativeDisplay; }
    int name(char* out) override { return writeName(out, "Wayland"); }
    void* window() override { return windowThread.surface(); }

    int present(Surface* source, const Rect& sourceArea, const Rect& destinationArea) override;
    // When the compositor last showed a frame (wp_presentation's feedback);
    // nothing where it lacks the protocol.
    int lastPresentation(Presentation* out) override;
    // Output pixels to one surface unit of the open window; 1 without one.
    double scale() override;

    // Whether the open window, and windows opened from now on, leave scaling to the compositor
    // where it offers viewports (the default), instead of the library's
    // nearest-pixel scaler, both with the frame's aspect kept. setScaling
    // makes the same choice, and SCALING_INTEGER and SCALING_STRETCH place
    // the frame otherwise, scaled by the library.
    void scaleInCompositor(bool wanted);
    int setPointerVisible(int visible) override;
    int setOutput(int output) override;
    // Whether the open window's frames are scaled by the compositor now: a
    // window of the frame's own size needs no scaling.
    bool scalesInCompositor();
    // Whether the compositor draws the open window's title bar and border.
    bool decoratedByCompositor() { return windowThread.isDecoratedByCompositor(); }
    // Whether libdecor draws them instead, where the compositor does not.
    bool decoratedByClient() { return windowThread.isDecoratedByClient(); }
    // Whether windows opened from now on get libdecor's frame where the
    // compositor draws none (the default), or stay bare there.
    void frameOnClient(bool wanted) { clientFrames = wanted; }

    // The window's size in buffer pixels, as the compositor last set it.
    std::int32_t clientWidth();
    std::int32_t clientHeight();

private:
    // Where the frame and its child surface lie, for the pointer; under
    // placementLock.
    struct Placement {
        const wl_surface* stage = nullptr;
        Rect stageArea;
        std::int32_t scale120 = 120;
    };

    void windowConfigured(std::int32_t width, std::int32_t height) override;
    void windowCloseRequested() override;
    void displayLost() override;
    void windowEnded() override;
    void windowStateSet() override;
    void windowScaled(std::uint32_t scale120) override;
    // The output's whole scale changed while the window is open: its
    // buffers follow, unless a fractional scale sizes them.
    void outputScaleChanged() override;
    // After a new scale: the window shows the frame again, the pointer maps
    // through it and the program hears of a new size; under presentLock.
    void showRescaled(std::int32_t oldWidth, std::int32_t oldHeight);
    // setResizable's step for the open window.
    bool applyResizing() override;
    // What the user may resize a window of the given size (in surface
    // units) to: down to the frame at one output pixel per frame pixel, or
    // just that size for a fixed window.
    // scale: output pixels to one unit.
    WaylandWindow::SizeLimits limitsFor(std::int32_t width, std::int32_t height, double scale,
                                        bool resizable) const;
    WindowInput& seatInput() override { return input; }
    bool placeOfSurface(const wl_surface* surface, std::int32_t& left, std::int32_t& top) override;
    std::int32_t pixelsPerUnit120() override;
    bool showsPointer() override { return pointerVisible.load(); }
    // Tells the input where the presenter shows the frame now; under
    // presentLock.
    void notePlacement();
    // SCALING_COMPOSITOR only where the compositor offers viewports.
    bool placeFrameFor(int scaling) override;
    // Hands the choice to the presenter, which shows it at once in an open
    // window.
    void placeBy(int scaling);
    // True, with the reason kept, once the compositor has gone.
    bool displayGone() override;
    // False, with the reason kept, where no window thread runs.
    bool windowRunning();

    bool canOpenWindow(int) override { return constructedOk && connection.isUsable(); }
    bool openWindow(int width, int height, int output) override;
    void closeWindow() override;
    bool hasWindow() override { return windowThread.isOpen(); }
    FramePresenter* framePresenter() override { return this; }
    bool showTitle(const char* text) override;

    // The locks come first, so that they outlive every member that takes them.
    std::mutex presentLock;
    std::mutex placementLock;

    WaylandConnection connection;
    wl_display* nativeDisplay = nullptr;
    WaylandPresenter presenter;
    WaylandWindow windowThread;
    Placement placement;
    // Whether the open window may be resized, for the window thread; under
    // presentLock once the thread runs.
    bool windowResizable = true;
    // Over the window; a full-screen window hides it until asked.
    std::atomic<bool> pointerVisible{true};
    bool clientFrames = true;
};

}  // namespace vxr
