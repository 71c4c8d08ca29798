#include "vxr/console/display_console.h"

#include <cstring>

namespace vxr {

int DisplayConsole::openMode(const ConsoleMode& requested)
{
    // A mode reported by one console cannot open another.
    char own[8] = {};
    name(own);
    if (std::strncmp(requested.driver, own, sizeof own) != 0) return 0;
    return openFormat(requested.width, requested.height, requested.format, requested.output,
                      requested.parameter, requested.variant);
}

ConsoleMode DisplayConsole::mode()
{
    ConsoleMode current;
    name(current.driver);
    current.width = width();
    current.height = height();
    current.format = displayFormat;
    current.output = openOutput;
    current.parameter = openParameter;
    current.variant = variant();
    return current;
}

}  // namespace vxr
