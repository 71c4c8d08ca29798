#pragma once

#include <cstdint>

#include "demo/grid_sample.h"
#include "vxr/format/instruction_set.h"

namespace demo {

// Fills a 320x200 RGB565 frame from a cast grid in 40x25 blocks of 8x8
// pixels: the samples at a block's corners are interpolated in 16.16 fixed
// point, each pixel's texture coordinates pick a texel and its light level
// picks that texel's shade. The interpolation wraps around modulo 2^32, so
// texture coordinates repeat however far the camera has flown.
class BlockFill {
public:
    static constexpr int32_t GRID_COLUMNS = 41;
    static constexpr int32_t GRID_ROWS = 26;
    static constexpr int32_t BLOCK_COLUMNS = 40;
    static constexpr int32_t BLOCK_ROWS = 25;
    static constexpr int32_t BLOCK_SIZE = 8;
    static constexpr int32_t FRAME_WIDTH = BLOCK_COLUMNS * BLOCK_SIZE;
    static constexpr int32_t FRAME_HEIGHT = BLOCK_ROWS * BLOCK_SIZE;

    // grid: 41 x 26 samples stored column by column; shade: the level rows
    // of a built ShadeTable, its spare entry included; texels: 256 x 256
    // palette indices stored row by row. Nothing is copied.
    BlockFill(const GridSample* grid, const uint16_t* shade, const uint8_t* texels);

    // One 8x8 block; destination is its top-left pixel, pitch the signed
    // distance in bytes from one pixel row to the next.
    void fillBlock(int32_t blockColumn, int32_t blockRow, int32_t pitch,
                   uint8_t* destination) const;
    // The whole frame, through the widest body that activeInstructionSet
    // allows. The fill is bound by its two table reads a pixel: where
    // gathers measured slower than plain loads, the vector bodies give way
    // to one that interpolates in vector registers and reads with plain loads.
    void fillFrame(uint8_t* firstPixel, int32_t pitch) const;

private:
    void fillFramePortable(uint8_t* firstPixel, int32_t pitch) const;
    void fillFrameAvx2(uint8_t* firstPixel, int32_t pitch) const;
    void fillFrameLoads(uint8_t* firstPixel, int32_t pitch) const;
    void fillFrameAvx512(uint8_t* firstPixel, int32_t pitch) const;

    const GridSample* grid;
    const uint16_t* shade;
    const uint8_t* texels;
};

}  // namespace demo
