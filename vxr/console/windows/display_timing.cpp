#include "vxr/console/windows/display_timing.h"

#include <dwmapi.h>

namespace vxr {
namespace {

using IsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
using Flush = HRESULT(WINAPI*)();
using GetTimingInfo = HRESULT(WINAPI*)(HWND, DWM_TIMING_INFO*);

struct WindowManager {
    IsCompositionEnabled isComposing = nullptr;
    Flush flush = nullptr;
    GetTimingInfo timingInfo = nullptr;
};

template <class Function>
Function lookUp(HMODULE module, const char* name)
{
    // A function pointer of unknown type passes through the generic one.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Loaded once and kept for the process: the library is the system's.
const WindowManager& windowManager()
{
    static const WindowManager found = [] {
        WindowManager manager;
        HMODULE module = LoadLibraryA("dwmapi.dll");
        if (!module) return manager;
        manager.isComposing = lookUp<IsCompositionEnabled>(module, "DwmIsCompositionEnabled");
        manager.flush = lookUp<Flush>(module, "DwmFlush");
        manager.timingInfo = lookUp<GetTimingInfo>(module, "DwmGetCompositionTimingInfo");
        return manager;
    }();
    return found;
}

bool composing()
{
    BOOL enabled = FALSE;
    const auto isComposing = windowManager().isComposing;
    return isComposing && SUCCEEDED(isComposing(&enabled)) && enabled;
}

std::int64_t counterNow()
{
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::int64_t counterFrequency()
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

}  // namespace

std::int64_t DisplayTiming::nanoseconds(std::int64_t counter, std::int64_t frequency)
{
    // In two parts, so that a counter of days at 10 MHz does not overflow.
    constexpr std::int64_t PER_SECOND = 1'000'000'000;
    return counter / frequency * PER_SECOND + counter % frequency * PER_SECOND / frequency;
}

bool DisplayTiming::nextRefresh(Refresh& out)
{
    const auto timingInfo = windowManager().timingInfo;
    const std::int64_t frequency = counterFrequency();
    DWM_TIMING_INFO timing{};
    timing.cbSize = sizeof timing;
    if (!timingInfo || frequency <= 0 || FAILED(timingInfo(nullptr, &timing))) return false;
    const auto period = static_cast<std::int64_t>(timing.qpcRefreshPeriod);
    const auto vblank = static_cast<std::int64_t>(timing.qpcVBlank);
    if (period <= 0 || vblank < 0) return false;
    // The refreshes run on a grid through the last one the manager saw;
    // where it has not seen one since (no composition), the grid still
    // stands for the display's own.
    const std::int64_t now = counterNow();
    const std::int64_t since = now - vblank;
    const std::int64_t passed = since >= 0 ? since / period + 1 : -((-since) / period);
    const std::int64_t next = vblank + passed * period;
    out.time = nanoseconds(next, frequency);
    // A manager that keeps no count (Wine's) still gives the grid: its
    // refreshes are counted from the counter's zero.
    out.count = timing.cRefresh != 0
                    ? static_cast<std::uint64_t>(timing.cRefresh) + static_cast<std::uint64_t>(passed)
                    : static_cast<std::uint64_t>(next / period);
    out.interval = nanoseconds(period, frequency);
    return true;
}

bool DisplayTiming::waitForNextRefresh()
{
    // The compositor's pass comes with the display's refresh.
    if (composing() && windowManager().flush && SUCCEEDED(windowManager().flush())) return true;
    Refresh next;
    if (!nextRefresh(next)) return false;
    const std::int64_t frequency = counterFrequency();
    // Sleep gives whole milliseconds at best; the last one is waited out.
    for (;;) {
        const std::int64_t left = next.time - nanoseconds(counterNow(), frequency);
        if (left <= 0) return true;
        Sleep(left > 2'000'000 ? static_cast<DWORD>(left / 1'000'000 - 1) : 0);
    }
}

}  // namespace vxr
