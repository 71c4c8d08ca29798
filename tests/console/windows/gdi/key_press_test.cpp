// A real key press, made by xdotool on the X server the Wine desktop runs
// on, must reach the console's key queue and its events. press_keys.sh runs beside this
// program and keeps pressing until the "done" marker appears.
#include <windows.h>

#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "vxr/console/windows/gdi_console.h"

namespace vxr {
namespace {

void mark(const char* name)
{
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

TEST(GdiConsoleKeys, AKeyPressedOnTheXServerReachesTheQueue)
{
    GdiConsole console(nullptr);
    console.setTitle("vxr key test");
    ASSERT_TRUE(testing::openSettled(console, 200, 120));
    mark("gdi_key_ready");
    // Bounded so that a lost key fails the test instead of hanging it.
    int waited = 0;
    while (!console.keyPressed() && waited < 600) {
        Sleep(100);
        ++waited;
    }
    // The same press arrives as an event naming the key by its place.
    Event event;
    bool spaceSeen = false;
    while (!spaceSeen && console.waitEvent(&event, 10000))
        spaceSeen = event.type == EventType::KeyDown && event.key == Key::Space;
    mark("gdi_key_done");
    EXPECT_TRUE(spaceSeen);
    EXPECT_EQ(event.nativeCode, 0x39u);
    EXPECT_EQ(event.symbol, U' ');
    ASSERT_GE(console.keyPressed(), 1);
    EXPECT_EQ(console.readKey(), 1);
}

}  // namespace
}  // namespace vxr
