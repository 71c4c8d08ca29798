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

// Eight pixels at a time: the entries' low bytes are gathered into Bytes
// 64-bit words and written with whole-word stores.
template <int Bytes, class Entry>
std::int32_t wordRun(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                     const Entry* entries)
{
    constexpr int bits = 8 * Bytes;
    constexpr std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    std::int32_t done = 0;
    for (; count - done >= 8; done += 8) {
        const std::uint64_t indices = loadWord<std::uint64_t>(in + done);
        std::uint64_t words[Bytes] = {};
        for (int pixel = 0; pixel < 8; ++pixel) {
            const std::uint64_t value = entries[(indices >> (8 * pixel)) & 0xFF] & mask;
            const int bit = pixel * bits;
            words[bit / 64] |= value << (bit % 64);
            // A 24-bit entry may straddle two words.
            if (bit % 64 + bits > 64) words[bit / 64 + 1] |= value >> (64 - bit % 64);
        }
        std::memcpy(out + byteCount(done, Bytes), words, sizeof words);
    }
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
                                                 const std::uint32_t* entries,
                                                 simd::U32<32>& out)
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

// From 32 entries in two registers: byte 0 of each into the first 32 bytes,
// byte 1 of each into the last 32.
struct LowBytePicks {
    alignas(64) std::uint8_t index[64];
};
constexpr LowBytePicks lowBytePicks = [] {
    LowBytePicks picks{};
    for (int i = 0; i < 32; ++i) {
        picks.index[i] = static_cast<std::uint8_t>(4 * i);
        picks.index[32 + i] = static_cast<std::uint8_t>(4 * i + 1);
    }
    return picks;
}();

// The low two bytes of the 256 entries, as two 256-byte planes (byte 0 of
// every entry, then byte 1) of four registers each.
VXR_TARGET_AVX512 VXR_SIMD_INLINE void loadTwoPlanes(const std::uint32_t* entries,
                                                     __m512i (&low)[4], __m512i (&high)[4])
{
    const __m512i picks = _mm512_load_si512(lowBytePicks.index);
    const __m512i lowHalves = _mm512_set_epi64(11, 10, 9, 8, 3, 2, 1, 0);
    const __m512i highHalves = _mm512_set_epi64(15, 14, 13, 12, 7, 6, 5, 4);
    for (int quarter = 0; quarter < 4; ++quarter) {
        const std::uint32_t* at = entries + 64 * quarter;
        const __m512i first = _mm512_permutex2var_epi8(_mm512_loadu_si512(at), picks,
                                                       _mm512_loadu_si512(at + 16));
        const __m512i second = _mm512_permutex2var_epi8(_mm512_loadu_si512(at + 32), picks,
                                                        _mm512_loadu_si512(at + 48));
        low[quarter] = _mm512_permutex2var_epi64(first, lowHalves, second);
        high[quarter] = _mm512_permutex2var_epi64(first, highHalves, second);
    }
}

// Looks up 64 indices in a 256-byte plane held in four registers: two
// two-register permutes, chosen by each index's top bit.
VXR_TARGET_AVX512 VXR_SIMD_INLINE __m512i lookUpPlane(const __m512i (&plane)[4],
                                                     __m512i indices, __mmask64 upperHalf)
{
    return _mm512_mask_blend_epi8(upperHalf, _mm512_permutex2var_epi8(plane[0], indices, plane[1]),
                                  _mm512_permutex2var_epi8(plane[2], indices, plane[3]));
}

// 16-bit destinations without gathers: the two bytes of 64 entries come from
// register permutes, which cost far less than 64 loads.
VXR_TARGET_AVX512 std::int32_t planeRun16(const std::uint8_t* in, std::uint8_t* out,
                                          std::int32_t count, const std::uint32_t* entries)
{
    if (count < 64) return 0;
    __m512i low[4], high[4];
    loadTwoPlanes(entries, low, high);
    // unpack pairs bytes within 128-bit lanes; these put the lanes back in order.
    const __m512i firstHalf = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0);
    const __m512i secondHalf = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
    std::int32_t done = 0;
    for (; count - done >= 64; done += 64) {
        const __m512i indices = _mm512_loadu_si512(in + done);
        const __mmask64 upperHalf = _mm512_movepi8_mask(indices);
        const __m512i lowBytes = lookUpPlane(low, indices, upperHalf);
        const __m512i highBytes = lookUpPlane(high, indices, upperHalf);
        const __m512i first = _mm512_unpacklo_epi8(lowBytes, highBytes);
        const __m512i second = _mm512_unpackhi_epi8(lowBytes, highBytes);
        std::uint8_t* at = out + byteCount(done, 2);
        _mm512_storeu_si512(at, _mm512_permutex2var_epi64(first, firstHalf, second));
        _mm512_storeu_si512(at + 64, _mm512_permutex2var_epi64(first, secondHalf, second));
    }
    return done;
}
#endif

template <class Entry, int DestinationBytes, int ShortRun>
struct Lookup : detail::PixelSizes<1, DestinationBytes, ShortRun> {
    static constexpr bool readsLookup = true;

    struct Context {
        const Entry* entries;
    };
    static Context context(const void* lookup) { return {static_cast<const Entry*>(lookup)}; }

    static std::uint32_t pixel(std::uint32_t index, Context context)
    {
        return context.entries[index];
    }

    static std::int32_t wide(const std::uint8_t* in, std::uint8_t* out, std::int32_t count,
                             Context context)
    {
#if VXR_HAS_WIDE_BODIES
        const InstructionSet set = activeInstructionSet();
        if constexpr (DestinationBytes == 2) {
            if (set == InstructionSet::AVX512)
                return planeRun16(in, out, count, context.entries);
        }
        if constexpr (sizeof(Entry) == 4) {
            if (set >= InstructionSet::AVX2)
                return gatherRun<DestinationBytes>(in, out, count, context.entries);
        } else {
            // A gather would read four bytes per index, past the end of a
            // table of 8-bit entries.
            if (set == InstructionSet::AVX512)
                return permuteRun(in, out, count, context.entries);
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
