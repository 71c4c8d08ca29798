#include "demo/tunnel.h"

#include <cmath>
#include <new>

#include "demo/ray_batch.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace demo {

namespace {

constexpr float PI = 3.14159265f;
constexpr float TURN_IN_START = 3.0f;
constexpr float FLIGHT_START = 4.0f;
constexpr float SCREEN_HALF_WIDTH = Tunnel::FRAME_WIDTH / 2;
constexpr float SCREEN_HALF_HEIGHT = Tunnel::FRAME_HEIGHT / 2;
constexpr float ROW_FRACTION = 0.03846154f;      // 1/26
constexpr float COLUMN_FRACTION = 0.024390243f;  // 1/41

static_assert(RayBatch::RAYS == Tunnel::GRID_COLUMNS * Tunnel::GRID_ROWS);
static_assert(RayBatch::FULL_LIGHT == Tunnel::FULL_LIGHT &&
              RayBatch::MAX_LIGHT == Tunnel::MAX_LIGHT);

}  // namespace

int32_t Tunnel::buildShade(const uint32_t* colours)
{
    return shade.build(colours);
}

int32_t Tunnel::animate(float dt, float t)
{
    if (!ready) {
        return 0;
    }
    const double time = t;
    const double step = dt;
    // The turn-in swings both angles from their start values to pi.
    if (t > TURN_IN_START && t < FLIGHT_START) {
        const double remaining = double(FLIGHT_START) - time;
        angleX = float(double(PI) + double(1.4307964f) * remaining);
        angleY = float(double(PI) + double(1.5707964f) * remaining);
        return 1;
    }
    // Before the turn-in, and at the very moment it ends, the camera holds still.
    if (!(t > FLIGHT_START)) {
        return 1;
    }
    cameraZ = float(double(cameraZ) - double(0.7f) * std::sin(double(0.5f) * time) - 90.0 * step);
    angleX = float(double(angleX) + double(0.015f) * std::sin(double(0.9f) * time) +
                   double(0.28f) * step);
    angleY =
        float(double(angleY) - double(0.01f) * std::cos(double(0.2f) * time) - double(0.2f) * step);
    angleZ = float(double(angleZ) + double(0.11f) * step +
                   double(0.004f) * std::sin(0.5 + double(0.18f) * time));
    return 1;
}

Matrix4 Tunnel::cameraMatrix() const
{
    return Matrix4::rotationX(angleX)
        .multiply(Matrix4::rotationY(angleY))
        .multiply(Matrix4::rotationZ(angleZ));
}

void Tunnel::castGrid(float t, float zoom, int32_t fade)
{
    const Matrix4 camera = cameraMatrix();
    const float distance = float((170.0 + 65.0 * std::sin(double(2.1f) * t)) * zoom);
    const auto corner = [&](float x, float y) {
        return camera.transform(Vec3(x, y, distance)).normalised();
    };
    const Vec3 topLeft = corner(-SCREEN_HALF_WIDTH, -SCREEN_HALF_HEIGHT);
    const Vec3 topRight = corner(SCREEN_HALF_WIDTH, -SCREEN_HALF_HEIGHT);
    const Vec3 bottomLeft = corner(-SCREEN_HALF_WIDTH, SCREEN_HALF_HEIGHT);
    const Vec3 bottomRight = corner(SCREEN_HALF_WIDTH, SCREEN_HALF_HEIGHT);
    const Vec3 leftStep = bottomLeft.minus(topLeft).scaled(ROW_FRACTION);
    const Vec3 rightStep = bottomRight.minus(topRight).scaled(ROW_FRACTION);

    // The grid stops one step short of the right and bottom edges. The rows
    // are walked side by side, column by column, so that their independent
    // additions overlap.
    Vec3 directions[GRID_ROWS];
    Vec3 columnSteps[GRID_ROWS];
    Vec3 left = topLeft;
    Vec3 right = topRight;
    for (int32_t row = 0; row < GRID_ROWS; ++row) {
        directions[row] = left;
        columnSteps[row] = right.minus(left).scaled(COLUMN_FRACTION);
        left.add(leftStep, left);
        right.add(rightStep, right);
    }
    RayBatch rays;
    for (int32_t column = 0; column < GRID_COLUMNS; ++column) {
        for (int32_t row = 0; row < GRID_ROWS; ++row) {
            rays.setDirection(column * GRID_ROWS + row, directions[row]);
            directions[row].add(columnSteps[row], directions[row]);
        }
    }
    rays.cast(radius, cameraZ, fade, grid);
}

GridSample Tunnel::castRay(const Vec3& direction, int32_t fade) const
{
    Vec3 hit;
    if (!RayBatch::hitWall(direction, radius, hit)) {
        return RayBatch::FAR_END;
    }
    return RayBatch::sample(hit, std::atan2(double(hit.y), double(hit.x)), cameraZ, fade);
}

int32_t Tunnel::fillFrame(uint8_t* firstPixel, int32_t pitch, const uint8_t* texels) const
{
    if (!shade.isBuilt() || firstPixel == nullptr || texels == nullptr) {
        return 0;
    }
    const BlockFill fill(grid, shade.levelRows(), texels);
    fill.fillFrame(firstPixel, pitch);
    return 1;
}

int32_t Tunnel::fillBlock(int32_t blockColumn, int32_t blockRow, int32_t pitch,
                          uint8_t* destination, const uint8_t* texels) const
{
    if (!shade.isBuilt() || destination == nullptr || texels == nullptr) {
        return 0;
    }
    const BlockFill fill(grid, shade.levelRows(), texels);
    fill.fillBlock(blockColumn, blockRow, pitch, destination);
    return 1;
}

}  // namespace demo

namespace demo {

void Tunnel::init(const char* fileName, float wallRadius)
{
    // A second init must not leak the first texture.
    destroy();
    angleX = START_ANGLE_X;
    angleY = START_ANGLE_Y;
    angleZ = 0.0f;
    cameraZ = START_CAMERA_Z;
    for (GridSample& sample : grid) sample = GridSample{};
    radius = wallRadius;

    // Rows exactly 256 bytes apart, top first: the locked pixels are the
    // packed texel array the fill reads.
    texture = new (std::nothrow)
        vxr::Surface(fileName, vxr::MEMORY_SYSTEM, vxr::TOP_DOWN, 0, vxr::VARIANT_DEFAULT);
    if (!texture || !texture->isValid()) return;
    if (texture->width() != TEXTURE_SIZE || texture->height() != TEXTURE_SIZE ||
        texture->format().id != vxr::INDEX8)
        return;
    vxr::Palette* palette = texture->palette();
    if (!palette) return;
    const uint32_t* colours = palette->lock();
    const int32_t built = colours ? shade.build(colours) : 0;
    palette->unlock();
    ready = built ? 1 : 0;
}

int32_t Tunnel::render(vxr::Surface& target, float t, float zoom, int32_t fade)
{
    if (!ready) return 0;
    // The fill writes 320 x 200 RGB565 pixels wherever the target points.
    if (target.width() < FRAME_WIDTH || target.height() < FRAME_HEIGHT ||
        target.format().id != vxr::RGB565)
        return 0;
    castGrid(t, zoom, fade);
    uint8_t* pixels = target.lock(1);
    if (!pixels) return 0;
    const uint8_t* texels = texture->lock(1);
    if (!texels) {
        target.unlock();
        return 0;
    }
    fillFrame(pixels, target.pitch(), texels);
    texture->unlock();
    target.unlock();
    return 1;
}

void Tunnel::destroy()
{
    delete texture;
    texture = nullptr;
    shade.release();
    ready = 0;
}

}  // namespace demo
