#pragma once

#include <cstdint>

#include "demo/block_fill.h"
#include "demo/grid_sample.h"
#include "demo/matrix4.h"
#include "demo/shade_table.h"
#include "demo/vec3.h"

namespace vxr {
class Surface;
}

namespace demo {

// A textured cylinder seen from inside, lit by distance, with a camera that
// turns in and then flies along the axis. Each frame casts a coarse grid of
// rays against the cylinder and fills the 320x200 RGB565 frame by
// interpolating between them.
class Tunnel {
public:
    static constexpr int32_t GRID_COLUMNS = BlockFill::GRID_COLUMNS;
    static constexpr int32_t GRID_ROWS = BlockFill::GRID_ROWS;
    static constexpr int32_t FRAME_WIDTH = BlockFill::FRAME_WIDTH;
    static constexpr int32_t FRAME_HEIGHT = BlockFill::FRAME_HEIGHT;
    // The light of a sample with no fade, and the most a negative fade can
    // raise it to (the shade table's last level).
    static constexpr int32_t FULL_LIGHT = 0xF400;
    static constexpr int32_t MAX_LIGHT = 0xFFFF;

    // Where the camera starts: turned away (pi + 1.4307964 and 3 pi / 2), a
    // little inside the tunnel's mouth.
    static constexpr float START_ANGLE_X = 4.5723891f;
    static constexpr float START_ANGLE_Y = 4.712389f;
    static constexpr float START_CAMERA_Z = -20.0f;
    static constexpr int32_t TEXTURE_SIZE = 256;

    float angleX = START_ANGLE_X;
    float angleY = START_ANGLE_Y;
    float angleZ = 0.0f;
    float radius = 0.0f;
    float cameraZ = START_CAMERA_Z;
    // Column c, row r is element c * GRID_ROWS + r.
    GridSample grid[GRID_COLUMNS * GRID_ROWS] = {};
    vxr::Surface* texture = nullptr;  // owned
    ShadeTable shade;
    int32_t ready = 0;

    Tunnel() = default;
    ~Tunnel() { destroy(); }
    Tunnel(const Tunnel&) = delete;
    Tunnel& operator=(const Tunnel&) = delete;

    // Loads the 256 x 256 INDEX8 texture from a TGA file and builds the shade
    // table from its palette. Success shows only in isReady.
    void init(const char* fileName, float wallRadius);
    int32_t isReady() const { return ready; }
    // Casts the grid and fills the 320 x 200 top-left area of an RGB565
    // target. Returns 0 without drawing when not ready, when the target is
    // smaller or of another format, or when a lock fails.
    int32_t render(vxr::Surface& target, float t, float zoom, int32_t fade);
    // Releases the texture and the shade table; safe to call more than once.
    void destroy();

    // Builds the shade table from 256 colours laid out 0x00RRGGBB. Returns 0
    // when colours is null or memory runs out.
    int32_t buildShade(const uint32_t* colours);

    // Moves the camera for demo time t after a step of dt seconds. Returns 0
    // and changes nothing while not ready.
    int32_t animate(float dt, float t);
    Matrix4 cameraMatrix() const;
    // Casts the 41 x 26 rays of a frame into grid. zoom scales the distance
    // to the screen; fade darkens every sample by that much light.
    void castGrid(float t, float zoom, int32_t fade);
    // The sample for one ray from the camera's position on the axis. A ray
    // along the axis never meets the wall: it sees the unlit far end.
    GridSample castRay(const Vec3& direction, int32_t fade) const;

    // Fill a 320x200 RGB565 frame (or one 8x8 block of it) from grid, the
    // 256x256 texels and the shade table; pitch is signed, in bytes. Return 0
    // without drawing until the shade table is built.
    int32_t fillFrame(uint8_t* firstPixel, int32_t pitch, const uint8_t* texels) const;
    int32_t fillBlock(int32_t blockColumn, int32_t blockRow, int32_t pitch, uint8_t* destination,
                      const uint8_t* texels) const;
};

}  // namespace demo
