// The GDI console's window switched to the whole screen and back while open.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gdi_test_support.h"
#include "vxr/console/event.h"
#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

constexpr int FRAME_WIDTH = 320;
constexpr int FRAME_HEIGHT = 200;
constexpr int BLOCK = 8;

// The next Resize event, or one with width 0 when none comes.
Event nextResize(Console& console)
{
    Event event;
    while (console.waitEvent(&event, 10000))
        if (event.type == EventType::Resize) return event;
    ADD_FAILURE() << "no Resize event";
    return Event{};
}

void drainEvents(Console& console)
{
    Event event;
    while (console.waitEvent(&event, 200)) {
    }
}

class OutputSwitch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing::openSettled(console, FRAME_WIDTH, FRAME_HEIGHT));
        window = static_cast<HWND>(console.window());
        GetWindowRect(window, &windowed);
        frameStore = std::make_unique<Surface>(&console, FRAME_WIDTH, FRAME_HEIGHT,
                                               PixelFormat(RGB565), -1, -1, -1, -1);
        testing::fillBlocks(frame(), BLOCK);
        ASSERT_EQ(frame().update(), 1);
        drainEvents(console);
    }

    GdiConsole console{nullptr};
    HWND window = nullptr;
    RECT windowed{};
    std::unique_ptr<Surface> frameStore;
    Surface& frame() { return *frameStore; }
};

TEST_F(OutputSwitch, TheWholeScreenShowsTheFrameAtItsAspectBetweenBlackBars)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_EQ(console.setOutput(FULLSCREEN), 1);
    EXPECT_EQ(console.output(), FULLSCREEN);
    EXPECT_EQ(console.mode().output, FULLSCREEN);
    EXPECT_EQ(console.mode().width, FRAME_WIDTH);
    RECT covering{};
    GetWindowRect(window, &covering);
    EXPECT_EQ(covering.left, 0);
    EXPECT_EQ(covering.top, 0);
    EXPECT_EQ(covering.right, screenWidth);
    EXPECT_EQ(covering.bottom, screenHeight);
    const Event resized = nextResize(console);
    EXPECT_EQ(resized.width, screenWidth);
    EXPECT_EQ(resized.height, screenHeight);

    // The test desktop is 4:3, so a 16:10 frame spans its width with bars
    // above and below.
    const Rect area = FrameScaler::letterbox(FRAME_WIDTH, FRAME_HEIGHT, screenWidth, screenHeight);
    ASSERT_EQ(area.width(), screenWidth);
    ASSERT_EQ(area.height(), screenWidth * FRAME_HEIGHT / FRAME_WIDTH);
    ASSERT_GT(area.top, 0);
    EXPECT_EQ(area.top, screenHeight - area.bottom);

    testing::settle(window);
    const testing::ClientPixels shown = testing::readClient(window);
    ASSERT_EQ(shown.width, screenWidth);
    ASSERT_EQ(shown.height, screenHeight);
    for (int x = 0; x < screenWidth; x += 7) {
        EXPECT_EQ(shown.at(x, 0), 0u) << x;
        EXPECT_EQ(shown.at(x, area.top - 1), 0u) << x;
        EXPECT_EQ(shown.at(x, area.bottom), 0u) << x;
        EXPECT_EQ(shown.at(x, screenHeight - 1), 0u) << x;
    }
    const std::vector<std::uint32_t> colours = testing::frameColours(frame());
    int wrong = 0;
    for (int y = BLOCK / 2; y < FRAME_HEIGHT; y += BLOCK)
        for (int x = BLOCK / 2; x < FRAME_WIDTH; x += BLOCK) {
            const int shownX = area.left + static_cast<int>(x * area.width() / FRAME_WIDTH);
            const int shownY = area.top + static_cast<int>(y * area.height() / FRAME_HEIGHT);
            wrong += !testing::sameAtDepth(colours[std::size_t(y) * FRAME_WIDTH + x],
                                           shown.at(shownX, shownY), frame().format());
        }
    EXPECT_EQ(wrong, 0);

    // The pointer maps onto the letterboxed frame, and a bar is outside it.
    const int scale = static_cast<int>(area.width() / FRAME_WIDTH);
    const PointerPosition inFrame =
        testing::pointerAt(console, window, area.left + scale * 10 + 1, area.top + scale * 20 + 1);
    EXPECT_EQ(inFrame.x, 10);
    EXPECT_EQ(inFrame.y, 20);
    EXPECT_TRUE(inFrame.inside);
    EXPECT_FALSE(testing::pointerAt(console, window, 5, area.top / 2).inside);
}

TEST_F(OutputSwitch, BackInAWindowTheFrameFillsTheWindowedClientArea)
{
    ASSERT_EQ(console.setOutput(FULLSCREEN), 1);
    nextResize(console);
    // Asking for the output the window has already changes nothing.
    EXPECT_EQ(console.setOutput(FULLSCREEN), 1);

    ASSERT_EQ(console.setOutput(WINDOWED), 1);
    EXPECT_EQ(console.output(), WINDOWED);
    EXPECT_EQ(console.mode().output, WINDOWED);
    RECT restored{};
    GetWindowRect(window, &restored);
    EXPECT_EQ(restored.right - restored.left, windowed.right - windowed.left);
    EXPECT_EQ(restored.bottom - restored.top, windowed.bottom - windowed.top);
    EXPECT_EQ(restored.left, windowed.left);
    const Event resized = nextResize(console);
    EXPECT_EQ(resized.width, FRAME_WIDTH);
    EXPECT_EQ(resized.height, FRAME_HEIGHT);
    testing::settle(window);
    EXPECT_EQ(testing::mismatches(testing::readClient(window), frame()), 0);

    // A later open in a window starts from an ordinary window again.
    ASSERT_EQ(console.setOutput(FULLSCREEN), 1);
    ASSERT_TRUE(testing::openSettled(console, FRAME_WIDTH, FRAME_HEIGHT));
    EXPECT_EQ(console.output(), WINDOWED);
    RECT reopened{};
    GetClientRect(static_cast<HWND>(console.window()), &reopened);
    EXPECT_EQ(reopened.right, FRAME_WIDTH);
    EXPECT_EQ(reopened.bottom, FRAME_HEIGHT);
}

TEST(OutputSwitchRefused, OnlyAnOpenWindowSwitchesAndOnlyBetweenTheTwoOutputs)
{
    GdiConsole console(nullptr);
    EXPECT_EQ(console.setOutput(FULLSCREEN), 0);
    ASSERT_TRUE(testing::openSettled(console, FRAME_WIDTH, FRAME_HEIGHT));
    EXPECT_EQ(console.setOutput(FULLSCREEN + 100), 0);
    EXPECT_EQ(console.output(), WINDOWED);
}

}  // namespace
}  // namespace vxr
