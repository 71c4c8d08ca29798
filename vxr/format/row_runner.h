#pragma once

#include <cstdint>

#include "vxr/format/area_request.h"
#include "vxr/format/instruction_set_control.h"
#include "vxr/format/pixel_io.h"
#include "vxr/format/simd_vector.h"

// The walk that every row routine shares: short runs one pixel at a time;
// long runs first step single pixels up to a word-aligned destination, then
// convert whole blocks in a wide body, then the rest one pixel at a time. A conversion C supplies
//   sourceBytes, destinationBytes  bytes per pixel read and written;
//   shortRun                       the longest run done one pixel at a time;
//   Context, context(lookup)       what a pixel needs from the lookup pointer,
//                                  fetched once per run;
//   readsLookup                    true when a null lookup must stop the run
//                                  before anything is read or written;
//   pixel(value, context)          one pixel, little-endian value in and out;
//   wide(in, out, count, context)  converts whole blocks from the start of
//                                  count pixels and returns how many it did.
namespace vxr::detail {

// A 16-bit destination at an odd address never reaches a word boundary, so
// it gets at most one step; 8- and 24-bit ones reach it within three.
template <int DestinationBytes>
inline constexpr int alignmentSteps = DestinationBytes == 4   ? 0
                                      : DestinationBytes == 2 ? 1
                                                              : 3;

template <class C>
inline void convertPixel(const std::uint8_t*& in, std::uint8_t*& out,
                         const typename C::Context& context)
{
    storePixel<C::destinationBytes>(out, C::pixel(loadPixel<C::sourceBytes>(in), context));
    in += C::sourceBytes;
    out += C::destinationBytes;
}

template <class C>
void runRowWith(const std::uint8_t*& source, std::uint8_t*& destination, std::int32_t count,
                const typename C::Context& context)
{
    const std::uint8_t* in = source;
    std::uint8_t* out = destination;
    std::int32_t left = count;
    if (left > C::shortRun) {
        for (int step = 0; step < alignmentSteps<C::destinationBytes> && !isWordAligned(out);
             ++step, --left)
            convertPixel<C>(in, out, context);
        const std::int32_t done = C::wide(in, out, left, context);
        in += byteCount(done, C::sourceBytes);
        out += byteCount(done, C::destinationBytes);
        left -= done;
    }
    for (; left > 0; --left) convertPixel<C>(in, out, context);
    source = in;
    destination = out;
}

template <class C>
void runRow(const std::uint8_t*& source, std::uint8_t*& destination, std::int32_t count,
            const void* lookup)
{
    if (count <= 0) return;
    if (C::readsLookup && lookup == nullptr) return;
    runRowWith<C>(source, destination, count, C::context(lookup));
}

// Calls rowStep(source, destination) for each row of the area.
template <class RowStep>
void walkArea(AreaRequest& request, RowStep rowStep)
{
    if (request.height <= 0) return;
    const std::uint8_t* source = request.sourceStart;
    std::uint8_t* destination = request.destinationStart;
    for (;;) {
        rowStep(source, destination);
        if (--request.height == 0) return;
        // Past the last row the next row's start may lie outside the
        // surface, so the gaps are only added between rows.
        source += request.sourceGap;
        destination += request.destinationGap;
    }
}

template <RowRoutine row>
void runArea(AreaRequest request, const void* lookup)
{
    const std::int32_t width = request.width;
    walkArea(request, [&](const std::uint8_t*& source, std::uint8_t*& destination) {
        row(source, destination, width, lookup);
    });
}

// A conversion that prepares something costly from its lookup table gives
// C::AreaState and C::areaContext(lookup, width, state): an area then
// prepares it once for all its rows. The rows give the same bytes as the
// row routine would.
template <class C, RowRoutine row>
void runConversionArea(AreaRequest request, const void* lookup)
{
    if constexpr (requires { typename C::AreaState; }) {
        if (request.width <= 0 || (C::readsLookup && lookup == nullptr)) return;
        typename C::AreaState state;
        const typename C::Context context = C::areaContext(lookup, request.width, state);
        const std::int32_t width = request.width;
        walkArea(request, [&](const std::uint8_t*& source, std::uint8_t*& destination) {
            runRowWith<C>(source, destination, width, context);
        });
    } else {
        runArea<row>(request, lookup);
    }
}

// Conversions that read nothing through the lookup pointer.
struct WithoutLookup {
    static constexpr bool readsLookup = false;
    struct Context {};
    static Context context(const void*) { return {}; }
};

// Wide bodies made of fixed blocks: C::block<Width> converts
// C::blockPixels<Width> pixels with vectors of Width bytes.
template <class C, int Width>
VXR_SIMD_INLINE std::int32_t blockLoop(const std::uint8_t* in, std::uint8_t* out,
                                       std::int32_t count, const typename C::Context& context)
{
    constexpr std::int32_t pixels = C::template blockPixels<Width>;
    std::int32_t done = 0;
    for (; count - done >= pixels; done += pixels)
        C::template block<Width>(in + byteCount(done, C::sourceBytes),
                                 out + byteCount(done, C::destinationBytes), context);
    return done;
}

template <class C>
std::int32_t baselineBlocks(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                            const typename C::Context& context)
{
    return blockLoop<C, 16>(in, out, count, context);
}

#if VXR_HAS_WIDE_BODIES
template <class C>
VXR_TARGET_AVX2 std::int32_t avx2Blocks(const std::uint8_t* in, std::uint8_t* out,
                                        std::int32_t count, const typename C::Context& context)
{
    return blockLoop<C, 32>(in, out, count, context);
}

template <class C>
VXR_TARGET_AVX512 std::int32_t avx512Blocks(const std::uint8_t* in, std::uint8_t* out,
                                            std::int32_t count, const typename C::Context& context)
{
    return blockLoop<C, 64>(in, out, count, context);
}
#endif

template <class C>
std::int32_t wideBlocks(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                        const typename C::Context& context)
{
#if VXR_HAS_WIDE_BODIES
    switch (activeInstructionSet()) {
        case InstructionSet::AVX512:
            return avx512Blocks<C>(in, out, count, context);
        case InstructionSet::AVX2:
            return avx2Blocks<C>(in, out, count, context);
        case InstructionSet::SIMD128:
        case InstructionSet::BASELINE:
            break;
    }
#elif VXR_BASELINE_IS_PLAIN
    // Without SIMD128 the run's caller converts every pixel on its own.
    if (activeInstructionSet() != InstructionSet::SIMD128) return 0;
#endif
    return baselineBlocks<C>(in, out, count, context);
}

// Gives a conversion made of blocks its wide body.
template <class C>
struct BlockBody {
    template <class Context>
    static std::int32_t wide(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                             const Context& context)
    {
        return wideBlocks<C>(in, out, count, context);
    }
};

}  // namespace vxr::detail

// Defines name##Row and name##Block (declared in conversion_routines.h) for
// the conversion type; used inside namespace vxr.
#define VXR_DEFINE_CONVERSION_ROUTINE(name, Conversion)                                         \
    void name##Row(const std::uint8_t*& source, std::uint8_t*& destination, std::int32_t count, \
                   const void* lookup)                                                          \
    {                                                                                           \
        detail::runRow<Conversion>(source, destination, count, lookup);                         \
    }                                                                                           \
    void name##Block(AreaRequest request, const void* lookup)                                   \
    {                                                                                           \
        detail::runConversionArea<Conversion, name##Row>(request, lookup);                      \
    }
