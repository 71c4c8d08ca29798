#pragma once

#include <windows.h>

#include <cstdlib>
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

// The body of a death test: what the close box sends reaches the open
// window, and the program makes one more call into its console, where the
// process is to end with code 0. Code 3 says the window was not open, code
// 4 that the call returned.
template <typename Call>
[[noreturn]] void closeThenCall(void* window, Call nextCall)
{
    if (!window) std::exit(3);
    // The window thread only asks; the program ends at its next call.
    SendMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
    nextCall();
    std::exit(4);
}

}  // namespace vxr::testing
