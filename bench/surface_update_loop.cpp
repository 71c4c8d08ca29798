#include "surface_update_loop.h"

#include "console/x11/x11_test_support.h"
#include "vxr/console/console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

std::uint64_t SurfaceUpdateLoop::run(benchmark::State& state, vxr::Console& console, int width,
                                     int height, std::int32_t format, bool readEvents)
{
    vxr::Surface surface(&console, width, height, vxr::PixelFormat(format), vxr::MEMORY_SYSTEM,
                         -1, -1, -1);
    vxr::test::fillRandom(surface, 1);
    std::uint64_t events = 0;
    vxr::Event event;
    for (auto _ : state) {
        benchmark::DoNotOptimize(surface.lock(1));
        surface.unlock();
        if (!surface.update()) {
            state.SkipWithError("update failed");
            break;
        }
        while (readEvents && console.pollEvent(&event)) ++events;
    }
    return events;
}
