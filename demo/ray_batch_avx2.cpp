#include "demo/ray_batch.h"

#if VXR_HAS_WIDE_BODIES

#include <immintrin.h>

namespace demo {

namespace {

// Four rays per register, each operation the same correctly rounded double
// operation as in the per-ray functions, in the same order, so the results
// are bit for bit those of the portable path.

VXR_TARGET_AVX2 inline __m256d wide(double value)
{
    return _mm256_set1_pd(value);
}

VXR_TARGET_AVX2 inline __m256d load(const float* values)
{
    return _mm256_cvtps_pd(_mm_load_ps(values));
}

VXR_TARGET_AVX2 inline __m256d absolute(__m256d values)
{
    return _mm256_andnot_pd(wide(-0.0), values);
}

VXR_TARGET_AVX2 inline __m128 isFinite(__m128 values)
{
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), values);
    return _mm_cmp_ps(magnitude, _mm_set1_ps(INFINITY), _CMP_LT_OQ);
}

// origin + s * direction, rounded to single precision after each step.
VXR_TARGET_AVX2 inline __m128 stepAlong(__m256d origin, __m256d direction, __m256d s)
{
    const __m128 scaled = _mm256_cvtpd_ps(_mm256_mul_pd(direction, s));
    return _mm256_cvtpd_ps(_mm256_add_pd(origin, _mm256_cvtps_pd(scaled)));
}

// Truncated and wrapped like wrapToInt32. Lanes that all lie within the
// 32-bit range convert at once; anything else goes lane by lane.
VXR_TARGET_AVX2 inline void convert(__m256d values, int32_t* out)
{
    const __m256d inRange = _mm256_cmp_pd(absolute(values), wide(2147483647.0), _CMP_LT_OQ);
    if (_mm256_movemask_pd(inRange) == 0xF) {
        _mm_store_si128(reinterpret_cast<__m128i*>(out), _mm256_cvttpd_epi32(values));
        return;
    }
    alignas(32) double lanes[RayBatch::LANES];
    _mm256_storeu_pd(lanes, values);
    for (int32_t lane = 0; lane < RayBatch::LANES; ++lane) {
        out[lane] = wrapToInt32(lanes[lane]);
    }
}

}  // namespace

VXR_TARGET_AVX2 void RayBatch::intersectAvx2(float radius)
{
    const __m256d originX = wide(ORIGIN_X), originY = wide(ORIGIN_Y), originZ = wide(ORIGIN_Z);
    const __m256d two = wide(2.0);
    const double r = radius;
    const __m256d k = wide(double(ORIGIN_X) * ORIGIN_X + double(ORIGIN_Y) * ORIGIN_Y - r * r);
    for (int32_t ray = 0; ray < CAPACITY; ray += LANES) {
        const __m256d dx = load(directionX + ray), dy = load(directionY + ray),
                      dz = load(directionZ + ray);
        const __m256d a = _mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dy, dy));
        const __m256d b = _mm256_mul_pd(
            two, _mm256_add_pd(_mm256_mul_pd(dx, originX), _mm256_mul_pd(dy, originY)));
        const __m256d root = _mm256_sqrt_pd(
            _mm256_sub_pd(_mm256_mul_pd(b, b), _mm256_mul_pd(_mm256_mul_pd(wide(4.0), a), k)));
        const __m256d minusB = _mm256_xor_pd(b, wide(-0.0));
        const __m256d s = _mm256_div_pd(_mm256_sub_pd(minusB, root), _mm256_mul_pd(two, a));
        const __m128 x = stepAlong(originX, dx, s), y = stepAlong(originY, dy, s),
                     z = stepAlong(originZ, dz, s);
        _mm_store_ps(hitX + ray, x);
        _mm_store_ps(hitY + ray, y);
        _mm_store_ps(hitZ + ray, z);
        const __m128 finite = _mm_and_ps(_mm_and_ps(isFinite(x), isFinite(y)), isFinite(z));
        const __m256d offAxis = _mm256_cmp_pd(a, _mm256_setzero_pd(), _CMP_GT_OQ);
        const int32_t mask = _mm_movemask_ps(finite) & _mm256_movemask_pd(offAxis);
        for (int32_t lane = 0; lane < LANES; ++lane) {
            onWall[ray + lane] = (mask >> lane) & 1;
        }
    }
}

VXR_TARGET_AVX2 void RayBatch::measureAvx2(float cameraZ)
{
    const __m256d cameraOffset = wide(8.0 * cameraZ);
    for (int32_t ray = 0; ray < CAPACITY; ray += LANES) {
        const __m256d z = load(hitZ + ray);
        const __m256d depthValue =
            _mm256_mul_pd(absolute(_mm256_add_pd(z, cameraOffset)), wide(double(102.4f)));
        const __m256d angleValue =
            _mm256_mul_pd(absolute(_mm256_load_pd(bearing + ray)), wide(20860.756700940907));
        const __m256d distance = absolute(_mm256_sub_pd(z, wide(ORIGIN_Z)));
        const __m256d falloffValue = _mm256_mul_pd(
            _mm256_sqrt_pd(_mm256_mul_pd(distance, wide(double(15.36f)))), wide(double(290.0f)));
        convert(depthValue, depth + ray);
        convert(angleValue, angle + ray);
        convert(falloffValue, falloff + ray);
    }
}

}  // namespace demo

#else

namespace demo {

// Without x86 vector instructions there is only the portable path.
void RayBatch::intersectAvx2(float radius)
{
    intersectPortable(radius);
}
void RayBatch::measureAvx2(float cameraZ)
{
    measurePortable(cameraZ);
}

}  // namespace demo

#endif
