#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "close_later.h"
#include "gdi_test_support.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

int threadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// Kernel handles are multiples of 4: asking each for its flags counts the
// open ones, also under Wine, whose GetProcessHandleCount and GetGuiResources
// report 0.
int handleCount()
{
    int count = 0;
    DWORD flags;
    for (std::uintptr_t value = 4; value < 0x20000; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    return count;
}

// One use of a console: open, a palette where the desktop has one, a frame
// shown and repainted, destruction. Notes the GDI objects made: the palette
// and every DIB section, the frame's and the console's two copies. (The
// window's device context is not made but taken from the window system's
// cache, where it stays valid once given back.)
void useOnce(std::vector<HGDIOBJ>& made)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    if (console.setPalette(Palette())) made.push_back(console.paletteHandle());
    Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
    frame.update();
    InvalidateRect(static_cast<HWND>(console.window()), nullptr, FALSE);
    testing::settle(static_cast<HWND>(console.window()));
    ASSERT_NE(console.shownFrame(), nullptr);
    for (Surface* surface : {&frame, console.shownFrame(), console.nextFrame()})
        made.push_back(*static_cast<HBITMAP*>(surface->store()->nativeHandle()));
}

TEST(GdiConsoleLifecycle, OpeningAndDestroying200TimesLeavesNothingBehind)
{
    std::vector<HGDIOBJ> made;
    useOnce(made);  // what stays loaded for the process is loaded now
    const int threads = threadCount(), handles = handleCount();
    ASSERT_GT(handles, 0);
    made.clear();
    for (int i = 0; i < 200; ++i) useOnce(made);
    EXPECT_LE(threadCount(), threads);
    EXPECT_LE(handleCount(), handles);
    // Every DIB section and palette made on the way is gone again.
    ASSERT_EQ(made.size(), testing::desktopDepth() == 8 ? 800u : 600u);
    int alive = 0;
    for (HGDIOBJ object : made) alive += GetObjectType(object) != 0;
    EXPECT_EQ(alive, 0);
}

TEST(GdiConsoleLifecycle, ReadKeyWaitsForAKey)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 100, 80));
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> key{-1};
    std::thread reader([&] {
        key = console.readKey();
        SetEvent(done);
    });
    EXPECT_EQ(WaitForSingleObject(done, 300), DWORD{WAIT_TIMEOUT});
    EXPECT_EQ(key.load(), -1);
    PostMessageA(static_cast<HWND>(console.window()), WM_KEYDOWN, VK_SPACE, 0);
    reader.join();
    CloseHandle(done);
    EXPECT_EQ(key.load(), 1);
    EXPECT_EQ(console.keyPressed(), 0);
}

// Frames are made, shown and destroyed one after another while another
// thread keeps the window repainting: the repaints draw the console's copy,
// which outlives every frame.
TEST(GdiConsoleLifecycle, FramesDestroyedUnderRepaintsLeaveTheLastOneShown)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    HWND window = static_cast<HWND>(console.window());
    std::atomic<bool> stop{false};
    std::atomic<int> repaints{0};
    std::thread flood([&] {
        while (!stop) {
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            ++repaints;
        }
    });
    for (int i = 0; i < 300; ++i) {
        auto* frame = new Surface(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
        testing::fillColour(*frame, 0x00FF8000u + std::uint32_t(i));
        EXPECT_EQ(frame->update(), 1);
        delete frame;
    }
    stop = true;
    flood.join();
    EXPECT_GT(repaints.load(), 0);
    InvalidateRect(window, nullptr, FALSE);
    testing::settle(window);
    EXPECT_TRUE(testing::sameAtDepth(0x00FF8000u + 299, testing::readClient(window).at(80, 50),
                                     PixelFormat(RGB565)));
}

// The close box ends the process while its main thread presents in a tight
// loop, converting through the shared tables and palettes: on that thread,
// with code 0, within two seconds, every time. Exit handlers must free
// nothing that thread still uses. Twenty runs on the 32-bit desktop, a few
// on the others, which take the same close path.
TEST(GdiConsoleLifecycle, TheCloseBoxWhilePresentingEndsTheProgramWithCodeZeroEveryTime)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int runs = testing::desktopDepth() == 32 ? 20 : 4;
    for (int run = 0; run < runs; ++run) {
        EXPECT_EXIT(
            {
                GdiConsole console(nullptr);
                if (!console.open(160, 100, PREFER16, -1, -1, -1)) std::exit(3);
                Surface texture(&Console::defaultConsole(), 160, 100, PixelFormat(INDEX8), -1, -1,
                                -1, -1);
                Palette colours;
                texture.setPalette(colours);
                Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
                testing::closeLater(static_cast<HWND>(console.window()), DWORD(5 + 7 * run));
                for (;;) {
                    texture.copy(&frame, 0);
                    frame.update();
                }
            },
            ::testing::ExitedWithCode(0), "")
            << "run " << run;
    }
}

// A program waiting for a key wakes for the close, and its own thread ends
// the process.
TEST(GdiConsoleLifecycle, TheCloseBoxEndsAProgramWaitingInReadKeyWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            GdiConsole console(nullptr);
            if (!console.open(120, 90, PREFER16, -1, -1, -1)) std::exit(3);
            testing::closeLater(static_cast<HWND>(console.window()), 200);
            console.readKey();
            std::exit(4);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vxr
