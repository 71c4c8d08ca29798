#include <cstddef>

#include "demo/block_fill.h"

#if VXR_HAS_WIDE_BODIES

// GCC 12's 512-bit intrinsics start from "undefined" vectors that they
// initialise with themselves, and then warn about that at every use.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#define VXR_AVX512 VXR_TARGET_AVX512

namespace demo {

namespace {

// Two horizontally adjacent blocks at once, one pixel row per lane: lanes
// 0..7 are the rows of the left block, lanes 8..15 those of the right one.
// Each step walks one pixel column of both blocks, so the two blocks' rows
// come out side by side, as they lie in the frame.
struct RowLanes {
    __m512i value;
    __m512i step;
};

VXR_AVX512 inline __m512i halves(uint32_t left, uint32_t right)
{
    return _mm512_mask_set1_epi32(_mm512_set1_epi32(int32_t(left)), 0xFF00, int32_t(right));
}

// The difference per row on the left and right edge of both blocks.
VXR_AVX512 inline __m512i edgeSteps(const uint32_t* top, const uint32_t* bottom, int32_t column)
{
    return halves((bottom[column] - top[column]) * 32u,
                  (bottom[column + 1] - top[column + 1]) * 32u);
}

// A component's 16.16 edge walk for both blocks, as in the portable block
// fill: row r of a block starts at top * 256 + r * (bottom - top) * 32 on
// each of its edges, with 32-bit lanes wrapping as the additions do. top
// and bottom hold the component at the block row's top and bottom corners
// of grid columns j, j + 1 and j + 2.
VXR_AVX512 inline RowLanes rowLanes(const uint32_t* top, const uint32_t* bottom)
{
    const __m512i rows = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7);
    const __m512i left = _mm512_add_epi32(halves(top[0] << 8, top[1] << 8),
                                          _mm512_mullo_epi32(rows, edgeSteps(top, bottom, 0)));
    const __m512i right = _mm512_add_epi32(halves(top[1] << 8, top[2] << 8),
                                           _mm512_mullo_epi32(rows, edgeSteps(top, bottom, 1)));
    return {left, _mm512_srai_epi32(_mm512_sub_epi32(right, left), 3)};
}

VXR_AVX512 inline void advance(RowLanes& lanes)
{
    lanes.value = _mm512_add_epi32(lanes.value, lanes.step);
}

// Byte permutes keep bytes 0 and 1 of every lane and clear bytes 2 and 3.
constexpr __mmask64 LOW_TWO_BYTES = 0x3333333333333333ULL;

// Per lane: byte 0 <- byte 2 of the first source (the whole part of depth),
// byte 1 <- byte 2 of the second (the whole part of angle).
VXR_AVX512 inline __m512i texelIndexControl()
{
    const __m512i lane = _mm512_slli_epi32(
        _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15), 2);
    return _mm512_or_si512(_mm512_add_epi32(lane, _mm512_set1_epi32(2)),
                           _mm512_slli_epi32(_mm512_add_epi32(lane, _mm512_set1_epi32(64 + 2)), 8));
}

// Per lane: byte 0 <- byte (index & 3) of the first source (the texel in
// its aligned four bytes; the low two bits are filled in per pixel), byte
// 1 <- byte 2 of the second (the whole part of light).
VXR_AVX512 inline __m512i shadeIndexControl()
{
    const __m512i lane = _mm512_slli_epi32(
        _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15), 2);
    return _mm512_or_si512(lane,
                           _mm512_slli_epi32(_mm512_add_epi32(lane, _mm512_set1_epi32(64 + 2)), 8));
}

struct Controls {
    __m512i texelIndex;
    __m512i shadeIndex;
};

// One pixel column of both blocks, shaded, in the low 16 bits of each lane.
// Texels are gathered as the aligned four bytes that hold them, so no read
// passes the texture's end.
VXR_AVX512 inline __m512i shadeColumn(const RowLanes& depth, const RowLanes& angle,
                                      const RowLanes& light, const Controls& controls,
                                      const uint8_t* texels, const uint16_t* shade)
{
    const __m512i texelIndex = _mm512_maskz_permutex2var_epi8(LOW_TWO_BYTES, depth.value,
                                                              controls.texelIndex, angle.value);
    const __m512i words = _mm512_i32gather_epi32(_mm512_srli_epi32(texelIndex, 2), texels, 4);
    // shadeIndex control | (texelIndex & 3)
    const __m512i control =
        _mm512_ternarylogic_epi32(controls.shadeIndex, texelIndex, _mm512_set1_epi32(3), 0xF8);
    const __m512i shadeIndex =
        _mm512_maskz_permutex2var_epi8(LOW_TWO_BYTES, words, control, light.value);
    return _mm512_i32gather_epi32(shadeIndex, shade, 2);
}

// rows holds, per 128-bit lane, row r and row r + 4 of the left block, then
// the same two rows of the right one.
VXR_AVX512 inline void storeRows(uint8_t* destination, ptrdiff_t pitch, __m512i rows, int32_t row)
{
    const __m512i ordered = _mm512_shuffle_i64x2(rows, rows, _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + row * pitch),
                        _mm512_castsi512_si256(ordered));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + (row + 4) * pitch),
                        _mm512_extracti64x4_epi64(ordered, 1));
}

VXR_AVX512 void fillBlockPair(const GridSample* topLeft, const Controls& controls,
                              const uint8_t* texels, const uint16_t* shade, uint8_t* destination,
                              ptrdiff_t pitch)
{
    uint32_t top[3][3];
    uint32_t bottom[3][3];
    for (int32_t column = 0; column < 3; ++column) {
        const GridSample& upper = topLeft[column * BlockFill::GRID_ROWS];
        const GridSample& lower = topLeft[column * BlockFill::GRID_ROWS + 1];
        top[0][column] = uint32_t(upper.depth);
        top[1][column] = uint32_t(upper.angle);
        top[2][column] = uint32_t(upper.light);
        bottom[0][column] = uint32_t(lower.depth);
        bottom[1][column] = uint32_t(lower.angle);
        bottom[2][column] = uint32_t(lower.light);
    }
    RowLanes depth = rowLanes(top[0], bottom[0]);
    RowLanes angle = rowLanes(top[1], bottom[1]);
    RowLanes light = rowLanes(top[2], bottom[2]);

    // Pixel columns 2p and 2p + 1 of every row side by side in one lane.
    __m512i pairs[4];
    for (int32_t pair = 0; pair < 4; ++pair) {
        const __m512i even = shadeColumn(depth, angle, light, controls, texels, shade);
        advance(depth);
        advance(angle);
        advance(light);
        const __m512i odd = shadeColumn(depth, angle, light, controls, texels, shade);
        advance(depth);
        advance(angle);
        advance(light);
        pairs[pair] = _mm512_mask_blend_epi16(0xAAAAAAAA, even, _mm512_slli_epi32(odd, 16));
    }

    // Transpose: lanes are rows now, memory wants pixel rows.
    const __m512i rows01a = _mm512_unpacklo_epi32(pairs[0], pairs[1]);
    const __m512i rows23a = _mm512_unpackhi_epi32(pairs[0], pairs[1]);
    const __m512i rows01b = _mm512_unpacklo_epi32(pairs[2], pairs[3]);
    const __m512i rows23b = _mm512_unpackhi_epi32(pairs[2], pairs[3]);
    storeRows(destination, pitch, _mm512_unpacklo_epi64(rows01a, rows01b), 0);
    storeRows(destination, pitch, _mm512_unpackhi_epi64(rows01a, rows01b), 1);
    storeRows(destination, pitch, _mm512_unpacklo_epi64(rows23a, rows23b), 2);
    storeRows(destination, pitch, _mm512_unpackhi_epi64(rows23a, rows23b), 3);
}

}  // namespace

VXR_AVX512 void BlockFill::fillFrameAvx512(uint8_t* firstPixel, int32_t pitch) const
{
    const Controls controls = {texelIndexControl(), shadeIndexControl()};
    const ptrdiff_t rowPitch = pitch;
    for (int32_t column = 0; column < BLOCK_COLUMNS; column += 2) {
        const GridSample* gridColumn = grid + column * GRID_ROWS;
        uint8_t* blockStart = firstPixel + column * BLOCK_SIZE * 2;
        for (int32_t row = 0; row < BLOCK_ROWS; ++row) {
            fillBlockPair(gridColumn + row, controls, texels, shade,
                          blockStart + row * BLOCK_SIZE * rowPitch, rowPitch);
        }
    }
}

}  // namespace demo

#pragma GCC diagnostic pop

#else

namespace demo {

// Without x86 vector instructions there is only the portable path.
void BlockFill::fillFrameAvx512(uint8_t* firstPixel, int32_t pitch) const
{
    fillFramePortable(firstPixel, pitch);
}

}  // namespace demo

#endif
