#pragma once

#include <cstdint>

namespace vxr {

// The instruction sets the tunnel's inner loops are written for, from the
// plainest up. Every path computes exactly the same bits; the fastest one
// the processor runs is used. AVX512 stands for the 512-bit foundation with
// the byte and word instructions and the byte permutes.
enum class SimdPath : int32_t { PORTABLE = 0, AVX2 = 1, AVX512 = 2 };

int32_t isSimdPathAvailable(SimdPath path);
// The given path, or the best one below it that this processor runs.
SimdPath runnableSimdPath(SimdPath wanted);
// Chosen once, on first use.
SimdPath fastestSimdPath();

}  // namespace vxr

// x86 vector code is compiled for its instruction set function by function
// and only run after the processor has been asked, so the build itself
// needs no machine flags.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VXR_X86_SIMD 1
#define VXR_TARGET_AVX2 __attribute__((target("avx2")))
#define VXR_TARGET_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))
#else
#define VXR_X86_SIMD 0
#endif
