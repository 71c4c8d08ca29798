#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "vxr/console/core/windowed_console.h"
#include "vxr/console/desktop/window_thread.h"
#include "vxr/console/key.h"
#include "vxr/console/windows/critical_section.h"
#include "vxr/console/windows/owned_resource.h"
#include "vxr/console/windows/utf16_joiner.h"
#include "vxr/console/windows/window_device_context.h"
#include "vxr/console/windows/window_registry.h"
#include "vxr/format/rect.h"

namespace vxr {

// The part of a Win32 console that owns a desktop window: the window
// thread that creates the window and runs its message loop, the message
// handling every console window shares, and the display modes. The title,
// the keys and the order of teardown are every windowed console's.
//
// Threads: the window thread is a library thread; it never ends the process
// and never reads the program's frames. A close is only asked for there,
// through the WindowInput; the program's thread ends the process at its next
// call into the console (readKey, keyPressed, present, waitRetrace...), and
// a readKey that waits is woken for it.
//
// Locks, in the order they are taken: windowLock, then paletteLock, then
// presentLock; the locks of the WindowInput (its key queue among them) come
// last of all. The window thread's start lock is held only
// while the opener waits for the new window, when the opener holds no other.
// A message is handled under windowLock, but no lock is held while the
// system's default handling runs (DefWindowProc), since a move or a resize
// by the user runs a modal loop inside it that may last for seconds;
// WM_CLOSE, which a close box sends from inside such handling, takes no
// console lock at all.
//
// Input reaches the application twice: every plain key press counts in the
// input's key queue (readKey, keyPressed), and keys, text, the mouse and
// the window's changes arrive as its events.
class WindowConsole : public WindowedConsole {
public:
    // A null window makes the console create windows of its own.
    explicit WindowConsole(HWND given);
    ~WindowConsole() override;

    int consoleId() override { return CONSOLE_ID_WINDOW; }
    void* handle() override { return deviceContext.address(); }
    void* window() override { return windowHandle; }
    int modes(std::vector<ConsoleMode>& list) override;
    // No retrace to wait for: returns 0, after ending the process where a
    // close asked for that.
    int waitRetrace() override;
    // Takes effect at once when the pointer is over the client area, and
    // for every later visit; 0 without an open window.
    int setPointerVisible(int visible) override;

    // The message handling every console window shares; console is null for
    // a window that is not registered (yet).
    static LRESULT handleMessage(WindowConsole* console, HWND window, UINT message,
                                 WPARAM wParam, LPARAM lParam);
    // Turns a client size into the outer size of a window with that output.
    static void addFrameSize(int* width, int* height, int output);
    static int registerWindow(WindowRegistry& registry, HWND window, WindowConsole* console);
    static WindowConsole* findConsole(WindowRegistry& registry, HWND window);

    // The physical key of a key message: the scan code in bits 16-23 of
    // lParam (0xE000 added when bit 24 marks an extended key), or the
    // virtual key where the scan code names no key. nativeCode receives the
    // scan code so formed, or the virtual key when there is no scan code.
    static Key keyFromKeyMessage(WPARAM virtualKey, LPARAM lParam, std::uint32_t* nativeCode);
    // The key a virtual key stands for on a US keyboard; the left one of a
    // pair where the virtual key does not say which.
    static Key keyFromVirtualKey(unsigned virtualKey);

    int ownsWindow() const { return ownsItsWindow; }
    HDC windowDeviceContext() const { return deviceContext.get(); }

protected:
    // Registers a console kind's window class with the window icon; a
    // second console finds it already there, which is fine. A framed window
    // is drawn again whole when its size changes and shows the arrow; a
    // window that holds the whole screen leaves the pointer to its procedure.
    static void registerClass(const char* className, WNDPROC procedure, bool framed);
    // Starts the window thread with a window of the class; a window that
    // covers the screen starts with the pointer hidden.
    int createWindow(const char* className, DWORD style, int showCommand, int outerWidth,
                     int outerHeight, bool pointerHidden);
    // Destroys the window on its thread and joins that thread.
    void closeWindow() override;
    bool hasWindow() override { return ownsOpenWindow(); }
    bool showTitle(const char* text) override;
    int resizeWindow(int outerWidth, int outerHeight);
    void addMode(const ConsoleMode& mode);
    void clearModes() { modeList.clear(); }
    const std::vector<ConsoleMode>& displayModes() const { return modeList; }
    // Where the frame lies in a client area of the given size; called on
    // the window thread under windowLock, whenever the client area changes.
    // Empty while no frame is shown.
    virtual Rect frameArea(int clientAreaWidth, int clientAreaHeight);
    // Draws the frame the window shows again, from memory the console owns;
    // called on the window thread under windowLock. False when there is no
    // such frame, and the client area is then filled black.
    virtual bool repaintFrame() { return false; }
    // Tells the input where the frame is shown now; consoles call it when
    // they place a new frame. Takes windowLock.
    void placeFrame();
    // The window moved to a monitor of another DPI; called on the window
    // thread under windowLock, before the window takes the size the system
    // suggests for the new DPI.
    virtual void dpiChanged(int /*dpi*/) {}
    // The sizes the user may give the window, asked on the window thread
    // under windowLock as a resize begins and while it runs; false leaves
    // the system's.
    virtual bool limitTracking(HWND /*window*/, MINMAXINFO* /*limits*/) { return false; }
    // A frame went onto the screen just now: it is seen from the display's
    // next refresh, as the window manager's timing places it.
    void noteShownAtNextRefresh();
    // Whether the display has a palette to set (to the one given) or to read
    // (null); false with the reason where not.
    bool takesPalette(const Palette* given) const;
    // Whether the pointer is hidden over the client area; read under
    // windowLock.
    bool hidesPointer() const { return hidingPointer; }

    HWND windowHandle = nullptr;
    WindowDeviceContext deviceContext;
    CriticalSection presentLock;
    CriticalSection windowLock;
    CriticalSection paletteLock;

private:
    // What the window thread makes its window with.
    struct WindowShape {
        const char* className;
        const char* title;
        DWORD style;
        int showCommand;
        int outerWidth;
        int outerHeight;
    };
    // The window thread's life: makes the window, says whether it could,
    // and runs its messages until it goes. creationError receives
    // GetLastError of a CreateWindowEx that failed.
    void runWindow(const WindowShape& shape, DWORD* creationError);
    static void pumpMessages(HWND window);
    static void fillBlack(HWND window);
    void paint(HWND window);
    bool handleLocked(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      LRESULT* result);
    void placeFrameLocked(int clientAreaWidth, int clientAreaHeight);
    void placeFrameIn(HWND window);
    static LRESULT defaultHandling(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void handleClose(WindowConsole* console);
    bool handleInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void keyMessage(WPARAM wParam, LPARAM lParam, bool down);
    void characterMessage(WPARAM wParam);
    void pointerAt(HWND window, std::int32_t x, std::int32_t y);
    void buttonMessage(HWND window, std::int32_t button, bool down, LPARAM lParam);
    void wheelMessage(HWND window, WPARAM wParam, LPARAM lParam, bool horizontal);
    void mouseLeaveMessage();
    void leaveIfOutside(HWND window);
    void reportPointerLeft();
    void forgetPointer();
    void captureLost(HWND window);
    void clientResized(WPARAM kind, LPARAM lParam);
    bool setCursorMessage(HWND window, WPARAM wParam, LPARAM lParam);
    void refreshPointer(HWND window);
    void leaveRegistries();
    bool ownsOpenWindow() const { return ownsItsWindow && windowHandle; }

    std::int32_t ownsItsWindow = 1;
    std::vector<ConsoleMode> modeList;
    // The registries this console's windows were entered in, so that no
    // pair outlives the window or the console.
    std::vector<WindowRegistry*> registries;

    // Input state of the window thread, touched only there (under windowLock).
    Utf16Joiner characters;
    std::uint32_t buttonsHeld = 0;  // bit (button - 1), for the mouse capture
    bool leaveTracked = false;      // TrackMouseEvent armed for WM_MOUSELEAVE
    bool pointerOver = false;       // an enter was reported, and no leave yet
    bool pointerKnown = false;
    std::int32_t pointerX = 0;
    std::int32_t pointerY = 0;
    bool hidingPointer = false;  // under windowLock

    // Last, so that it is joined before anything the thread reads goes.
    WindowThread windowThread;
};

}  // namespace vxr
