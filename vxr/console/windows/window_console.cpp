#include "vxr/console/windows/window_console.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <new>

#include "vxr/console/input/native_key_codes.h"
#include "vxr/console/windows/display_dpi.h"
#include "vxr/console/windows/display_timing.h"
#include "vxr/console/windows/section_guard.h"
#include "vxr/console/windows/system_error.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// Guards every window registry. Made by the first live window console and
// deleted with the last; consoles are made and destroyed on one thread.
CriticalSection* registryLock = nullptr;
int liveWindowConsoles = 0;

class RegistryGuard {
public:
    RegistryGuard()
    {
        if (registryLock) registryLock->enter();
    }
    ~RegistryGuard()
    {
        if (registryLock) registryLock->leave();
    }
};

// The keys by virtual key, for messages whose scan code names no key (input
// injected by virtual key alone, odd drivers). Layout-dependent virtual keys
// are placed as on a US keyboard.
struct VirtualKeyRow {
    unsigned short virtualKey;
    Key key;
};

constexpr VirtualKeyRow VIRTUAL_KEYS[] = {
    {VK_BACK, Key::Backspace},         {VK_TAB, Key::Tab},
    {VK_RETURN, Key::Enter},           {VK_SHIFT, Key::LeftShift},
    {VK_CONTROL, Key::LeftControl},    {VK_MENU, Key::LeftAlt},
    {VK_PAUSE, Key::Pause},            {VK_CAPITAL, Key::CapsLock},
    {VK_CONVERT, Key::International4}, {VK_NONCONVERT, Key::International5},
    {VK_ESCAPE, Key::Escape},          {VK_SPACE, Key::Space},
    {VK_PRIOR, Key::PageUp},           {VK_NEXT, Key::PageDown},
    {VK_END, Key::End},                {VK_HOME, Key::Home},
    {VK_LEFT, Key::Left},              {VK_UP, Key::Up},
    {VK_RIGHT, Key::Right},            {VK_DOWN, Key::Down},
    {VK_SNAPSHOT, Key::PrintScreen},   {VK_INSERT, Key::Insert},
    {VK_DELETE, Key::Delete},          {VK_LWIN, Key::LeftSuper},
    {VK_RWIN, Key::RightSuper},        {VK_APPS, Key::Menu},
    {VK_NUMPAD0, Key::Keypad0},        {VK_NUMPAD1, Key::Keypad1},
    {VK_NUMPAD2, Key::Keypad2},        {VK_NUMPAD3, Key::Keypad3},
    {VK_NUMPAD4, Key::Keypad4},        {VK_NUMPAD5, Key::Keypad5},
    {VK_NUMPAD6, Key::Keypad6},        {VK_NUMPAD7, Key::Keypad7},
    {VK_NUMPAD8, Key::Keypad8},        {VK_NUMPAD9, Key::Keypad9},
    {VK_MULTIPLY, Key::KeypadMultiply}, {VK_ADD, Key::KeypadPlus},
    {VK_SEPARATOR, Key::KeypadComma},  {VK_SUBTRACT, Key::KeypadMinus},
    {VK_DECIMAL, Key::KeypadPeriod},   {VK_DIVIDE, Key::KeypadDivide},
    {VK_NUMLOCK, Key::NumLock},        {VK_SCROLL, Key::ScrollLock},
    {VK_LSHIFT, Key::LeftShift},       {VK_RSHIFT, Key::RightShift},
    {VK_LCONTROL, Key::LeftControl},   {VK_RCONTROL, Key::RightControl},
    {VK_LMENU, Key::LeftAlt},          {VK_RMENU, Key::RightAlt},
    {VK_VOLUME_MUTE, Key::Mute},       {VK_VOLUME_DOWN, Key::VolumeDown},
    {VK_VOLUME_UP, Key::VolumeUp},     {VK_OEM_1, Key::Semicolon},
    {VK_OEM_PLUS, Key::Equal},         {VK_OEM_COMMA, Key::Comma},
    {VK_OEM_MINUS, Key::Minus},        {VK_OEM_PERIOD, Key::Period},
    {VK_OEM_2, Key::Slash},            {VK_OEM_3, Key::Grave},
    {VK_OEM_4, Key::LeftBracket},      {VK_OEM_5, Key::Backslash},
    {VK_OEM_6, Key::RightBracket},     {VK_OEM_7, Key::Apostrophe},
    {VK_OEM_102, Key::NonUsBackslash},
};

constexpr int VIRTUAL_KEY_LIMIT = 256;

constexpr std::array<Key, VIRTUAL_KEY_LIMIT> virtualKeyTable()
{
    std::array<Key, VIRTUAL_KEY_LIMIT> table{};
    for (int letter = 0; letter < 26; ++letter)
        table[static_cast<std::size_t>('A' + letter)] = static_cast<Key>(
            static_cast<int>(Key::A) + letter);
    // The digit row runs 1..9 then 0, as the usage table numbers it.
    for (int digit = 1; digit <= 9; ++digit)
        table[static_cast<std::size_t>('0' + digit)] =
            static_cast<Key>(static_cast<int>(Key::Digit1) + digit - 1);
    table['0'] = Key::Digit0;
    for (int f = 0; f < 12; ++f)
        table[static_cast<std::size_t>(VK_F1 + f)] =
            static_cast<Key>(static_cast<int>(Key::F1) + f);
    for (int f = 0; f < 12; ++f)
        table[static_cast<std::size_t>(VK_F13 + f)] =
            static_cast<Key>(static_cast<int>(Key::F13) + f);
    for (const VirtualKeyRow& row : VIRTUAL_KEYS) table[row.virtualKey] = row.key;
    return table;
}

constexpr auto BY_VIRTUAL_KEY = virtualKeyTable();

constexpr std::uint32_t EXTENDED_PREFIX = 0xE000;

// The scan code of a key message as keyFromScanCode reads it. Pause and
// NumLock share scan code 0x45 and tell each other apart by the extended
// bit, which not every source sets right; their virtual keys do not lie.
std::uint32_t scanCodeOf(WPARAM virtualKey, LPARAM lParam)
{
    std::uint32_t scanCode = static_cast<std::uint32_t>(lParam >> 16) & 0xFFu;
    if (scanCode == 0) return 0;
    if (lParam & (LPARAM{1} << 24)) scanCode |= EXTENDED_PREFIX;
    if (virtualKey == VK_NUMLOCK) return EXTENDED_PREFIX | 0x45;
    if (virtualKey == VK_PAUSE) return 0x45;
    return scanCode;
}

std::uint32_t currentModifiers()
{
    const auto down = [](int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; };
    const auto toggled = [](int virtualKey) { return (GetKeyState(virtualKey) & 1) != 0; };
    std::uint32_t modifiers = 0;
    if (down(VK_SHIFT)) modifiers |= MODIFIER_SHIFT;
    if (down(VK_CONTROL)) modifiers |= MODIFIER_CONTROL;
    if (down(VK_MENU)) modifiers |= MODIFIER_ALT;
    if (down(VK_LWIN) || down(VK_RWIN)) modifiers |= MODIFIER_SUPER;
    if (toggled(VK_CAPITAL)) modifiers |= MODIFIER_CAPS_LOCK;
    if (toggled(VK_NUMLOCK)) modifiers |= MODIFIER_NUM_LOCK;
    return modifiers;
}

// What the key types on the current layout with no modifier held. The
// layout's own table is read rather than ToUnicode, which would run the
// key through the thread's dead-key state and could eat an accent the user
// is in the middle of typing. That table gives letters in capitals.
char32_t unmodifiedSymbol(WPARAM virtualKey)
{
    const UINT mapped = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR);
    // The top bit marks a dead key; the character is the accent it puts on.
    wchar_t character = static_cast<wchar_t>(mapped & 0xFFFFu);
    if (character == 0) return 0;
    CharLowerBuffW(&character, 1);
    return static_cast<char32_t>(character);
}

// A mouse message's position: signed, since a captured mouse reports
// positions left of or above the client area.
std::int32_t messageX(LPARAM lParam) { return GET_X_LPARAM(lParam); }
std::int32_t messageY(LPARAM lParam) { return GET_Y_LPARAM(lParam); }

std::uint32_t buttonBit(std::int32_t button) { return 1u << (button - 1); }

// The button a button message is about.
std::int32_t buttonOf(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return BUTTON_LEFT;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return BUTTON_MIDDLE;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return BUTTON_RIGHT;
    default: return GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? BUTTON_BACK : BUTTON_FORWARD;
    }
}

bool isButtonDown(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_MBUTTONDOWN ||
           message == WM_RBUTTONDOWN || message == WM_XBUTTONDOWN;
}

constexpr std::size_t CLASS_NAME_CAPACITY = 64;

// Asks the window thread to set the pointer's shape again where it is now,
// so that a change shows without waiting for the pointer to move.
constexpr UINT REFRESH_POINTER = WM_APP + 0x0C0;
// Asks the window thread to destroy the window, which only the thread that
// made it may do.
constexpr UINT DESTROY_WINDOW = WM_APP + 0x0C1;

bool widenClassName(const char* name, wchar_t (&out)[CLASS_NAME_CAPACITY])
{
    return MultiByteToWideChar(CP_ACP, 0, name, -1, out, CLASS_NAME_CAPACITY) > 0;
}

}  // namespace

// Only plain key presses count for readKey: the window thread counts them.
WindowConsole::WindowConsole(HWND given) : WindowedConsole(false)
{
    constructedOk = 1;
    if (liveWindowConsoles++ == 0) registryLock = new (std::nothrow) CriticalSection;
    windowHandle = given;
    // The console scales its frames itself, so the system must not.
    if (!given) DisplayDpi::becomeAware();
    if (!given) return;
    ownsItsWindow = 0;
    if (!deviceContext.take(given)) {
        constructedOk = 0;
        return;
    }
    RECT client;
    GetClientRect(given, &client);
    frameWidth = client.right - client.left;
    frameHeight = client.bottom - client.top;
}

WindowConsole::~WindowConsole()
{
    // Unlink the surfaces while this console's own detach still answers.
    closeDisplay();
    deviceContext.reset();
    leaveRegistries();
    if (--liveWindowConsoles == 0) {
        delete registryLock;
        registryLock = nullptr;
    }
}

void WindowConsole::leaveRegistries()
{
    RegistryGuard guard;
    for (WindowRegistry* registry : registries) registry->removeConsole(this);
    registries.clear();
}

int WindowConsole::createWindow(const char* className, DWORD style, int showCommand,
                                int outerWidth, int outerHeight, bool pointerHidden)
{
    if (!ownsItsWindow) {
        setLastError("a console given a window opens none of its own");
        return 0;
    }
    closeWindow();
    {
        SectionGuard guard(windowLock);
        hidingPointer = pointerHidden;
    }
    // Read on the window thread while this one waits for it, so the title
    // and the error may live here.
    const WindowShape shape{className,   windowTitle.text(), style,
                            showCommand, outerWidth,         outerHeight};
    DWORD creationError = ERROR_SUCCESS;

    // Before the thread starts, so that nothing the new window reports is
    // cleared away.
    input.windowOpened();
    forgetPointer();
    const bool made =
        windowThread.start([this, &shape, &creationError] { runWindow(shape, &creationError); });
    if (!made && !windowThread.isStarted())
        setLastError("could not start the window thread");
    else if (!made)
        setSystemError("CreateWindowEx could not make the window", creationError);
    else if (deviceContext.take(windowHandle))
        return 1;
    else
        setLastError("the new window gave no device context to draw with");
    closeWindow();
    return 0;
}

void WindowConsole::runWindow(const WindowShape& shape, DWORD* creationError)
{
    const int showCommand = shape.showCommand;
    HWND window = CreateWindowExA(0, shape.className, shape.title, shape.style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, shape.outerWidth, shape.outerHeight, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) *creationError = GetLastError();
    windowHandle = window;
    const bool made = IsWindow(window) != FALSE;
    if (made) ShowWindow(window, showCommand);
    windowThread.signalStarted(made);  // shape and creationError are gone from here on
    if (!made) return;

    SetFocus(window);
    if (showCommand != 0) SetForegroundWindow(window);
    pumpMessages(window);
}

// GetMessage waits for the next message, so the loop needs no pause of its
// own. The wide loop keeps typed characters as the UTF-16 units they are;
// the narrow one would pass them through the ANSI code page. A modal loop
// the window was destroyed in (a move or a resize the user had begun) may
// have taken the quit message for itself: the loop also ends when the
// window is gone.
void WindowConsole::pumpMessages(HWND window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) == 1) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (!IsWindow(window)) break;
    }
}

void WindowConsole::closeWindow()
{
    if (!ownsItsWindow) return;
    if (windowThread.isStarted() && IsWindow(windowHandle)) {
        // Only the thread that made the window may destroy it; DestroyWindow
        // there sends WM_DESTROY, which ends its message loop.
        SectionGuard guard(windowLock);
        deviceContext.reset();
        PostMessageA(windowHandle, DESTROY_WINDOW, 0, 0);
    }
    // Outside the lock, so the thread can finish the messages that need it.
    windowThread.join();
    deviceContext.reset();
    leaveRegistries();
    windowHandle = nullptr;
    input.windowEnded();
}

int WindowConsole::resizeWindow(int outerWidth, int outerHeight)
{
    SetWindowPos(windowHandle, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOMOVE);
    return 1;
}

void WindowConsole::addMode(const ConsoleMode& mode)
{
    try {
        modeList.push_back(mode);
    } catch (const std::bad_alloc&) {
        // A mode that cannot be listed is simply not offered.
    }
}

int WindowConsole::modes(std::vector<ConsoleMode>& list)
{
    list = modeList;
    return 1;
}

void WindowConsole::noteShownAtNextRefresh()
{
    DisplayTiming::Refresh next;
    if (DisplayTiming::nextRefresh(next)) presentations.record(next.time, next.count, next.interval);
}

int WindowConsole::waitRetrace()
{
    input.endIfAsked();
    if (DisplayTiming::waitForNextRefresh()) return 1;
    setLastError("the system tells of no display refresh to wait for");
    return 0;
}

int WindowConsole::setPointerVisible(int visible)
{
    input.endIfAsked();
    // A window given to the console keeps its own procedure, which would
    // never read the choice.
    if (!ownsItsWindow) {
        setLastError("a window given to the console keeps its own pointer");
        return 0;
    }
    SectionGuard guard(windowLock);
    if (!windowHandle || !IsWindow(windowHandle)) {
        setLastError("no window is open to show or hide the pointer over");
        return 0;
    }
    hidingPointer = visible == 0;
    PostMessageW(windowHandle, REFRESH_POINTER, 0, 0);
    return 1;
}

bool WindowConsole::showTitle(const char* text)
{
    if (!windowHandle) {
        setLastError("no window is open: the title waits for the next one");
        return false;
    }
    if (SetWindowTextA(windowHandle, text)) return true;
    setSystemError("SetWindowText could not set the title", GetLastError());
    return false;
}

void WindowConsole::fillBlack(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    WindowDeviceContext context(window);
    if (!context) return;
    HGDIOBJ previous = SelectObject(context.get(), GetStockObject(BLACK_BRUSH));
    Rectangle(context.get(), client.left, client.top, client.right, client.bottom);
    SelectObject(context.get(), previous);
}

void WindowConsole::paint(HWND window)
{
    if (!repaintFrame()) fillBlack(window);
    ValidateRect(window, nullptr);
}

LRESULT WindowConsole::defaultHandling(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam)
{
    // A window of a class registered by the narrow functions reads its
    // messages' text that way too.
    return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                   : DefWindowProcA(window, message, wParam, lParam);
}

// Takes no console lock but the input's: a close box sends WM_CLOSE from
// inside the default handling of the click. A window the console does not
// know (yet, or any more) has nobody to ask. A close that ends the process
// wakes a reader waiting for a key, which then ends it.
void WindowConsole::handleClose(WindowConsole* console)
{
    if (console) console->input.closeRequested();
}

LRESULT WindowConsole::handleMessage(WindowConsole* console, HWND window, UINT message,
                                     WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        handleClose(console);
        return 0;
    }
    // Outside windowLock too: destruction runs messages through the default
    // handling.
    if (message == DESTROY_WINDOW) {
        DestroyWindow(window);
        return 0;
    }
    // The resize runs outside windowLock too: it sends the window messages.
    if (message == WM_DPICHANGED) {
        if (console) {
            SectionGuard guard(console->windowLock);
            console->dpiChanged(HIWORD(wParam));
        }
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    LRESULT result = 0;
    if (console) {
        SectionGuard guard(console->windowLock);
        if (console->handleLocked(window, message, wParam, lParam, &result)) return result;
    } else if (message == WM_PAINT) {
        fillBlack(window);
        ValidateRect(window, nullptr);
        return 0;
    }
    // Outside windowLock: a move or a resize runs its modal loop in here.
    return defaultHandling(window, message, wParam, lParam);
}

// Under windowLock; true when the message is done with and result holds
// its answer, false when the default handling is still to run.
bool WindowConsole::handleLocked(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 LRESULT* result)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return true;
    case WM_PAINT:
        paint(window);
        return true;
    case WM_GETMINMAXINFO:
        return limitTracking(window, reinterpret_cast<MINMAXINFO*>(lParam));
    default:
        // Messages the console handles completely end here; system keys
        // still go on, so that Alt+F4 and the window menu keep working.
        if (!handleInput(window, message, wParam, lParam)) return false;
        *result = message == WM_XBUTTONDOWN || message == WM_XBUTTONUP ? TRUE : 0;
        return true;
    }
}

// Returns whether the message is done with; called under windowLock.
bool WindowConsole::handleInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        // Only plain key presses count for readKey; system keys (Alt, F10)
        // are the window menu's.
        input.countPress();
        keyMessage(wParam, lParam, true);
        return true;
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        keyMessage(wParam, lParam, message == WM_SYSKEYDOWN);
        return false;
    case WM_CHAR:
        characterMessage(wParam);
        return true;
    case WM_MOUSEMOVE:
        pointerAt(window, messageX(lParam), messageY(lParam));
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
        buttonMessage(window, buttonOf(message, wParam), isButtonDown(message), lParam);
        return true;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        wheelMessage(window, wParam, lParam, message == WM_MOUSEHWHEEL);
        return true;
    case WM_MOUSELEAVE:
        mouseLeaveMessage();
        return true;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window) captureLost(window);
        return true;
    case WM_SIZE:
        clientResized(wParam, lParam);
        return false;
    case WM_SETCURSOR:
        return setCursorMessage(window, wParam, lParam);
    case REFRESH_POINTER:
        refreshPointer(window);
        return true;
    case WM_MOVE:
        // A frame placed by the screen rather than the window moves in it.
        placeFrameIn(window);
        return false;
    case WM_SETFOCUS:
        input.setModifiers(currentModifiers());
        input.focusChanged(true);
        return false;
    case WM_KILLFOCUS:
        input.focusChanged(false);
        return false;
    default:
        return false;
    }
}

Key WindowConsole::keyFromVirtualKey(unsigned virtualKey)
{
    return virtualKey < BY_VIRTUAL_KEY.size() ? BY_VIRTUAL_KEY[virtualKey] : Key::Unknown;
}

Key WindowConsole::keyFromKeyMessage(WPARAM virtualKey, LPARAM lParam, std::uint32_t* nativeCode)
{
    const std::uint32_t scanCode = scanCodeOf(virtualKey, lParam);
    if (nativeCode) *nativeCode = scanCode ? scanCode : static_cast<std::uint32_t>(virtualKey);
    const Key byScanCode = scanCode ? keyFromScanCode(scanCode) : Key::Unknown;
    if (byScanCode != Key::Unknown) return byScanCode;
    const Key byVirtualKey = keyFromVirtualKey(static_cast<unsigned>(virtualKey));
    // Without a scan code the extended bit still tells the keypad's Enter.
    if (byVirtualKey == Key::Enter && (lParam & (LPARAM{1} << 24))) return Key::KeypadEnter;
    return byVirtualKey;
}

void WindowConsole::keyMessage(WPARAM wParam, LPARAM lParam, bool down)
{
    // Characters typed through SendInput's Unicode path come as this virtual
    // key: text, with no key behind them.
    if (wParam == VK_PACKET) return;
    std::uint32_t nativeCode = 0;
    const Key key = keyFromKeyMessage(wParam, lParam, &nativeCode);
    const char32_t symbol = unmodifiedSymbol(wParam);
    const std::uint32_t modifiers = currentModifiers();
    if (down) {
        // Bit 30: the key was already down, so this press is a repeat.
        const bool repeat = (lParam & (LPARAM{1} << 30)) != 0;
        input.keyDown(key, nativeCode, symbol, modifiers, repeat);
    } else {
        input.keyUp(key, nativeCode, symbol, modifiers);
    }
}

void WindowConsole::characterMessage(WPARAM wParam)
{
    char32_t completed[2];
    const int count = characters.feed(static_cast<std::uint16_t>(wParam & 0xFFFFu), completed);
    for (int i = 0; i < count; ++i) input.textCodePoint(completed[i]);
}

// Every mouse message brings the pointer's position; a change is reported
// as a move first, so that a button or wheel event happens where it says.
void WindowConsole::pointerAt(HWND window, std::int32_t x, std::int32_t y)
{
    if (!leaveTracked) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        leaveTracked = TrackMouseEvent(&track) != 0;
    }
    const bool moved = !pointerKnown || x != pointerX || y != pointerY;
    pointerKnown = true;
    pointerX = x;
    pointerY = y;
    if (!pointerOver) {
        pointerOver = true;
        input.pointerEntered(x, y);
    }
    if (moved) input.pointerMoved(x, y);
}

void WindowConsole::buttonMessage(HWND window, std::int32_t button, bool down, LPARAM lParam)
{
    pointerAt(window, messageX(lParam), messageY(lParam));
    if (down) {
        // Held buttons keep the mouse, so that their release arrives even
        // outside the window.
        if (buttonsHeld == 0) SetCapture(window);
        buttonsHeld |= buttonBit(button);
        input.pointerButton(button, true);
        return;
    }
    if (!(buttonsHeld & buttonBit(button))) return;  // pressed elsewhere
    buttonsHeld &= ~buttonBit(button);
    input.pointerButton(button, false);
    if (buttonsHeld == 0) {
        ReleaseCapture();
        leaveIfOutside(window);
    }
}

void WindowConsole::wheelMessage(HWND window, WPARAM wParam, LPARAM lParam, bool horizontal)
{
    // Wheel messages give the position on the screen.
    POINT where{messageX(lParam), messageY(lParam)};
    if (ScreenToClient(window, &where)) pointerAt(window, where.x, where.y);
    const float steps =
        static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / static_cast<float>(WHEEL_DELTA);
    if (horizontal)
        input.wheel(steps, 0.0f);
    else
        input.wheel(0.0f, steps);
}

// TrackMouseEvent's report that the pointer left. While buttons are held
// the capture keeps the pointer, wherever it is; their release looks again.
void WindowConsole::mouseLeaveMessage()
{
    leaveTracked = false;
    if (buttonsHeld == 0) reportPointerLeft();
}

void WindowConsole::leaveIfOutside(HWND window)
{
    POINT cursor{};
    if (!GetCursorPos(&cursor)) return;
    POINT inClient = cursor;
    RECT client{};
    const bool over = ScreenToClient(window, &inClient) && GetClientRect(window, &client) &&
                      PtInRect(&client, inClient) && WindowFromPoint(cursor) == window;
    if (!over) reportPointerLeft();
}

void WindowConsole::forgetPointer()
{
    characters = Utf16Joiner();
    buttonsHeld = 0;
    leaveTracked = false;
    pointerOver = false;
    pointerKnown = false;
}

void WindowConsole::reportPointerLeft()
{
    if (!pointerOver) return;
    pointerOver = false;
    input.pointerLeft();
}

void WindowConsole::captureLost(HWND window)
{
    // Another window took the mouse: the buttons are let go here, since
    // their releases will go there.
    for (std::int32_t button = BUTTON_LEFT; button <= BUTTON_FORWARD; ++button) {
        if (!(buttonsHeld & buttonBit(button))) continue;
        buttonsHeld &= ~buttonBit(button);
        input.pointerButton(button, false);
    }
    leaveIfOutside(window);
}

void WindowConsole::clientResized(WPARAM kind, LPARAM lParam)
{
    // A minimised window keeps its client size as far as the program goes.
    if (kind == SIZE_MINIMIZED) return;
    const int width = LOWORD(lParam);
    const int height = HIWORD(lParam);
    placeFrameLocked(width, height);
    input.resized(width, height);
}

// Over the client area the pointer takes the console's choice; over the
// frame and elsewhere the system's shapes stay (resize arrows and so on).
bool WindowConsole::setCursorMessage(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(wParam) != window || LOWORD(lParam) != HTCLIENT) return false;
    SetCursor(hidingPointer ? nullptr : LoadCursorA(nullptr, IDC_ARROW));
    return true;
}

void WindowConsole::refreshPointer(HWND window)
{
    POINT cursor{};
    if (!GetCursorPos(&cursor) || WindowFromPoint(cursor) != window) return;
    const LRESULT hit = defaultHandling(window, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y));
    setCursorMessage(window, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

Rect WindowConsole::frameArea(int, int) { return Rect{0, 0, 0, 0}; }

bool WindowConsole::takesPalette(const Palette* given) const
{
    if (displayFormat.model != INDEXED) {
        setLastError("the display has direct colour: it has no palette to %s",
                     given ? "set" : "read");
        return false;
    }
    if (given && !given->isValid()) {
        setLastError("the palette has no colours (it ran out of memory)");
        return false;
    }
    return true;
}

void WindowConsole::placeFrameLocked(int clientAreaWidth, int clientAreaHeight)
{
    input.showFrame(frameWidth, frameHeight, frameArea(clientAreaWidth, clientAreaHeight));
}

void WindowConsole::placeFrameIn(HWND window)
{
    RECT client{};
    if (GetClientRect(window, &client))
        placeFrameLocked(client.right - client.left, client.bottom - client.top);
}

void WindowConsole::placeFrame()
{
    SectionGuard guard(windowLock);
    if (windowHandle) placeFrameIn(windowHandle);
}

// The console's windows are registered as Unicode windows, so that their
// character messages carry UTF-16; class names are plain ASCII.
void WindowConsole::registerClass(const char* className, WNDPROC procedure, bool framed)
{
    wchar_t name[CLASS_NAME_CAPACITY];
    if (!widenClassName(className, name)) return;
    WNDCLASSW windowClass{};
    windowClass.style = framed ? CS_HREDRAW | CS_VREDRAW : 0;
    windowClass.lpfnWndProc = procedure;
    windowClass.hIcon = LoadIconA(GetModuleHandleA(nullptr), "IDI_VXR_ICON");
    windowClass.hCursor = framed ? LoadCursorA(nullptr, IDC_ARROW) : nullptr;
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

void WindowConsole::addFrameSize(int* width, int* height, int output)
{
    if (output != WINDOWED || !width || !height) return;
    *width += 2 * GetSystemMetrics(SM_CXFRAME);
    *height += GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
}

int WindowConsole::registerWindow(WindowRegistry& registry, HWND window, WindowConsole* console)
{
    RegistryGuard guard;
    if (!registry.add(window, console)) return 0;
    if (console &&
        std::find(console->registries.begin(), console->registries.end(), &registry) ==
            console->registries.end())
        console->registries.push_back(&registry);
    return 1;
}

WindowConsole* WindowConsole::findConsole(WindowRegistry& registry, HWND window)
{
    RegistryGuard guard;
    return registry.find(window);
}

}  // namespace vxr
