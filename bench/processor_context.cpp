// Names the processor in every report's context, with the features that
// decide which bodies run: figures from different machines only compare
// with these beside them.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "vxr/format/instruction_set_control.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#endif

namespace {

std::string processorModel()
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    unsigned int highest = __get_cpuid_max(0x80000000u, nullptr);
    if (highest < 0x80000004u) return "unknown";
    char brand[49] = {};
    for (unsigned int leaf = 0; leaf < 3; ++leaf) {
        unsigned int registers[4];
        __get_cpuid(0x80000002u + leaf, &registers[0], &registers[1], &registers[2], &registers[3]);
        std::memcpy(brand + 16 * leaf, registers, sizeof registers);
    }
    std::string model(brand);
    const auto first = model.find_first_not_of(' ');
    model = first == std::string::npos ? "unknown" : model.substr(first);
    // Virtual machines often show a generic name; the family and model
    // numbers still tell the processor.
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        const unsigned int family =
            ((eax >> 8) & 0xF) + (((eax >> 8) & 0xF) == 0xF ? (eax >> 20) & 0xFF : 0);
        const unsigned int number = ((eax >> 4) & 0xF) | ((eax >> 12) & 0xF0);
        model += " (family " + std::to_string(family) + ", model " + std::to_string(number) +
                 ", stepping " + std::to_string(eax & 0xF) + ")";
    }
    return model;
#else
    return "unknown";
#endif
}

const char* yesNo(bool value)
{
    return value ? "yes" : "no";
}

const char* setName(vxr::InstructionSet set)
{
    switch (set) {
        case vxr::InstructionSet::AVX512:
            return "AVX-512 (F, BW, VL, VBMI)";
        case vxr::InstructionSet::AVX2:
            return "AVX2";
        case vxr::InstructionSet::SIMD128:
            return "SIMD128";
        case vxr::InstructionSet::BASELINE:
            break;
    }
    return "baseline (SSE2)";
}

const bool contextAdded = [] {
    benchmark::AddCustomContext("processor", processorModel());
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();
    benchmark::AddCustomContext("avx2", yesNo(__builtin_cpu_supports("avx2")));
    benchmark::AddCustomContext(
        "avx512", yesNo(__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vl")));
    benchmark::AddCustomContext("avx512vbmi", yesNo(__builtin_cpu_supports("avx512vbmi")));
#endif
    benchmark::AddCustomContext("vxr bodies", setName(vxr::processorInstructionSet()));
    benchmark::AddCustomContext(
        "vxr gathers", vxr::gathersAreFast() ? "measured fast, used" : "measured slow, not used");
    return true;
}();

}  // namespace
