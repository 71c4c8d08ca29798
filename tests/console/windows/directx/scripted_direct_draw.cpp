#include "scripted_direct_draw.h"

#include "direct_draw_script.h"
#include "scripted_palette.h"
#include "scripted_surface.h"

namespace vxr::scripted {

ScriptedDirectDraw::ScriptedDirectDraw()
{
    ++script().objectsCreated;
    ++script().liveObjects;
}

HRESULT WINAPI ScriptedDirectDraw::create(GUID*, LPDIRECTDRAW* created, IUnknown*)
{
    if (script().createResult != DD_OK) return script().createResult;
    *created = new ScriptedDirectDraw;
    return DD_OK;
}

HRESULT WINAPI ScriptedDirectDraw::QueryInterface(REFIID id, void** out)
{
    *out = nullptr;
    if (id == IID_IUnknown || id == IID_IDirectDraw)
        *out = static_cast<IDirectDraw*>(this);
    else if (id == IID_IDirectDraw2 && script().offersSecondInterface)
        *out = static_cast<IDirectDraw2*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// Like DirectDraw, releasing the object is expected to come after its
// surfaces; the record notes it when it does not.
ULONG WINAPI ScriptedDirectDraw::Release()
{
    const ULONG left = --references;
    if (left > 0) return left;
    --script().liveObjects;
    if (surfaces > 0)
        script().objectReleasedBeforeItsSurfaces = true;
    else
        delete this;
    return 0;
}

void ScriptedDirectDraw::surfaceGone()
{
    --script().liveSurfaces;
    if (--surfaces == 0 && references == 0) delete this;
}

// The format of the listed mode in use; an unlisted depth gets the usual
// layout for it.
DDPIXELFORMAT ScriptedDirectDraw::displayFormat() const
{
    for (const DirectDrawScript::Mode& mode : script().listed) {
        if (mode.width == displayWidth && mode.height == displayHeight &&
            mode.format.dwRGBBitCount == displayBits)
            return mode.format;
    }
    switch (displayBits) {
    case 8: {
        DDPIXELFORMAT format = rgbFormat(8, 0, 0, 0);
        format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
        return format;
    }
    case 16:
        return script().sixteenBitsAreFiveFiveFive ? rgbFormat(16, 0x7C00, 0x03E0, 0x001F)
                                                   : rgbFormat(16, 0xF800, 0x07E0, 0x001F);
    case 24: return rgbFormat(24, 0xFF0000, 0x00FF00, 0x0000FF);
    default: return rgbFormat(32, 0xFF0000, 0x00FF00, 0x0000FF);
    }
}

HRESULT WINAPI ScriptedDirectDraw::CreateSurface(LPDDSURFACEDESC description,
                                                 LPDIRECTDRAWSURFACE* created, IUnknown*)
{
    if (!description || description->dwSize != sizeof *description || !created)
        return DDERR_INVALIDPARAMS;
    script().lastDescription = *description;
    DWORD width = displayWidth, height = displayHeight, padding = script().primaryPadding;
    DDPIXELFORMAT format = displayFormat();
    const bool primary = description->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE;
    if (!primary) {
        const DWORD needed = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        if ((description->dwFlags & needed) != needed) return DDERR_INVALIDPARAMS;
        width = description->dwWidth;
        height = description->dwHeight;
        format = description->ddpfPixelFormat;
        padding = script().systemPadding;
    }
    if (format.dwRGBBitCount % 8 != 0 || format.dwRGBBitCount == 0) return DDERR_INVALIDPIXELFORMAT;
    const DWORD pitch = width * (format.dwRGBBitCount / 8) + padding;
    *created = new ScriptedSurface(*this, width, height, pitch, format, primary);
    ++surfaces;
    ++script().liveSurfaces;
    ++script().surfacesCreated;
    return DD_OK;
}

HRESULT WINAPI ScriptedDirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                                 LPDIRECTDRAWPALETTE* created, IUnknown*)
{
    ++script().palettesCreated;
    script().lastPaletteFlags = flags;
    *created = new ScriptedPalette(entries);
    return DD_OK;
}

HRESULT WINAPI ScriptedDirectDraw::EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID context,
                                                    LPDDENUMMODESCALLBACK callback)
{
    for (const DirectDrawScript::Mode& mode : script().listed) {
        DDSURFACEDESC description{};
        description.dwSize = sizeof description;
        description.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        description.dwWidth = mode.width;
        description.dwHeight = mode.height;
        description.ddpfPixelFormat = mode.format;
        if (callback(&description, context) != DDENUMRET_OK) break;
    }
    return DD_OK;
}

HRESULT WINAPI ScriptedDirectDraw::SetCooperativeLevel(HWND window, DWORD flags)
{
    script().levelRequests.push_back({window, flags, window && IsWindow(window)});
    if (!(flags & DDSCL_EXCLUSIVE) || script().exclusiveResults.empty()) return DD_OK;
    const HRESULT result = script().exclusiveResults.front();
    script().exclusiveResults.pop_front();
    return result;
}

HRESULT ScriptedDirectDraw::changeMode(DWORD width, DWORD height, DWORD bits,
                                       bool throughSecondInterface)
{
    script().modeRequests.push_back({width, height, bits, throughSecondInterface});
    for (const DirectDrawScript::ModeRequest& mode : script().settable) {
        if (mode.width == width && mode.height == height && mode.bits == bits) {
            displayWidth = width;
            displayHeight = height;
            displayBits = bits;
            return DD_OK;
        }
    }
    return DDERR_INVALIDMODE;
}

HRESULT WINAPI ScriptedDirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits)
{
    return changeMode(width, height, bits, false);
}

HRESULT WINAPI ScriptedDirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits,
                                                  DWORD rate, DWORD flags)
{
    if (rate != 0 || flags != 0) return DDERR_INVALIDPARAMS;
    return changeMode(width, height, bits, true);
}

HRESULT WINAPI ScriptedDirectDraw::RestoreDisplayMode()
{
    ++script().restoreDisplayCalls;
    displayWidth = 640;
    displayHeight = 480;
    displayBits = 32;
    return DD_OK;
}

HRESULT WINAPI ScriptedDirectDraw::WaitForVerticalBlank(DWORD flags, HANDLE)
{
    if (flags != DDWAITVB_BLOCKBEGIN) return DDERR_INVALIDPARAMS;
    ++script().retraceWaits;
    return DD_OK;
}

}  // namespace vxr::scripted
