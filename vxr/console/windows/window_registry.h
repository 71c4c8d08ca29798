#pragma once

#include <windows.h>

#include <vector>

namespace vxr {

class WindowConsole;

// Maps window handles to the consoles that own them, so a window procedure
// can find its console. One per console kind, process-wide; every access
// happens under the process-wide registry lock (see WindowConsole).
class WindowRegistry {
public:
    struct Pair {
        HWND window;
        WindowConsole* console;
    };

    // Callers hold the registry lock.
    bool add(HWND window, WindowConsole* console);
    WindowConsole* find(HWND window) const;
    void removeConsole(const WindowConsole* console);
    std::size_t size() const { return pairs.size(); }

private:
    std::vector<Pair> pairs;
};

}  // namespace vxr
