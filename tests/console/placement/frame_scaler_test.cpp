#include "vxr/console/placement/frame_scaler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace vxr {
namespace {

TEST(FrameScalerLetterbox, FillsAClientOfTheFramesAspect)
{
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 320, 200), (Rect{0, 0, 320, 200}));
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 960, 600), (Rect{0, 0, 960, 600}));
}

TEST(FrameScalerLetterbox, CentresBetweenBarsOnTheLongerSide)
{
    // Too wide: bars left and right; too tall: bars above and below.
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 1001, 500), (Rect{100, 0, 900, 500}));
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 640, 777), (Rect{0, 188, 640, 588}));
    // Odd leftovers put the extra pixel after the frame.
    EXPECT_EQ(FrameScaler::letterbox(4, 4, 7, 4), (Rect{1, 0, 5, 4}));
    // Sizes that do not divide evenly round the frame down.
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 333, 999), (Rect{0, 395, 333, 603}));
    // A client too thin for a line of the frame's aspect still shows one.
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 1, 50), (Rect{0, 24, 1, 25}));
    EXPECT_EQ(FrameScaler::letterbox(2, 400, 50, 1), (Rect{24, 0, 25, 1}));
}

TEST(FrameScalerLetterbox, IsEmptyForSizesThatAreNotPositive)
{
    EXPECT_EQ(FrameScaler::letterbox(0, 200, 640, 400), Rect{});
    EXPECT_EQ(FrameScaler::letterbox(320, -1, 640, 400), Rect{});
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 0, 400), Rect{});
    EXPECT_EQ(FrameScaler::letterbox(320, 200, 640, -5), Rect{});
    // The largest sizes do not overflow on the way.
    const Rect huge = FrameScaler::letterbox(INT32_MAX, 1, INT32_MAX, INT32_MAX);
    EXPECT_EQ(huge.width(), INT32_MAX);
    EXPECT_EQ(huge.height(), 1);
}

TEST(FrameScalerMapArea, ScalesAreasOntoTheTargetSoNeighboursMeet)
{
    const Rect target{100, 0, 900, 500};
    EXPECT_EQ(FrameScaler::mapArea(Rect{0, 0, 320, 200}, 320, 200, target), target);
    const Rect left = FrameScaler::mapArea(Rect{0, 0, 107, 200}, 320, 200, target);
    const Rect right = FrameScaler::mapArea(Rect{107, 0, 320, 200}, 320, 200, target);
    EXPECT_EQ(left, (Rect{100, 0, 367, 500}));
    EXPECT_EQ(right.left, left.right);
    EXPECT_EQ(right.right, 900);
    EXPECT_EQ(FrameScaler::mapArea(Rect{0, 0, 1, 1}, 0, 200, target), Rect{});
}

// The scaler's rule written the plain way: each target pixel takes the
// source pixel under its centre.
std::vector<std::uint8_t> referenceScale(const std::vector<std::uint8_t>& source, int sourceWidth,
                                         int sourceHeight, int sourcePitch, int targetWidth,
                                         int targetHeight, int bytes)
{
    std::vector<std::uint8_t> target(std::size_t(targetWidth) * targetHeight * bytes);
    for (int y = 0; y < targetHeight; ++y) {
        const int sy = static_cast<int>((y + 0.5) * sourceHeight / targetHeight);
        for (int x = 0; x < targetWidth; ++x) {
            const int sx = static_cast<int>((x + 0.5) * sourceWidth / targetWidth);
            std::memcpy(&target[(std::size_t(y) * targetWidth + x) * bytes],
                        &source[std::size_t(sy) * sourcePitch + std::size_t(sx) * bytes], bytes);
        }
    }
    return target;
}

struct ScaleCase {
    int sourceWidth, sourceHeight, targetWidth, targetHeight, bytes;
};

class FrameScalerScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(FrameScalerScale, MatchesThePlainRuleAndStaysInsideTheTarget)
{
    const ScaleCase c = GetParam();
    std::mt19937 random(c.sourceWidth * 7919 + c.targetWidth);
    // Padded lines on both sides, so that a pitch mix-up shows.
    const int sourcePitch = c.sourceWidth * c.bytes + 3;
    const int targetPitch = c.targetWidth * c.bytes + 5;
    std::vector<std::uint8_t> source(std::size_t(sourcePitch) * c.sourceHeight);
    for (auto& byte : source) byte = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> target(std::size_t(targetPitch) * c.targetHeight, 0xA5);

    FrameScaler scaler;
    ASSERT_TRUE(
        scaler.prepare(c.sourceWidth, c.sourceHeight, c.targetWidth, c.targetHeight, c.bytes));
    scaler.scale(source.data(), sourcePitch, target.data(), targetPitch);

    const auto expected = referenceScale(source, c.sourceWidth, c.sourceHeight, sourcePitch,
                                         c.targetWidth, c.targetHeight, c.bytes);
    const std::size_t rowBytes = std::size_t(c.targetWidth) * c.bytes;
    for (int y = 0; y < c.targetHeight; ++y) {
        const std::uint8_t* line = &target[std::size_t(y) * targetPitch];
        ASSERT_EQ(std::memcmp(line, &expected[y * rowBytes], rowBytes), 0) << "row " << y;
        for (int pad = 0; pad < 5; ++pad) ASSERT_EQ(line[rowBytes + pad], 0xA5) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FrameScalerScale,
    ::testing::Values(ScaleCase{320, 200, 320, 200, 2},  // scale 1
                      ScaleCase{320, 200, 640, 400, 2},  // whole scale 2
                      ScaleCase{320, 200, 960, 600, 4},  // whole scale 3
                      ScaleCase{64, 40, 256, 160, 1},    // whole scale 4, one byte
                      ScaleCase{50, 30, 150, 90, 3},     // three-byte pixels
                      ScaleCase{320, 200, 803, 501, 4},  // odd, near 2.5
                      ScaleCase{320, 200, 333, 208, 2},  // just above 1
                      ScaleCase{320, 200, 160, 100, 4},  // halved
                      ScaleCase{320, 200, 97, 61, 1},    // shrunk unevenly
                      ScaleCase{320, 200, 1600, 1080, 4},  // whole across, uneven down
                      ScaleCase{320, 200, 1920, 1000, 4},  // uneven across, whole down
                      ScaleCase{7, 5, 640, 3, 2},        // stretched one way, shrunk the other
                      ScaleCase{1, 1, 17, 9, 4}));       // a single pixel

TEST(FrameScaler, ReadsABottomUpSourceThroughANegativePitch)
{
    // Lines stored bottom first: the first line of the area is the last in memory.
    const int width = 3, height = 2;
    const std::uint8_t memory[] = {4, 5, 6, 1, 2, 3};
    FrameScaler scaler;
    ASSERT_TRUE(scaler.prepare(width, height, 6, 4, 1));
    std::uint8_t target[24] = {};
    scaler.scale(memory + width, -width, target, 6);
    const std::uint8_t expected[24] = {1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3,
                                       4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6};
    EXPECT_EQ(std::memcmp(target, expected, sizeof target), 0);
}

TEST(FrameScaler, RefusesSizesAndPixelsItCannotScale)
{
    FrameScaler scaler;
    EXPECT_FALSE(scaler.prepare(0, 200, 320, 200, 2));
    EXPECT_FALSE(scaler.prepare(320, 200, 320, -1, 2));
    EXPECT_FALSE(scaler.prepare(320, 200, 320, 200, 0));
    EXPECT_FALSE(scaler.prepare(320, 200, 320, 200, 5));
    EXPECT_FALSE(scaler.prepare(320, 200, INT32_MAX, 200, 4));
    EXPECT_FALSE(scaler.isPrepared());
    // An unprepared scaler leaves the target alone.
    std::uint8_t target[4] = {9, 9, 9, 9};
    const std::uint8_t source[4] = {};
    scaler.scale(source, 4, target, 4);
    EXPECT_EQ(target[0], 9);

    // A failed prepare forgets the maps of the last good one.
    ASSERT_TRUE(scaler.prepare(2, 2, 4, 4, 1));
    EXPECT_TRUE(scaler.isPreparedFor(2, 2, 4, 4, 1));
    EXPECT_FALSE(scaler.prepare(2, 2, 4, 4, 9));
    EXPECT_FALSE(scaler.isPrepared());
}

}  // namespace
}  // namespace vxr
