#include "vxr/format/pixel_format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vxr {
namespace {

struct Layout {
    std::int32_t id, model, colour, bits, bytes;
    std::int32_t shiftsAndSizes[8];
};

// Written out independently from the table in the library.
const Layout expectedLayouts[] = {
    {ARGB8888, DIRECT, RGB, 32, 4, {16, 8, 8, 8, 0, 8, 24, 8}},
    {ABGR8888, DIRECT, RGB, 32, 4, {0, 8, 8, 8, 16, 8, 24, 8}},
    {BGRA8888, DIRECT, RGB, 32, 4, {8, 8, 16, 8, 24, 8, 0, 8}},
    {RGBA8888, DIRECT, RGB, 32, 4, {24, 8, 16, 8, 8, 8, 0, 8}},
    {RGB888, DIRECT, RGB, 24, 3, {16, 8, 8, 8, 0, 8, 0, 0}},
    {BGR888, DIRECT, RGB, 24, 3, {0, 8, 8, 8, 16, 8, 0, 0}},
    {RGB565, DIRECT, RGB, 16, 2, {11, 5, 5, 6, 0, 5, 0, 0}},
    {BGR565, DIRECT, RGB, 16, 2, {0, 5, 5, 6, 11, 5, 0, 0}},
    {ARGB1555, DIRECT, RGB, 16, 2, {10, 5, 5, 5, 0, 5, 15, 1}},
    {ABGR1555, DIRECT, RGB, 16, 2, {0, 5, 5, 5, 10, 5, 15, 1}},
    {INDEX8, INDEXED, 0, 8, 1, {}},
    {SPECIAL18A, SPECIAL, RGB, 18, 0, {}},
    {SPECIAL18C, SPECIAL, RGB, 18, 0, {}},
    {SPECIAL14B, SPECIAL, RGB, 14, 0, {}},
    {SPECIAL12C, SPECIAL, RGB, 12, 0, {}},
    {GREY8, INDEXED, GREY, 8, 1, {}},
    {RGB332, DIRECT, RGB, 8, 1, {5, 3, 2, 3, 0, 2, 0, 0}},
};

TEST(PixelFormat, TableFormatsCarryTheirLayoutAndDerivedMasks)
{
    for (const Layout& e : expectedLayouts) {
        SCOPED_TRACE(e.id);
        const PixelFormat f(e.id);
        EXPECT_EQ(f.id, e.id);
        EXPECT_EQ(f.model, e.model);
        EXPECT_EQ(f.colour, e.colour);
        EXPECT_EQ(f.bits, e.bits);
        EXPECT_EQ(f.bytes, e.bytes);
        const Channel* channels[] = {&f.red, &f.green, &f.blue, &f.alpha};
        for (int c = 0; c < 4; ++c) {
            const int shift = e.shiftsAndSizes[2 * c], size = e.shiftsAndSizes[2 * c + 1];
            EXPECT_EQ(channels[c]->shift, shift);
            EXPECT_EQ(channels[c]->size, size);
            EXPECT_EQ(channels[c]->mask, size ? ((1u << size) - 1) << shift : 0u);
            EXPECT_EQ(channels[c]->adjust, size ? shift + size - 8 : 0);
        }
        EXPECT_TRUE(f.isValid());
    }
}

TEST(PixelFormat, UnknownIdsLeaveTheFormatUntouched)
{
    for (std::int32_t id : {999, 1022, 1025, 0, -1}) {
        const PixelFormat f(id);
        EXPECT_EQ(f, PixelFormat());
        EXPECT_EQ(f.model, 0);
        EXPECT_FALSE(f.isValid());
    }
    PixelFormat rgb(RGB565);
    EXPECT_FALSE(rgb.setId(1025));
    EXPECT_EQ(rgb.id, RGB565);
    EXPECT_EQ(rgb.red.shift, 11);
}

TEST(PixelFormat, MasksMatchBackToTableEntries)
{
    EXPECT_EQ(PixelFormat(0xF800, 0x07E0, 0x001F, 0, RGB, -1).id, RGB565);
    EXPECT_EQ(PixelFormat(0x7C00, 0x03E0, 0x001F, 0x8000, RGB, -1).id, ARGB1555);
    EXPECT_EQ(PixelFormat(0xFF0000, 0xFF00, 0xFF, 0, RGB, -1).id, RGB888);
    EXPECT_EQ(PixelFormat(0xFF0000, 0xFF00, 0xFF, 0xFF000000, RGB, -1).id, ARGB8888);
    EXPECT_EQ(PixelFormat(0xE0, 0x1C, 0x03, 0, RGB, -1).id, RGB332);
    // The same layout under another colour code is not a table format.
    EXPECT_EQ(PixelFormat(0xF800, 0x07E0, 0x001F, 0, GREY, -1).id, CUSTOM);
}

TEST(PixelFormat, CustomLayoutsDeriveBitsAndBytesAndAreNeverValid)
{
    const PixelFormat rgb555(0x7C00, 0x03E0, 0x001F, 0, RGB, -1);
    EXPECT_EQ(rgb555.id, CUSTOM);
    EXPECT_EQ(rgb555.model, DIRECT);
    EXPECT_EQ(rgb555.bits, 15);
    EXPECT_EQ(rgb555.bytes, 2);
    EXPECT_FALSE(rgb555.isValid());

    PixelFormat twelve;
    twelve.setLayout(8, 4, 4, 4, 0, 4, 0, 0, RGB, -1);
    EXPECT_EQ(twelve.bits, 12);
    EXPECT_EQ(twelve.bytes, 2);

    PixelFormat explicitBits;
    explicitBits.setLayout(8, 4, 4, 4, 0, 4, 0, 0, RGB, 16);
    EXPECT_EQ(explicitBits.bits, 16);
}

TEST(PixelFormat, AnalyseMaskTakesTheLowestRunOnly)
{
    const Channel gap = PixelFormat::analyseMask(0xF0F0);
    EXPECT_EQ(gap.shift, 4);
    EXPECT_EQ(gap.size, 4);
    EXPECT_EQ(gap.mask, 0xF0F0u);
    EXPECT_EQ(gap.adjust, 0);

    const Channel none = PixelFormat::analyseMask(0);
    EXPECT_EQ(none.shift, 0);
    EXPECT_EQ(none.size, 0);

    const Channel top = PixelFormat::analyseMask(0xFF000000);
    EXPECT_EQ(top.shift, 24);
    EXPECT_EQ(top.size, 8);
    const Channel all = PixelFormat::analyseMask(0xFFFFFFFF);
    EXPECT_EQ(all.shift, 0);
    EXPECT_EQ(all.size, 32);
}

TEST(PixelFormat, ChannelsOutsideEightBitsOrTheWordTakeNoPart)
{
    PixelFormat wide;
    wide.setLayout(20, 10, 10, 10, 0, 10, 0, 0, RGB, -1);
    EXPECT_EQ(wide.red.mask, 0u);
    EXPECT_EQ(wide.red.adjust, 0);
    EXPECT_EQ(wide.bytes, 4);

    // Positions past bit 31 would need a shift wider than the word.
    PixelFormat beyond;
    beyond.setLayout(30, 8, 40, 4, -3, 5, 0, 0, RGB, 32);
    EXPECT_EQ(beyond.red.mask, 0u);
    EXPECT_EQ(beyond.green.mask, 0u);
    EXPECT_EQ(beyond.blue.mask, 0u);
    std::uint8_t pixel[4] = {1, 2, 3, 4};
    ASSERT_TRUE(beyond.pack(255, 255, 255, 255, pixel, RGB));
    EXPECT_EQ(pixel[0] | pixel[1] | pixel[2] | pixel[3], 0);
}

TEST(PixelFormat, PackTruncatesToTheTopBits)
{
    std::uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_TRUE(PixelFormat(RGB565).pack(255, 255, 255, 0, out, RGB));
    EXPECT_EQ(out[0] | out[1] << 8, 0xFFFF);
    ASSERT_TRUE(PixelFormat(RGB565).pack(200, 100, 50, 0, out, RGB));
    EXPECT_EQ(out[0] | out[1] << 8, 0xCB26);
    EXPECT_EQ(out[2], 0xAA);

    ASSERT_TRUE(PixelFormat(RGB332).pack(255, 0, 255, 0, out, RGB));
    EXPECT_EQ(out[0], 0xE3);
    EXPECT_EQ(out[1], 0xCB);

    // Only the low 8 bits of each argument count.
    ASSERT_TRUE(PixelFormat(ARGB8888).pack(0x1FF, -1, 0x100, 0x280, out, RGB));
    EXPECT_EQ(out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t{out[3]} << 24, 0x80FFFF00u);
}

TEST(PixelFormat, PackWritesExactlyThePixelsBytes)
{
    std::uint8_t out[5] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_TRUE(PixelFormat(RGB888).pack(0x11, 0x22, 0x33, 0x44, out, RGB));
    EXPECT_EQ(out[0], 0x33);
    EXPECT_EQ(out[1], 0x22);
    EXPECT_EQ(out[2], 0x11);
    EXPECT_EQ(out[3], 0xAA);
}

TEST(PixelFormat, PackAndUnpackRefuseAnotherColourCode)
{
    std::uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_FALSE(PixelFormat(INDEX8).pack(1, 2, 3, 4, out, RGB));
    EXPECT_FALSE(PixelFormat(GREY8).pack(1, 2, 3, 4, out, RGB));
    EXPECT_EQ(out[0], 0xAA);
    std::uint8_t r = 7, g = 7, b = 7, a = 7;
    EXPECT_FALSE(PixelFormat(INDEX8).unpack(out, &r, &g, &b, &a, RGB));
    EXPECT_FALSE(PixelFormat(RGB565).unpack(out, &r, &g, &b, &a, GREY));
    EXPECT_EQ(r + g + b + a, 28);
}

TEST(PixelFormat, UnpackReadsEightBitChannelsAsTheyAre)
{
    const std::uint8_t pixel[4] = {0x20, 0x40, 0xFF, 0x80};  // 0x80FF4020
    std::uint8_t r, g, b, a;
    ASSERT_TRUE(PixelFormat(ARGB8888).unpack(pixel, &r, &g, &b, &a, RGB));
    EXPECT_EQ(r, 0xFF);
    EXPECT_EQ(g, 0x40);
    EXPECT_EQ(b, 0x20);
    EXPECT_EQ(a, 0x80);
    ASSERT_TRUE(PixelFormat(RGB888).unpack(pixel, &r, &g, &b, &a, RGB));
    EXPECT_EQ(a, 0);
}

TEST(PixelFormat, UnpackWidensNarrowChannelsByReplicatingTheirTopBits)
{
    std::uint8_t r, g, b, a;
    const std::uint8_t white[2] = {0xFF, 0xFF};
    ASSERT_TRUE(PixelFormat(RGB565).unpack(white, &r, &g, &b, &a, RGB));
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 255);
    EXPECT_EQ(a, 0);

    const std::uint8_t black[2] = {0, 0};
    ASSERT_TRUE(PixelFormat(RGB565).unpack(black, &r, &g, &b, &a, RGB));
    EXPECT_EQ(r + g + b, 0);

    const std::uint8_t rgb332[1] = {0xA0};  // red 5 in three bits
    ASSERT_TRUE(PixelFormat(RGB332).unpack(rgb332, &r, &g, &b, &a, RGB));
    EXPECT_EQ(r, 182);

    const std::uint8_t alphaOnly[2] = {0x00, 0x80};
    ASSERT_TRUE(PixelFormat(ARGB1555).unpack(alphaOnly, &r, &g, &b, &a, RGB));
    EXPECT_EQ(a, 255);
}

TEST(PixelFormat, EveryNarrowValueSurvivesUnpackThenPack)
{
    for (std::int32_t id : {RGB565, BGR565, ARGB1555, ABGR1555, RGB332}) {
        const PixelFormat f(id);
        const std::uint32_t limit = 1u << f.bits;
        for (std::uint32_t value = 0; value < limit; ++value) {
            const std::uint8_t in[2] = {static_cast<std::uint8_t>(value),
                                        static_cast<std::uint8_t>(value >> 8)};
            std::uint8_t r, g, b, a, out[2] = {};
            ASSERT_TRUE(f.unpack(in, &r, &g, &b, &a, RGB));
            ASSERT_TRUE(f.pack(r, g, b, a, out, RGB));
            ASSERT_EQ(std::memcmp(in, out, f.bytes), 0) << id << " " << value;
        }
    }
}

TEST(PixelFormat, EqualityFollowsTableIdsThenFields)
{
    PixelFormat altered(RGB565);
    altered.bits = 99;
    EXPECT_EQ(altered, PixelFormat(RGB565));
    EXPECT_EQ(PixelFormat(SPECIAL14A), PixelFormat(SPECIAL14C));
    EXPECT_EQ(PixelFormat(SPECIAL18A), PixelFormat(SPECIAL18B));
    EXPECT_NE(PixelFormat(SPECIAL18A), PixelFormat(SPECIAL14A));
    EXPECT_NE(PixelFormat(RGB565), PixelFormat(BGR565));

    // A custom record with a table entry's fields is equal to it.
    PixelFormat custom(RGB565);
    custom.id = CUSTOM;
    EXPECT_EQ(custom, PixelFormat(RGB565));
    EXPECT_NE(custom, PixelFormat(ARGB8888));

    PixelFormat copy;
    copy = PixelFormat(ABGR1555);
    EXPECT_EQ(copy.id, ABGR1555);
    // Through a reference, so that the compiler does not flag the self-
    // assignment that this checks.
    const PixelFormat& same = copy;
    copy = same;
    EXPECT_EQ(copy.alpha.shift, 15);
}

TEST(PixelFormat, ValidityOfHandMadeRecords)
{
    PixelFormat indexed;
    indexed.model = INDEXED;
    EXPECT_FALSE(indexed.isValid());
    indexed.bits = 4;
    indexed.bytes = 1;
    EXPECT_TRUE(indexed.isValid());

    PixelFormat special;
    special.model = SPECIAL;
    EXPECT_FALSE(special.isValid());
    special.bits = 12;
    EXPECT_TRUE(special.isValid());

    PixelFormat reserved;
    reserved.id = 1024;
    EXPECT_TRUE(reserved.isValid());
}

}  // namespace
}  // namespace vxr
