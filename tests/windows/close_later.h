#pragma once

#include <windows.h>

#include <thread>

namespace vxr::testing {

// Sends what the close box sends (its default handling asks to close) from
// a thread of the test, after the delay; a process still alive two seconds
// later ends itself with code 7, so that a close that never ends the
// program fails its test rather than hanging it.
inline void closeLater(HWND window, DWORD delay)
{
    std::thread([window, delay] {
        Sleep(delay);
        SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        Sleep(2000);
        TerminateProcess(GetCurrentProcess(), 7);
    }).detach();
}

}  // namespace vxr::testing
