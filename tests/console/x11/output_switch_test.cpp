// Switching an open window to the whole screen and back, on a server
// without a window manager and under one, read back from the window: its
// size, its bars, its frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "vxr/console/x11/x11_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

// Waits for the Resize event that reports the client size.
bool resizedTo(X11Console& console, int width, int height)
{
    Event event;
    return test::eventually([&] {
        while (console.pollEvent(&event) == 1)
            if (event.type == EventType::Resize && event.width == width && event.height == height)
                return true;
        return false;
    });
}

TEST(X11ConsoleOutput, SwitchesAnOpenWindowToTheWholeScreenAndBack)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    X11Console console;
    EXPECT_EQ(console.setOutput(FULLSCREEN), 0) << "no window to switch";
    // A frame whose aspect is not the screen's, so that bars show.
    ASSERT_EQ(console.open(200, 100, PREFER32, WINDOWED, -1, -1), 1);
    const xcb_window_t window = X11Session::windowOf(console);
    int windowedWidth = 0, windowedHeight = 0;
    ASSERT_TRUE(session.view.geometry(window, windowedWidth, windowedHeight));
    Surface frame(&console, 200, 100, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    test::fillRandom(frame, 11);
    std::string why;
    ASSERT_TRUE(session.presentsExactly(frame, console.format(), window, 0, why)) << why;

    ASSERT_EQ(console.setOutput(FULLSCREEN), 1);
    EXPECT_EQ(console.output(), FULLSCREEN);
    EXPECT_EQ(console.mode().output, FULLSCREEN);
    EXPECT_TRUE(resizedTo(console, 640, 480));
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(window, width, height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_TRUE(session.view.overrideRedirect(window));
    EXPECT_TRUE(session.presentsExactly(frame, console.format(), window, 0, why)) << why;
    EXPECT_EQ(console.setOutput(FULLSCREEN), 1) << "already there";

    ASSERT_EQ(console.setOutput(WINDOWED), 1);
    EXPECT_EQ(console.output(), WINDOWED);
    EXPECT_EQ(console.mode().output, WINDOWED);
    EXPECT_TRUE(resizedTo(console, windowedWidth, windowedHeight));
    ASSERT_TRUE(session.view.geometry(window, width, height));
    EXPECT_EQ(width, windowedWidth);
    EXPECT_EQ(height, windowedHeight);
    EXPECT_FALSE(session.view.overrideRedirect(window));
    EXPECT_TRUE(session.presentsExactly(frame, console.format(), window, 0, why)) << why;
    EXPECT_EQ(console.setOutput(7), 0);
}

// Whether a shell command on the session's display succeeds.
bool succeeds(const X11Session& session, const std::string& command)
{
    return std::system(("DISPLAY=" + session.server.display() + " " + command +
                        " >/dev/null 2>&1").c_str()) == 0;
}

bool fullscreenState(const X11Session& session, xcb_window_t window)
{
    return succeeds(session, "xprop -id " + std::to_string(window) +
                                 " _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN");
}

TEST(X11ConsoleOutput, AWindowManagerTakesTheWindowToTheWholeScreenAndBack)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    test::ChildProcess manager;
    ASSERT_TRUE(session.startWindowManager(manager)) << manager.errors();
    ASSERT_TRUE(succeeds(session, "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"));

    X11Console console;
    ASSERT_EQ(console.open(200, 100, PREFER32, WINDOWED, -1, -1), 1);
    const xcb_window_t window = X11Session::windowOf(console);
    Surface frame(&console, 200, 100, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    test::fillRandom(frame, 12);
    std::string why;
    ASSERT_TRUE(session.presentsExactly(frame, console.format(), window, 0, why)) << why;
    int windowedWidth = 0, windowedHeight = 0;
    ASSERT_TRUE(session.view.geometry(window, windowedWidth, windowedHeight));

    // The manager, asked through the window's state, gives it the screen.
    ASSERT_EQ(console.setOutput(FULLSCREEN), 1);
    EXPECT_EQ(console.output(), FULLSCREEN);
    EXPECT_TRUE(resizedTo(console, 640, 480));
    EXPECT_TRUE(fullscreenState(session, window));
    EXPECT_FALSE(session.view.overrideRedirect(window)) << "the manager's way, not around it";
    EXPECT_TRUE(session.presentsExactly(frame, console.format(), window, 0, why)) << why;

    ASSERT_EQ(console.setOutput(WINDOWED), 1);
    EXPECT_EQ(console.output(), WINDOWED);
    EXPECT_TRUE(resizedTo(console, windowedWidth, windowedHeight));
    EXPECT_FALSE(fullscreenState(session, window));
    EXPECT_TRUE(session.presentsExactly(frame, console.format(), window, 0, why)) << why;
}

}  // namespace
}  // namespace vxr
