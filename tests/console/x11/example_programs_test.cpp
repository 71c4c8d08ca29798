// The tools and examples run as a user runs them, on a private server: input
// goes in through XTEST (xdotool), and what they print and show is checked.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/x11/x11_session.h"
#include "vxr/console/console.h"
#include "vxr/format/pixel_format.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

using test::ChildProcess;
using test::X11Session;

// A 1280x1024 screen: a 320x200 frame opens at three times its size, at the
// screen's origin (no window manager moves it).
constexpr int SCALE = 3;

struct RunningProgram {
    X11Session session;
    ChildProcess program;
    xcb_window_t window = 0;

    // Starts the program and waits until its window is up with the focus.
    bool start(const std::vector<std::string>& arguments)
    {
        if (!session.start({24, 1280, 1024, true})) return false;
        if (!program.start(arguments, "", session.server.display())) return false;
        return test::eventually([this] {
            const std::vector<xcb_window_t> windows = session.view.consoleWindows();
            window = windows.size() == 1 ? windows[0] : 0;
            return window && session.view.focus() == window;
        });
    }

    bool xdotool(const std::vector<std::string>& arguments)
    {
        return test::runXdotool(session.server.display(), arguments);
    }

    // The window's pixel as 0xRRGGBB; 0xFFFFFFFF when it cannot be read.
    std::uint32_t pixel(int x, int y)
    {
        xcb_connection_t* link = session.view.link();
        xcb_get_image_reply_t* reply = xcb_get_image_reply(
            link,
            xcb_get_image(link, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<std::int16_t>(x),
                          static_cast<std::int16_t>(y), 1, 1, ~0u),
            nullptr);
        std::uint32_t value = 0xFFFFFFFFu;
        if (reply && xcb_get_image_data_length(reply) >= 4) {
            const std::uint8_t* data = xcb_get_image_data(reply);
            value = std::uint32_t(data[2]) << 16 | std::uint32_t(data[1]) << 8 | data[0];
        }
        std::free(reply);
        return value;
    }

    bool shows(int x, int y, std::uint32_t colour)
    {
        return test::eventually([&] { return pixel(x, y) == colour; });
    }

    // Waits until the program has printed the line (or, with whole false,
    // a line that starts with it).
    ::testing::AssertionResult printed(const std::string& line, bool whole = true)
    {
        const std::string wanted = whole ? line + "\n" : line;
        const bool seen = test::eventually([&] {
            program.pump(std::chrono::milliseconds(10));
            return program.output().find(wanted) != std::string::npos;
        });
        if (seen) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no line '" << line << "' in:\n" << program.output();
    }
};

TEST(VxrEvents, PrintsKeysTextThePointerInFramePixelsAndTheClose)
{
    RunningProgram events;
    ASSERT_TRUE(events.start({VXR_EVENTS_PROGRAM}));
    // The pattern is up: its white edge and a dark check beside it.
    EXPECT_TRUE(events.shows(0, 0, 0xFFFFFF));
    ASSERT_TRUE(events.xdotool({"key", "shift+a"}));
    EXPECT_TRUE(events.printed("key-down key=A symbol=U+0061 mods=shift repeat=0"));
    EXPECT_TRUE(events.printed("text \"A\""));
    // xdotool lets Shift go first; the modifiers then held are the server's to say.
    EXPECT_TRUE(events.printed("key-up key=A symbol=U+0061", false));
    EXPECT_TRUE(events.printed("key-up key=LeftShift symbol=U+0000", false));
    // Window pixel (31, 62) shows frame pixel (10, 20) at three times the size.
    ASSERT_TRUE(events.xdotool({"mousemove", "31", "62", "click", "3"}));
    EXPECT_TRUE(events.printed("mouse-move x=10 y=20 inside=1"));
    EXPECT_TRUE(events.printed("mouse-down button=3 x=10 y=20"));
    EXPECT_TRUE(events.printed("mouse-up button=3 x=10 y=20"));
    ASSERT_TRUE(events.xdotool({"click", "4"}));
    EXPECT_TRUE(events.printed("wheel dx=0 dy=1"));
    events.session.view.sendDelete(events.window);
    EXPECT_TRUE(events.printed("close"));
    EXPECT_EQ(events.program.waitForExit(), 0);
    EXPECT_EQ(events.program.errors(), "");
}

TEST(Examples, PaintDrawsWithTheButtonsPicksColoursWithKeysAndSaysGoodbye)
{
    RunningProgram paint;
    ASSERT_TRUE(paint.start({VXR_PAINT_PROGRAM}));
    constexpr std::uint32_t PAPER = 0xF0F0E0, RED = 0xD02020;
    ASSERT_TRUE(paint.shows(600, 300, PAPER));
    // A black stroke from frame (100, 100) to (110, 100).
    ASSERT_TRUE(paint.xdotool({"mousemove", "300", "300", "mousedown", "1", "mousemove", "330",
                               "300", "mouseup", "1"}));
    EXPECT_TRUE(paint.shows(300, 300, 0x000000));
    EXPECT_TRUE(paint.shows(318, 300, 0x000000));  // the stroke between the two positions
    // Key 2 picks red; a click draws a dot of it.
    ASSERT_TRUE(paint.xdotool({"key", "2", "mousemove", "600", "300", "click", "1"}));
    EXPECT_TRUE(paint.shows(600, 300, RED));
    // The right button erases it again.
    ASSERT_TRUE(paint.xdotool({"click", "3"}));
    EXPECT_TRUE(paint.shows(600, 300, PAPER));
    EXPECT_EQ(paint.pixel(900, 500), PAPER);
    ASSERT_TRUE(paint.xdotool({"key", "Escape"}));
    EXPECT_EQ(paint.program.waitForExit(), 0);
    EXPECT_EQ(paint.program.output(), "paint: closed\n");
}

TEST(Examples, HelloWindowShowsItsGradientAndEndsOnAClose)
{
    RunningProgram hello;
    ASSERT_TRUE(hello.start({VXR_HELLO_WINDOW_PROGRAM}));
    EXPECT_TRUE(hello.shows(0, 0, 0x000060));
    // Frame (319, 199) at the window's far corner: full red and green.
    EXPECT_TRUE(hello.shows(320 * SCALE - 1, 200 * SCALE - 1, 0xFFFF60));
    hello.session.view.sendDelete(hello.window);
    EXPECT_EQ(hello.program.waitForExit(), 0);
}

// The X server's Present reports a refresh every 1/60 s from its fake
// screen; the example paces its frames to them and says so.
TEST(Examples, PacingRunsAtTheDisplaysRefreshAndSaysIt)
{
    RunningProgram pacing;
    ASSERT_TRUE(pacing.start({VXR_PACING_PROGRAM, "90"}));
    EXPECT_EQ(pacing.program.waitForExit(), 0);
    const std::string said = pacing.program.output();
    int frames = 0;
    unsigned long long refreshes = 0;
    double seconds = 0, perSecond = 0, displayRate = 0;
    ASSERT_EQ(std::sscanf(said.c_str(),
                          "%d frames were shown over %llu refreshes in %lf s (%lf refreshes a "
                          "second); the display refreshes at %lf Hz",
                          &frames, &refreshes, &seconds, &perSecond, &displayRate),
              5)
        << said;
    EXPECT_GT(frames, 0);
    EXPECT_GE(refreshes, static_cast<unsigned long long>(frames)) << said;
    EXPECT_NEAR(displayRate, 60.0, 3.0) << said;
    EXPECT_NEAR(perSecond, displayRate, 3.0) << said;
}

// The plasma's colour at a frame pixel for a palette turned by step, as
// the example computes it.
std::uint32_t plasmaColour(int x, int y, int step)
{
    const double value = std::sin(x / 16.0) + std::sin(y / 11.0) + std::sin((x + y) / 23.0) +
                         std::sin(std::hypot(x - 160, y - 100) / 9.0);
    const int index = static_cast<int>((value + 4.0) * 32.0) & 0xFF;
    const double angle = 2 * 3.14159265358979323846 * ((index + step) % 256) / 256.0;
    const auto channel = [angle](double phase) {
        return static_cast<std::uint32_t>(127.5 + 127.5 * std::sin(angle + phase));
    };
    const double third = 2 * 3.14159265358979323846 / 3;
    return channel(0) << 16 | channel(third) << 8 | channel(2 * third);
}

TEST(Examples, PlasmaShowsItsIndexedFrameThroughATurningPalette)
{
    RunningProgram plasma;
    ASSERT_TRUE(plasma.start({VXR_PLASMA_PROGRAM, "1000000"}));
    const int points[][2] = {{0, 0}, {100, 50}, {250, 180}, {319, 199}};
    // One palette step explains every sampled pixel of one screenshot, and
    // a later screenshot shows another step.
    const auto stepShown = [&]() {
        std::vector<std::uint32_t> seen;
        for (const auto& point : points) seen.push_back(plasma.pixel(point[0] * SCALE, point[1] * SCALE));
        for (int step = 0; step < 256; ++step) {
            bool all = true;
            for (std::size_t i = 0; i < seen.size() && all; ++i)
                all = seen[i] == plasmaColour(points[i][0], points[i][1], step);
            if (all) return step;
        }
        return -1;
    };
    int first = -1;
    ASSERT_TRUE(test::eventually([&] { return (first = stepShown()) >= 0; }));
    EXPECT_TRUE(test::eventually([&] {
        const int later = stepShown();
        return later >= 0 && later != first;
    }));
    ASSERT_TRUE(plasma.xdotool({"key", "space"}));
    EXPECT_EQ(plasma.program.waitForExit(), 0);
}

#if defined(VXR_TEXTURE)
TEST(Examples, ViewerFitsTheImagePansWithArrowsAndRefusesWhatItCannotLoad)
{
    Surface image(VXR_TEXTURE, MEMORY_SYSTEM, -1, 0, -1);
    ASSERT_TRUE(image.isValid());
    Surface colours(&Console::defaultConsole(), image.width(), image.height(),
                    PixelFormat(ARGB8888), MEMORY_SYSTEM, TOP_DOWN, 0, -1);
    ASSERT_EQ(image.copy(&colours, 0), 1);
    const auto imageColour = [&](int x, int y) {
        const std::uint8_t* line = colours.lock(1) + y * colours.pitch();
        std::uint32_t value = reinterpret_cast<const std::uint32_t*>(line)[x] & 0xFFFFFF;
        colours.unlock();
        return value;
    };

    RunningProgram viewer;
    ASSERT_TRUE(viewer.start({VXR_VIEWER_PROGRAM, VXR_TEXTURE}));
    // 256x256 fitted into 640x400: 1.5625 window pixels per image pixel,
    // centred, with bars beside it.
    EXPECT_TRUE(viewer.shows(320, 200, imageColour(128, 128)));
    EXPECT_TRUE(viewer.shows(121, 1, imageColour(0, 0)));
    EXPECT_EQ(viewer.pixel(110, 200), 0x202020u);
    // Right pans by 32 window pixels: 20.48 image pixels.
    ASSERT_TRUE(viewer.xdotool({"key", "Right"}));
    EXPECT_TRUE(viewer.shows(320, 200, imageColour(148, 128)));
    ASSERT_TRUE(viewer.xdotool({"key", "Escape"}));
    EXPECT_EQ(viewer.program.waitForExit(), 0);

    ChildProcess refused;
    ASSERT_TRUE(refused.start({VXR_VIEWER_PROGRAM, VXR_EXAMPLE_PROGRAM}, "",
                              viewer.session.server.display()));
    EXPECT_EQ(refused.waitForExit(), 1);
    EXPECT_NE(refused.errors().find("is not an image that can be loaded: "), std::string::npos)
        << refused.errors();
}
#endif

}  // namespace
}  // namespace vxr
