#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "compositor.h"
#include "console/x11/x11_test_support.h"
#include "event_reader.h"
#include "vxr/console/console_mode.h"
#include "vxr/console/wayland/wayland_console.h"

namespace vxr {
class Surface;
}

namespace vxr::test {

// What the Wayland suites start from: a compositor of the test's own and a
// console on it, whose events are read back as a program reads them. The
// console is made only once the compositor runs, since a console looks for
// its compositor as it is made; it goes first at the end, while the
// compositor it talks to is still there.
class WaylandConsoleFixture : public ::testing::Test {
protected:
    using Kind = Compositor::Kind;

    // The compositor's output: its size in pixels (in units on kwin), and
    // sway's or kwin's scale.
    struct Output {
        int width = 640;
        int height = 480;
        double scale = 1;
    };
    // Who scales a window's frames: the console's default (the compositor
    // unless the environment asks for the library), the library or the
    // compositor.
    enum class Scaling { DEFAULT, LIBRARY, COMPOSITOR };
    // The window a test opens.
    struct Request {
        int width = 320;
        int height = 200;
        std::int32_t format = PREFER32;
        int output = -1;
        Scaling scaling = Scaling::DEFAULT;
    };

    // Starts the compositor, then makes the console on it. (The defaults
    // come through overloads: a nested type's member defaults are not
    // known yet where the class declares its members' default arguments.)
    ::testing::AssertionResult start(Kind kind, Output output);
    ::testing::AssertionResult start(Kind kind) { return start(kind, Output{}); }
    // sway with a keyboard on its seat before any window opens, so that keys
    // typed later reach the first window.
    ::testing::AssertionResult startWithKeyboard();
    // sway with a pointer on its seat, as startWithKeyboard.
    ::testing::AssertionResult startWithPointer(Output output);
    ::testing::AssertionResult startWithPointer() { return startWithPointer(Output{}); }
    // weston in a 640x480 window of its own at the left of a private X
    // server's screen, so that xdotool's pointer reaches what libdecor
    // draws; weston's pointer, which it draws itself, parked where no window
    // opens. No console is made.
    bool startNestedWeston();
    static constexpr int NESTED_MARGIN = 32;

    ::testing::AssertionResult open(Request request);
    ::testing::AssertionResult open() { return open(Request{}); }
    // Opens the window and waits until it has the focus: keys typed from
    // then on reach it.
    ::testing::AssertionResult openFocused();
    // Floats the window at sway's output corner at the given client size,
    // until the console has that size.
    ::testing::AssertionResult floatAtCorner(int width, int height);

    // Whether the compositor's screen shows the console's window with the
    // frame, as showsFrame says; presented again before each look.
    ::testing::AssertionResult shows(Surface& frame, int left = 0, int top = 0,
                                     bool filtered = false);
    // The same with the frame presented before and never again.
    ::testing::AssertionResult stillShows(Surface& frame, int left = 0, int top = 0,
                                          bool filtered = false);

    // For the tests that need an X server beside the compositor: weston in
    // a window of it, or a program that has both to choose from. It comes
    // first, so that it outlives the compositor.
    XvfbServer xServer;
    Compositor compositor;
    std::optional<WaylandConsole> console;
    std::optional<EventReader> events;

private:
    // Whether the device ("keyboard" or "pointer") the test holds shows on
    // sway's seat.
    ::testing::AssertionResult onSeat(bool held, const char* device);
};

}  // namespace vxr::test
