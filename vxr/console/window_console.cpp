#include "vxr/console/window_console.h"

#include <process.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "vxr/console/section_guard.h"
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

// Titles longer than a caller's buffer could take are cut, so that title()
// never writes past TITLE_CAPACITY bytes.
std::unique_ptr<char[]> boundedCopyOf(const char* text)
{
    const std::size_t length = strnlen(text, Console::TITLE_CAPACITY - 1);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (!copy) return nullptr;
    std::memcpy(copy.get(), text, length);
    copy[length] = '\0';
    return copy;
}

}  // namespace

// What the window thread needs to make the window; it lives on the opener's
// stack and is read before the thread signals that the window exists.
struct WindowConsole::WindowStart {
    WindowConsole* console;
    const char* className;
    const char* title;
    DWORD style;
    int showCommand;
    int outerWidth;
    int outerHeight;
    HANDLE readyEvent;
};

WindowConsole::WindowConsole(HWND given)
{
    if (liveWindowConsoles++ == 0) registryLock = new (std::nothrow) CriticalSection;
    windowHandle = given;
    if (!given) return;
    ownsItsWindow = 0;
    if (!deviceContext.take(given)) {
        constructedOk = 0;
        return;
    }
    RECT client;
    GetClientRect(given, &client);
    clientWidth = client.right - client.left;
    clientHeight = client.bottom - client.top;
}

WindowConsole::~WindowConsole()
{
    closeWindow();
    deviceContext.reset();
    leaveRegistries();
    // Unlink the surfaces while this console's own detach still answers.
    releaseSurfaces();
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

int WindowConsole::openWindow(const char* className, DWORD style, int showCommand,
                              int outerWidth, int outerHeight)
{
    if (!ownsItsWindow) return 0;
    closeWindow();
    OwnedHandle readyEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!readyEvent) return 0;
    WindowStart start{this,       className,   titleString ? titleString.get() : "",
                      style,      showCommand, outerWidth,
                      outerHeight, readyEvent.get()};

    const uintptr_t thread = _beginthreadex(nullptr, 0, windowMain, &start, 0, nullptr);
    if (!thread) {
        closeWindow();
        return 0;
    }
    windowThread.reset(reinterpret_cast<HANDLE>(thread));
    WaitForSingleObject(readyEvent.get(), INFINITE);

    if (IsWindow(windowHandle)) {
        keyEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (keyEvent && deviceContext.take(windowHandle)) return 1;
    }
    closeWindow();
    return 0;
}

unsigned __stdcall WindowConsole::windowMain(void* argument)
{
    const WindowStart& start = *static_cast<WindowStart*>(argument);
    WindowConsole* console = start.console;
    const int showCommand = start.showCommand;
    HWND window = CreateWindowExA(0, start.className, start.title, start.style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, start.outerWidth, start.outerHeight, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    console->windowHandle = window;
    if (IsWindow(window)) ShowWindow(window, showCommand);
    SetEvent(start.readyEvent);  // the record is gone from here on
    if (!window) return 0;

    SetFocus(window);
    if (showCommand != 0) SetForegroundWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) == 1) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        Sleep(0);
    }
    return 0;
}

void WindowConsole::closeWindow()
{
    if (!ownsItsWindow) return;
    if (windowThread && IsWindow(windowHandle)) {
        {
            SectionGuard guard(windowLock);
            deviceContext.reset();
            presentedSurface = nullptr;
            PostMessageA(windowHandle, WM_DESTROY, 0, 0);
        }
        // Outside the lock, so the thread can finish the messages that need it.
        WaitForSingleObject(windowThread.get(), INFINITE);
    }
    windowThread.reset();
    deviceContext.reset();
    leaveRegistries();
    windowHandle = nullptr;
    keyEvent.reset();
}

int WindowConsole::resizeWindow(int outerWidth, int outerHeight)
{
    {
        SectionGuard guard(windowLock);
        clearPresented();
    }
    SetWindowPos(windowHandle, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOMOVE);
    return 1;
}

void WindowConsole::setPresented(Surface* surface, const Rect&, const Rect&)
{
    SectionGuard guard(presentLock);
    presentedSurface = surface;
}

void WindowConsole::clearPresented()
{
    SectionGuard guard(presentLock);
    presentedSurface = nullptr;
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

int WindowConsole::detach(Surface* surface)
{
    if (surface && surface == presentedSurface) clearPresented();
    return Console::detach(surface);
}

void WindowConsole::surfaceLeaving(Surface* surface)
{
    // Under presentLock, so a repaint drawing from the surface finishes
    // before its store goes, and none starts after.
    SectionGuard guard(presentLock);
    if (surface && surface == presentedSurface) presentedSurface = nullptr;
}

int WindowConsole::setTitle(const char* text)
{
    if (!text) return 0;
    std::unique_ptr<char[]> copy = boundedCopyOf(text);
    if (!copy) return 0;
    titleString = std::move(copy);
    return windowHandle && SetWindowTextA(windowHandle, titleString.get()) ? 1 : 0;
}

int WindowConsole::title(char* out)
{
    if (!out) return 0;
    // titleString never holds more than TITLE_CAPACITY - 1 characters.
    const char* text = titleString ? titleString.get() : "";
    std::memcpy(out, text, std::strlen(text) + 1);
    return 1;
}

int WindowConsole::readKey()
{
    if (!ownsOpenWindow()) return Console::readKey();
    WaitForSingleObject(keyEvent.get(), INFINITE);
    SectionGuard guard(keyLock);
    std::int32_t key = 0;
    keyQueue.pop(&key);
    if (!keyQueue.hasItems()) ResetEvent(keyEvent.get());
    return key;
}

int WindowConsole::keyPressed()
{
    if (!ownsOpenWindow()) return Console::keyPressed();
    SectionGuard guard(keyLock);
    return keyQueue.hasItems();
}

void WindowConsole::pushKey()
{
    SectionGuard guard(keyLock);
    // Every key counts the same; a full queue drops the press.
    keyQueue.push(1);
    if (keyEvent) SetEvent(keyEvent.get());
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
    {
        SectionGuard guard(presentLock);
        if (!presentedSurface || !presentedSurface->copyToConsole(this)) fillBlack(window);
    }
    ValidateRect(window, nullptr);
}

LRESULT WindowConsole::handleMessage(WindowConsole* console, HWND window, UINT message,
                                     WPARAM wParam, LPARAM lParam)
{
    if (console) console->windowLock.enter();
    LRESULT result = 0;
    switch (message) {
    case WM_DESTROY:
        ShowWindow(window, SW_HIDE);
        PostQuitMessage(0);
        break;
    case WM_PAINT:
        if (console) {
            console->paint(window);
        } else {
            fillBlack(window);
            ValidateRect(window, nullptr);
        }
        break;
    case WM_CLOSE:
        // The close box ends the program as a normal exit.
        if (console) console->windowLock.leave();
        std::exit(0);
    case WM_KEYDOWN:
        if (console)
            console->pushKey();
        else
            result = DefWindowProcA(window, message, wParam, lParam);
        break;
    default:
        result = DefWindowProcA(window, message, wParam, lParam);
        break;
    }
    if (console) console->windowLock.leave();
    return result;
}

void WindowConsole::registerClasses(const char* windowedClass, WNDPROC windowedProcedure,
                                    const char* fullscreenClass, WNDPROC fullscreenProcedure)
{
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "IDI_VXR_ICON");
    WNDCLASSA windowed{};
    windowed.style = CS_HREDRAW | CS_VREDRAW;
    windowed.lpfnWndProc = windowedProcedure;
    windowed.hIcon = icon;
    windowed.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowed.lpszClassName = windowedClass;
    RegisterClassA(&windowed);

    WNDCLASSA fullscreen{};
    fullscreen.lpfnWndProc = fullscreenProcedure;
    fullscreen.hIcon = icon;
    fullscreen.lpszClassName = fullscreenClass;
    RegisterClassA(&fullscreen);
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
