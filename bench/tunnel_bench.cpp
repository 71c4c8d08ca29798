// The tunnel's cost per frame, each part next to a plain copy of a frame of
// the same size, so that figures from different machines compare.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "demo/tunnel.h"

namespace {

constexpr size_t FRAME_BYTES = demo::Tunnel::FRAME_WIDTH * demo::Tunnel::FRAME_HEIGHT * 2;
constexpr int32_t FRAME_PITCH = demo::Tunnel::FRAME_WIDTH * 2;
constexpr float FLIGHT_TIME = 12.0f;

// A tunnel in mid-flight with a random texture and palette.
struct FlyingTunnel {
  demo::Tunnel tunnel;
  std::vector<uint8_t> texels = std::vector<uint8_t>(256 * 256);
  std::vector<uint8_t> frame = std::vector<uint8_t>(FRAME_BYTES);

  FlyingTunnel() {
    std::mt19937 random(1);
    std::vector<uint32_t> colours(256);
    for (auto& colour : colours) colour = uint32_t(random());
    for (auto& texel : texels) texel = uint8_t(random());
    tunnel.radius = 255.0f;
    tunnel.buildShade(colours.data());
    tunnel.ready = 1;
    for (float t = 0.0f; t < FLIGHT_TIME; t = float(double(t) + 0.01)) {
      tunnel.animate(0.01f, t);
    }
    tunnel.castGrid(FLIGHT_TIME, 1.0f, 0);
  }
};

void BM_FrameMemcpy(benchmark::State& state) {
  std::vector<uint8_t> source(FRAME_BYTES, 0x5A), destination(FRAME_BYTES);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), FRAME_BYTES);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FRAME_BYTES));
}
BENCHMARK(BM_FrameMemcpy)->Unit(benchmark::kMicrosecond);

void BM_TunnelCastGrid(benchmark::State& state) {
  FlyingTunnel flying;
  for (auto _ : state) {
    flying.tunnel.castGrid(FLIGHT_TIME, 1.0f, 0);
    benchmark::DoNotOptimize(flying.tunnel.grid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TunnelCastGrid)->Unit(benchmark::kMicrosecond);

void BM_TunnelFillFrame(benchmark::State& state) {
  FlyingTunnel flying;
  for (auto _ : state) {
    flying.tunnel.fillFrame(flying.frame.data(), FRAME_PITCH, flying.texels.data());
    benchmark::DoNotOptimize(flying.frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TunnelFillFrame)->Unit(benchmark::kMicrosecond);

// Each fill body on its own (0 baseline, 1 AVX2, 2 AVX-512); a set this
// processor lacks is skipped.
void BM_TunnelFillFramePath(benchmark::State& state) {
  const auto path = vxr::InstructionSet(state.range(0));
  if (path > vxr::processorInstructionSet()) {
    state.SkipWithError("not available on this processor");
    return;
  }
  vxr::limitInstructionSet(path);
  FlyingTunnel flying;
  const demo::BlockFill fill(flying.tunnel.grid, flying.tunnel.shade.levelRows(), flying.texels.data());
  for (auto _ : state) {
    fill.fillFrame(flying.frame.data(), FRAME_PITCH);
    benchmark::DoNotOptimize(flying.frame.data());
    benchmark::ClobberMemory();
  }
  vxr::limitInstructionSet(vxr::InstructionSet::AVX512);
}
BENCHMARK(BM_TunnelFillFramePath)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// What the demo spends per frame on the effect: cast the grid, fill the frame.
void BM_TunnelWholeFrame(benchmark::State& state) {
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
