#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "gdi_test_support.h"
#include "vxr/console/gdi/gdi_console.h"
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
// shown and repainted, destruction. Notes the GDI objects made.
void useOnce(std::vector<HGDIOBJ>& made)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    if (console.setPalette(Palette())) made.push_back(console.paletteHandle());
    Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
    frame.update();
    InvalidateRect(static_cast<HWND>(console.window()), nullptr, FALSE);
    testing::settle(static_cast<HWND>(console.window()));
    for (Surface* surface : {&frame, console.staging()})
        made.push_back(*static_cast<HBITMAP*>(surface->store()->nativeHandle()));
}

TEST(GdiConsoleLifecycle, OpeningAndDestroying200TimesLeavesNothingBehind)
{
    std::vector<HGDIOBJ> made;
    useOnce(made);  // what stays loaded for the process is loaded now
    const int threads = threadCount(), handles = handleCount();
    const DWORD gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    ASSERT_GT(handles, 0);
    made.clear();
    for (int i = 0; i < 200; ++i) useOnce(made);
    EXPECT_LE(threadCount(), threads);
    EXPECT_LE(handleCount(), handles);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiObjects);
    // Every DIB section and palette made on the way is gone again.
    ASSERT_EQ(made.size(), testing::desktopDepth() == 8 ? 600u : 400u);
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

TEST(GdiConsoleLifecycle, TheCloseBoxEndsTheProcessWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            GdiConsole console(nullptr);
            if (console.open(120, 90, PREFER16, -1, -1, -1))
                // What the close box sends; its default handling asks to close.
                SendMessageA(static_cast<HWND>(console.window()), WM_SYSCOMMAND, SC_CLOSE, 0);
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vxr
