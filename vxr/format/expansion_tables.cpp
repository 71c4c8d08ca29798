#include "vxr/format/expansion_tables.h"


#include "vxr/format/pixel_format.h"

namespace vxr {
namespace {

// A 5- or 6-bit channel is scaled to 8 bits by multiplying with these
// single-precision constants (just under 255/31 and 255/63). The product of
// a small integer and a float is exact in double precision, and truncating
// it is what makes a full 5-bit channel 254 rather than 255.
std::int32_t scaledBy(std::int32_t value, std::uint32_t constantBits)
{
    // The builtin rather than std::bit_cast, which the web build's C++
    // library lacks.
    const double constant = __builtin_bit_cast(float, constantBits);
    return static_cast<std::int32_t>(value * constant);
}
std::int32_t scaled5(std::int32_t value) { return scaledBy(value, 0x41039CE7u); }
std::int32_t scaled6(std::int32_t value) { return scaledBy(value, 0x40818618u); }

std::uint32_t packedWord(const PixelFormat& format, std::int32_t red, std::int32_t green,
                         std::int32_t blue)
{
    std::uint8_t bytes[4] = {};
    format.pack(red, green, blue, 0, bytes, RGB);
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
           std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
}

struct ExpansionTables {
    ExpansionTable argb8888;
    ExpansionTable abgr8888;
    ExpansionTable rgba8888;
    ExpansionTable bgra8888;
};

const ExpansionTables& expansionTables()
{
    // Built once, thread-safely, and never written again: routines may read
    // them from any thread while the converter tables are rebuilt.
    static const ExpansionTables tables = [] {
        ExpansionTables built;
        buildExpansionTable(PixelFormat(ARGB8888), built.argb8888);
        buildExpansionTable(PixelFormat(ABGR8888), built.abgr8888);
        buildExpansionTable(PixelFormat(RGBA8888), built.rgba8888);
        buildExpansionTable(PixelFormat(BGRA8888), built.bgra8888);
        return built;
    }();
    return tables;
}

}  // namespace

bool buildExpansionTable(const PixelFormat& format, ExpansionTable& table)
{
    if (format.bits != 32) return false;
    for (std::int32_t index = 0; index < 256; ++index) {
        // An RGB565 pixel's low byte holds blue and the low green bits, its
        // high byte red and the high green bits.
        table[index].low = packedWord(format, 0, scaled6((index >> 5) & 7), scaled5(index & 31));
        table[index].high =
            packedWord(format, scaled5((index >> 3) & 31), scaled6((index & 7) << 3), 0);
    }
    return true;
}

void buildExpansionTables() { expansionTables(); }

namespace detail {

template <>
const ExpansionTable& expansionTable<ARGB8888>() { return expansionTables().argb8888; }
template <>
const ExpansionTable& expansionTable<ABGR8888>() { return expansionTables().abgr8888; }
template <>
const ExpansionTable& expansionTable<RGBA8888>() { return expansionTables().rgba8888; }
template <>
const ExpansionTable& expansionTable<BGRA8888>() { return expansionTables().bgra8888; }

}  // namespace detail
}  // namespace vxr
