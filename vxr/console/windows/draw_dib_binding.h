#pragma once

#include <windows.h>

#include <cstdint>

#include "vxr/console/windows/owned_resource.h"

namespace vxr {

// Asks DrawDib to dither when it draws a direct-colour frame onto a
// palettised desktop.
inline constexpr UINT DDF_HALFTONE_FLAG = 0x1000;

// The Video for Windows DrawDib functions, loaded at run time so that a
// system without msvfw32.dll still runs: every field stays null then, and
// frames go through StretchBlt instead.
class DrawDibBinding {
public:
    using OpenFunction = HANDLE(WINAPI*)();
    using DrawFunction = BOOL(WINAPI*)(HANDLE drawHandle, HDC context, int x, int y, int width,
                                       int height, BITMAPINFOHEADER* header, void* pixels,
                                       int sourceX, int sourceY, int sourceWidth,
                                       int sourceHeight, UINT flags);
    using CloseFunction = BOOL(WINAPI*)(HANDLE drawHandle);

    // Loads the library and opens a DrawDib handle when it can; the binding
    // exists either way.
    DrawDibBinding();
    ~DrawDibBinding();
    DrawDibBinding(const DrawDibBinding&) = delete;
    DrawDibBinding& operator=(const DrawDibBinding&) = delete;

    // 0 when the function is missing or the drawing failed.
    int draw(HDC context, int x, int y, int width, int height, BITMAPINFOHEADER* header,
             void* pixels, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
             UINT flags) const;

    OpenFunction openFunction = nullptr;
    DrawFunction drawFunction = nullptr;
    CloseFunction closeFunction = nullptr;
    LoadedLibrary library;
    HANDLE drawHandle = nullptr;
};

}  // namespace vxr
