#pragma once

#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>

#include "vxr/console/desktop/window_start.h"
#include "vxr/console/desktop/window_thread.h"
#include "vxr/console/x11/x11_keyboard.h"

namespace vxr {

class WindowInput;
class X11Display;

// A top-level window made and served by a thread of its own, on a
// connection of its own, so that its events never meet the requests and
// replies of the thread that presents. The thread makes the window, signals
// the opener, and runs the event loop until the window is destroyed or the
// display goes away. Input (keys, pointer, focus, size, the window
// manager's close) goes to the console's WindowInput; what needs the
// console's presenter goes to its handler first.
class X11Window {
public:
    // What the window thread reports, on that thread.
    class Handler {
    public:
        virtual void windowExposed() = 0;
        // The client area has a new size; the frame is placed anew.
        virtual void windowResized(std::int32_t width, std::int32_t height) = 0;
        // The loop has ended: the window was destroyed or the display is gone.
        virtual void windowEnded() = 0;
        // The session's resources on the root window changed (xrdb loaded
        // others) while the client area is width x height.
        virtual void resourcesChanged(std::int32_t width, std::int32_t height) = 0;

    protected:
        ~Handler() = default;
    };

    // The sizes a window manager lets the user give the window; 0 for a
    // side without a limit.
    struct SizeLimits {
        std::int32_t minWidth = 0;
        std::int32_t minHeight = 0;
        std::int32_t maxWidth = 0;
        std::int32_t maxHeight = 0;
    };

    // How the window is made. One that covers the screen asks the window
    // manager for that where one runs, and takes it with override-redirect
    // where none does.
    struct Start : WindowStart {
        bool managed = false;
        xcb_colormap_t colormap = XCB_NONE;  // none: the parent's
        std::uint32_t backgroundPixel = 0;
        const std::uint32_t* icon = nullptr;  // _NET_WM_ICON values
        std::size_t iconLength = 0;
        SizeLimits limits;
    };

    X11Window() = default;
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // Closes any window first. Returns once the window exists and is mapped
    // on the server, or has failed.
    bool open(const X11Display& display, Handler& handler, WindowInput& input,
              const Start& start);
    // Destroys the window and waits for its thread to end.
    void close();

    bool isOpen() const { return thread.isStarted(); }
    // Shows the pointer over the window, or hides it; false when the server
    // refused. Any thread may call it while the window is open.
    bool showPointer(bool visible);
    // Moves the open window to the whole screen or back to a window of
    // width x height: through the window manager's full-screen state where
    // one runs, by placing it over everything itself where none does. The
    // new size comes back as a ConfigureNotify, like any other resize.
    bool switchOutput(const X11Display& display, bool fullscreen, bool managed,
                      std::int32_t width, std::int32_t height);
    xcb_window_t id() const { return window; }
    // Gives a window the user may resize another client size, on the
    // window's thread; false for a fixed one (its size hints say so),
    // which keeps its size.
    bool resizeIfResizable(std::int32_t width, std::int32_t height);

    // Sets WM_NORMAL_HINTS of a window on a connection: its size as the
    // program asked for it, and the limits of the user's resizing. The
    // request is checked, so that a caller on another connection than the
    // window manager's may wait until the server has it.
    static xcb_void_cookie_t setSizeHints(xcb_connection_t* link, xcb_window_t window,
                                          std::int32_t width, std::int32_t height,
                                          const SizeLimits& limits);
    // Sets WM_NAME and _NET_WM_NAME of a window on a connection.
    static void setTitle(xcb_connection_t* link, xcb_window_t window, const X11Display& display,
                         const char* text);

private:
    void run(const X11Display& display, Handler& handler, WindowInput& input, const Start& start);
    bool create(const X11Display& display, const Start& start);
    xcb_cursor_t makeBlankCursor(xcb_window_t root);
    void askForFullscreen(const X11Display& display, bool fullscreen);
    void placeUnmanaged(bool fullscreen, std::int32_t width, std::int32_t height);
    void describe(const X11Display& display, const Start& start);
    // The next event to handle; null once the connection has failed.
    xcb_generic_event_t* nextEvent();
    // False once the window is gone.
    bool dispatch(const xcb_generic_event_t& event, const X11Display& display, Handler& handler,
                  WindowInput& input);
    void configured(const xcb_configure_notify_event_t& event, Handler& handler,
                    WindowInput& input);
    void propertyChanged(const xcb_property_notify_event_t& event, Handler& handler);
    void focusChanged(const xcb_focus_in_event_t& event, bool focused, WindowInput& input);
    void button(const xcb_button_press_event_t& event, bool down, WindowInput& input);
    void pointerAt(std::int16_t x, std::int16_t y, WindowInput& input);

    WindowThread thread;
    xcb_connection_t* link = nullptr;
    xcb_window_t window = 0;
    xcb_window_t root = 0;
    // The core protocol cannot hide the pointer: a hidden pointer is a
    // cursor whose mask lets no pixel through. Freed with the connection.
    xcb_cursor_t blankCursor = XCB_NONE;
    X11Keyboard keyboard;
    // An event read ahead, handled next.
    xcb_generic_event_t* following = nullptr;
    // The client size last reported, to tell a resize from a move.
    std::int32_t clientWidth = 0;
    std::int32_t clientHeight = 0;
    // The pointer's place in the last event that had one.
    std::int32_t pointerX = -1;
    std::int32_t pointerY = -1;
    bool focused = false;
};

}  // namespace vxr
