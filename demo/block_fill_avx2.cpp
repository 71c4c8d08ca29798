#include <cstddef>
#include <cstring>

#include "demo/block_fill.h"

#if VXR_HAS_WIDE_BODIES

#include <immintrin.h>

#define VXR_AVX2 VXR_TARGET_AVX2

namespace demo {

namespace {

// One sample component for the eight rows of a block, one row per lane: the
// value at the current pixel column and the step to the next column.
struct RowLanes {
    __m256i value;
    __m256i step;
};

VXR_AVX2 inline __m256i broadcast(uint32_t value)
{
    return _mm256_set1_epi32(int32_t(value));
}

// The same 16.16 edge walk as the portable block fill, done for all eight
// rows at once: row r starts at top * 256 + r * (bottom - top) * 32, and
// 32-bit lane arithmetic wraps exactly as the row-by-row additions do.
VXR_AVX2 inline RowLanes rowLanes(int32_t topLeft, int32_t bottomLeft, int32_t topRight,
                                  int32_t bottomRight)
{
    const __m256i rows = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const uint32_t leftStep = (uint32_t(bottomLeft) - uint32_t(topLeft)) * 32u;
    const uint32_t rightStep = (uint32_t(bottomRight) - uint32_t(topRight)) * 32u;
    const __m256i left = _mm256_add_epi32(broadcast(uint32_t(topLeft) << 8),
                                          _mm256_mullo_epi32(rows, broadcast(leftStep)));
    const __m256i right = _mm256_add_epi32(broadcast(uint32_t(topRight) << 8),
                                           _mm256_mullo_epi32(rows, broadcast(rightStep)));
    return {left, _mm256_srai_epi32(_mm256_sub_epi32(right, left), 3)};
}

VXR_AVX2 inline void advance(RowLanes& lanes)
{
    lanes.value = _mm256_add_epi32(lanes.value, lanes.step);
}

// The three sample components of one block, each walking its eight rows.
struct BlockLanes {
    RowLanes depth;
    RowLanes angle;
    RowLanes light;
};

VXR_AVX2 inline BlockLanes blockLanes(const GridSample* leftColumn)
{
    const GridSample* rightColumn = leftColumn + BlockFill::GRID_ROWS;
    return {rowLanes(leftColumn[0].depth, leftColumn[1].depth, rightColumn[0].depth,
                     rightColumn[1].depth),
            rowLanes(leftColumn[0].angle, leftColumn[1].angle, rightColumn[0].angle,
                     rightColumn[1].angle),
            rowLanes(leftColumn[0].light, leftColumn[1].light, rightColumn[0].light,
                     rightColumn[1].light)};
}

// On to the next pixel column.
VXR_AVX2 inline void advance(BlockLanes& lanes)
{
    advance(lanes.depth);
    advance(lanes.angle);
    advance(lanes.light);
}

// Byte shuffles that move bits 16..23 of every lane (the whole part of a
// 16.16 value, wrapped to 0..255) to bits 0..7 or 8..15 and clear the rest.
VXR_AVX2 inline __m256i wholeByteToLow(__m256i fixed)
{
    const __m256i control =
        _mm256_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1, 2, -1, -1,
                         -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1);
    return _mm256_shuffle_epi8(fixed, control);
}

VXR_AVX2 inline __m256i wholeByteToHigh(__m256i fixed)
{
    const __m256i control =
        _mm256_setr_epi8(-1, 2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1, 2, -1,
                         -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1);
    return _mm256_shuffle_epi8(fixed, control);
}

// Each lane's texel offset: texture row (angle) * 256 + column (depth).
VXR_AVX2 inline __m256i texelOffsets(const BlockLanes& lanes)
{
    return _mm256_or_si256(wholeByteToHigh(lanes.angle.value), wholeByteToLow(lanes.depth.value));
}

// Gathers read four bytes, so each texel is read as part of the aligned
// four bytes that hold it, never past the texture's end, and then moved
// down by a byte shuffle whose control picks byte (index & 3) of the lane.
VXR_AVX2 inline __m256i gatherTexels(const uint8_t* texels, __m256i index)
{
    const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(texels),
                                                 _mm256_srli_epi32(index, 2), 4);
    const __m256i firstByteOfLane =
        _mm256_setr_epi8(0, -1, -1, -1, 4, -1, -1, -1, 8, -1, -1, -1, 12, -1, -1, -1, 0, -1, -1, -1,
                         4, -1, -1, -1, 8, -1, -1, -1, 12, -1, -1, -1);
    const __m256i control =
        _mm256_add_epi32(firstByteOfLane, _mm256_and_si256(index, broadcast(3)));
    return _mm256_shuffle_epi8(words, control);
}

// The shaded pixels of one column of a block, one row per lane, in the low
// 16 bits of each lane (the high bits hold the next table entry).
VXR_AVX2 inline __m256i shadeColumn(const BlockLanes& lanes, const uint8_t* texels,
                                    const uint16_t* shade)
{
    const __m256i shadeIndex = _mm256_or_si256(wholeByteToHigh(lanes.light.value),
                                               gatherTexels(texels, texelOffsets(lanes)));
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(shade), shadeIndex, 2);
}

VXR_AVX2 inline void storeRows(uint8_t* destination, ptrdiff_t pitch, __m256i rows, int32_t row)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + row * pitch),
                     _mm256_castsi256_si128(rows));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + (row + 4) * pitch),
                     _mm256_extracti128_si256(rows, 1));
}

VXR_AVX2 void fillBlockAvx2(const GridSample* leftColumn, const uint8_t* texels,
                            const uint16_t* shade, uint8_t* destination, ptrdiff_t pitch)
{
    BlockLanes lanes = blockLanes(leftColumn);

    // Pixel columns 2p and 2p + 1 of every row side by side in one 32-bit lane.
    __m256i pairs[4];
    for (int32_t pair = 0; pair < 4; ++pair) {
        const __m256i even = shadeColumn(lanes, texels, shade);
        advance(lanes);
        const __m256i odd = shadeColumn(lanes, texels, shade);
        advance(lanes);
        pairs[pair] = _mm256_blend_epi16(even, _mm256_slli_epi32(odd, 16), 0xAA);
    }

    // Transpose: lanes are rows now, memory wants pixel rows.
    const __m256i rows01a = _mm256_unpacklo_epi32(pairs[0], pairs[1]);
    const __m256i rows23a = _mm256_unpackhi_epi32(pairs[0], pairs[1]);
    const __m256i rows01b = _mm256_unpacklo_epi32(pairs[2], pairs[3]);
    const __m256i rows23b = _mm256_unpackhi_epi32(pairs[2], pairs[3]);
    storeRows(destination, pitch, _mm256_unpacklo_epi64(rows01a, rows01b), 0);
    storeRows(destination, pitch, _mm256_unpackhi_epi64(rows01a, rows01b), 1);
    storeRows(destination, pitch, _mm256_unpacklo_epi64(rows23a, rows23b), 2);
    storeRows(destination, pitch, _mm256_unpackhi_epi64(rows23a, rows23b), 3);
}

// Without gathers: the texel offset and light level of every pixel of the
// block are interpolated in the vector lanes as above and set down in a
// small table, column by column; plain loads then read texel and shade.
VXR_AVX2 void fillBlockLoads(const GridSample* leftColumn, const uint8_t* texels,
                             const uint16_t* shade, uint8_t* destination, ptrdiff_t pitch)
{
    BlockLanes lanes = blockLanes(leftColumn);
    // offsets[x][y]: texel offset in bits 0..15, light level in bits 16..23.
    alignas(32) uint32_t offsets[BlockFill::BLOCK_SIZE][BlockFill::BLOCK_SIZE];
    const __m256i levelToThirdByte =
        _mm256_setr_epi8(-1, -1, 2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1, 2,
                         -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1);
    for (int32_t x = 0; x < BlockFill::BLOCK_SIZE; ++x) {
        const __m256i level = _mm256_shuffle_epi8(lanes.light.value, levelToThirdByte);
        _mm256_store_si256(reinterpret_cast<__m256i*>(offsets[x]),
                           _mm256_or_si256(texelOffsets(lanes), level));
        advance(lanes);
    }
    for (int32_t y = 0; y < BlockFill::BLOCK_SIZE; ++y) {
        uint16_t row[BlockFill::BLOCK_SIZE];
        for (int32_t x = 0; x < BlockFill::BLOCK_SIZE; ++x) {
            const uint32_t offset = offsets[x][y];
            row[x] = shade[(offset >> 16) << 8 | texels[offset & 0xFFFF]];
        }
        std::memcpy(destination + y * pitch, row, sizeof row);
    }
}

// Block column by block column, each top to bottom.
template <auto fillOneBlock>
VXR_AVX2 void fillEveryBlock(const GridSample* grid, const uint8_t* texels, const uint16_t* shade,
                             uint8_t* firstPixel, ptrdiff_t pitch)
{
    for (int32_t column = 0; column < BlockFill::BLOCK_COLUMNS; ++column) {
        const GridSample* leftColumn = grid + column * BlockFill::GRID_ROWS;
        uint8_t* blockStart = firstPixel + column * BlockFill::BLOCK_SIZE * 2;
        for (int32_t row = 0; row < BlockFill::BLOCK_ROWS; ++row) {
            fillOneBlock(leftColumn + row, texels, shade,
                         blockStart + row * BlockFill::BLOCK_SIZE * pitch, pitch);
        }
    }
}

}  // namespace

void BlockFill::fillFrameLoads(uint8_t* firstPixel, int32_t pitch) const
{
    fillEveryBlock<fillBlockLoads>(grid, texels, shade, firstPixel, pitch);
}

void BlockFill::fillFrameAvx2(uint8_t* firstPixel, int32_t pitch) const
{
    fillEveryBlock<fillBlockAvx2>(grid, texels, shade, firstPixel, pitch);
}

}  // namespace demo

#else

namespace demo {

// Without x86 vector instructions there is only the portable path.
void BlockFill::fillFrameAvx2(uint8_t* firstPixel, int32_t pitch) const
{
    fillFramePortable(firstPixel, pitch);
}
void BlockFill::fillFrameLoads(uint8_t* firstPixel, int32_t pitch) const
{
    fillFramePortable(firstPixel, pitch);
}

}  // namespace demo

#endif
