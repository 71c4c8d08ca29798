#include "vxr/console/console_front_end.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "vxr/console/null_console.h"

#ifdef _WIN32
#include <windows.h>
#endif
#ifdef VXR_WEB_CONSOLE
#include "vxr/console/web/web_page.h"
#endif

#include "vxr/console/consoles.h"
#include "vxr/last_error.h"

namespace vxr {
namespace {

// Appends one kind's reason, named by the console, to the others.
void addReason(char* reasons, Console* candidate, const char* reason)
{
    char name[Console::NAME_CAPACITY] = {};
    if (!*reason || !candidate->name(name)) return;
    const std::size_t used = std::strlen(reasons);
    std::snprintf(reasons + used, LAST_ERROR_CAPACITY - used, "%s%s: %s", used ? "; " : "", name,
                  reason);
}


// Windows tries DirectDraw, then GDI; a Linux desktop tries its Wayland
// compositor, then its X server (which also serves where only XWayland
// would); a page in a browser has its canvas. The kinds after those are
// placeholders, so the search has five places everywhere.
#ifdef _WIN32
enum ConsoleKind { DIRECTX_KIND, GDI_KIND, PLACEHOLDER_KINDS_END = 5 };
#elif defined(__EMSCRIPTEN__)
enum ConsoleKind { WEB_KIND, PLACEHOLDER_KINDS_END = 5 };
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
#ifdef VXR_WEB_CONSOLE
    case WEB_KIND: return makeWebConsole().release();
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
    // Each kind that fails says why; together they say why nothing opened.
    char reasons[LAST_ERROR_CAPACITY] = {};
    for (int kind = 0;; ++kind) {
        clearLastError();
        Console* candidate = makeKind(kind);
        if (!candidate) break;
        currentConsole = candidate;
        if (candidate->ok() && candidate->open(width, height, request, output, parameter, variant))
            return 1;
        addReason(reasons, candidate, lastError());
        close();
    }
    setLastError("%s", reasons[0] ? reasons : "no console of this build can open a display");
    return 0;
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
#ifdef VXR_WEB_CONSOLE
    // The page's notice stands for the message box.
    WebPage::showError(message);
#endif
    return std::fprintf(stderr, "vxr error: %s\n", message ? message : "") < 0 ? 0 : 1;
#endif
}

}  // namespace vxr
