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
    switch (vxr::activeInstructionSet()) {
        case vxr::InstructionSet::AVX512:
            castAvx512(radius, cameraZ);
            break;
        case vxr::InstructionSet::AVX2:
            castAvx2(radius, cameraZ);
            break;
        // The vector casts are x86 code; SIMD128 builds take the portable one.
        case vxr::InstructionSet::SIMD128:
        case vxr::InstructionSet::BASELINE:
            castPortable(radius, cameraZ);
            break;
    }
    collect(fade, samples);
}

void RayBatch::castPortable(float radius, float cameraZ)
{
    intersectPortable(radius);
    findBearings();
    measurePortable(cameraZ);
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
