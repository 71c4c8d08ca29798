#include "vxr/console/placement/letterbox_bars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "vxr/console/placement/frame_scaler.h"

namespace vxr {
namespace {

// How many times each client pixel is covered by the frame (cut to the
// client) and the bars: exactly once everywhere is a tiling.
std::vector<int> coverage(const Rect& frame, const LetterboxBars::Bands& bands,
                          std::int32_t width, std::int32_t height)
{
    std::vector<int> counts(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0));
    auto cover = [&](const Rect& area) {
        for (std::int32_t y = std::max(area.top, 0); y < std::min(area.bottom, height); ++y)
            for (std::int32_t x = std::max(area.left, 0); x < std::min(area.right, width); ++x)
                ++counts[static_cast<std::size_t>(y) * width + x];
    };
    cover(frame);
    for (const Rect& band : bands) cover(band);
    return counts;
}

void expectTiles(const Rect& frame, std::int32_t width, std::int32_t height)
{
    SCOPED_TRACE(::testing::Message() << "frame " << frame.left << "," << frame.top << "-"
                                      << frame.right << "," << frame.bottom << " in " << width
                                      << "x" << height);
    const LetterboxBars::Bands bands = LetterboxBars::around(frame, width, height);
    ASSERT_LE(bands.count, 4);
    for (const Rect& band : bands) {
        EXPECT_GT(band.width(), 0);
        EXPECT_GT(band.height(), 0);
        EXPECT_GE(band.left, 0);
        EXPECT_GE(band.top, 0);
        EXPECT_LE(band.right, width);
        EXPECT_LE(band.bottom, height);
    }
    const std::vector<int> counts = coverage(frame, bands, width, height);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 1), std::int64_t{width} * height);
}

TEST(LetterboxBarsTest, BarsAndALetterboxedFrameTileEveryClient)
{
    const std::int32_t frames[][2] = {{320, 200}, {7, 5}, {1, 1}, {3, 11}};
    const std::int32_t clients[][2] = {{640, 480}, {641, 479}, {333, 201}, {9, 2}, {1, 1}};
    for (const auto& frame : frames)
        for (const auto& client : clients)
            expectTiles(FrameScaler::letterbox(frame[0], frame[1], client[0], client[1]),
                        client[0], client[1]);
}

TEST(LetterboxBarsTest, BarsFillWhatAFramePastTheClientLeaves)
{
    expectTiles(Rect{-5, -3, 50, 40}, 31, 17);  // larger than the client
    expectTiles(Rect{10, -4, 60, 9}, 31, 17);   // past the top and the right
    expectTiles(Rect{3, 2, 5, 40}, 31, 17);     // taller than the client
    expectTiles(Rect{40, 20, 60, 30}, 31, 17);  // wholly outside
    expectTiles(Rect{9, 9, 4, 4}, 31, 17);      // turned inside out
    expectTiles(Rect{6, 6, 6, 6}, 31, 17);      // empty
}

TEST(LetterboxBarsTest, AFrameFillingTheClientOrNoClientLeavesNoBars)
{
    EXPECT_EQ(LetterboxBars::around(Rect{0, 0, 31, 17}, 31, 17).count, 0);
    EXPECT_EQ(LetterboxBars::around(Rect{-1, -1, 32, 18}, 31, 17).count, 0);
    EXPECT_EQ(LetterboxBars::around(Rect{0, 0, 10, 10}, 0, 17).count, 0);
    EXPECT_EQ(LetterboxBars::around(Rect{0, 0, 10, 10}, 31, 0).count, 0);
    EXPECT_EQ(LetterboxBars::around(Rect{0, 0, 10, 10}, -4, -4).count, 0);
}

TEST(LetterboxBarsTest, AnEmptyFrameLeavesTheWholeClientAsOneBar)
{
    const LetterboxBars::Bands bands = LetterboxBars::around(Rect{0, 0, 0, 0}, 31, 17);
    ASSERT_EQ(bands.count, 1);
    EXPECT_EQ(bands.rects[0], (Rect{0, 0, 31, 17}));
}

TEST(LetterboxBarsTest, BarsAreDrawnAgainOnlyForAnotherFrameOrClientSize)
{
    LetterboxBars bars;
    const Rect frame{10, 0, 30, 20};
    EXPECT_FALSE(bars.areDrawnFor(frame, 40, 20));
    EXPECT_EQ(bars.redraw(frame, 40, 20).count, 2);
    EXPECT_TRUE(bars.areDrawnFor(frame, 40, 20));
    EXPECT_FALSE(bars.areDrawnFor(frame, 41, 20));
    EXPECT_FALSE(bars.areDrawnFor(frame, 40, 21));
    EXPECT_FALSE(bars.areDrawnFor(Rect{11, 0, 31, 20}, 40, 20));
    bars.forget();
    EXPECT_FALSE(bars.areDrawnFor(frame, 40, 20));
}

TEST(LetterboxBarsTest, BarsAfterAResizeReachOverTheOldClientAsWellAsTheNew)
{
    LetterboxBars bars;
    bars.redraw(Rect{0, 0, 64, 48}, 64, 48);
    // Narrower and taller: the bars cover the old width's right strip and
    // the new height's bottom strip, so the union of both clients is tiled.
    const Rect frame{0, 10, 40, 40};
    const LetterboxBars::Bands bands = bars.redrawOverOldSize(frame, 40, 60);
    const std::vector<int> counts = coverage(frame, bands, 64, 60);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 1), 64 * 60);
    EXPECT_TRUE(bars.areDrawnFor(frame, 40, 60));
    // The next bars reach over 40 by 60 only.
    for (const Rect& band : bars.redrawOverOldSize(frame, 40, 60)) {
        EXPECT_LE(band.right, 40);
        EXPECT_LE(band.bottom, 60);
    }
}

TEST(LetterboxBarsTest, TheFirstBarsAfterForgettingReachOverTheNewClientOnly)
{
    LetterboxBars bars;
    bars.redraw(Rect{0, 0, 100, 100}, 100, 100);
    bars.forget();
    const Rect frame{5, 0, 25, 20};
    expectTiles(frame, 30, 20);
    for (const Rect& band : bars.redrawOverOldSize(frame, 30, 20)) {
        EXPECT_LE(band.right, 30);
        EXPECT_LE(band.bottom, 20);
    }
}

}  // namespace
}  // namespace vxr
