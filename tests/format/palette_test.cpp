#include "vxr/format/palette.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vxr {
namespace {

std::uint32_t entry32(const void* table, int index)
{
    std::uint32_t value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(table) + 4 * index, 4);
    return value;
}

std::uint8_t entry8(const void* table, int index)
{
    return static_cast<const std::uint8_t*>(table)[index];
}

void setColour(Palette& palette, int index, std::uint32_t colour)
{
    palette.lock()[index] = colour;
    palette.unlock();
}

TEST(Palette, StartsValidBlackAndUnheld)
{
    Palette palette;
    ASSERT_TRUE(palette.isValid());
    const std::uint32_t* colours = palette.lock();
    for (int i = 0; i < Palette::SIZE; ++i) ASSERT_EQ(colours[i], 0u);
    EXPECT_EQ(palette.lockCount(), 1);
    palette.unlock();
    palette.unlock();
    EXPECT_EQ(palette.lockCount(), 0);
    EXPECT_EQ(palette.references(), 0);
}

TEST(Palette, Argb8888LookupIsTheColourStorageItself)
{
    Palette palette;
    const void* colours = palette.lock();
    palette.unlock();
    EXPECT_EQ(palette.lookup(PixelFormat(ARGB8888), 4), colours);
    EXPECT_EQ(palette.lookup(PixelFormat(ARGB8888), -1), colours);
}

TEST(Palette, DirectLookupsAreCachedUntilTheColoursChange)
{
    Palette palette;
    setColour(palette, 3, 0x00C86432);  // (200, 100, 50)
    const void* table = palette.lookup(PixelFormat(RGB565), -1);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(entry32(table, 3), 0xCB26u);
    EXPECT_EQ(entry32(table, 0), 0u);
    EXPECT_EQ(palette.lookup(PixelFormat(RGB565), -1), table);

    setColour(palette, 3, 0x00FFFFFF);
    const void* rebuilt = palette.lookup(PixelFormat(RGB565), -1);
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(entry32(rebuilt, 3), 0xFFFFu);
}

TEST(Palette, EntrySizesFollowTheFormat)
{
    Palette palette;
    setColour(palette, 1, 0x00FF00FF);
    const void* threeBytes = palette.lookup(PixelFormat(RGB888), -1);
    ASSERT_NE(threeBytes, nullptr);
    EXPECT_EQ(entry32(threeBytes, 1), 0x00FF00FFu);  // fourth byte stays zero
    const void* oneByte = palette.lookup(PixelFormat(RGB332), -1);
    ASSERT_NE(oneByte, nullptr);
    EXPECT_EQ(entry8(oneByte, 1), 0xE3);
    // A table of 2-byte entries is a different cache record from 4-byte ones.
    const void* two = palette.lookup(PixelFormat(RGB565), 2);
    const void* four = palette.lookup(PixelFormat(RGB565), 4);
    ASSERT_NE(two, nullptr);
    EXPECT_NE(two, four);
    EXPECT_EQ(entry8(two, 2), 0x1F);  // entry 1, low byte of 0xF81F
    EXPECT_EQ(entry8(two, 3), 0xF8);
}

TEST(Palette, RefusesEntriesSmallerThanAPixel)
{
    Palette palette;
    EXPECT_EQ(palette.lookup(PixelFormat(RGB565), 1), nullptr);
    EXPECT_EQ(palette.lookup(PixelFormat(SPECIAL18A), 2), nullptr);
    EXPECT_EQ(palette.lookup(PixelFormat(SPECIAL14A), 1), nullptr);
}

TEST(Palette, GreyLookupIsTheDownwardBiasedMean)
{
    Palette palette;
    setColour(palette, 0, 0x00FFFFFF);
    setColour(palette, 1, 0x00808080);
    setColour(palette, 2, 0x00FF0000);
    setColour(palette, 3, 0x00010101);
    const void* grey = palette.lookup(PixelFormat(GREY8), -1);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(entry8(grey, 0), 254);
    EXPECT_EQ(entry8(grey, 1), 127);
    EXPECT_EQ(entry8(grey, 2), 84);
    EXPECT_EQ(entry8(grey, 3), 0);
    EXPECT_EQ(entry8(grey, 4), 0);
}

TEST(Palette, SpecialLookupsHoldTaggedEntries)
{
    Palette palette;
    setColour(palette, 5, 0x00FF8040);
    for (std::int32_t id : {SPECIAL18A, SPECIAL18B, SPECIAL18C, SPECIAL12A, SPECIAL12C}) {
        const void* table = palette.lookup(PixelFormat(id), 4);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(entry32(table, 5), 0x3F6090u) << id;
        EXPECT_EQ(entry32(table, 0), 0x4080u) << id;  // black keeps its tags
    }
    for (std::int32_t id : {SPECIAL14A, SPECIAL14B, SPECIAL14C}) {
        const void* table = palette.lookup(PixelFormat(id), -1);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(entry32(table, 5), 0x789002u) << id;
    }
}

TEST(Palette, IndexedAndNonRgbDestinationsGetZeroTables)
{
    Palette palette;
    setColour(palette, 7, 0x00FFFFFF);
    const void* indexed = palette.lookup(PixelFormat(INDEX8), -1);
    ASSERT_NE(indexed, nullptr);
    for (int i = 0; i < Palette::SIZE; ++i) ASSERT_EQ(entry8(indexed, i), 0);

    const PixelFormat greyCoded(0xF800, 0x07E0, 0x001F, 0, GREY, -1);
    const void* custom = palette.lookup(greyCoded, -1);
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(entry32(custom, 7), 0u);
}

TEST(Palette, CopyFromTakesColoursAndDropsTheCache)
{
    Palette source, target;
    setColour(source, 9, 0x00123456);
    // Cache a table of the old colours; the copy must not leave it in use.
    ASSERT_NE(target.lookup(PixelFormat(RGB565), -1), nullptr);
    target.copyFrom(source);
    EXPECT_EQ(target.lock()[9], 0x00123456u);
    target.unlock();
    const void* after = target.lookup(PixelFormat(RGB565), -1);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(entry32(after, 9), 0x11AAu);
}

TEST(Palette, CopyFromItselfKeepsTheCache)
{
    Palette target;
    setColour(target, 0, 0x00FFFFFF);
    const void* cached = target.lookup(PixelFormat(RGB565), -1);
    target.copyFrom(target);
    EXPECT_EQ(target.lookup(PixelFormat(RGB565), -1), cached);
}

TEST(Palette, ReleaseNeverGoesBelowZero)
{
    Palette palette;
    EXPECT_EQ(palette.release(), 0);
    EXPECT_EQ(palette.references(), 0);
    palette.addRef();
    palette.addRef();
    EXPECT_EQ(palette.release(), 1);
    EXPECT_EQ(palette.release(), 0);
    EXPECT_EQ(palette.release(), 0);
}

TEST(Palette, EmptyPaletteIsOneSharedBlackPalette)
{
    EXPECT_EQ(&emptyPalette(), &emptyPalette());
    ASSERT_TRUE(emptyPalette().isValid());
    const std::uint32_t* colours = emptyPalette().lock();
    emptyPalette().unlock();
    for (int i = 0; i < Palette::SIZE; ++i) ASSERT_EQ(colours[i], 0u);
}

}  // namespace
}  // namespace vxr
