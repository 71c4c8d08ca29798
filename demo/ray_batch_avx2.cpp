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

// The arc tangent on [-tan(pi/8), tan(pi/8)]: its Taylor series to the
// term in t^25, which there stays within 1.1e-11 of atan(t) (the series
// alternates, so the first term left out bounds the error). The series in
// u = t^2 is summed as two interleaved halves, even and odd powers of u,
// so that two short chains of multiplications overlap.
constexpr int ARC_TANGENT_TERMS = 13;
constexpr double TAN_PI_8 = 0.41421356237309503;
constexpr double PI = 3.141592653589793;

constexpr double seriesCoefficient(int term)
{
    return (term % 2 ? -1.0 : 1.0) / (2 * term + 1);
}

VXR_TARGET_AVX2 inline __m256d arcTangent(__m256d t)
{
    const __m256d u = _mm256_mul_pd(t, t);
    const __m256d uu = _mm256_mul_pd(u, u);
    constexpr int last = ARC_TANGENT_TERMS - 1;
    constexpr int lastEven = last / 2 * 2, lastOdd = (last - 1) / 2 * 2 + 1;
    __m256d even = wide(seriesCoefficient(lastEven)), odd = wide(seriesCoefficient(lastOdd));
    for (int term = lastEven - 2; term >= 0; term -= 2)
        even = _mm256_add_pd(_mm256_mul_pd(even, uu), wide(seriesCoefficient(term)));
    for (int term = lastOdd - 2; term >= 1; term -= 2)
        odd = _mm256_add_pd(_mm256_mul_pd(odd, uu), wide(seriesCoefficient(term)));
    return _mm256_mul_pd(t, _mm256_add_pd(even, _mm256_mul_pd(u, odd)));
}

// |atan2(y, x)|, within 2e-11 of the true value in the lanes that usable
// marks: those whose coordinates are finite and both non-zero. The ratio of
// the smaller to the larger coordinate is folded below tan(pi/8) by
// atan(r) = pi/4 + atan((r - 1) / (r + 1)), then mirrored into its octant.
VXR_TARGET_AVX2 inline __m256d bearingMagnitude(__m256d x, __m256d y, __m256d& usable)
{
    const __m256d ax = absolute(x), ay = absolute(y);
    const __m256d small = _mm256_min_pd(ax, ay), large = _mm256_max_pd(ax, ay);
    const __m256d folded = _mm256_cmp_pd(small, _mm256_mul_pd(large, wide(TAN_PI_8)), _CMP_GT_OQ);
    const __m256d numerator = _mm256_blendv_pd(small, _mm256_sub_pd(small, large), folded);
    const __m256d denominator = _mm256_blendv_pd(large, _mm256_add_pd(small, large), folded);
    __m256d angle = arcTangent(_mm256_div_pd(numerator, denominator));
    angle = _mm256_add_pd(angle, _mm256_and_pd(folded, wide(PI / 4)));
    angle = _mm256_blendv_pd(angle, _mm256_sub_pd(wide(PI / 2), angle),
                             _mm256_cmp_pd(ay, ax, _CMP_GT_OQ));
    angle = _mm256_blendv_pd(angle, _mm256_sub_pd(wide(PI), angle),
                             _mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_LT_OQ));
    usable = _mm256_and_pd(_mm256_cmp_pd(small, _mm256_setzero_pd(), _CMP_GT_OQ),
                           _mm256_cmp_pd(large, wide(INFINITY), _CMP_LT_OQ));
    return angle;
}

// The texture row of four rays. The fast bearings are off by far less than
// the margin, so a lane whose value lies that far from a whole number
// truncates as the exact one does; nearer lanes, and those the fast arc
// tangent cannot take, get the arc tangent of the C library.
constexpr double TRUNCATION_MARGIN = 1.0 / 65536;

VXR_TARGET_AVX2 inline void measureAngles(const float* hitX, const float* hitY,
                                          const int32_t* onWall, int32_t* angle)
{
    __m256d usable;
    const __m256d value = _mm256_mul_pd(bearingMagnitude(load(hitX), load(hitY), usable),
                                        wide(RayBatch::ANGLE_SCALE));
    const __m256d fraction = _mm256_sub_pd(value, _mm256_floor_pd(value));
    const __m256d clear =
        _mm256_and_pd(_mm256_cmp_pd(fraction, wide(TRUNCATION_MARGIN), _CMP_GT_OQ),
                      _mm256_cmp_pd(fraction, wide(1.0 - TRUNCATION_MARGIN), _CMP_LT_OQ));
    convert(value, angle);
    const int32_t exact = _mm256_movemask_pd(_mm256_and_pd(usable, clear));
    const __m128i offWall = _mm_cmpeq_epi32(
        _mm_load_si128(reinterpret_cast<const __m128i*>(onWall)), _mm_setzero_si128());
    const int32_t recast = ~(exact | _mm_movemask_ps(_mm_castsi128_ps(offWall))) & 0xF;
    if (recast == 0) return;
    for (int32_t lane = 0; lane < RayBatch::LANES; ++lane) {
        if ((recast >> lane) & 1) {
            angle[lane] =
                wrapToInt32(RayBatch::angleOf(std::atan2(double(hitY[lane]), double(hitX[lane]))));
        }
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
        const __m256d distance = absolute(_mm256_sub_pd(z, wide(ORIGIN_Z)));
        const __m256d falloffValue = _mm256_mul_pd(
            _mm256_sqrt_pd(_mm256_mul_pd(distance, wide(double(15.36f)))), wide(double(290.0f)));
        convert(depthValue, depth + ray);
        measureAngles(hitX + ray, hitY + ray, onWall + ray, angle + ray);
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
