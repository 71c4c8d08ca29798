// What the window shows when the server asks for it again (it was covered,
// uncovered or resized) while the program draws its next frame: the last
// frame presented, whole, from the console's own copy, never the pixels
// the program is writing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "vxr/console/x11/x11_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

// Lines [first, first + count) of the frame in one colour, written as the
// format's bytes of value.
void fillLines(Surface& frame, int first, int count, std::uint32_t value)
{
    std::uint8_t* pixels = frame.lock(1);
    ASSERT_NE(pixels, nullptr);
    const int bytes = frame.format().bytes;
    for (int y = first; y < first + count; ++y)
        for (int x = 0; x < frame.width(); ++x)
            std::memcpy(pixels + std::int64_t{y} * frame.pitch() + std::int64_t{x} * bytes, &value,
                        static_cast<std::size_t>(bytes));
    frame.unlock();
}

struct Drawing {
    std::int32_t format;
    int width;
    int height;
    const char* name;
};

class RepaintWhileDrawing : public ::testing::TestWithParam<Drawing> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.start({24, 640, 480, true}));
        console = std::make_unique<X11Console>();
        ASSERT_EQ(console->open(GetParam().width, GetParam().height, PREFER32, -1, -1, -1), 1);
        window = X11Session::windowOf(*console);
    }

    // What the window shows of a frame in one colour at its size now.
    std::vector<std::uint8_t> solidWindow(std::uint32_t value, int& width, int& height)
    {
        Surface picture(&Console::defaultConsole(), GetParam().width, GetParam().height,
                        PixelFormat(GetParam().format), MEMORY_SYSTEM, TOP_DOWN, 0, -1);
        fillLines(picture, 0, picture.height(), value);
        if (!session.view.geometry(window, width, height)) return {};
        return test::expectedWindow(picture, console->format(), width, height, 0);
    }

    ::testing::AssertionResult showsSolid(std::uint32_t value)
    {
        int width = 0, height = 0;
        const std::vector<std::uint8_t> expected = solidWindow(value, width, height);
        std::string why;
        if (session.showsExactly(window, expected, width, height, why))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << why;
    }

    X11Session session;
    std::unique_ptr<X11Console> console;
    xcb_window_t window = 0;
};

TEST_P(RepaintWhileDrawing, ShowsTheLastPresentedFrameWhenUncoveredOrResized)
{
    const Drawing& drawing = GetParam();
    // Colours that are plain in both formats: pure red, then pure blue.
    const bool wide = PixelFormat(drawing.format).bytes == 4;
    const std::uint32_t presented = wide ? 0xFF0000u : 0xF800u;
    const std::uint32_t drawnNext = wide ? 0x0000FFu : 0x001Fu;
    Surface frame(console.get(), drawing.width, drawing.height, PixelFormat(drawing.format),
                  MEMORY_SYSTEM, -1, -1, -1);
    fillLines(frame, 0, drawing.height, presented);
    ASSERT_EQ(frame.update(), 1);
    ASSERT_TRUE(showsSolid(presented));

    // The program is half way through its next frame, and holds it locked.
    ASSERT_NE(frame.lock(1), nullptr);
    fillLines(frame, 0, drawing.height / 2, drawnNext);
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(window, width, height));
    const xcb_window_t cover = session.view.makeCover(0, 0, width, height);
    session.view.showCover(cover, true);
    session.view.showCover(cover, false);
    EXPECT_TRUE(showsSolid(presented)) << "uncovered";
    session.view.resize(window, width + 77, height + 31);
    ASSERT_TRUE(test::eventually([&] {
        int now = 0, unused = 0;
        return session.view.geometry(window, now, unused) && now == width + 77;
    }));
    EXPECT_TRUE(showsSolid(presented)) << "resized";
    frame.unlock();
}

// The display's own format goes to the server from the program's memory;
// the other is converted. Scale 1 puts the frame as it is, scale 2 through
// the scaler.
INSTANTIATE_TEST_SUITE_P(Frames, RepaintWhileDrawing,
                         ::testing::Values(Drawing{ARGB8888, 400, 300, "own_format_at_scale_1"},
                                           Drawing{ARGB8888, 200, 150, "own_format_at_scale_2"},
                                           Drawing{RGB565, 400, 300, "converted_at_scale_1"},
                                           Drawing{RGB565, 200, 150, "converted_at_scale_2"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the program drawing as fast as it can while the window is disturbed ----

// Frame n in one colour: its number in the low 23 bits, the top bit set so
// that no frame is black like the bars and a window not yet drawn again.
constexpr std::uint32_t FRAME_MARK = 0x800000u;
constexpr std::uint32_t NUMBER_BITS = 0x7FFFFFu;
// The run is long enough once the program has presented this many frames
// and the window has been disturbed this many times, however slowly a
// loaded machine or a sanitizer gets there: each of the three kinds of
// change at each of the five sizes, four times over, with four screenshots
// after each. (Under ThreadSanitizer a step takes about half a second.)
constexpr std::uint32_t LEAST_PRESENTS = 200;
constexpr int LEAST_STEPS = 4 * 3 * 5;
// Only against a hang: a run that has not done that work by then fails.
constexpr auto HANG_GUARD = std::chrono::seconds(100);

std::uint32_t frameColour(std::uint32_t number)
{
    return FRAME_MARK | (number & NUMBER_BITS);
}

// The program: every round draws an even-numbered frame over the whole
// frame, draws the next odd number over it and presents that. An even
// number on the screen is a frame that was never presented.
class FastProgram {
public:
    bool start(Console& console, int width, int height)
    {
        frame = std::make_unique<Surface>(&console, width, height, PixelFormat(ARGB8888),
                                          MEMORY_SYSTEM, -1, -1, -1);
        if (!frame->isValid()) return false;
        drawer = std::thread([this] { run(); });
        return true;
    }

    ~FastProgram() { stop(); }

    void stop()
    {
        going = false;
        if (drawer.joinable()) drawer.join();
    }

    // The highest number handed to update so far.
    std::uint32_t offered() const { return lastOffered.load(); }
    std::uint32_t failures() const { return failedUpdates.load(); }

private:
    void run()
    {
        for (std::uint32_t round = 1; going && 2 * round + 1 <= NUMBER_BITS; ++round) {
            std::uint8_t* pixels = frame->lock(1);
            if (!pixels) break;
            paint(pixels, frameColour(2 * round));
            paint(pixels, frameColour(2 * round + 1));
            frame->unlock();
            lastOffered = 2 * round + 1;
            if (!frame->update()) ++failedUpdates;
        }
    }

    void paint(std::uint8_t* pixels, std::uint32_t colour)
    {
        for (int y = 0; y < frame->height(); ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(pixels + std::int64_t{y} * frame->pitch());
            for (int x = 0; x < frame->width(); ++x) line[x] = colour;
        }
    }

    std::unique_ptr<Surface> frame;
    std::thread drawer;
    std::atomic<bool> going{true};
    std::atomic<std::uint32_t> lastOffered{0};
    std::atomic<std::uint32_t> failedUpdates{0};
};

// What is wrong with a screenshot of the window: empty when every pixel is
// black (bars, or not drawn yet since the server cleared it) or the one
// colour of a frame that was presented before the screenshot was read.
std::string fault(const std::vector<std::uint8_t>& pixels, int width, std::uint32_t offeredAfter,
                  bool& showsFrame)
{
    std::uint32_t seen = 0;
    for (std::size_t at = 0; at + 4 <= pixels.size(); at += 4) {
        std::uint32_t value;
        std::memcpy(&value, &pixels[at], 4);
        value &= 0xFFFFFFu;
        if (value == 0 || value == seen) continue;
        const std::size_t pixel = at / 4;
        if (seen)
            return "two frames at once: " + std::to_string(seen & NUMBER_BITS) + " and " +
                   std::to_string(value & NUMBER_BITS) + " at (" +
                   std::to_string(pixel % std::size_t(width)) + ", " +
                   std::to_string(pixel / std::size_t(width)) + ")";
        seen = value;
    }
    showsFrame = seen != 0;
    if (!showsFrame) return {};
    const std::uint32_t number = seen & NUMBER_BITS;
    if (!(seen & FRAME_MARK)) return "a colour no frame has: " + std::to_string(seen);
    if (number % 2 == 0) return "frame " + std::to_string(number) + ", drawn over unpresented";
    if (number > offeredAfter) return "frame " + std::to_string(number) + " before its present";
    return {};
}

TEST(RepaintStress, EveryScreenshotShowsOnePresentedFrameWhole)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 1024, 768, true}));
    X11Console console;
    // Twice 512 x 320 is more than three quarters of the screen: scale 1.
    ASSERT_EQ(console.open(512, 320, PREFER32, -1, -1, -1), 1);
    const xcb_window_t window = X11Session::windowOf(console);
    FastProgram program;
    ASSERT_TRUE(program.start(console, 512, 320));
    const xcb_window_t cover = session.view.makeCover(0, 0, 300, 768);
    // Sizes at scale 1, larger and smaller, wide and tall.
    const int sizes[][2] = {{512, 320}, {1000, 700}, {700, 333}, {250, 600}, {512, 321}};

    int frames = 0, shots = 0, step = 0;
    std::vector<std::string> faults;
    // Each round presents one odd-numbered frame.
    const auto enoughWork = [&] {
        return step >= LEAST_STEPS && program.offered() >= 2 * LEAST_PRESENTS + 1;
    };
    const auto guard = test::Clock::now() + HANG_GUARD;
    for (; !enoughWork() && test::Clock::now() < guard && faults.size() < 5; ++step) {
        switch (step % 3) {
            case 0: session.view.resize(window, sizes[step / 3 % 5][0], sizes[step / 3 % 5][1]); break;
            case 1: session.view.showCover(cover, true); break;
            default: session.view.showCover(cover, false); break;
        }
        for (int shot = 0; shot < 4; ++shot) {
            int width = 0, height = 0;
            std::vector<std::uint8_t> pixels;
            ASSERT_TRUE(session.view.snapshot(window, width, height, pixels));
            bool showsFrame = false;
            const std::string wrong = fault(pixels, width, program.offered(), showsFrame);
            if (!wrong.empty()) faults.push_back("step " + std::to_string(step) + ": " + wrong);
            frames += showsFrame ? 1 : 0;
            ++shots;
        }
    }
    program.stop();
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults, the first: " << faults.front();
    // The work was done before the guard ran out.
    EXPECT_TRUE(enoughWork()) << step << " steps, frames up to " << program.offered();
    EXPECT_EQ(program.failures(), 0u);
    // Most screenshots show a frame; the rest came before a redraw.
    EXPECT_GT(frames, shots / 2) << frames << " of " << shots;
    EXPECT_GT(program.offered(), 100u);
}

}  // namespace
}  // namespace vxr
