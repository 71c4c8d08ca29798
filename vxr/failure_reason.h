#pragma once

#include <cstddef>
#include <cstdio>

#include "vxr/set_last_error.h"

namespace vxr {

// Writes what failed into out, followed by the library's own reason where
// one was given, which says more than the step; the whole becomes the last
// error too.
inline void writeFailureReason(char* out, std::size_t capacity, const char* what)
{
    const char* detail = lastError();
    if (*detail)
        std::snprintf(out, capacity, "%s: %s", what, detail);
    else
        std::snprintf(out, capacity, "%s", what);
    setLastError("%s", out);
}

}  // namespace vxr
