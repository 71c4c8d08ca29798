#pragma once

#include <cstdint>

#include "vxr/console/web/canvas_pixel_map.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {

// Draws frames on the canvas's WebGL2 context, scaled onto the frame's area
// of the canvas, with the conversion done by the GPU (a CanvasPixelMap run by the fragment shader), so a present costs
// the CPU no pass over the pixels:
// - 32-bit frames whose channels are whole bytes go up as they are, an RGBA8
//   texture, and the shader picks each channel's byte;
// - 16-bit and 8-bit frames go up as their raw values (R16UI, R8UI), and the
//   shader looks each value up in a table texture that the library's own
//   converter filled, so every colour is the converter's to the byte. An
//   indexed frame's table is made from its palette and made again when the
//   palette changes.
// Other frames are converted on the CPU into the canvas's byte order and go
// up as RGBA8 pixels taken as they are (showCanvasPixels).
//
// The textures hold the frame in the last sampling drawn. A frame in another
// sampling (format or table) can only replace the whole frame: redrawing
// would recolour the rest of it.
class WebGlFrame {
public:
    WebGlFrame();
    ~WebGlFrame();
    WebGlFrame(const WebGlFrame&) = delete;
    WebGlFrame& operator=(const WebGlFrame&) = delete;

    // Makes the programs and textures on the open canvas's WebGL2 context.
    bool open(std::int32_t width, std::int32_t height);
    void close();

    // Shows width x height pixels of a frame in format, whose first pixel is
    // at pixels with rows pitch bytes apart, at (x, y) on the canvas. False,
    // drawing nothing, when the GPU cannot convert this frame: the format has
    // no such path, the rows do not suit an upload, or only part of the
    // canvas would change while the canvas shows a frame of other sampling.
    bool show(const PixelFormat& format, const void* lookup, const std::uint8_t* pixels,
              std::int32_t pitch, std::int32_t width, std::int32_t height, std::int32_t x,
              std::int32_t y);
    // Shows an area (x, y, width, height) of a frame already in the
    // canvas's byte order (ABGR8888) whose area starts at pixels, rows pitch
    // bytes apart.
    void showCanvasPixels(const std::uint8_t* pixels, std::int64_t pitch, std::int32_t x,
                          std::int32_t y, std::int32_t width, std::int32_t height);
    // The canvas's drawing buffer is canvasWidth x canvasHeight now (and
    // cleared), the frame shown scaled onto area: the bars are cleared and
    // the last frame drawn again. Every later frame is drawn there.
    void place(std::int32_t canvasWidth, std::int32_t canvasHeight, const Rect& area);
    // Reads what the canvas shows into pixels (ABGR8888, a whole frame) and
    // shows those from now on, so the CPU path can change part of it.
    void readBack(std::uint8_t* pixels);

private:
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    bool opened = false;
    // The format of the frame the canvas shows; empty before the first.
    PixelFormat shownFormat;
    bool shownFromCanvasPixels = false;
    CanvasPixelMap map;
    // The versions of the map's tables that the table textures hold; 0 for
    // none.
    std::uint32_t wordTableOnGpu = 0;
    std::uint32_t byteTableOnGpu = 0;
};

}  // namespace vxr
