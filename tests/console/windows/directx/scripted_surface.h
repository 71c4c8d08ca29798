#pragma once

#include <windows.h>
#include <ddraw.h>

#include <cstdint>
#include <vector>

namespace vxr::scripted {

class ScriptedDirectDraw;
class ScriptedPalette;

// A DirectDraw surface in plain memory that can be made to be lost. It
// refuses the second surface interface, so every call comes through this one.
class ScriptedSurface final : public IDirectDrawSurface {
public:
    ScriptedSurface(ScriptedDirectDraw& owner, DWORD width, DWORD height, DWORD pitch,
                    const DDPIXELFORMAT& format, bool primary);

    HRESULT WINAPI QueryInterface(REFIID id, void** out) override;
    ULONG WINAPI AddRef() override { return ++references; }
    ULONG WINAPI Release() override;
    HRESULT WINAPI AddAttachedSurface(LPDIRECTDRAWSURFACE) override { return E_NOTIMPL; }
    HRESULT WINAPI AddOverlayDirtyRect(LPRECT) override { return E_NOTIMPL; }
    HRESULT WINAPI Blt(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDBLTFX) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI BltBatch(LPDDBLTBATCH, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE) override { return E_NOTIMPL; }
    HRESULT WINAPI EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetAttachedSurface(LPDDSCAPS, LPDIRECTDRAWSURFACE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI GetBltStatus(DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetCaps(LPDDSCAPS) override { return E_NOTIMPL; }
    HRESULT WINAPI GetClipper(LPDIRECTDRAWCLIPPER*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetColorKey(DWORD, LPDDCOLORKEY) override { return E_NOTIMPL; }
    HRESULT WINAPI GetDC(HDC*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetFlipStatus(DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetOverlayPosition(LPLONG, LPLONG) override { return E_NOTIMPL; }
    HRESULT WINAPI GetPalette(LPDIRECTDRAWPALETTE* out) override;
    HRESULT WINAPI GetPixelFormat(LPDDPIXELFORMAT out) override;
    HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC out) override;
    HRESULT WINAPI Initialize(LPDIRECTDRAW, LPDDSURFACEDESC) override { return E_NOTIMPL; }
    HRESULT WINAPI IsLost() override { return lost ? DDERR_SURFACELOST : DD_OK; }
    HRESULT WINAPI Lock(LPRECT area, LPDDSURFACEDESC out, DWORD flags, HANDLE event) override;
    HRESULT WINAPI ReleaseDC(HDC) override { return E_NOTIMPL; }
    HRESULT WINAPI Restore() override;
    HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER) override { return E_NOTIMPL; }
    HRESULT WINAPI SetColorKey(DWORD, LPDDCOLORKEY) override { return E_NOTIMPL; }
    HRESULT WINAPI SetOverlayPosition(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT WINAPI Unlock(LPVOID) override;
    HRESULT WINAPI UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI UpdateOverlayDisplay(DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE) override { return E_NOTIMPL; }

    // Fills description with the surface's size, pitch and format.
    void describe(DDSURFACEDESC& description) const;

    const DWORD width;
    const DWORD height;
    const DWORD pitch;
    const DDPIXELFORMAT format;
    const bool primary;
    std::vector<std::uint8_t> pixels;
    bool lost = false;
    HRESULT restoreResult = DD_OK;
    bool locked = false;
    int lockCalls = 0;
    int unlockCalls = 0;
    int restoreCalls = 0;
    ScriptedPalette* palette = nullptr;

private:
    ScriptedDirectDraw& owner;
    ULONG references = 1;
};

}  // namespace vxr::scripted
