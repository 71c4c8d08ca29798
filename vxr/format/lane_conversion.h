#pragma once

#include <cstdint>

#include "vxr/format/row_runner.h"
#include "vxr/format/simd_vector.h"

// Conversions whose per-pixel arithmetic is one formula that works lane by
// lane. Formula::apply(value) rewrites its argument in place and is written
// once for both paths: on one pixel held in a 32-bit value, and on every
// lane of a vector whose lanes are as wide as a source pixel. The formulas
// keep their result inside the destination's width, so narrowing by taking
// the low part of each lane gives what a truncating store of one pixel gives.
namespace vxr::detail {

template <int Bytes, int Width>
struct LanesOf;
template <int Width>
struct LanesOf<1, Width> {
    using type = simd::U8<Width>;
};
template <int Width>
struct LanesOf<2, Width> {
    using type = simd::U16<Width>;
};
template <int Width>
struct LanesOf<4, Width> {
    using type = simd::U32<Width>;
};
template <int Bytes, int Width>
using Lanes = typename LanesOf<Bytes, Width>::type;

template <int SourceBytes, int DestinationBytes, int ShortRun>
struct PixelSizes {
    static constexpr int sourceBytes = SourceBytes;
    static constexpr int destinationBytes = DestinationBytes;
    static constexpr int shortRun = ShortRun;
};

template <class Formula>
struct FormulaPixel : WithoutLookup {
    static std::uint32_t pixel(std::uint32_t value, Context)
    {
        Formula::apply(value);
        return value;
    }
};

// Joins two vectors into one whose lanes are half as wide, keeping the low
// half of every lane.
template <int Bytes, int Width>
VXR_SIMD_INLINE void narrowPair(const Lanes<Bytes, Width>& first,
                                const Lanes<Bytes, Width>& second,
                                Lanes<Bytes / 2, Width>& out)
{
    using Narrow = Lanes<Bytes / 2, Width>;
    Narrow unused;
    simd::splitLanes((Narrow)first, (Narrow)second, out, unused);
}

// The formula rewrites every source pixel in its lane; a destination of the
// same size takes the lanes whole, a 3-byte one the low three bytes of each
// 32-bit lane.
template <class Formula, int SourceBytes, int DestinationBytes, int ShortRun>
struct InPlaceConversion
    : PixelSizes<SourceBytes, DestinationBytes, ShortRun>,
      FormulaPixel<Formula>,
      BlockBody<InPlaceConversion<Formula, SourceBytes, DestinationBytes, ShortRun>> {
    template <int Width>
    static constexpr std::int32_t blockPixels = Width / SourceBytes;

    template <int Width>
    VXR_SIMD_INLINE static void block(const std::uint8_t* in, std::uint8_t* out,
                                      WithoutLookup::Context)
    {
        Lanes<SourceBytes, Width> pixels;
        simd::load(pixels, in);
        Formula::apply(pixels);
        if constexpr (DestinationBytes == SourceBytes)
            simd::store(out, pixels);
        else
            simd::storeLowTriples<Width>(out, pixels);
    }
};

// Source and destination pixels of one size.
template <class Formula, int Bytes, int ShortRun>
using SameSizeConversion = InPlaceConversion<Formula, Bytes, Bytes, ShortRun>;

// 32-bit source pixels to the low three bytes of the formula's result.
template <class Formula, int ShortRun>
using TripleConversion = InPlaceConversion<Formula, 4, 3, ShortRun>;

// 16-bit source pixels to 8-bit ones.
template <class Formula, int ShortRun>
struct NarrowingConversion : PixelSizes<2, 1, ShortRun>,
                             FormulaPixel<Formula>,
                             BlockBody<NarrowingConversion<Formula, ShortRun>> {
    template <int Width>
    static constexpr std::int32_t blockPixels = Width;

    template <int Width>
    VXR_SIMD_INLINE static void block(const std::uint8_t* in, std::uint8_t* out,
                                      WithoutLookup::Context)
    {
        simd::U16<Width> first, second;
        simd::load(first, in);
        simd::load(second, in + Width);
        Formula::apply(first);
        Formula::apply(second);
        simd::U8<Width> narrowed;
        narrowPair<2, Width>(first, second, narrowed);
        simd::store(out, narrowed);
    }
};

// 32-bit source pixels to 16- or 8-bit ones. The formula takes the pixel's
// low half (green and blue) and high half (alpha and red) as 16-bit values:
// once the halves are apart, a vector holds twice as many pixels, which
// halves the arithmetic.
template <class Formula, int DestinationBytes, int ShortRun>
struct SplitConversion : PixelSizes<4, DestinationBytes, ShortRun>,
                         WithoutLookup,
                         BlockBody<SplitConversion<Formula, DestinationBytes, ShortRun>> {
    static std::uint32_t pixel(std::uint32_t value, Context)
    {
        std::uint32_t result;
        Formula::apply(result, value & 0xFFFFu, value >> 16);
        return result;
    }

    template <int Width>
    static constexpr std::int32_t blockPixels = Width / DestinationBytes;

    // Two vectors of source pixels to one of 16-bit results.
    template <int Width>
    VXR_SIMD_INLINE static void convertPair(const std::uint8_t* in, simd::U16<Width>& result)
    {
        simd::U16<Width> first, second, low, high;
        simd::load(first, in);
        simd::load(second, in + Width);
        simd::splitLanes(first, second, low, high);
        Formula::apply(result, low, high);
    }

    template <int Width>
    VXR_SIMD_INLINE static void block(const std::uint8_t* in, std::uint8_t* out, Context)
    {
        simd::U16<Width> result;
        convertPair<Width>(in, result);
        if constexpr (DestinationBytes == 2) {
            simd::store(out, result);
        } else {
            simd::U16<Width> second;
            convertPair<Width>(in + 2 * Width, second);
            simd::U8<Width> narrowed;
            narrowPair<2, Width>(result, second, narrowed);
            simd::store(out, narrowed);
        }
    }
};

}  // namespace vxr::detail
