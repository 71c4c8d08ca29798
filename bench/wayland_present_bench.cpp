// Present throughput on a private headless sway (pixman renderer): a frame
// through Surface::update on the Wayland console, against SDL2's window
// surface with its Wayland driver on the same compositor. (SDL's Wayland
// driver ends in a crash during SDL_Init on weston's headless backend, so
// the two meet on sway.)
//
// Each frame is drawn into memory the program owns and then presented, as a
// program does frame after frame; the console waits for a released buffer
// when the compositor holds them all, SDL inside SDL_UpdateWindowSurface.
// Frames per second are items_per_second (real time); the CPU column is
// this process's CPU time per frame, window threads included (the
// compositor's own time is not in it).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "console/wayland/compositor.h"
#include "vxr/console/wayland/wayland_console.h"
#include "vxr/surface/surface_store.h"
#include "sdl_window_surface.h"
#include "surface_update_loop.h"

namespace {

struct FrameCase {
    int width;
    int height;
    std::int32_t format;
};

// sway tiles a lone window over its whole output, so each output is the
// frame's size: the console's window and SDL's both show it at scale 1.
const FrameCase SMALL{320, 200, vxr::RGB565};
const FrameCase LARGE{1920, 1080, vxr::ARGB8888};

const FrameCase& frameCase(const benchmark::State& state) { return state.range(0) ? LARGE : SMALL; }

// One compositor per output size for the whole run, started on first use;
// WAYLAND_DISPLAY then names it.
bool compositorFor(const FrameCase& frame)
{
    static vxr::test::Compositor small, large;
    static bool started[2] = {};
    static bool tried[2] = {};
    const bool isLarge = &frame == &LARGE;
    vxr::test::Compositor& compositor = isLarge ? large : small;
    if (!tried[isLarge]) {
        tried[isLarge] = true;
        started[isLarge] = compositor.start(vxr::test::Compositor::Kind::SWAY, frame.width,
                                            frame.height);
    }
    if (!started[isLarge]) return false;
    setenv("XDG_RUNTIME_DIR", compositor.runtimeFolder().c_str(), 1);
    setenv("WAYLAND_DISPLAY", compositor.socket().c_str(), 1);
    return true;
}

void countFrames(benchmark::State& state, const FrameCase& frame)
{
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                   (frame.format == vxr::RGB565 ? " RGB565" : " ARGB8888") + " sway headless");
}

void vxrWaylandUpdate(benchmark::State& state)
{
    const FrameCase& frame = frameCase(state);
    if (!compositorFor(frame)) {
        state.SkipWithError("sway did not start");
        return;
    }
    vxr::WaylandConsole console;
    if (!console.ok() || !console.open(frame.width, frame.height, frame.format == vxr::RGB565 ? vxr::PREFER16 : vxr::PREFER32,
                                         -1, -1, -1)) {
        state.SkipWithError("the Wayland console did not open");
        return;
    }
    if (console.clientWidth() != frame.width || console.clientHeight() != frame.height) {
        state.SkipWithError("the window is not at scale 1");
        return;
    }
    SurfaceUpdateLoop::run(state, console, frame.width, frame.height, frame.format);
    countFrames(state, frame);
}

void sdl2WaylandWindowSurface(benchmark::State& state)
{
    const FrameCase& frame = frameCase(state);
    if (!compositorFor(frame)) {
        state.SkipWithError("sway did not start");
        return;
    }
    // SDL's Wayland driver has no framebuffer of its own: its window
    // surface goes through the renderer SDL picks.
    SdlWindowSurface::present(state, "wayland", nullptr, frame.width, frame.height);
    countFrames(state, frame);
}

}  // namespace

BENCHMARK(vxrWaylandUpdate)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(sdl2WaylandWindowSurface)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
