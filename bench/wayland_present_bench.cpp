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

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "console/wayland/compositor.h"
#include "console/x11/x11_test_support.h"
#include "vxr/console/event.h"
#include "vxr/console/wayland/wayland_console.h"
#include "vxr/surface/surface.h"
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
// The third, a large frame the console converts, is for the console alone.
const FrameCase CASES[] = {
    {320, 200, vxr::RGB565}, {1920, 1080, vxr::ARGB8888}, {1920, 1080, vxr::RGB565}};

const FrameCase& frameCase(const benchmark::State& state)
{
    return CASES[state.range(0)];
}

// One compositor per kind and output size for the whole run, started on
// first use; WAYLAND_DISPLAY then names it.
vxr::test::Compositor* compositorFor(int width, int height,
                                     vxr::test::Compositor::Kind kind = vxr::test::Compositor::Kind::SWAY,
                                     double scale = 1)
{
    struct Running {
        vxr::test::Compositor::Kind kind;
        int width, height;
        double scale;
        std::unique_ptr<vxr::test::Compositor> compositor;
    };
    static std::vector<Running> running;
    for (Running& known : running)
        if (known.kind == kind && known.width == width && known.height == height &&
            known.scale == scale) {
            if (!known.compositor) return nullptr;
            setenv("XDG_RUNTIME_DIR", known.compositor->runtimeFolder().c_str(), 1);
            setenv("WAYLAND_DISPLAY", known.compositor->socket().c_str(), 1);
            return known.compositor.get();
        }
    auto compositor = std::make_unique<vxr::test::Compositor>();
    if (!compositor->start(kind, width, height, scale)) compositor.reset();
    running.push_back({kind, width, height, scale, std::move(compositor)});
    return running.back().compositor.get();
}

bool compositorFor(const FrameCase& frame) { return compositorFor(frame.width, frame.height); }

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

// A mouse moved without pause over the window: the held virtual pointer
// nudged back and forth a thousand times a second, as a fast mouse
// reports, until stopped.
class PointerStream {
public:
    explicit PointerStream(vxr::test::Compositor& compositor) : compositor(compositor) {}
    ~PointerStream() { stop(); }

    bool start(int width, int height)
    {
        if (!compositor.holdPointer() ||
            !compositor.placePointer(width / 2, height / 2, width, height))
            return false;
        mover = std::thread([this] {
            for (int step = 0; !stopping.load(); ++step) {
                compositor.nudgePointer(step % 2 ? -1.0 : 1.0, 0.0);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        return true;
    }

    void stop()
    {
        stopping.store(true);
        if (mover.joinable()) mover.join();
    }

private:
    vxr::test::Compositor& compositor;
    std::thread mover;
    std::atomic<bool> stopping{false};
};

// Surface::update as vxrWaylandUpdate does it, and then every event the
// window has gathered read, frame after frame, as a program with a mouse
// reads its input. Argument 1: with the pointer moving over the window
// throughout; 0: the same loop with nothing moving, to compare with.
void vxrWaylandUpdateReadingEvents(benchmark::State& state)
{
    const FrameCase& frame = frameCase(state);
    const bool pointerMoves = state.range(1) != 0;
    vxr::test::Compositor* compositor = compositorFor(frame.width, frame.height);
    if (!compositor) {
        state.SkipWithError("sway did not start");
        return;
    }
    // The virtual pointer comes first: a seat that gains its pointer while
    // the pointer already rests over the window sends that window motion
    // without an enter, which a client must ignore.
    if (pointerMoves && !compositor->holdPointer()) {
        state.SkipWithError("no virtual pointer");
        return;
    }
    vxr::WaylandConsole console;
    if (!console.ok() || !console.open(frame.width, frame.height,
                                       frame.format == vxr::RGB565 ? vxr::PREFER16 : vxr::PREFER32,
                                       -1, -1, -1)) {
        state.SkipWithError("the Wayland console did not open");
        return;
    }
    PointerStream stream(*compositor);
    if (pointerMoves && !stream.start(frame.width, frame.height)) {
        state.SkipWithError("no virtual pointer");
        return;
    }
    // The pointer's first event before any frame is timed: Google Benchmark
    // starts with a run of one frame, too short for a nudge to come round.
    vxr::Event first;
    if (pointerMoves && !console.waitEvent(&first, 2000)) {
        state.SkipWithError("no pointer event reached the window");
        return;
    }
    const std::uint64_t events =
        SurfaceUpdateLoop::run(state, console, frame.width, frame.height, frame.format, true);
    stream.stop();
    state.counters["events_per_frame"] =
        benchmark::Counter(static_cast<double>(events), benchmark::Counter::kAvgIterations);
    countFrames(state, frame);
    state.SetLabel(std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                   (pointerMoves ? ", pointer moving" : ", pointer still") + " sway headless");
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

// Surface::update on weston, which draws no window frames: with libdecor's
// title bar and borders around the window (argument 1: 1), against the
// same window bare (0). The frame is libdecor's own surfaces, redrawn only
// when the window changes, so the program's cost per frame should not move.
void vxrWaylandFramed(benchmark::State& state)
{
    const FrameCase& frame = CASES[state.range(0)];
    const bool framed = state.range(1) != 0;
    // An output a third larger than the frame: the framed window fits on
    // it whole, and the window still shows the frame at scale 1.
    vxr::test::Compositor* compositor = compositorFor(frame.width * 4 / 3, frame.height * 4 / 3,
                                                      vxr::test::Compositor::Kind::WESTON);
    if (!compositor) {
        state.SkipWithError("weston did not start");
        return;
    }
    vxr::WaylandConsole console;
    console.frameOnClient(framed);
    if (!console.ok() || !console.open(frame.width, frame.height,
                                       frame.format == vxr::RGB565 ? vxr::PREFER16 : vxr::PREFER32,
                                       -1, -1, -1)) {
        state.SkipWithError("the Wayland console did not open");
        return;
    }
    if (console.decoratedByClient() != framed || console.clientWidth() != frame.width) {
        state.SkipWithError("the window is not framed as asked, or not at scale 1");
        return;
    }
    const double before = compositor->cpuSeconds();
    SurfaceUpdateLoop::run(state, console, frame.width, frame.height, frame.format);
    state.counters["compositor_cpu_us"] = benchmark::Counter(
        (compositor->cpuSeconds() - before) * 1e6, benchmark::Counter::kAvgIterations);
    countFrames(state, frame);
    state.SetLabel(std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                   (framed ? ", libdecor frame" : ", bare") + " weston headless");
}

// Opens a 320x200 frame scaled by the compositor or the library, and waits
// for the compositor to give the window its width in pixels: a tiling or a
// scale comes a moment after the window maps.
bool openScaledWindow(vxr::WaylandConsole& console, bool byCompositor, int width)
{
    console.scaleInCompositor(byCompositor);
    if (!console.ok() || !console.open(320, 200, vxr::PREFER32, -1, -1, -1)) return false;
    for (int wait = 0; wait < 200 && console.clientWidth() != width; ++wait) usleep(10000);
    return console.clientWidth() == width;
}

// A frame shown larger than it is: 320x200 on a 1920x1080 output, where
// sway tiles the window over the whole output and the frame fills
// 1728x1080 of it. The library scales it into full-size buffers, or the
// compositor stretches frame-sized buffers through a viewport. The
// compositor's own CPU time per frame is a counter: the work moves there.
void vxrWaylandScaled(benchmark::State& state)
{
    const bool byCompositor = state.range(0) != 0;
    vxr::test::Compositor* compositor = compositorFor(1920, 1080);
    if (!compositor) {
        state.SkipWithError("sway did not start");
        return;
    }
    vxr::WaylandConsole console;
    if (!openScaledWindow(console, byCompositor, 1920) ||
        console.scalesInCompositor() != byCompositor) {
        state.SkipWithError("the window is not tiled over the output, or not scaled as asked");
        return;
    }
    const double before = compositor->cpuSeconds();
    SurfaceUpdateLoop::run(state, console, 320, 200, vxr::ARGB8888);
    const double used = compositor->cpuSeconds() - before;
    state.counters["compositor_cpu_us"] =
        benchmark::Counter(used * 1e6, benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string("320x200 ARGB8888 on 1920x1080, scaled by the ") +
                   (byCompositor ? "compositor" : "library"));
}

// A 320x200 frame on kwin, the compositor here that tells windows a
// fractional scale, at an output scale of 2 (argument 0) and 1.5 (1): the
// window opens at the frame's size in units, so its buffers are 640x400 and
// 480x300 pixels, and the library draws each frame pixel into 2x2 or into
// 1 or 2 pixels a side. kwin's virtual output is 640x400 units.
void vxrWaylandAtOutputScale(benchmark::State& state)
{
    const double scale = state.range(0) != 0 ? 1.5 : 2.0;
    vxr::test::Compositor* compositor =
        compositorFor(640, 400, vxr::test::Compositor::Kind::KWIN, scale);
    if (!compositor) {
        state.SkipWithError("kwin did not start");
        return;
    }
    vxr::WaylandConsole console;
    const int wide = static_cast<int>(320 * scale);
    if (!openScaledWindow(console, false, wide) || console.scale() != scale) {
        state.SkipWithError("the window is not at the output's scale");
        return;
    }
    // kwin's pid is not the one the fixture holds (that is its session's),
    // so the compositor's own CPU time is not counted here.
    SurfaceUpdateLoop::run(state, console, 320, 200, vxr::ARGB8888);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string("320x200 ARGB8888 at scale ") + (scale == 2.0 ? "2" : "1.5") +
                   " on kwin (" + std::to_string(wide) + "x" +
                   std::to_string(console.clientHeight()) + " pixels)");
}

}  // namespace

BENCHMARK(vxrWaylandAtOutputScale)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(vxrWaylandScaled)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(vxrWaylandUpdate)->Arg(0)->Arg(1)->Arg(2)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(vxrWaylandFramed)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(vxrWaylandUpdateReadingEvents)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(sdl2WaylandWindowSurface)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
