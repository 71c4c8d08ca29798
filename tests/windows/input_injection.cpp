#include "input_injection.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "vxr/console/key.h"

namespace vxr::testing {
namespace {

void send(INPUT input) { SendInput(1, &input, sizeof input); }

INPUT keyInput(WORD virtualKey, WORD scanCode, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scanCode;
    input.ki.dwFlags = flags;
    return input;
}

INPUT mouseInput(DWORD flags, LONG x = 0, LONG y = 0, DWORD data = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.mouseData = data;
    input.mi.dwFlags = flags;
    return input;
}

void sendVirtualKey(WORD virtualKey, bool extended, bool up)
{
    // With the scan code a keyboard would send, as a real press carries it.
    const WORD scanCode = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    DWORD flags = 0;
    if (extended) flags |= KEYEVENTF_EXTENDEDKEY;
    if (up) flags |= KEYEVENTF_KEYUP;
    send(keyInput(virtualKey, scanCode, flags));
}

const char* typeName(EventType type)
{
    static const char* const names[] = {"None",     "KeyDown",    "KeyUp",     "Text",
                                        "MouseMove", "MouseDown", "MouseUp",   "Wheel",
                                        "MouseEnter", "MouseLeave", "Resize", "FocusIn",
                                        "FocusOut", "Close"};
    const auto index = static_cast<std::size_t>(type);
    return index < sizeof names / sizeof names[0] ? names[index] : "?";
}

}  // namespace

void pressKey(WORD virtualKey, bool extended) { sendVirtualKey(virtualKey, extended, false); }

void releaseKey(WORD virtualKey, bool extended) { sendVirtualKey(virtualKey, extended, true); }

void tapKey(WORD virtualKey, bool extended)
{
    pressKey(virtualKey, extended);
    releaseKey(virtualKey, extended);
}

void pressScanCode(WORD scanCode, bool extended, bool up)
{
    DWORD flags = KEYEVENTF_SCANCODE;
    if (extended) flags |= KEYEVENTF_EXTENDEDKEY;
    if (up) flags |= KEYEVENTF_KEYUP;
    send(keyInput(0, scanCode, flags));
}

void typeUnits(const std::u16string& units)
{
    for (char16_t unit : units) {
        send(keyInput(0, unit, KEYEVENTF_UNICODE));
        send(keyInput(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
}

void movePointer(int screenX, int screenY)
{
    // Absolute positions run 0..65535 over the screen; aiming at the
    // pixel's middle keeps rounding from landing on a neighbour.
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    const LONG x = static_cast<LONG>((std::int64_t{screenX} * 2 + 1) * 65536 / (2 * width));
    const LONG y = static_cast<LONG>((std::int64_t{screenY} * 2 + 1) * 65536 / (2 * height));
    send(mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y));
}

void pressButton(int button, bool down)
{
    switch (button) {
    case 1: send(mouseInput(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)); break;
    case 2: send(mouseInput(down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP)); break;
    case 3: send(mouseInput(down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)); break;
    case 4:
    case 5:
        send(mouseInput(down ? MOUSEEVENTF_XDOWN : MOUSEEVENTF_XUP, 0, 0,
                        button == 4 ? XBUTTON1 : XBUTTON2));
        break;
    default: break;
    }
}

void turnWheel(int delta, bool horizontal)
{
    send(mouseInput(horizontal ? MOUSEEVENTF_HWHEEL : MOUSEEVENTF_WHEEL, 0, 0,
                    static_cast<DWORD>(delta)));
}

POINT onScreen(HWND window, int clientX, int clientY)
{
    POINT point{clientX, clientY};
    ClientToScreen(window, &point);
    return point;
}

void bringForward(HWND window)
{
    // Attached to the window's thread, this thread may hand it the focus.
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    AttachThreadInput(GetCurrentThreadId(), windowThread, TRUE);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    SetFocus(window);
    AttachThreadInput(GetCurrentThreadId(), windowThread, FALSE);
}

HCURSOR shownCursor()
{
    CURSORINFO info{};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info)) return reinterpret_cast<HCURSOR>(-1);
    return (info.flags & CURSOR_SHOWING) ? info.hCursor : nullptr;
}

HCURSOR awaitCursor(HWND window, HCURSOR expected)
{
    HCURSOR shown = nullptr;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A sent message returns once every message posted before it is done.
        SendMessageA(window, WM_NULL, 0, 0);
        shown = shownCursor();
        if (shown == expected) return shown;
        Sleep(20);
    }
    return shown;
}

bool waitUntil(Console& console, const std::function<bool(const Event&)>& wanted,
               std::vector<Event>& seen, std::chrono::milliseconds limit)
{
    Event event;
    while (console.waitEvent(&event, static_cast<int>(limit.count()))) {
        seen.push_back(event);
        if (wanted(event)) return true;
    }
    return false;
}

bool waitFor(Console& console, EventType type, std::vector<Event>& seen,
             std::chrono::milliseconds limit)
{
    return waitUntil(
        console, [type](const Event& event) { return event.type == type; }, seen, limit);
}

Event settledMove(Console& console, POINT screen, int windowX, int windowY)
{
    std::vector<Event> seen;
    const auto atTarget = [&](const Event& e) {
        return e.type == EventType::MouseMove && e.pointer.windowX == windowX &&
               e.pointer.windowY == windowY;
    };
    for (int attempt = 0; attempt < 10; ++attempt) {
        // A pointer already there (where an earlier test left it) would make
        // no move: it steps off the target first.
        // The step is seen through before the move back, so that the two
        // are not folded into one.
        POINT now{};
        // It steps towards the window's inside, where the step is seen.
        if (GetCursorPos(&now) && now.x == screen.x && now.y == screen.y) {
            const int step = windowX > 0 ? -1 : 1;
            movePointer(screen.x + step, screen.y);
            const auto atStep = [&](const Event& e) {
                return e.type == EventType::MouseMove && e.pointer.windowX == windowX + step;
            };
            waitUntil(console, atStep, seen, std::chrono::milliseconds(500));
        }
        movePointer(screen.x, screen.y);
        if (!waitUntil(console, atTarget, seen)) break;
        const Event arrived = seen.back();
        Event later;
        bool stayed = true;
        while (console.waitEvent(&later, 300)) {
            seen.push_back(later);
            if (later.type == EventType::MouseMove) stayed = atTarget(later);
        }
        if (stayed) return arrived;
    }
    ADD_FAILURE() << "the pointer did not stay at " << windowX << "," << windowY << " after:\n"
                  << describe(seen);
    return Event{};
}

void drain(Console& console)
{
    Event event;
    while (console.waitEvent(&event, 300)) {
    }
}

std::string describe(const std::vector<Event>& events)
{
    std::string text;
    for (const Event& event : events) {
        char line[320];
        std::snprintf(line, sizeof line, "%s key=%s native=0x%X sym=%u mods=0x%X rep=%d text='%s' "
                      "at=(%d,%d) win=(%d,%d) in=%d button=%d wheel=(%g,%g) size=%dx%d\n",
                      typeName(event.type), keyName(event.key), event.nativeCode,
                      static_cast<unsigned>(event.symbol), event.modifiers, event.repeat,
                      event.text, event.pointer.x, event.pointer.y, event.pointer.windowX,
                      event.pointer.windowY, event.pointer.inside, event.button, event.wheelX,
                      event.wheelY, event.width, event.height);
        text += line;
    }
    return text;
}

Event nextEvent(Console& console, EventType type)
{
    std::vector<Event> seen;
    const bool found = waitFor(console, type, seen);
    EXPECT_TRUE(found) << "no event of type " << int(type) << " after:\n" << describe(seen);
    return found ? seen.back() : Event{};
}

Event nextKeyEvent(Console& console, EventType type, Key key)
{
    std::vector<Event> seen;
    const bool found = waitUntil(
        console, [&](const Event& e) { return e.type == type && e.key == key; }, seen);
    EXPECT_TRUE(found) << keyName(key) << " not seen after:\n" << describe(seen);
    return found ? seen.back() : Event{};
}

}  // namespace vxr::testing
