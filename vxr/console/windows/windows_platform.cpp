#include <conio.h>
#include <windows.h>

#include "vxr/console/consoles.h"
#include "vxr/console/core/platform_consoles.h"
#include "vxr/console/windows/directx_console.h"
#include "vxr/console/windows/gdi_console.h"

namespace vxr {

std::unique_ptr<Console> makeDirectXConsole() { return newConsole<DirectXConsole>(nullptr); }

std::unique_ptr<Console> makeGdiConsole() { return newConsole<GdiConsole>(nullptr); }

std::unique_ptr<Console> makeX11Console() { return nullptr; }
std::unique_ptr<Console> makeWaylandConsole() { return nullptr; }
std::unique_ptr<Console> makeWebConsole() { return nullptr; }

// DirectDraw first, for the full-screen modes it sets; GDI where it cannot.
PlatformConsoles platformConsoles()
{
    static constexpr PlatformConsoles::Maker makers[] = {makeDirectXConsole, makeGdiConsole};
    return {makers, 2};
}

int showPlatformError(const char* message)
{
    return MessageBoxA(nullptr, message, "vxr error",
                       MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

int terminalReadKey() { return _getch(); }

int terminalKeyPressed() { return _kbhit() ? 1 : 0; }

}  // namespace vxr
