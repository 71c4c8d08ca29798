// Input through the GDI console's window, injected with SendInput so that it
// takes the path a user's input takes, and read back as the library's events.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_input_fixture.h"
#include "gdi_test_support.h"
#include "input_injection.h"
#include "vxr/console/windows/gdi_console.h"

namespace vxr {
namespace {

constexpr int FRAME_WIDTH = 160;
constexpr int FRAME_HEIGHT = 100;

class GdiInput : public testing::ConsoleInputFixture<GdiConsole> {
protected:
    void openWindow() override
    {
        ASSERT_TRUE(testing::openSettled(console, FRAME_WIDTH, FRAME_HEIGHT));
        // Away from the desktop's edges, so the pointer can be put left of it.
        HWND opened = static_cast<HWND>(console.window());
        SetWindowPos(opened, nullptr, 100, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        testing::settle(opened);
    }
    // With the repaints the open, the move and the focus still owe.
    void settleWindow() override { testing::settle(window); }

    void pointAtClient(int x, int y)
    {
        const POINT at = testing::onScreen(window, x, y);
        testing::movePointer(at.x, at.y);
    }

    Event moveTo(int x, int y)
    {
        return testing::settledMove(console, testing::onScreen(window, x, y), x, y);
    }
};

TEST_F(GdiInput, KeysArriveWithTheirPlaceModifiersAndRepeatsAndStillCountInTheQueue)
{
    testing::pressKey(VK_SHIFT);
    testing::pressKey('A');
    testing::pressKey('A');  // held: the second press is a repeat
    testing::releaseKey('A');
    testing::releaseKey(VK_SHIFT);
    testing::tapKey(VK_CONTROL, true);  // the right one is the extended one
    testing::tapKey(VK_LEFT, true);

    const Event shift = nextKey(EventType::KeyDown, Key::LeftShift);
    EXPECT_EQ(shift.nativeCode, 0x2Au);
    EXPECT_TRUE(shift.modifiers & MODIFIER_SHIFT);
    const Event first = nextKey(EventType::KeyDown, Key::A);
    EXPECT_FALSE(first.repeat);
    EXPECT_EQ(first.symbol, U'a');
    EXPECT_EQ(first.nativeCode, 0x1Eu);
    EXPECT_TRUE(first.modifiers & MODIFIER_SHIFT);
    const Event again = nextKey(EventType::KeyDown, Key::A);
    EXPECT_TRUE(again.repeat);
    const Event up = nextKey(EventType::KeyUp, Key::A);
    EXPECT_EQ(up.symbol, U'a');
    EXPECT_TRUE(up.modifiers & MODIFIER_SHIFT);
    const Event shiftUp = nextKey(EventType::KeyUp, Key::LeftShift);
    EXPECT_FALSE(shiftUp.modifiers & MODIFIER_SHIFT);
    const Event control = nextKey(EventType::KeyDown, Key::RightControl);
    EXPECT_EQ(control.nativeCode, 0xE01Du);
    EXPECT_TRUE(control.modifiers & MODIFIER_CONTROL);
    EXPECT_EQ(control.symbol, 0u);
    const Event left = nextKey(EventType::KeyDown, Key::Left);
    EXPECT_EQ(left.nativeCode, 0xE04Bu);
    EXPECT_FALSE(left.modifiers & MODIFIER_CONTROL);

    // Every key down also counted in the key queue, repeats included, with
    // the events read alongside.
    EXPECT_EQ(readPresses(), 5);
    EXPECT_FALSE(console.keyDown(Key::A));
}

TEST_F(GdiInput, PauseAndNumLockShareAScanCodeAndStayApart)
{
    testing::tapKey(VK_PAUSE);
    testing::tapKey(VK_NUMLOCK, true);
    testing::tapKey(VK_NUMLOCK, true);  // the lock as it was
    EXPECT_EQ(nextKey(EventType::KeyDown, Key::Pause).nativeCode, 0x45u);
    EXPECT_EQ(nextKey(EventType::KeyDown, Key::NumLock).nativeCode, 0xE045u);
}

TEST_F(GdiInput, AKeyHeldWhenTheFocusGoesIsLetGo)
{
    testing::pressKey('Q');
    nextKey(EventType::KeyDown, Key::Q);
    EXPECT_TRUE(console.keyDown(Key::Q));

    // A window of this thread takes the focus.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    SetFocus(other);
    nextKey(EventType::KeyUp, Key::Q);
    next(EventType::FocusOut);
    EXPECT_FALSE(console.keyDown(Key::Q));
    testing::releaseKey('Q');

    testing::bringForward(window);
    next(EventType::FocusIn);
    DestroyWindow(other);
}

TEST_F(GdiInput, TypedTextArrivesAsUtf8WithSurrogatePairsJoined)
{
    // e with acute, then a character past the BMP: two UTF-16 units.
    testing::typeUnits(u"a\u00E9\U0001F600");
    // A high surrogate whose partner never comes is a replacement character.
    testing::typeUnits(std::u16string(1, char16_t(0xD83D)) + u"b");

    const std::string arrived = "a\u00E9\U0001F600\uFFFDb";
    std::vector<Event> seen;
    EXPECT_EQ(readText(arrived.size(), seen), arrived) << testing::describe(seen);
    // Characters typed this way are no key of the keyboard.
    for (const Event& event : seen)
        EXPECT_FALSE(event.type == EventType::KeyDown && event.key == Key::Unknown)
            << testing::describe(seen);
}

TEST_F(GdiInput, PointerPositionsMapOntoTheStretchedFrame)
{
    // The frame is stretched twice over both ways.
    testing::resizeClient(window, 2 * FRAME_WIDTH, 2 * FRAME_HEIGHT);
    const Event resized = next(EventType::Resize);
    EXPECT_EQ(resized.width, 2 * FRAME_WIDTH);
    EXPECT_EQ(resized.height, 2 * FRAME_HEIGHT);

    const Event origin = moveTo(0, 0);
    EXPECT_EQ(origin.pointer.x, 0);
    EXPECT_EQ(origin.pointer.y, 0);
    EXPECT_TRUE(origin.pointer.inside);
    const Event corner = moveTo(2 * FRAME_WIDTH - 1, 2 * FRAME_HEIGHT - 1);
    EXPECT_EQ(corner.pointer.x, FRAME_WIDTH - 1);
    EXPECT_EQ(corner.pointer.y, FRAME_HEIGHT - 1);
    EXPECT_TRUE(corner.pointer.inside);
    const Event middle = moveTo(101, 60);
    EXPECT_EQ(middle.pointer.x, 50);
    EXPECT_EQ(middle.pointer.y, 30);

    MouseState state;
    ASSERT_EQ(console.mouseState(&state), 1);
    EXPECT_EQ(state.position.x, 50);
    EXPECT_TRUE(state.overWindow);
}

// The shape the system shows is the one the window's thread set last, which
// Wine reports truthfully through GetCursorInfo.
TEST_F(GdiInput, ThePointerHidesAndShowsOverTheClientAreaAndNowhereElse)
{
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    moveTo(80, 50);
    EXPECT_EQ(testing::awaitCursor(window, arrow), arrow);

    // Hidden at once where the pointer stands, without a move.
    ASSERT_EQ(console.setPointerVisible(0), 1);
    EXPECT_EQ(testing::awaitCursor(window, nullptr), nullptr);
    // The caption keeps the system's shape; the client area hides it again.
    // Wine reports X pointer warps near the caption back late, so the
    // system's question is posted as it would come there.
    const auto askOver = [&](WORD hit) {
        PostMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(hit, WM_MOUSEMOVE));
    };
    askOver(HTCAPTION);
    EXPECT_EQ(testing::awaitCursor(window, arrow), arrow);
    askOver(HTCLIENT);
    EXPECT_EQ(testing::awaitCursor(window, nullptr), nullptr);

    ASSERT_EQ(console.setPointerVisible(1), 1);
    EXPECT_EQ(testing::awaitCursor(window, arrow), arrow);
}

TEST(GdiPointer, ChoosingThePointerNeedsAnOpenWindow)
{
    GdiConsole console(nullptr);
    EXPECT_EQ(console.setPointerVisible(0), 0);
    ASSERT_TRUE(testing::openSettled(console, FRAME_WIDTH, FRAME_HEIGHT));
    EXPECT_EQ(console.setPointerVisible(0), 1);
}

TEST_F(GdiInput, AHeldButtonKeepsThePointerOutsideUntilItsRelease)
{
    moveTo(40, 50);
    testing::pressButton(BUTTON_LEFT, true);
    const Event down = next(EventType::MouseDown);
    EXPECT_EQ(down.button, BUTTON_LEFT);
    EXPECT_EQ(down.pointer.x, 40);

    // Left of the window: the frame's grid carries on into negative pixels.
    const Event outside = moveTo(-20, 50);
    EXPECT_EQ(outside.pointer.x, -20);
    EXPECT_FALSE(outside.pointer.inside);
    testing::pressButton(BUTTON_LEFT, false);
    const Event up = next(EventType::MouseUp);
    EXPECT_EQ(up.button, BUTTON_LEFT);
    EXPECT_EQ(up.pointer.windowX, -20);
    next(EventType::MouseLeave);
    MouseState state;
    console.mouseState(&state);
    EXPECT_EQ(state.buttons, 0u);
    EXPECT_FALSE(state.overWindow);

    // Back over the window, it enters again.
    pointAtClient(30, 30);
    const Event entered = next(EventType::MouseEnter);
    EXPECT_EQ(entered.pointer.x, 30);
    EXPECT_EQ(entered.pointer.y, 30);
}

TEST_F(GdiInput, EveryButtonAndBothWheelsAreReported)
{
    moveTo(70, 40);
    for (int button = BUTTON_LEFT; button <= BUTTON_FORWARD; ++button) {
        testing::pressButton(button, true);
        const Event down = next(EventType::MouseDown);
        EXPECT_EQ(down.button, button);
        MouseState state;
        console.mouseState(&state);
        EXPECT_EQ(state.buttons, 1u << (button - 1));
        testing::pressButton(button, false);
        EXPECT_EQ(next(EventType::MouseUp).button, button);
    }

    testing::turnWheel(WHEEL_DELTA, false);
    const Event up = next(EventType::Wheel);
    EXPECT_FLOAT_EQ(up.wheelY, 1.0f);
    EXPECT_FLOAT_EQ(up.wheelX, 0.0f);
    EXPECT_EQ(up.pointer.x, 70);
    testing::turnWheel(-WHEEL_DELTA / 2, false);
    EXPECT_FLOAT_EQ(next(EventType::Wheel).wheelY, -0.5f);
    testing::turnWheel(WHEEL_DELTA, true);
    const Event right = next(EventType::Wheel);
    EXPECT_FLOAT_EQ(right.wheelX, 1.0f);
    EXPECT_FLOAT_EQ(right.wheelY, 0.0f);
}

TEST_F(GdiInput, WithCloseAsEventTheCloseBoxAndAltF4AskAndTheWindowStays)
{
    ASSERT_EQ(console.closeAsEvent(1), 1);
    PostMessageA(window, WM_CLOSE, 0, 0);
    next(EventType::Close);
    EXPECT_TRUE(IsWindow(window));

    // Alt+F4 goes through the system keys' default handling to a close.
    testing::pressKey(VK_MENU);
    testing::tapKey(VK_F4);
    testing::releaseKey(VK_MENU);
    next(EventType::Close);
    EXPECT_TRUE(IsWindow(window));
    nextKey(EventType::KeyUp, Key::LeftAlt);
}

}  // namespace
}  // namespace vxr
