// The sizes a GDI window may take, as the system's own sizing enforces them
// (DefWindowProc asks the window for its limits before every resize), and
// the fixed window a program can ask for instead.
#include <gtest/gtest.h>

#include <string>

#include "gdi_test_support.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

SIZE clientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

bool hasSizingFrame(HWND window)
{
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    return (style & WS_THICKFRAME) && (style & WS_MAXIMIZEBOX);
}

TEST(GdiResizing, AResizableWindowGrowsFreelyButShrinksNoFurtherThanTheFrameAtOnePixelAPixel)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    const auto window = static_cast<HWND>(console.window());
    EXPECT_TRUE(hasSizingFrame(window));

    testing::resizeClient(window, 500, 300);
    EXPECT_EQ(clientSize(window).cx, 500);
    EXPECT_EQ(clientSize(window).cy, 300);

    testing::resizeClient(window, 20, 10);
    EXPECT_EQ(clientSize(window).cx, 160);
    EXPECT_EQ(clientSize(window).cy, 100);

    // The limit follows a new frame in the same window.
    ASSERT_TRUE(testing::openSettled(console, 240, 150));
    ASSERT_EQ(static_cast<HWND>(console.window()), window);
    testing::resizeClient(window, 200, 120);
    EXPECT_EQ(clientSize(window).cx, 240);
    EXPECT_EQ(clientSize(window).cy, 150);
    // And a smaller frame lets the window shrink to it.
    ASSERT_TRUE(testing::openSettled(console, 120, 75));
    testing::resizeClient(window, 120, 75);
    EXPECT_EQ(clientSize(window).cx, 120);
    EXPECT_EQ(clientSize(window).cy, 75);
}

TEST(GdiResizing, AFixedWindowLosesItsSizingFrameKeepsItsClientAreaAndShowsTheFrame)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    const auto window = static_cast<HWND>(console.window());
    testing::resizeClient(window, 320, 200);

    ASSERT_EQ(console.setResizable(0), 1);
    testing::settle(window);
    EXPECT_FALSE(hasSizingFrame(window));
    EXPECT_EQ(clientSize(window).cx, 320);
    EXPECT_EQ(clientSize(window).cy, 200);
    Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
    testing::fillBlocks(frame, 4);
    ASSERT_EQ(frame.copy(console.primary(), 0), 1);
    EXPECT_EQ(testing::mismatches(testing::readClient(window), frame), 0);

    // A new frame, and a round trip over the whole screen, keep it fixed,
    // at the frame's size.
    ASSERT_TRUE(testing::openSettled(console, 200, 125));
    const auto reopened = static_cast<HWND>(console.window());
    EXPECT_FALSE(hasSizingFrame(reopened));
    EXPECT_EQ(clientSize(reopened).cx, 200);
    ASSERT_EQ(console.setOutput(FULLSCREEN), 1);
    ASSERT_EQ(console.setOutput(WINDOWED), 1);
    testing::settle(reopened);
    EXPECT_FALSE(hasSizingFrame(reopened));
    EXPECT_EQ(clientSize(reopened).cx, 200);
    EXPECT_EQ(clientSize(reopened).cy, 125);

    ASSERT_EQ(console.setResizable(1), 1);
    testing::settle(reopened);
    EXPECT_TRUE(hasSizingFrame(reopened));
    EXPECT_EQ(clientSize(reopened).cx, 200);
    EXPECT_EQ(clientSize(reopened).cy, 125);
}

TEST(GdiResizing, AWindowTheConsoleWasGivenKeepsItsOwnFrame)
{
    HWND given = CreateWindowExA(0, "STATIC", "given", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                 150, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(given, nullptr);
    {
        GdiConsole console(given);
        EXPECT_EQ(console.setResizable(0), 0);
        EXPECT_NE(std::string(lastError()), "");
        EXPECT_TRUE(hasSizingFrame(given));
    }
    DestroyWindow(given);
}

}  // namespace
}  // namespace vxr
