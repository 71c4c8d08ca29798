#include "vxr/last_error.h"

#include "vxr/set_last_error.h"

#include <cstdarg>
#include <cstdio>

namespace vxr {
namespace {

thread_local char reason[LAST_ERROR_CAPACITY] = {};

}  // namespace

const char* lastError() { return reason; }

void clearLastError() { reason[0] = '\0'; }

void setLastError(const char* format, ...)
{
    if (!format) {
        clearLastError();
        return;
    }
    std::va_list arguments;
    va_start(arguments, format);
    if (std::vsnprintf(reason, sizeof reason, format, arguments) < 0) reason[0] = '\0';
    va_end(arguments);
}

}  // namespace vxr
