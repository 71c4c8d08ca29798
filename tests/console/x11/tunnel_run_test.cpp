// The native tunnel program from the outside, on a private Xvfb: what its
// window shows, how a key ends it, and what it says on its way out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/frame_schedule.h"
#include "demo/tunnel.h"
#include "vxr/console/console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

namespace fs = std::filesystem;
using demo::FrameSchedule;
using test::X11Session;

constexpr int WIDTH = demo::Tunnel::FRAME_WIDTH;
constexpr int HEIGHT = demo::Tunnel::FRAME_HEIGHT;
// Far more frames than the demo shows before a screenshot is taken, even
// when it runs slowly under a sanitizer.
constexpr int SEARCHED_FRAMES = 6000;

// A working directory of the test's own, with or without the texture.
fs::path workingDirectory(const char* name, bool withTexture)
{
    const fs::path directory = fs::temp_directory_path() /
                               ("vxr-tunnel-" + std::string(name) + "-" + std::to_string(getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory);
    if (withTexture) fs::copy_file(VXR_TEXTURE, directory / "zor.tga");
    return directory;
}

// The demo's frames in order, as its schedule makes them with no key
// pressed: the index of the first that equals the picture, or -1.
int frameIndexShowing(const std::vector<std::uint8_t>& picture)
{
    demo::Tunnel tunnel;
    tunnel.init(VXR_TEXTURE, 255.0f);
    if (!tunnel.isReady()) return -1;
    Surface frame(&Console::defaultConsole(), WIDTH, HEIGHT, PixelFormat(RGB565), MEMORY_SYSTEM,
                  TOP_DOWN, 0, VARIANT_DEFAULT);
    float t = 0.0f;
    for (int index = 0; index < SEARCHED_FRAMES; ++index) {
        const auto parameters = index < FrameSchedule::FLY_IN_FRAMES ? FrameSchedule::flyIn(index)
                                                                     : FrameSchedule::freeRun();
        tunnel.animate(FrameSchedule::TIME_STEP, t);
        tunnel.render(frame, t, parameters.zoom, parameters.fade);
        const std::uint8_t* pixels = frame.lock(1);
        const bool same = std::equal(picture.begin(), picture.end(), pixels);
        frame.unlock();
        if (same) {
            tunnel.destroy();
            return index;
        }
        t = FrameSchedule::nextTime(t);
    }
    tunnel.destroy();
    return -1;
}

class TunnelRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Twice the frame does not fit in three quarters of 400 x 300: the
        // window shows it at scale 1.
        ASSERT_TRUE(session.start({16, 400, 300, true}));
    }

    X11Session session;
    test::ChildProcess tunnel;
};

TEST_F(TunnelRun, ShowsTheDemosFramesUntilAKeyThenSaysGoodbyeAfterTheWindowIsGone)
{
    const fs::path directory = workingDirectory("run", true);
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, directory.string(), session.server.display()));
    std::vector<xcb_window_t> windows;
    ASSERT_TRUE(test::eventually([&] {
        windows = session.view.consoleWindows();
        // The demo names its window just after the console opens it.
        return windows.size() == 1 && session.view.focus() == windows[0] &&
               session.view.property(windows[0], "WM_NAME") == "tunnel";
    }));
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(windows[0], width, height));
    ASSERT_EQ(width, WIDTH);
    ASSERT_EQ(height, HEIGHT);

    // The fly-in starts from black; once it shows anything, it is a frame of
    // the schedule, pixel for pixel.
    std::vector<std::uint8_t> picture;
    ASSERT_TRUE(test::eventually([&] {
        picture = session.view.image(windows[0], WIDTH, HEIGHT);
        return picture.size() == std::size_t(WIDTH) * HEIGHT * 2 &&
               std::any_of(picture.begin(), picture.end(), [](std::uint8_t b) { return b != 0; });
    }));
    EXPECT_GE(frameIndexShowing(picture), 0);

    ASSERT_TRUE(test::runXdotool(session.server.display(), {"key", "space"}));
    bool windowGoneAtOutput = false;
    const auto deadline = test::Clock::now() + test::PATIENCE;
    while (!tunnel.hasExited() && test::Clock::now() < deadline) {
        tunnel.pump(std::chrono::milliseconds(10));
        if (!tunnel.output().empty() && !windowGoneAtOutput)
            windowGoneAtOutput = session.view.consoleWindows().empty();
    }
    EXPECT_EQ(tunnel.waitForExit(), 0);
    EXPECT_TRUE(windowGoneAtOutput);
    const std::string& said = tunnel.output();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
    EXPECT_TRUE(said.size() > 1 && said.back() == '\n') << said;
    EXPECT_EQ(tunnel.errors(), "");
    fs::remove_all(directory);
}

TEST_F(TunnelRun, ADisplayLostInTheFreeRunEndsItWithOneAndSaysSo)
{
    const fs::path directory = workingDirectory("lost", true);
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, directory.string(), session.server.display()));
    std::vector<xcb_window_t> windows;
    ASSERT_TRUE(test::eventually([&] {
        windows = session.view.consoleWindows();
        return windows.size() == 1;
    }));
    // The free run is where the demo waits for nothing but a key: the
    // server goes once the window shows a frame past the fly-in.
    ASSERT_TRUE(test::eventually([&] {
        const std::vector<std::uint8_t> picture = session.view.image(windows[0], WIDTH, HEIGHT);
        return picture.size() == std::size_t(WIDTH) * HEIGHT * 2 &&
               frameIndexShowing(picture) >= FrameSchedule::FLY_IN_FRAMES;
    }));
    session.server.kill();

    EXPECT_EQ(tunnel.waitForExit(), 1);
    EXPECT_EQ(tunnel.errors(), "vxr error: lost the display\n");
    EXPECT_EQ(tunnel.output(), "");
    fs::remove_all(directory);
}

TEST_F(TunnelRun, WithoutItsTextureItSaysSoAndEndsWithOne)
{
    const fs::path directory = workingDirectory("no-texture", false);
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, directory.string(), session.server.display()));
    EXPECT_EQ(tunnel.waitForExit(), 1);
    EXPECT_EQ(tunnel.errors(), "vxr error: could not create tunnel\n");
    EXPECT_EQ(tunnel.output(), "");
    EXPECT_TRUE(session.view.consoleWindows().empty());
    fs::remove_all(directory);
}

TEST_F(TunnelRun, WithoutADisplayItCannotInitialize)
{
    const fs::path directory = workingDirectory("no-display", true);
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, directory.string(), ""));
    EXPECT_EQ(tunnel.waitForExit(), 1);
    EXPECT_EQ(tunnel.errors(), "vxr error: could not initialize\n");
    EXPECT_EQ(tunnel.output(), "");
    fs::remove_all(directory);
}

}  // namespace
}  // namespace vxr
