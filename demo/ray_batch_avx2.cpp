#include <array>
#include <cmath>
#include <cstdint>

#include "demo/ray_batch.h"
#include "demo/wrapping_cast.h"

#if VXR_HAS_WIDE_BODIES

#include <immintrin.h>

// Everything below, the included lane templates too, is AVX2 code; it only
// runs once the dispatcher has reported AVX2.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace demo {
namespace {

// Four rays per register.
struct Avx2Lanes {
    static constexpr int32_t LANES = 4;
    using Doubles = __m256d;
    using Mask = __m256d;

    static Doubles wide(double value) { return _mm256_set1_pd(value); }
    static Doubles loadFloats(const float* at) { return _mm256_cvtps_pd(_mm_load_ps(at)); }
    static void storeFloats(float* at, Doubles values)
    {
        _mm_store_ps(at, _mm256_cvtpd_ps(values));
    }
    static void storeDoubles(double* at, Doubles values) { _mm256_storeu_pd(at, values); }
    static void storeTruncated(int32_t* at, Doubles values)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_cvttpd_epi32(values));
    }
    static Doubles roundToFloat(Doubles values) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(values)); }

    static Doubles add(Doubles a, Doubles b) { return _mm256_add_pd(a, b); }
    static Doubles sub(Doubles a, Doubles b) { return _mm256_sub_pd(a, b); }
    static Doubles mul(Doubles a, Doubles b) { return _mm256_mul_pd(a, b); }
    static Doubles div(Doubles a, Doubles b) { return _mm256_div_pd(a, b); }
    static Doubles sqrt(Doubles a) { return _mm256_sqrt_pd(a); }
    static Doubles min(Doubles a, Doubles b) { return _mm256_min_pd(a, b); }
    static Doubles max(Doubles a, Doubles b) { return _mm256_max_pd(a, b); }
    static Doubles floor(Doubles a) { return _mm256_floor_pd(a); }
    static Doubles absolute(Doubles a) { return _mm256_andnot_pd(wide(-0.0), a); }
    static Doubles negate(Doubles a) { return _mm256_xor_pd(a, wide(-0.0)); }

    static Mask less(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static Mask greater(Doubles a, Doubles b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static Mask both(Mask a, Mask b) { return _mm256_and_pd(a, b); }
    static int32_t bits(Mask mask) { return _mm256_movemask_pd(mask); }
    static Doubles select(Mask mask, Doubles ifSet, Doubles ifClear)
    {
        return _mm256_blendv_pd(ifClear, ifSet, mask);
    }
};

}  // namespace
}  // namespace demo

#include "demo/ray_lanes.h"

namespace demo {

void RayBatch::castAvx2(float radius, float cameraZ)
{
    lanes::intersect<Avx2Lanes>(directionX, directionY, directionZ, CAPACITY, radius, hitX, hitY,
                                hitZ, onWall);
    lanes::measure<Avx2Lanes>(hitX, hitY, hitZ, onWall, CAPACITY, cameraZ, depth, angle, falloff);
}

}  // namespace demo

#pragma GCC pop_options

#else

namespace demo {

// Without x86 vector instructions there is only the portable path.
void RayBatch::castAvx2(float radius, float cameraZ)
{
    castPortable(radius, cameraZ);
}

}  // namespace demo

#endif
