// The ways of scaling a frame on a real sway: the screen read back for
// each way, sharp, in whole multiples, stretched and the compositor's, and
// a virtual pointer put on the corners of the area each way shows the frame
// in. The window floats at the output's corner, so window pixels are
// screen pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "console/x11/scaling_case.h"
#include "console/x11/x11_test_support.h"
#include "event_reader.h"
#include "vxr/console/console_mode.h"
#include "vxr/console/wayland/wayland_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;
using test::EventReader;
using test::ScalingCase;

constexpr int FRAME_WIDTH = 96;
constexpr int FRAME_HEIGHT = 60;

// A 333x271 window: 333x208 sharp between bars above and below; three
// times over (288x180) with bars all round; stretched over all of it.
constexpr ScalingCase ODD_WINDOW[] = {{SCALING_SHARP, {0, 31, 333, 239}},
                                      {SCALING_INTEGER, {22, 45, 310, 225}},
                                      {SCALING_STRETCH, {0, 0, 333, 271}}};
// An 80x70 window is narrower than the frame: every way shows all of it
// smaller, whole multiples the sharp way.
constexpr ScalingCase NARROW_WINDOW[] = {{SCALING_SHARP, {0, 10, 80, 60}},
                                         {SCALING_INTEGER, {0, 10, 80, 60}},
                                         {SCALING_STRETCH, {0, 0, 80, 70}}};

class WaylandScaling : public test::WaylandConsoleFixture {
protected:
    WaylandConsole& shown() { return *console; }

    void SetUp() override { ASSERT_TRUE(startWithPointer()); }

    void openAt(int width, int height)
    {
        ASSERT_EQ(shown().open(FRAME_WIDTH, FRAME_HEIGHT, PREFER32, -1, -1, -1), 1);
        frame = test::randomFrame(shown(), ARGB8888, FRAME_WIDTH, FRAME_HEIGHT, 5, true);
        ASSERT_TRUE(floatAtCorner(width, height));
        // sway draws the arrow into the output it screenshots.
        ASSERT_EQ(shown().setPointerVisible(0), 1);
    }

    // Until the screenshot shows the frame scaled onto area of the window
    // and black around it; presented before each look where asked.
    bool showsAt(const Rect& area, bool present, std::string& why)
    {
        return test::eventually([&] {
            if (present) frame->copy(shown().primary(), 0);
            const int width = shown().clientWidth(), height = shown().clientHeight();
            const std::vector<std::uint8_t> bytes = test::expectedWindowAt(
                *frame, PixelFormat(ARGB8888), width, height, area, 0xFF000000u);
            std::vector<std::uint32_t> expected(bytes.size() / 4);
            std::memcpy(expected.data(), bytes.data(), expected.size() * 4);
            test::Screenshot shot;
            const int wrong = compositor.screenshot(shot)
                                  ? test::differingPixels(shot, expected, width, height, 0, 0)
                                  : width * height;
            why = std::to_string(wrong) + " pixels differ in a " + std::to_string(width) + "x" +
                  std::to_string(height) + " window";
            return wrong == 0;
        });
    }

    // The held pointer on each window pixel asked for, read back as the
    // event that reports it there.
    void expectCornersMapped(const ScalingCase& way)
    {
        constexpr int QUIET_MS = 4000;
        EventReader reader(shown());
        way.expectCornersMapped(FRAME_WIDTH, FRAME_HEIGHT, [&](int x, int y, PointerPosition& at) {
            Event event;
            if (!compositor.placePointer(x, y, 640, 480)) return false;
            while (reader.next(event, QUIET_MS)) {
                at = event.pointer;
                if ((event.type == EventType::MouseMove || event.type == EventType::MouseEnter) &&
                    at.windowX == x && at.windowY == y)
                    return true;
            }
            ADD_FAILURE() << reader.seen();
            return false;
        });
    }

    // Chooses each way in turn on the open window and checks where it shows.
    template <std::size_t N>
    void expectEachWay(const ScalingCase (&ways)[N])
    {
        for (const ScalingCase& way : ways) {
            SCOPED_TRACE(way.name());
            ASSERT_EQ(shown().setScaling(way.scaling), 1) << lastError();
            EXPECT_FALSE(shown().scalesInCompositor());
            std::string why;
            EXPECT_TRUE(showsAt(way.area, true, why)) << why;
            expectCornersMapped(way);
        }
    }

    std::unique_ptr<Surface> frame;
};

TEST_F(WaylandScaling, EachWayShowsTheFrameInItsAreaAndThePointerMapsThroughIt)
{
    ASSERT_NO_FATAL_FAILURE(openAt(333, 271));
    expectEachWay(ODD_WINDOW);
    // The compositor stretches onto the sharp way's area; it may filter, so
    // only the inside of blocks and the bars are compared.
    ASSERT_EQ(shown().setScaling(SCALING_COMPOSITOR), 1) << lastError();
    EXPECT_TRUE(test::eventually([&] { return shown().scalesInCompositor(); }));
    const std::unique_ptr<Surface> blocks =
        test::blockFrame(shown(), ARGB8888, FRAME_WIDTH, FRAME_HEIGHT, 4, 9);
    EXPECT_TRUE(shows(*blocks, 0, 0, true));
    expectCornersMapped(ODD_WINDOW[0]);
}

TEST_F(WaylandScaling, AChangeShowsTheKeptFrameAtOnceAndMovesThePointersGrid)
{
    ASSERT_NO_FATAL_FAILURE(openAt(333, 271));
    ASSERT_EQ(shown().setScaling(SCALING_SHARP), 1);
    std::string why;
    ASSERT_TRUE(showsAt(ODD_WINDOW[0].area, true, why)) << why;
    // No present after the change: the window redraws the frame it keeps.
    for (const ScalingCase& way : {ODD_WINDOW[2], ODD_WINDOW[1]}) {
        SCOPED_TRACE(way.name());
        ASSERT_EQ(shown().setScaling(way.scaling), 1) << lastError();
        EXPECT_TRUE(showsAt(way.area, false, why)) << why;
        expectCornersMapped(way);
    }
    EXPECT_EQ(shown().setScaling(12345), 0);
    EXPECT_NE(std::string(lastError()).find("12345"), std::string::npos) << lastError();
    EXPECT_TRUE(showsAt(ODD_WINDOW[1].area, true, why)) << why;
}

TEST_F(WaylandScaling, AWindowSmallerThanTheFrameShowsAllOfItScaledDown)
{
    ASSERT_NO_FATAL_FAILURE(openAt(80, 70));
    expectEachWay(NARROW_WINDOW);
}

}  // namespace
}  // namespace vxr
