#include "vxr/console/web/canvas_pixel_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "vxr/format/converter.h"
#include "vxr/format/palette.h"

namespace vxr {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The canvas's bytes as the converters make them, alpha then made opaque:
// what the map must give in its single step.
Bytes convertedOpaque(const PixelFormat& format, const Bytes& pixels, std::int32_t count,
                      const void* lookup)
{
    const std::unique_ptr<Converter> converter(selectConverter(format, PixelFormat(ABGR8888)));
    Bytes out(std::size_t(count) * 4);
    EXPECT_TRUE(converter && converter->convertRow(pixels.data(), out.data(), count, lookup));
    for (std::size_t i = 3; i < out.size(); i += 4) out[i] = 0xFF;
    return out;
}

Bytes mapped(const CanvasPixelMap& map, const Bytes& pixels, std::int32_t count)
{
    Bytes out(std::size_t(count) * 4);
    map.mapRow(pixels.data(), out.data(), count);
    return out;
}

// Every value a pixel of so many bytes can hold, lowest first.
Bytes everyValue(std::int32_t bytes)
{
    const std::int32_t values = 1 << (8 * bytes);
    Bytes pixels(std::size_t(values) * bytes);
    for (std::int32_t value = 0; value < values; ++value)
        for (std::int32_t byte = 0; byte < bytes; ++byte)
            pixels[std::size_t(value) * bytes + byte] = std::uint8_t(value >> (8 * byte));
    return pixels;
}

TEST(CanvasPixelMap, DirectFramesGetTheConvertersColoursExactly)
{
    const Bytes words = everyValue(2);
    for (const std::int32_t id : {RGB565, BGR565, ARGB1555, ABGR1555}) {
        CanvasPixelMap map;
        ASSERT_TRUE(map.prepare(PixelFormat(id), nullptr)) << id;
        EXPECT_EQ(map.kind(), CanvasPixelMap::Kind::WORD_TABLE);
        EXPECT_EQ(mapped(map, words, 65536), convertedOpaque(PixelFormat(id), words, 65536, nullptr))
            << id;
    }
    CanvasPixelMap map;
    ASSERT_TRUE(map.prepare(PixelFormat(RGB332), nullptr));
    EXPECT_EQ(mapped(map, everyValue(1), 256),
              convertedOpaque(PixelFormat(RGB332), everyValue(1), 256, nullptr));

    // 37 pixels: whole steps of four and a rest of one.
    constexpr std::int32_t COUNT = 37;
    Bytes pixels(COUNT * 4);
    std::mt19937 random(7);
    for (std::uint8_t& byte : pixels) byte = std::uint8_t(random());
    for (const std::int32_t id : {ARGB8888, ABGR8888, BGRA8888, RGBA8888}) {
        ASSERT_TRUE(map.prepare(PixelFormat(id), nullptr)) << id;
        EXPECT_EQ(map.kind(), CanvasPixelMap::Kind::CHANNEL_BYTES);
        EXPECT_EQ(mapped(map, pixels, COUNT), convertedOpaque(PixelFormat(id), pixels, COUNT, nullptr))
            << id;
    }
}

TEST(CanvasPixelMap, IndexedTableFollowsThePaletteAndChangesOnlyWithIt)
{
    Palette palette;
    std::uint32_t* colours = palette.lock();
    ASSERT_NE(colours, nullptr);
    for (std::uint32_t i = 0; i < 256; ++i) colours[i] = i * 0x010203u ^ 0x5A0000u;
    palette.unlock();
    const Bytes indices = everyValue(1);
    for (const std::int32_t id : {INDEX8, GREY8}) {
        const PixelFormat format(id);
        CanvasPixelMap map;
        ASSERT_TRUE(map.prepare(format, palette.lookup(PixelFormat(ABGR8888), -1))) << id;
        EXPECT_EQ(map.kind(), CanvasPixelMap::Kind::BYTE_TABLE);
        EXPECT_EQ(mapped(map, indices, 256),
                  convertedOpaque(format, indices, 256, palette.lookup(PixelFormat(ABGR8888), -1)));
        const std::uint32_t first = map.tableVersion();
        ASSERT_TRUE(map.prepare(format, palette.lookup(PixelFormat(ABGR8888), -1)));
        EXPECT_EQ(map.tableVersion(), first) << "the same palette again";

        palette.lock()[200] ^= 0x123456u;
        palette.unlock();
        const void* changed = palette.lookup(PixelFormat(ABGR8888), -1);
        ASSERT_TRUE(map.prepare(format, changed));
        EXPECT_NE(map.tableVersion(), first) << "a colour changed";
        EXPECT_EQ(mapped(map, indices, 256), convertedOpaque(format, indices, 256, changed));
    }
}

TEST(CanvasPixelMap, FormatsWithoutAMapAreLeftToTheConverters)
{
    CanvasPixelMap map;
    for (const std::int32_t id : {RGB888, BGR888, SPECIAL18A, SPECIAL12A}) {
        EXPECT_EQ(CanvasPixelMap::kindFor(PixelFormat(id)), CanvasPixelMap::Kind::NONE) << id;
        EXPECT_FALSE(map.prepare(PixelFormat(id), nullptr)) << id;
    }
    // Bytes of a 32-bit layout that are not whole channels.
    PixelFormat tenBits;
    tenBits.setLayout(20, 10, 10, 10, 0, 10, 30, 2, RGB, 32);
    EXPECT_EQ(CanvasPixelMap::kindFor(tenBits), CanvasPixelMap::Kind::NONE);
}

TEST(CanvasPixelMap, OnlyRedGreenBlueThenAlphaIsTheCanvasOrder)
{
    EXPECT_TRUE(CanvasPixelMap::isCanvasOrder(PixelFormat(ABGR8888)));
    for (const std::int32_t id : {ARGB8888, BGRA8888, RGBA8888, RGB888, RGB565, INDEX8})
        EXPECT_FALSE(CanvasPixelMap::isCanvasOrder(PixelFormat(id))) << id;
}

TEST(CanvasPixelMap, OpaqueOnlyWhereEveryAlphaByteIs255)
{
    // Lengths around the vector step, and a see-through pixel at each place.
    for (const std::int64_t count : {0, 1, 15, 16, 17, 33, 64, 100}) {
        Bytes pixels(std::size_t(count) * 4, 0x00);
        for (std::int64_t i = 0; i < count; ++i) pixels[std::size_t(i) * 4 + 3] = 0xFF;
        EXPECT_TRUE(CanvasPixelMap::allOpaque(pixels.data(), count)) << count;
        for (std::int64_t at = 0; at < count; ++at) {
            pixels[std::size_t(at) * 4 + 3] = 0xFE;
            EXPECT_FALSE(CanvasPixelMap::allOpaque(pixels.data(), count)) << count << " at " << at;
            pixels[std::size_t(at) * 4 + 3] = 0xFF;
        }
        // Colour bytes of 255 make no pixel opaque.
        if (count == 0) continue;
        Bytes colours(std::size_t(count) * 4, 0xFF);
        colours[std::size_t(count - 1) * 4 + 3] = 0x00;
        EXPECT_FALSE(CanvasPixelMap::allOpaque(colours.data(), count)) << count;
    }
}

}  // namespace
}  // namespace vxr
