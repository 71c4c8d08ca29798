#pragma once

#include <windows.h>

#include <cstddef>

#include "vxr/set_last_error.h"

namespace vxr {

// The system's own words for an error code (GetLastError's, or an HRESULT
// the system knows), without the line break they end with; false, with out
// left empty, when the system has none.
inline bool systemErrorText(DWORD code, char* out, std::size_t capacity)
{
    if (capacity == 0) return false;
    out[0] = '\0';
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       0, out, static_cast<DWORD>(capacity), nullptr);
    std::size_t end = length < capacity ? length : 0;
    while (end > 0 && (out[end - 1] == '\n' || out[end - 1] == '\r' || out[end - 1] == ' ' ||
                       out[end - 1] == '.'))
        --end;
    out[end] = '\0';
    return end > 0;
}

// Sets the thread's reason to what failed followed by why, in the system's
// words where it has them and as the bare code where it has none.
inline void setSystemError(const char* what, DWORD code)
{
    char text[LAST_ERROR_CAPACITY];
    if (systemErrorText(code, text, sizeof text))
        setLastError("%s: %s", what, text);
    else
        setLastError("%s: error 0x%08lX", what, static_cast<unsigned long>(code));
}

}  // namespace vxr
