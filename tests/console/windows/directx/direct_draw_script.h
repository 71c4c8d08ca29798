#pragma once

#include <windows.h>
#include <ddraw.h>

#include <deque>
#include <vector>

namespace vxr::scripted {

// A direct-colour display or surface format with the given masks.
inline DDPIXELFORMAT rgbFormat(DWORD bits, DWORD red, DWORD green, DWORD blue)
{
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = bits;
    format.dwRBitMask = red;
    format.dwGBitMask = green;
    format.dwBBitMask = blue;
    return format;
}

// What the scripted DirectDraw offers and answers, and what was asked of it.
// One per process: DirectDrawCreate takes no context. Tests reset it.
struct DirectDrawScript {
    struct Mode {
        DWORD width;
        DWORD height;
        DDPIXELFORMAT format;
    };
    struct ModeRequest {
        DWORD width;
        DWORD height;
        DWORD bits;
        bool throughSecondInterface;
    };
    struct LevelRequest {
        HWND window;
        DWORD flags;
        bool windowExisted;
    };

    // The script.
    HRESULT createResult = DD_OK;
    bool offersSecondInterface = true;
    std::vector<Mode> listed;               // what EnumDisplayModes reports
    std::vector<ModeRequest> settable;      // what SetDisplayMode accepts
    bool sixteenBitsAreFiveFiveFive = false;
    std::deque<HRESULT> exclusiveResults;   // one per exclusive request, then DD_OK
    DWORD systemPadding = 12;               // bytes DirectDraw adds to each line
    DWORD primaryPadding = 0;

    // The record.
    int objectsCreated = 0;
    int liveObjects = 0;
    int liveSurfaces = 0;
    bool objectReleasedBeforeItsSurfaces = false;
    std::vector<ModeRequest> modeRequests;
    std::vector<LevelRequest> levelRequests;
    int restoreDisplayCalls = 0;
    int surfacesCreated = 0;
    DDSURFACEDESC lastDescription{};
    int palettesCreated = 0;
    DWORD lastPaletteFlags = 0;
    int retraceWaits = 0;
};

inline DirectDrawScript& script()
{
    static DirectDrawScript instance;
    return instance;
}

}  // namespace vxr::scripted
