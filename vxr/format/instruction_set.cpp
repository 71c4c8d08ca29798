#include "vxr/format/instruction_set.h"

#include <atomic>
#include <chrono>
#include <cstdint>

#include "vxr/format/instruction_set_control.h"

#if VXR_HAS_WIDE_BODIES
#include <immintrin.h>
#endif

namespace vxr {
namespace {

InstructionSet detectInstructionSet()
{
#if VXR_HAS_WIDE_BODIES
    // The checks include the operating system's support for the wide
    // registers, not only the processor's.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi"))
        return InstructionSet::AVX512;
    if (__builtin_cpu_supports("avx2")) return InstructionSet::AVX2;
#elif VXR_HAS_SIMD128_BODIES
    // The module would not have loaded without SIMD128.
    return InstructionSet::SIMD128;
#endif
    return InstructionSet::BASELINE;
}

// The widest set at or below the ceiling that this build has bodies for.
InstructionSet widestBuiltUpTo(int ceiling)
{
    for (int set = ceiling; set > 0; --set)
        if (isBuiltFor(static_cast<InstructionSet>(set))) return static_cast<InstructionSet>(set);
    return InstructionSet::BASELINE;
}

#if VXR_HAS_WIDE_BODIES
// A 256-entry table read at scattered indices, eight at a time, as the
// palette lookups and the tunnel's texel reads do.
constexpr int SAMPLE_READS = 4096;

struct GatherSample {
    alignas(32) std::uint32_t table[256];
    alignas(32) std::uint8_t indices[SAMPLE_READS];
};

GatherSample makeSample()
{
    GatherSample sample{};
    std::uint32_t state = 1;
    for (std::uint32_t& entry : sample.table) entry = state = state * 1664525u + 1013904223u;
    for (std::uint8_t& index : sample.indices) {
        state = state * 1664525u + 1013904223u;
        index = static_cast<std::uint8_t>(state >> 24);
    }
    return sample;
}

VXR_TARGET_AVX2 std::uint32_t gatheredSum(const GatherSample& sample)
{
    __m256i sum = _mm256_setzero_si256();
    for (int at = 0; at < SAMPLE_READS; at += 8) {
        const __m256i indices = _mm256_cvtepu8_epi32(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sample.indices + at)));
        sum = _mm256_add_epi32(
            sum, _mm256_i32gather_epi32(reinterpret_cast<const int*>(sample.table), indices, 4));
    }
    alignas(32) std::uint32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sum);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3] + lanes[4] + lanes[5] + lanes[6] + lanes[7];
}

std::uint32_t loadedSum(const GatherSample& sample)
{
    std::uint32_t sums[8] = {};
    for (int at = 0; at < SAMPLE_READS; at += 8)
        for (int lane = 0; lane < 8; ++lane) sums[lane] += sample.table[sample.indices[at + lane]];
    return sums[0] + sums[1] + sums[2] + sums[3] + sums[4] + sums[5] + sums[6] + sums[7];
}

// The shortest of several runs, so that an interruption does not decide.
template <class Reads>
std::chrono::steady_clock::duration shortestRun(Reads reads)
{
    volatile std::uint32_t sink = 0;
    auto best = std::chrono::steady_clock::duration::max();
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        sink = sink + reads();
        const auto taken = std::chrono::steady_clock::now() - start;
        if (taken < best) best = taken;
    }
    return best;
}

bool measureGathers()
{
    if (processorInstructionSet() == InstructionSet::BASELINE) return false;
    static const GatherSample sample = makeSample();
    const auto gathered = shortestRun([] { return gatheredSum(sample); });
    const auto loaded = shortestRun([] { return loadedSum(sample); });
    return gathered < loaded;
}
#endif

std::atomic<int> ceilingSet{static_cast<int>(InstructionSet::AVX512)};
std::atomic<bool> gathersAllowed{true};

}  // namespace

InstructionSet processorInstructionSet()
{
    static const InstructionSet detected = detectInstructionSet();
    return detected;
}

InstructionSet activeInstructionSet()
{
    const InstructionSet detected = processorInstructionSet();
    const int ceiling = ceilingSet.load(std::memory_order_relaxed);
    return ceiling < static_cast<int>(detected) ? widestBuiltUpTo(ceiling) : detected;
}

bool gathersAreFast()
{
#if VXR_HAS_WIDE_BODIES
    static const bool fast = measureGathers();
    return fast && gathersAllowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void allowGathers(bool allowed)
{
    gathersAllowed.store(allowed, std::memory_order_relaxed);
}

void limitInstructionSet(InstructionSet ceiling)
{
    ceilingSet.store(static_cast<int>(ceiling), std::memory_order_relaxed);
}

}  // namespace vxr
