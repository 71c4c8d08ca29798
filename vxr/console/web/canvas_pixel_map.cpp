#include "vxr/console/web/canvas_pixel_map.h"

#include <cstring>
#include <new>

#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

#include "vxr/format/converter.h"

namespace vxr {
namespace {

constexpr std::int32_t WORD_VALUES = 65536;
constexpr std::int32_t BYTE_VALUES = 256;
constexpr std::int64_t CANVAS_PIXEL_BYTES = 4;
constexpr std::uint8_t OPAQUE = 0xFF;

bool isWholeByte(const Channel& channel)
{
    return channel.size == 8 && channel.shift % 8 == 0 && channel.shift < 32;
}

void makeOpaque(std::uint8_t* table, std::int32_t values)
{
    for (std::int64_t value = 0; value < values; ++value)
        table[value * CANVAS_PIXEL_BYTES + 3] = OPAQUE;
}

template <class Value>
void lookUpRow(const std::uint8_t* from, std::uint8_t* to, std::int64_t count,
               const std::uint8_t* table)
{
    for (std::int64_t i = 0; i < count; ++i) {
        Value value;
        std::memcpy(&value, from + i * std::int64_t{sizeof value}, sizeof value);
        std::memcpy(to + i * CANVAS_PIXEL_BYTES, table + value * CANVAS_PIXEL_BYTES,
                    CANVAS_PIXEL_BYTES);
    }
}

}  // namespace

CanvasPixelMap::CanvasPixelMap() = default;
CanvasPixelMap::~CanvasPixelMap() = default;

CanvasPixelMap::Kind CanvasPixelMap::kindFor(const PixelFormat& format)
{
    if (format.bytes == 4 && format.model == DIRECT && format.colour == RGB &&
        isWholeByte(format.red) && isWholeByte(format.green) && isWholeByte(format.blue))
        return Kind::CHANNEL_BYTES;
    // A palette has 256 colours: only one-byte indices have a table of them.
    if (format.bytes == 2 && format.model == DIRECT) return Kind::WORD_TABLE;
    if (format.bytes == 1 && format.model != SPECIAL) return Kind::BYTE_TABLE;
    return Kind::NONE;
}

bool CanvasPixelMap::prepare(const PixelFormat& format, const void* lookup)
{
    mapKind = kindFor(format);
    switch (mapKind) {
        case Kind::CHANNEL_BYTES:
            byteOf = {format.red.shift / 8, format.green.shift / 8, format.blue.shift / 8};
            return true;
        case Kind::WORD_TABLE:
            // A direct format's table never changes: made once per format.
            if (wordTable && wordTableFormat == format) return true;
            if (!wordTable)
                wordTable.reset(new (std::nothrow)
                                    std::uint8_t[std::size_t{WORD_VALUES} * CANVAS_PIXEL_BYTES]);
            wordTableFormat = PixelFormat();
            if (!wordTable || !fillTable(format, WORD_VALUES, lookup, wordTable.get())) break;
            wordTableFormat = format;
            ++wordVersion;
            return true;
        case Kind::BYTE_TABLE: {
            // An indexed frame's colours follow its palette, which may change
            // between any two frames: 256 conversions tell.
            std::array<std::uint8_t, BYTE_VALUES * CANVAS_PIXEL_BYTES> made;
            if (!fillTable(format, BYTE_VALUES, lookup, made.data())) break;
            if (byteTableFormat == format && made == byteTable) return true;
            byteTable = made;
            ++byteVersion;
            byteTableFormat = format;
            return true;
        }
        case Kind::NONE: break;
    }
    mapKind = Kind::NONE;
    return false;
}

const std::uint8_t* CanvasPixelMap::table() const
{
    if (mapKind == Kind::WORD_TABLE) return wordTable.get();
    return mapKind == Kind::BYTE_TABLE ? byteTable.data() : nullptr;
}

bool CanvasPixelMap::fillTable(const PixelFormat& format, std::int32_t values,
                               const void* lookup, std::uint8_t* table)
{
    if (!tableConverter || tableConverter->source != format)
        tableConverter.reset(selectConverter(format, PixelFormat(ABGR8888)));
    if (!tableConverter) return false;
    // Every value the frame can hold, in its own layout, through the same
    // converter that would convert the frame.
    const std::size_t bytes = std::size_t(values) * std::size_t(format.bytes);
    std::unique_ptr<std::uint8_t[]> every(new (std::nothrow) std::uint8_t[bytes]);
    if (!every) return false;
    for (std::size_t at = 0; at < bytes; ++at)
        every[at] = static_cast<std::uint8_t>((at / format.bytes) >> (8 * (at % format.bytes)));
    if (!tableConverter->convertRow(every.get(), table, values, lookup)) return false;
    makeOpaque(table, values);
    return true;
}

bool CanvasPixelMap::isCanvasOrder(const PixelFormat& format)
{
    return kindFor(format) == Kind::CHANNEL_BYTES && format.red.shift == 0 &&
           format.green.shift == 8 && format.blue.shift == 16 &&
           (format.alpha.size == 0 || (format.alpha.shift == 24 && format.alpha.size == 8));
}

bool CanvasPixelMap::allOpaque(const std::uint8_t* from, std::int64_t count)
{
    std::int64_t i = 0;
#ifdef __wasm_simd128__
    // Sixteen pixels a step into four running ANDs, tested once at the
    // end: an opaque row, the common one, then costs little more than its
    // loads, and a row that is not opaque is found at its end instead.
    const v128_t alpha = wasm_u32x4_splat(0xFF000000u);
    v128_t all[4] = {alpha, alpha, alpha, alpha};
    for (; i + 16 <= count; i += 16) {
        const std::uint8_t* at = from + i * CANVAS_PIXEL_BYTES;
        for (int lane = 0; lane < 4; ++lane)
            all[lane] = wasm_v128_and(all[lane], wasm_v128_load(at + 16 * lane));
    }
    const v128_t both = wasm_v128_and(wasm_v128_and(all[0], all[1]), wasm_v128_and(all[2], all[3]));
    if (!wasm_i32x4_all_true(wasm_i32x4_eq(wasm_v128_and(both, alpha), alpha))) return false;
#endif
    for (; i < count; ++i)
        if (from[i * CANVAS_PIXEL_BYTES + 3] != OPAQUE) return false;
    return true;
}

void CanvasPixelMap::mapRow(const std::uint8_t* from, std::uint8_t* to, std::int64_t count) const
{
    switch (mapKind) {
        case Kind::CHANNEL_BYTES: reorderRow(from, to, count); break;
        case Kind::WORD_TABLE: lookUpRow<std::uint16_t>(from, to, count, wordTable.get()); break;
        case Kind::BYTE_TABLE: lookUpRow<std::uint8_t>(from, to, count, byteTable.data()); break;
        case Kind::NONE: break;
    }
}

void CanvasPixelMap::reorderRow(const std::uint8_t* from, std::uint8_t* to,
                                std::int64_t count) const
{
    const auto [red, green, blue] = byteOf;
    std::int64_t i = 0;
#ifdef __wasm_simd128__
    // Four pixels a step: a byte index past the vector reads 0, which the
    // OR then makes the opaque alpha.
    constexpr std::int8_t NOTHING = 16;
    const auto at = [](std::int32_t pixel, std::int32_t byte) {
        return static_cast<std::int8_t>(pixel * 4 + byte);
    };
    const v128_t pick = wasm_i8x16_make(
        at(0, red), at(0, green), at(0, blue), NOTHING, at(1, red), at(1, green), at(1, blue),
        NOTHING, at(2, red), at(2, green), at(2, blue), NOTHING, at(3, red), at(3, green),
        at(3, blue), NOTHING);
    const v128_t alpha = wasm_u32x4_splat(0xFF000000u);
    for (; i + 4 <= count; i += 4) {
        const v128_t pixels = wasm_v128_load(from + i * CANVAS_PIXEL_BYTES);
        wasm_v128_store(to + i * CANVAS_PIXEL_BYTES,
                        wasm_v128_or(wasm_i8x16_swizzle(pixels, pick), alpha));
    }
#endif
    for (; i < count; ++i) {
        const std::uint8_t* pixel = from + i * CANVAS_PIXEL_BYTES;
        std::uint8_t* out = to + i * CANVAS_PIXEL_BYTES;
        out[0] = pixel[red];
        out[1] = pixel[green];
        out[2] = pixel[blue];
        out[3] = OPAQUE;
    }
}

}  // namespace vxr
