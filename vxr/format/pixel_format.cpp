#include "vxr/format/pixel_format.h"

#include <cstring>

namespace vxr {
namespace {

struct FormatEntry {
    std::int32_t model;
    std::int32_t colour;
    std::int32_t bits;
    std::int32_t bytes;
    std::int32_t layout[8];  // red, green, blue, alpha: shift then size
};

// Rows in id order from ARGB8888 (1000) to RGB332 (1021).
constexpr FormatEntry formatTable[] = {
    {DIRECT, RGB, 32, 4, {16, 8, 8, 8, 0, 8, 24, 8}},    // ARGB8888
    {DIRECT, RGB, 32, 4, {0, 8, 8, 8, 16, 8, 24, 8}},    // ABGR8888
    {DIRECT, RGB, 32, 4, {8, 8, 16, 8, 24, 8, 0, 8}},    // BGRA8888
    {DIRECT, RGB, 32, 4, {24, 8, 16, 8, 8, 8, 0, 8}},    // RGBA8888
    {DIRECT, RGB, 24, 3, {16, 8, 8, 8, 0, 8, 0, 0}},     // RGB888
    {DIRECT, RGB, 24, 3, {0, 8, 8, 8, 16, 8, 0, 0}},     // BGR888
    {DIRECT, RGB, 16, 2, {11, 5, 5, 6, 0, 5, 0, 0}},     // RGB565
    {DIRECT, RGB, 16, 2, {0, 5, 5, 6, 11, 5, 0, 0}},     // BGR565
    {DIRECT, RGB, 16, 2, {10, 5, 5, 5, 0, 5, 15, 1}},    // ARGB1555
    {DIRECT, RGB, 16, 2, {0, 5, 5, 5, 10, 5, 15, 1}},    // ABGR1555
    {INDEXED, 0, 8, 1, {}},                              // INDEX8
    {SPECIAL, RGB, 18, 0, {}},                           // SPECIAL18A
    {SPECIAL, RGB, 18, 0, {}},                           // SPECIAL18B
    {SPECIAL, RGB, 18, 0, {}},                           // SPECIAL18C
    {SPECIAL, RGB, 14, 0, {}},                           // SPECIAL14A
    {SPECIAL, RGB, 14, 0, {}},                           // SPECIAL14B
    {SPECIAL, RGB, 14, 0, {}},                           // SPECIAL14C
    {SPECIAL, RGB, 12, 0, {}},                           // SPECIAL12A
    {SPECIAL, RGB, 12, 0, {}},                           // SPECIAL12B
    {SPECIAL, RGB, 12, 0, {}},                           // SPECIAL12C
    {INDEXED, GREY, 8, 1, {}},                           // GREY8
    {DIRECT, RGB, 8, 1, {5, 3, 2, 3, 0, 2, 0, 0}},       // RGB332
};
static_assert(sizeof formatTable / sizeof formatTable[0] ==
              LAST_FILLABLE_FORMAT_ID - FIRST_FORMAT_ID + 1);

bool sameLayout(const FormatEntry& entry, const std::int32_t (&layout)[8])
{
    return entry.model == DIRECT && std::memcmp(entry.layout, layout, sizeof layout) == 0;
}

void deriveChannel(Channel& channel)
{
    // A channel that does not fit in a 32-bit pixel, or is wider than an 8-bit
    // intensity, takes no part in packing: leaving it masked out also keeps
    // every shift below below the word width.
    const bool fits = channel.shift >= 0 && channel.size >= 1 && channel.size <= 8 &&
                      channel.shift <= 32 - channel.size;
    if (!fits) {
        channel.mask = 0;
        channel.adjust = 0;
        return;
    }
    channel.mask = ((1u << channel.size) - 1u) << channel.shift;
    channel.adjust = channel.shift + channel.size - 8;
}

std::uint32_t packChannel(const Channel& channel, std::int32_t intensity)
{
    const std::uint32_t value = static_cast<std::uint32_t>(intensity) & 0xFFu;
    const std::uint32_t placed =
        channel.adjust >= 0 ? value << channel.adjust : value >> -channel.adjust;
    return placed & channel.mask;
}

// Replicating the top bits downwards makes a full channel a full intensity
// (5-bit 31 -> 255, 3-bit 5 -> 182) and keeps black black.
std::uint32_t widen(std::uint32_t topBits, std::int32_t size)
{
    std::uint32_t result = topBits;
    for (std::int32_t filled = size; filled < 8; filled += size) result |= result >> filled;
    return result & 0xFFu;
}

std::uint8_t unpackChannel(const Channel& channel, std::uint32_t pixel)
{
    if (channel.mask == 0) return 0;
    const std::uint32_t bitsOf = pixel & channel.mask;
    const std::uint32_t top =
        channel.adjust >= 0 ? bitsOf >> channel.adjust : bitsOf << -channel.adjust;
    return static_cast<std::uint8_t>(channel.size < 8 ? widen(top & 0xFFu, channel.size)
                                                      : top & 0xFFu);
}

std::int32_t clampToInt32(std::int64_t value)
{
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// Pixels are handled as 32-bit values: a wider custom layout cannot be
// packed or unpacked without touching memory past what the caller meant.
constexpr std::int32_t MAX_PIXEL_BYTES = 4;

}  // namespace

PixelFormat::PixelFormat(std::int32_t formatId) { setId(formatId); }

PixelFormat::PixelFormat(std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask,
                         std::uint32_t alphaMask, std::int32_t colourCode, std::int32_t bitCount)
{
    setMasks(redMask, greenMask, blueMask, alphaMask, colourCode, bitCount);
}

bool PixelFormat::setId(std::int32_t formatId)
{
    if (formatId < FIRST_FORMAT_ID || formatId > LAST_FILLABLE_FORMAT_ID) return false;
    const FormatEntry& entry = formatTable[formatId - FIRST_FORMAT_ID];
    id = formatId;
    model = entry.model;
    colour = entry.colour;
    bits = entry.bits;
    bytes = entry.bytes;
    Channel* channels[] = {&red, &green, &blue, &alpha};
    for (int i = 0; i < 4; ++i) {
        *channels[i] = Channel{};
        channels[i]->shift = entry.layout[2 * i];
        channels[i]->size = entry.layout[2 * i + 1];
    }
    computeMasks();
    return true;
}

Channel PixelFormat::analyseMask(std::uint32_t mask)
{
    Channel channel;
    channel.mask = mask;
    int position = 0;
    while (position < 32 && !(mask >> position & 1u)) ++position;
    if (position == 32) return channel;
    channel.shift = position;
    while (position < 32 && (mask >> position & 1u)) ++position;
    channel.size = position - channel.shift;
    return channel;
}

bool PixelFormat::setMasks(std::uint32_t redMask, std::uint32_t greenMask,
                           std::uint32_t blueMask, std::uint32_t alphaMask,
                           std::int32_t colourCode, std::int32_t bitCount)
{
    const Channel r = analyseMask(redMask);
    const Channel g = analyseMask(greenMask);
    const Channel b = analyseMask(blueMask);
    const Channel a = analyseMask(alphaMask);
    return setLayout(r.shift, r.size, g.shift, g.size, b.shift, b.size, a.shift, a.size,
                     colourCode, bitCount);
}

bool PixelFormat::setLayout(std::int32_t redShift, std::int32_t redSize, std::int32_t greenShift,
                            std::int32_t greenSize, std::int32_t blueShift,
                            std::int32_t blueSize, std::int32_t alphaShift,
                            std::int32_t alphaSize, std::int32_t colourCode,
                            std::int32_t bitCount)
{
    const std::int32_t layout[8] = {redShift,  redSize,  greenShift, greenSize,
                                    blueShift, blueSize, alphaShift, alphaSize};
    if (colourCode == RGB) {
        for (std::int32_t formatId = FIRST_FORMAT_ID; formatId <= LAST_FILLABLE_FORMAT_ID;
             ++formatId) {
            if (sameLayout(formatTable[formatId - FIRST_FORMAT_ID], layout))
                return setId(formatId);
        }
    }
    id = CUSTOM;
    model = DIRECT;
    colour = colourCode;
    red = Channel{redShift, redSize, 0, 0};
    green = Channel{greenShift, greenSize, 0, 0};
    blue = Channel{blueShift, blueSize, 0, 0};
    alpha = Channel{alphaShift, alphaSize, 0, 0};
    const std::int64_t sizeSum = std::int64_t{redSize} + greenSize + blueSize + alphaSize;
    bits = bitCount == -1 ? clampToInt32(sizeSum) : bitCount;
    bytes = bits > 0 ? clampToInt32((std::int64_t{bits} + 7) / 8) : 0;
    computeMasks();
    return true;
}

void PixelFormat::computeMasks()
{
    deriveChannel(red);
    deriveChannel(green);
    deriveChannel(blue);
    deriveChannel(alpha);
}

bool PixelFormat::pack(std::int32_t r, std::int32_t g, std::int32_t b, std::int32_t a,
                       void* dest, std::int32_t colourCode) const
{
    if (colourCode != colour || bytes > MAX_PIXEL_BYTES) return false;
    const std::uint32_t pixel =
        packChannel(red, r) + packChannel(green, g) + packChannel(blue, b) + packChannel(alpha, a);
    auto* out = static_cast<std::uint8_t*>(dest);
    for (std::int32_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(pixel >> (8 * i));
    return true;
}

bool PixelFormat::unpack(const void* src, std::uint8_t* r, std::uint8_t* g, std::uint8_t* b,
                         std::uint8_t* a, std::int32_t colourCode) const
{
    if (colourCode != colour || bytes > MAX_PIXEL_BYTES) return false;
    const auto* in = static_cast<const std::uint8_t*>(src);
    std::uint32_t pixel = 0;
    for (std::int32_t i = 0; i < bytes; ++i) pixel |= std::uint32_t{in[i]} << (8 * i);
    *r = unpackChannel(red, pixel);
    *g = unpackChannel(green, pixel);
    *b = unpackChannel(blue, pixel);
    *a = unpackChannel(alpha, pixel);
    return true;
}

bool PixelFormat::isValid() const
{
    if (isTableId()) return true;
    if (model == INDEXED) return bits != 0 && bytes != 0;
    if (model == SPECIAL) return bits != 0;
    return false;
}

bool PixelFormat::operator==(const PixelFormat& other) const
{
    if (id == other.id && isTableId()) return true;
    return model == other.model && colour == other.colour && bits == other.bits &&
           bytes == other.bytes && red == other.red && green == other.green &&
           blue == other.blue && alpha == other.alpha;
}

}  // namespace vxr
