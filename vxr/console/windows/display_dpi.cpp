#include "vxr/console/windows/display_dpi.h"

#include "vxr/console/windows/window_device_context.h"

namespace vxr {
namespace {

// From the system's headers of later versions, which the oldest supported
// ones lack.
using SetAwarenessContext = BOOL(WINAPI*)(HANDLE);
using GetWindowDpi = UINT(WINAPI*)(HWND);
using GetSystemDpi = UINT(WINAPI*)();
using AdjustRectForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
const HANDLE PER_MONITOR_AWARE_V2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE PER_MONITOR_AWARE = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

template <class Function>
Function user32(const char* name)
{
    HMODULE module = GetModuleHandleA("user32.dll");
    if (!module) return nullptr;
    // A function pointer of unknown type passes through the generic one.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int screenDpi()
{
    WindowDeviceContext screen(nullptr);
    return screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : DisplayDpi::BASE;
}

}  // namespace

void DisplayDpi::becomeAware()
{
    static const bool done = [] {
        if (const auto set = user32<SetAwarenessContext>("SetProcessDpiAwarenessContext")) {
            if (set(PER_MONITOR_AWARE_V2) || set(PER_MONITOR_AWARE)) return true;
        }
        SetProcessDPIAware();
        return true;
    }();
    (void)done;
}

int DisplayDpi::of(HWND window)
{
    if (window) {
        if (const auto get = user32<GetWindowDpi>("GetDpiForWindow")) {
            if (const UINT dpi = get(window)) return static_cast<int>(dpi);
        }
    } else if (const auto get = user32<GetSystemDpi>("GetDpiForSystem")) {
        if (const UINT dpi = get()) return static_cast<int>(dpi);
    }
    return screenDpi();
}

SIZE DisplayDpi::outerSize(int clientWidth, int clientHeight, DWORD style, int dpi)
{
    RECT area{0, 0, clientWidth, clientHeight};
    const auto adjust = user32<AdjustRectForDpi>("AdjustWindowRectExForDpi");
    const BOOL adjusted = adjust ? adjust(&area, style, FALSE, 0, static_cast<UINT>(dpi))
                                 : AdjustWindowRectEx(&area, style, FALSE, 0);
    if (!adjusted) return SIZE{clientWidth, clientHeight};
    return SIZE{area.right - area.left, area.bottom - area.top};
}

}  // namespace vxr
