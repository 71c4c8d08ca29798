// A program that presents as fast as it can while the compositor resizes
// its window, switches it to the whole screen and back, and hides and shows
// it: every screenshot shows one frame that was presented, whole, never
// parts of two. Each frame is one colour that carries its number.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"

namespace vxr {
namespace {

using test::Screenshot;

constexpr int WIDTH = 160;
constexpr int HEIGHT = 100;
constexpr auto STRESS_TIME = std::chrono::seconds(4);
// Pixels this close to another colour may be a filtering compositor's blend
// of the frame's edge with the bars.
constexpr int RIM = 2;

// Frame n's colour: seven bits of n in each channel over a set top bit, so
// that no frame is black like the bars or dark like the desktop.
std::uint32_t colourOf(std::uint32_t n)
{
    return 0xFF808080u | (n & 0x7F) << 16 | ((n >> 7) & 0x7F) << 8 | ((n >> 14) & 0x7F);
}

bool numberOf(std::uint32_t rgb, std::uint32_t& n)
{
    if ((rgb & 0x808080u) != 0x808080u) return false;
    n = (rgb >> 16 & 0x7F) | (rgb >> 8 & 0x7F) << 7 | (rgb & 0x7F) << 14;
    return true;
}

std::uint32_t rgbAt(const Screenshot& shot, int x, int y)
{
    const std::uint8_t* p = &shot.rgb[(static_cast<std::size_t>(y) * shot.width + x) * 3];
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

// Whether every pixel within RIM of (x, y) has its colour.
bool isSteady(const Screenshot& shot, int x, int y)
{
    const std::uint32_t colour = rgbAt(shot, x, y);
    for (int dy = -RIM; dy <= RIM; ++dy)
        for (int dx = -RIM; dx <= RIM; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= shot.width || ny >= shot.height) return false;
            if (rgbAt(shot, nx, ny) != colour) return false;
        }
    return true;
}

// The colours that fill areas of the screenshot, edges left out.
std::set<std::uint32_t> steadyColours(const Screenshot& shot)
{
    std::set<std::uint32_t> colours;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (isSteady(shot, x, y)) colours.insert(rgbAt(shot, x, y));
    return colours;
}

// The program's side: one colour a frame, each presented at once, on a
// thread of its own, as fast as presents go. Each frame is written in two
// halves with a pause between, as a program drawing its next picture is
// caught in the middle: a window that redrew from the program's memory
// then would show parts of two frames.
class FastProgram {
public:
    explicit FastProgram(WaylandConsole& console)
        : frame(&console, WIDTH, HEIGHT, PixelFormat(ARGB8888), MEMORY_SYSTEM, TOP_DOWN, 0,
                VARIANT_DEFAULT),
          console(console)
    {
    }
    ~FastProgram() { stop(); }

    void start()
    {
        runner = std::thread([this] {
            for (std::uint32_t n = 1; !stopping.load(); ++n) {
                fill(n);
                if (frame.copy(console.primary(), 0) == 1) presented.store(n);
            }
        });
    }
    void stop()
    {
        stopping.store(true);
        if (runner.joinable()) runner.join();
    }
    // The number of the last frame presented.
    std::uint32_t last() const { return presented.load(); }

private:
    void fill(std::uint32_t n)
    {
        fillRows(0, HEIGHT / 2, colourOf(n));
        // Now and then long enough for a screenshot to see what the window
        // redrew meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(n % 4 == 0 ? 300 : 2));
        fillRows(HEIGHT / 2, HEIGHT, colourOf(n));
    }
    void fillRows(int from, int to, std::uint32_t colour)
    {
        std::uint8_t* pixels = frame.lock(1);
        if (!pixels) return;
        for (int y = from; y < to; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(pixels + std::int64_t{y} * frame.pitch());
            for (int x = 0; x < WIDTH; ++x) row[x] = colour;
        }
        frame.unlock();
    }

    Surface frame;
    WaylandConsole& console;
    std::thread runner;
    std::atomic<bool> stopping{false};
    std::atomic<std::uint32_t> presented{0};
};

struct StressCounts {
    int framesSeen = 0;
    std::set<std::uint32_t> numbersSeen;
};

// Checks one screenshot: besides the desktop and black bars, at most one
// colour, and that the colour of a frame presented by then.
void checkShot(const Screenshot& shot, std::uint32_t desktop, std::uint32_t presentedBy,
               const std::string& after, StressCounts& counts)
{
    std::uint32_t shown = 0;
    int frames = 0;
    for (std::uint32_t colour : steadyColours(shot)) {
        if (colour == desktop || colour == 0) continue;
        std::uint32_t n = 0;
        EXPECT_TRUE(numberOf(colour, n) && n >= 1 && n <= presentedBy)
            << "after " << after << ": colour " << std::hex << colour << " is no frame presented";
        ++frames;
        shown = n;
    }
    EXPECT_LE(frames, 1) << "after " << after << ": parts of " << frames << " frames at once";
    if (frames != 1) return;
    ++counts.framesSeen;
    counts.numbersSeen.insert(shown);
}

// What the compositor does to the window, one command at a time, over and
// over; "" takes a screenshot without a command.
const char* const CHANGES[] = {
    "'[app_id=vxr] floating enable, resize set 300 200, move position 20 20'",
    "'[app_id=vxr] resize set 200 300'",
    "'[app_id=vxr] fullscreen enable'",
    "'[app_id=vxr] fullscreen disable'",
    "workspace 2",
    "workspace 1",
    "'[app_id=vxr] floating disable'",
    "'[app_id=vxr] floating enable, resize set 250 150, move position 100 60'",
};

class WaylandStress : public test::WaylandConsoleFixture {
protected:
    void stressWindow(Scaling scaling);
};

void WaylandStress::stressWindow(Scaling scaling)
{
    ASSERT_TRUE(start(Kind::SWAY));
    Screenshot shot;
    ASSERT_TRUE(compositor.screenshot(shot));
    const std::uint32_t desktop = rgbAt(shot, 0, 0);
    ASSERT_TRUE(open({WIDTH, HEIGHT, PREFER32, -1, scaling}));
    FastProgram program(*console);
    program.start();
    ASSERT_TRUE(test::eventually([&] { return program.last() > 0; }));

    StressCounts counts;
    const auto end = test::Clock::now() + STRESS_TIME;
    // Every change twice at least, however slowly screenshots come.
    const int leastSteps = 2 * static_cast<int>(std::size(CHANGES));
    for (int step = 0; step < leastSteps || test::Clock::now() < end; ++step) {
        const char* change = CHANGES[step % std::size(CHANGES)];
        ASSERT_TRUE(compositor.command(change)) << change;
        // At once, while the window is still taking the change, and again.
        for (int look = 0; look < 2; ++look) {
            ASSERT_TRUE(compositor.screenshot(shot));
            checkShot(shot, desktop, program.last(), change, counts);
        }
    }
    program.stop();
    // The checks saw frames, and frames that changed: the program ran
    // throughout. Two looks of the sixteen a round find the window hidden.
    EXPECT_GE(counts.framesSeen, leastSteps);
    EXPECT_GE(counts.numbersSeen.size(), 4u);
}

TEST_F(WaylandStress, EveryScreenshotShowsOnePresentedFrameWholeWhileTheLibraryScales)
{
    stressWindow(Scaling::LIBRARY);
}

TEST_F(WaylandStress, EveryScreenshotShowsOnePresentedFrameWholeWhileTheCompositorScales)
{
    stressWindow(Scaling::COMPOSITOR);
}

}  // namespace
}  // namespace vxr
