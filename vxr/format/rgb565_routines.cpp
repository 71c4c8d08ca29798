#include "vxr/format/conversion_routines.h"
#include "vxr/format/expansion_tables.h"
#include "vxr/format/lane_conversion.h"

namespace vxr {
namespace {

using detail::NarrowingConversion;
using detail::SameSizeConversion;
namespace simd = detail::simd;

struct ToBgr565 {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& p)
    {
        p = ((p >> 11) & 0x1F) | (p & 0x7E0) | ((p & 0x1F) << 11);
    }
};

// The lowest green bit is dropped and the alpha bit stays 0.
struct ToArgb1555 {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& p)
    {
        p = ((p >> 1) & 0x7FE0) | (p & 0x1F);
    }
};

struct ToAbgr1555 {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& p)
    {
        p = ((p >> 11) & 0x1F) | ((p >> 1) & 0x3E0) | ((p << 10) & 0x7C00);
    }
};

// Twice the sum of the three channels' raw values.
struct ToGrey8 {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& p)
    {
        p = ((p & 0x1F) << 1) + ((p & 0x7E0) >> 4) + ((p & 0xF800) >> 10);
    }
};

struct ToRgb332 {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& p)
    {
        p = ((p & 0x18) >> 3) | ((p & 0x700) >> 6) | ((p & 0xE000) >> 8);
    }
};

// The 8-bit intensities that the expansion tables give each channel, in
// 16-bit lanes: the truncated products by the tables' constants come out
// of these integer expressions for every 5- and 6-bit value.
template <int Width>
VXR_SIMD_INLINE void expandedChannels(const simd::U16<Width>& p, simd::U16<Width>& red,
                                      simd::U16<Width>& green, simd::U16<Width>& blue)
{
    red = ((p >> 11) * 2105) >> 8;
    blue = ((p & 0x1F) * 2105) >> 8;
    // Four times the 6-bit value plus a carry from its top three bits.
    green = ((p & 0x7E0) >> 3) + ((((p >> 8) & 7) * 3) >> 3);
}

// Adds a channel at bit position Shift of 32-bit pixels kept as their low
// and high 16-bit halves.
template <int Shift, class Vector>
VXR_SIMD_INLINE void placeChannel(const Vector& channel, Vector& low, Vector& high)
{
    if constexpr (Shift >= 16)
        high |= channel << (Shift - 16);
    else
        low |= channel << Shift;
}

// A 32-bit destination whose red, green and blue bytes sit at the given bit
// positions, with alpha 0; FormatId names its expansion table.
template <std::int32_t FormatId, int RedShift, int GreenShift, int BlueShift>
struct Expansion {
    static constexpr bool readsLookup = false;
    struct Context {
        const ExpansionTable* table;
    };
    static Context context(const void*) { return {&detail::expansionTable<FormatId>()}; }

    static std::uint32_t pixel(std::uint32_t p, Context context)
    {
        const ExpansionTable& table = *context.table;
        return table[p & 0xFF].low + table[p >> 8].high;
    }

    // The pixels of one vector of source pixels, in two vectors.
    template <int Width>
    VXR_SIMD_INLINE static void expand(const std::uint8_t* in, simd::U32<Width>& first,
                                       simd::U32<Width>& second)
    {
        simd::U16<Width> p, red, green, blue;
        simd::load(p, in);
        expandedChannels<Width>(p, red, green, blue);
        simd::U16<Width> low = {}, high = {};
        placeChannel<RedShift>(red, low, high);
        placeChannel<GreenShift>(green, low, high);
        placeChannel<BlueShift>(blue, low, high);
        simd::U16<Width> firstHalves, secondHalves;
        simd::interleave(low, high, firstHalves, secondHalves);
        first = (simd::U32<Width>)firstHalves;
        second = (simd::U32<Width>)secondHalves;
    }
};

// The 32-bit expansion E whole, or its low three bytes for a 24-bit
// destination.
template <class E, int DestinationBytes>
struct Expanded : E,
                  detail::PixelSizes<2, DestinationBytes, 32>,
                  detail::BlockBody<Expanded<E, DestinationBytes>> {
    template <int Width>
    static constexpr std::int32_t blockPixels = Width / 2;

    template <int Width>
    VXR_SIMD_INLINE static void block(const std::uint8_t* in, std::uint8_t* out,
                                      typename E::Context)
    {
        simd::U32<Width> first, second;
        E::template expand<Width>(in, first, second);
        if constexpr (DestinationBytes == 4) {
            simd::store(out, first);
            simd::store(out + Width, second);
        } else {
            simd::storeLowTriples<Width>(out, first);
            simd::storeLowTriples<Width>(out + Width / 4 * 3, second);
        }
    }
};

template <class E>
using To32Bit = Expanded<E, 4>;
template <class E>
using To24Bit = Expanded<E, 3>;

using ArgbExpansion = Expansion<ARGB8888, 16, 8, 0>;
using AbgrExpansion = Expansion<ABGR8888, 0, 8, 16>;
using RgbaExpansion = Expansion<RGBA8888, 24, 16, 8>;
using BgraExpansion = Expansion<BGRA8888, 8, 16, 24>;

using ToBgr565Conversion = SameSizeConversion<ToBgr565, 2, 16>;
using ToArgb1555Conversion = SameSizeConversion<ToArgb1555, 2, 32>;
using ToAbgr1555Conversion = SameSizeConversion<ToAbgr1555, 2, 16>;
using ToGrey8Conversion = NarrowingConversion<ToGrey8, 16>;
using ToRgb332Conversion = NarrowingConversion<ToRgb332, 16>;

}  // namespace

VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToARGB8888, To32Bit<ArgbExpansion>)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToABGR8888, To32Bit<AbgrExpansion>)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToRGBA8888, To32Bit<RgbaExpansion>)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToBGRA8888, To32Bit<BgraExpansion>)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToRGB888, To24Bit<ArgbExpansion>)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToBGR888, To24Bit<AbgrExpansion>)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToBGR565, ToBgr565Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToARGB1555, ToArgb1555Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToABGR1555, ToAbgr1555Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToGREY8, ToGrey8Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(rgb565ToRGB332, ToRgb332Conversion)

}  // namespace vxr
