#include "vxr/console/windows/gdi_console.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gdi_test_support.h"
#include "reason_check.h"
#include "vxr/surface/surface.h"
#include "window_test_support.h"

namespace vxr {
namespace {

PixelFormat desktopFormat()
{
    const int depth = testing::desktopDepth();
    return PixelFormat(depth == 8 ? INDEX8 : depth == 16 ? RGB565 : ARGB8888);
}

TEST(GdiConsole, OffersTheDesktopAsItsOneWindowedMode)
{
    GdiConsole console(nullptr);
    EXPECT_EQ(console.ok(), 1);
    EXPECT_EQ(console.format(), desktopFormat());
    EXPECT_EQ(console.bits(), desktopFormat().bits);
    char name[8] = {};
    EXPECT_EQ(console.name(name), 4);
    EXPECT_STREQ(name, "GDI");
    // The desktop's own rate, with 0 and 1 (the device's default) as 0.
    HDC screen = GetDC(nullptr);
    const int refresh = GetDeviceCaps(screen, VREFRESH);
    ReleaseDC(nullptr, screen);
    std::vector<ConsoleMode> modes;
    EXPECT_EQ(console.modes(modes), 1);
    EXPECT_TRUE(testing::sameModes(
        modes, {{"GDI", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 desktopFormat(), WINDOWED, refresh <= 1 ? 0 : refresh, VARIANT_DEFAULT}}));
}

TEST(GdiConsole, OpensAFramedWindowAroundTheRequestedClientSize)
{
    GdiConsole console(nullptr);
    console.setTitle("vxr gdi");
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    HWND window = static_cast<HWND>(console.window());
    char text[32] = {};
    GetClassNameA(window, text, sizeof text);
    EXPECT_STREQ(text, "VXR_GDI_WINDOWED");
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "vxr gdi");
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, LONG{WS_OVERLAPPEDWINDOW});
    EXPECT_TRUE(IsWindowVisible(window));
    // The project's icon is linked into this program and given to the class.
    EXPECT_NE(GetClassLongPtrA(window, GCLP_HICON), 0);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 320 + 2 * GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(outer.bottom - outer.top,
              200 + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME));

    const ConsoleMode current = console.mode();
    EXPECT_EQ(current.width, 320);
    EXPECT_EQ(current.height, 200);
    EXPECT_EQ(current.format, desktopFormat());
    EXPECT_EQ(current.output, WINDOWED);
    EXPECT_EQ(current.parameter, 0);
    EXPECT_EQ(current.variant, VARIANT_DEFAULT);
    for (Surface* screen : {console.primary(), console.nextFrame()}) {
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->isValid(), 1);
        EXPECT_EQ(screen->width(), 320);
        EXPECT_EQ(screen->format(), desktopFormat());
    }
    EXPECT_EQ(console.primary()->memoryKind(), MEMORY_DISPLAY);
    EXPECT_EQ(console.primary()->lock(1), nullptr);  // the window's pixels are out of reach
    EXPECT_EQ(console.nextFrame()->backing(), BACKING_DIB);
}

TEST(GdiConsole, OpensOnlyTheDesktopFormatWindowed)
{
    const PixelFormat desktop = desktopFormat();
    GdiConsole console(nullptr);
    EXPECT_EQ(console.open(64, 48, desktop.id == ARGB8888 ? RGB565 : ARGB8888, -1, -1, -1), 0);
    EXPECT_EQ(console.open(64, 48, desktop.bits == 16 ? 32 : 16, -1, -1, -1), 0);
    EXPECT_EQ(console.open(64, 48, desktop.id, FULLSCREEN, -1, -1), 0);
    EXPECT_EQ(console.open(64, 48, desktop.id, 42, -1, -1), 0);
    EXPECT_EQ(console.open(64, 48, desktop.id, -1, 60, -1), 0);
    EXPECT_EQ(console.open(64, 48, desktop.id, -1, -1, 11), 0);
    EXPECT_EQ(console.window(), nullptr);

    EXPECT_EQ(console.open(64, 48, desktop.id, -1, 0, 10), 1);
    EXPECT_EQ(console.open(64, 48, desktop.bits, WINDOWED, -1, -1), 1);
    for (int preference : {PREFER8, PREFER16, PREFER32, 1225, 1226})
        EXPECT_EQ(console.open(64, 48, preference, -1, -1, -1), 1) << preference;
    // A refused request leaves the open window as it is.
    HWND window = static_cast<HWND>(console.window());
    EXPECT_EQ(console.open(64, 48, desktop.id, FULLSCREEN, -1, -1), 0);
    EXPECT_EQ(console.window(), window);

    ConsoleMode mode = console.mode();
    mode.width = 100;
    EXPECT_EQ(console.openMode(mode), 1);
    EXPECT_EQ(console.width(), 100);
    std::strcpy(mode.driver, "DirectX");
    EXPECT_EQ(console.openMode(mode), 0);
}

TEST(GdiConsole, ReopeningResizesAWindowThatFitsAndReplacesOneThatDoesNot)
{
    const std::size_t pairsBefore = GdiConsole::registry().size();
    HWND second;
    {
        GdiConsole console(nullptr);
        ASSERT_EQ(console.open(200, 120, PREFER16, -1, -1, -1), 1);
        HWND first = static_cast<HWND>(console.window());
        ASSERT_EQ(console.open(240, 150, PREFER16, -1, -1, -1), 1);
        EXPECT_EQ(console.window(), first);
        RECT client{};
        GetClientRect(first, &client);
        EXPECT_EQ(client.right, 240);
        EXPECT_EQ(client.bottom, 150);
        EXPECT_EQ(console.primary()->width(), 240);
        EXPECT_EQ(console.nextFrame()->height(), 150);
        EXPECT_EQ(GdiConsole::registry().size(), pairsBefore + 1);

        // Wider than the desktop, so it cannot fit wherever the window stands.
        ASSERT_EQ(console.open(GetSystemMetrics(SM_CXSCREEN) + 10, 100, PREFER16, -1, -1, -1), 1);
        second = static_cast<HWND>(console.window());
        EXPECT_NE(second, first);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_EQ(GdiConsole::findConsole(GdiConsole::registry(), first), nullptr);
        EXPECT_EQ(GdiConsole::findConsole(GdiConsole::registry(), second), &console);
    }
    // No pair outlives its console.
    EXPECT_EQ(GdiConsole::registry().size(), pairsBefore);
    EXPECT_FALSE(IsWindow(second));
}

TEST(GdiConsole, PalettesBelongToThe8BitDesktopOnly)
{
    GdiConsole console(nullptr);
    ASSERT_EQ(console.open(64, 48, PREFER8, -1, -1, -1), 1);
    Palette colours;
    std::uint32_t* entries = colours.lock();
    for (int i = 0; i < 256; ++i) entries[i] = std::uint32_t(i) * 0x010203u;
    entries[7] = 0xFF8000;
    colours.unlock();
    Palette back;
    if (testing::desktopDepth() != 8) {
        EXPECT_EQ(console.setPalette(colours), 0);
        EXPECT_EQ(console.getPalette(back), 0);
        EXPECT_EQ(console.paletteHandle(), nullptr);
        return;
    }
    EXPECT_EQ(console.setPalette(colours), 1);
    const GdiConsole::LogicalPalette* logical = console.logicalPalette();
    ASSERT_NE(logical, nullptr);
    EXPECT_EQ(logical->version, 0x300);
    EXPECT_EQ(logical->entryCount, 256);
    const PALETTEENTRY& orange = logical->entries[7];
    EXPECT_EQ(orange.peRed + (orange.peGreen << 8) + (orange.peBlue << 16) + (orange.peFlags << 24),
              0x0080FF);
    EXPECT_EQ(logical->entries[2].peBlue, 6);
    PALETTEENTRY entry{};
    ASSERT_EQ(GetPaletteEntries(console.paletteHandle(), 7, 1, &entry), 1u);
    EXPECT_EQ(entry.peGreen, 128);
    EXPECT_EQ(console.getPalette(back), 1);
    EXPECT_EQ(back.lock()[7], 0xFF8000u);
    back.unlock();
}

// Every open or call the console refuses says why, in words a user can act
// on.
TEST(GdiConsole, EveryRefusalGivesAReason)
{
    using testing::reasonSays;
    GdiConsole console(nullptr);
    EXPECT_EQ(console.open(40000, 40000, PREFER16, -1, -1, -1), 0);
    EXPECT_TRUE(reasonSays("no window is 40000 x 40000 pixels"));
    EXPECT_EQ(console.open(0, 48, PREFER16, -1, -1, -1), 0);
    EXPECT_TRUE(reasonSays("no window is 0 x 48 pixels"));
    EXPECT_EQ(console.open(64, 48, PREFER16, FULLSCREEN, -1, -1), 0);
    EXPECT_TRUE(reasonSays("GDI opens in a window"));
    const PixelFormat other(desktopFormat().id == ARGB8888 ? RGB565 : ARGB8888);
    EXPECT_EQ(console.openFormat(64, 48, other, -1, -1, -1), 0);
    EXPECT_TRUE(reasonSays("only in the desktop's own format"));
    EXPECT_EQ(console.setOutput(FULLSCREEN), 0);
    EXPECT_TRUE(reasonSays("no window"));
    EXPECT_EQ(console.setPointerVisible(0), 0);
    EXPECT_TRUE(reasonSays("no window is open"));

    ASSERT_EQ(console.open(64, 48, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(console.setOutput(7), 0);
    EXPECT_TRUE(reasonSays("WINDOWED or FULLSCREEN"));
    if (testing::desktopDepth() != 8) {
        EXPECT_EQ(console.setPalette(Palette()), 0);
        EXPECT_TRUE(reasonSays("direct colour: it has no palette to set"));
        Surface indexed(&console, 64, 48, PixelFormat(INDEX8), -1, -1, -1, -1);
        EXPECT_EQ(indexed.update(), 0);
        EXPECT_TRUE(reasonSays("without a palette has no colours"));
    } else {
        Surface indexed(&console, 64, 48, PixelFormat(INDEX8), -1, -1, -1, -1);
        EXPECT_EQ(indexed.update(), 0);
        EXPECT_TRUE(reasonSays("no palette yet"));
    }
}

LRESULT CALLBACK plainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(GdiConsole, AGivenWindowIsDrawnIntoAtItsSizeAndNeverOpened)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = plainProcedure;
    windowClass.lpszClassName = "VXR_GDI_TEST_GIVEN";
    RegisterClassA(&windowClass);
    HWND given = CreateWindowA("VXR_GDI_TEST_GIVEN", "", WS_POPUP | WS_VISIBLE, 0, 0, 96, 64,
                               nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(given, nullptr);
    {
        GdiConsole console(given);
        EXPECT_EQ(console.ok(), 1);
        ASSERT_NE(console.primary(), nullptr);
        EXPECT_EQ(console.primary()->width(), 96);
        EXPECT_EQ(console.nextFrame()->height(), 64);
        EXPECT_EQ(console.open(96, 64, PREFER16, -1, -1, -1), 0);
        EXPECT_TRUE(testing::reasonSays("drawn into as it is, never opened"));
        Surface frame(&console, 96, 64, PixelFormat(RGB565), -1, -1, -1, -1);
        testing::fillColour(frame, 0xFF0000);
        EXPECT_EQ(frame.update(), 1);
        EXPECT_TRUE(testing::sameAtDepth(0xFF0000, testing::readClient(given).at(48, 32),
                                         frame.format()));
    }
    EXPECT_TRUE(IsWindow(given));
    DestroyWindow(given);
}

}  // namespace
}  // namespace vxr
