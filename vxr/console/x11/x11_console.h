#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "vxr/console/core/frame_presenter.h"
#include "vxr/console/core/windowed_console.h"
#include "vxr/console/x11/window_icon.h"
#include "vxr/console/x11/x11_display.h"
#include "vxr/console/x11/x11_presenter.h"
#include "vxr/console/x11/x11_window.h"

namespace vxr {

class SharedImage;

// Shows frames in a window on the X server named by DISPLAY, in the root
// visual's format, stretched to the window as the program chose: aspect
// kept (the default), in whole multiples, or over all of it. The
// window has a thread of its own that reports keys, the pointer, focus,
// size and the close request through the console's WindowInput, and redraws
// the last frame when the window is exposed. Frames in the display's format live
// in shared memory, so showing one is a single request.
//
// Locks: windowLock is always taken first. Window events are handled under
// it, with presentLock (exposure, size) inside and the input's locks last;
// paletteLock is taken inside windowLock, and presentLock inside
// paletteLock. presentLock also serialises everything that reads the
// display connection's events; it may be taken again by its holder. The
// presentation record's lock is taken inside presentLock, where the
// connection's events bring the Present extension's reports of frames
// shown, and around nothing.
class X11Console : public WindowedConsole,
                   public FramePresenter,
                   private X11Window::Handler {
public:
    X11Console();
    ~X11Console() override;

    int modes(std::vector<ConsoleMode>& list) override;
    int setPalette(const Palette& palette) override;
    int getPalette(Palette& palette) override;
    int waitRetrace() override;
    // When the last frame reached the screen, as the Present extension
    // reported it: a UST of CLOCK_MONOTONIC and the refresh's MSC.
    int lastPresentation(Presentation* out) override;
    int setPointerVisible(int visible) override;
    int setOutput(int output) override;
    int consoleId() override { return CONSOLE_ID_X11; }
    void* handle() override { return &nativeConnection; }
    int name(char* out) override { return writeName(out, "X11"); }
    void* window() override;
    // The scale of the screen the open window shows on, from the session's
    // Xft.dpi; 1 while no window is open. A value the session set that no
    // window can be sized with is settled, and the reason is in lastError
    // after every call.
    double scale() override;

    int present(Surface* source, const Rect& sourceArea, const Rect& destinationArea) override;

    // For the console's stores: their images are made (in shared memory
    // only), waited for and released under presentLock.
    X11Display& display() { return connection; }
    bool createImage(SharedImage& image, std::int32_t width, std::int32_t height);
    void waitForImage(SharedImage& image);
    void releaseImage(SharedImage& image);

private:
    void windowExposed() override;
    void windowResized(std::int32_t width, std::int32_t height) override;
    void windowEnded() override;
    // A window at the size the console gave it takes the size of the new
    // scale where the user may resize it; any other keeps its size and
    // reports a Resize of it, so that the program hears of the new scale.
    void resourcesChanged(std::int32_t width, std::int32_t height) override;
    // True once the display is gone, with that as the thread's last error:
    // reports the loss the first time the presenting connection is found
    // failed while a window is open.
    bool displayGone() override;
    // Tells the input where the presenter shows the frame now; under
    // presentLock.
    void placeFrame();
    // Sharp, whole-multiple and stretched placements; the X server has no
    // compositor's scaling to offer.
    bool placeFrameFor(int scaling) override;

    bool canOpenWindow(int output) override;
    bool openWindow(int width, int height, int output) override;
    void closeWindow() override;
    bool hasWindow() override { return windowThread.isOpen(); }
    FramePresenter* framePresenter() override { return this; }
    bool showTitle(const char* text) override;
    SurfaceStore* makeProgramStore(StoreRequest& request) override;
    bool pointerShownFor(int output) const;
    bool applyResizing() override;
    // How far the user may resize a window of this size: a resizable one
    // down to the frame at one screen pixel per frame pixel (or the screen,
    // where that is smaller), a fixed one not at all. One over the whole
    // screen has no limits: the window manager sizes it.
    X11Window::SizeLimits sizeLimits(bool fullscreen, std::int32_t width,
                                     std::int32_t height) const;
    // Gives the open window the size hints for a window of this size, and
    // waits until the server has them: a window manager that reads them
    // next reads these.
    bool showSizeLimits(bool fullscreen, std::int32_t width, std::int32_t height);
    // The open window's client size as the server has it; false when the
    // server does not answer.
    bool windowSize(std::int32_t& width, std::int32_t& height);
    // The window's client size for a frame shown windowed at the output
    // scale: the frame's size times the largest whole number that fits it
    // in three quarters of the screen (counted in the scale's pixels), then
    // times the scale.
    void windowedSize(int width, int height, double scale, std::int32_t& windowWidth,
                      std::int32_t& windowHeight) const;
    bool isShownFormat(const PixelFormat& format) const;
    void watchRetrace();

    // The locks come first, so that they outlive every member that takes them.
    std::mutex windowLock;
    std::mutex paletteLock;
    std::recursive_mutex presentLock;

    X11Display connection;
    xcb_connection_t* nativeConnection = nullptr;
    X11Presenter presenter;
    X11Window windowThread;
    WindowIcon icon;

    // The program's choice of pointer, kept for later windows; -1 until it
    // chooses: shown over a window, hidden over the whole screen, where
    // nothing else is there to point at.
    std::int32_t pointerChoice = -1;

    // The open window's output scale as the session reported it, settled
    // where it is used: set where the window opens and by the window thread
    // when the session's resources change, read by the program.
    std::atomic<double> reportedScale{1.0};

    bool retraceWatched = false;
};

}  // namespace vxr
