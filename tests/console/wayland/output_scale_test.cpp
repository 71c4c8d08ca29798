// Outputs of more than one pixel a unit: the frame is shown at physical
// pixels, each frame pixel a block of whole output pixels of one colour,
// read back from the compositor's own screenshot.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "console/x11/scaling_case.h"
#include "console/x11/x11_test_support.h"
#include "vxr/console/console_mode.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::ScalingCase;

std::uint32_t screenPixel(const test::Screenshot& shot, int x, int y)
{
    const std::uint8_t* p = &shot.rgb[(static_cast<std::size_t>(y) * shot.width + x) * 3];
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

// Screen pixels that are not the colour of the frame pixel they show, where
// frame pixel x covers the screen's columns from x * scale, rounded, to
// (x + 1) * scale, rounded, and rows alike.
int pixelsOffTheirBlock(const test::Screenshot& shot, const std::vector<std::uint32_t>& frame,
                        int width, int height, double scale)
{
    const auto edge = [scale](int index) { return static_cast<int>(index * scale + 0.5); };
    if (shot.width < edge(width) || shot.height < edge(height)) return width * height;
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int sy = edge(y); sy < edge(y + 1); ++sy)
                for (int sx = edge(x); sx < edge(x + 1); ++sx)
                    wrong += screenPixel(shot, sx, sy) != (frame[y * width + x] & 0xFFFFFFu);
    return wrong;
}

class WaylandOutputScale : public test::WaylandConsoleFixture {
protected:
    // Presents the frame until the screenshot shows each of its pixels as
    // its block at the scale, from the screen's corner.
    ::testing::AssertionResult showsInBlocks(Surface& frame, double scale)
    {
        const std::vector<std::uint32_t> expected =
            test::expectedPixels(frame, frame.width(), frame.height());
        int wrong = -1;
        const bool shown = test::eventually([&] {
            test::Screenshot shot;
            if (frame.copy(console->primary(), 0) != 1 || !compositor.screenshot(shot)) return false;
            wrong = pixelsOffTheirBlock(shot, expected, frame.width(), frame.height(), scale);
            return wrong == 0;
        });
        if (shown) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << wrong << " screen pixels differ from their block";
    }

    // Presents the frame until the screenshot holds, somewhere, the exact
    // width x height window the library draws with the frame in area and
    // black bars around it: nothing stretched or filtered it.
    ::testing::AssertionResult showsWholeWindow(Surface& frame, int width, int height,
                                                const Rect& area)
    {
        const std::vector<std::uint8_t> bytes = test::expectedWindowAt(
            frame, PixelFormat(ARGB8888), width, height, area, 0xFF000000u);
        std::vector<std::uint32_t> expected(bytes.size() / 4);
        std::memcpy(expected.data(), bytes.data(), bytes.size());
        const bool shown = test::eventually([&] {
            test::Screenshot shot;
            int left = 0, top = 0;
            return frame.copy(console->primary(), 0) == 1 && compositor.screenshot(shot) &&
                   test::findWindow(shot, expected, width, height, left, top);
        });
        if (shown) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "no exact " << width << "x" << height << " window on the screen";
    }
};

// sway's output at scale 2, 320x200 units: the window fills it, and the
// library draws every frame pixel onto 2x2 output pixels, whether sharp or
// in whole multiples.
TEST_F(WaylandOutputScale, AtScaleTwoEveryFramePixelIsATwoByTwoBlock)
{
    ASSERT_TRUE(start(Kind::SWAY, {640, 400, 2}));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 640; }));
    EXPECT_EQ(console->clientHeight(), 400);
    EXPECT_EQ(console->scale(), 2.0);
    ASSERT_EQ(console->setPointerVisible(0), 1);
    for (const int way : {SCALING_SHARP, SCALING_INTEGER}) {
        ASSERT_EQ(console->setScaling(way), 1) << lastError();
        auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 60u + way, false);
        EXPECT_TRUE(showsInBlocks(*frame, 2.0)) << "scaling " << way;
    }
}

// A window opens at the frame's size times the output's scale: a fixed
// one, which sway floats at its own size, shows that.
TEST_F(WaylandOutputScale, AtScaleTwoAWindowOpensAtTwiceTheFrame)
{
    ASSERT_TRUE(start(Kind::SWAY, {1280, 800, 2}));
    ASSERT_EQ(console->setResizable(0), 1);
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    EXPECT_EQ(console->clientWidth(), 640);
    EXPECT_EQ(console->clientHeight(), 400);
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(compositor.windowPlace("", x, y, width, height));
    EXPECT_EQ(width, 320) << "layout units";
    EXPECT_EQ(height, 200);
}

// sway's output goes to scale 2 and back while the window is open: the
// window's buffers follow, with a Resize each time, and the library draws
// the frame at the output's pixels. On a 960x600 output the tiled window is
// 960x600 pixels at either scale, so every frame pixel is a 3x3 block; a
// window left at buffer scale 1 would have half as many pixels, which sway
// doubles into blocks of 2 and 4 (at 2x2 blocks the two would look alike).
TEST_F(WaylandOutputScale, AWholeScaleThatChangesWhileTheWindowIsOpenIsFollowed)
{
    ASSERT_TRUE(start(Kind::SWAY, {960, 600, 1}));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 960; }));
    ASSERT_EQ(console->setPointerVisible(0), 1);
    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 70, false);
    ASSERT_TRUE(showsInBlocks(*frame, 3.0));
    events->until(300);
    for (const int factor : {2, 1}) {
        SCOPED_TRACE("scale " + std::to_string(factor));
        ASSERT_TRUE(compositor.scaleOutput(factor));
        EXPECT_TRUE(events->resizedTo(960, 600)) << events->seen();
        EXPECT_TRUE(test::eventually([&] { return console->scale() == factor; }))
            << console->scale();
        EXPECT_EQ(console->clientWidth(), 960);
        EXPECT_EQ(console->clientHeight(), 600);
        EXPECT_TRUE(showsInBlocks(*frame, 3.0));
    }
}

// A whole scale above the largest the library sizes buffers by is taken as
// that largest, with the reason in the program's lastError: sway's output
// at scale 10 is 96x60 units, which the window fills at 8 pixels a unit.
TEST_F(WaylandOutputScale, AWholeScaleAboveTheLargestIsTakenAsTheLargestWithTheReason)
{
    ASSERT_TRUE(start(Kind::SWAY, {960, 600, 1}));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 960; }));
    ASSERT_TRUE(compositor.scaleOutput(10));
    EXPECT_TRUE(events->resizedTo(96 * 8, 60 * 8)) << events->seen();
    EXPECT_EQ(console->scale(), 8.0);
    EXPECT_NE(std::string(lastError()).find("scale of 10"), std::string::npos) << lastError();
}

// kwin tells the window a scale of 1.5 (180/120) for its output: the
// window's buffers carry 1.5 pixels a unit, a viewport gives the window its
// size in units, and kwin shows the buffer pixel for pixel, so that each
// frame pixel is a block of one or two screen pixels a side, of its one
// colour, as the library's scaler placed it.
TEST_F(WaylandOutputScale, AtAFractionalScaleTheFrameIsShownAtPhysicalPixels)
{
    ASSERT_TRUE(start(Kind::KWIN, {640, 400, 1.5}));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    ASSERT_TRUE(test::eventually([&] { return console->scale() == 1.5; })) << console->scale();
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 480; }))
        << console->clientWidth() << "x" << console->clientHeight();
    EXPECT_EQ(console->clientHeight(), 300);
    // Sharp fills the 480x300 window; in whole multiples the frame fits
    // once, between bars.
    const ScalingCase ways[] = {{SCALING_SHARP, {0, 0, 480, 300}},
                                {SCALING_INTEGER, {80, 50, 400, 250}}};
    for (const ScalingCase& way : ways) {
        SCOPED_TRACE(way.name());
        ASSERT_EQ(console->setScaling(way.scaling), 1) << lastError();
        auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 80u + way.scaling, true);
        EXPECT_TRUE(showsWholeWindow(*frame, 480, 300, way.area));
    }
}

// kwin's output goes from 1.5 to 1.875 and then 1.25 while the window is
// open (through KScreen, as a user's display settings would): kwin keeps
// the window at 320x200 units and tells it each new preferred scale, so its
// buffers follow to 600x375 and 400x250 pixels with a Resize each, and kwin
// shows them pixel for pixel: the exact window, each frame pixel a block of
// one or two pixels a side as the library's scaler placed it at the new
// size. The scales leave kwin's 960x600 pixels whole units (512x320,
// 768x480): kwin makes its screenshot at the output's size in whole units
// times the scale, so at 1.75 (548.57 units) it is 961 pixels wide and
// resampled.
TEST_F(WaylandOutputScale, AFractionalScaleThatChangesWhileTheWindowIsOpenIsFollowed)
{
    ASSERT_TRUE(start(Kind::KWIN, {640, 400, 1.5}));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 480; }))
        << console->clientWidth() << "x" << console->clientHeight();
    events->until(300);
    struct Step {
        double scale;
        int width;
        int height;
    };
    for (const Step step : {Step{1.875, 600, 375}, Step{1.25, 400, 250}}) {
        SCOPED_TRACE("scale " + std::to_string(step.scale));
        ASSERT_TRUE(compositor.scaleOutput(step.scale));
        EXPECT_TRUE(events->resizedTo(step.width, step.height)) << events->seen();
        EXPECT_EQ(console->scale(), step.scale);
        EXPECT_EQ(console->clientHeight(), step.height);
        auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 90u + step.width, true);
        EXPECT_TRUE(showsWholeWindow(*frame, step.width, step.height,
                                     Rect{0, 0, step.width, step.height}));
    }
}

}  // namespace
}  // namespace vxr
