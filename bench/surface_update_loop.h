#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace vxr {
class Console;
}

// A console's present benchmark: a frame of random pixels on the console,
// locked where the program would draw its next frame, then Surface::update,
// each iteration.
class SurfaceUpdateLoop {
public:
    static void run(benchmark::State& state, vxr::Console& console, int width, int height,
                    std::int32_t format);
};
