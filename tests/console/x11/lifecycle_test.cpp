// The console's life on a real server: what it reports, how it opens and
// closes, what it leaves behind, and how it fails.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "vxr/console/console_front_end.h"
#include "vxr/console/x11/window_icon.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

// Runs a call that must not hang, on a thread of its own; false when it has
// not returned in good time.
template <class Call>
bool returnsInTime(Call call)
{
    auto done = std::async(std::launch::async, call);
    return done.wait_for(test::PATIENCE) == std::future_status::ready;
}

TEST(X11ConsoleFormat, FollowsTheRootVisual)
{
    const struct {
        int depth;
        std::int32_t format;
    } cases[] = {{16, RGB565}, {24, ARGB8888}, {8, INDEX8}};
    for (const auto& c : cases) {
        X11Session session;
        ASSERT_TRUE(session.start({c.depth, 800, 600, true}));
        X11Console console;
        ASSERT_EQ(console.ok(), 1);
        EXPECT_EQ(console.format(), PixelFormat(c.format)) << "depth " << c.depth;
        EXPECT_EQ(console.bits(), PixelFormat(c.format).bits);
        std::vector<ConsoleMode> modes;
        ASSERT_EQ(console.modes(modes), 1);
        ASSERT_EQ(modes.size(), 1u);
        EXPECT_STREQ(modes[0].driver, "X11");
        EXPECT_EQ(modes[0].width, 800);
        EXPECT_EQ(modes[0].height, 600);
        EXPECT_EQ(modes[0].format, PixelFormat(c.format));
        EXPECT_EQ(modes[0].output, WINDOWED);
        EXPECT_EQ(modes[0].variant, VARIANT_DEFAULT);
    }
}

TEST(X11ConsoleOpen, AcceptsTheDisplaysFormatByPreferenceIdOrDepth)
{
    X11Session session;
    ASSERT_TRUE(session.start({16, 1024, 768, true}));
    X11Console console;
    EXPECT_EQ(console.open(320, 200, ARGB8888, -1, -1, -1), 0);
    EXPECT_EQ(console.open(320, 200, 24, -1, -1, -1), 0);
    EXPECT_EQ(console.open(320, 200, 16, -1, -1, -1), 1);
    EXPECT_EQ(console.open(320, 200, RGB565, -1, -1, -1), 1);
    EXPECT_EQ(console.open(320, 200, PREFER32, -1, 60, -1), 0);
    EXPECT_EQ(console.open(320, 200, PREFER32, 39, -1, -1), 0);
    EXPECT_EQ(console.open(320, 200, PREFER32, -1, -1, 11), 0);
    ASSERT_EQ(console.open(320, 200, PREFER32, -1, 0, VARIANT_DEFAULT), 1);
    const ConsoleMode mode = console.mode();
    EXPECT_STREQ(mode.driver, "X11");
    EXPECT_EQ(mode.width, 320);
    EXPECT_EQ(mode.height, 200);
    EXPECT_EQ(mode.output, WINDOWED);
    EXPECT_EQ(mode.parameter, 0);
    EXPECT_EQ(console.consoleId(), CONSOLE_ID_X11);
    ASSERT_NE(console.primary(), nullptr);
    EXPECT_EQ(console.primary()->width(), 320);
    // Twice the frame fits in three quarters of 1024 x 768, three times does not.
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(X11Session::windowOf(console), width, height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 400);
}

TEST(X11ConsoleOpen, FullScreenCoversTheScreenWithTheFrameBetweenBars)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 800, 600, true}));
    X11Console console;
    ASSERT_EQ(console.open(320, 200, PREFER32, FULLSCREEN, -1, -1), 1);
    EXPECT_EQ(console.output(), FULLSCREEN);
    const xcb_window_t window = X11Session::windowOf(console);
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(window, width, height));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    // No window manager runs on a bare server, so nobody answers the
    // full-screen state: the window places itself.
    EXPECT_TRUE(session.view.overrideRedirect(window));
    Surface frame(&console, 320, 200, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    test::fillRandom(frame, 3);
    std::string why;
    EXPECT_TRUE(session.presentsExactly(frame, console.format(), window, 0, why)) << why;
}

TEST(X11ConsoleOpen, OpeningAgainReplacesTheWindow)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    X11Console console;
    ASSERT_EQ(console.open(100, 60, PREFER32, -1, -1, -1), 1);
    const int threads = test::runningThreads();
    ASSERT_EQ(console.open(50, 40, PREFER32, -1, -1, -1), 1);
    EXPECT_EQ(session.view.consoleWindows().size(), 1u);
    EXPECT_EQ(test::runningThreads(), threads);
    EXPECT_EQ(console.width(), 50);
    // An open whose arguments are refused leaves the window as it was.
    const void* window = console.window();
    EXPECT_EQ(console.open(50, 40, PREFER32, -1, 75, -1), 0);
    EXPECT_EQ(console.window(), window);
    EXPECT_EQ(session.view.consoleWindows().size(), 1u);
}

TEST(X11ConsoleOpen, RefusesSizesNoWindowCanHave)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    X11Console console;
    for (auto [width, height] : {std::pair{0, 200}, std::pair{320, 0}, std::pair{-320, 200},
                                 std::pair{320, -1}, std::pair{40000, 200}, std::pair{320, 32768},
                                 std::pair{INT_MAX, INT_MAX}, std::pair{INT_MIN, INT_MIN}})
        EXPECT_EQ(console.open(width, height, PREFER32, -1, -1, -1), 0) << width << "x" << height;
    EXPECT_EQ(console.window(), nullptr);
    EXPECT_TRUE(session.view.consoleWindows().empty());
    // Surfaces too large for any memory fail as cleanly.
    Surface huge(&console, 1 << 20, 1 << 20, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    EXPECT_FALSE(huge.isValid());
    Surface wide(&console, INT_MAX, 2, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    EXPECT_FALSE(wide.isValid());
}

TEST(X11ConsoleWindow, CarriesTheTitleAndTheProjectsIcon)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    X11Console console;
    char text[Console::TITLE_CAPACITY];
    ASSERT_EQ(console.title(text), 1);
    EXPECT_STREQ(text, "");
    // Without a window the title is kept for the next one.
    EXPECT_EQ(console.setTitle("before"), 0);
    ASSERT_EQ(console.open(100, 60, PREFER32, -1, -1, -1), 1);
    const xcb_window_t window = X11Session::windowOf(console);
    EXPECT_EQ(session.view.property(window, "WM_NAME"), "before");
    EXPECT_EQ(session.view.property(window, "_NET_WM_NAME"), "before");
    EXPECT_EQ(console.setTitle("after"), 1);
    EXPECT_TRUE(
        test::eventually([&] { return session.view.property(window, "WM_NAME") == "after"; }));
    EXPECT_EQ(session.view.property(window, "_NET_WM_NAME"), "after");
    ASSERT_EQ(console.title(text), 1);
    EXPECT_STREQ(text, "after");

    WindowIcon icon;
    ASSERT_TRUE(icon.readProjectIcon());
    const auto shown = session.view.cardinals(window, "_NET_WM_ICON");
    ASSERT_EQ(shown.size(), icon.length());
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), icon.data()));
    EXPECT_EQ(session.view.property(window, "WM_CLASS"), std::string("vxr\0VXR\0", 8));
}

TEST(X11ConsoleWindow, WaitsForTheNextFrameThroughPresent)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    X11Console console;
    EXPECT_EQ(console.waitRetrace(), 0);
    ASSERT_EQ(console.open(100, 60, PREFER32, -1, -1, -1), 1);
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(console.waitRetrace(), 1);
}

TEST(X11ConsoleLifecycle, LeavesNoDescriptorThreadOrSegmentBehind)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    auto cycle = [] {
        X11Console console;
        if (console.open(64, 40, PREFER32, -1, -1, -1) != 1) return false;
        Surface shared(&console, 64, 40, console.format(), MEMORY_SYSTEM, -1, -1, -1);
        Surface converted(&console, 64, 40, PixelFormat(RGB565), MEMORY_SYSTEM, -1, -1, -1);
        return shared.update() == 1 && converted.update() == 1;
    };
    const int segments = test::sharedMemorySegments();
    // The first cycle loads what stays for the whole process.
    ASSERT_TRUE(cycle());
    const int descriptors = test::openDescriptors();
    const int threads = test::runningThreads();
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(cycle()) << "cycle " << i;
    EXPECT_EQ(test::openDescriptors(), descriptors);
    EXPECT_EQ(test::runningThreads(), threads);
    // A segment goes once the server has detached it too, which it does
    // when it comes to the request.
    EXPECT_TRUE(test::eventually([&] { return test::sharedMemorySegments() == segments; }))
        << test::sharedMemorySegments() << " segments, " << segments << " before";
}

TEST(X11ConsoleBadDisplay, NoDisplayOrOneWithoutAServerIsNotOk)
{
    unsetenv("WAYLAND_DISPLAY");
    for (const char* display : {"", ":4711", "not a display"}) {
        if (*display)
            setenv("DISPLAY", display, 1);
        else
            unsetenv("DISPLAY");
        X11Console console;
        EXPECT_EQ(console.ok(), 0) << display;
        EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 0) << display;
        ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1);
        EXPECT_FALSE(frontEnd.isOpen()) << display;
    }
}

TEST(X11ConsoleBadDisplay, WithoutAWaylandCompositorTheFrontEndPicksTheX11Console)
{
    unsetenv("WAYLAND_DISPLAY");
    X11Session session;
    ASSERT_TRUE(session.start({16, 1024, 768, true}));
    ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1);
    ASSERT_TRUE(frontEnd.isOpen());
    EXPECT_EQ(frontEnd.current()->consoleId(), CONSOLE_ID_X11);
    EXPECT_EQ(session.view.consoleWindows().size(), 1u);
}

TEST(X11ConsoleBadDisplay, ADisplayThatGoesAwayIsACloseThatSaysSoAndFailsEveryCallAfter)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    auto console = std::make_unique<X11Console>();
    // Without it the process would end here, with code 1.
    ASSERT_EQ(console->closeAsEvent(1), 1);
    ASSERT_EQ(console->open(100, 60, PREFER32, -1, -1, -1), 1);
    Surface frame(console.get(), 100, 60, console->format(), MEMORY_SYSTEM, -1, -1, -1);
    Surface converted(console.get(), 100, 60, PixelFormat(RGB565), MEMORY_SYSTEM, -1, -1, -1);
    ASSERT_EQ(frame.update(), 1);
    Event event;
    while (console->pollEvent(&event)) {
    }
    session.server.kill();

    // The window thread sees the connection fail without a frame presented.
    bool closed = false;
    while (!closed && console->waitEvent(&event, 20000) == 1)
        closed = event.type == EventType::Close;
    ASSERT_TRUE(closed);
    EXPECT_TRUE(event.displayLost);
    EXPECT_EQ(console->pollEvent(&event), 0);

    // Each call fails at once and says why, on the thread that made it.
    const auto failsSayingSo = [](const char* what, auto call) {
        clearLastError();
        int result = -1;
        const bool returned = returnsInTime([&] {
            result = call();
            // The reason is the calling thread's own.
            if (!std::strstr(lastError(), "has gone away")) result = -2;
        });
        EXPECT_TRUE(returned) << what << " hangs";
        EXPECT_EQ(result, 0) << what << (result == -2 ? " gives no reason" : " does not fail");
    };
    Palette palette;
    failsSayingSo("update", [&] { return frame.update(); });
    failsSayingSo("a converted update", [&] { return converted.update(); });
    failsSayingSo("waitRetrace", [&] { return console->waitRetrace(); });
    failsSayingSo("readKey", [&] { return console->readKey(); });
    failsSayingSo("keyPressed", [&] { return console->keyPressed(); });
    failsSayingSo("setTitle", [&] { return console->setTitle("gone"); });
    failsSayingSo("setOutput", [&] { return console->setOutput(FULLSCREEN); });
    failsSayingSo("setPointerVisible", [&] { return console->setPointerVisible(0); });
    failsSayingSo("setPalette", [&] { return console->setPalette(palette); });
    failsSayingSo("getPalette", [&] { return console->getPalette(palette); });
    failsSayingSo("open", [&] { return console->open(100, 60, PREFER32, -1, -1, -1); });
    EXPECT_TRUE(returnsInTime([&] { frame.lock(1) ? frame.unlock() : void(); }));
    EXPECT_TRUE(returnsInTime([&] { console.reset(); }));
}

}  // namespace
}  // namespace vxr
