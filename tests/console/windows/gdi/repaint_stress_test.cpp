// The program rewrites its frame as fast as it can while the window is
// resized, covered, uncovered and repainted: what the window shows is always
// one frame the program presented, whole, never rows of two.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "gdi_test_support.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

constexpr int FRAME_WIDTH = 320;
constexpr int FRAME_HEIGHT = 200;
// The run is long enough once the program has presented this many frames
// and the harness has disturbed the window this many times, reading it back
// after each, however slowly a loaded machine gets there: every one of the
// six kinds of disturbance at every one of the five sizes, four times over.
constexpr std::uint32_t LEAST_PRESENTS = 400;
constexpr int LEAST_DISTURBANCES = 4 * 6 * 5;
// Only against a hang: a run that has not done that work by then fails.
constexpr auto HANG_GUARD = std::chrono::seconds(60);

// Frame n is all one RGB565 value, n itself, which 16- and 32-bit desktops
// both show with its top bits intact. It starts at 1, so no frame is black
// like the bars.
std::uint32_t valueShown(std::uint32_t pixel)
{
    const std::uint32_t red = pixel >> 16 & 0xFF, green = pixel >> 8 & 0xFF, blue = pixel & 0xFF;
    return (red >> 3) << 11 | (green >> 2) << 5 | blue >> 3;
}

// Draws the frame a line at a time, with a few microseconds of work per
// line as a renderer has, so that drawing takes a good part of each frame's
// time and a repaint that read the program's pixels would often catch it
// half done.
void drawFrame(Surface& frame, std::uint16_t value)
{
    std::uint8_t* top = frame.lock(1);
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(top + std::int64_t{y} * frame.pitch());
        for (int x = 0; x < FRAME_WIDTH; ++x) row[x] = value;
        const auto lineDone = std::chrono::steady_clock::now() + std::chrono::microseconds(10);
        while (std::chrono::steady_clock::now() < lineDone) {
        }
    }
    frame.unlock();
}

// A white window over the console's for a moment, then gone again.
void coverAndUncover(HWND window)
{
    RECT place{};
    GetWindowRect(window, &place);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, place.left,
                                 place.top, place.right - place.left, place.bottom - place.top,
                                 nullptr, nullptr, nullptr, nullptr);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    DestroyWindow(cover);
}

// What the window showed, read back by the harness after each disturbance
// and by the window thread itself the moment each repaint is done, before
// the program's next present can draw over it.
class Recorder {
public:
    Recorder(HWND window, const std::atomic<std::uint32_t>& presented)
        : window(window), lastPresented(presented)
    {
    }

    void disturb(int step)
    {
        static const SIZE sizes[] = {{320, 200}, {400, 200}, {320, 300}, {250, 150}, {480, 300}};
        switch (step % 6) {
        case 0: testing::resizeClient(window, sizes[step / 6 % 5].cx, sizes[step / 6 % 5].cy); break;
        case 1: coverAndUncover(window); break;
        default: RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); break;
        }
        testing::settle(window);
    }

    // Every pixel that is not a bar's black is one and the same frame's.
    void readBack()
    {
        const testing::ClientPixels client = testing::readClient(window);
        const std::uint32_t presented = lastPresented.load();
        std::set<std::uint32_t> colours;
        for (std::uint32_t pixel : client.pixels)
            if (pixel != 0) colours.insert(pixel);
        std::lock_guard<std::mutex> guard(lock);
        ++readBacks;
        if (colours.size() > 1) ++mixed;
        if (colours.size() != 1) return;
        const std::uint32_t value = valueShown(*colours.begin());
        if (value == 0 || value > presented) ++unpresented;
        seen.insert(value);
    }

    // Reads back after every repaint of the window, on its own thread.
    bool watchRepaints()
    {
        watched = this;
        hook = SetWindowsHookExA(WH_CALLWNDPROCRET, afterMessage, nullptr,
                                 GetWindowThreadProcessId(window, nullptr));
        return hook != nullptr;
    }
    ~Recorder()
    {
        if (hook) UnhookWindowsHookEx(hook);
        watched = nullptr;
    }

    std::string summary()
    {
        std::lock_guard<std::mutex> guard(lock);
        return std::to_string(mixed) + " mixed and " + std::to_string(unpresented) +
               " never presented of " + std::to_string(readBacks) + " read-backs, " +
               std::to_string(seen.size()) + " frames seen";
    }
    bool whole()
    {
        std::lock_guard<std::mutex> guard(lock);
        return mixed == 0 && unpresented == 0;
    }
    int readBackCount()
    {
        std::lock_guard<std::mutex> guard(lock);
        return readBacks;
    }
    std::size_t framesSeen()
    {
        std::lock_guard<std::mutex> guard(lock);
        return seen.size();
    }

private:
    static LRESULT CALLBACK afterMessage(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && watched && message->message == WM_PAINT &&
            message->hwnd == watched->window)
            watched->readBack();
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline Recorder* watched = nullptr;
    HWND window;
    // The frame being presented now or last: the window may show it from
    // the moment its present begins.
    const std::atomic<std::uint32_t>& lastPresented;
    HHOOK hook = nullptr;
    std::mutex lock;
    int readBacks = 0;
    int mixed = 0;
    int unpresented = 0;
    std::set<std::uint32_t> seen;
};

TEST(GdiRepaintStress, EveryReadBackShowsOnePresentedFrameWhole)
{
    if (testing::desktopDepth() == 8) GTEST_SKIP() << "an 8-bit desktop dithers the frames";
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, FRAME_WIDTH, FRAME_HEIGHT));
    Surface frame(&console, FRAME_WIDTH, FRAME_HEIGHT, PixelFormat(RGB565), -1, -1, -1, -1);
    std::atomic<std::uint32_t> lastPresented{0};
    std::atomic<bool> stop{false};
    Recorder recorder(static_cast<HWND>(console.window()), lastPresented);
    ASSERT_TRUE(recorder.watchRepaints());

    std::atomic<std::uint32_t> frames{0};
    std::thread disturber([&] {
        const auto guard = std::chrono::steady_clock::now() + HANG_GUARD;
        const auto enoughWork = [&](int steps) {
            return steps >= LEAST_DISTURBANCES && frames.load() >= LEAST_PRESENTS;
        };
        for (int step = 0; !enoughWork(step) && std::chrono::steady_clock::now() < guard; ++step) {
            recorder.disturb(step);
            recorder.readBack();
        }
        stop = true;
    });
    while (!stop) {
        const std::uint32_t n = frames.load() % 0xFFFF + 1;
        drawFrame(frame, static_cast<std::uint16_t>(n));
        lastPresented = n;
        frame.update();
        ++frames;
    }
    disturber.join();

    EXPECT_LT(frames.load(), 0xFFFFu) << "frame numbers wrapped";
    EXPECT_TRUE(recorder.whole()) << recorder.summary();
    // The work was done before the guard ran out.
    EXPECT_GE(frames.load(), LEAST_PRESENTS) << recorder.summary();
    EXPECT_GE(recorder.readBackCount(), LEAST_DISTURBANCES) << recorder.summary();
    // The frames kept coming while the window was disturbed.
    EXPECT_GT(recorder.framesSeen(), 10u) << recorder.summary();
}

}  // namespace
}  // namespace vxr
