#include "vxr/console/placement/frame_placement.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "vxr/console/console_mode.h"
#include "vxr/console/placement/frame_scaler.h"

namespace vxr {
namespace {

constexpr std::int32_t EVERY_SCALING[] = {SCALING_SHARP, SCALING_COMPOSITOR, SCALING_INTEGER,
                                          SCALING_STRETCH};

Rect integerArea(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t clientWidth,
                 std::int32_t clientHeight)
{
    return FramePlacement::place(SCALING_INTEGER, frameWidth, frameHeight, clientWidth,
                                 clientHeight);
}

TEST(FramePlacement, IntegerTakesTheLargestWholeMultipleThatFitsCentred)
{
    // 5 x 320 = 1600 of 1920 across, 5 x 200 = 1000 of 1080 down.
    EXPECT_EQ(integerArea(320, 200, 1920, 1080), (Rect{160, 40, 1760, 1040}));
    EXPECT_EQ(integerArea(320, 200, 640, 400), (Rect{0, 0, 640, 400}));
    // The tighter side decides: 2 down although 6 would fit across.
    EXPECT_EQ(integerArea(320, 200, 2000, 450), (Rect{680, 25, 1320, 425}));
    EXPECT_EQ(integerArea(320, 200, 639, 2000), (Rect{159, 900, 479, 1100}));
    // Odd leftovers put the extra pixel after the frame.
    EXPECT_EQ(integerArea(7, 5, 30, 23), (Rect{1, 1, 29, 21}));
    EXPECT_EQ(integerArea(320, 200, 961, 601), (Rect{0, 0, 960, 600}));
    EXPECT_EQ(integerArea(320, 200, 330, 210), (Rect{5, 5, 325, 205}));
    EXPECT_EQ(FramePlacement::wholeMultiple(320, 200, 1920, 1080), 5);
    EXPECT_EQ(FramePlacement::wholeMultiple(320, 200, 319, 1080), 0);
}

TEST(FramePlacement, IntegerShowsAFrameLargerThanTheClientScaledDown)
{
    // Not even once across: the letterbox, aspect kept, not a cut-off frame.
    EXPECT_EQ(integerArea(320, 200, 300, 500), (Rect{0, 156, 300, 343}));
    EXPECT_EQ(integerArea(320, 200, 2000, 150), (Rect{880, 0, 1120, 150}));
    EXPECT_EQ(integerArea(320, 200, 319, 199), FrameScaler::letterbox(320, 200, 319, 199));
}

TEST(FramePlacement, SharpAndCompositorKeepTheAspectAndStretchFillsTheClient)
{
    for (const std::int32_t scaling : {SCALING_SHARP, SCALING_COMPOSITOR}) {
        EXPECT_EQ(FramePlacement::place(scaling, 320, 200, 1920, 1080),
                  (Rect{96, 0, 1824, 1080}));
        EXPECT_EQ(FramePlacement::place(scaling, 320, 200, 333, 999),
                  (Rect{0, 395, 333, 603}));
    }
    EXPECT_EQ(FramePlacement::place(SCALING_STRETCH, 320, 200, 1920, 1080),
              (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(FramePlacement::place(SCALING_STRETCH, 320, 200, 97, 1001), (Rect{0, 0, 97, 1001}));
}

TEST(FramePlacement, SizesThatAreNotPositiveAndUnknownCodesPlaceNothing)
{
    const std::int32_t sizes[][4] = {{0, 200, 640, 400},  {320, -1, 640, 400},
                                     {320, 200, 0, 400},  {320, 200, 640, -5},
                                     {INT32_MIN, 1, 1, 1}, {1, 1, 1, INT32_MIN}};
    for (const std::int32_t scaling : EVERY_SCALING)
        for (const auto& size : sizes)
            EXPECT_EQ(FramePlacement::place(scaling, size[0], size[1], size[2], size[3]), Rect{})
                << scaling << ": " << size[0] << "x" << size[1] << " in " << size[2] << "x"
                << size[3];
    EXPECT_EQ(FramePlacement::wholeMultiple(0, 200, 640, 400), 0);
    for (const std::int32_t unknown : {-1, 0, 49, 54, SCALING_STRETCH + 100}) {
        EXPECT_FALSE(FramePlacement::isKnown(unknown)) << unknown;
        EXPECT_EQ(FramePlacement::place(unknown, 320, 200, 640, 400), Rect{}) << unknown;
    }
    for (const std::int32_t scaling : EVERY_SCALING) EXPECT_TRUE(FramePlacement::isKnown(scaling));
}

TEST(FramePlacement, TheLargestSizesDoNotOverflow)
{
    EXPECT_EQ(integerArea(1, 1, INT32_MAX, INT32_MAX), (Rect{0, 0, INT32_MAX, INT32_MAX}));
    EXPECT_EQ(FramePlacement::wholeMultiple(1, 1, INT32_MAX, INT32_MAX), INT32_MAX);
    const Rect wide = integerArea(INT32_MAX, 1, INT32_MAX, INT32_MAX);
    EXPECT_EQ(wide.width(), INT32_MAX);
    EXPECT_EQ(wide.height(), 1);
    EXPECT_EQ(wide.top, (INT32_MAX - 1) / 2);
    // 2^30 fits once across INT32_MAX: a second would reach 2^31.
    const Rect once = integerArea(1 << 30, 1, INT32_MAX, INT32_MAX);
    EXPECT_EQ(once.width(), 1 << 30);
    EXPECT_EQ(once.left, (INT32_MAX - (1 << 30)) / 2);
    EXPECT_EQ(FramePlacement::place(SCALING_STRETCH, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX),
              (Rect{0, 0, INT32_MAX, INT32_MAX}));
}

// Across many sizes: every area lies in the client, the whole multiple's
// area is that multiple of the frame, and one more would not fit.
TEST(FramePlacement, EveryAreaLiesInTheClientAndIntegerIsTheLargestMultiple)
{
    for (std::int32_t frameWidth = 1; frameWidth <= 41; frameWidth += 4)
        for (std::int32_t frameHeight = 1; frameHeight <= 37; frameHeight += 6)
            for (std::int32_t clientWidth = 1; clientWidth <= 260; clientWidth += 13)
                for (std::int32_t clientHeight = 1; clientHeight <= 250; clientHeight += 17) {
                    SCOPED_TRACE(testing::Message() << frameWidth << "x" << frameHeight << " in "
                                                    << clientWidth << "x" << clientHeight);
                    for (const std::int32_t scaling : EVERY_SCALING) {
                        const Rect area = FramePlacement::place(scaling, frameWidth, frameHeight,
                                                                clientWidth, clientHeight);
                        ASSERT_GE(area.left, 0);
                        ASSERT_GE(area.top, 0);
                        ASSERT_LE(area.right, clientWidth);
                        ASSERT_LE(area.bottom, clientHeight);
                        ASSERT_GT(area.width(), 0);
                        ASSERT_GT(area.height(), 0);
                        // Centred: the leftovers on either side differ by one at most.
                        ASSERT_LE((clientWidth - area.right) - area.left, 1);
                        ASSERT_GE((clientWidth - area.right) - area.left, 0);
                        ASSERT_LE((clientHeight - area.bottom) - area.top, 1);
                        ASSERT_GE((clientHeight - area.bottom) - area.top, 0);
                    }
                    const Rect area = integerArea(frameWidth, frameHeight, clientWidth,
                                                  clientHeight);
                    if (frameWidth > clientWidth || frameHeight > clientHeight) continue;
                    const std::int64_t multiple = area.width() / frameWidth;
                    ASSERT_EQ(area.width(), multiple * frameWidth);
                    ASSERT_EQ(area.height(), multiple * frameHeight);
                    ASSERT_TRUE((multiple + 1) * frameWidth > clientWidth ||
                                (multiple + 1) * frameHeight > clientHeight);
                }
}

}  // namespace
}  // namespace vxr
