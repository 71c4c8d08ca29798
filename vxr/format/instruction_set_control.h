#pragma once

#include "vxr/format/instruction_set.h"

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

// What the tests and benchmarks steer, and what the library's own bodies
// ask beyond the public query (see the InstructionSet header).

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

// With false, gathersAreFast answers false whatever was measured, so that
// tests and benchmarks reach the bodies without gathers on any processor;
// true (the default) gives the measured answer again.
void allowGathers(bool allowed);

// Caps activeInstructionSet. The narrower bodies must give the same bytes
// as the wider ones, and this lets the tests run them on a wide processor.
void limitInstructionSet(InstructionSet ceiling);

}  // namespace vxr
