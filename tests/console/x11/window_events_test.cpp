// What the window thread does with the server's events: keys pressed
// through XTEST, exposures, and the window manager's close.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "vxr/console/input/key_queue.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

class WindowEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.start({24, 640, 480, true}));
        console = std::make_unique<X11Console>();
        ASSERT_EQ(console->open(80, 50, PREFER32, -1, -1, -1), 1);
        window = X11Session::windowOf(*console);
        ASSERT_TRUE(session.view.geometry(window, width, height));
        frame = std::make_unique<Surface>(console.get(), 80, 50, PixelFormat(ARGB8888),
                                          MEMORY_SYSTEM, -1, -1, -1);
        test::fillRandom(*frame, 5);
        ASSERT_EQ(frame->update(), 1);
    }

    std::vector<std::uint8_t> shownFrame()
    {
        return test::expectedWindow(*frame, console->format(), width, height, 0);
    }

    // Events reach the console in the order the server sends them: once the
    // window has been redrawn after an exposure sent now, every key the
    // server delivered before it has been taken.
    void waitForEarlierEvents()
    {
        const auto expected = shownFrame();
        session.view.coverAndExpose(window, width, height);
        std::string why;
        ASSERT_TRUE(session.showsExactly(window, expected, width, height, why)) << why;
    }

    void pressKeys(int count)
    {
        ASSERT_TRUE(session.hasFocus(window));
        std::vector<std::string> arguments = {"key", "--delay", "0"};
        for (int i = 0; i < count; ++i) arguments.push_back(i % 2 ? "a" : "space");
        ASSERT_TRUE(test::runXdotool(session.server.display(), arguments));
    }

    X11Session session;
    std::unique_ptr<X11Console> console;
    std::unique_ptr<Surface> frame;
    xcb_window_t window = 0;
    int width = 0, height = 0;
};

TEST_F(WindowEvents, EachKeyPressedOnTheServerIsOneEntry)
{
    EXPECT_EQ(console->keyPressed(), 0);
    pressKeys(5);
    waitForEarlierEvents();
    // Every key is the same entry, as on every console: the presses show
    // as that many entries, read one at a time.
    EXPECT_EQ(test::readAllKeys(*console), 5);
    EXPECT_EQ(console->keyPressed(), 0);
}

TEST_F(WindowEvents, AFullQueueDropsTheKeysBeyondIt)
{
    pressKeys(KeyQueue::CAPACITY + 6);
    waitForEarlierEvents();
    EXPECT_EQ(test::readAllKeys(*console), KeyQueue::CAPACITY - 1);
}

TEST_F(WindowEvents, ReadKeyWaitsForAKey)
{
    std::atomic<int> key{-1};
    std::thread reader([&] { key = console->readKey(); });
    // Nothing has been pressed: the reader is still waiting after the server
    // has been through all its events.
    waitForEarlierEvents();
    EXPECT_EQ(key.load(), -1);
    pressKeys(1);
    const bool read = test::eventually([&] { return key.load() != -1; });
    if (!read) pressKeys(1);  // lets the reader end either way
    reader.join();
    EXPECT_TRUE(read);
    EXPECT_EQ(key.load(), 1);
}

TEST_F(WindowEvents, AnExposureRedrawsTheLastFrameThatCoveredTheWindow)
{
    waitForEarlierEvents();
}

TEST_F(WindowEvents, AnExposureAfterTheFrameHasGoneStillShowsIt)
{
    // The console keeps what it showed: the frame may leave for another
    // console, or go altogether, and the window still shows it.
    const auto expected = shownFrame();
    const PixelFormat format(ARGB8888);
    ASSERT_EQ(frame->create(&Console::defaultConsole(), 80, 50, &format, MEMORY_SYSTEM, -1, -1, -1),
              1);
    session.view.coverAndExpose(window, width, height);
    std::string why;
    EXPECT_TRUE(session.showsExactly(window, expected, width, height, why)) << "moved: " << why;
    frame.reset();
    session.view.coverAndExpose(window, width, height);
    EXPECT_TRUE(session.showsExactly(window, expected, width, height, why)) << "destroyed: " << why;
}

// ---- the program's end: closed or cut off while it presents or waits ----

// A close or a loss ends the program this soon, whatever it was doing.
constexpr auto ENDS_WITHIN = std::chrono::seconds(2);

class ProgramEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.start({24, 640, 480, true})); }

    // The example opens, draws once and waits in readKey.
    void startWaitingForAKey()
    {
        ASSERT_TRUE(program.start({VXR_EXAMPLE_PROGRAM}, "", session.server.display()));
        ASSERT_TRUE(test::eventually([&] {
            const std::vector<xcb_window_t> windows = session.view.consoleWindows();
            window = windows.size() == 1 ? windows[0] : 0;
            // Its picture is up: the blue of its first pixel.
            const auto pixels = window ? session.view.image(window, 1, 1) : std::vector<std::uint8_t>();
            return pixels.size() == 4 && pixels[0] == 0x60;
        }));
    }

    // A loop that presents as fast as it can, asking for no close events.
    void startPresenting(bool managed = false)
    {
        ASSERT_TRUE(program.start({VXR_PRESENT_LOOP_PROGRAM}, "", session.server.display()));
        ASSERT_TRUE(test::eventually([&] {
            program.pump(std::chrono::milliseconds(10));
            return program.output() == "presenting\n";
        })) << program.errors();
        // A window manager puts the window into a frame of its own.
        if (managed) return;
        const std::vector<xcb_window_t> windows = session.view.consoleWindows();
        ASSERT_EQ(windows.size(), 1u);
        window = windows[0];
    }

    void expectClosedWithZero()
    {
        EXPECT_EQ(program.waitForExit(ENDS_WITHIN), 0);
        EXPECT_EQ(program.errors(), "");
    }

    void expectLostWithOne()
    {
        EXPECT_EQ(program.waitForExit(ENDS_WITHIN), 1);
        EXPECT_EQ(program.errors(), "vxr error: lost the display\n");
    }

    X11Session session;
    test::ChildProcess program;
    xcb_window_t window = 0;
};

TEST_F(ProgramEnd, TheWindowManagersCloseEndsAProgramWaitingForAKeyWithZero)
{
    startWaitingForAKey();
    session.view.sendDelete(window);
    expectClosedWithZero();
    EXPECT_EQ(program.output(), "");
}

TEST_F(ProgramEnd, TheWindowManagersCloseEndsAPresentLoopWithZero)
{
    startPresenting();
    session.view.sendDelete(window);
    expectClosedWithZero();
}

TEST_F(ProgramEnd, AWindowManagersCloseKeyEndsAPresentLoopWithZero)
{
    test::ChildProcess manager;
    ASSERT_TRUE(session.startWindowManager(manager)) << manager.errors();
    startPresenting(true);
    // openbox closes the active window on Alt+F4: WM_DELETE_WINDOW, from it.
    // The search walks every window while openbox is still making its own,
    // and fails when one goes under it: the activation is tried again.
    ASSERT_TRUE(test::eventually([&] {
        return test::runXdotool(session.server.display(), {"search", "--sync", "--classname",
                                                           "vxr", "windowactivate", "--sync"});
    }));
    // Under load openbox now and then lets a press go by while the program
    // floods the server: the user's next press is what closes it then.
    for (int press = 0; press < 5 && !program.hasExited(); ++press) {
        ASSERT_TRUE(test::runXdotool(session.server.display(), {"key", "alt+F4"}));
        const auto until = test::Clock::now() + ENDS_WITHIN;
        while (!program.hasExited() && test::Clock::now() < until)
            program.pump(std::chrono::milliseconds(10));
    }
    expectClosedWithZero();
}

TEST_F(ProgramEnd, ALostDisplayEndsAProgramWaitingForAKeyWithOneAndSaysSo)
{
    startWaitingForAKey();
    session.server.kill();
    expectLostWithOne();
    EXPECT_EQ(program.output(), "");
}

TEST_F(ProgramEnd, ALostDisplayEndsAPresentLoopWithOneAndSaysSo)
{
    startPresenting();
    session.server.kill();
    expectLostWithOne();
}

TEST(WindowClose, TheExampleEndsWithAKey)
{
    X11Session session;
    ASSERT_TRUE(session.start({16, 640, 480, true}));
    test::ChildProcess example;
    ASSERT_TRUE(example.start({VXR_EXAMPLE_PROGRAM}, "", session.server.display()));
    std::vector<xcb_window_t> windows;
    ASSERT_TRUE(test::eventually([&] {
        windows = session.view.consoleWindows();
        return windows.size() == 1 && session.view.focus() == windows[0];
    }));
    ASSERT_TRUE(test::runXdotool(session.server.display(), {"key", "space"}));
    EXPECT_EQ(example.waitForExit(), 0);
    EXPECT_EQ(example.errors(), "");
}

}  // namespace
}  // namespace vxr
