// The native tunnel program from the outside where a compositor runs: it
// takes the Wayland console even with an X server at hand, its window shows
// tunnel-render's frames of the same schedule, a key ends it. Where the
// compositor named is not there, it takes the X server instead.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "console/x11/x11_test_support.h"
#include "demo/frame_schedule.h"
#include "demo/tunnel.h"
#include "vxr/console/console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

namespace fs = std::filesystem;

// The tunnel makes its console itself: the fixture's compositor and X
// server alone serve here.
using WaylandTunnelRun = test::WaylandConsoleFixture;

// The output is the frame's size, so sway's one tiled window shows the
// frame at scale 1 from the output's corner.
constexpr int WIDTH = demo::Tunnel::FRAME_WIDTH;
constexpr int HEIGHT = demo::Tunnel::FRAME_HEIGHT;
constexpr int FLY_IN_FRAMES = demo::FrameSchedule::FLY_IN_FRAMES;
// Far more free-run frames than the demo shows before a screenshot is
// taken, even when it runs slowly under a sanitizer; rendered a batch at a
// time so that only one batch is on disk.
constexpr int SEARCHED_FREE_RUN_FRAMES = 6000;
constexpr int BATCH = 250;
constexpr std::size_t RAW_BYTES = std::size_t(WIDTH) * HEIGHT * 2;

fs::path workingDirectory(const char* name)
{
    const fs::path directory = fs::temp_directory_path() /
                               ("vxr-wayland-tunnel-" + std::string(name) + "-" + std::to_string(getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory);
    fs::copy_file(fs::path(VXR_ASSET_DIR) / "zor.tga", directory / "zor.tga");
    return directory;
}

// What the screenshot would be if it showed this RGB565 frame from
// tunnel-render: converted by the library's converters as the console does.
bool screenshotShows(const test::Screenshot& shot, const std::vector<std::uint8_t>& raw)
{
    Surface frame(&Console::defaultConsole(), WIDTH, HEIGHT, PixelFormat(RGB565), MEMORY_SYSTEM,
                  TOP_DOWN, 0, VARIANT_DEFAULT);
    std::uint8_t* pixels = frame.lock(1);
    if (!pixels) return false;
    for (int y = 0; y < HEIGHT; ++y)
        std::copy_n(raw.begin() + std::ptrdiff_t(y) * WIDTH * 2, WIDTH * 2, pixels + std::int64_t{y} * frame.pitch());
    frame.unlock();
    return test::differingPixels(shot, test::expectedPixels(frame, WIDTH, HEIGHT), WIDTH, HEIGHT, 0,
                                 0) == 0;
}

// The index of tunnel-render's frame (no key pressed, so the free run goes
// on) that the screenshot shows, or -1. Frames are compared in order from
// the first; the fly-in's come first, so a screenshot of the fly-in is
// found quickly too.
long renderedFrameShowing(const test::Screenshot& shot, const fs::path& folder)
{
    const long last = FLY_IN_FRAMES + SEARCHED_FREE_RUN_FRAMES - 1;
    for (long first = 0; first <= last; first += BATCH) {
        const long batchLast = std::min(last, first + BATCH - 1);
        fs::remove_all(folder);
        fs::create_directories(folder);
        const std::string command = std::string(VXR_TUNNEL_RENDER) + " --texture " + VXR_ASSET_DIR +
                                    "/zor.tga --free-run " + std::to_string(SEARCHED_FREE_RUN_FRAMES) +
                                    " --frames " + std::to_string(first) + "-" + std::to_string(batchLast) +
                                    " --out " + (folder / "%d.raw").string();
        if (std::system(command.c_str()) != 0) return -1;
        for (long index = first; index <= batchLast; ++index) {
            std::ifstream in(folder / (std::to_string(index) + ".raw"), std::ios::binary);
            std::vector<std::uint8_t> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (raw.size() == RAW_BYTES && screenshotShows(shot, raw)) {
                fs::remove_all(folder);
                return index;
            }
        }
    }
    fs::remove_all(folder);
    return -1;
}

// Waits for the tunnel to end, then checks it ended as a run does.
void expectCleanEnd(test::ChildProcess& tunnel)
{
    EXPECT_EQ(tunnel.waitForExit(), 0);
    const std::string& said = tunnel.output();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_TRUE(said.size() > 1 && said.back() == '\n') << said;
}

TEST_F(WaylandTunnelRun, TakesTheCompositorOverTheXServerShowsTheRenderedFramesAndEndsOnAKey)
{
    // An X server as well, named by DISPLAY: the front end must still
    // choose the compositor.
    ASSERT_TRUE(xServer.start({24, 640, 480, true}));
    test::ServerView view;
    ASSERT_TRUE(view.connect(xServer.display()));
    ASSERT_TRUE(compositor.start(Kind::SWAY, WIDTH, HEIGHT));
    ASSERT_TRUE(compositor.holdKeyboard());

    const fs::path directory = workingDirectory("sway");
    test::ChildProcess tunnel;
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, directory.string(), xServer.display()));
    // The demo names its window only after the console is open, so the
    // window may be mapped for a moment before its title arrives.
    std::string tree;
    ASSERT_TRUE(test::eventually([&] {
        return compositor.command("-t get_tree", &tree) && tree.find("\"app_id\": \"vxr\"") != std::string::npos &&
               tree.find("\"name\": \"tunnel\"") != std::string::npos;
    })) << tree;
    EXPECT_TRUE(view.consoleWindows().empty());

    // Screenshots until one shows a frame of the free run, pixel for pixel.
    const fs::path frames = directory / "frames";
    long shown = -1;
    EXPECT_TRUE(test::eventually([&] {
        test::Screenshot shot;
        if (!compositor.screenshot(shot)) return false;
        shown = renderedFrameShowing(shot, frames);
        return shown >= FLY_IN_FRAMES;
    }, std::chrono::seconds(60))) << "last screenshot showed rendered frame " << shown;

    ASSERT_TRUE(test::seatHas(compositor, "keyboard"));
    ASSERT_TRUE(compositor.type("x"));
    expectCleanEnd(tunnel);
    EXPECT_TRUE(view.consoleWindows().empty());
    fs::remove_all(directory);
}

TEST_F(WaylandTunnelRun, ACompositorThatGoesAwayEndsTheFreeRunWithExitCodeOne)
{
    ASSERT_TRUE(compositor.start(Kind::SWAY, WIDTH, HEIGHT));
    const fs::path directory = workingDirectory("lost");
    test::ChildProcess tunnel;
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, directory.string(), ""));
    std::string tree;
    ASSERT_TRUE(test::eventually([&] {
        return compositor.command("-t get_tree", &tree) && tree.find("\"name\": \"tunnel\"") != std::string::npos;
    })) << tree;
    // Well into the free run: the fly-in alone takes a few seconds.
    std::this_thread::sleep_for(std::chrono::seconds(6));
    ASSERT_FALSE(tunnel.hasExited()) << tunnel.errors();
    compositor.kill();
    EXPECT_EQ(tunnel.waitForExit(std::chrono::seconds(10)), 1);
    EXPECT_EQ(tunnel.errors(), "vxr error: lost the display\n");
    EXPECT_EQ(tunnel.output(), "");
    fs::remove_all(directory);
}

TEST_F(WaylandTunnelRun, WithNoCompositorWhereNamedItTakesTheXServer)
{
    char folder[] = "/tmp/vxr-no-compositor-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    setenv("XDG_RUNTIME_DIR", folder, 1);
    setenv("WAYLAND_DISPLAY", "vxr-nothing-here", 1);
    ASSERT_TRUE(xServer.start({24, 640, 480, true}));
    test::ServerView view;
    ASSERT_TRUE(view.connect(xServer.display()));

    const fs::path directory = workingDirectory("fallback");
    test::ChildProcess tunnel;
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, directory.string(), xServer.display()));
    std::vector<xcb_window_t> windows;
    ASSERT_TRUE(test::eventually([&] {
        windows = view.consoleWindows();
        // The demo names its window just after the console opens it.
        return windows.size() == 1 && view.focus() == windows[0] &&
               view.property(windows[0], "WM_NAME") == "tunnel";
    }));
    ASSERT_TRUE(test::runXdotool(xServer.display(), {"key", "space"}));
    expectCleanEnd(tunnel);
    EXPECT_EQ(tunnel.errors(), "");
    unsetenv("WAYLAND_DISPLAY");
    fs::remove_all(directory);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace vxr
