#pragma once

#include <string>
#include <vector>

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
    // Waits until the whole client area shows exactly what is expected;
    // the last mismatch is described in why.
    bool showsExactly(xcb_window_t window, const std::vector<std::uint8_t>& expected, int width,
                      int height, std::string& why);
    // Presents the frame until the window shows it as expected at the
    // window's current size: a resize reaches the console's thread a little
    // after the server has made it.
    bool presentsExactly(Surface& frame, const PixelFormat& shown, xcb_window_t window,
                         std::uint32_t barPixel, std::string& why);
    // Waits until keys pressed on the server reach the window.
    bool hasFocus(xcb_window_t window);
    // Starts openbox on the server and waits until it manages windows.
    bool startWindowManager(ChildProcess& manager);
};

}  // namespace vxr::test
