#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vxr/console/event.h"

#include "x11_test_support.h"

namespace vxr {
class Console;
class Surface;
}  // namespace vxr

namespace vxr::test {

// One test's private server and the test's own view of it.
class X11Session {
public:
    bool start(const XvfbServer::Options& options);

    XvfbServer server;
    ServerView view;

    // The console's window as the server knows it.
    static xcb_window_t windowOf(Console& console);
    // Reads the console's events until a Resize to width x height; false
    // when none comes within the suite's patience.
    static bool resizeReported(Console& console, int width, int height);
    // Waits until the whole client area shows exactly what is expected;
    // the last mismatch is described in why.
    bool showsExactly(xcb_window_t window, const std::vector<std::uint8_t>& expected, int width,
                      int height, std::string& why);
    // Presents the frame until the window shows it as expected at the
    // window's current size: a resize reaches the console's thread a little
    // after the server has made it.
    bool presentsExactly(Surface& frame, const PixelFormat& shown, xcb_window_t window,
                         std::uint32_t barPixel, std::string& why);
    // The same with the frame shown on the given area of the window.
    bool presentsExactlyAt(Surface& frame, const PixelFormat& shown, xcb_window_t window,
                           const Rect& area, std::uint32_t barPixel, std::string& why);
    // Moves the pointer to (x, y) in the window through XTEST and reads the
    // console's events until the motion there arrives; false when none
    // does within the suite's patience.
    bool pointerAt(Console& console, xcb_window_t window, int x, int y, PointerPosition& at);
    // Waits until keys pressed on the server reach the window.
    bool hasFocus(xcb_window_t window);
    // Merges resource lines ("Xft.dpi: 192") into the root window's
    // RESOURCE_MANAGER with xrdb, as a desktop session loads them.
    bool loadResources(const std::string& lines);
    // Starts openbox on the server and waits until it manages windows.
    bool startWindowManager(ChildProcess& manager);

private:
    // Presents the frame until the window shows what expectedAt gives for
    // the window's size.
    bool presentsUntilShown(
        Surface& frame, xcb_window_t window, std::string& why,
        const std::function<std::vector<std::uint8_t>(int width, int height)>& expectedAt);
};

}  // namespace vxr::test
