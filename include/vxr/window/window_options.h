#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

/// How a Window opens; every field has a default, so a program names only
/// what it wants:
///
///     vxr::Window window({.title = "plasma", .format = vxr::PixelFormat(vxr::INDEX8)});
struct WindowOptions {
    enum class Output : std::int32_t {
        Default = -1,  ///< what the console prefers: a window on a desktop
        Windowed = 41,
        Fullscreen = 40,
    };
    enum class Scaling : std::int32_t {
        Default = -1,  ///< what the console prefers (the compositor's on Wayland)
        Sharp = 50,    ///< the library's nearest-pixel scaling: every pixel stays sharp
        Compositor = 51,
    };

    const char* title = "vxr";
    /// The frame's size in pixels; the window shows it scaled, aspect kept.
    std::int32_t width = 320;
    std::int32_t height = 200;
    /// The frame's format; the display converts it to its own.
    PixelFormat format = PixelFormat(ARGB8888);
    Output output = Output::Default;
    Scaling scaling = Scaling::Default;
    /// A close request (the close box, the window manager) arrives as a
    /// Close event and isOpen() turns false; with false the process ends
    /// with exit code 0 at once.
    bool closeAsEvent = true;
};

}  // namespace vxr
