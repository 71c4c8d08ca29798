// The DirectDraw console against Wine's own DirectDraw, inside a virtual
// desktop where display modes can really change.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "vxr/console/windows/directx_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/window/window.h"

namespace vxr {
namespace {

struct DesktopState {
    int width;
    int height;
    int bits;
    bool operator==(const DesktopState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const DesktopState& state)
{
    return out << state.width << "x" << state.height << "x" << state.bits;
}

DesktopState desktop()
{
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), bits};
}

// The refresh rate the display mode reports, 60 where it reports none.
double desktopRefreshRate()
{
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) || mode.dmDisplayFrequency <= 1)
        return 60.0;
    return static_cast<double>(mode.dmDisplayFrequency);
}

DWORD priority() { return GetPriorityClass(GetCurrentProcess()); }

std::uint16_t patternAt(int x, int y) { return static_cast<std::uint16_t>(x * 7 + y * 1031); }

// A pixel's value at (x, y), of the one or two bytes the surface's pixels take.
using PixelRule = std::function<std::uint32_t(int x, int y)>;

// Writes every pixel of the frame as the rule gives it; false where the
// frame cannot be locked.
bool fillPixels(Surface& frame, const PixelRule& value)
{
    std::uint8_t* pixels = frame.lock(1);
    if (!pixels) return false;
    const int bytes = frame.format().bytes;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const std::uint32_t pixel = value(x, y);
            std::uint8_t* at = pixels + std::int64_t{y} * frame.pitch() + std::int64_t{x} * bytes;
            for (int byte = 0; byte < bytes; ++byte)
                at[byte] = static_cast<std::uint8_t>(pixel >> (8 * byte));
        }
    frame.unlock();
    return true;
}

// Pixels of the screen's width x height corner that differ from the rule;
// -1 where the screen cannot be locked.
int wrongPixels(Surface& screen, int width, int height, const PixelRule& expected)
{
    std::uint8_t* pixels = screen.lock(1);
    if (!pixels) return -1;
    const int bytes = screen.format().bytes;
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* at =
                pixels + std::int64_t{y} * screen.pitch() + std::int64_t{x} * bytes;
            std::uint32_t shown = 0;
            for (int byte = 0; byte < bytes; ++byte) shown |= std::uint32_t{at[byte]} << (8 * byte);
            wrong += shown != expected(x, y);
        }
    screen.unlock();
    return wrong;
}

bool allZero(Surface& surface)
{
    std::uint8_t* pixels = surface.lock(1);
    if (!pixels) return false;
    bool zero = true;
    const int lineBytes = surface.width() * surface.format().bytes;
    for (int y = 0; y < surface.height() && zero; ++y)
        for (int i = 0; i < lineBytes && zero; ++i) zero = pixels[y * surface.pitch() + i] == 0;
    surface.unlock();
    return zero;
}

TEST(WineDirectX, PreferSixteenGivesAnRgb565ScreenThatReportsItself)
{
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.ok(), 1);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(desktop(), (DesktopState{320, 200, 16}));
    EXPECT_EQ(console.format(), PixelFormat(RGB565));
    EXPECT_EQ(console.bits(), 16);
    EXPECT_EQ(console.bytes(), 2);
    EXPECT_EQ(console.output(), FULLSCREEN);
    EXPECT_EQ(console.parameter(), 0);
    EXPECT_EQ(console.variant(), 10);
    EXPECT_EQ(console.consoleId(), CONSOLE_ID_DIRECTX);
    const ConsoleMode current = console.mode();
    EXPECT_STREQ(current.driver, "DirectX");
    EXPECT_EQ(current.width, 320);
    EXPECT_EQ(current.height, 200);
    EXPECT_EQ(current.format, PixelFormat(RGB565));
    EXPECT_EQ(current.output, FULLSCREEN);
    EXPECT_EQ(current.parameter, 0);
    EXPECT_EQ(current.variant, 10);

    Surface* screen = console.primary();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->width(), 320);
    EXPECT_EQ(screen->format(), PixelFormat(RGB565));
    EXPECT_EQ(screen->backing(), BACKING_DIRECTX);
    EXPECT_EQ(screen->memoryKind(), MEMORY_DISPLAY);
    EXPECT_TRUE(allZero(*screen));
    EXPECT_EQ(console.waitRetrace(), 1);
    // Keys reach the console through the full-screen window's procedure.
    SendMessageA(static_cast<HWND>(console.window()), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(console.keyPressed(), 1);
    EXPECT_EQ(console.readKey(), 1);
    Palette colours;
    EXPECT_EQ(console.setPalette(colours), 0);
    EXPECT_EQ(console.getPalette(colours), 0);
}

TEST(WineDirectX, FramesCopiedToTheScreenReadBackExactly)
{
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    Surface* screen = console.primary();
    ASSERT_NE(screen, nullptr);

    Surface frame(&console, 320, 200, PixelFormat(RGB565), -1, -1, -1, -1);
    ASSERT_EQ(frame.backing(), BACKING_DIRECTX);
    ASSERT_TRUE(fillPixels(frame, patternAt));
    ASSERT_EQ(frame.update(), 1);
    // The frame is in the display's memory: it is seen from the next
    // refresh, on the grid of the display mode's rate.
    Presentation shown;
    ASSERT_EQ(console.lastPresentation(&shown), 1);
    const double interval = 1e9 / desktopRefreshRate();
    EXPECT_NEAR(static_cast<double>(shown.refreshInterval), interval, interval * 0.01);
    EXPECT_EQ(wrongPixels(*screen, 320, 200, patternAt), 0);

    Surface indexed(&console, 320, 200, PixelFormat(INDEX8), -1, -1, -1, -1);
    Palette colours;
    std::uint32_t* entries = colours.lock();
    for (std::uint32_t i = 0; i < 256; ++i) entries[i] = i << 16 | (i * 3 & 255) << 8 | (255 - i);
    colours.unlock();
    ASSERT_EQ(indexed.setPalette(colours), 1);
    const auto indexAt = [](int x, int y) { return std::uint32_t(x + y) & 255; };
    ASSERT_TRUE(fillPixels(indexed, indexAt));
    ASSERT_EQ(indexed.update(), 1);
    // RGB565 keeps the top 5, 6 and 5 bits of each channel.
    EXPECT_EQ(wrongPixels(*screen, 320, 200,
                          [&](int x, int y) {
                              const std::uint32_t i = indexAt(x, y);
                              return (i >> 3) << 11 | ((i * 3 & 255) >> 2) << 5 | (255 - i) >> 3;
                          }),
              0);
}

TEST(WineDirectX, PreferEightGivesAnIndexedScreenWhosePaletteReadsBack)
{
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER8, -1, -1, -1), 1);
    EXPECT_EQ(console.format(), PixelFormat(INDEX8));
    EXPECT_EQ(desktop().bits, 8);
    Palette colours;
    std::uint32_t* entries = colours.lock();
    for (std::uint32_t i = 0; i < 256; ++i) entries[i] = (255 - i) << 16 | (i ^ 0x5A) << 8 | i;
    colours.unlock();
    ASSERT_EQ(console.setPalette(colours), 1);
    Palette read;
    ASSERT_EQ(console.getPalette(read), 1);
    const std::uint32_t* back = read.lock();
    int wrong = 0;
    for (int i = 0; i < 256; ++i) wrong += (back[i] & 0xFFFFFFu) != (entries[i] & 0xFFFFFFu);
    read.unlock();
    EXPECT_EQ(wrong, 0);
}

TEST(WineDirectX, WindowedAndOtherVariantsFailWhileTheRateIsOnlyReported)
{
    DirectXConsole console(nullptr);
    EXPECT_EQ(console.open(320, 200, PREFER16, WINDOWED, -1, -1), 0);
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, 11), 0);
    EXPECT_EQ(console.window(), nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, 75, -1), 1);
    EXPECT_EQ(console.parameter(), 75);
    EXPECT_EQ(console.mode().parameter, 75);
    EXPECT_EQ(console.output(), FULLSCREEN);
    EXPECT_EQ(console.format(), PixelFormat(RGB565));
    ASSERT_EQ(console.open(320, 200, PREFER16, FULLSCREEN, 0, 10), 1);
    EXPECT_EQ(console.parameter(), 0);
    EXPECT_EQ(console.format(), PixelFormat(RGB565));
}

TEST(WineDirectX, SurfacesTakeDirectDrawsPaddingOrPlainMemory)
{
    DirectXConsole console(nullptr);
    // DirectDraw makes surfaces once a cooperative level is set.
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    Surface held(&console, 101, 7, PixelFormat(RGB565), -1, -1, -1, -1);
    ASSERT_EQ(held.backing(), BACKING_DIRECTX);
    auto* direct = *static_cast<IDirectDrawSurface**>(held.store()->nativeHandle());
    ASSERT_NE(direct, nullptr);
    DDSURFACEDESC description{};
    description.dwSize = sizeof description;
    ASSERT_EQ(direct->GetSurfaceDesc(&description), DD_OK);
    EXPECT_EQ(held.pitch(), description.lPitch);
    EXPECT_EQ(held.linePadding(), description.lPitch - 202);
    EXPECT_TRUE(allZero(held));

    Surface plain(&console, 101, 7, PixelFormat(RGB565), -1, -1, 0, -1);
    EXPECT_EQ(plain.backing(), BACKING_NONE);
    EXPECT_EQ(plain.linePadding(), 0);
    EXPECT_EQ(plain.pitch(), 202);
}

// Wine's desktops at 8 and 16 bits refuse 32-bit modes, so the second mode
// differs in size and depth through an 8-bit one, which every depth takes.
TEST(WineDirectX, ReopeningChangesTheModeAndRebuildsTheScreen)
{
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    HWND window = static_cast<HWND>(console.window());
    ASSERT_EQ(console.open(640, 480, PREFER8, -1, -1, -1), 1);
    EXPECT_EQ(desktop(), (DesktopState{640, 480, 8}));
    EXPECT_EQ(console.window(), window);
    EXPECT_EQ(console.width(), 640);
    EXPECT_EQ(console.format(), PixelFormat(INDEX8));
    Surface* screen = console.primary();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->height(), 480);
    EXPECT_EQ(screen->format(), PixelFormat(INDEX8));
    EXPECT_TRUE(allZero(*screen));

    Surface frame(&console, 640, 480, PixelFormat(INDEX8), -1, -1, -1, -1);
    const auto pattern = [](int x, int y) { return std::uint32_t(x ^ y) & 255; };
    ASSERT_TRUE(fillPixels(frame, pattern));
    ASSERT_EQ(frame.update(), 1);
    EXPECT_EQ(wrongPixels(*screen, 640, 480, pattern), 0);
}

TEST(WineDirectX, DestroyingTheConsoleGivesTheDesktopBack)
{
    const DesktopState before = desktop();
    EXPECT_EQ(priority(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    {
        DirectXConsole console(nullptr);
        EXPECT_EQ(priority(), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
        ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
        EXPECT_NE(desktop(), before);
    }
    EXPECT_EQ(desktop(), before);
    EXPECT_EQ(priority(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
}

// Run only with ddraw.dll switched off (see CMakeLists.txt).
TEST(WineWithoutDirectDraw, TheConsoleIsNotUsableAndLeavesThePriorityAlone)
{
    DirectXConsole console(nullptr);
    EXPECT_EQ(console.ok(), 0);
    EXPECT_EQ(priority(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 0);
    EXPECT_EQ(console.window(), nullptr);
}

// Where no kind of console can open, the window's error names each one's
// reason: DirectDraw is missing, and no window is that large.
TEST(WineWithoutDirectDraw, AWindowThatCannotOpenSaysWhyForEveryKindOfConsole)
{
    Window window({.width = 40000, .height = 40000});
    EXPECT_FALSE(window.isOpen());
    const std::string error = window.error();
    EXPECT_NE(error.find("DirectX: DirectDraw is not there: ddraw.dll could not be loaded"),
              std::string::npos)
        << error;
    EXPECT_NE(error.find("GDI: no window is 40000 x 40000 pixels"), std::string::npos) << error;
}

}  // namespace
}  // namespace vxr
