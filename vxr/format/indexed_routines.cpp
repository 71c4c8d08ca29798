#include <cstdint>
#include <cstring>

#include "vxr/format/conversion_routines.h"
#include "vxr/format/lane_conversion.h"

#if VXR_HAS_WIDE_BODIES
#include <immintrin.h>
#endif

// Palette lookups: every source byte is an index into a 256-entry table,
// whose entries are 32-bit for 2-, 3- and 4-byte destinations (only the low
// bytes are written) and 8-bit for 1-byte destinations.
namespace vxr {
namespace {

using detail::byteCount;
using detail::loadWord;
namespace simd = detail::simd;

// Byte k of each of a table's 256 entries in plane k: the form in which
// byte permutes look entries up.
struct EntryPlanes {
    alignas(64) std::uint8_t plane[4][256];
};

// Four pixels at a time, each index read on its own (a byte load costs less
// than taking the byte out of a wider word), the entries' low bytes joined
// into whole words and written with one or two stores.
template <int Bytes, class Entry>
VXR_SIMD_INLINE void fourEntries(const std::uint8_t* in, std::uint8_t* out, const Entry* entries)
{
    const std::uint64_t first = entries[in[0]], second = entries[in[1]];
    const std::uint64_t third = entries[in[2]], fourth = entries[in[3]];
    if constexpr (Bytes == 4) {
        const std::uint64_t words[2] = {first | second << 32, third | fourth << 32};
        std::memcpy(out, words, sizeof words);
    } else if constexpr (Bytes == 3) {
        constexpr std::uint64_t low = 0xFFFFFF;
        const std::uint64_t head = (first & low) | (second & low) << 24 | third << 48;
        const std::uint32_t tail = static_cast<std::uint32_t>((third >> 16 & 0xFF) | fourth << 8);
        std::memcpy(out, &head, sizeof head);
        std::memcpy(out + sizeof head, &tail, sizeof tail);
    } else if constexpr (Bytes == 2) {
        const std::uint64_t word =
            (first & 0xFFFF) | (second & 0xFFFF) << 16 | (third & 0xFFFF) << 32 | fourth << 48;
        std::memcpy(out, &word, sizeof word);
    } else {
        const auto word =
            static_cast<std::uint32_t>(first | second << 8 | third << 16 | fourth << 24);
        std::memcpy(out, &word, sizeof word);
    }
}

template <int Bytes, class Entry>
std::int32_t wordRun(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                     const Entry* entries)
{
    std::int32_t done = 0;
    for (; count - done >= 4; done += 4)
        fourEntries<Bytes>(in + done, out + byteCount(done, Bytes), entries);
    return done;
}

#if VXR_HAS_WIDE_BODIES
template <int Bytes, int Width>
VXR_SIMD_INLINE void storeEntries(std::uint8_t* at, const simd::U32<Width>& first,
                                  const simd::U32<Width>& second)
{
    if constexpr (Bytes == 4) {
        simd::store(at, first);
        simd::store(at + Width, second);
    } else if constexpr (Bytes == 3) {
        simd::storeLowTriples<Width>(at, first);
        simd::storeLowTriples<Width>(at + Width / 4 * 3, second);
    } else {
        simd::U16<Width> narrowed;
        detail::narrowPair<4, Width>(first, second, narrowed);
        simd::store(at, narrowed);
    }
}

VXR_TARGET_AVX2 VXR_SIMD_INLINE void gatherEight(const std::uint8_t* in,
                                                 const std::uint32_t* entries, simd::U32<32>& out)
{
    const __m256i indices = _mm256_cvtepu8_epi32(
        _mm_cvtsi64_si128(static_cast<long long>(loadWord<std::uint64_t>(in))));
    out = (simd::U32<32>)_mm256_i32gather_epi32(reinterpret_cast<const int*>(entries), indices, 4);
}

// Sixteen pixels at a time, looked up eight at once.
template <int Bytes>
VXR_TARGET_AVX2 std::int32_t gatherRun(const std::uint8_t* in, std::uint8_t* out,
                                       std::int32_t count, const std::uint32_t* entries)
{
    std::int32_t done = 0;
    for (; count - done >= 16; done += 16) {
        simd::U32<32> first, second;
        gatherEight(in + done, entries, first);
        gatherEight(in + done + 8, entries, second);
        storeEntries<Bytes, 32>(out + byteCount(done, Bytes), first, second);
    }
    return done;
}

// Sixty-four 8-bit entries at a time: the whole table lives in four
// registers, and two two-register permutes look up the lower and upper
// halves, chosen by each index's top bit.
VXR_TARGET_AVX512 std::int32_t permuteRun(const std::uint8_t* in, std::uint8_t* out,
                                          std::int32_t count, const std::uint8_t* entries)
{
    const __m512i quarter0 = _mm512_loadu_si512(entries);
    const __m512i quarter1 = _mm512_loadu_si512(entries + 64);
    const __m512i quarter2 = _mm512_loadu_si512(entries + 128);
    const __m512i quarter3 = _mm512_loadu_si512(entries + 192);
    std::int32_t done = 0;
    for (; count - done >= 64; done += 64) {
        const __m512i indices = _mm512_loadu_si512(in + done);
        const __m512i lower = _mm512_permutex2var_epi8(quarter0, indices, quarter1);
        const __m512i upper = _mm512_permutex2var_epi8(quarter2, indices, quarter3);
        const __m512i values = _mm512_mask_blend_epi8(_mm512_movepi8_mask(indices), lower, upper);
        _mm512_storeu_si512(out + done, values);
    }
    return done;
}

// Byte controls for the permutes below, built at compile time.
struct ByteControl {
    alignas(64) std::uint8_t index[64];
};

// From 32 entries in two registers: byte First of each into the first 32
// bytes, byte First + 1 of each into the last 32.
constexpr ByteControl entryBytePicks(int first)
{
    ByteControl picks{};
    for (int i = 0; i < 32; ++i) {
        picks.index[i] = static_cast<std::uint8_t>(4 * i + first);
        picks.index[32 + i] = static_cast<std::uint8_t>(4 * i + first + 1);
    }
    return picks;
}
constexpr ByteControl lowBytePicks = entryBytePicks(0);
constexpr ByteControl highBytePicks = entryBytePicks(2);

// The unpack instructions interleave planes within 128-bit lanes: once
// pixels of Bytes bytes are put together, element e of lane j of result
// register s comes from index position 16j + (16 / Bytes)s + e. Reordering
// the 64 indices first, so that this position holds pixel
// (64 / Bytes)s + (16 / Bytes)j + e, leaves the results in memory order.
constexpr ByteControl laneOrder(int bytes)
{
    ByteControl order{};
    const int perLane = 16 / bytes;  // pixels of one register's 128-bit lane
    for (int s = 0; s < bytes; ++s)
        for (int j = 0; j < 4; ++j)
            for (int e = 0; e < perLane; ++e)
                order.index[16 * j + perLane * s + e] =
                    static_cast<std::uint8_t>(64 / bytes * s + perLane * j + e);
    return order;
}
constexpr ByteControl wordLaneOrder = laneOrder(2);
constexpr ByteControl dwordLaneOrder = laneOrder(4);

// The 64 indices at in, reordered by a laneOrder control. (The unmasked
// intrinsic starts from an undefined vector that GCC 12 warns about.)
VXR_TARGET_AVX512 VXR_SIMD_INLINE __m512i inLaneOrder(__m512i order, const std::uint8_t* in)
{
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, order, _mm512_loadu_si512(in));
}

// A 256-byte table (one byte of every entry) in four registers.
using Plane = __m512i[4];

// The low Planes bytes of the 256 entries, byte k of every entry into
// plane k. Each quarter of the table (64 entries in four registers) gives
// its 64 bytes of every plane.
template <int Planes>
VXR_TARGET_AVX512 void splitIntoPlanes(const std::uint32_t* entries, EntryPlanes& split)
{
    const __m512i lowPicks = _mm512_load_si512(lowBytePicks.index);
    const __m512i highPicks = _mm512_load_si512(highBytePicks.index);
    const __m512i lowHalves = _mm512_set_epi64(11, 10, 9, 8, 3, 2, 1, 0);
    const __m512i highHalves = _mm512_set_epi64(15, 14, 13, 12, 7, 6, 5, 4);
    for (int quarter = 0; quarter < 4; ++quarter) {
        const std::uint32_t* at = entries + 64 * quarter;
        const __m512i first = _mm512_loadu_si512(at), second = _mm512_loadu_si512(at + 16);
        const __m512i third = _mm512_loadu_si512(at + 32), fourth = _mm512_loadu_si512(at + 48);
        const __m512i low0 = _mm512_permutex2var_epi8(first, lowPicks, second);
        const __m512i low1 = _mm512_permutex2var_epi8(third, lowPicks, fourth);
        _mm512_store_si512(split.plane[0] + 64 * quarter,
                           _mm512_permutex2var_epi64(low0, lowHalves, low1));
        _mm512_store_si512(split.plane[1] + 64 * quarter,
                           _mm512_permutex2var_epi64(low0, highHalves, low1));
        if constexpr (Planes > 2) {
            const __m512i high0 = _mm512_permutex2var_epi8(first, highPicks, second);
            const __m512i high1 = _mm512_permutex2var_epi8(third, highPicks, fourth);
            _mm512_store_si512(split.plane[2] + 64 * quarter,
                               _mm512_permutex2var_epi64(high0, lowHalves, high1));
            if constexpr (Planes > 3)
                _mm512_store_si512(split.plane[3] + 64 * quarter,
                                   _mm512_permutex2var_epi64(high0, highHalves, high1));
        }
    }
}

template <int Planes>
VXR_TARGET_AVX512 VXR_SIMD_INLINE void loadPlanes(const EntryPlanes& split, Plane (&planes)[Planes])
{
    for (int plane = 0; plane < Planes; ++plane)
        for (int quarter = 0; quarter < 4; ++quarter)
            planes[plane][quarter] = _mm512_load_si512(split.plane[plane] + 64 * quarter);
}

// Looks up 64 indices in a 256-byte plane held in four registers: two
// two-register permutes, chosen by each index's top bit.
VXR_TARGET_AVX512 VXR_SIMD_INLINE __m512i lookUpPlane(const Plane& plane, __m512i indices,
                                                      __mmask64 upperHalf)
{
    return _mm512_mask_blend_epi8(upperHalf, _mm512_permutex2var_epi8(plane[0], indices, plane[1]),
                                  _mm512_permutex2var_epi8(plane[2], indices, plane[3]));
}

// Puts the bytes looked up for 64 pixels together, Bytes bytes a pixel, and
// stores them; indices() loads the 64 indices in the order that needs.
template <int Bytes>
struct PixelPacker;

// Indices in the order that interleaving Bytes planes within 128-bit lanes
// puts back into memory order.
template <int Bytes>
struct LaneOrderedIndices {
    __m512i order;

    VXR_TARGET_AVX512 LaneOrderedIndices()
        : order(_mm512_load_si512((Bytes == 2 ? wordLaneOrder : dwordLaneOrder).index))
    {
    }
    VXR_TARGET_AVX512 VXR_SIMD_INLINE __m512i indices(const std::uint8_t* in) const
    {
        return inLaneOrder(order, in);
    }
};

// Two planes, interleaved to words.
template <>
struct PixelPacker<2> : LaneOrderedIndices<2> {
    VXR_TARGET_AVX512 VXR_SIMD_INLINE void store(std::uint8_t* at, const __m512i (&bytes)[2]) const
    {
        _mm512_storeu_si512(at, _mm512_unpacklo_epi8(bytes[0], bytes[1]));
        _mm512_storeu_si512(at + 64, _mm512_unpackhi_epi8(bytes[0], bytes[1]));
    }
};

// Four planes, interleaved to bytes, then to words.
template <>
struct PixelPacker<4> : LaneOrderedIndices<4> {
    VXR_TARGET_AVX512 VXR_SIMD_INLINE void store(std::uint8_t* at, const __m512i (&bytes)[4]) const
    {
        const __m512i lowWords0 = _mm512_unpacklo_epi8(bytes[0], bytes[1]);
        const __m512i lowWords1 = _mm512_unpackhi_epi8(bytes[0], bytes[1]);
        const __m512i highWords0 = _mm512_unpacklo_epi8(bytes[2], bytes[3]);
        const __m512i highWords1 = _mm512_unpackhi_epi8(bytes[2], bytes[3]);
        _mm512_storeu_si512(at, _mm512_unpacklo_epi16(lowWords0, highWords0));
        _mm512_storeu_si512(at + 64, _mm512_unpackhi_epi16(lowWords0, highWords0));
        _mm512_storeu_si512(at + 128, _mm512_unpacklo_epi16(lowWords1, highWords1));
        _mm512_storeu_si512(at + 192, _mm512_unpackhi_epi16(lowWords1, highWords1));
    }
};

// Three planes into 3-byte pixels: output byte 3p + k of a 64-pixel block is
// byte k of pixel p. Per 64-byte chunk, one permute takes bytes 0 and 1 from
// the first two planes and a masked one puts in the third plane's.
struct TripleControls {
    ByteControl firstTwo[3];
    ByteControl third[3];
    std::uint64_t thirdMask[3];
};
constexpr TripleControls tripleControls = [] {
    TripleControls controls{};
    for (int chunk = 0; chunk < 3; ++chunk) {
        for (int o = 0; o < 64; ++o) {
            const int pixel = (64 * chunk + o) / 3, byte = (64 * chunk + o) % 3;
            controls.firstTwo[chunk].index[o] =
                static_cast<std::uint8_t>(byte == 1 ? 64 + pixel : pixel);
            controls.third[chunk].index[o] = static_cast<std::uint8_t>(pixel);
            if (byte == 2) controls.thirdMask[chunk] |= std::uint64_t{1} << o;
        }
    }
    return controls;
}();

template <>
struct PixelPacker<3> {
    __m512i firstTwo[3], third[3];

    VXR_TARGET_AVX512 PixelPacker()
    {
        for (int chunk = 0; chunk < 3; ++chunk) {
            firstTwo[chunk] = _mm512_load_si512(tripleControls.firstTwo[chunk].index);
            third[chunk] = _mm512_load_si512(tripleControls.third[chunk].index);
        }
    }
    VXR_TARGET_AVX512 VXR_SIMD_INLINE __m512i indices(const std::uint8_t* in) const
    {
        return _mm512_loadu_si512(in);
    }
    VXR_TARGET_AVX512 VXR_SIMD_INLINE void store(std::uint8_t* at, const __m512i (&bytes)[3]) const
    {
        for (int chunk = 0; chunk < 3; ++chunk) {
            const __m512i two = _mm512_permutex2var_epi8(bytes[0], firstTwo[chunk], bytes[1]);
            _mm512_storeu_si512(at + 64 * chunk,
                                _mm512_mask_permutexvar_epi8(two, tripleControls.thirdMask[chunk],
                                                             third[chunk], bytes[2]));
        }
    }
};

// 2-, 3- and 4-byte destinations without gathers. An area splits its table
// into planes once; a lone row splits its own.
template <int Bytes>
VXR_TARGET_AVX512 std::int32_t planeRun(const std::uint8_t* in, std::uint8_t* out,
                                        std::int32_t count, const std::uint32_t* entries,
                                        const EntryPlanes* split)
{
    if (count < 64) return 0;
    EntryPlanes own;
    if (split == nullptr) {
        splitIntoPlanes<Bytes>(entries, own);
        split = &own;
    }
    Plane planes[Bytes];
    loadPlanes(*split, planes);
    const PixelPacker<Bytes> packer;
    std::int32_t done = 0;
    for (; count - done >= 64; done += 64) {
        const __m512i indices = packer.indices(in + done);
        const __mmask64 upperHalf = _mm512_movepi8_mask(indices);
        __m512i bytes[Bytes];
        for (int plane = 0; plane < Bytes; ++plane)
            bytes[plane] = lookUpPlane(planes[plane], indices, upperHalf);
        packer.store(out + byteCount(done, Bytes), bytes);
    }
    return done;
}
#endif

template <class Entry, int DestinationBytes, int ShortRun>
struct Lookup : detail::PixelSizes<1, DestinationBytes, ShortRun> {
    static constexpr bool readsLookup = true;

    struct Context {
        const Entry* entries;
        const EntryPlanes* planes;  // split once for an area, or null
    };
    static Context context(const void* lookup)
    {
        return {static_cast<const Entry*>(lookup), nullptr};
    }

    using AreaState = EntryPlanes;
    static Context areaContext(const void* lookup, [[maybe_unused]] std::int32_t width,
                               [[maybe_unused]] EntryPlanes& planes)
    {
        Context area = context(lookup);
#if VXR_HAS_WIDE_BODIES
        if constexpr (sizeof(Entry) == 4) {
            if (width >= 64 && activeInstructionSet() == InstructionSet::AVX512) {
                splitIntoPlanes<DestinationBytes>(area.entries, planes);
                area.planes = &planes;
            }
        }
#endif
        return area;
    }

    static std::uint32_t pixel(std::uint32_t index, Context context)
    {
        return context.entries[index];
    }

    static std::int32_t wide(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                             Context context)
    {
#if VXR_HAS_WIDE_BODIES
        const InstructionSet set = activeInstructionSet();
        if constexpr (sizeof(Entry) == 4) {
            if (set == InstructionSet::AVX512)
                return planeRun<DestinationBytes>(in, out, count, context.entries, context.planes);
            if (set >= InstructionSet::AVX2 && gathersAreFast())
                return gatherRun<DestinationBytes>(in, out, count, context.entries);
        } else {
            // A gather would read four bytes per index, past the end of a
            // table of 8-bit entries.
            if (set == InstructionSet::AVX512) return permuteRun(in, out, count, context.entries);
        }
#endif
        return wordRun<DestinationBytes>(in, out, count, context.entries);
    }
};

// 4-byte entries need no alignment step and no separate short path.
using To32Lookup = Lookup<std::uint32_t, 4, 0>;
using To24Lookup = Lookup<std::uint32_t, 3, 32>;
using To16Lookup = Lookup<std::uint32_t, 2, 32>;
using To8Lookup = Lookup<std::uint8_t, 1, 32>;

}  // namespace

VXR_DEFINE_CONVERSION_ROUTINE(indexedTo32, To32Lookup)
VXR_DEFINE_CONVERSION_ROUTINE(indexedTo24, To24Lookup)
VXR_DEFINE_CONVERSION_ROUTINE(indexedTo16, To16Lookup)
VXR_DEFINE_CONVERSION_ROUTINE(indexedTo8, To8Lookup)

}  // namespace vxr
