#pragma once

#include <cmath>
#include <cstdint>

#include "demo/grid_sample.h"
#include "demo/vec3.h"
#include "demo/wrapping_cast.h"
#include "vxr/format/instruction_set.h"

namespace demo {

// The rays of one cast grid on their way to grid samples. Every ray starts
// at the same point on the tunnel's axis; the batch keeps the rays component
// by component so that several are intersected at once. The per-ray
// functions below define the results; the vector casts (ray_lanes.h)
// compute exactly the same bits, their arc tangents included.
class RayBatch {
public:
    static constexpr int32_t RAYS = 41 * 26;
    // Rays per register of the widest vector cast.
    static constexpr int32_t LANES = 8;
    static constexpr int32_t CAPACITY = (RAYS + LANES - 1) / LANES * LANES;

    // Where every ray starts: on the axis, behind the camera.
    static constexpr float ORIGIN_X = 0.0f;
    static constexpr float ORIGIN_Y = 0.0f;
    static constexpr float ORIGIN_Z = -128.0f;
    static constexpr int32_t FULL_LIGHT = 0xF400;
    // A negative fade may brighten samples up to the table's last level.
    static constexpr int32_t MAX_LIGHT = 0xFFFF;
    // What a ray sees when it never meets the wall: the dark far end.
    static constexpr GridSample FAR_END = {0, 0, 0};

    RayBatch();

    void setDirection(int32_t ray, const Vec3& direction)
    {
        directionX[ray] = direction.x;
        directionY[ray] = direction.y;
        directionZ[ray] = direction.z;
    }
    // Casts every ray against a tunnel of the given radius into samples[ray].
    void cast(float radius, float cameraZ, int32_t fade, GridSample* samples);

    // Where a ray meets the wall x^2 + y^2 = radius^2, taking the root behind
    // the origin. A ray along the axis never does, and one that nearly runs
    // along it meets the wall beyond the float range: both return false.
    static bool hitWall(const Vec3& direction, float radius, Vec3& hit)
    {
        const double a = double(direction.x) * direction.x + double(direction.y) * direction.y;
        if (!(a > 0.0)) {
            return false;
        }
        const double b = 2.0 * (double(direction.x) * ORIGIN_X + double(direction.y) * ORIGIN_Y);
        const double k =
            double(ORIGIN_X) * ORIGIN_X + double(ORIGIN_Y) * ORIGIN_Y - double(radius) * radius;
        const double s = (-b - std::sqrt(b * b - 4.0 * a * k)) / (2.0 * a);
        Vec3(ORIGIN_X, ORIGIN_Y, ORIGIN_Z).add(direction.scaled(s), hit);
        return hit.isFinite();
    }

    // The sample of a wall hit; bearing is atan2(hit.y, hit.x).
    static GridSample sample(const Vec3& hit, double bearing, float cameraZ, int32_t fade)
    {
        return {wrapToInt32(depthOf(hit.z, cameraZ)), wrapToInt32(angleOf(bearing)),
                lightOf(wrapToInt32(falloffOf(hit.z)), fade)};
    }

    // Texture column: distance along the axis, moving with the camera.
    static double depthOf(float hitZ, float cameraZ)
    {
        return std::fabs(double(hitZ) + 8.0 * cameraZ) * double(102.4f);
    }
    // Texture row: 0..65536 for bearings 0..pi either way round.
    static constexpr double ANGLE_SCALE = 20860.756700940907;  // 65536 / pi
    static double angleOf(double bearing) { return std::fabs(bearing) * ANGLE_SCALE; }
    // Light lost with the distance from the origin along the axis.
    static double falloffOf(float hitZ)
    {
        return std::sqrt(std::fabs(double(hitZ) - ORIGIN_Z) * double(15.36f)) * double(290.0f);
    }
    static int32_t lightOf(int32_t falloff, int32_t fade)
    {
        const int64_t light = int64_t(FULL_LIGHT) - falloff - fade;
        return int32_t(light < 0 ? 0 : light > MAX_LIGHT ? MAX_LIGHT : light);
    }

private:
    void castPortable(float radius, float cameraZ);
    void castAvx2(float radius, float cameraZ);
    void castAvx512(float radius, float cameraZ);
    void intersectPortable(float radius);
    void findBearings();
    void measurePortable(float cameraZ);
    void collect(int32_t fade, GridSample* samples) const;

    alignas(64) float directionX[CAPACITY];
    alignas(64) float directionY[CAPACITY];
    alignas(64) float directionZ[CAPACITY];
    alignas(64) float hitX[CAPACITY];
    alignas(64) float hitY[CAPACITY];
    alignas(64) float hitZ[CAPACITY];
    alignas(64) double bearing[CAPACITY];
    alignas(64) int32_t onWall[CAPACITY];
    alignas(64) int32_t depth[CAPACITY];
    alignas(64) int32_t angle[CAPACITY];
    alignas(64) int32_t falloff[CAPACITY];
};

}  // namespace demo
