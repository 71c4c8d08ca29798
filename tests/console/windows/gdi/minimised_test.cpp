#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// A program goes on presenting while its window is minimised: nothing can
// be shown, which is no failure, and the last frame is what the restored
// window shows.
TEST(GdiMinimised, PresentsSucceedWhileMinimisedAndTheRestoredWindowShowsTheLastFrame)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 320, 200));
    const auto window = static_cast<HWND>(console.window());
    Surface frame(&console, 320, 200, PixelFormat(RGB565), -1, -1, -1, -1);
    testing::fillBlocks(frame, 8);
    ASSERT_EQ(frame.copy(console.primary(), 0), 1);

    ShowWindow(window, SW_MINIMIZE);
    testing::settle(window);
    ASSERT_TRUE(IsIconic(window));
    testing::fillBlocks(frame, 4);
    EXPECT_EQ(frame.copy(console.primary(), 0), 1);

    ShowWindow(window, SW_RESTORE);
    testing::settle(window);
    ASSERT_FALSE(IsIconic(window));
    const testing::ClientPixels shown = testing::readClient(window);
    ASSERT_EQ(shown.width, 320);
    EXPECT_EQ(testing::mismatches(shown, frame), 0);
}

}  // namespace
}  // namespace vxr
