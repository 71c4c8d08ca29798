// Runs on a Wine desktop whose registry sets 144 DPI (LogPixels), as a
// user's display settings at 150 % do.
#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

TEST(GdiHighDpi, TheWindowOpensAtOneAndAHalfTimesTheFrameAndShowsItSharp)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 320, 200));
    EXPECT_DOUBLE_EQ(console.scale(), 1.5);
    const auto window = static_cast<HWND>(console.window());
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 480);
    EXPECT_EQ(client.bottom, 300);
    // The frame keeps its size: only its window grew.
    EXPECT_EQ(console.width(), 320);
    EXPECT_EQ(console.primary()->width(), 320);

    // Sharp: every window pixel is the frame pixel under its centre, never a
    // blend of neighbours, which blocks one pixel wide would show at once.
    Surface frame(&console, 320, 200, console.format(), -1, -1, -1, -1);
    testing::fillBlocks(frame, 1);
    ASSERT_EQ(frame.copy(console.primary(), 0), 1);
    testing::settle(window);
    EXPECT_EQ(testing::mismatches(testing::readClient(window), frame), 0);

    // The mouse reports frame pixels: the window's corners are the frame's.
    const PointerPosition topLeft = testing::pointerAt(console, window, 0, 0);
    EXPECT_EQ(topLeft.x, 0);
    EXPECT_EQ(topLeft.y, 0);
    const PointerPosition bottomRight = testing::pointerAt(console, window, 479, 299);
    EXPECT_EQ(bottomRight.x, 319);
    EXPECT_EQ(bottomRight.y, 199);
    EXPECT_TRUE(bottomRight.inside);
}

}  // namespace
}  // namespace vxr
