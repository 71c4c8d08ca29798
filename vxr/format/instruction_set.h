#pragma once

// Functions that carry these are only called after activeInstructionSet has
// reported that set (or a wider one), so the build itself needs no machine
// flags.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VXR_HAS_WIDE_BODIES 1
#define VXR_TARGET_AVX2 [[gnu::target("avx2")]]
#define VXR_TARGET_AVX512 [[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
#else
#define VXR_HAS_WIDE_BODIES 0
#endif

// WebAssembly built with -msimd128: the 16-byte vector bodies are SIMD128
// code. Built without it, vectors would be taken apart lane by lane, so the
// plain pixel-by-pixel code runs instead.
#if defined(__wasm__)
#define VXR_BASELINE_IS_PLAIN 1
#else
#define VXR_BASELINE_IS_PLAIN 0
#endif
#if defined(__wasm_simd128__)
#define VXR_HAS_SIMD128_BODIES 1
#else
#define VXR_HAS_SIMD128_BODIES 0
#endif

namespace vxr {

// The instruction sets that the library's and the demo's vector bodies are
// built for, narrowest first. On x86, BASELINE is what every x86-64
// processor has (SSE2); AVX512 stands for the 512-bit byte and word
// operations with byte permutes (AVX-512 F, BW, VL and VBMI together). One
// processor check serves every body, so that all of them agree on what a
// set means. In WebAssembly, BASELINE is code without vectors and SIMD128
// the 128-bit vector operations: an engine without them refuses the whole
// module, so the build decides rather than a check at run time.
enum class InstructionSet : int { BASELINE = 0, SIMD128 = 1, AVX2 = 2, AVX512 = 3 };

// Whether this build holds bodies for the set: a limit to a set it lacks
// falls to the widest narrower set it has.
constexpr bool isBuiltFor(InstructionSet set)
{
    switch (set) {
        case InstructionSet::BASELINE:
            return true;
        case InstructionSet::SIMD128:
            return VXR_HAS_SIMD128_BODIES;
        case InstructionSet::AVX2:
        case InstructionSet::AVX512:
            return VXR_HAS_WIDE_BODIES;
    }
    return false;
}

// The widest set that this processor runs, whatever the limit.
InstructionSet processorInstructionSet();

// The widest set that both the processor and the current limit allow; the
// vector bodies ask each time they start.
InstructionSet activeInstructionSet();

// Whether a vector gather reads a small table faster than as many plain
// loads do. Processors differ widely here (on some a gather costs several
// times its loads), so the answer is measured once, on first use; bodies
// that would gather use plain loads where this is false.
bool gathersAreFast();

// With false, gathersAreFast answers false whatever was measured, so that
// tests and benchmarks reach the bodies without gathers on any processor;
// true (the default) gives the measured answer again.
void allowGathers(bool allowed);

// Caps activeInstructionSet. The narrower bodies must give the same bytes
// as the wider ones, and this lets the tests run them on a wide processor.
void limitInstructionSet(InstructionSet ceiling);

}  // namespace vxr
