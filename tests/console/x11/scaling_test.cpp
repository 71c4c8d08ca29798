// The ways of scaling a frame on a real X server: the window's pixels read
// back for each way, sharp, in whole multiples and stretched, chosen at
// open and while the window shows a frame, and the pointer moved through
// XTEST onto the corners of the area each way shows the frame in.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "vxr/console/console_mode.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/window/window.h"
#include "scaling_case.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::ScalingCase;
using test::X11Session;

constexpr int FRAME_WIDTH = 64;
constexpr int FRAME_HEIGHT = 40;

// A 333x271 client: 333x208 sharp between bars above and below; five times
// over (320x200) with bars all round; stretched over all of it.
constexpr ScalingCase ODD_CLIENT[] = {{SCALING_SHARP, {0, 31, 333, 239}},
                                      {SCALING_INTEGER, {6, 35, 326, 235}},
                                      {SCALING_STRETCH, {0, 0, 333, 271}}};
// A 50x60 client is narrower than the frame: every way shows all of it
// smaller, whole multiples the sharp way.
constexpr ScalingCase NARROW_CLIENT[] = {{SCALING_SHARP, {0, 14, 50, 45}},
                                         {SCALING_INTEGER, {0, 14, 50, 45}},
                                         {SCALING_STRETCH, {0, 0, 50, 60}}};

class X11Scaling : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.start({24, 640, 480, true})); }

    // Opens the console's window for the frame at a client size, and fills
    // the frame with pixels that each show where they belong.
    void openAt(Console& console, int width, int height)
    {
        ASSERT_EQ(console.open(FRAME_WIDTH, FRAME_HEIGHT, PREFER32, WINDOWED, -1, -1), 1);
        window = X11Session::windowOf(console);
        frame = std::make_unique<Surface>(&console, FRAME_WIDTH, FRAME_HEIGHT,
                                          PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
        test::fillRandom(*frame, 7);
        resizeTo(console, width, height);
    }

    // Resizes the window from outside and waits until the console says so.
    void resizeTo(Console& console, int width, int height)
    {
        session.view.resize(window, width, height);
        const auto patience = std::chrono::duration_cast<std::chrono::milliseconds>(test::PATIENCE);
        Event event;
        while (console.waitEvent(&event, static_cast<int>(patience.count())))
            if (event.type == EventType::Resize && event.width == width && event.height == height)
                return;
        FAIL() << "no resize to " << width << "x" << height;
    }

    void expectShownAt(Console& console, Surface& shown, const Rect& area)
    {
        std::string why;
        EXPECT_TRUE(session.presentsExactlyAt(shown, console.format(), window, area, 0, why))
            << why;
    }

    void expectCornersMapped(Console& console, const ScalingCase& way)
    {
        way.expectCornersMapped(FRAME_WIDTH, FRAME_HEIGHT, [&](int x, int y, PointerPosition& at) {
            return session.pointerAt(console, window, x, y, at);
        });
    }

    // Chooses each way in turn on the open window and checks where it shows.
    template <std::size_t N>
    void expectEachWay(Console& console, const ScalingCase (&ways)[N])
    {
        for (const ScalingCase& way : ways) {
            SCOPED_TRACE(way.name());
            ASSERT_EQ(console.setScaling(way.scaling), 1) << lastError();
            expectShownAt(console, *frame, way.area);
            expectCornersMapped(console, way);
        }
    }

    X11Session session;
    xcb_window_t window = 0;
    std::unique_ptr<Surface> frame;
};

TEST_F(X11Scaling, EachWayShowsTheFrameInItsAreaAndThePointerMapsThroughIt)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(openAt(console, 333, 271));
    expectEachWay(console, ODD_CLIENT);
}

TEST_F(X11Scaling, AChangeShowsTheKeptFrameAtOnceAndMovesThePointersGrid)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(openAt(console, 333, 271));
    expectShownAt(console, *frame, ODD_CLIENT[0].area);
    // No present after the change: the window redraws the frame it keeps.
    for (const ScalingCase& way : {ODD_CLIENT[2], ODD_CLIENT[1]}) {
        SCOPED_TRACE(way.name());
        ASSERT_EQ(console.setScaling(way.scaling), 1) << lastError();
        std::string why;
        EXPECT_TRUE(session.showsExactly(
            window, test::expectedWindowAt(*frame, console.format(), 333, 271, way.area, 0), 333,
            271, why))
            << why;
        expectCornersMapped(console, way);
    }
}

TEST_F(X11Scaling, AWindowSmallerThanTheFrameShowsAllOfItScaledDown)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(openAt(console, 50, 60));
    expectEachWay(console, NARROW_CLIENT);
    // A window of one pixel still takes frames, in every way.
    ASSERT_NO_FATAL_FAILURE(resizeTo(console, 1, 1));
    for (const ScalingCase& way : NARROW_CLIENT) {
        SCOPED_TRACE(way.name());
        ASSERT_EQ(console.setScaling(way.scaling), 1) << lastError();
        expectShownAt(console, *frame, Rect{0, 0, 1, 1});
    }
}

TEST_F(X11Scaling, AWayTheConsoleDoesNotHaveIsRefusedWithAReasonAndTheOldOneStays)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(openAt(console, 333, 271));
    ASSERT_EQ(console.setScaling(SCALING_INTEGER), 1);
    EXPECT_EQ(console.setScaling(SCALING_COMPOSITOR), 0);
    EXPECT_NE(std::string(lastError()).find("compositor"), std::string::npos) << lastError();
    EXPECT_EQ(console.setScaling(12345), 0);
    EXPECT_NE(std::string(lastError()).find("12345"), std::string::npos) << lastError();
    EXPECT_EQ(console.setScaling(-1), 0);
    expectShownAt(console, *frame, ODD_CLIENT[1].area);
}

TEST_F(X11Scaling, AWindowOpensInTheWayItsOptionsNameAndChangesWhileOpen)
{
    Window shown({.width = FRAME_WIDTH,
                  .height = FRAME_HEIGHT,
                  .output = WindowOptions::Output::Windowed,
                  .scaling = WindowOptions::Scaling::Integer});
    ASSERT_TRUE(shown.isOpen()) << shown.error();
    Console& console = shown.console();
    window = X11Session::windowOf(console);
    test::fillRandom(shown.frame(), 11);
    ASSERT_NO_FATAL_FAILURE(resizeTo(console, 333, 271));
    expectShownAt(console, shown.frame(), ODD_CLIENT[1].area);

    ASSERT_TRUE(shown.setScaling(WindowOptions::Scaling::Stretch)) << lastError();
    expectShownAt(console, shown.frame(), ODD_CLIENT[2].area);
    EXPECT_FALSE(shown.setScaling(WindowOptions::Scaling::Default));
    EXPECT_NE(std::string(lastError()).find("Default"), std::string::npos) << lastError();
    EXPECT_FALSE(shown.setScaling(WindowOptions::Scaling::Compositor));
    EXPECT_NE(std::string(lastError()).find("compositor"), std::string::npos) << lastError();
    expectShownAt(console, shown.frame(), ODD_CLIENT[2].area);
}

}  // namespace
}  // namespace vxr
