// Input through the DirectDraw console's full-screen window, injected with
// SendInput and read back as the library's events.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "close_later.h"
#include "console_input_fixture.h"
#include "input_injection.h"
#include "vxr/surface/surface.h"
#include "vxr/console/windows/directx_console.h"

namespace vxr {
namespace {

constexpr int WIDTH = 320;
constexpr int HEIGHT = 200;

class DirectXInput : public testing::ConsoleInputFixture<DirectXConsole> {
protected:
    void openWindow() override
    {
        ASSERT_EQ(console.ok(), 1);
        ASSERT_EQ(console.open(WIDTH, HEIGHT, PREFER16, -1, -1, -1), 1);
    }

    // The frame is the screen: a screen pixel is the frame pixel.
    POINT clientPoint(int screenX, int screenY)
    {
        POINT point{screenX, screenY};
        ScreenToClient(window, &point);
        return point;
    }
};

TEST_F(DirectXInput, KeysAndTextReachTheFullScreenWindow)
{
    testing::pressKey(VK_SHIFT);
    testing::tapKey('Z');
    testing::releaseKey(VK_SHIFT);
    testing::tapKey(VK_HOME, true);
    testing::typeUnits(u"\u00FC\U0001D11E");

    const Event z = nextKey(EventType::KeyDown, Key::Z);
    EXPECT_TRUE(z.modifiers & MODIFIER_SHIFT);
    EXPECT_EQ(z.symbol, U'z');
    EXPECT_FALSE(z.repeat);
    EXPECT_FALSE(nextKey(EventType::KeyUp, Key::LeftShift).modifiers & MODIFIER_SHIFT);
    EXPECT_EQ(nextKey(EventType::KeyDown, Key::Home).nativeCode, 0xE047u);

    const std::string typed = "\u00FC\U0001D11E";
    std::vector<Event> seen;
    EXPECT_EQ(readText(typed.size(), seen), typed) << testing::describe(seen);

    // Shift, Z and Home, and a key down for each typed UTF-16 unit.
    EXPECT_EQ(readPresses(), 6);
}

// Wine keeps the X pointer where the old mode's screen was, outside the new
// one, and reports it back over every warp: a position injected here does
// not stay put. Positions are posted to the window as the system would
// deliver them; buttons and the wheel still go through SendInput.
TEST_F(DirectXInput, TheScreensCornersAreTheFramesCornersAndButtonsAndTheWheelArrive)
{
    const auto postMove = [&](int x, int y) {
        const POINT client = clientPoint(x, y);
        PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        std::vector<Event> seen;
        const bool found = testing::waitUntil(
            console,
            [&](const Event& e) {
                return e.type == EventType::MouseMove && e.pointer.windowX == client.x &&
                       e.pointer.windowY == client.y;
            },
            seen);
        EXPECT_TRUE(found) << testing::describe(seen);
        return found ? seen.back().pointer : PointerPosition{};
    };
    const PointerPosition origin = postMove(0, 0);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_TRUE(origin.inside);
    const PointerPosition corner = postMove(WIDTH - 1, HEIGHT - 1);
    EXPECT_EQ(corner.x, WIDTH - 1);
    EXPECT_EQ(corner.y, HEIGHT - 1);
    EXPECT_TRUE(corner.inside);
    const PointerPosition past = postMove(WIDTH, HEIGHT - 1);
    EXPECT_EQ(past.x, WIDTH);
    EXPECT_FALSE(past.inside);

    testing::pressButton(BUTTON_RIGHT, true);
    EXPECT_EQ(next(EventType::MouseDown).button, BUTTON_RIGHT);
    testing::pressButton(BUTTON_RIGHT, false);
    EXPECT_EQ(next(EventType::MouseUp).button, BUTTON_RIGHT);
    testing::turnWheel(-WHEEL_DELTA, false);
    EXPECT_FLOAT_EQ(next(EventType::Wheel).wheelY, -1.0f);
}

// The pointer does not stay put on the changed mode's screen (see above),
// so the system's question over the client area is posted as it would come.
TEST_F(DirectXInput, ThePointerStartsHiddenAndShowsWhenAsked)
{
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    const auto overClient = [&] {
        PostMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    };
    overClient();
    EXPECT_EQ(testing::awaitCursor(window, nullptr), nullptr);
    ASSERT_EQ(console.setPointerVisible(1), 1);
    overClient();
    EXPECT_EQ(testing::awaitCursor(window, arrow), arrow);
    ASSERT_EQ(console.setPointerVisible(0), 1);
    overClient();
    EXPECT_EQ(testing::awaitCursor(window, nullptr), nullptr);
}

TEST_F(DirectXInput, WithCloseAsEventAskingToCloseLeavesTheDisplayOpen)
{
    ASSERT_EQ(console.closeAsEvent(1), 1);
    PostMessageA(window, WM_CLOSE, 0, 0);
    next(EventType::Close);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), WIDTH);
}

// The close request ends the process while its main thread copies frames
// into the locked screen in a tight loop: on that thread, with code 0,
// within two seconds. A few runs only: each child process changes the
// display mode and gives it back, which takes Wine seconds; the GDI suite
// runs the same close path twenty times.
TEST(DirectXClose, TheCloseRequestWhilePresentingEndsTheProgramWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int run = 0; run < 3; ++run) {
        EXPECT_EXIT(
            {
                DirectXConsole own(nullptr);
                if (!own.open(WIDTH, HEIGHT, PREFER16, -1, -1, -1)) std::exit(3);
                Surface frame(&Console::defaultConsole(), WIDTH, HEIGHT, PixelFormat(ARGB8888),
                              -1, -1, -1, -1);
                testing::closeLater(static_cast<HWND>(own.window()), DWORD(5 + 7 * run));
                for (;;) frame.copyToConsole(&own);
            },
            ::testing::ExitedWithCode(0), "")
            << "run " << run;
    }
}

TEST_F(DirectXInput, TheCloseRequestEndsTheProcessWithCodeZeroByDefault)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DirectXConsole own(nullptr);
            own.open(WIDTH, HEIGHT, PREFER16, -1, -1, -1);
            testing::closeThenCall(own.window(), [&] { own.waitRetrace(); });
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vxr
