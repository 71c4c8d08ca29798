#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

// Lane-wise vectors of the compiler's vector extension. A conversion body is
// written once over a vector width in bytes and compiled for each
// instruction set by the entry points of row_runner.h; every helper here is
// always inlined into such an entry point. Helpers take and give vectors by
// reference: a wide vector passed by value would follow a calling
// convention that code built without the wide instruction set cannot share.
// A cast from one vector type to another of the same size keeps the bits.
namespace vxr::detail::simd {

template <class Lane, int Width>
struct VectorOf {
    typedef Lane type __attribute__((vector_size(Width)));
};
template <int Width>
using U8 = typename VectorOf<std::uint8_t, Width>::type;
template <int Width>
using U16 = typename VectorOf<std::uint16_t, Width>::type;
template <int Width>
using U32 = typename VectorOf<std::uint32_t, Width>::type;
template <int Width>
using U64 = typename VectorOf<std::uint64_t, Width>::type;

template <class Vector>
inline constexpr std::size_t laneCount = sizeof(Vector) / sizeof(std::declval<Vector&>()[0]);

// The narrowest width at which any shuffle of single bytes is one
// instruction. x86 has none for 16 bytes before SSSE3, which the baseline
// does not assume; WebAssembly's SIMD128 shuffle takes any pattern.
#if defined(__wasm__)
inline constexpr int byteShuffleWidth = 16;
#else
inline constexpr int byteShuffleWidth = 32;
#endif

#define VXR_SIMD_INLINE [[gnu::always_inline]] inline

template <class Vector>
VXR_SIMD_INLINE void load(Vector& vector, const std::uint8_t* at)
{
    std::memcpy(&vector, at, sizeof vector);
}

template <class Vector>
VXR_SIMD_INLINE void store(std::uint8_t* at, const Vector& vector)
{
    std::memcpy(at, &vector, sizeof vector);
}

// out = the even-numbered lanes of first followed by those of second: on a
// little-endian host, the low halves of lanes twice as wide.
template <class Vector, std::size_t... Lane>
VXR_SIMD_INLINE void evenLanes(const Vector& first, const Vector& second, Vector& out,
                               std::index_sequence<Lane...>)
{
    out = __builtin_shufflevector(first, second, (2 * Lane)...);
}

template <class Vector>
VXR_SIMD_INLINE void evenLanes(const Vector& first, const Vector& second, Vector& out)
{
    evenLanes(first, second, out, std::make_index_sequence<laneCount<Vector>>{});
}

// out = the odd-numbered lanes of first followed by those of second: the
// high halves of lanes twice as wide.
template <class Vector, std::size_t... Lane>
VXR_SIMD_INLINE void oddLanes(const Vector& first, const Vector& second, Vector& out,
                              std::index_sequence<Lane...>)
{
    out = __builtin_shufflevector(first, second, (2 * Lane + 1)...);
}

template <class Vector>
VXR_SIMD_INLINE void oddLanes(const Vector& first, const Vector& second, Vector& out)
{
    oddLanes(first, second, out, std::make_index_sequence<laneCount<Vector>>{});
}

// out lane i = in lane Pattern::from(i), for a pattern within one vector.
template <class Pattern, class Vector, std::size_t... Lane>
VXR_SIMD_INLINE void rearrange(const Vector& in, Vector& out, std::index_sequence<Lane...>)
{
    out = __builtin_shufflevector(in, in, Pattern::from(Lane)...);
}

template <class Pattern, class Vector>
VXR_SIMD_INLINE void rearrange(const Vector& in, Vector& out)
{
    rearrange<Pattern>(in, out, std::make_index_sequence<laneCount<Vector>>{});
}

// Within every 16 bytes, the even-numbered lanes of LaneBytes bytes move to
// the first 8 bytes and the odd-numbered ones to the last 8.
template <std::size_t LaneBytes>
struct EvenThenOdd {
    static constexpr std::size_t from(std::size_t byte)
    {
        constexpr std::size_t half = 8 / LaneBytes;  // lanes in 8 bytes
        const std::size_t group = byte / 16 * 16, lane = byte % 16 / LaneBytes;
        const std::size_t source = lane < half ? 2 * lane : 2 * (lane - half) + 1;
        return group + source * LaneBytes + byte % LaneBytes;
    }
};

// even = the even-numbered lanes of first followed by those of second, odd =
// the odd-numbered ones. From 32 bytes on, a byte shuffle inside each 16
// bytes and a choice of whole 8-byte lanes do it with cheaper instructions
// than one shuffle of narrow lanes across the whole vector.
template <class Vector>
VXR_SIMD_INLINE void splitLanes(const Vector& first, const Vector& second, Vector& even,
                                Vector& odd)
{
    constexpr int width = sizeof(Vector);
    if constexpr (width >= 32) {
        using Bytes = U8<width>;
        using Pattern = EvenThenOdd<sizeof(std::declval<Vector&>()[0])>;
        Bytes firstGrouped, secondGrouped;
        rearrange<Pattern>((Bytes)first, firstGrouped);
        rearrange<Pattern>((Bytes)second, secondGrouped);
        using Quads = U64<width>;
        Quads evens, odds;
        evenLanes((Quads)firstGrouped, (Quads)secondGrouped, evens);
        oddLanes((Quads)firstGrouped, (Quads)secondGrouped, odds);
        even = (Vector)evens;
        odd = (Vector)odds;
    } else {
        evenLanes(first, second, even);
        oddLanes(first, second, odd);
    }
}

// Lanes of low and high alternate: low0 high0 low1 high1 ..., the first half
// of them in first and the second half in second.
template <class Vector, std::size_t... Lane>
VXR_SIMD_INLINE void interleave(const Vector& low, const Vector& high, Vector& first,
                                Vector& second, std::index_sequence<Lane...>)
{
    constexpr std::size_t lanes = sizeof...(Lane);
    first = __builtin_shufflevector(low, high, (Lane / 2 + (Lane % 2) * lanes)...);
    second = __builtin_shufflevector(low, high, (lanes / 2 + Lane / 2 + (Lane % 2) * lanes)...);
}

template <class Vector>
VXR_SIMD_INLINE void interleave(const Vector& low, const Vector& high, Vector& first,
                                Vector& second)
{
    interleave(low, high, first, second, std::make_index_sequence<laneCount<Vector>>{});
}

// Byte i of a group of three comes from byte i of a group of four; the last
// quarter of the result is not used.
template <int Width>
struct PackedTriples {
    static constexpr std::size_t from(std::size_t lane)
    {
        return lane < Width / 4 * 3 ? lane / 3 * 4 + lane % 3 : 0;
    }
};

// Writes the low three bytes of every 32-bit lane, packed: 3/4 of Width bytes.
template <int Width>
VXR_SIMD_INLINE void storeLowTriples(std::uint8_t* at, const U32<Width>& pixels)
{
    if constexpr (Width >= byteShuffleWidth) {
        const U8<Width> bytes = (U8<Width>)pixels;
        U8<Width> packed;
        rearrange<PackedTriples<Width>>(bytes, packed);
        std::memcpy(at, &packed, Width / 4 * 3);
    } else {
        // Without a byte shuffle: join the two pixels of each 64-bit lane
        // into six bytes and write the lanes one by one.
        U64<Width> pairs = (U64<Width>)pixels;
        pairs = (pairs & 0xFFFFFFu) | ((pairs >> 8) & 0xFFFFFF000000u);
        for (std::size_t lane = 0; lane < laneCount<U64<Width>>; ++lane) {
            const std::uint64_t six = pairs[lane];
            std::memcpy(at + 6 * lane, &six, 6);
        }
    }
}

}  // namespace vxr::detail::simd
