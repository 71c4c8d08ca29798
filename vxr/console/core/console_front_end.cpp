#include "vxr/console/console_front_end.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "vxr/console/core/null_console.h"
#include "vxr/console/core/platform_consoles.h"
#include "vxr/set_last_error.h"

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

// The search has this many places on every platform: the places after a
// platform's own kinds hold consoles without a display.
constexpr int KIND_PLACES = 5;

Console* nullConsole() { return &NullConsole::forFrontEnds(); }

}  // namespace

Console* ConsoleFrontEnd::makeConsole(int consoleKind)
{
    if (consoleKind < 0 || consoleKind >= KIND_PLACES) return nullptr;
    const PlatformConsoles kinds = platformConsoles();
    if (consoleKind < kinds.count) return kinds.makers[consoleKind]().release();
    return new (std::nothrow) NullConsole;
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
    return showPlatformError(message ? message : "");
}

int printError(const char* message)
{
    return std::fprintf(stderr, "vxr error: %s\n", message ? message : "") < 0 ? 0 : 1;
}

}  // namespace vxr
