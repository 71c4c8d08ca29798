// Keys, the close request, lost compositors and repeated opens, on real
// compositors.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "console/x11/x11_test_support.h"
#include "vxr/console/input/key_queue.h"
#include "vxr/console/core/library_thread.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;
using test::EventReader;

using WaylandKeys = test::WaylandConsoleFixture;
using WaylandWindow = test::WaylandConsoleFixture;
using WaylandBadInput = test::WaylandConsoleFixture;
using WaylandLifecycle = test::WaylandConsoleFixture;

TEST_F(WaylandKeys, EveryPressArrivesAndAFullQueueDropsTheRest)
{
    ASSERT_TRUE(startWithKeyboard());
    ASSERT_TRUE(open({.format = PREFER16}));
    ASSERT_EQ(console->waitRetrace(), 1);
    ASSERT_TRUE(compositor.type("abc"));
    ASSERT_TRUE(test::eventually([&] { return console->keyPressed() == 1; }));
    EXPECT_EQ(console->readKey(), 1);
    // The compositor sent the keys before wtype ended and answers a frame
    // request after them, and the window thread handles both in order: once
    // the frame is done, every press is in the queue. Releases add nothing.
    ASSERT_EQ(console->waitRetrace(), 1);
    EXPECT_EQ(test::readAllKeys(*console), 2);

    // One slot always stays free: past CAPACITY - 1 waiting keys, presses drop.
    const std::string many(KeyQueue::CAPACITY + 40, 'q');
    ASSERT_TRUE(compositor.type(many));
    ASSERT_EQ(console->waitRetrace(), 1);
    EXPECT_EQ(test::readAllKeys(*console), KeyQueue::CAPACITY - 1);
    EXPECT_EQ(console->keyPressed(), 0);
}

TEST_F(WaylandWindow, TheTitleAndTheApplicationIdReachTheCompositor)
{
    ASSERT_TRUE(start(Kind::SWAY));
    EXPECT_EQ(console->setTitle("before the window"), 0);
    ASSERT_TRUE(open({.format = PREFER16}));
    EXPECT_EQ(console->setTitle("vxr tunnel"), 1);
    std::string tree;
    EXPECT_TRUE(test::eventually([&] {
        return compositor.command("-t get_tree", &tree) &&
               tree.find("\"name\": \"vxr tunnel\"") != std::string::npos;
    })) << tree;
    EXPECT_NE(tree.find("\"app_id\": \"vxr\""), std::string::npos);
}

// How long a program has to end once the compositor asked, or went.
constexpr auto CLOSE_LIMIT = std::chrono::seconds(2);

// Run in a process of its own: opens a window, then presents in a tight
// loop while another thread sends the compositor command; the program must
// end by itself within CLOSE_LIMIT of it. Exit codes past 1 say what went
// wrong instead.
[[noreturn]] void presentUntilEnded(Compositor& sway, const std::string& command)
{
    WaylandConsole console;
    if (console.open(320, 200, PREFER32, -1, -1, -1) != 1) std::_Exit(2);
    auto frame = test::randomFrame(console, ARGB8888, 320, 200, 9, true);
    if (frame->copy(console.primary(), 0) != 1) std::_Exit(3);
    std::thread([&sway, command] {
        if (!sway.command(command)) std::_Exit(4);
        std::this_thread::sleep_for(CLOSE_LIMIT);
        std::_Exit(5);
    }).detach();
    for (;;) frame->copy(console.primary(), 0);
}

// The programs that close here, the tunnel and the death tests' own, make
// their consoles themselves: the fixture's compositor alone serves.
TEST_F(WaylandWindow, TheCompositorsCloseEndsTheProgramWithExitCodeZero)
{
    ASSERT_TRUE(compositor.start(Kind::SWAY));
    test::ChildProcess tunnel;
    const std::string folder = std::filesystem::path(VXR_TUNNEL_PROGRAM).parent_path();
    ASSERT_TRUE(tunnel.start({VXR_TUNNEL_PROGRAM}, folder, ""));
    std::string tree;
    ASSERT_TRUE(test::eventually([&] {
        return compositor.command("-t get_tree", &tree) &&
               tree.find("\"app_id\": \"vxr\"") != std::string::npos;
    }));
    ASSERT_TRUE(compositor.command("'[app_id=vxr] kill'"));
    EXPECT_EQ(tunnel.waitForExit(CLOSE_LIMIT), 0) << tunnel.errors();

    // A program that presents as fast as it can, never reading its input,
    // ends as well: each present is a call into the library.
    EXPECT_EXIT(presentUntilEnded(compositor, "'[app_id=vxr] kill'"), testing::ExitedWithCode(0),
                "");
}

// The close, the window's life after it, and a second close, as an exit
// code: 42 when all went as it should.
int closeAsEventRun(Compositor& sway)
{
    WaylandConsole console;
    if (console.closeAsEvent(1) != 1 || console.open(320, 200, PREFER32, -1, -1, -1) != 1) return 1;
    EventReader events(console);
    Event close;
    if (!sway.command("'[app_id=vxr] kill'") || !events.next(EventType::Close, close)) return 2;
    // The program goes on, and so does its window, until it closes it.
    auto frame = test::randomFrame(console, ARGB8888, 320, 200, 5, true);
    if (frame->copy(console.primary(), 0) != 1 || console.waitRetrace() != 1) return 3;
    if (!sway.command("'[app_id=vxr] kill'") || !events.next(EventType::Close, close)) return 4;
    return 42;
}

TEST_F(WaylandWindow, TheCompositorsCloseIsAnEventWhenTheProgramAsksForIt)
{
    ASSERT_TRUE(compositor.start(Kind::SWAY));
    // In a process of its own: a close that ended the process with exit
    // code 0 would otherwise end this one as if every test had passed.
    EXPECT_EXIT(std::_Exit(closeAsEventRun(compositor)), testing::ExitedWithCode(42), "");
}

TEST_F(WaylandWindow, AResizeIsReportedAndThePointerFollowsTheFrameToItsNewPlace)
{
    ASSERT_TRUE(startWithPointer());
    ASSERT_TRUE(open());
    ASSERT_TRUE(compositor.command("'[app_id=vxr] floating enable, resize set 400 300'"));
    Event resized;
    while (events->next(EventType::Resize, resized) && resized.width != 400) {}
    EXPECT_EQ(resized.width, 400) << events->seen();
    EXPECT_EQ(resized.height, 300) << events->seen();
    EXPECT_EQ(console->clientWidth(), 400);
    EXPECT_EQ(console->clientHeight(), 300);

    // The frame fills 400x250 of it now, 25 pixels down: window pixel
    // (200, 150) shows frame pixel (160, 100).
    int left = 0, top = 0, width = 0, height = 0;
    ASSERT_TRUE(test::eventually([&] {
        return compositor.windowPlace("", left, top, width, height) && width == 400;
    })) << left << "," << top << " " << width << "x" << height;
    const std::string at = std::to_string(left + 200) + " " + std::to_string(top + 150);
    Event moved;
    ASSERT_TRUE(test::eventually([&] {
        // A move that sway drops is made again.
        if (!compositor.pointer("absolute " + at + " 640 480")) return false;
        while (events->next(moved, 1000))
            if (moved.type == EventType::MouseMove || moved.type == EventType::MouseEnter)
                return moved.pointer.windowX == 200 && moved.pointer.windowY == 150;
        return false;
    })) << events->seen();
    EXPECT_EQ(moved.pointer.x, 160) << events->seen();
    EXPECT_EQ(moved.pointer.y, 100) << events->seen();
}

TEST_F(WaylandWindow, FocusMovesBetweenTwoWindowsAsTheCompositorMovesIt)
{
    ASSERT_TRUE(startWithKeyboard());
    // The fixture's console is the first window; the second is the test's.
    WaylandConsole& one = *console;
    WaylandConsole two;
    ASSERT_EQ(one.setTitle("one"), 0);
    ASSERT_EQ(two.setTitle("two"), 0);
    ASSERT_EQ(one.open(320, 200, PREFER32, -1, -1, -1), 1);
    EventReader& oneEvents = *events;
    EventReader twoEvents(two);
    Event focus;
    ASSERT_TRUE(oneEvents.next(EventType::FocusIn, focus)) << oneEvents.seen();
    // A new window takes the focus.
    ASSERT_EQ(two.open(320, 200, PREFER32, -1, -1, -1), 1);
    ASSERT_TRUE(twoEvents.next(EventType::FocusIn, focus)) << twoEvents.seen();
    ASSERT_TRUE(oneEvents.next(EventType::FocusOut, focus)) << oneEvents.seen();

    ASSERT_TRUE(compositor.command("'[title=\"^one$\"] focus'"));
    ASSERT_TRUE(oneEvents.next(EventType::FocusIn, focus)) << oneEvents.seen();
    ASSERT_TRUE(twoEvents.next(EventType::FocusOut, focus)) << twoEvents.seen();
    // Keys go to the focused window alone.
    ASSERT_TRUE(compositor.type("x"));
    Event key;
    ASSERT_TRUE(oneEvents.next(EventType::KeyUp, key)) << oneEvents.seen();
    EXPECT_EQ(key.symbol, U'x');
    for (const Event& event : twoEvents.until(300))
        EXPECT_NE(event.type, EventType::KeyDown) << test::describe(event);

    // A key held as the focus moves away is let go and repeats no more.
    auto held =
        std::async(std::launch::async, [&] { return compositor.typeWith("-P a -s 1500 -p a"); });
    bool repeating = false;
    while (!repeating && oneEvents.next(EventType::KeyDown, key)) repeating = key.repeat;
    ASSERT_TRUE(repeating) << oneEvents.seen();
    ASSERT_TRUE(compositor.command("'[title=\"^two$\"] focus'"));
    ASSERT_TRUE(oneEvents.next(EventType::FocusOut, focus)) << oneEvents.seen();
    EXPECT_EQ(one.keyDown(key.key), 0);
    ASSERT_TRUE(held.get());
    for (const Event& event : oneEvents.until(300))
        EXPECT_NE(event.type, EventType::KeyDown) << test::describe(event);
}

TEST_F(WaylandBadInput, ACompositorThatGoesAwayIsACloseEventAndCallsFailWithoutAHang)
{
    ASSERT_TRUE(start(Kind::WESTON));
    ASSERT_EQ(console->closeAsEvent(1), 1);
    ASSERT_TRUE(open({.format = PREFER16}));
    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 3, true);
    ASSERT_EQ(frame->copy(console->primary(), 0), 1);
    compositor.kill();
    Event close;
    ASSERT_TRUE(events->next(EventType::Close, close)) << events->seen();
    EXPECT_TRUE(close.displayLost);
    // Run apart, so that a hang shows as a failure rather than a stuck suite.
    // Every call fails, and says why on the thread that made it.
    auto calls = std::async(std::launch::async, [&] {
        std::string wrong;
        const auto failsWithAReason = [&](const char* call, int result) {
            if (result != 0 || std::string(lastError()).find("compositor has gone") == std::string::npos)
                wrong += std::string(call) + " gave " + std::to_string(result) + " (\"" +
                         lastError() + "\"); ";
            clearLastError();
        };
        for (int i = 0; i < 50; ++i) failsWithAReason("a present", frame->copy(console->primary(), 0));
        failsWithAReason("waitRetrace", console->waitRetrace());
        failsWithAReason("setTitle", console->setTitle("after the compositor"));
        failsWithAReason("setOutput", console->setOutput(FULLSCREEN));
        failsWithAReason("setPointerVisible", console->setPointerVisible(0));
        failsWithAReason("keyPressed", console->keyPressed());
        failsWithAReason("readKey", console->readKey());
        failsWithAReason("open", console->open(320, 200, PREFER16, -1, -1, -1));
        return wrong;
    });
    ASSERT_EQ(calls.wait_for(test::PATIENCE), std::future_status::ready);
    EXPECT_EQ(calls.get(), "");
    // A console made now finds no compositor.
    WaylandConsole later;
    EXPECT_EQ(later.ok(), 0);
}

// In a process of its own, as presentUntilEnded: the compositor goes while
// the program waits for a key.
[[noreturn]] void waitForAKeyAsTheCompositorGoes(Compositor& weston)
{
    WaylandConsole console;
    if (console.open(320, 200, PREFER32, -1, -1, -1) != 1) std::_Exit(2);
    auto frame = test::randomFrame(console, ARGB8888, 320, 200, 10, true);
    if (frame->copy(console.primary(), 0) != 1) std::_Exit(3);
    std::thread([&weston] {
        weston.kill();
        std::this_thread::sleep_for(CLOSE_LIMIT);
        std::_Exit(4);
    }).detach();
    console.readKey();
    // readKey came back instead of the program ending.
    std::_Exit(5);
}

TEST_F(WaylandBadInput, ACompositorThatGoesAwayWhileTheProgramWaitsForAKeyEndsItWithExitCodeOne)
{
    // A child started afresh, not forked: a forked child inherits the
    // sanitizer's list of this process's threads (gio's D-Bus workers, made
    // for kwin's screenshots), and LeakSanitizer's check at its exit then
    // adds a line about each of them to the standard error checked here.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(compositor.start(Kind::WESTON));
    EXPECT_EXIT(waitForAKeyAsTheCompositorGoes(compositor), testing::ExitedWithCode(1),
                "^vxr error: lost the display\n$");
}

TEST(WaylandConnection, WithoutACompositorTheConsoleIsNotUsable)
{
    unsetenv("WAYLAND_DISPLAY");
    WaylandConsole none;
    EXPECT_EQ(none.ok(), 0);
    EXPECT_EQ(none.open(320, 200, PREFER16, -1, -1, -1), 0);
    setenv("WAYLAND_DISPLAY", "vxr-nothing-listens-here", 1);
    WaylandConsole nobody;
    EXPECT_EQ(nobody.ok(), 0);
    unsetenv("WAYLAND_DISPLAY");
}

int shmPoolMappings()
{
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        if (line.find("memfd:vxr-frame") != std::string::npos) ++count;
    return count;
}

// Each cycle makes a console of its own, as a program that opens and
// closes its windows does.
TEST_F(WaylandLifecycle, TwoHundredOpensLeaveNoDescriptorsThreadsOrPoolsBehind)
{
    ASSERT_TRUE(compositor.start(Kind::WESTON));
    const auto cycle = [](unsigned seed) {
        WaylandConsole console;
        ASSERT_EQ(console.open(64, 40, PREFER16, -1, -1, -1), 1);
        auto frame = test::randomFrame(console, RGB565, 64, 40, seed, false);
        EXPECT_EQ(frame->copy(console.primary(), 0), 1);
        console.waitRetrace();
    };
    cycle(0);
    const int descriptors = test::openDescriptors();
    for (unsigned i = 1; i <= 200; ++i) cycle(i);
    EXPECT_EQ(test::openDescriptors(), descriptors);
    // The library's own threads, counted as they start and end: libdecor's
    // drawing starts font-loading pool threads of glib's, which stay idle
    // for a while after the last window and are none of the library's.
    EXPECT_EQ(LibraryThread::running(), 0);
    EXPECT_EQ(shmPoolMappings(), 0);
}

}  // namespace
}  // namespace vxr
