#pragma once

/// @file
/// InstructionSet, the vector instructions this processor runs, for a
/// program that writes vector code of its own beside the library's.
///
/// A program marks a body with VXR_TARGET_AVX2 or VXR_TARGET_AVX512 where
/// VXR_HAS_WIDE_BODIES is 1 and calls it only once activeInstructionSet()
/// has reported that set (or a wider one), so that its build needs no
/// machine flags and it runs on every processor:
///
///     #if VXR_HAS_WIDE_BODIES
///     VXR_TARGET_AVX2 void fillAvx2(std::uint32_t* pixels, int count);
///     #endif
///     ...
///     if (vxr::activeInstructionSet() >= vxr::InstructionSet::AVX2) fillAvx2(pixels, count);

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
/// 1 where the compiler can build AVX2 and AVX-512 bodies without machine
/// flags (GCC and Clang on x86), 0 elsewhere.
#define VXR_HAS_WIDE_BODIES 1
/// Builds the function it marks for AVX2.
#define VXR_TARGET_AVX2 [[gnu::target("avx2")]]
/// Builds the function it marks for AVX-512 F, BW, VL and VBMI, the set
/// InstructionSet::AVX512 stands for.
#define VXR_TARGET_AVX512 [[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
#else
/// 0: this compiler builds no AVX bodies here, and the target marks are absent.
#define VXR_HAS_WIDE_BODIES 0
#endif

namespace vxr {

/// The instruction sets vector bodies are built for, narrowest first. On
/// x86, BASELINE is what every x86-64 processor has (SSE2); AVX512 stands
/// for the 512-bit byte and word operations with byte permutes (AVX-512 F,
/// BW, VL and VBMI together). In WebAssembly, BASELINE is code without
/// vectors and SIMD128 the 128-bit vector operations: an engine without them
/// refuses the whole module, so the build decides rather than a check at run
/// time.
enum class InstructionSet : int {
    BASELINE = 0,  ///< no vectors beyond what every processor of the kind has
    SIMD128 = 1,   ///< WebAssembly's 128-bit vectors
    AVX2 = 2,      ///< x86 AVX2
    AVX512 = 3,    ///< x86 AVX-512 F, BW, VL and VBMI
};

/// The widest set that both this processor and the library's bodies allow:
/// the set the library's own conversions run now. One check serves the
/// library and the program, so both agree on what a set means; ask each
/// time a body starts, as the answer is cheap.
InstructionSet activeInstructionSet();

/// Whether a vector gather reads a small table faster than as many plain
/// loads do. Processors differ widely here (on some a gather costs several
/// times its loads), so the answer is measured once, on first use; a body
/// that would gather should use plain loads where this is false.
bool gathersAreFast();

}  // namespace vxr
