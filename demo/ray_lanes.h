#pragma once

// The vector cast of a ray batch, written once for any register width. L
// gives the lanes: LANES doubles per register, the operations on them and
// their masks. Each operation is the same correctly rounded double
// operation as in the per-ray functions of RayBatch, in the same order, so
// the results are bit for bit those of the per-ray cast; only the arc
// tangent is computed differently, and checked.
//
// A source file includes this inside a "#pragma GCC target" region, after
// everything else, with its own L: the templates then compile for that
// instruction set and for no other.

#include <array>
#include <cmath>
#include <cstdint>

#include "demo/ray_batch.h"
#include "demo/wrapping_cast.h"

namespace demo::lanes {

// Truncated and wrapped like wrapToInt32. Lanes that all lie within the
// 32-bit range convert at once; anything else goes lane by lane.
template <class L>
inline void convert(typename L::Doubles values, int32_t* out)
{
    constexpr int32_t everyLane = (1 << L::LANES) - 1;
    if (L::bits(L::less(L::absolute(values), L::wide(2147483647.0))) == everyLane) {
        L::storeTruncated(out, values);
        return;
    }
    alignas(64) double lanes[L::LANES];
    L::storeDoubles(lanes, values);
    for (int32_t lane = 0; lane < L::LANES; ++lane) out[lane] = wrapToInt32(lanes[lane]);
}

// origin + s * direction, rounded to single precision after each step.
template <class L>
inline typename L::Doubles stepAlong(typename L::Doubles origin, typename L::Doubles direction,
                                     typename L::Doubles s)
{
    return L::roundToFloat(L::add(origin, L::roundToFloat(L::mul(direction, s))));
}

template <class L>
inline typename L::Mask isFinite(typename L::Doubles values)
{
    return L::less(L::absolute(values), L::wide(INFINITY));
}

// The arc tangent on [-tan(pi/8), tan(pi/8)]: its Taylor series to the
// term in t^25, which there stays within 1.1e-11 of atan(t) (the series
// alternates, so the first term left out bounds the error). The series in
// u = t^2 is summed as two interleaved halves, even and odd powers of u,
// so that two short chains of multiplications overlap.
constexpr int ARC_TANGENT_TERMS = 13;
constexpr double TAN_PI_8 = 0.41421356237309503;
constexpr double PI = 3.141592653589793;

// (A table, not a function: a variable stays inside each source file that
// includes this, while an inline function would be shared between them
// with the code of only one instruction set.)
constexpr std::array<double, ARC_TANGENT_TERMS> SERIES = [] {
    std::array<double, ARC_TANGENT_TERMS> coefficients{};
    for (int term = 0; term < ARC_TANGENT_TERMS; ++term)
        coefficients[term] = (term % 2 ? -1.0 : 1.0) / (2 * term + 1);
    return coefficients;
}();

template <class L>
inline typename L::Doubles arcTangent(typename L::Doubles t)
{
    const auto u = L::mul(t, t);
    const auto uu = L::mul(u, u);
    constexpr int last = ARC_TANGENT_TERMS - 1;
    constexpr int lastEven = last / 2 * 2, lastOdd = (last - 1) / 2 * 2 + 1;
    auto even = L::wide(SERIES[lastEven]);
    auto odd = L::wide(SERIES[lastOdd]);
    for (int term = lastEven - 2; term >= 0; term -= 2)
        even = L::add(L::mul(even, uu), L::wide(SERIES[term]));
    for (int term = lastOdd - 2; term >= 1; term -= 2)
        odd = L::add(L::mul(odd, uu), L::wide(SERIES[term]));
    return L::mul(t, L::add(even, L::mul(u, odd)));
}

// |atan2(y, x)|, within 2e-11 of the true value in the lanes that usable
// marks: those whose coordinates are finite and both non-zero. The ratio of
// the smaller to the larger coordinate is folded below tan(pi/8) by
// atan(r) = pi/4 + atan((r - 1) / (r + 1)), then mirrored into its octant.
template <class L>
inline typename L::Doubles bearingMagnitude(typename L::Doubles x, typename L::Doubles y,
                                            typename L::Mask& usable)
{
    const auto ax = L::absolute(x), ay = L::absolute(y);
    const auto small = L::min(ax, ay), large = L::max(ax, ay);
    const auto folded = L::greater(small, L::mul(large, L::wide(TAN_PI_8)));
    const auto numerator = L::select(folded, L::sub(small, large), small);
    const auto denominator = L::select(folded, L::add(small, large), large);
    auto angle = arcTangent<L>(L::div(numerator, denominator));
    angle = L::add(angle, L::select(folded, L::wide(PI / 4), L::wide(0.0)));
    angle = L::select(L::greater(ay, ax), L::sub(L::wide(PI / 2), angle), angle);
    angle = L::select(L::less(x, L::wide(0.0)), L::sub(L::wide(PI), angle), angle);
    usable = L::both(L::greater(small, L::wide(0.0)), L::less(large, L::wide(INFINITY)));
    return angle;
}

// The texture rows of one register of rays. The fast bearings are off by
// far less than the margin, so a lane whose value lies that far from a
// whole number truncates as the exact one does; nearer lanes, and those the
// fast arc tangent cannot take, get the arc tangent of the C library.
constexpr double TRUNCATION_MARGIN = 1.0 / 65536;

template <class L>
inline void measureAngles(const float* hitX, const float* hitY, const int32_t* onWall,
                          int32_t* angle)
{
    typename L::Mask usable;
    const auto value = L::mul(bearingMagnitude<L>(L::loadFloats(hitX), L::loadFloats(hitY), usable),
                              L::wide(RayBatch::ANGLE_SCALE));
    const auto fraction = L::sub(value, L::floor(value));
    const auto clear = L::both(L::greater(fraction, L::wide(TRUNCATION_MARGIN)),
                               L::less(fraction, L::wide(1.0 - TRUNCATION_MARGIN)));
    convert<L>(value, angle);
    const int32_t exact = L::bits(L::both(usable, clear));
    for (int32_t lane = 0; lane < L::LANES; ++lane) {
        if (onWall[lane] && !((exact >> lane) & 1)) {
            angle[lane] =
                wrapToInt32(RayBatch::angleOf(std::atan2(double(hitY[lane]), double(hitX[lane]))));
        }
    }
}

// Where each ray meets the wall, as RayBatch::hitWall finds it.
template <class L>
void intersect(const float* directionX, const float* directionY, const float* directionZ,
               int32_t count, float radius, float* hitX, float* hitY, float* hitZ, int32_t* onWall)
{
    const auto originX = L::wide(RayBatch::ORIGIN_X), originY = L::wide(RayBatch::ORIGIN_Y),
               originZ = L::wide(RayBatch::ORIGIN_Z);
    const auto two = L::wide(2.0);
    const double r = radius;
    const auto k = L::wide(double(RayBatch::ORIGIN_X) * RayBatch::ORIGIN_X +
                           double(RayBatch::ORIGIN_Y) * RayBatch::ORIGIN_Y - r * r);
    for (int32_t ray = 0; ray < count; ray += L::LANES) {
        const auto dx = L::loadFloats(directionX + ray), dy = L::loadFloats(directionY + ray),
                   dz = L::loadFloats(directionZ + ray);
        const auto a = L::add(L::mul(dx, dx), L::mul(dy, dy));
        const auto b = L::mul(two, L::add(L::mul(dx, originX), L::mul(dy, originY)));
        const auto root = L::sqrt(L::sub(L::mul(b, b), L::mul(L::mul(L::wide(4.0), a), k)));
        const auto s = L::div(L::sub(L::negate(b), root), L::mul(two, a));
        const auto x = stepAlong<L>(originX, dx, s), y = stepAlong<L>(originY, dy, s),
                   z = stepAlong<L>(originZ, dz, s);
        L::storeFloats(hitX + ray, x);
        L::storeFloats(hitY + ray, y);
        L::storeFloats(hitZ + ray, z);
        const int32_t wall = L::bits(L::both(L::both(isFinite<L>(x), isFinite<L>(y)),
                                             L::both(isFinite<L>(z), L::greater(a, L::wide(0.0)))));
        for (int32_t lane = 0; lane < L::LANES; ++lane) onWall[ray + lane] = (wall >> lane) & 1;
    }
}

// Texture column, texture row and light fall-off of each ray.
template <class L>
void measure(const float* hitX, const float* hitY, const float* hitZ, const int32_t* onWall,
             int32_t count, float cameraZ, int32_t* depth, int32_t* angle, int32_t* falloff)
{
    const auto cameraOffset = L::wide(8.0 * cameraZ);
    for (int32_t ray = 0; ray < count; ray += L::LANES) {
        const auto z = L::loadFloats(hitZ + ray);
        const auto depthValue =
            L::mul(L::absolute(L::add(z, cameraOffset)), L::wide(double(102.4f)));
        const auto distance = L::absolute(L::sub(z, L::wide(RayBatch::ORIGIN_Z)));
        const auto falloffValue =
            L::mul(L::sqrt(L::mul(distance, L::wide(double(15.36f)))), L::wide(double(290.0f)));
        convert<L>(depthValue, depth + ray);
        measureAngles<L>(hitX + ray, hitY + ray, onWall + ray, angle + ray);
        convert<L>(falloffValue, falloff + ray);
    }
}

}  // namespace demo::lanes
