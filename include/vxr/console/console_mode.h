#pragma once

/// @file
/// The codes a console is opened with (outputs 40s, scaling 50s, format
/// requests 1100s), the console ids (100s), and ConsoleMode.

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

inline constexpr std::int32_t FULLSCREEN = 40;  ///< Output: the frame over the whole screen.
inline constexpr std::int32_t WINDOWED = 41;    ///< Output: the frame in a desktop window.
/// How a window's frames are stretched: by the library's nearest-pixel
/// scaler onto the largest area of the frame's aspect, every pixel sharp,
/// or by the compositor where it can (faster, and it may filter).
inline constexpr std::int32_t SCALING_SHARP = 50;
/// The compositor's scaling onto the same area; see SCALING_SHARP.
inline constexpr std::int32_t SCALING_COMPOSITOR = 51;
/// The largest whole multiple of the frame that fits, centred between bars,
/// so that every frame pixel shows as a block of one size; a window too
/// small for even one frame shows it scaled down, as SCALING_SHARP does.
inline constexpr std::int32_t SCALING_INTEGER = 52;
/// The frame over the whole window, its aspect not kept.
inline constexpr std::int32_t SCALING_STRETCH = 53;
/// Format request: preferably an 8-bit display mode. A console that cannot
/// change the display opens in the display's format for any preference.
inline constexpr std::int32_t PREFER8 = 1125;
inline constexpr std::int32_t PREFER16 = 1126;  ///< Format request: preferably a 16-bit mode.
inline constexpr std::int32_t PREFER32 = 1127;  ///< Format request: preferably a 32-bit mode.
/// consoleId() of the base console: no display.
inline constexpr std::int32_t CONSOLE_ID_BASE = 0;
inline constexpr std::int32_t CONSOLE_ID_WINDOW = 100;   ///< consoleId() of the GDI window console.
inline constexpr std::int32_t CONSOLE_ID_DIRECTX = 101;  ///< consoleId() of the DirectDraw console.
inline constexpr std::int32_t CONSOLE_ID_X11 = 102;      ///< consoleId() of the X11 console.
inline constexpr std::int32_t CONSOLE_ID_WAYLAND = 103;  ///< consoleId() of the Wayland console.
inline constexpr std::int32_t CONSOLE_ID_WEB = 104;      ///< consoleId() of the browser's canvas console.

/// One display mode as a console reports it.
struct ConsoleMode {
    char driver[8] = {};         ///< the reporting console's name, NUL-terminated
    std::int32_t width = 0;      ///< the frame's width in pixels
    std::int32_t height = 0;     ///< the frame's height in pixels
    PixelFormat format;          ///< the display's pixel format
    std::int32_t output = 0;     ///< FULLSCREEN or WINDOWED
    std::int32_t parameter = 0;  ///< refresh rate in hertz, 0 for the default
    std::int32_t variant = 0;    ///< VARIANT_DEFAULT
};

}  // namespace vxr
