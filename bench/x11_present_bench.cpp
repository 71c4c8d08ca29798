// Present throughput on a private Xvfb: a frame through Surface::update on
// the X11 console (also while the pointer moves over the window all along,
// its events read each frame), against the limit (a raw MIT-SHM put of a ready image in
// the display's format) and SDL2's window surface on the same server.
// A small frame scaled up to a large window, sharp and in whole multiples,
// is set against SDL2's software renderer doing the same scale.
// Beside the limit, the raw ways a presenter can keep the frame it showed
// for the exposures to come: copying it into an image of its own that it
// puts, copying it while the server reads the program's own image, or
// having the server put it into a pixmap that it then copies.
//
// Each frame waits until the server has read the one before, as a program
// that draws its next frame into the same memory must: the console does so
// when the frame is locked, the raw loop before its next put, SDL inside
// SDL_UpdateWindowSurface. Frames per second are items_per_second (real
// time); the CPU column is this process's CPU time per frame, window
// threads included.
#include <benchmark/benchmark.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "console/x11/x11_test_support.h"
#include "console/x11/xtest_input.h"
#include "sdl_scaled_renderer.h"
#include "sdl_window_surface.h"
#include "surface_update_loop.h"
#include "vxr/console/console_mode.h"
#include "vxr/console/event.h"
#include "vxr/console/placement/frame_placement.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace {

struct FrameCase {
    int width;
    int height;
    std::int32_t format;
    int depth;
};

// The screens are sized so that the console's window shows the frame at
// scale 1, like the raw put and SDL's window.
const FrameCase SMALL{320, 200, vxr::RGB565, 16};
const FrameCase LARGE{1920, 1080, vxr::ARGB8888, 24};

const FrameCase& frameCase(const benchmark::State& state)
{
    return state.range(0) ? LARGE : SMALL;
}

// One server per depth for the whole run, started on first use.
const std::string& serverFor(const FrameCase& frame)
{
    static vxr::test::XvfbServer small, large;
    static bool started[2] = {};
    const bool isLarge = &frame == &LARGE;
    vxr::test::XvfbServer& server = isLarge ? large : small;
    if (!started[isLarge]) {
        started[isLarge] =
            server.start({frame.depth, isLarge ? 2560 : 640, isLarge ? 1600 : 480, true});
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    return server.display();
}

void countFrames(benchmark::State& state, const FrameCase& frame, const char* note = "")
{
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::to_string(frame.width) + "x" + std::to_string(frame.height) +
                   (frame.format == vxr::RGB565 ? " RGB565" : " ARGB8888") + note);
}

void vxrUpdate(benchmark::State& state)
{
    const FrameCase& frame = frameCase(state);
    serverFor(frame);
    vxr::X11Console console;
    if (!console.open(frame.width, frame.height, frame.format, -1, -1, -1)) {
        state.SkipWithError("the X11 console did not open");
        return;
    }
    SurfaceUpdateLoop::run(state, console, frame.width, frame.height, frame.format);
    countFrames(state, frame);
}

// A mouse moved all the time: a motion every millisecond (a 1000 Hz
// mouse), made through the server's XTEST from a thread of its own, along a
// rectangle inside an area of the screen.
class PointerStream {
public:
    bool start(const std::string& display, int left, int width, int height)
    {
        if (!input.connect(display)) return false;
        mover = std::thread([this, left, width, height] { move(left, width, height); });
        return true;
    }

    ~PointerStream()
    {
        going = false;
        if (mover.joinable()) mover.join();
    }

    std::uint64_t moves() const { return made.load(); }

private:
    void move(int left, int width, int height)
    {
        using Clock = std::chrono::steady_clock;
        auto next = Clock::now();
        for (std::int64_t step = 0; going; ++step) {
            // A walk along a rectangle well inside the window: every step moves.
            const std::int64_t side = step % 400;
            const int x = static_cast<int>(left + width / 4 + side % 200 * (width / 2) / 200);
            const int y = static_cast<int>(height / 4 + (side < 200 ? 0 : height / 2));
            input.movePointer(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
            ++made;
            // The server keeps pace: what is sent is handled before more follows.
            if (!input.sync()) return;
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
    }

    vxr::test::XtestInput input;
    std::thread mover;
    std::atomic<bool> going{true};
    std::atomic<std::uint64_t> made{0};
};

// vxrUpdate while the pointer moves over the window, with the frame's
// events read before each update as a program's loop reads them. With
// range(1) 0 the pointer moves beside the window instead: the server and
// the moving thread work as much, but no event reaches the window, so the
// difference between the two is what the events cost the console.
void vxrUpdateWithMotion(benchmark::State& state)
{
    const bool overWindow = state.range(1) != 0;
    const FrameCase& frame = frameCase(state);
    const std::string& display = serverFor(frame);
    vxr::X11Console console;
    if (!console.open(frame.width, frame.height, frame.format, -1, -1, -1)) {
        state.SkipWithError("the X11 console did not open");
        return;
    }
    PointerStream pointer;
    // The window is at the screen's top left; the screens are wider.
    if (!pointer.start(display, overWindow ? 0 : frame.width + 4, frame.width / 3,
                       frame.height)) {
        state.SkipWithError("no XTEST on the server");
        return;
    }
    const std::uint64_t events =
        SurfaceUpdateLoop::run(state, console, frame.width, frame.height, frame.format, true);
    state.counters["events/frame"] =
        benchmark::Counter(static_cast<double>(events) / static_cast<double>(state.iterations()));
    state.counters["moves/s"] =
        benchmark::Counter(static_cast<double>(pointer.moves()), benchmark::Counter::kIsRate);
    countFrames(state, frame, overWindow ? ", pointer over the window" : ", pointer beside it");
}

// The limit and the ways a console could keep what it showed: one window,
// shared images in the display's format, each put after the server has
// finished reading it.
class RawShmWindow {
public:
    static constexpr int IMAGES = 2;

    bool open(const std::string& display, const FrameCase& frame)
    {
        link = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(link)) return false;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(link)).data;
        depth = screen->root_depth;
        width = frame.width;
        height = frame.height;
        window = xcb_generate_id(link);
        xcb_create_window(link, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(link, window);
        pixmap = xcb_generate_id(link);
        xcb_create_pixmap(link, depth, pixmap, window, static_cast<std::uint16_t>(width),
                          static_cast<std::uint16_t>(height));
        context = xcb_generate_id(link);
        xcb_create_gc(link, context, window, 0, nullptr);
        bytes = std::size_t(width) * height * vxr::PixelFormat(frame.format).bytes;
        for (Image& image : images)
            if (!attach(image)) return false;
        program.assign(bytes, 0x5A);
        completion = xcb_get_extension_data(link, &xcb_shm_id)->first_event + XCB_SHM_COMPLETION;
        return true;
    }

    ~RawShmWindow()
    {
        if (!link) return;
        for (Image& image : images) {
            waitForCompletion(image);
            if (image.pixels && image.pixels != reinterpret_cast<std::uint8_t*>(-1))
                shmdt(image.pixels);
        }
        xcb_disconnect(link);
    }

    // The program's own shared image straight to the window.
    void present()
    {
        put(images[0], window);
        xcb_flush(link);
    }

    // The program's frame (plain memory) copied into one of two images of
    // the presenter's own, which is put while the program draws the next.
    void presentCopy()
    {
        Image& image = images[next];
        next ^= 1;
        waitForCompletion(image);
        copyLines(program.data(), image.pixels);
        put(image, window);
        xcb_flush(link);
    }

    // The program's own shared image straight to the window, and while the
    // server reads it, the same pixels copied into memory of the
    // presenter's own, which an exposure would draw from.
    void presentAndKeep()
    {
        put(images[0], window);
        xcb_flush(link);
        copyLines(images[0].pixels, program.data());
    }

    // The program's shared image into a pixmap of the presenter's own, and
    // that pixmap to the window: an exposure would copy from the pixmap.
    void presentThroughPixmap()
    {
        put(images[0], pixmap);
        xcb_copy_area(link, pixmap, window, context, 0, 0, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
        xcb_flush(link);
    }

private:
    struct Image {
        int segmentId = -1;
        xcb_shm_seg_t segment = 0;
        std::uint8_t* pixels = nullptr;
        bool pending = false;
    };

    // Line by line, as the console copies: a line stays in the cache from
    // its read to its write.
    void copyLines(const std::uint8_t* from, std::uint8_t* to) const
    {
        const std::size_t line = bytes / static_cast<std::size_t>(height);
        for (int y = 0; y < height; ++y) std::memcpy(to + y * line, from + y * line, line);
    }

    bool attach(Image& image)
    {
        image.segmentId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        image.pixels = static_cast<std::uint8_t*>(shmat(image.segmentId, nullptr, 0));
        image.segment = xcb_generate_id(link);
        xcb_generic_error_t* error = xcb_request_check(
            link, xcb_shm_attach_checked(link, image.segment, image.segmentId, 1));
        shmctl(image.segmentId, IPC_RMID, nullptr);
        std::free(error);
        if (error || image.pixels == reinterpret_cast<std::uint8_t*>(-1)) return false;
        std::memset(image.pixels, 0x5A, bytes);
        return true;
    }

    // Each put waits for the server to finish the last put of its image, as
    // a program that writes that image again must.
    void put(Image& image, xcb_drawable_t target)
    {
        waitForCompletion(image);
        xcb_shm_put_image(link, target, context, static_cast<std::uint16_t>(width),
                          static_cast<std::uint16_t>(height), 0, 0,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                          0, depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 1, image.segment, 0);
        image.pending = true;
    }

    void waitForCompletion(Image& image)
    {
        while (image.pending) {
            xcb_generic_event_t* event = xcb_wait_for_event(link);
            if (!event) {
                image.pending = false;
                return;
            }
            if ((event->response_type & 0x7F) == completion) {
                const auto* done = reinterpret_cast<const xcb_shm_completion_event_t*>(event);
                for (Image& each : images)
                    if (each.segment == done->shmseg) each.pending = false;
            } else if (event->response_type == 0) {
                for (Image& each : images) each.pending = false;
            }
            std::free(event);
        }
    }

    xcb_connection_t* link = nullptr;
    xcb_window_t window = 0;
    xcb_pixmap_t pixmap = 0;
    xcb_gcontext_t context = 0;
    Image images[IMAGES];
    int next = 0;
    std::vector<std::uint8_t> program;
    std::size_t bytes = 0;
    std::uint8_t depth = 0;
    std::uint8_t completion = 0;
    int width = 0, height = 0;
};

// Each raw way, by the RawShmWindow call that presents a frame.
void rawPresent(benchmark::State& state, void (RawShmWindow::*present)(), const char* note)
{
    const FrameCase& frame = frameCase(state);
    RawShmWindow raw;
    if (!raw.open(serverFor(frame), frame)) {
        state.SkipWithError("no shared-memory window");
        return;
    }
    for (auto _ : state) (raw.*present)();
    countFrames(state, frame, note);
}

// The limit, and the ways of keeping the frame shown in memory the
// presenter owns, which the X11 console chose from.
void rawShmPutImage(benchmark::State& state)
{
    rawPresent(state, &RawShmWindow::present, "");
}

void rawShmPutOfACopy(benchmark::State& state)
{
    rawPresent(state, &RawShmWindow::presentCopy, ", copied into two images");
}

void rawShmPutAndKeep(benchmark::State& state)
{
    rawPresent(state, &RawShmWindow::presentAndKeep, ", kept while the server reads");
}

void rawShmPutThroughPixmap(benchmark::State& state)
{
    rawPresent(state, &RawShmWindow::presentThroughPixmap, ", through a pixmap");
}

void sdl2WindowSurface(benchmark::State& state)
{
    const FrameCase& frame = frameCase(state);
    serverFor(frame);
    // SDL's own X11 framebuffer (a shared-memory image), not a renderer.
    SdlWindowSurface::present(state, "x11", "0", frame.width, frame.height);
    countFrames(state, frame);
}

// A 320x200 frame in a 1920x1080 window, scaled the way range(0) names:
// sharp (1728x1080 between bars beside it) or in whole multiples (five
// times, 1600x1000, bars all round); against SDL2's software renderer
// scaling the same frame onto the same area of a window of the same size.
constexpr int SCALED_WIDTH = 320;
constexpr int SCALED_HEIGHT = 200;
constexpr int SCALED_WINDOW_WIDTH = 1920;
constexpr int SCALED_WINDOW_HEIGHT = 1080;

vxr::Rect scaledArea(const benchmark::State& state)
{
    return vxr::FramePlacement::place(static_cast<std::int32_t>(state.range(0)), SCALED_WIDTH,
                                      SCALED_HEIGHT, SCALED_WINDOW_WIDTH, SCALED_WINDOW_HEIGHT);
}

void labelScaled(benchmark::State& state)
{
    const vxr::Rect area = scaledArea(state);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string("320x200 ARGB8888 in 1920x1080, ") +
                   (state.range(0) == vxr::SCALING_INTEGER ? "whole multiples " : "sharp ") +
                   std::to_string(area.width()) + "x" + std::to_string(area.height()));
}

// Resizes the console's window from outside and waits until the console
// has the new size.
bool resizeWindow(const std::string& display, vxr::Console& console, int width, int height)
{
    vxr::test::ServerView view;
    if (!view.connect(display)) return false;
    const auto window =
        static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(console.window()));
    view.resize(window, width, height);
    for (vxr::Event event; console.waitEvent(&event, 10000);)
        if (event.type == vxr::EventType::Resize && event.width == width && event.height == height)
            return true;
    return false;
}

void vxrScaledUpdate(benchmark::State& state)
{
    const std::string& display = serverFor(LARGE);
    vxr::X11Console console;
    if (!console.open(SCALED_WIDTH, SCALED_HEIGHT, vxr::PREFER32, vxr::WINDOWED, -1, -1) ||
        !console.setScaling(static_cast<int>(state.range(0))) ||
        !resizeWindow(display, console, SCALED_WINDOW_WIDTH, SCALED_WINDOW_HEIGHT)) {
        state.SkipWithError("the X11 console's scaled window did not open");
        return;
    }
    SurfaceUpdateLoop::run(state, console, SCALED_WIDTH, SCALED_HEIGHT, vxr::ARGB8888);
    labelScaled(state);
}

void sdl2SoftwareRendererScaled(benchmark::State& state)
{
    serverFor(LARGE);
    SdlScaledRenderer::present(state, "x11", true, SCALED_WINDOW_WIDTH, SCALED_WINDOW_HEIGHT,
                               SCALED_WIDTH, SCALED_HEIGHT, scaledArea(state));
    labelScaled(state);
}

}  // namespace

BENCHMARK(vxrScaledUpdate)
    ->Arg(vxr::SCALING_SHARP)
    ->Arg(vxr::SCALING_INTEGER)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(sdl2SoftwareRendererScaled)
    ->Arg(vxr::SCALING_SHARP)
    ->Arg(vxr::SCALING_INTEGER)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(vxrUpdate)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(vxrUpdateWithMotion)
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(rawShmPutImage)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(rawShmPutOfACopy)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(rawShmPutAndKeep)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(rawShmPutThroughPixmap)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(sdl2WindowSurface)->Arg(0)->Arg(1)->UseRealTime()->MeasureProcessCPUTime();
