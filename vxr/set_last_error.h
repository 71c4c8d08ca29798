#pragma once

#include "vxr/last_error.h"

namespace vxr {

// Sets this thread's reason, printf-style, for lastError() to give the
// program; a reason longer than LAST_ERROR_CAPACITY - 1 bytes is cut, and a
// null format clears it. Only the library gives reasons: a program reads them.
void setLastError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace vxr
