#pragma once

#include <windows.h>
#include <ddraw.h>

namespace vxr::scripted {

// A DirectDraw palette of 256 entries held in memory.
class ScriptedPalette final : public IDirectDrawPalette {
public:
    explicit ScriptedPalette(const PALETTEENTRY* initial);

    HRESULT WINAPI QueryInterface(REFIID, void** out) override;
    ULONG WINAPI AddRef() override { return ++references; }
    ULONG WINAPI Release() override;
    HRESULT WINAPI GetCaps(LPDWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY out) override;
    HRESULT WINAPI Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY) override { return E_NOTIMPL; }
    HRESULT WINAPI SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY in) override;

    PALETTEENTRY entries[256] = {};

private:
    ULONG references = 1;
};

}  // namespace vxr::scripted
