#include "demo/block_fill.h"

#include <cstddef>
#include <cstring>

namespace demo {

namespace {

// One position inside a block: the three sample components in 16.16 fixed
// point. Unsigned, because long flights make the coordinates wrap around.
struct Interpolant {
    uint32_t depth;
    uint32_t angle;
    uint32_t light;
};

Interpolant toFixed(const GridSample& sample)
{
    return {uint32_t(sample.depth) << 8, uint32_t(sample.angle) << 8, uint32_t(sample.light) << 8};
}

// Edge difference * 256 / 8 rows.
Interpolant rowStep(const GridSample& top, const GridSample& bottom)
{
    return {(uint32_t(bottom.depth) - uint32_t(top.depth)) * 32u,
            (uint32_t(bottom.angle) - uint32_t(top.angle)) * 32u,
            (uint32_t(bottom.light) - uint32_t(top.light)) * 32u};
}

uint32_t eighth(uint32_t difference)
{
    return uint32_t(int32_t(difference) >> 3);
}

Interpolant pixelStep(const Interpolant& left, const Interpolant& right)
{
    return {eighth(right.depth - left.depth), eighth(right.angle - left.angle),
            eighth(right.light - left.light)};
}

void advance(Interpolant& value, const Interpolant& step)
{
    value.depth += step.depth;
    value.angle += step.angle;
    value.light += step.light;
}

uint32_t wholeByte(uint32_t fixed)
{
    return (fixed >> 16) & 0xFF;
}

}  // namespace

BlockFill::BlockFill(const GridSample* grid, const uint16_t* shade, const uint8_t* texels)
    : grid(grid), shade(shade), texels(texels)
{
}

void BlockFill::fillBlock(int32_t blockColumn, int32_t blockRow, int32_t pitch,
                          uint8_t* destination) const
{
    const GridSample* leftColumn = grid + blockColumn * GRID_ROWS + blockRow;
    const GridSample* rightColumn = leftColumn + GRID_ROWS;
    Interpolant left = toFixed(leftColumn[0]);
    Interpolant right = toFixed(rightColumn[0]);
    const Interpolant leftStep = rowStep(leftColumn[0], leftColumn[1]);
    const Interpolant rightStep = rowStep(rightColumn[0], rightColumn[1]);
    for (int32_t y = 0; y < BLOCK_SIZE; ++y) {
        uint8_t* pixels = destination + ptrdiff_t(y) * pitch;
        const Interpolant step = pixelStep(left, right);
        Interpolant value = left;
        for (int32_t x = 0; x < BLOCK_SIZE; ++x) {
            const uint32_t texel = texels[(wholeByte(value.angle) << 8) | wholeByte(value.depth)];
            const uint16_t pixel = shade[(wholeByte(value.light) << 8) | texel];
            std::memcpy(pixels + 2 * x, &pixel, sizeof pixel);
            advance(value, step);
        }
        advance(left, leftStep);
        advance(right, rightStep);
    }
}

void BlockFill::fillFrame(uint8_t* firstPixel, int32_t pitch) const
{
    const vxr::InstructionSet set = vxr::activeInstructionSet();
    // The vector fills are x86 code; SIMD128 builds take the portable one.
    if (set == vxr::InstructionSet::BASELINE || set == vxr::InstructionSet::SIMD128) {
        fillFramePortable(firstPixel, pitch);
    } else if (!vxr::gathersAreFast()) {
        fillFrameLoads(firstPixel, pitch);
    } else if (set == vxr::InstructionSet::AVX512) {
        fillFrameAvx512(firstPixel, pitch);
    } else {
        fillFrameAvx2(firstPixel, pitch);
    }
}

void BlockFill::fillFramePortable(uint8_t* firstPixel, int32_t pitch) const
{
    const ptrdiff_t blockPitch = ptrdiff_t(pitch) * BLOCK_SIZE;
    for (int32_t row = 0; row < BLOCK_ROWS; ++row) {
        uint8_t* blockStart = firstPixel + row * blockPitch;
        for (int32_t column = 0; column < BLOCK_COLUMNS; ++column) {
            fillBlock(column, row, pitch, blockStart + column * BLOCK_SIZE * 2);
        }
    }
}

}  // namespace demo
