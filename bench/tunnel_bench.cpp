// The tunnel's cost per frame, each part next to a plain copy of a frame of
// the same size, so that figures from different machines compare.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bench/flying_tunnel.h"
#include "demo/block_fill.h"
#include "demo/tunnel.h"
#include "vxr/format/instruction_set_control.h"

#if VXR_HAS_WIDE_BODIES
// GCC 12's 512-bit intrinsics start from "undefined" vectors that they
// initialise with themselves, and then warn about that at every use.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#endif

namespace {

constexpr size_t FRAME_BYTES = bench::FlyingTunnel::FRAME_BYTES;
constexpr int32_t FRAME_PITCH = bench::FlyingTunnel::FRAME_PITCH;
constexpr float FLIGHT_TIME = bench::FlyingTunnel::FLIGHT_TIME;
using bench::FlyingTunnel;

// The instruction sets as benchmark arguments.
constexpr int64_t BASELINE = int64_t(vxr::InstructionSet::BASELINE);
constexpr int64_t AVX2 = int64_t(vxr::InstructionSet::AVX2);
constexpr int64_t AVX512 = int64_t(vxr::InstructionSet::AVX512);

void BM_FrameMemcpy(benchmark::State& state)
{
    std::vector<uint8_t> source(FRAME_BYTES, 0x5A), destination(FRAME_BYTES);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), FRAME_BYTES);
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FRAME_BYTES));
}
BENCHMARK(BM_FrameMemcpy)->Unit(benchmark::kMicrosecond);

// Holds the library's dispatcher to the instruction set that a
// benchmark's first argument names (0 baseline, 2 AVX2, 3 AVX-512), with
// or without gathers, while it lives; a set this processor lacks skips the
// benchmark.
class LimitedTo {
public:
    LimitedTo(benchmark::State& state, bool gathers)
        : runnable(vxr::InstructionSet(state.range(0)) <= vxr::processorInstructionSet())
    {
        if (!runnable) {
            state.SkipWithError("not available on this processor");
            return;
        }
        vxr::limitInstructionSet(vxr::InstructionSet(state.range(0)));
        vxr::allowGathers(gathers);
    }
    ~LimitedTo()
    {
        vxr::limitInstructionSet(vxr::InstructionSet::AVX512);
        vxr::allowGathers(true);
    }
    LimitedTo(const LimitedTo&) = delete;
    LimitedTo& operator=(const LimitedTo&) = delete;

    const bool runnable;
};

void castGrids(benchmark::State& state)
{
    FlyingTunnel flying;
    for (auto _ : state) {
        flying.tunnel.castGrid(FLIGHT_TIME, 1.0f, 0);
        benchmark::DoNotOptimize(flying.tunnel.grid);
        benchmark::ClobberMemory();
    }
}

void BM_TunnelCastGrid(benchmark::State& state)
{
    castGrids(state);
}
BENCHMARK(BM_TunnelCastGrid)->Unit(benchmark::kMicrosecond);

// The grid through each body.
void BM_TunnelCastGridPath(benchmark::State& state)
{
    const LimitedTo limit(state, true);
    if (limit.runnable) castGrids(state);
}
BENCHMARK(BM_TunnelCastGridPath)->Arg(BASELINE)->Arg(AVX2)->Arg(AVX512)->Unit(benchmark::kMicrosecond);

void BM_TunnelFillFrame(benchmark::State& state)
{
    FlyingTunnel flying;
    for (auto _ : state) {
        flying.tunnel.fillFrame(flying.frame.data(), FRAME_PITCH, flying.texels.data());
        benchmark::DoNotOptimize(flying.frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TunnelFillFrame)->Unit(benchmark::kMicrosecond);

// Each fill body on its own: the instruction set and whether gathers are
// allowed (1) or plain loads must do (0). Gathers allowed on a processor
// that measured them slow run the body without them.
void BM_TunnelFillFramePath(benchmark::State& state)
{
    const LimitedTo limit(state, state.range(1) != 0);
    if (!limit.runnable) return;
    FlyingTunnel flying;
    const demo::BlockFill fill(flying.tunnel.grid, flying.tunnel.shade.levelRows(),
                               flying.texels.data());
    for (auto _ : state) {
        fill.fillFrame(flying.frame.data(), FRAME_PITCH);
        benchmark::DoNotOptimize(flying.frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TunnelFillFramePath)
    ->ArgsProduct({{BASELINE, AVX2, AVX512}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The reads the fill cannot do without: for every pixel the texel at its
// texture coordinates and that texel's shade at its light level, at the
// same addresses and in the same order as the frame fill, with nothing
// interpolated. Each pixel's two offsets come packed in one 32-bit word.
// This is the fill's own limit on this processor, measured in the same run.
struct PixelReads {
    std::vector<uint32_t> packed;  // texel offset | light level << 16

    // The portable fill reports the coordinates itself: with texels that
    // hold their own offset's low (then high) byte and a shade table whose
    // entry is level << 8 | colour, each pixel comes out as light << 8 | byte.
    explicit PixelReads(const demo::Tunnel& tunnel)
    {
        std::vector<uint16_t> identity(65536 + demo::ShadeTable::SPARE_ENTRIES);
        for (uint32_t entry = 0; entry < 65536; ++entry) identity[entry] = uint16_t(entry);
        std::vector<uint8_t> lowBytes(65536), highBytes(65536);
        for (uint32_t offset = 0; offset < 65536; ++offset) {
            lowBytes[offset] = uint8_t(offset);
            highBytes[offset] = uint8_t(offset >> 8);
        }
        const std::vector<uint16_t> low = blockOrder(tunnel, identity, lowBytes);
        const std::vector<uint16_t> high = blockOrder(tunnel, identity, highBytes);
        packed.resize(low.size());
        for (size_t pixel = 0; pixel < low.size(); ++pixel) {
            packed[pixel] = uint32_t(low[pixel] & 0xFF) | uint32_t(high[pixel] & 0xFF) << 8 |
                            uint32_t(low[pixel] >> 8) << 16;
        }
    }

    // The pixels of one frame fill, block by block, each block row by row.
    static std::vector<uint16_t> blockOrder(const demo::Tunnel& tunnel,
                                            const std::vector<uint16_t>& shade,
                                            const std::vector<uint8_t>& texels)
    {
        std::vector<uint8_t> frame(FRAME_BYTES);
        vxr::limitInstructionSet(vxr::InstructionSet::BASELINE);
        demo::BlockFill(tunnel.grid, shade.data(), texels.data())
            .fillFrame(frame.data(), FRAME_PITCH);
        vxr::limitInstructionSet(vxr::InstructionSet::AVX512);
        std::vector<uint16_t> pixels;
        constexpr int32_t BLOCK = demo::BlockFill::BLOCK_SIZE;
        for (int32_t top = 0; top < demo::Tunnel::FRAME_HEIGHT; top += BLOCK)
            for (int32_t left = 0; left < demo::Tunnel::FRAME_WIDTH; left += BLOCK)
                for (int32_t y = top; y < top + BLOCK; ++y)
                    for (int32_t x = left; x < left + BLOCK; ++x) {
                        uint16_t pixel;
                        std::memcpy(&pixel, &frame[size_t(y) * FRAME_PITCH + 2 * size_t(x)], 2);
                        pixels.push_back(pixel);
                    }
        return pixels;
    }
};

void BM_TunnelTwoReadsPerPixel(benchmark::State& state)
{
    FlyingTunnel flying;
    const PixelReads reads(flying.tunnel);
    const uint8_t* texels = flying.texels.data();
    const uint16_t* shade = flying.tunnel.shade.levelRows();
    std::vector<uint16_t> pixels(reads.packed.size());
    for (auto _ : state) {
        const uint32_t* packed = reads.packed.data();
        for (size_t pixel = 0; pixel < pixels.size(); ++pixel) {
            const uint32_t offsets = packed[pixel];
            pixels[pixel] = shade[(offsets >> 16) << 8 | texels[offsets & 0xFFFF]];
        }
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TunnelTwoReadsPerPixel)->Unit(benchmark::kMicrosecond);

#if VXR_HAS_WIDE_BODIES
// The same reads sixteen pixels at a time through gathers, the way the
// AVX-512 fill reads them; texels are gathered as the aligned four bytes
// that hold them, as the fill must, so no read passes the texture's end.
VXR_TARGET_AVX512 void gatherReads(const uint32_t* packed, size_t count, const uint8_t* texels,
                                   const uint16_t* shade, uint16_t* pixels)
{
    const __m512i lowWord = _mm512_set1_epi32(0xFFFF);
    const __m512i lowByte = _mm512_set1_epi32(0xFF);
    for (size_t pixel = 0; pixel + 16 <= count; pixel += 16) {
        const __m512i offsets = _mm512_loadu_si512(packed + pixel);
        const __m512i texelOffset = _mm512_and_si512(offsets, lowWord);
        const __m512i words = _mm512_i32gather_epi32(_mm512_srli_epi32(texelOffset, 2), texels, 4);
        const __m512i texel = _mm512_and_si512(
            _mm512_srlv_epi32(
                words, _mm512_slli_epi32(_mm512_and_si512(texelOffset, _mm512_set1_epi32(3)), 3)),
            lowByte);
        const __m512i shadeIndex =
            _mm512_or_si512(_mm512_slli_epi32(_mm512_srli_epi32(offsets, 16), 8), texel);
        const __m512i shaded = _mm512_i32gather_epi32(shadeIndex, shade, 2);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + pixel),
                            _mm512_cvtepi32_epi16(shaded));
    }
}

void BM_TunnelTwoGathersPerPixel(benchmark::State& state)
{
    if (vxr::processorInstructionSet() != vxr::InstructionSet::AVX512) {
        state.SkipWithError("no AVX-512 on this processor");
        return;
    }
    FlyingTunnel flying;
    const PixelReads reads(flying.tunnel);
    std::vector<uint16_t> pixels(reads.packed.size());
    for (auto _ : state) {
        gatherReads(reads.packed.data(), pixels.size(), flying.texels.data(),
                    flying.tunnel.shade.levelRows(), pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TunnelTwoGathersPerPixel)->Unit(benchmark::kMicrosecond);
#endif

// What the demo spends per frame on the effect: cast the grid, fill the frame.
void BM_TunnelWholeFrame(benchmark::State& state)
{
    FlyingTunnel flying;
    for (auto _ : state) {
        flying.tunnel.castGrid(FLIGHT_TIME, 1.0f, 0);
        flying.tunnel.fillFrame(flying.frame.data(), FRAME_PITCH, flying.texels.data());
        benchmark::DoNotOptimize(flying.frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TunnelWholeFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
