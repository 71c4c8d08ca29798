#include "demo/block_fill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tunnel_fixture.h"

namespace demo {
namespace {

using test::Dispatch;

std::vector<uint8_t> referenceFrame(const Tunnel& tunnel, const std::vector<uint8_t>& texels)
{
    test::GuardedFrame frame;
    test::referenceFill(tunnel, frame.topDown(), test::GuardedFrame::PITCH, texels.data());
    return frame.pixels();
}

// The first differing pixel, for a readable failure.
std::string firstDifference(const std::vector<uint8_t>& actual,
                            const std::vector<uint8_t>& expected)
{
    const auto where = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (where.first == actual.end()) {
        return "identical";
    }
    const size_t offset = size_t(where.first - actual.begin()) / 2;
    return "pixel (" + std::to_string(offset % Tunnel::FRAME_WIDTH) + ", " +
           std::to_string(offset / Tunnel::FRAME_WIDTH) + ")";
}

class BlockFillTest : public ::testing::Test {
protected:
    void SetUp() override { test::makeReady(tunnel); }

    std::vector<uint8_t> fill(Dispatch path, bool bottomUp = false)
    {
        const test::LimitedTo limit(path);
        test::GuardedFrame frame;
        const BlockFill blockFill(tunnel.grid, tunnel.shade.levelRows(), texels.data());
        if (bottomUp) {
            blockFill.fillFrame(frame.bottomUp(), -test::GuardedFrame::PITCH);
        } else {
            blockFill.fillFrame(frame.topDown(), test::GuardedFrame::PITCH);
        }
        EXPECT_TRUE(frame.guardsIntact()) << test::nameOf(path);
        return frame.pixels(bottomUp);
    }

    Tunnel tunnel;
    std::vector<uint8_t> texels = test::randomTexels(3);
};

// The demo's schedule: fly-in, free run into the flight, swirl-out, fade-out.
// Both the cast grid and the frame must match their plain versions exactly.
TEST_F(BlockFillTest, GridAndEveryPathMatchTheReferenceOverTheDemoSchedule)
{
    struct Frame {
        float zoom;
        int32_t fade;
    };
    std::vector<Frame> schedule;
    for (int32_t k = 128; k >= 1; --k)
        schedule.push_back({float(1.0 + 0.078125 * k), 65536 - 512 * (128 - k)});
    for (int32_t n = 0; n < 340; ++n) schedule.push_back({1.0f, 0});
    for (int32_t k = 200; k >= 51; k -= 3)
        schedule.push_back({float((0.005 * k) * (0.005 * k)), 0});
    for (int32_t n = 0; n < 64; n += 4) schedule.push_back({0.0625f, 1024 * n});

    float t = 0.0f;
    int32_t frames = 0;
    for (const Frame& frame : schedule) {
        tunnel.animate(0.01f, t);
        tunnel.castGrid(t, frame.zoom, frame.fade);
        const std::vector<GridSample> grid = test::referenceGrid(tunnel, t, frame.zoom, frame.fade);
        for (size_t i = 0; i < grid.size(); ++i) {
            ASSERT_TRUE(tunnel.grid[i].depth == grid[i].depth &&
                        tunnel.grid[i].angle == grid[i].angle &&
                        tunnel.grid[i].light == grid[i].light)
                << "frame " << frames << " sample " << i;
        }
        const std::vector<uint8_t> expected = referenceFrame(tunnel, texels);
        for (Dispatch path : test::availableDispatches()) {
            const std::vector<uint8_t> actual = fill(path);
            ASSERT_TRUE(actual == expected) << "frame " << frames << " " << test::nameOf(path)
                                            << ": " << firstDifference(actual, expected);
        }
        t = float(double(t) + 0.01);
        ++frames;
    }
    EXPECT_GT(t, 4.5f) << "the flight must be part of the schedule";
}

TEST_F(BlockFillTest, TunnelFillsWithTheFastestPathAndNeedsItsShadeTable)
{
    tunnel.castGrid(0.3f, 2.0f, 0);
    test::GuardedFrame frame;
    ASSERT_EQ(tunnel.fillFrame(frame.topDown(), test::GuardedFrame::PITCH, texels.data()), 1);
    EXPECT_TRUE(frame.guardsIntact());
    EXPECT_TRUE(frame.pixels() == referenceFrame(tunnel, texels));

    Tunnel bare;
    test::GuardedFrame untouched;
    EXPECT_EQ(bare.fillFrame(untouched.topDown(), test::GuardedFrame::PITCH, texels.data()), 0);
    EXPECT_EQ(bare.fillBlock(0, 0, test::GuardedFrame::PITCH, untouched.topDown(), texels.data()),
              0);
    EXPECT_TRUE(untouched.guardsIntact());
    EXPECT_EQ(untouched.row(0)[0], test::GuardedFrame::GUARD);
}

TEST_F(BlockFillTest, NegativePitchWritesTheFrameUpsideDown)
{
    tunnel.animate(0.01f, 6.0f);
    tunnel.castGrid(6.0f, 1.0f, 0);
    for (Dispatch path : test::availableDispatches()) {
        EXPECT_TRUE(fill(path, true) == fill(path)) << test::nameOf(path);
    }
}

TEST_F(BlockFillTest, FullFadeIsBlack)
{
    tunnel.castGrid(1.0f, 1.0f, 0xF400);
    for (Dispatch path : test::availableDispatches()) {
        const std::vector<uint8_t> pixels = fill(path);
        EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint8_t byte) {
            return byte == 0;
        })) << test::nameOf(path);
    }
}

// Shifting every texture coordinate by the same multiple of 65,536 shows the
// same texels, also when the 16.16 values then overflow 32 bits.
TEST_F(BlockFillTest, TextureCoordinatesRepeatEvery65536)
{
    tunnel.castGrid(0.5f, 1.0f, 0);
    const std::vector<uint8_t> expected = fill({vxr::InstructionSet::BASELINE, false});
    const GridSample* cast = tunnel.grid;
    const std::vector<GridSample> original(cast, cast + Tunnel::GRID_COLUMNS * Tunnel::GRID_ROWS);
    for (uint32_t periods : {1u, 127u, 128u, 32767u, 40000u, 65535u}) {
        for (size_t i = 0; i < original.size(); ++i) {
            tunnel.grid[i].depth = int32_t(uint32_t(original[i].depth) + periods * 65536u);
            tunnel.grid[i].angle = int32_t(uint32_t(original[i].angle) - periods * 65536u);
        }
        EXPECT_TRUE(referenceFrame(tunnel, texels) == expected) << periods;
        for (Dispatch path : test::availableDispatches()) {
            const std::vector<uint8_t> actual = fill(path);
            EXPECT_TRUE(actual == expected) << periods << " " << test::nameOf(path) << ": "
                                            << firstDifference(actual, expected);
        }
    }
}

// Depth picks the texture column and moves along a block row, angle picks
// the texture row and moves down the block, light picks the shade level.
TEST_F(BlockFillTest, OneBlockWalksTheTextureByDepthAndAngle)
{
    for (uint32_t i = 0; i < 256 * 256; ++i) {
        texels[i] = uint8_t((i & 0xFF) * 7 + (i >> 8) * 13);
    }
    std::vector<uint32_t> greys(256);
    for (uint32_t i = 0; i < 256; ++i) greys[i] = i * 0x010101u;
    ASSERT_EQ(tunnel.buildShade(greys.data()), 1);
    const auto set = [&](int column, int row, int32_t depth, int32_t angle) {
        tunnel.grid[column * Tunnel::GRID_ROWS + row] = {depth, angle, 0x8000};
    };
    // One texel per pixel, starting at texture column 3, row 5.
    set(2, 1, 3 * 256, 5 * 256);
    set(3, 1, 11 * 256, 5 * 256);
    set(2, 2, 3 * 256, 13 * 256);
    set(3, 2, 11 * 256, 13 * 256);

    test::GuardedFrame frame;
    uint8_t* block = frame.topDown() + 8 * test::GuardedFrame::PITCH + 2 * 16;
    ASSERT_EQ(tunnel.fillBlock(2, 1, test::GuardedFrame::PITCH, block, texels.data()), 1);
    EXPECT_TRUE(frame.guardsIntact());
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const uint8_t texel = texels[(5 + y) * 256 + 3 + x];
            const uint8_t* pixel = frame.row(8 + y) + 2 * (16 + x);
            EXPECT_EQ(uint16_t(pixel[0] | pixel[1] << 8), tunnel.shade.entry(texel, 128))
                << x << "," << y;
        }
        // Only the block's own 16 bytes of the row are written.
        EXPECT_EQ(frame.row(8 + y)[2 * 16 - 1], test::GuardedFrame::GUARD);
        EXPECT_EQ(frame.row(8 + y)[2 * 24], test::GuardedFrame::GUARD);
    }
    EXPECT_EQ(frame.row(7)[2 * 16], test::GuardedFrame::GUARD);
    EXPECT_EQ(frame.row(16)[2 * 16], test::GuardedFrame::GUARD);
}

}  // namespace
}  // namespace demo
