#pragma once

/// @file
/// WindowOptions, how a Window opens.

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

/// How a Window opens; every field has a default, so a program names only
/// what it wants:
///
///     vxr::Window window({.title = "plasma", .format = vxr::PixelFormat(vxr::INDEX8)});
struct WindowOptions {
    /// Where the frame is shown (the values are WINDOWED and FULLSCREEN).
    enum class Output : std::int32_t {
        Default = -1,     ///< what the console prefers: a window on a desktop
        Windowed = 41,    ///< in a desktop window
        Fullscreen = 40,  ///< over the whole screen
    };
    /// How the frame is stretched to the window (the values are
    /// SCALING_SHARP, SCALING_COMPOSITOR, SCALING_INTEGER and
    /// SCALING_STRETCH).
    enum class Scaling : std::int32_t {
        Default = -1,     ///< what the console prefers (the compositor's on Wayland)
        Sharp = 50,       ///< the library's nearest-pixel scaling, aspect kept: every pixel stays sharp
        Compositor = 51,  ///< the compositor's, where it offers one: faster, and it may filter
        Integer = 52,     ///< the largest whole multiple that fits, centred: blocks of one size
        Stretch = 53,     ///< over the whole window, the aspect not kept
    };

    /// The window's title; null leaves the console's own.
    const char* title = "vxr";
    /// The frame's size in pixels; the window shows it scaled, aspect kept.
    std::int32_t width = 320;
    std::int32_t height = 200;  ///< the frame's height in pixels
    /// The frame's format; the display converts it to its own.
    PixelFormat format = PixelFormat(ARGB8888);
    Output output = Output::Default;     ///< where the frame is shown
    Scaling scaling = Scaling::Default;  ///< how the frame is stretched
    /// The user may resize the window, down to the frame at one screen pixel
    /// a pixel (less where the screen is smaller); false keeps the size it
    /// opened at.
    bool resizable = true;
    /// A close request (the close box, the window manager) arrives as a
    /// Close event and isOpen() turns false; with false the process ends
    /// with exit code 0 at once.
    bool closeAsEvent = true;
};

}  // namespace vxr
