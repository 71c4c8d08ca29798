#include "vxr/format/instruction_set.h"

#include <atomic>

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
#endif
    return InstructionSet::BASELINE;
}

std::atomic<int> ceilingSet{static_cast<int>(InstructionSet::AVX512)};

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
    return ceiling < static_cast<int>(detected) ? static_cast<InstructionSet>(ceiling) : detected;
}

void limitInstructionSet(InstructionSet ceiling)
{
    ceilingSet.store(static_cast<int>(ceiling), std::memory_order_relaxed);
}

}  // namespace vxr
