#pragma once

#include <benchmark/benchmark.h>

// SDL2's window surface as a present benchmark's comparison peer: one
// window, its surface filled once, SDL_UpdateWindowSurface each iteration.
class SdlWindowSurface {
public:
    // driver names SDL's video driver; acceleration is SDL's framebuffer
    // acceleration hint, null to leave the choice to SDL.
    static void present(benchmark::State& state, const char* driver, const char* acceleration,
                        int width, int height);
};
