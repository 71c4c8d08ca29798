// The pointer's picture over the window, as the compositor draws it into
// screenshots that include the pointer.
#include <gtest/gtest.h>

#include <string>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;
using test::EventReader;

constexpr int WIDTH = 320;
constexpr int HEIGHT = 200;

// The output is the frame's size: the one window shows it unscaled at 0,0.
// The pointer is held on the seat from the start.
class WaylandCursor : public test::WaylandConsoleFixture {
protected:
    void SetUp() override { ASSERT_TRUE(startWithPointer({WIDTH, HEIGHT})); }
};

// Pixels of the window around the pointer's place that differ from the
// frame: the arrow, where one is drawn.
int pointerPixels(Compositor& sway, Surface& frame, int x, int y)
{
    test::Screenshot shot;
    if (!sway.screenshotWithPointer(shot)) return -1;
    const std::vector<std::uint32_t> expected = test::expectedPixels(frame, WIDTH, HEIGHT);
    int differing = 0;
    for (int row = y; row < y + 16 && row < HEIGHT; ++row)
        for (int column = x; column < x + 16 && column < WIDTH; ++column) {
            const std::uint8_t* shown = &shot.rgb[(std::size_t(row) * shot.width + column) * 3];
            const std::uint32_t want = expected[std::size_t(row) * WIDTH + column];
            differing += shown[0] != ((want >> 16) & 0xFF) || shown[1] != ((want >> 8) & 0xFF) ||
                         shown[2] != (want & 0xFF);
        }
    return differing;
}

// Places the held pointer until the window reports it at (x, y).
bool pointerArrives(Compositor& sway, EventReader& events, int x, int y)
{
    Event entered;
    return test::eventually([&] {
        if (!sway.placePointer(x, y, WIDTH, HEIGHT)) return false;
        while (events.next(entered, 500))
            if (entered.type == EventType::MouseEnter || entered.type == EventType::MouseMove)
                return entered.pointer.windowX == x && entered.pointer.windowY == y;
        return false;
    });
}

TEST_F(WaylandCursor, TheWindowShowsTheArrowWhenAskedAndNothingWhenHidden)
{
    ASSERT_TRUE(open({WIDTH, HEIGHT}));
    // Hidden while the frame is checked: the compositor draws the arrow
    // into every screenshot.
    ASSERT_EQ(console->setPointerVisible(0), 1);
    auto frame = test::randomFrame(*console, ARGB8888, WIDTH, HEIGHT, 21, true);
    ASSERT_TRUE(shows(*frame));
    ASSERT_TRUE(pointerArrives(compositor, *events, 100, 80)) << events->seen();
    EXPECT_EQ(pointerPixels(compositor, *frame, 100, 80), 0);

    ASSERT_EQ(console->setPointerVisible(1), 1);
    EXPECT_TRUE(test::eventually([&] { return pointerPixels(compositor, *frame, 100, 80) > 10; }));
    ASSERT_EQ(console->setPointerVisible(0), 1);
    EXPECT_TRUE(test::eventually([&] { return pointerPixels(compositor, *frame, 100, 80) == 0; }));
}

TEST_F(WaylandCursor, AFullScreenWindowHidesThePointer)
{
    ASSERT_TRUE(open({WIDTH, HEIGHT, PREFER32, FULLSCREEN}));
    auto frame = test::randomFrame(*console, ARGB8888, WIDTH, HEIGHT, 22, true);
    ASSERT_TRUE(shows(*frame));
    ASSERT_TRUE(pointerArrives(compositor, *events, 100, 80)) << events->seen();
    // Given time to draw an arrow, none shows; asked for, it does.
    EXPECT_TRUE(test::eventually([&] { return pointerPixels(compositor, *frame, 100, 80) == 0; }));
    ASSERT_EQ(console->setPointerVisible(1), 1);
    EXPECT_TRUE(test::eventually([&] { return pointerPixels(compositor, *frame, 100, 80) > 10; }));
}

}  // namespace
}  // namespace vxr
