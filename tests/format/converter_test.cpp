#include "vxr/format/converter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "vxr/format/conversion_routines.h"
#include "vxr/format/converter_tables.h"

namespace vxr {
namespace {

using ConverterPtr = std::unique_ptr<Converter>;

ConverterPtr select(std::int32_t sourceId, std::int32_t destinationId)
{
    return ConverterPtr(selectConverter(PixelFormat(sourceId), PixelFormat(destinationId)));
}

PixelFormat customWithBytes(std::int32_t bytes)
{
    PixelFormat format;
    format.setLayout(0, 4, 4, 4, 8, 4, 0, 0, GREY, bytes * 8);
    return format;
}

// A lookup whose entry i is a recognisable 32-bit value.
std::array<std::uint32_t, 256> patternLookup()
{
    std::array<std::uint32_t, 256> lookup{};
    for (std::uint32_t i = 0; i < 256; ++i) lookup[i] = 0x01020300u * (i + 1) + i;
    return lookup;
}

AreaRequest requestFor(const std::uint8_t* source, std::int32_t sourcePitch, std::int32_t sourceBytes,
                       std::uint8_t* destination, std::int32_t destinationPitch,
                       std::int32_t destinationBytes, std::int32_t width, std::int32_t height)
{
    AreaRequest r;
    r.sourceBase = r.sourceStart = source;
    r.destinationBase = r.destinationStart = destination;
    r.width = width;
    r.height = height;
    r.sourcePitch = sourcePitch;
    r.destinationPitch = destinationPitch;
    r.sourceGap = sourcePitch - width * sourceBytes;
    r.destinationGap = destinationPitch - width * destinationBytes;
    return r;
}

TEST(ConverterTables, AreHeldForTheWholeRunAndCounted)
{
    const std::int32_t before = ConverterTables::references();
    EXPECT_GE(before, 1);
    {
        ConverterTables::Scope scope;
        EXPECT_EQ(ConverterTables::references(), before + 1);
    }
    EXPECT_EQ(ConverterTables::references(), before);
}

TEST(ConverterTables, RegisterOnlyIntoTheThreeSourceTables)
{
    EXPECT_FALSE(ConverterTables::registerRoutine(ABGR8888, RGB565, copyRow, copyBlock));
    EXPECT_FALSE(ConverterTables::registerRoutine(RGB565, 1026, copyRow, copyBlock));
    // Re-registering what is already there changes nothing.
    EXPECT_TRUE(ConverterTables::registerRoutine(RGB565, BGR565, rgb565ToBGR565Row,
                                                 rgb565ToBGR565Block));
}

TEST(LookupConverter, OnlyFourSourcesHaveTables)
{
    EXPECT_EQ(ConverterPtr(lookupConverter(ABGR8888, RGB565)), nullptr);
    EXPECT_EQ(ConverterPtr(lookupConverter(RGB565, 999)), nullptr);
    EXPECT_EQ(ConverterPtr(lookupConverter(RGB565, 1026)), nullptr);

    const ConverterPtr same(lookupConverter(ABGR8888, ABGR8888));
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->rowRoutine, &copyRow);
    EXPECT_EQ(same->sameFormat, 1);

    // Greys share the indexed table, so the copy reports an INDEX8 source.
    const ConverterPtr grey(lookupConverter(GREY8, RGB565));
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->source.id, INDEX8);
    EXPECT_EQ(grey->rowRoutine, &indexedTo16Row);
    EXPECT_EQ(grey->needsLookup, 1);

    const ConverterPtr unregistered(lookupConverter(ARGB8888, INDEX8));
    ASSERT_NE(unregistered, nullptr);
    EXPECT_EQ(unregistered->rowRoutine, nullptr);
}

TEST(SelectConverter, RegisteredPairsGetTheirRoutines)
{
    struct Pair {
        std::int32_t source, destination;
        RowRoutine row;
    };
    const Pair pairs[] = {
        {RGB565, ARGB8888, rgb565ToARGB8888Row}, {RGB565, RGB332, rgb565ToRGB332Row},
        {ARGB8888, RGB565, argb8888ToRGB565Row}, {ARGB8888, ARGB8888, copyRow},
        {INDEX8, RGB888, indexedTo24Row},        {INDEX8, GREY8, indexedTo8Row},
        {GREY8, INDEX8, copyRow},                {GREY8, ABGR8888, indexedTo32Row},
    };
    for (const Pair& p : pairs) {
        const ConverterPtr converter = select(p.source, p.destination);
        ASSERT_NE(converter, nullptr);
        EXPECT_EQ(converter->rowRoutine, p.row) << p.source << " -> " << p.destination;
        EXPECT_NE(converter->areaRoutine, nullptr);
    }
}

TEST(SelectConverter, SameFormatCopiesCountBytes)
{
    const ConverterPtr converter = select(RGB565, RGB565);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->sameFormat, 1);
    std::vector<std::uint8_t> source(24), destination(24, 0xEE);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_TRUE(converter->convertRow(source.data(), destination.data(), 10, nullptr));
    EXPECT_EQ(std::memcmp(source.data(), destination.data(), 20), 0);
    EXPECT_EQ(destination[20], 0xEE);
}

TEST(SelectConverter, UnregisteredDirectPairsTakeTheGeneralPath)
{
    const ConverterPtr converter = select(ABGR8888, RGB565);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->rowRoutine, nullptr);
    const std::uint32_t source[2] = {0x804080C8u, 0xFFFFFFFFu};  // R 200, G 128, B 64
    std::uint16_t destination[3] = {0, 0, 0x5A5A};
    ASSERT_TRUE(converter->convertRow(source, destination, 2, nullptr));
    EXPECT_EQ(destination[0], 0xCC08);
    EXPECT_EQ(destination[1], 0xFFFF);
    EXPECT_EQ(destination[2], 0x5A5A);
    EXPECT_TRUE(converter->convertRow(source, destination, 0, nullptr));
    EXPECT_TRUE(converter->convertRow(source, destination, -4, nullptr));

    const ConverterPtr copy = select(ABGR8888, ABGR8888);
    EXPECT_EQ(copy->rowRoutine, &copyRow);
}

TEST(SelectConverter, CustomFormatsThatMatchButAreInvalidDoNotCopy)
{
    const PixelFormat rgb555(0x7C00, 0x03E0, 0x001F, 0, RGB, -1);
    const ConverterPtr converter(selectConverter(rgb555, rgb555));
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->sameFormat, 1);
    EXPECT_EQ(converter->rowRoutine, nullptr);
    std::uint16_t pixel = 0x1234, out = 0;
    EXPECT_FALSE(converter->convertRow(&pixel, &out, 1, nullptr));
    EXPECT_EQ(out, 0);

    // A custom direct pair converts channel by channel.
    const PixelFormat bgr555(0x001F, 0x03E0, 0x7C00, 0, RGB, -1);
    const ConverterPtr swap(selectConverter(rgb555, bgr555));
    pixel = 0x7C00;  // full red
    ASSERT_TRUE(swap->convertRow(&pixel, &out, 1, nullptr));
    EXPECT_EQ(out, 0x001F);
}

TEST(SelectConverter, IndexedSourcesNeedTheirLookup)
{
    const ConverterPtr converter = select(INDEX8, RGB565);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->needsLookup, 1);
    const std::uint8_t source[4] = {0, 1, 2, 255};
    std::uint16_t destination[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
    EXPECT_FALSE(converter->convertRow(source, destination, 4, nullptr));
    AreaRequest request = requestFor(source, 4, 1, reinterpret_cast<std::uint8_t*>(destination),
                                     8, 2, 4, 1);
    EXPECT_FALSE(converter->convertArea(request));
    EXPECT_EQ(destination[0], 0xAAAA);

    const auto lookup = patternLookup();
    ASSERT_TRUE(converter->convertRow(source, destination, 4, lookup.data()));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(destination[i], static_cast<std::uint16_t>(lookup[source[i]]));
}

TEST(SelectConverter, IndexedToGreyRefusesAMissingLookupToo)
{
    const ConverterPtr converter = select(INDEX8, GREY8);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->needsLookup, 0);
    const std::uint8_t source[2] = {1, 2};
    std::uint8_t destination[2] = {9, 9};
    EXPECT_FALSE(converter->convertRow(source, destination, 2, nullptr));
    AreaRequest request = requestFor(source, 2, 1, destination, 2, 1, 2, 1);
    EXPECT_FALSE(converter->convertArea(request));
    EXPECT_EQ(destination[0], 9);
}

TEST(SelectConverter, CustomDestinationsOfIndexedSourcesTakeTheTemplates)
{
    struct Case {
        std::int32_t bytes;
        RowRoutine row;
    };
    for (const Case& c : {Case{4, indexedTo32Row}, Case{3, indexedTo24Row}, Case{2, indexedTo16Row},
                          Case{1, indexedTo8Row}}) {
        const ConverterPtr converter(selectConverter(PixelFormat(INDEX8), customWithBytes(c.bytes)));
        ASSERT_NE(converter, nullptr);
        EXPECT_EQ(converter->rowRoutine, c.row) << c.bytes;
        EXPECT_EQ(converter->destination.bytes, c.bytes);
        EXPECT_EQ(converter->needsLookup, 1);
    }
    const ConverterPtr blank(selectConverter(PixelFormat(GREY8), customWithBytes(5)));
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->rowRoutine, nullptr);
    const auto lookup = patternLookup();
    std::uint8_t source = 3, destination[5] = {};
    EXPECT_FALSE(blank->convertRow(&source, destination, 1, lookup.data()));
}

TEST(ConvertArea, PairsWithoutARoutineOrIntoSpecialFormatsFail)
{
    const std::uint32_t source[4] = {0xFFFFFFFF, 0x11223344, 0, 1};
    std::uint8_t destination[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    for (std::int32_t target : {INDEX8, SPECIAL18A, SPECIAL14B}) {
        const ConverterPtr converter = select(ARGB8888, target);
        ASSERT_NE(converter, nullptr);
        AreaRequest request = requestFor(reinterpret_cast<const std::uint8_t*>(source), 16, 4,
                                         destination, 4, 1, 4, 1);
        EXPECT_FALSE(converter->convertArea(request)) << target;
        EXPECT_FALSE(converter->convertRow(source, destination, 4, nullptr)) << target;
        for (std::uint8_t byte : destination) ASSERT_EQ(byte, 7);
    }
}

TEST(ConvertArea, ZeroHeightConvertsNothing)
{
    for (auto [source, destination] : {std::pair{RGB565, ARGB8888}, std::pair{ABGR8888, RGB565}}) {
        const ConverterPtr converter = select(source, destination);
        const std::uint32_t in[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
        std::uint32_t out[4] = {};
        for (std::int32_t height : {0, -3}) {
            AreaRequest request = requestFor(reinterpret_cast<const std::uint8_t*>(in), 8, 2,
                                             reinterpret_cast<std::uint8_t*>(out), 8, 4, 2, height);
            EXPECT_TRUE(converter->convertArea(request));
        }
        EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0u);
    }
}

TEST(ConvertArea, GeneralPathWalksSignedPitches)
{
    // A bottom-up destination: its first row is the last in memory.
    const ConverterPtr converter = select(ABGR8888, BGR565);
    ASSERT_EQ(converter->areaRoutine, nullptr);
    const std::uint32_t source[2][3] = {{0x000000FF, 0x0000FF00, 0x00FF0000},
                                        {0x00FFFFFF, 0x00000000, 0x00FFFFFF}};
    std::uint16_t destination[2][4] = {{1, 1, 1, 1}, {1, 1, 1, 1}};
    AreaRequest request = requestFor(reinterpret_cast<const std::uint8_t*>(source[0]), 12, 4,
                                     reinterpret_cast<std::uint8_t*>(destination[1]), -8, 2, 3, 2);
    ASSERT_TRUE(converter->convertArea(request));
    EXPECT_EQ(destination[1][0], 0x001F);  // red lands in BGR565's low bits
    EXPECT_EQ(destination[1][1], 0x07E0);
    EXPECT_EQ(destination[1][2], 0xF800);
    EXPECT_EQ(destination[0][0], 0xFFFF);
    EXPECT_EQ(destination[0][1], 0x0000);
    EXPECT_EQ(destination[1][3], 1);
    EXPECT_EQ(destination[0][3], 1);
}

TEST(ConvertArea, SameFormatAreasScaleTheirWidthToBytes)
{
    const ConverterPtr converter = select(RGB888, RGB888);
    std::uint8_t source[2][9], destination[2][12];
    std::memset(destination, 0xCC, sizeof destination);
    for (int i = 0; i < 18; ++i) source[i / 9][i % 9] = static_cast<std::uint8_t>(i);
    AreaRequest request = requestFor(source[0], 9, 3, destination[0], 12, 3, 3, 2);
    ASSERT_TRUE(converter->convertArea(request));
    EXPECT_EQ(std::memcmp(destination[0], source[0], 9), 0);
    EXPECT_EQ(std::memcmp(destination[1], source[1], 9), 0);
    EXPECT_EQ(destination[0][9], 0xCC);
    EXPECT_EQ(destination[1][11], 0xCC);
}

TEST(ConvertRow, CopyLengthsBeyondThe32BitCountAreRefused)
{
    const ConverterPtr converter = select(ARGB8888, ARGB8888);
    std::uint32_t pixel = 0, out = 0;
    EXPECT_FALSE(converter->convertRow(&pixel, &out, INT32_MAX / 2, nullptr));
    AreaRequest request = requestFor(reinterpret_cast<const std::uint8_t*>(&pixel), 4, 4,
                                     reinterpret_cast<std::uint8_t*>(&out), 4, 4, 1, 1);
    request.width = INT32_MAX / 3;
    EXPECT_FALSE(converter->convertArea(request));
}

// The routines step by byte offsets in a ptrdiff_t: 2^29 ARGB pixels are
// 2^31 bytes, one more than a 32-bit ptrdiff_t holds. Refused before any
// pixel is touched; natively the run would need gigabytes of buffers.
TEST(ConvertRow, RunsWhoseBytesPassTheAddressSpaceAreRefused)
{
    if (PTRDIFF_MAX > INT32_MAX)
        GTEST_SKIP() << "a 64-bit ptrdiff_t counts every run a 32-bit count gives";
    const ConverterPtr converter = select(ARGB8888, RGB565);
    const std::uint32_t pixels[2] = {0xFFFFFFFFu, 0xFFFFFFFFu};
    std::uint16_t out[2] = {0x1234, 0x1234};
    EXPECT_FALSE(converter->convertRow(pixels, out, 1 << 29, nullptr));
    EXPECT_EQ(out[0], 0x1234);
    AreaRequest request = requestFor(reinterpret_cast<const std::uint8_t*>(pixels), 8, 8,
                                     reinterpret_cast<std::uint8_t*>(out), 4, 4, 1, 1);
    request.width = 1 << 29;
    EXPECT_FALSE(converter->convertArea(request));
    EXPECT_EQ(out[0], 0x1234);
    EXPECT_TRUE(converter->convertRow(pixels, out, 2, nullptr));
    EXPECT_EQ(out[0], 0xFFFF);
}

}  // namespace
}  // namespace vxr
