// When GDI's frames reach the screen, as the window manager's timing tells,
// and present(true)'s wait for the display's refresh. Under Wine the timing
// comes from the display's mode: its refresh rate (60 Hz on the virtual
// desktop) and a refresh grid on the performance counter.
#include <gtest/gtest.h>

#include <vector>

#include "gdi_test_support.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// The refresh interval the display's own mode reports, in ns.
std::int64_t modeRefreshInterval()
{
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) || mode.dmDisplayFrequency <= 1)
        return 0;
    return 1'000'000'000 / static_cast<std::int64_t>(mode.dmDisplayFrequency);
}

TEST(GdiPresentationTimes, FramesPacedByTheRefreshReachTheScreenOnLaterRefreshesAtTheDisplaysRate)
{
    const std::int64_t expected = modeRefreshInterval();
    ASSERT_GT(expected, 0) << "the display reports no refresh rate";
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    Presentation before;
    EXPECT_EQ(console.lastPresentation(&before), 0) << "nothing was presented yet";

    Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
    std::vector<Presentation> shown;
    for (int i = 0; i < 8; ++i) {
        testing::fillBlocks(frame, 2 + i);
        ASSERT_EQ(console.waitRetrace(), 1);
        ASSERT_EQ(frame.copy(console.primary(), 0), 1);
        Presentation last;
        ASSERT_EQ(console.lastPresentation(&last), 1);
        shown.push_back(last);
    }
    for (std::size_t i = 1; i < shown.size(); ++i) {
        EXPECT_GT(shown[i].time, shown[i - 1].time) << i;
        EXPECT_GT(shown[i].refresh, shown[i - 1].refresh) << i;
        // Each frame waited for a refresh of its own: whole intervals apart.
        const std::int64_t gap = shown[i].time - shown[i - 1].time;
        const std::int64_t refreshes = static_cast<std::int64_t>(shown[i].refresh - shown[i - 1].refresh);
        EXPECT_NEAR(static_cast<double>(gap), static_cast<double>(refreshes * shown[i].refreshInterval),
                    1000.0 * static_cast<double>(refreshes))
            << i;
    }
    EXPECT_NEAR(static_cast<double>(shown.back().refreshInterval), static_cast<double>(expected),
                expected * 0.01);
}

TEST(GdiPresentationTimes, AMinimisedWindowReportsNoNewPresentation)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    const auto window = static_cast<HWND>(console.window());
    Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
    testing::fillBlocks(frame, 4);
    ASSERT_EQ(frame.copy(console.primary(), 0), 1);
    Presentation visible;
    ASSERT_EQ(console.lastPresentation(&visible), 1);

    ShowWindow(window, SW_MINIMIZE);
    testing::settle(window);
    ASSERT_TRUE(IsIconic(window));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(console.waitRetrace(), 1);
        EXPECT_EQ(frame.copy(console.primary(), 0), 1);
    }
    Presentation hidden;
    ASSERT_EQ(console.lastPresentation(&hidden), 1);
    EXPECT_EQ(hidden.time, visible.time);
    EXPECT_EQ(hidden.refresh, visible.refresh);
}

}  // namespace
}  // namespace vxr
