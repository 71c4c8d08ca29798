#pragma once

#include <cstdint>

namespace vxr {

// The page's <canvas>, sized to the frame: frames go in through
// putImageData on an ImageData that views the frame's bytes in wasm memory
// (R, G, B, A in memory order, alpha opaque), or through a WebGL texture
// when the page asks for that with Module.vxrCanvasBackend = 'webgl'. CSS
// scales the canvas to the largest whole scale that fits its place (the
// whole screen while full-screen), pixels kept sharp.
//
// The canvas is the page's element with id "canvas" (or Module.canvas).
// Whenever its box changes size, the console's boxResized runs with the
// box's CSS size.
class WebCanvas {
public:
    using BoxListener = void (*)(void* listener, std::int32_t cssWidth, std::int32_t cssHeight);

    // Whether the page has a canvas at all.
    static bool exists();

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

    // Asks the browser to show the canvas over the whole screen (or to leave
    // it). Browsers grant it only during a user's gesture: a request made
    // before one waits for the next key press or click on the page.
    static void requestFullscreen(bool wanted);

    // Called from the page's script with the box's new size.
    static void reportBox(std::int32_t cssWidth, std::int32_t cssHeight);

private:
    bool opened = false;
};

}  // namespace vxr
