#include "demo/simd_path.h"

namespace vxr {

int32_t isSimdPathAvailable(SimdPath path)
{
    switch (path) {
        case SimdPath::PORTABLE:
            return 1;
#if VXR_X86_SIMD
        case SimdPath::AVX2:
            return __builtin_cpu_supports("avx2") ? 1 : 0;
        case SimdPath::AVX512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                           __builtin_cpu_supports("avx512vbmi")
                       ? 1
                       : 0;
#else
        case SimdPath::AVX2:
        case SimdPath::AVX512:
            return 0;
#endif
    }
    return 0;
}

SimdPath runnableSimdPath(SimdPath wanted)
{
    for (int32_t path = int32_t(wanted); path > int32_t(SimdPath::PORTABLE); --path) {
        if (isSimdPathAvailable(SimdPath(path))) {
            return SimdPath(path);
        }
    }
    return SimdPath::PORTABLE;
}

SimdPath fastestSimdPath()
{
    static const SimdPath fastest = runnableSimdPath(SimdPath::AVX512);
    return fastest;
}

}  // namespace vxr
