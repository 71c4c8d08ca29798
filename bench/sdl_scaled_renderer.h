#pragma once

#include <benchmark/benchmark.h>

#include "vxr/format/rect.h"

// SDL2's renderer (its software one where asked) as a scaling present's
// comparison peer: a window of the given size, a streaming texture of the
// frame's size, and each iteration the program's new frame uploaded and
// copied, nearest-pixel, onto area of the window, then presented. The
// texture is in the window's own format, so the copy only scales.
class SdlScaledRenderer {
public:
    static void present(benchmark::State& state, const char* driver, bool software,
                        int windowWidth, int windowHeight, int frameWidth, int frameHeight,
                        const vxr::Rect& area);
};
