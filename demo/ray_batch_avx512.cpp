#include <array>
#include <cmath>
#include <cstdint>

#include "demo/ray_batch.h"
#include "demo/wrapping_cast.h"

#if VXR_HAS_WIDE_BODIES

// GCC 12's 512-bit intrinsics start from "undefined" vectors that they
// initialise with themselves, and then warn about that at every use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

// Everything below, the included lane templates too, is AVX-512 code; it
// only runs once the dispatcher has reported AVX-512.
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512vbmi")

namespace demo {
namespace {

// Eight rays per register: twice the rays in flight for the same chains of
// divisions, square roots and multiplications.
struct Avx512Lanes {
    static constexpr int32_t LANES = 8;
    using Doubles = __m512d;
    using Mask = __mmask8;

    static Doubles wide(double value) { return _mm512_set1_pd(value); }
    static Doubles loadFloats(const float* at) { return _mm512_cvtps_pd(_mm256_load_ps(at)); }
    static void storeFloats(float* at, Doubles values)
    {
        _mm256_store_ps(at, _mm512_cvtpd_ps(values));
    }
    static void storeDoubles(double* at, Doubles values) { _mm512_storeu_pd(at, values); }
    static void storeTruncated(int32_t* at, Doubles values)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm512_cvttpd_epi32(values));
    }
    static Doubles roundToFloat(Doubles values) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(values)); }

    static Doubles add(Doubles a, Doubles b) { return _mm512_add_pd(a, b); }
    static Doubles sub(Doubles a, Doubles b) { return _mm512_sub_pd(a, b); }
    static Doubles mul(Doubles a, Doubles b) { return _mm512_mul_pd(a, b); }
    static Doubles div(Doubles a, Doubles b) { return _mm512_div_pd(a, b); }
    static Doubles sqrt(Doubles a) { return _mm512_sqrt_pd(a); }
    static Doubles min(Doubles a, Doubles b) { return _mm512_min_pd(a, b); }
    static Doubles max(Doubles a, Doubles b) { return _mm512_max_pd(a, b); }
    static Doubles floor(Doubles a)
    {
        return _mm512_roundscale_pd(a, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    }
    // The sign bit alone, as an integer operation (the floating-point ones
    // would need AVX-512 DQ).
    static Doubles withSign(Doubles a, int64_t keep, int64_t flip)
    {
        const __m512i bits = _mm512_castpd_si512(a);
        return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_and_si512(bits, _mm512_set1_epi64(keep)),
                                                    _mm512_set1_epi64(flip)));
    }
    static Doubles absolute(Doubles a) { return withSign(a, INT64_MAX, 0); }
    static Doubles negate(Doubles a) { return withSign(a, -1, INT64_MIN); }

    static Mask less(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static Mask greater(Doubles a, Doubles b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static Mask both(Mask a, Mask b) { return Mask(a & b); }
    static int32_t bits(Mask mask) { return mask; }
    static Doubles select(Mask mask, Doubles ifSet, Doubles ifClear)
    {
        return _mm512_mask_blend_pd(mask, ifClear, ifSet);
    }
};

}  // namespace
}  // namespace demo

#include "demo/ray_lanes.h"

namespace demo {

void RayBatch::castAvx512(float radius, float cameraZ)
{
    lanes::intersect<Avx512Lanes>(directionX, directionY, directionZ, CAPACITY, radius, hitX, hitY,
                                  hitZ, onWall);
    lanes::measure<Avx512Lanes>(hitX, hitY, hitZ, onWall, CAPACITY, cameraZ, depth, angle, falloff);
}

}  // namespace demo

#pragma GCC pop_options
#pragma GCC diagnostic pop

#else

namespace demo {

// Without x86 vector instructions there is only the portable path.
void RayBatch::castAvx512(float radius, float cameraZ)
{
    castPortable(radius, cameraZ);
}

}  // namespace demo

#endif
