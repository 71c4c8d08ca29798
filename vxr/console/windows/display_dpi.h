#pragma once

#include <windows.h>

namespace vxr {

// The DPI of the monitors windows are shown on. The calls that tell it per
// monitor came with later systems, so each is looked up in user32 at run
// time and an older system gets the system-wide figure.
class DisplayDpi {
public:
    static constexpr int BASE = 96;  // the DPI of scale 1

    // Makes the process DPI aware per monitor (version 2 where the system
    // has it), so that the system never stretches a window's pixels behind
    // its back: the console scales frames itself, sharp. Once per process;
    // a program that chose an awareness of its own (say in its manifest)
    // keeps it, as the system refuses a second choice.
    static void becomeAware();
    // The DPI of the monitor the window is on; of the system for null.
    static int of(HWND window);
    // The outer size of a window with the style whose client area is
    // clientWidth x clientHeight at the DPI.
    static SIZE outerSize(int clientWidth, int clientHeight, DWORD style, int dpi);
};

}  // namespace vxr
