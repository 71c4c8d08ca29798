#pragma once

#include <windows.h>
#include <ddraw.h>

#include "vxr/console/windows/system_error.h"
#include "vxr/set_last_error.h"

namespace vxr {

// The names of the DirectDraw results an open, a mode change or a lock
// gives most often; the system has no words of its own for them.
inline const char* directDrawErrorName(HRESULT result)
{
    struct Row {
        HRESULT result;
        const char* name;
    };
    static constexpr Row ROWS[] = {
        {DDERR_GENERIC, "DDERR_GENERIC"},
        {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
        {DDERR_OUTOFMEMORY, "DDERR_OUTOFMEMORY"},
        {DDERR_UNSUPPORTED, "DDERR_UNSUPPORTED (not implemented here)"},
        {DDERR_INVALIDMODE, "DDERR_INVALIDMODE"},
        {DDERR_UNSUPPORTEDMODE, "DDERR_UNSUPPORTEDMODE"},
        {DDERR_INVALIDPIXELFORMAT, "DDERR_INVALIDPIXELFORMAT"},
        {DDERR_INVALIDCAPS, "DDERR_INVALIDCAPS"},
        {DDERR_INVALIDOBJECT, "DDERR_INVALIDOBJECT"},
        {DDERR_NOEXCLUSIVEMODE, "DDERR_NOEXCLUSIVEMODE"},
        {DDERR_EXCLUSIVEMODEALREADYSET, "DDERR_EXCLUSIVEMODEALREADYSET"},
        {DDERR_HWNDALREADYSET, "DDERR_HWNDALREADYSET"},
        {DDERR_HWNDSUBCLASSED, "DDERR_HWNDSUBCLASSED"},
        {DDERR_NOCOOPERATIVELEVELSET, "DDERR_NOCOOPERATIVELEVELSET"},
        {DDERR_PRIMARYSURFACEALREADYEXISTS, "DDERR_PRIMARYSURFACEALREADYEXISTS"},
        {DDERR_OUTOFVIDEOMEMORY, "DDERR_OUTOFVIDEOMEMORY"},
        {DDERR_SURFACELOST, "DDERR_SURFACELOST"},
        {DDERR_SURFACEBUSY, "DDERR_SURFACEBUSY"},
        {DDERR_WASSTILLDRAWING, "DDERR_WASSTILLDRAWING"},
        {DDERR_WRONGMODE, "DDERR_WRONGMODE"},
        {DDERR_NOPALETTEATTACHED, "DDERR_NOPALETTEATTACHED"},
        {DDERR_NOTPALETTIZED, "DDERR_NOTPALETTIZED"},
        {DDERR_NOVSYNCHW, "DDERR_NOVSYNCHW"},
        {DDERR_NODIRECTDRAWHW, "DDERR_NODIRECTDRAWHW"},
        {DDERR_NODIRECTDRAWSUPPORT, "DDERR_NODIRECTDRAWSUPPORT"},
        {DDERR_DIRECTDRAWALREADYCREATED, "DDERR_DIRECTDRAWALREADYCREATED"},
        {DDERR_NOTFOUND, "DDERR_NOTFOUND"},
    };
    for (const Row& row : ROWS)
        if (row.result == result) return row.name;
    return nullptr;
}

// Sets the thread's reason to what failed and the DirectDraw result it
// gave: its name, the system's words, or the bare code.
inline void setDirectDrawError(const char* what, HRESULT result)
{
    if (const char* name = directDrawErrorName(result))
        setLastError("%s: %s", what, name);
    else
        setSystemError(what, static_cast<DWORD>(result));
}

}  // namespace vxr
