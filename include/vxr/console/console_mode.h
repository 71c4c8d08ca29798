#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

/// Output codes, format requests and console ids.
inline constexpr std::int32_t FULLSCREEN = 40;
inline constexpr std::int32_t WINDOWED = 41;
/// How a window's frames are stretched: by the library's nearest-pixel
/// scaler, every pixel sharp, or by the compositor where it can (faster, and
/// it may filter).
inline constexpr std::int32_t SCALING_SHARP = 50;
inline constexpr std::int32_t SCALING_COMPOSITOR = 51;
inline constexpr std::int32_t PREFER8 = 1125;
inline constexpr std::int32_t PREFER16 = 1126;
inline constexpr std::int32_t PREFER32 = 1127;
inline constexpr std::int32_t CONSOLE_ID_BASE = 0;
inline constexpr std::int32_t CONSOLE_ID_WINDOW = 100;
inline constexpr std::int32_t CONSOLE_ID_DIRECTX = 101;
inline constexpr std::int32_t CONSOLE_ID_X11 = 102;
inline constexpr std::int32_t CONSOLE_ID_WAYLAND = 103;

/// One display mode as a console reports it.
struct ConsoleMode {
    char driver[8] = {};  ///< the reporting console's name, NUL-terminated
    std::int32_t width = 0;
    std::int32_t height = 0;
    PixelFormat format;
    std::int32_t output = 0;
    std::int32_t parameter = 0;  ///< refresh rate in hertz, 0 for the default
    std::int32_t variant = 0;
};

}  // namespace vxr
