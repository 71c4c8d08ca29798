#include "demo/ray_batch.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <random>
#include <vector>

#include "tunnel_fixture.h"

namespace demo {
namespace {

using test::Dispatch;

// The sample one ray gets when cast on its own.
GridSample castAlone(const Vec3& direction, float radius, float cameraZ, int32_t fade)
{
    Vec3 hit;
    if (!RayBatch::hitWall(direction, radius, hit)) {
        return RayBatch::FAR_END;
    }
    return RayBatch::sample(hit, std::atan2(double(hit.y), double(hit.x)), cameraZ, fade);
}

std::vector<Vec3> testDirections()
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Vec3> directions = {
        {0.0f, 0.0f, 1.0f},     {0.0f, -0.0f, -1.0f}, {0.0f, 0.0f, 0.0f},  {1e-40f, 0.0f, 1.0f},
        {1e-20f, 1e-20f, 1.0f}, {1e30f, 0.0f, 1.0f},  {0.0f, 1.0f, 1e30f}, {inf, 0.0f, 1.0f},
        {nan, 0.0f, 1.0f},      {0.0f, 0.0f, nan},    {0.6f, 0.8f, 0.0f},  {-0.6f, -0.8f, 0.5f}};
    // Hits on the axes and the diagonals: bearings of whole multiples of
    // pi/4, whose texture rows lie on or next to a truncation boundary, and
    // coordinates of zero that the vector arc tangent leaves to the C library.
    for (const float x : {-1.0f, 0.0f, 1.0f})
        for (const float y : {-1.0f, 0.0f, 1.0f})
            for (const float z : {0.0f, 0.25f}) directions.emplace_back(x, y, z);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> component(-1.0f, 1.0f);
    while (directions.size() < RayBatch::RAYS) {
        directions.emplace_back(component(random), component(random), component(random));
    }
    return directions;
}

// The vector paths must give every ray exactly the sample it gets alone,
// including rays that miss, far-away cameras and extreme fades.
TEST(RayBatch, EveryPathGivesEachRayItsOwnSample)
{
    const std::vector<Vec3> directions = testDirections();
    struct Setting {
        float radius;
        float cameraZ;
        int32_t fade;
    };
    const Setting settings[] = {{255.0f, -20.0f, 0},          {255.0f, -9.0e6f, 0x8000},
                                {255.0f, 1.0e17f, INT_MIN},   {0.0f, 0.0f, INT_MAX},
                                {1.0e-3f, -1.0e30f, -0x1000}, {3.0e30f, 5.0f, 0}};
    for (const Setting& setting : settings) {
        for (Dispatch path : test::availableDispatches()) {
            const test::LimitedTo limit(path);
            RayBatch batch;
            for (int32_t ray = 0; ray < RayBatch::RAYS; ++ray) {
                batch.setDirection(ray, directions[ray]);
            }
            std::vector<GridSample> samples(RayBatch::RAYS);
            batch.cast(setting.radius, setting.cameraZ, setting.fade, samples.data());
            for (int32_t ray = 0; ray < RayBatch::RAYS; ++ray) {
                const GridSample alone =
                    castAlone(directions[ray], setting.radius, setting.cameraZ, setting.fade);
                ASSERT_EQ(samples[ray].depth, alone.depth)
                    << "ray " << ray << " " << test::nameOf(path);
                ASSERT_EQ(samples[ray].angle, alone.angle)
                    << "ray " << ray << " " << test::nameOf(path);
                ASSERT_EQ(samples[ray].light, alone.light)
                    << "ray " << ray << " " << test::nameOf(path);
            }
        }
    }
}

}  // namespace
}  // namespace demo
