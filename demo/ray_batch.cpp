#include "demo/ray_batch.h"

namespace demo {

RayBatch::RayBatch()
{
    // The spare lanes after the last ray run along the axis and meet nothing.
    for (int32_t ray = RAYS; ray < CAPACITY; ++ray) {
        setDirection(ray, Vec3());
    }
}

void RayBatch::cast(float radius, float cameraZ, int32_t fade, GridSample* samples)
{
    // Four double lanes are all the rays need; wider registers gain nothing.
    const bool vector = vxr::activeInstructionSet() != vxr::InstructionSet::BASELINE;
    if (vector) {
        intersectAvx2(radius);
    } else {
        intersectPortable(radius);
    }
    if (vector) {
        measureAvx2(cameraZ);
    } else {
        findBearings();
        measurePortable(cameraZ);
    }
    collect(fade, samples);
}

void RayBatch::intersectPortable(float radius)
{
    for (int32_t ray = 0; ray < CAPACITY; ++ray) {
        Vec3 hit;
        onWall[ray] = hitWall(Vec3(directionX[ray], directionY[ray], directionZ[ray]), radius, hit);
        hitX[ray] = hit.x;
        hitY[ray] = hit.y;
        hitZ[ray] = hit.z;
    }
}

void RayBatch::findBearings()
{
    for (int32_t ray = 0; ray < CAPACITY; ++ray) {
        bearing[ray] = onWall[ray] ? std::atan2(double(hitY[ray]), double(hitX[ray])) : 0.0;
    }
}

void RayBatch::measurePortable(float cameraZ)
{
    for (int32_t ray = 0; ray < CAPACITY; ++ray) {
        depth[ray] = wrapToInt32(depthOf(hitZ[ray], cameraZ));
        angle[ray] = wrapToInt32(angleOf(bearing[ray]));
        falloff[ray] = wrapToInt32(falloffOf(hitZ[ray]));
    }
}

void RayBatch::collect(int32_t fade, GridSample* samples) const
{
    for (int32_t ray = 0; ray < RAYS; ++ray) {
        samples[ray] =
            onWall[ray] ? GridSample{depth[ray], angle[ray], lightOf(falloff[ray], fade)} : FAR_END;
    }
}

}  // namespace demo
