#include "scripted_palette.h"

#include <cstring>

namespace vxr::scripted {

ScriptedPalette::ScriptedPalette(const PALETTEENTRY* initial)
{
    if (initial) std::memcpy(entries, initial, sizeof entries);
}

HRESULT WINAPI ScriptedPalette::QueryInterface(REFIID, void** out)
{
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG WINAPI ScriptedPalette::Release()
{
    const ULONG left = --references;
    if (left == 0) delete this;
    return left;
}

HRESULT WINAPI ScriptedPalette::GetEntries(DWORD flags, DWORD first, DWORD count,
                                           LPPALETTEENTRY out)
{
    if (flags != 0 || first + count > 256 || !out) return DDERR_INVALIDPARAMS;
    std::memcpy(out, entries + first, count * sizeof *out);
    return DD_OK;
}

HRESULT WINAPI ScriptedPalette::SetEntries(DWORD flags, DWORD first, DWORD count,
                                           LPPALETTEENTRY in)
{
    if (flags != 0 || first + count > 256 || !in) return DDERR_INVALIDPARAMS;
    std::memcpy(entries + first, in, count * sizeof *in);
    return DD_OK;
}

}  // namespace vxr::scripted
