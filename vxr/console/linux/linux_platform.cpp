#include <poll.h>
#include <unistd.h>

#include "vxr/console/consoles.h"
#include "vxr/console/core/platform_consoles.h"
#include "vxr/console/wayland/wayland_console.h"
#include "vxr/console/x11/x11_console.h"

namespace vxr {

std::unique_ptr<Console> makeWaylandConsole() { return newConsole<WaylandConsole>(); }

std::unique_ptr<Console> makeX11Console() { return newConsole<X11Console>(); }

std::unique_ptr<Console> makeGdiConsole() { return nullptr; }
std::unique_ptr<Console> makeDirectXConsole() { return nullptr; }
std::unique_ptr<Console> makeWebConsole() { return nullptr; }

// The Wayland compositor first; then the X server, which also serves a
// desktop where only XWayland would.
PlatformConsoles platformConsoles()
{
    static constexpr PlatformConsoles::Maker makers[] = {makeWaylandConsole, makeX11Console};
    return {makers, 2};
}

int showPlatformError(const char* message) { return printError(message); }

int terminalReadKey()
{
    unsigned char key = 0;
    return read(STDIN_FILENO, &key, 1) == 1 ? key : 0;
}

int terminalKeyPressed()
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, 0) > 0 && (input.revents & POLLIN) ? 1 : 0;
}

}  // namespace vxr
