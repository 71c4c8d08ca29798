#pragma once

#include <memory>
#include <new>

#include "vxr/console/console.h"

namespace vxr {

// What a platform's own folder gives the core, from one file the build
// picks: the consoles it can open, in the order the front end tries them;
// how a fatal message reaches the user; and the keyboard of a console that
// has no window (the terminal, where there is one).
struct PlatformConsoles {
    using Maker = std::unique_ptr<Console> (*)();
    const Maker* makers;
    int count;
};

PlatformConsoles platformConsoles();
// A new console of the platform's kind, or null where memory ran out.
template <typename Kind, typename... Arguments>
std::unique_ptr<Console> newConsole(Arguments... arguments)
{
    return std::unique_ptr<Console>(new (std::nothrow) Kind(arguments...));
}
// Shows the message where this platform's user sees it; 0 when that failed.
int showPlatformError(const char* message);
int terminalReadKey();
int terminalKeyPressed();
// The way every platform writes the message to standard error.
int printError(const char* message);

}  // namespace vxr
