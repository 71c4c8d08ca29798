// Resizable and fixed windows on a real Xvfb: the size limits the window
// gives the window manager (WM_NORMAL_HINTS, read back from the server), a
// window manager (openbox) keeping to them, and what a window made smaller
// than the frame, down to a single pixel, or taken off the screen shows.
#include <gtest/gtest.h>
#include <xcb/xcb_icccm.h>

#include <chrono>
#include <memory>
#include <string>

#include "vxr/console/console_mode.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/window/window.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

constexpr int FRAME_WIDTH = 320;
constexpr int FRAME_HEIGHT = 200;

// What the window tells the window manager about its size; 0 for a limit
// it does not set.
struct Limits {
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;

    bool operator==(const Limits&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Limits& limits)
{
    return out << "min " << limits.minWidth << "x" << limits.minHeight << ", max "
               << limits.maxWidth << "x" << limits.maxHeight;
}

class X11Resizing : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.start({24, 640, 480, true})); }

    void open(Console& console, int width = FRAME_WIDTH, int height = FRAME_HEIGHT)
    {
        ASSERT_EQ(console.ok(), 1);
        ASSERT_EQ(console.open(width, height, PREFER32, WINDOWED, -1, -1), 1) << lastError();
        window = X11Session::windowOf(console);
        frame = std::make_unique<Surface>(&console, width, height, PixelFormat(ARGB8888),
                                          MEMORY_SYSTEM, -1, -1, -1);
        test::fillRandom(*frame, 5);
    }

    // The window's WM_NORMAL_HINTS as the server holds them.
    Limits limitsOf(xcb_window_t shown)
    {
        xcb_size_hints_t hints{};
        xcb_connection_t* link = session.view.link();
        EXPECT_TRUE(xcb_icccm_get_wm_normal_hints_reply(
            link, xcb_icccm_get_wm_normal_hints(link, shown), &hints, nullptr));
        Limits limits;
        if (hints.flags & XCB_ICCCM_SIZE_HINT_P_MIN_SIZE) {
            limits.minWidth = hints.min_width;
            limits.minHeight = hints.min_height;
        }
        if (hints.flags & XCB_ICCCM_SIZE_HINT_P_MAX_SIZE) {
            limits.maxWidth = hints.max_width;
            limits.maxHeight = hints.max_height;
        }
        return limits;
    }

    // Resizes the window from outside and waits until the console says so.
    bool resizedTo(Console& console, int width, int height)
    {
        session.view.resize(window, width, height);
        return X11Session::resizeReported(console, width, height);
    }

    bool showsFrame(Console& console)
    {
        std::string why;
        const bool shown = session.presentsExactly(*frame, console.format(), window, 0, why);
        if (!shown) ADD_FAILURE() << why;
        return shown;
    }

    X11Session session;
    xcb_window_t window = 0;
    std::unique_ptr<Surface> frame;
};

TEST_F(X11Resizing, AResizableWindowMayShrinkToTheFrameAtOneScreenPixelAPixel)
{
    // At scale 2 the window opens at twice the frame and may shrink to it.
    ASSERT_TRUE(session.loadResources("Xft.dpi:\t192"));
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(open(console));
    EXPECT_EQ(limitsOf(window), (Limits{FRAME_WIDTH, FRAME_HEIGHT, 0, 0}));
    // Taking the choice again changes nothing.
    ASSERT_EQ(console.setResizable(1), 1) << lastError();
    EXPECT_EQ(limitsOf(window), (Limits{FRAME_WIDTH, FRAME_HEIGHT, 0, 0}));
}

TEST_F(X11Resizing, AFrameLargerThanTheScreenLimitsTheWindowToTheScreen)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(open(console, 800, 600));
    EXPECT_EQ(limitsOf(window), (Limits{640, 480, 0, 0}));
}

TEST_F(X11Resizing, AFixedWindowKeepsTheSizeItHasWhenTheChoiceIsMade)
{
    X11Console console;
    ASSERT_EQ(console.setResizable(0), 1) << lastError();
    ASSERT_NO_FATAL_FAILURE(open(console));
    EXPECT_EQ(limitsOf(window), (Limits{FRAME_WIDTH, FRAME_HEIGHT, FRAME_WIDTH, FRAME_HEIGHT}));

    ASSERT_EQ(console.setResizable(1), 1) << lastError();
    EXPECT_EQ(limitsOf(window), (Limits{FRAME_WIDTH, FRAME_HEIGHT, 0, 0}));
    ASSERT_TRUE(resizedTo(console, 400, 300));
    ASSERT_EQ(console.setResizable(0), 1) << lastError();
    EXPECT_EQ(limitsOf(window), (Limits{400, 300, 400, 300}));
    EXPECT_TRUE(showsFrame(console));
}

TEST_F(X11Resizing, AWindowOpenedFixedSaysSoFromItsFirstFrame)
{
    Window shown({.width = FRAME_WIDTH, .height = FRAME_HEIGHT, .resizable = false});
    ASSERT_TRUE(shown.isOpen()) << shown.error();
    window = X11Session::windowOf(shown.console());
    EXPECT_EQ(limitsOf(window), (Limits{FRAME_WIDTH, FRAME_HEIGHT, FRAME_WIDTH, FRAME_HEIGHT}));
}

TEST_F(X11Resizing, AWindowSmallerThanTheFrameShowsAllOfItScaledDown)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(open(console));
    // Below the frame, of another aspect, and a single pixel: each shows
    // the whole frame in the letterbox, nothing cut off.
    for (const auto& [width, height] : {std::pair{160, 100}, std::pair{97, 211}, std::pair{1, 1}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        ASSERT_TRUE(resizedTo(console, width, height));
        EXPECT_EQ(frame->update(), 1) << lastError();
        EXPECT_TRUE(showsFrame(console));
    }
    ASSERT_TRUE(resizedTo(console, FRAME_WIDTH, FRAME_HEIGHT));
    EXPECT_TRUE(showsFrame(console));
}

TEST_F(X11Resizing, AWindowOffTheScreenTakesFramesAndShowsTheLastWhenItComesBack)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(open(console));
    ASSERT_TRUE(showsFrame(console));
    xcb_unmap_window(session.view.link(), window);
    xcb_flush(session.view.link());
    test::fillRandom(*frame, 6);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(frame->update(), 1) << lastError();
    xcb_map_window(session.view.link(), window);
    xcb_flush(session.view.link());
    // The exposure as it comes back draws the frame kept from the last
    // present, with no present after it.
    std::string why;
    EXPECT_TRUE(session.showsExactly(
        window, test::expectedWindow(*frame, console.format(), FRAME_WIDTH, FRAME_HEIGHT, 0),
        FRAME_WIDTH, FRAME_HEIGHT, why))
        << why;
}

// A window manager keeps the window within its limits: openbox refuses
// a fixed window any other size, and a resizable one anything below the
// frame.
class X11ManagedResizing : public X11Resizing {
protected:
    void SetUp() override
    {
        X11Resizing::SetUp();
        ASSERT_TRUE(session.startWindowManager(manager)) << manager.errors();
    }

    // Asks for another size as a program would, through the window
    // manager, and gives the size the window has then. A refused size
    // changes nothing to wait for: a move asked for after it, which the
    // manager grants, says when it has decided.
    std::pair<int, int> askedFor(int width, int height)
    {
        const std::string id = std::to_string(window);
        const std::string place = std::to_string(10 + 10 * ++moves);
        EXPECT_TRUE(
            test::runXdotool(session.server.display(),
                             {"windowsize", id, std::to_string(width), std::to_string(height)}));
        EXPECT_TRUE(
            test::runXdotool(session.server.display(), {"windowmove", "--sync", id, place, place}));
        int shownWidth = 0, shownHeight = 0;
        EXPECT_TRUE(session.view.geometry(window, shownWidth, shownHeight));
        return {shownWidth, shownHeight};
    }

    test::ChildProcess manager;
    int moves = 0;
};

TEST_F(X11ManagedResizing, TheManagerKeepsToTheLimits)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(open(console));
    EXPECT_EQ(askedFor(400, 300), std::pair(400, 300));
    EXPECT_EQ(askedFor(100, 50), std::pair(FRAME_WIDTH, FRAME_HEIGHT));
    ASSERT_EQ(console.setResizable(0), 1) << lastError();
    EXPECT_EQ(askedFor(500, 400), std::pair(FRAME_WIDTH, FRAME_HEIGHT));
}

TEST_F(X11ManagedResizing, AFixedWindowGoesToTheWholeScreenAndBackToItsSize)
{
    X11Console console;
    ASSERT_EQ(console.setResizable(0), 1) << lastError();
    ASSERT_NO_FATAL_FAILURE(open(console));
    ASSERT_EQ(console.setOutput(FULLSCREEN), 1) << lastError();
    EXPECT_TRUE(X11Session::resizeReported(console, 640, 480));
    EXPECT_TRUE(showsFrame(console));
    ASSERT_EQ(console.setOutput(WINDOWED), 1) << lastError();
    EXPECT_TRUE(X11Session::resizeReported(console, FRAME_WIDTH, FRAME_HEIGHT));
    EXPECT_EQ(limitsOf(window), (Limits{FRAME_WIDTH, FRAME_HEIGHT, FRAME_WIDTH, FRAME_HEIGHT}));
    EXPECT_TRUE(showsFrame(console));
}

TEST_F(X11ManagedResizing, AMinimisedWindowTakesFrames)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(open(console));
    ASSERT_TRUE(showsFrame(console));
    ASSERT_TRUE(test::runXdotool(session.server.display(),
                                 {"windowminimize", "--sync", std::to_string(window)}));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(frame->update(), 1) << lastError();
    EXPECT_EQ(console.waitRetrace(), 1) << lastError();
    ASSERT_TRUE(test::runXdotool(session.server.display(),
                                 {"windowactivate", "--sync", std::to_string(window)}));
    EXPECT_TRUE(showsFrame(console));
}

}  // namespace
}  // namespace vxr
