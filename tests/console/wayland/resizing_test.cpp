// How far a user may resize a window: down to the frame at one output
// pixel per frame pixel, or not at all for a fixed window. The limits are
// the compositor's to keep: weston keeps them while the pointer drags
// libdecor's border, and sway floats a window that cannot be resized.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

class WaylandResizing : public test::WaylandConsoleFixture {
protected:
    // A 320x200 window of weston in X11, framed by libdecor, found on the
    // screen.
    void openFramed()
    {
        ASSERT_TRUE(startNestedWeston());
        console.emplace();
        ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
        ASSERT_TRUE(console->decoratedByClient());
        frame = test::randomFrame(*console, ARGB8888, 320, 200, 17, true);
        ASSERT_TRUE(shows(*frame, -1, -1));
        test::Screenshot shot;
        ASSERT_TRUE(compositor.screenshot(shot));
        ASSERT_TRUE(test::findWindow(shot, test::expectedPixels(*frame, 320, 200), 320, 200,
                                     left, top));
    }

    // Drags the window's bottom right corner, just outside the content
    // where libdecor's border lies, by (dx, dy), until the window's width
    // is no longer 320 or the tries run out (the pointer's arrival must
    // reach libdecor before the press does). The corner is where the last
    // drag left it.
    bool dragCorner(int dx, int dy,
                    std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        const int fromX = left + console->clientWidth() + 3;
        const int fromY = top + console->clientHeight() + 3;
        const int width = console->clientWidth(), height = console->clientHeight();
        int tries = 0;
        return test::eventually([&] {
            const std::string nudge = std::to_string(fromX - tries++ % 2);
            return test::runXdotool(xServer.display(),
                                    {"mousemove", nudge, std::to_string(fromY), "mousemove",
                                     std::to_string(fromX), std::to_string(fromY), "sleep", "0.2",
                                     "mousedown", "1", "mousemove", std::to_string(fromX + dx / 2),
                                     std::to_string(fromY + dy / 2), "mousemove",
                                     std::to_string(fromX + dx), std::to_string(fromY + dy),
                                     "sleep", "0.2", "mouseup", "1"}) &&
                   test::eventually([&] {
                       return console->clientWidth() != width || console->clientHeight() != height;
                   }, std::chrono::milliseconds(500));
        }, limit);
    }

    std::unique_ptr<Surface> frame;
    int left = 0;
    int top = 0;
};

TEST_F(WaylandResizing, TheUserResizesAWindowDownToTheFrameButNoSmaller)
{
    ASSERT_NO_FATAL_FAILURE(openFramed());
    ASSERT_TRUE(dragCorner(120, 90)) << "the drag never resized the window";
    EXPECT_GT(console->clientWidth(), 320);
    EXPECT_GT(console->clientHeight(), 200);
    // Far inward: the compositor stops at the frame's own size.
    dragCorner(-300, -250);
    EXPECT_EQ(console->clientWidth(), 320);
    EXPECT_EQ(console->clientHeight(), 200);
    // weston draws its pointer into the screen it shows.
    ASSERT_TRUE(test::runXdotool(xServer.display(), {"mousemove", "4", "470"}));
    EXPECT_TRUE(shows(*frame, -1, -1));
}

TEST_F(WaylandResizing, AFixedWindowKeepsItsSize)
{
    ASSERT_NO_FATAL_FAILURE(openFramed());
    ASSERT_EQ(console->setResizable(0), 1);
    // A few tries: each would resize a resizable window.
    EXPECT_FALSE(dragCorner(120, 90, std::chrono::seconds(3)));
    EXPECT_EQ(console->clientWidth(), 320);
    EXPECT_EQ(console->clientHeight(), 200);
    // Resizable again, it follows the drag.
    ASSERT_EQ(console->setResizable(1), 1);
    EXPECT_TRUE(dragCorner(120, 90));
    EXPECT_GT(console->clientWidth(), 320);
}

// sway floats a window whose smallest and largest sizes are the same, at
// that size, and tiles a resizable one.
TEST_F(WaylandResizing, SwayFloatsAWindowOpenedFixed)
{
    ASSERT_TRUE(start(Kind::SWAY));
    ASSERT_EQ(console->setResizable(0), 1);
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(compositor.windowPlace("", x, y, width, height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    EXPECT_EQ(console->clientWidth(), 320);

    ASSERT_EQ(console->setResizable(1), 1);
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 640; }));
    EXPECT_EQ(console->clientHeight(), 480);
}

// sway keeps a window in its scratchpad unseen: it draws none of its
// frames, and releases its buffers all the same, so the program presents on.
TEST_F(WaylandResizing, AWindowNoOneSeesStillTakesEveryFrame)
{
    ASSERT_TRUE(start(Kind::SWAY));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    auto shown = test::randomFrame(*console, ARGB8888, 320, 200, 23, false);
    ASSERT_TRUE(shows(*shown));
    ASSERT_TRUE(compositor.command("'[app_id=vxr] move scratchpad'"));
    const std::vector<std::uint32_t> window = test::expectedPixels(*shown, 320, 200);
    ASSERT_TRUE(test::eventually([&] {
        test::Screenshot shot;
        int x = 0, y = 0;
        return compositor.screenshot(shot) && !test::findWindow(shot, window, 320, 200, x, y);
    })) << "the window stayed on the screen";
    for (unsigned i = 0; i < 12; ++i) {
        auto next = test::randomFrame(*console, ARGB8888, 320, 200, 24 + i, false);
        EXPECT_EQ(next->copy(console->primary(), 0), 1) << i;
    }
    // Shown again, the window has the last of them.
    auto last = test::randomFrame(*console, ARGB8888, 320, 200, 35, false);
    ASSERT_TRUE(compositor.command("'[app_id=vxr] scratchpad show'"));
    ASSERT_TRUE(compositor.command("'[app_id=vxr] floating disable'"));
    EXPECT_TRUE(stillShows(*last));
}

}  // namespace
}  // namespace vxr
