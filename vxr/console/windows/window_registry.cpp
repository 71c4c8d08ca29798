#include "vxr/console/windows/window_registry.h"

#include <algorithm>
#include <new>

namespace vxr {

bool WindowRegistry::add(HWND window, WindowConsole* console)
{
    try {
        pairs.push_back(Pair{window, console});
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

WindowConsole* WindowRegistry::find(HWND window) const
{
    for (const Pair& pair : pairs)
        if (pair.window == window) return pair.console;
    return nullptr;
}

void WindowRegistry::removeConsole(const WindowConsole* console)
{
    std::erase_if(pairs, [console](const Pair& pair) { return pair.console == console; });
}

}  // namespace vxr
