#pragma once

#include <cstdint>

#include "vxr/console/console_mode.h"
#include "vxr/console/web/web_gl_frame.h"
#include "vxr/format/pixel_format.h"

namespace vxr {

// The page's <canvas>, sized to the frame. With WebGL2 (the default where
// the browser has it) frames are converted by the GPU (WebGlFrame); with
// the 2D context (Module.vxrCanvasBackend = '2d', or no WebGL2) they go in
// through putImageData on an ImageData that views the console's converted
// bytes in wasm memory (R, G, B, A in memory order, alpha opaque). CSS
// scales the canvas onto the area its placement (FramePlacement) gives it
// in its room: the width of its holder and the window's height below its
// top, or the whole screen while full-screen; pixels are kept sharp.
//
// The canvas is the page's element with id "canvas" (or Module.canvas).
// Whenever its box changes size, the console's boxResized runs with the
// box's CSS size.
class WebCanvas {
public:
    using BoxListener = void (*)(void* listener, std::int32_t cssWidth, std::int32_t cssHeight);

    // Whether the page has a canvas at all.
    static bool exists();

    // How the canvas is placed in its room (a SCALING_ code other than
    // SCALING_COMPOSITOR), now and in later opens.
    void placeBy(std::int32_t scaling);

    // Takes the canvas for frames of width x height; false when it has no
    // context to draw with. onBoxResized is told each size of its box, the
    // first at once.
    bool open(std::int32_t width, std::int32_t height, BoxListener onBoxResized, void* listener);
    void close();
    bool isOpen() const { return opened; }

    // Shows the area (x, y, w, h) of pixels, a whole frame of the open size
    // laid out without gaps between rows.
    void show(const std::uint8_t* pixels, std::int32_t x, std::int32_t y, std::int32_t w,
              std::int32_t h);
    // Shows w x h pixels of a frame in its own format (first pixel at
    // pixels, rows pitch bytes apart) at (x, y), converted by the GPU. False,
    // showing nothing, where the canvas cannot (see WebGlFrame::show): the
    // caller converts the frame itself and uses show().
    bool showFrame(const PixelFormat& format, const void* lookup, const std::uint8_t* pixels,
                   std::int32_t pitch, std::int32_t x, std::int32_t y, std::int32_t w,
                   std::int32_t h);
    // Brings pixels, the whole frame that show() takes, up to what the
    // canvas shows after frames that showFrame() drew, before show() changes
    // part of it.
    void readShownInto(std::uint8_t* pixels);
    // Whether show() needs alpha 255 in the bytes: the GPU makes it so itself.
    bool needsOpaqueBytes() const { return !throughGl; }

    // Asks the browser to show the canvas over the whole screen (or to leave
    // it). Browsers grant it only during a user's gesture: a request made
    // before one waits for the next key press or click on the page.
    static void requestFullscreen(bool wanted);

    // Called from the page's script with the box's new size.
    static void reportBox(std::int32_t cssWidth, std::int32_t cssHeight);
    // Called from the page's script with the room the canvas has, in CSS
    // pixels, whenever it may have changed.
    static void reportRoom(std::int32_t cssWidth, std::int32_t cssHeight);

private:
    // Sizes the canvas's box to its placement in a room of that size.
    void fitInto(std::int32_t cssWidth, std::int32_t cssHeight);

    bool opened = false;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    std::int32_t placement = SCALING_INTEGER;
    bool throughGl = false;
    WebGlFrame gpu;
};

}  // namespace vxr
