#include "vxr/console/placement/frame_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "vxr/console/console_mode.h"
#include "vxr/console/placement/frame_placement.h"
#include "vxr/console/placement/frame_scaler.h"

namespace vxr {
namespace {

// What the scaler shows in each window pixel is what the mapping reports
// there: a frame whose pixels carry their own coordinates is scaled, and
// every window pixel's value is compared with the mapped position.
void expectMappingMatchesScaler(std::int32_t frameWidth, std::int32_t frameHeight,
                                std::int32_t windowWidth, std::int32_t windowHeight,
                                std::int32_t scaling = SCALING_SHARP)
{
    SCOPED_TRACE(testing::Message() << "scaling " << scaling << ", " << frameWidth << "x"
                                    << frameHeight << " in " << windowWidth << "x" << windowHeight);
    const Rect area =
        FramePlacement::place(scaling, frameWidth, frameHeight, windowWidth, windowHeight);
    const std::int32_t areaWidth = area.right - area.left;
    const std::int32_t areaHeight = area.bottom - area.top;
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(frameWidth) * frameHeight);
    for (std::int32_t y = 0; y < frameHeight; ++y)
        for (std::int32_t x = 0; x < frameWidth; ++x)
            frame[static_cast<std::size_t>(y) * frameWidth + x] = std::uint32_t(y) << 16 | x;
    std::vector<std::uint32_t> shown(static_cast<std::size_t>(areaWidth) * areaHeight);
    FrameScaler scaler;
    ASSERT_TRUE(scaler.prepare(frameWidth, frameHeight, areaWidth, areaHeight, 4));
    scaler.scale(reinterpret_cast<const std::uint8_t*>(frame.data()), frameWidth * 4,
                 reinterpret_cast<std::uint8_t*>(shown.data()), areaWidth * 4);

    const FrameMapping mapping(frameWidth, frameHeight, area);
    for (std::int32_t y = 0; y < windowHeight; ++y)
        for (std::int32_t x = 0; x < windowWidth; ++x) {
            const PointerPosition position = mapping.map(x, y);
            const bool inArea = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            ASSERT_EQ(position.inside, inArea) << x << "," << y;
            EXPECT_EQ(position.windowX, x);
            if (!inArea) continue;
            const std::uint32_t value =
                shown[static_cast<std::size_t>(y - area.top) * areaWidth + (x - area.left)];
            ASSERT_EQ(position.x, static_cast<std::int32_t>(value & 0xFFFF)) << x << "," << y;
            ASSERT_EQ(position.y, static_cast<std::int32_t>(value >> 16)) << x << "," << y;
        }
}

TEST(FrameMapping, ReportsThePixelTheScalerShowsUnderThePointer)
{
    expectMappingMatchesScaler(320, 200, 640, 400);  // a whole scale
    expectMappingMatchesScaler(320, 200, 997, 533);  // odd, bars beside
    expectMappingMatchesScaler(320, 240, 401, 777);  // bars above and below
    expectMappingMatchesScaler(320, 200, 203, 131);  // smaller than the frame
}

TEST(FrameMapping, ReportsThePixelTheScalerShowsInWholeMultiplesAndStretched)
{
    expectMappingMatchesScaler(320, 200, 1013, 677, SCALING_INTEGER);  // 3, bars all round
    expectMappingMatchesScaler(320, 200, 203, 131, SCALING_INTEGER);   // scaled down instead
    expectMappingMatchesScaler(320, 200, 1001, 333, SCALING_STRETCH);  // wider than the aspect
    expectMappingMatchesScaler(320, 200, 301, 777, SCALING_STRETCH);   // shrunk across only
}

// The corner pixels of the shown area are the frame's corner pixels in
// every placement, and the pixel just outside each edge is outside.
TEST(FrameMapping, TheShownAreasCornersAreTheFramesCorners)
{
    const std::int32_t clients[][2] = {{1920, 1080}, {997, 533}, {641, 401}, {170, 320}};
    for (const std::int32_t scaling :
         {SCALING_SHARP, SCALING_COMPOSITOR, SCALING_INTEGER, SCALING_STRETCH})
        for (const auto& client : clients) {
            SCOPED_TRACE(testing::Message() << "scaling " << scaling << " in " << client[0]
                                            << "x" << client[1]);
            const Rect area = FramePlacement::place(scaling, 320, 200, client[0], client[1]);
            const FrameMapping mapping(320, 200, area);
            const std::int32_t corners[][4] = {{area.left, area.top, 0, 0},
                                               {area.right - 1, area.top, 319, 0},
                                               {area.left, area.bottom - 1, 0, 199},
                                               {area.right - 1, area.bottom - 1, 319, 199}};
            for (const auto& corner : corners) {
                const PointerPosition at = mapping.map(corner[0], corner[1]);
                EXPECT_TRUE(at.inside) << corner[0] << "," << corner[1];
                EXPECT_EQ(at.x, corner[2]) << corner[0] << "," << corner[1];
                EXPECT_EQ(at.y, corner[3]) << corner[0] << "," << corner[1];
            }
            const PointerPosition before = mapping.map(area.left - 1, area.top - 1);
            const PointerPosition after = mapping.map(area.right, area.bottom);
            EXPECT_FALSE(before.inside);
            EXPECT_FALSE(after.inside);
            EXPECT_LT(before.x, 0);
            EXPECT_GE(after.y, 200);
        }
}

TEST(FrameMapping, OutsideTheFrameTheGridCarriesOnAndIsNeverInside)
{
    const FrameMapping mapping(320, 200, Rect{80, 0, 720, 400});  // scale 2, bars beside
    PointerPosition left = mapping.map(79, 10);
    EXPECT_FALSE(left.inside);
    EXPECT_EQ(left.x, -1);
    EXPECT_EQ(left.y, 5);
    PointerPosition right = mapping.map(720, 399);
    EXPECT_FALSE(right.inside);
    EXPECT_EQ(right.x, 320);
    EXPECT_EQ(right.y, 199);
    // Far-off values from a platform stay in range rather than overflow.
    PointerPosition far = mapping.map(INT32_MIN, INT32_MAX);
    EXPECT_FALSE(far.inside);
    EXPECT_LT(far.x, 0);
    EXPECT_GT(far.y, 200);
    const FrameMapping tiny(2000000000, 2000000000, Rect{0, 0, 1, 1});
    EXPECT_EQ(tiny.map(INT32_MAX, 0).x, INT32_MAX);
    EXPECT_EQ(tiny.map(INT32_MIN, 0).x, INT32_MIN);
}

TEST(FrameMapping, WithoutAFrameWindowPixelsPassThrough)
{
    const FrameMapping none;
    const PointerPosition position = none.map(12, 34);
    EXPECT_EQ(position.x, 12);
    EXPECT_EQ(position.y, 34);
    EXPECT_FALSE(position.inside);
}

}  // namespace
}  // namespace vxr
