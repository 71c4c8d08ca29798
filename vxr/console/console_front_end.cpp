#include "vxr/console/console_front_end.h"

#include <cstdio>
#include <new>

#include "vxr/console/null_console.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "vxr/console/consoles.h"

namespace vxr {
namespace {

// Windows tries DirectDraw, then GDI; a Linux desktop tries its Wayland
// compositor, then its X server (which also serves where only XWayland
// would). The kinds after those are placeholders, so the search has five
// places everywhere.
#ifdef _WIN32
enum ConsoleKind { DIRECTX_KIND, GDI_KIND, PLACEHOLDER_KINDS_END = 5 };
#else
enum ConsoleKind { WAYLAND_KIND, X11_KIND, PLACEHOLDER_KINDS_END = 5 };
#endif

Console* nullConsole() { return &NullConsole::forFrontEnds(); }

}  // namespace

Console* ConsoleFrontEnd::makeConsole(int consoleKind)
{
    switch (consoleKind) {
#ifdef _WIN32
    case DIRECTX_KIND: return makeDirectXConsole().release();
    case GDI_KIND: return makeGdiConsole().release();
#endif
#ifdef VXR_WAYLAND_CONSOLE
    case WAYLAND_KIND: return makeWaylandConsole().release();
#endif
#ifdef VXR_X11_CONSOLE
    case X11_KIND: return makeX11Console().release();
#endif
    default:
        // Kinds without a display here keep their places in the search.
        return consoleKind >= 0 && consoleKind < PLACEHOLDER_KINDS_END
                   ? new (std::nothrow) NullConsole
                   : nullptr;
    }
}

ConsoleFrontEnd::ConsoleFrontEnd(int width, int height, int request, int output, int parameter,
                                 int variant, ConsoleMaker maker)
    : currentConsole(nullConsole()), makeKind(maker ? maker : makeConsole)
{
    open(width, height, request, output, parameter, variant);
}

ConsoleFrontEnd::~ConsoleFrontEnd() { close(); }

bool ConsoleFrontEnd::isOpen() const { return currentConsole != nullConsole(); }

int ConsoleFrontEnd::open(int width, int height, int request, int output, int parameter,
                          int variant)
{
    close();
    for (int kind = 0;; ++kind) {
        Console* candidate = makeKind(kind);
        if (!candidate) return 0;
        currentConsole = candidate;
        if (candidate->ok() && candidate->open(width, height, request, output, parameter, variant))
            return 1;
        close();
    }
}

void ConsoleFrontEnd::close()
{
    if (currentConsole && currentConsole != nullConsole()) delete currentConsole;
    currentConsole = nullConsole();
}

int ConsoleFrontEnd::showError(const char* message)
{
    close();
#ifdef _WIN32
    return MessageBoxA(nullptr, message, "vxr error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND |
                                                          MB_TOPMOST);
#else
    return std::fprintf(stderr, "vxr error: %s\n", message ? message : "") < 0 ? 0 : 1;
#endif
}

}  // namespace vxr
