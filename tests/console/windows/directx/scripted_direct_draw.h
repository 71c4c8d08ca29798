#pragma once

#include <windows.h>
#include <ddraw.h>

namespace vxr::scripted {

// A DirectDraw object that follows script(): it lists the scripted modes,
// accepts only the scripted display modes, answers exclusive level requests
// with the scripted results, and makes ScriptedSurfaces. Both interfaces
// are the one object; a method whose signature both share serves both.
class ScriptedDirectDraw final : public IDirectDraw, public IDirectDraw2 {
public:
    // Stands in for DirectDrawCreate.
    static HRESULT WINAPI create(GUID* driver, LPDIRECTDRAW* created, IUnknown* outer);

    HRESULT WINAPI QueryInterface(REFIID id, void** out) override;
    ULONG WINAPI AddRef() override { return ++references; }
    ULONG WINAPI Release() override;
    HRESULT WINAPI Compact() override { return E_NOTIMPL; }
    HRESULT WINAPI CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                 LPDIRECTDRAWPALETTE* created, IUnknown* outer) override;
    HRESULT WINAPI CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* created,
                                 IUnknown* outer) override;
    HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI EnumDisplayModes(DWORD flags, LPDDSURFACEDESC filter, LPVOID context,
                                    LPDDENUMMODESCALLBACK callback) override;
    HRESULT WINAPI EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI FlipToGDISurface() override { return E_NOTIMPL; }
    HRESULT WINAPI GetCaps(LPDDCAPS, LPDDCAPS) override { return E_NOTIMPL; }
    HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC) override { return E_NOTIMPL; }
    HRESULT WINAPI GetFourCCCodes(LPDWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetMonitorFrequency(LPDWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetScanLine(LPDWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetVerticalBlankStatus(WINBOOL*) override { return E_NOTIMPL; }
    HRESULT WINAPI Initialize(GUID*) override { return E_NOTIMPL; }
    HRESULT WINAPI RestoreDisplayMode() override;
    HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bits) override;
    HRESULT WINAPI SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD rate,
                                  DWORD flags) override;
    HRESULT WINAPI WaitForVerticalBlank(DWORD flags, HANDLE event) override;
    HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS, LPDWORD, LPDWORD) override { return E_NOTIMPL; }

    // Called by each surface this object made as it goes away.
    void surfaceGone();

private:
    ScriptedDirectDraw();
    HRESULT changeMode(DWORD width, DWORD height, DWORD bits, bool throughSecondInterface);
    DDPIXELFORMAT displayFormat() const;

    ULONG references = 1;
    int surfaces = 0;
    DWORD displayWidth = 640;
    DWORD displayHeight = 480;
    DWORD displayBits = 32;
};

}  // namespace vxr::scripted
