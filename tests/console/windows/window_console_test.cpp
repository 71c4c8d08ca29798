#include "vxr/console/windows/window_console.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "close_later.h"
#include "reason_check.h"
#include "vxr/console/windows/owned_resource.h"

#include "vxr/surface/surface.h"

namespace vxr {
namespace {

WindowRegistry testRegistry;
const char* const testClass = "VXR_TEST_WINDOWED";

// The smallest display console: it opens a plain window of its own.
class TestConsole : public WindowConsole {
public:
    TestConsole() : WindowConsole(nullptr) {}
    ~TestConsole() override { closeWindow(); }

    int open(int width, int height, const char* className = testClass)
    {
        const int opened =
            createWindow(className, WS_OVERLAPPEDWINDOW, SW_SHOW, width, height, false);
        if (opened) registerWindow(testRegistry, windowHandle, this);
        return opened;
    }
    bool openWindow(int width, int height, int) override { return open(width, height) != 0; }
    using WindowConsole::closeWindow;
};

LRESULT CALLBACK testProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return WindowConsole::handleMessage(WindowConsole::findConsole(testRegistry, window), window,
                                        message, wParam, lParam);
}

class WindowConsoleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = testProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = testClass;
        RegisterClassA(&windowClass);
    }
};

std::string caption(HWND window)
{
    char text[2 * Console::TITLE_CAPACITY] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST_F(WindowConsoleTest, OpensItsWindowOnAThreadOfItsOwn)
{
    TestConsole console;
    EXPECT_EQ(console.ok(), 1);
    EXPECT_EQ(console.ownsWindow(), 1);
    EXPECT_EQ(console.window(), nullptr);
    ASSERT_EQ(console.open(200, 150), 1);
    HWND window = static_cast<HWND>(console.window());
    ASSERT_TRUE(IsWindow(window));
    EXPECT_NE(console.windowDeviceContext(), nullptr);
    EXPECT_EQ(*static_cast<HDC*>(console.handle()), console.windowDeviceContext());
    EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
    EXPECT_EQ(console.consoleId(), CONSOLE_ID_WINDOW);

    console.closeWindow();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(console.window(), nullptr);
    EXPECT_EQ(console.windowDeviceContext(), nullptr);
}

TEST_F(WindowConsoleTest, TitleSetBeforeTheWindowBecomesItsCaption)
{
    TestConsole console;
    char text[32] = "unchanged";
    EXPECT_EQ(console.title(text), 1);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(console.setTitle("early"), 0);
    ASSERT_EQ(console.open(200, 150), 1);
    EXPECT_EQ(caption(static_cast<HWND>(console.window())), "early");
    EXPECT_EQ(console.setTitle("later"), 1);
    EXPECT_EQ(caption(static_cast<HWND>(console.window())), "later");
    EXPECT_EQ(console.title(text), 1);
    EXPECT_STREQ(text, "later");
}

TEST_F(WindowConsoleTest, ALongTitleIsCutToWhatACallerHasRoomFor)
{
    TestConsole console;
    const std::string longTitle(3 * Console::TITLE_CAPACITY, 'x');
    ASSERT_EQ(console.open(200, 150), 1);
    EXPECT_EQ(console.setTitle(longTitle.c_str()), 1);

    // Guard bytes after the documented capacity must survive the copy.
    std::vector<char> buffer(Console::TITLE_CAPACITY + 64, '#');
    EXPECT_EQ(console.title(buffer.data()), 1);
    const std::string kept(buffer.data());
    EXPECT_EQ(kept, longTitle.substr(0, Console::TITLE_CAPACITY - 1));
    for (std::size_t i = Console::TITLE_CAPACITY; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], '#') << "byte " << i;
    EXPECT_EQ(caption(static_cast<HWND>(console.window())), kept);
}

TEST_F(WindowConsoleTest, OpeningAgainEndsTheOldWindowAndThread)
{
    TestConsole console;
    ASSERT_EQ(console.open(200, 150), 1);
    HWND first = static_cast<HWND>(console.window());
    HANDLE firstThread =
        OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(first, nullptr));
    ASSERT_NE(firstThread, nullptr);
    ASSERT_EQ(console.open(300, 200), 1);
    EXPECT_EQ(WaitForSingleObject(firstThread, 0), WAIT_OBJECT_0);
    CloseHandle(firstThread);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(static_cast<HWND>(console.window())));
    EXPECT_EQ(WindowConsole::findConsole(testRegistry, first), nullptr);
}

TEST_F(WindowConsoleTest, KeysArriveInTheQueueOneEntryPerPress)
{
    TestConsole console;
    ASSERT_EQ(console.open(200, 150), 1);
    HWND window = static_cast<HWND>(console.window());
    EXPECT_EQ(console.keyPressed(), 0);
    for (WPARAM key : {WPARAM{'A'}, WPARAM{VK_SPACE}, WPARAM{VK_ESCAPE}})
        SendMessageA(window, WM_KEYDOWN, key, 0);
    EXPECT_EQ(console.keyPressed(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(console.readKey(), 1);
    EXPECT_EQ(console.keyPressed(), 0);
}

// The window thread says it could not make its window and ends; the
// console is closed with the system's reason and opens again as usual.
TEST_F(WindowConsoleTest, AWindowThatCannotBeMadeLeavesTheConsoleClosedWithTheReason)
{
    TestConsole console;
    EXPECT_EQ(console.open(200, 150, "VXR_TEST_NO_SUCH_CLASS"), 0);
    EXPECT_TRUE(testing::reasonSays("CreateWindowEx could not make the window"));
    EXPECT_EQ(console.window(), nullptr);
    EXPECT_EQ(console.windowDeviceContext(), nullptr);

    ASSERT_EQ(console.open(200, 150), 1);
    EXPECT_TRUE(IsWindow(static_cast<HWND>(console.window())));
}

// A reader already waiting is woken by the press, not only one that comes
// after it.
TEST_F(WindowConsoleTest, AWaitingReadKeyWakesForThePress)
{
    TestConsole console;
    ASSERT_EQ(console.open(200, 150), 1);
    HWND window = static_cast<HWND>(console.window());
    std::thread presser([window] {
        Sleep(100);
        PostMessageA(window, WM_KEYDOWN, 'Q', 0);
    });
    EXPECT_EQ(console.readKey(), 1);
    presser.join();
    EXPECT_EQ(console.keyPressed(), 0);
}

TEST_F(WindowConsoleTest, AFullQueueDropsFurtherKeys)
{
    TestConsole console;
    ASSERT_EQ(console.open(200, 150), 1);
    HWND window = static_cast<HWND>(console.window());
    for (int i = 0; i < KeyQueue::CAPACITY + 50; ++i) SendMessageA(window, WM_KEYDOWN, 'K', 0);
    for (int i = 0; i < KeyQueue::CAPACITY - 1; ++i) ASSERT_EQ(console.readKey(), 1) << i;
    EXPECT_EQ(console.keyPressed(), 0);
}

TEST_F(WindowConsoleTest, RepaintWithoutAFrameFillsBlack)
{
    TestConsole console;
    ASSERT_EQ(console.open(200, 150), 1);
    HWND window = static_cast<HWND>(console.window());
    // The first repaint the new window owes must be over before the white
    // fill, or it could land after the black one.
    SendMessageA(window, WM_NULL, 0, 0);
    UpdateWindow(window);
    SendMessageA(window, WM_NULL, 0, 0);
    HDC context = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    FillRect(context, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ASSERT_EQ(GetPixel(context, 10, 10) & 0xFFFFFF, 0xFFFFFFu);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(GetPixel(context, 10, 10) & 0xFFFFFF, 0u);
    ReleaseDC(window, context);
}

TEST_F(WindowConsoleTest, NoRegistryPairOutlivesItsConsole)
{
    std::size_t before = testRegistry.size();
    HWND window;
    {
        TestConsole console;
        ASSERT_EQ(console.open(200, 150), 1);
        window = static_cast<HWND>(console.window());
        EXPECT_EQ(testRegistry.size(), before + 1);
        EXPECT_EQ(WindowConsole::findConsole(testRegistry, window), &console);
    }
    EXPECT_EQ(testRegistry.size(), before);
    EXPECT_EQ(WindowConsole::findConsole(testRegistry, window), nullptr);
}

TEST_F(WindowConsoleTest, FrameSizeIsAddedOnlyToWindowedOutput)
{
    int width = 320, height = 200;
    WindowConsole::addFrameSize(&width, &height, FULLSCREEN);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    WindowConsole::addFrameSize(&width, &height, WINDOWED);
    EXPECT_EQ(width, 320 + 2 * GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(height,
              200 + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME));
}

// Set when the watched window thread enters a move or resize loop.
HANDLE sizeMoveEntered = nullptr;

LRESULT CALLBACK watchSizeMove(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(lParam)->message == WM_ENTERSIZEMOVE)
        SetEvent(sizeMoveEntered);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A move or a resize the user begins runs a modal loop inside the system's
// default handling on the window thread, for as long as the user drags: the
// program's calls meanwhile return, and closing the window ends the loop
// and the thread.
TEST_F(WindowConsoleTest, AMoveOrResizeInProgressStallsNoCallOfTheProgram)
{
    for (WPARAM command : {WPARAM{SC_MOVE}, WPARAM{SC_SIZE}}) {
        TestConsole console;
        ASSERT_EQ(console.open(200, 150), 1);
        HWND window = static_cast<HWND>(console.window());
        OwnedHandle entered(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        sizeMoveEntered = entered.get();
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchSizeMove, nullptr,
                                       GetWindowThreadProcessId(window, nullptr));
        ASSERT_NE(hook, nullptr);
        PostMessageA(window, WM_SYSCOMMAND, command, 0);
        // From the keyboard, a resize waits for an arrow that picks the edge.
        if (command == SC_SIZE) PostMessageA(window, WM_KEYDOWN, VK_LEFT, 0);
        ASSERT_EQ(WaitForSingleObject(entered.get(), 5000), DWORD{WAIT_OBJECT_0}) << command;

        OwnedHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        std::thread program([&] {
            EXPECT_EQ(console.setPointerVisible(0), 1);
            EXPECT_EQ(console.setTitle("moved"), 1);
            console.closeWindow();
            SetEvent(done.get());
        });
        const bool returned = WaitForSingleObject(done.get(), 5000) == WAIT_OBJECT_0;
        EXPECT_TRUE(returned) << command;
        // Escape ends the loop as the user would, so that a stalled call
        // finishes and the test goes on.
        if (!returned) PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        program.join();
        UnhookWindowsHookEx(hook);
        EXPECT_FALSE(IsWindow(window)) << command;
    }
}

TEST_F(WindowConsoleTest, TheCloseBoxEndsTheProcessWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TestConsole console;
            console.open(200, 150);
            testing::closeThenCall(console.window(), [&] { console.keyPressed(); });
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vxr
