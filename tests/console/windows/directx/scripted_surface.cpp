#include "scripted_surface.h"

#include "scripted_direct_draw.h"
#include "scripted_palette.h"

namespace vxr::scripted {

ScriptedSurface::ScriptedSurface(ScriptedDirectDraw& creator, DWORD surfaceWidth,
                                 DWORD surfaceHeight, DWORD surfacePitch,
                                 const DDPIXELFORMAT& surfaceFormat, bool isPrimary)
    : width(surfaceWidth),
      height(surfaceHeight),
      pitch(surfacePitch),
      format(surfaceFormat),
      primary(isPrimary),
      // Fresh memory is not black, so a store that forgets to clear shows.
      pixels(std::size_t{surfacePitch} * surfaceHeight, 0xCD),
      owner(creator)
{
}

HRESULT WINAPI ScriptedSurface::QueryInterface(REFIID id, void** out)
{
    if (id == IID_IUnknown || id == IID_IDirectDrawSurface) {
        AddRef();
        *out = this;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG WINAPI ScriptedSurface::Release()
{
    const ULONG left = --references;
    if (left > 0) return left;
    if (palette) palette->Release();
    ScriptedDirectDraw& creator = owner;
    delete this;
    creator.surfaceGone();
    return 0;
}

void ScriptedSurface::describe(DDSURFACEDESC& description) const
{
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    description.dwWidth = width;
    description.dwHeight = height;
    description.lPitch = static_cast<LONG>(pitch);
    description.ddpfPixelFormat = format;
    description.ddsCaps.dwCaps = primary ? DDSCAPS_PRIMARYSURFACE : DDSCAPS_SYSTEMMEMORY;
}

HRESULT WINAPI ScriptedSurface::GetSurfaceDesc(LPDDSURFACEDESC out)
{
    if (!out || out->dwSize != sizeof *out) return DDERR_INVALIDPARAMS;
    describe(*out);
    return DD_OK;
}

HRESULT WINAPI ScriptedSurface::GetPixelFormat(LPDDPIXELFORMAT out)
{
    if (!out || out->dwSize != sizeof *out) return DDERR_INVALIDPARAMS;
    *out = format;
    return DD_OK;
}

HRESULT WINAPI ScriptedSurface::Lock(LPRECT area, LPDDSURFACEDESC out, DWORD, HANDLE)
{
    ++lockCalls;
    if (area || !out || out->dwSize != sizeof *out) return DDERR_INVALIDPARAMS;
    if (lost) return DDERR_SURFACELOST;
    if (locked) return DDERR_SURFACEBUSY;
    describe(*out);
    out->lpSurface = pixels.data();
    locked = true;
    return DD_OK;
}

HRESULT WINAPI ScriptedSurface::Unlock(LPVOID)
{
    ++unlockCalls;
    if (!locked) return DDERR_NOTLOCKED;
    locked = false;
    return DD_OK;
}

HRESULT WINAPI ScriptedSurface::Restore()
{
    ++restoreCalls;
    if (restoreResult == DD_OK) lost = false;
    return restoreResult;
}

HRESULT WINAPI ScriptedSurface::GetPalette(LPDIRECTDRAWPALETTE* out)
{
    if (!palette) return DDERR_NOPALETTEATTACHED;
    palette->AddRef();
    *out = palette;
    return DD_OK;
}

HRESULT WINAPI ScriptedSurface::SetPalette(LPDIRECTDRAWPALETTE attached)
{
    auto* next = static_cast<ScriptedPalette*>(attached);
    if (next) next->AddRef();
    if (palette) palette->Release();
    palette = next;
    return DD_OK;
}

}  // namespace vxr::scripted
