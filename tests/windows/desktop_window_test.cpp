// Proves the Wine desktop harness: a window can be made and shown on the
// virtual desktop, which has the size the harness asked for and a depth Wine
// maps from the X screen (8, 16, or 24 reported as 32).
#include <windows.h>

#include <cstdio>

namespace {

int fail(const char* what)
{
    std::printf("desktop_window_test: %s\n", what);
    return 1;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main()
{
    if (GetSystemMetrics(SM_CXSCREEN) != 640 || GetSystemMetrics(SM_CYSCREEN) != 480)
        return fail("the virtual desktop is not 640x480");

    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    if (depth != 8 && depth != 16 && depth != 32) return fail("unexpected desktop depth");

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VXR_DESKTOP_PROBE";
    if (!RegisterClassA(&windowClass)) return fail("RegisterClassA failed");

    HWND window = CreateWindowA("VXR_DESKTOP_PROBE", "probe", WS_OVERLAPPEDWINDOW, 10, 10, 200,
                                100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return fail("CreateWindowA failed");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (!IsWindowVisible(window)) return fail("the window is not visible");

    char caption[16] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(caption, "probe") != 0) return fail("caption not kept");

    DestroyWindow(window);
    std::printf("desktop %d bits per pixel\n", depth);
    return 0;
}
