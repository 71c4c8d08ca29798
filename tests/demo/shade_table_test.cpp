#include "demo/shade_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "tunnel_fixture.h"

namespace demo {
namespace {

uint16_t packed(uint32_t red, uint32_t green, uint32_t blue)
{
    return uint16_t((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

TEST(ShadeTable, WhiteAtHalfLightIsHalfGreyAndLevelZeroIsBlack)
{
    std::vector<uint32_t> colours(256, 0x00FFFFFF);
    ShadeTable table;
    ASSERT_EQ(table.build(colours.data()), 1);
    EXPECT_EQ(table.entry(0, 128), 0x7BEF);
    EXPECT_EQ(table.entry(255, 0), 0);
    EXPECT_EQ(table.entry(255, 255), packed(254, 254, 254));
}

TEST(ShadeTable, EveryEntryIsTheColourScaledByItsLevel)
{
    const std::vector<uint32_t> colours = test::randomPalette(11);
    ShadeTable table;
    ASSERT_EQ(table.build(colours.data()), 1);
    for (uint32_t colour = 0; colour < 256; ++colour) {
        const uint32_t red = (colours[colour] >> 16) & 0xFF;
        const uint32_t green = (colours[colour] >> 8) & 0xFF;
        const uint32_t blue = colours[colour] & 0xFF;
        for (uint32_t level = 0; level < 256; ++level) {
            ASSERT_EQ(table.entry(colour, level),
                      packed(level * red / 256, level * green / 256, level * blue / 256))
                << colour << " at " << level;
        }
    }
    // Both orders hold the same entries.
    for (int32_t i = 0; i < ShadeTable::ENTRIES; ++i) {
        ASSERT_EQ(table.entries()[i], table.levelRows()[(i % 256) * 256 + i / 256]) << i;
    }
    EXPECT_EQ(table.build(nullptr), 0);
}

}  // namespace
}  // namespace demo
