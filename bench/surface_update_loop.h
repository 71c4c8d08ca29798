#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace vxr {
class Console;
}

// A console's present benchmark: a frame of random pixels on the console,
// locked where the program would draw its next frame, then Surface::update,
// and, where asked, every waiting event read, each iteration. Returns the
// events read.
class SurfaceUpdateLoop {
public:
    static std::uint64_t run(benchmark::State& state, vxr::Console& console, int width,
                             int height, std::int32_t format, bool readEvents = false);
};
