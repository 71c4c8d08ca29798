#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "demo/tunnel.h"
#include "vxr/format/instruction_set_control.h"

namespace demo::test {

// What the library's dispatcher may choose from: an instruction set, and
// whether gathers may be used where the processor measured them fast.
struct Dispatch {
    vxr::InstructionSet set;
    bool gathers;
};

// Every choice this processor runs, narrowest first; the plain body has no
// gathers to give up.
inline std::vector<Dispatch> availableDispatches()
{
    std::vector<Dispatch> dispatches;
    for (vxr::InstructionSet set : {vxr::InstructionSet::BASELINE, vxr::InstructionSet::SIMD128,
                                    vxr::InstructionSet::AVX2, vxr::InstructionSet::AVX512}) {
        if (!vxr::isBuiltFor(set) || set > vxr::processorInstructionSet()) continue;
        dispatches.push_back({set, false});
        // Only the x86 bodies gather.
        if (set >= vxr::InstructionSet::AVX2) dispatches.push_back({set, true});
    }
    return dispatches;
}

inline std::string nameOf(const Dispatch& dispatch)
{
    const char* names[] = {"baseline", "SIMD128", "AVX2", "AVX-512"};
    return std::string(names[int(dispatch.set)]) + (dispatch.gathers ? " with gathers" : "");
}

// Holds the library's dispatcher to one choice while it lives, so that a
// test reaches the narrower bodies on a wide processor.
class LimitedTo {
public:
    explicit LimitedTo(Dispatch dispatch)
    {
        vxr::limitInstructionSet(dispatch.set);
        vxr::allowGathers(dispatch.gathers);
    }
    ~LimitedTo()
    {
        vxr::limitInstructionSet(vxr::InstructionSet::AVX512);
        vxr::allowGathers(true);
    }
    LimitedTo(const LimitedTo&) = delete;
    LimitedTo& operator=(const LimitedTo&) = delete;
};

// The frame fill written as plainly as possible, one pixel at a time, with
// the corner interpolation spelt out in 64-bit arithmetic and wrapped only
// where a pixel's coordinates are read.
inline void referenceFill(const Tunnel& tunnel, uint8_t* firstPixel, int32_t pitch,
                          const uint8_t* texels)
{
    const auto at = [&](int32_t column, int32_t row) -> const GridSample& {
        return tunnel.grid[column * Tunnel::GRID_ROWS + row];
    };
    const auto component = [](const GridSample& sample, int which) -> int64_t {
        return which == 0 ? sample.depth : which == 1 ? sample.angle : sample.light;
    };
    const auto wholeByte = [](int64_t fixed) { return int32_t((uint64_t(fixed) >> 16) & 0xFF); };
    for (int32_t y = 0; y < Tunnel::FRAME_HEIGHT; ++y) {
        for (int32_t x = 0; x < Tunnel::FRAME_WIDTH; ++x) {
            const int32_t bx = x / 8, by = y / 8, px = x % 8, py = y % 8;
            int32_t coordinate[3];
            for (int which = 0; which < 3; ++which) {
                const int64_t q00 = component(at(bx, by), which),
                              q10 = component(at(bx + 1, by), which);
                const int64_t q01 = component(at(bx, by + 1), which),
                              q11 = component(at(bx + 1, by + 1), which);
                const int64_t left = q00 * 256 + py * (q01 - q00) * 32;
                const int64_t right = q10 * 256 + py * (q11 - q10) * 32;
                // The per-pixel step is an arithmetic shift of the 32-bit difference.
                const int64_t step = int64_t(int32_t(uint32_t(right - left))) >> 3;
                coordinate[which] = wholeByte(left + px * step);
            }
            const uint8_t texel = texels[coordinate[1] * 256 + coordinate[0]];
            const uint16_t pixel = tunnel.shade.entry(texel, coordinate[2]);
            std::memcpy(firstPixel + int64_t(y) * pitch + 2 * x, &pixel, 2);
        }
    }
}

// The grid cast row by row, one ray at a time, each ray's direction
// stepped on from its neighbour's as plainly as it can be written.
inline std::vector<GridSample> referenceGrid(const Tunnel& tunnel, float t, float zoom,
                                             int32_t fade)
{
    const Matrix4 camera = tunnel.cameraMatrix();
    const float distance = float((170.0 + 65.0 * std::sin(double(2.1f) * t)) * zoom);
    const Vec3 topLeft = camera.transform(Vec3(-160.0f, -100.0f, distance)).normalised();
    const Vec3 topRight = camera.transform(Vec3(160.0f, -100.0f, distance)).normalised();
    const Vec3 bottomLeft = camera.transform(Vec3(-160.0f, 100.0f, distance)).normalised();
    const Vec3 bottomRight = camera.transform(Vec3(160.0f, 100.0f, distance)).normalised();
    const Vec3 leftStep = bottomLeft.minus(topLeft).scaled(0.03846154f);
    const Vec3 rightStep = bottomRight.minus(topRight).scaled(0.03846154f);
    std::vector<GridSample> grid(Tunnel::GRID_COLUMNS * Tunnel::GRID_ROWS);
    Vec3 left = topLeft, right = topRight;
    for (int32_t row = 0; row < Tunnel::GRID_ROWS; ++row) {
        const Vec3 columnStep = right.minus(left).scaled(0.024390243f);
        Vec3 direction = left;
        for (int32_t column = 0; column < Tunnel::GRID_COLUMNS; ++column) {
            grid[column * Tunnel::GRID_ROWS + row] = tunnel.castRay(direction, fade);
            direction.add(columnStep, direction);
        }
        left.add(leftStep, left);
        right.add(rightStep, right);
    }
    return grid;
}

inline std::vector<uint8_t> randomTexels(uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> texels(256 * 256);
    for (auto& texel : texels) {
        texel = uint8_t(random());
    }
    return texels;
}

inline std::vector<uint32_t> randomPalette(uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint32_t> colours(256);
    for (auto& colour : colours) {
        colour = uint32_t(random());  // the top byte must be ignored
    }
    return colours;
}

// A frame buffer with guard bytes around the 320x200 area: rows above and
// below, and spare bytes at the end of every row.
class GuardedFrame {
public:
    static constexpr uint8_t GUARD = 0xA5;
    static constexpr int32_t GUARD_ROWS = 3;
    static constexpr int32_t PITCH = Tunnel::FRAME_WIDTH * 2 + 24;

    GuardedFrame() : bytes(size_t(PITCH) * (Tunnel::FRAME_HEIGHT + 2 * GUARD_ROWS), GUARD) {}

    uint8_t* topDown() { return bytes.data() + GUARD_ROWS * PITCH; }
    // First pixel of a bottom-up frame: the last row in memory.
    uint8_t* bottomUp() { return topDown() + (Tunnel::FRAME_HEIGHT - 1) * PITCH; }
    const uint8_t* row(int32_t y) const { return bytes.data() + (GUARD_ROWS + y) * PITCH; }

    bool guardsIntact() const
    {
        for (int32_t y = -GUARD_ROWS; y < Tunnel::FRAME_HEIGHT + GUARD_ROWS; ++y) {
            const bool inside = y >= 0 && y < Tunnel::FRAME_HEIGHT;
            const int32_t from = inside ? Tunnel::FRAME_WIDTH * 2 : 0;
            for (int32_t x = from; x < PITCH; ++x) {
                if (row(y)[x] != GUARD) {
                    return false;
                }
            }
        }
        return true;
    }

    // The 320x200 pixels row by row, top row first.
    std::vector<uint8_t> pixels(bool flipped = false) const
    {
        std::vector<uint8_t> result;
        for (int32_t y = 0; y < Tunnel::FRAME_HEIGHT; ++y) {
            const uint8_t* line = row(flipped ? Tunnel::FRAME_HEIGHT - 1 - y : y);
            result.insert(result.end(), line, line + Tunnel::FRAME_WIDTH * 2);
        }
        return result;
    }

private:
    std::vector<uint8_t> bytes;
};

// A tunnel that is ready without a texture file: radius 255 and the shade
// table of a random palette.
inline void makeReady(Tunnel& tunnel, uint32_t seed = 7)
{
    tunnel.radius = 255.0f;
    const std::vector<uint32_t> palette = randomPalette(seed);
    tunnel.buildShade(palette.data());
    tunnel.ready = 1;
}

}  // namespace demo::test
