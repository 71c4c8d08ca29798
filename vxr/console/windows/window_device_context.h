#pragma once

#include <windows.h>

namespace vxr {

// A device context taken from a window (or from the whole screen, for a
// null window) and given back to it when its owner is done.
class WindowDeviceContext {
public:
    WindowDeviceContext() = default;
    explicit WindowDeviceContext(HWND window) { take(window); }
    ~WindowDeviceContext() { reset(); }
    WindowDeviceContext(const WindowDeviceContext&) = delete;
    WindowDeviceContext& operator=(const WindowDeviceContext&) = delete;

    // Gives back any context held, then takes the window's; false when the
    // window gives none.
    bool take(HWND window)
    {
        reset();
        context = GetDC(window);
        if (context) owner = window;
        return context != nullptr;
    }
    void reset()
    {
        if (context) ReleaseDC(owner, context);
        context = nullptr;
        owner = nullptr;
    }
    HDC get() const { return context; }
    // Where the context is kept, for callers that read the native handle
    // through a console's handle().
    HDC* address() { return &context; }
    explicit operator bool() const { return context != nullptr; }

private:
    HWND owner = nullptr;
    HDC context = nullptr;
};

}  // namespace vxr
