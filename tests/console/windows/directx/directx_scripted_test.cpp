// The DirectDraw console against a scripted DirectDraw: mode choice,
// refusals, lost surfaces and recovery, with every call it made on record.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "direct_draw_script.h"
#include "scripted_direct_draw.h"
#include "scripted_palette.h"
#include "scripted_surface.h"
#include "vxr/console/windows/direct_draw_entry.h"
#include "vxr/console/windows/directx_console.h"
#include "vxr/console/core/null_console.h"
#include "reason_check.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "window_test_support.h"

namespace vxr {
namespace {

using testing::reasonSays;

using scripted::DirectDrawScript;
using scripted::ScriptedDirectDraw;
using scripted::ScriptedSurface;
using scripted::rgbFormat;
using scripted::script;

const DDPIXELFORMAT R5G6B5 = rgbFormat(16, 0xF800, 0x07E0, 0x001F);
const DDPIXELFORMAT X1R5G5B5 = rgbFormat(16, 0x7C00, 0x03E0, 0x001F);
const DDPIXELFORMAT X8R8G8B8 = rgbFormat(32, 0xFF0000, 0x00FF00, 0x0000FF);
const DDPIXELFORMAT PALETTE8 = [] {
    DDPIXELFORMAT format = rgbFormat(8, 0, 0, 0);
    format.dwFlags |= DDPF_PALETTEINDEXED8;
    return format;
}();

// Listed and settable.
void offer(DWORD width, DWORD height, const DDPIXELFORMAT& format)
{
    script().listed.push_back({width, height, format});
    script().settable.push_back({width, height, format.dwRGBBitCount, false});
}

void accept(DWORD width, DWORD height, DWORD bits)
{
    script().settable.push_back({width, height, bits, false});
}

std::vector<DWORD> depthsAsked()
{
    std::vector<DWORD> depths;
    for (const DirectDrawScript::ModeRequest& request : script().modeRequests)
        depths.push_back(request.bits);
    return depths;
}

ScriptedSurface& scriptedOf(const Surface& surface)
{
    auto** handle = static_cast<IDirectDrawSurface**>(surface.store()->nativeHandle());
    return *static_cast<ScriptedSurface*>(*handle);
}

std::uint16_t patternAt(int x, int y) { return static_cast<std::uint16_t>(x * 7 + y * 1031); }

void fillPattern(Surface& surface)
{
    std::uint8_t* pixels = surface.lock(1);
    ASSERT_NE(pixels, nullptr);
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            const std::uint16_t value = patternAt(x, y);
            std::memcpy(pixels + y * surface.pitch() + 2 * x, &value, 2);
        }
    }
    surface.unlock();
}

// Compares the scripted memory directly, so no lock is needed to look.
bool holdsPattern(const ScriptedSurface& target, int width, int height)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint16_t value;
            std::memcpy(&value, target.pixels.data() + y * target.pitch + 2 * x, 2);
            if (value != patternAt(x, y)) return false;
        }
    }
    return true;
}

class ScriptedDirectXTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        script() = DirectDrawScript{};
        DirectDrawEntry::substitute(ScriptedDirectDraw::create);
    }
    void TearDown() override
    {
        DirectDrawEntry::substitute(nullptr);
        EXPECT_EQ(script().liveObjects, 0);
        EXPECT_EQ(script().liveSurfaces, 0);
        EXPECT_FALSE(script().objectReleasedBeforeItsSurfaces);
    }
};

TEST_F(ScriptedDirectXTest, PreferSixteenTakesSixteenBitsFirstAndThirtyTwoWhenOnlyThatIsOffered)
{
    offer(320, 200, R5G6B5);
    offer(320, 200, X8R8G8B8);
    {
        DirectXConsole console(nullptr);
        ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
        EXPECT_EQ(depthsAsked(), std::vector<DWORD>{16});
        EXPECT_TRUE(script().modeRequests[0].throughSecondInterface);
        EXPECT_EQ(console.format(), PixelFormat(RGB565));
    }
    script() = DirectDrawScript{};
    offer(320, 200, X8R8G8B8);
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(depthsAsked(), (std::vector<DWORD>{16, 32}));
    EXPECT_EQ(console.format(), PixelFormat(ARGB8888));
    EXPECT_EQ(console.bits(), 32);
}

TEST_F(ScriptedDirectXTest, EachRequestTriesItsDepthsInOrder)
{
    struct Case {
        int request;
        DWORD settable;
        std::vector<DWORD> tried;
    };
    // Only the last depth of each order is settable, so all are tried.
    const Case cases[] = {{PREFER8, 16, {8, 32, 24, 16}},
                          {INDEXED, 16, {8, 32, 24, 16}},
                          {PREFER16, 24, {16, 32, 24}},
                          {PREFER32, 16, {32, 24, 16}},
                          {DIRECT, 16, {32, 24, 16}},
                          {24, 24, {24}}};
    for (const Case& c : cases) {
        script() = DirectDrawScript{};
        accept(400, 300, c.settable);
        DirectXConsole console(nullptr);
        EXPECT_EQ(console.open(400, 300, c.request, -1, -1, -1), 1) << c.request;
        EXPECT_EQ(depthsAsked(), c.tried) << c.request;
        EXPECT_EQ(console.bits(), static_cast<int>(c.settable)) << c.request;
    }
    // A mode no depth of the request can have says what was refused last.
    script() = DirectDrawScript{};
    accept(400, 300, 8);
    DirectXConsole console(nullptr);
    EXPECT_EQ(console.open(400, 300, PREFER16, -1, -1, -1), 0);
    EXPECT_TRUE(reasonSays("SetDisplayMode(400 x 300, 24 bits) failed: DDERR_INVALIDMODE"));
    EXPECT_EQ(console.open(400, 300, PREFER16, WINDOWED, -1, -1), 0);
    EXPECT_TRUE(reasonSays("whole screen only"));
}

TEST_F(ScriptedDirectXTest, NoModeOfTheSizeFailsWithoutTouchingTheDisplay)
{
    offer(640, 480, X1R5G5B5);
    offer(640, 480, X8R8G8B8);
    DirectXConsole console(nullptr);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 0);
    EXPECT_TRUE(reasonSays("lists no 320 x 200 mode"));
    // 640 x 480 is listed, but not in RGB565.
    EXPECT_EQ(console.open(640, 480, RGB565, -1, -1, -1), 0);
    EXPECT_TRUE(reasonSays("no 640 x 480 mode in that 16-bit format"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(script().levelRequests.empty());
    EXPECT_TRUE(script().modeRequests.empty());
    EXPECT_EQ(script().restoreDisplayCalls, 0);
    EXPECT_EQ(script().surfacesCreated, 0);
    EXPECT_EQ(console.window(), nullptr);
    EXPECT_EQ(console.primary(), nullptr);
}

TEST_F(ScriptedDirectXTest, ExactFormatThatTheDisplayDoesNotTakeIsAReasonNotOutput)
{
    script().offersSecondInterface = false;  // nothing listed: the request is tried
    script().sixteenBitsAreFiveFiveFive = true;
    accept(640, 480, 16);
    {
        DirectXConsole console(nullptr);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(console.open(640, 480, RGB565, -1, -1, -1), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_TRUE(reasonSays("took 16 bits per pixel in another format"));
        EXPECT_EQ(console.window(), nullptr);
        EXPECT_EQ(console.primary(), nullptr);
        EXPECT_GT(script().restoreDisplayCalls, 0);
        EXPECT_EQ(script().levelRequests.back().flags, static_cast<DWORD>(DDSCL_NORMAL));
    }
    // The same display taken exactly as it is.
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.openFormat(640, 480, PixelFormat(ARGB1555), -1, -1, -1), 1);
    EXPECT_EQ(console.format(), PixelFormat(ARGB1555));
}

TEST_F(ScriptedDirectXTest, WithoutTheSecondInterfaceNothingIsListedAndEverythingIsTried)
{
    script().offersSecondInterface = false;
    script().listed.push_back({320, 200, R5G6B5});  // never asked for
    accept(123, 45, 24);
    DirectXConsole console(nullptr);
    std::vector<ConsoleMode> listed;
    console.modes(listed);
    EXPECT_TRUE(listed.empty());
    ASSERT_EQ(console.open(123, 45, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(depthsAsked(), (std::vector<DWORD>{16, 32, 24}));
    for (const DirectDrawScript::ModeRequest& request : script().modeRequests)
        EXPECT_FALSE(request.throughSecondInterface);
    EXPECT_EQ(console.format(), PixelFormat(RGB888));
    EXPECT_EQ(console.width(), 123);
    EXPECT_EQ(console.primary()->width(), 123);
}

TEST_F(ScriptedDirectXTest, ListedModesCarryTheirFormatsAndOpenAgain)
{
    offer(320, 200, PALETTE8);
    offer(320, 200, X1R5G5B5);
    offer(640, 480, X8R8G8B8);
    DirectXConsole console(nullptr);
    std::vector<ConsoleMode> listed;
    ASSERT_EQ(console.modes(listed), 1);
    // Every mode at the default rate and variant, over the whole screen.
    ASSERT_TRUE(testing::sameModes(
        listed, {{"DirectX", 320, 200, PixelFormat(INDEX8), FULLSCREEN, 0, VARIANT_DEFAULT},
                 {"DirectX", 320, 200, PixelFormat(ARGB1555), FULLSCREEN, 0, VARIANT_DEFAULT},
                 {"DirectX", 640, 480, PixelFormat(ARGB8888), FULLSCREEN, 0, VARIANT_DEFAULT}}));

    ConsoleMode foreign = listed[2];
    std::strcpy(foreign.driver, "GDI");
    EXPECT_EQ(console.openMode(foreign), 0);
    EXPECT_TRUE(script().modeRequests.empty());
    ASSERT_EQ(console.openMode(listed[1]), 1);
    const ConsoleMode current = console.mode();
    EXPECT_EQ(current.format, PixelFormat(ARGB1555));
    EXPECT_EQ(current.width, 320);
    EXPECT_EQ(current.output, FULLSCREEN);
}

TEST_F(ScriptedDirectXTest, AWindowAlreadySetIsOvercomeWithAFreshDirectDrawOnTheSameWindow)
{
    offer(320, 200, R5G6B5);
    script().exclusiveResults = {DDERR_HWNDALREADYSET};
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(script().objectsCreated, 2);
    EXPECT_EQ(script().liveObjects, 1);

    std::vector<DirectDrawScript::LevelRequest> exclusive;
    for (const DirectDrawScript::LevelRequest& request : script().levelRequests)
        if (request.flags == static_cast<DWORD>(DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN))
            exclusive.push_back(request);
    ASSERT_EQ(exclusive.size(), 2u);
    EXPECT_EQ(exclusive[0].window, exclusive[1].window);
    EXPECT_TRUE(exclusive[1].windowExisted);
    EXPECT_EQ(console.window(), exclusive[1].window);
    EXPECT_TRUE(IsWindow(static_cast<HWND>(console.window())));
    ASSERT_NE(console.primary(), nullptr);
    EXPECT_EQ(console.primary()->format(), PixelFormat(RGB565));
}

TEST_F(ScriptedDirectXTest, AWindowSetTwiceFailsTheOpenAndClosesEverything)
{
    offer(320, 200, R5G6B5);
    script().exclusiveResults = {DDERR_HWNDALREADYSET, DDERR_HWNDALREADYSET};
    DirectXConsole console(nullptr);
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 0);
    EXPECT_TRUE(reasonSays("SetCooperativeLevel"));
    EXPECT_TRUE(reasonSays("DDERR_HWNDALREADYSET"));
    EXPECT_TRUE(script().modeRequests.empty());
    EXPECT_EQ(console.window(), nullptr);
    EXPECT_EQ(console.primary(), nullptr);
    EXPECT_EQ(console.format(), PixelFormat());
}

TEST_F(ScriptedDirectXTest, ALostScreenIsRestoredByTheNextLockOrTheFrameIsSkipped)
{
    offer(320, 200, R5G6B5);
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    Surface frame(&console, 320, 200, PixelFormat(RGB565), -1, -1, -1, -1);
    fillPattern(frame);
    ScriptedSurface& screen = scriptedOf(*console.primary());

    screen.lost = true;
    screen.restoreResult = DDERR_GENERIC;
    EXPECT_EQ(console.primary()->isValid(), 0);
    EXPECT_EQ(frame.update(), 0);
    EXPECT_GT(screen.restoreCalls, 0);
    EXPECT_FALSE(screen.locked);
    EXPECT_FALSE(holdsPattern(screen, 320, 200));

    screen.restoreResult = DD_OK;
    EXPECT_EQ(frame.update(), 1);
    EXPECT_FALSE(screen.lost);
    EXPECT_FALSE(screen.locked);
    EXPECT_TRUE(holdsPattern(screen, 320, 200));
}

TEST_F(ScriptedDirectXTest, NestedLocksTakeOneDirectDrawLock)
{
    offer(320, 200, R5G6B5);
    DirectXConsole console(nullptr);
    Surface surface(&console, 16, 8, PixelFormat(RGB565), -1, -1, -1, -1);
    ASSERT_EQ(surface.backing(), BACKING_DIRECTX);
    ScriptedSurface& held = scriptedOf(surface);
    const int locksBefore = held.lockCalls;

    std::uint8_t* first = surface.lock(1);
    std::uint8_t* second = surface.lock(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(held.lockCalls, locksBefore + 1);
    EXPECT_EQ(surface.store()->lockCount(), 2);
    surface.unlock();
    EXPECT_TRUE(held.locked);
    EXPECT_EQ(surface.store()->lockCount(), 1);
    surface.unlock();
    EXPECT_FALSE(held.locked);
    EXPECT_EQ(surface.store()->lockCount(), 0);

    // A surface lost between two locks fails the inner one and drops the count.
    ASSERT_NE(surface.lock(1), nullptr);
    held.lost = true;
    EXPECT_EQ(surface.lock(1), nullptr);
    EXPECT_EQ(surface.store()->lockCount(), 0);
}

TEST_F(ScriptedDirectXTest, SurfacesLiveInSystemMemoryInTheirOwnFormatOrFallBackToMemory)
{
    DirectXConsole console(nullptr);
    Surface held(&console, 100, 3, PixelFormat(RGB565), -1, -1, -1, -1);
    ASSERT_EQ(held.backing(), BACKING_DIRECTX);
    const DDSURFACEDESC& asked = script().lastDescription;
    EXPECT_EQ(asked.ddsCaps.dwCaps, static_cast<DWORD>(DDSCAPS_SYSTEMMEMORY));
    EXPECT_EQ(asked.ddpfPixelFormat.dwRBitMask, 0xF800u);
    EXPECT_EQ(asked.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_EQ(held.linePadding(), 12);
    EXPECT_EQ(held.pitch(), 212);
    EXPECT_EQ(held.memoryKind(), MEMORY_SYSTEM);
    const ScriptedSurface& memory = scriptedOf(held);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_EQ(memory.pixels[y * 212 + x], 0) << x << "," << y;

    Surface indexed(&console, 8, 8, PixelFormat(INDEX8), -1, -1, -1, -1);
    EXPECT_EQ(indexed.backing(), BACKING_DIRECTX);
    EXPECT_EQ(script().lastDescription.ddpfPixelFormat.dwFlags,
              static_cast<DWORD>(DDPF_RGB | DDPF_PALETTEINDEXED8));

    Surface padded(&console, 100, 3, PixelFormat(RGB565), -1, -1, 0, -1);
    EXPECT_EQ(padded.backing(), BACKING_NONE);
    EXPECT_EQ(padded.linePadding(), 0);
    Surface upward(&console, 8, 8, PixelFormat(RGB565), -1, BOTTOM_UP, -1, -1);
    EXPECT_EQ(upward.backing(), BACKING_NONE);
    Surface grey(&console, 8, 8, PixelFormat(GREY8), -1, -1, -1, -1);
    EXPECT_EQ(grey.backing(), BACKING_NONE);
    Surface display(&console, 8, 8, PixelFormat(RGB565), MEMORY_DISPLAY, -1, -1, -1);
    EXPECT_EQ(display.isValid(), 0);
}

TEST_F(ScriptedDirectXTest, EightBitDisplayPaletteIsCreatedOnceAndReadsBack)
{
    offer(320, 200, PALETTE8);
    offer(320, 200, R5G6B5);
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER8, -1, -1, -1), 1);
    EXPECT_EQ(console.format(), PixelFormat(INDEX8));

    Palette colours;
    std::uint32_t* entries = colours.lock();
    for (std::uint32_t i = 0; i < 256; ++i)
        entries[i] = 0xFF000000u | i << 16 | (255 - i) << 8 | i / 2;
    colours.unlock();
    ASSERT_EQ(console.setPalette(colours), 1);
    ASSERT_EQ(console.setPalette(colours), 1);
    EXPECT_EQ(script().palettesCreated, 1);
    EXPECT_EQ(script().lastPaletteFlags, static_cast<DWORD>(DDPCAPS_8BIT | DDPCAPS_ALLOW256));
    const PALETTEENTRY& stored = scriptedOf(*console.primary()).palette->entries[200];
    EXPECT_EQ(stored.peRed, 200);
    EXPECT_EQ(stored.peGreen, 55);
    EXPECT_EQ(stored.peBlue, 100);

    Palette read;
    ASSERT_EQ(console.getPalette(read), 1);
    const std::uint32_t* back = read.lock();
    for (std::uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(back[i] & 0xFFFFFFu, entries[i] & 0xFFFFFFu) << i;
    read.unlock();
    EXPECT_EQ(read.lockCount(), 0);

    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(console.setPalette(colours), 0);
    EXPECT_EQ(console.getPalette(read), 0);
}

TEST_F(ScriptedDirectXTest, ReopeningTakesTheNewModeOnTheSameWindowWithANewScreen)
{
    offer(320, 200, R5G6B5);
    offer(640, 480, X8R8G8B8);
    DirectXConsole console(nullptr);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    HWND window = static_cast<HWND>(console.window());

    ASSERT_EQ(console.open(640, 480, PREFER32, -1, 60, -1), 1);
    EXPECT_EQ(console.window(), window);
    EXPECT_EQ(console.width(), 640);
    EXPECT_EQ(console.height(), 480);
    EXPECT_EQ(console.format(), PixelFormat(ARGB8888));
    EXPECT_EQ(console.parameter(), 60);
    Surface* screen = console.primary();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->width(), 640);
    EXPECT_EQ(screen->format(), PixelFormat(ARGB8888));
    EXPECT_EQ(scriptedOf(*screen).width, 640u);
    for (const DirectDrawScript::LevelRequest& request : script().levelRequests) {
        if (request.flags & DDSCL_EXCLUSIVE) {
            EXPECT_EQ(request.window, window);
        }
    }

    // A request the console cannot take leaves it as it is.
    const std::size_t modesBefore = script().modeRequests.size();
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, 11), 0);
    EXPECT_EQ(console.open(320, 200, PREFER16, WINDOWED, -1, -1), 0);
    EXPECT_EQ(script().modeRequests.size(), modesBefore);
    EXPECT_EQ(console.primary(), screen);
    EXPECT_EQ(console.width(), 640);
}

TEST_F(ScriptedDirectXTest, DestructionRestoresTheDisplayAndEmptiesItsSurfacesFirst)
{
    offer(320, 200, R5G6B5);
    Surface frame;
    {
        DirectXConsole console(nullptr);
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
        ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
        const PixelFormat screenFormat = console.format();
        ASSERT_EQ(frame.create(&console, 320, 200, &screenFormat, -1, -1, -1, -1), 1);
        EXPECT_EQ(console.waitRetrace(), 1);
        EXPECT_EQ(script().retraceWaits, 1);
    }
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_GT(script().restoreDisplayCalls, 0);
    EXPECT_EQ(script().levelRequests.back().window, nullptr);
    EXPECT_EQ(script().levelRequests.back().flags, static_cast<DWORD>(DDSCL_NORMAL));
    EXPECT_EQ(frame.isValid(), 0);
    EXPECT_EQ(frame.console(), &NullConsole::forSurfaces());
}

TEST_F(ScriptedDirectXTest, AFailingDirectDrawLeavesTheConsoleUnusableAndThePriorityAlone)
{
    script().createResult = DDERR_NODIRECTDRAWSUPPORT;
    DirectXConsole console(nullptr);
    EXPECT_EQ(console.ok(), 0);
    EXPECT_TRUE(reasonSays("DirectDrawCreate could not make a DirectDraw object: "
                           "DDERR_NODIRECTDRAWSUPPORT"));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 0);
    EXPECT_EQ(console.waitRetrace(), 0);
    Surface plain(&console, 4, 4, PixelFormat(RGB565), -1, -1, -1, -1);
    EXPECT_EQ(plain.backing(), BACKING_NONE);
}

}  // namespace
}  // namespace vxr
