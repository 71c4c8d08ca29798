#pragma once

#include <cstdint>
#include <memory>

#include "vxr/console/console_mode.h"
#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/web/web_gl_frame.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {

// The page's <canvas>. Its own pixels are the screen's: the canvas holds
// its CSS box times the page's devicePixelRatio, so that the browser shows
// each canvas pixel on one device pixel and never stretches (or blurs) the
// frame itself; the library scales the frame onto those pixels the way the
// program chose (FramePlacement), sharp, as every desktop console does.
//
// The box is the frame's placement in the canvas's room (the width of its
// holder and the window's height below its top, or the whole screen while
// full-screen), reckoned in device pixels and given to CSS in its own
// pixels. With WebGL2 (the default where a GPU draws it) frames are
// converted and scaled by the GPU (WebGlFrame); with the 2D context
// (Module.vxrCanvasBackend = '2d', or no WebGL2) they go in through
// putImageData on ImageData that views wasm memory.
//
// The canvas is the page's element with id "canvas" (or Module.canvas).
// Whenever its pixels change size (its room, the pixel ratio, the page's
// zoom), or it goes out of sight or comes back, the listener hears it.
class WebCanvas {
public:
    class Listener {
    public:
        // The canvas's pixels have a new size (cleared) or it was hidden or
        // shown: the frame is shown again, scaled the new way.
        virtual void canvasResized() = 0;

    protected:
        ~Listener() = default;
    };

    // Whether the page has a canvas at all.
    static bool exists();

    // How the canvas is placed in its room (a SCALING_ code other than
    // SCALING_COMPOSITOR), now and in later opens.
    void placeBy(std::int32_t scaling);
    // Whether the canvas follows its room (true) or keeps the frame's size
    // on the screen, the frame at one CSS pixel a pixel, whatever the room
    // (false); now and in later opens. Full-screen, it fills the screen
    // either way.
    void followRoom(bool wanted);

    // Takes the canvas for frames of width x height; false when it has no
    // context to draw with. framePixels is the frame as the CPU last made
    // it, in the canvas's byte order (R, G, B, A, rows without gaps), kept
    // by the caller for as long as the canvas is open: the canvas shows it
    // again at a new size. The listener hears of the first size at once.
    bool open(std::int32_t width, std::int32_t height, std::uint8_t* framePixels,
              Listener* listener);
    void close();
    bool isOpen() const { return opened; }

    // The canvas's own pixels: device pixels, 0 while it is out of sight.
    std::int32_t pixelWidth() const { return hidden ? 0 : pixelsWide; }
    std::int32_t pixelHeight() const { return hidden ? 0 : pixelsHigh; }
    // Where the frame shows among them.
    Rect frameArea() const { return area; }
    // Device pixels a CSS pixel, as the page last said (settled).
    double pixelRatio() const { return ratio; }
    // The room last reported, for a change of the way the canvas is fitted.
    struct Room {
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool fullScreen = false;
        double ratio = 1.0;
    };
    // Whether anything shows: false for a canvas that is not displayed or
    // has no room.
    bool isShown() const { return opened && !hidden; }
    // Whether every frame pixel is one canvas pixel.
    bool showsFrameUnscaled() const;

    // Shows the area frameArea of a frame in the canvas's byte order whose
    // first pixel (its top left) is at pixels, rows pitch bytes apart,
    // scaled onto the canvas. Alpha must be 255: the canvas shows what its
    // bytes say.
    void show(const std::uint8_t* pixels, std::int64_t pitch, const Rect& frameArea);
    // Shows the area source of a surface whose pixels are already the
    // canvas's bytes, alpha 255 (first pixel at pixels, rows pitch bytes
    // apart, height rows), at (x, y), from the surface's own memory: no
    // copy on the way to the canvas. False, showing nothing, unless the 2D
    // context shows the frame pixel for pixel.
    bool showOwnBytes(const std::uint8_t* pixels, std::int64_t pitch, std::int32_t height,
                      const Rect& source, std::int32_t x, std::int32_t y);
    // Shows w x h pixels of a frame in its own format (first pixel at
    // pixels, rows pitch bytes apart) at (x, y), converted by the GPU. False,
    // showing nothing, where the canvas cannot (see WebGlFrame::show): the
    // caller converts the frame itself into framePixels and uses show().
    bool showFrame(const PixelFormat& format, const void* lookup, const std::uint8_t* pixels,
                   std::int32_t pitch, std::int32_t x, std::int32_t y, std::int32_t w,
                   std::int32_t h);
    // Brings framePixels up to what the canvas shows, after frames that did
    // not come from them, before the caller changes part of them.
    void readShownIntoFramePixels();
    // Whether show() needs alpha 255 in the bytes: the GPU makes it so itself.
    bool needsOpaqueBytes() const { return !throughGl; }

    // Asks the browser to show the canvas over the whole screen (or to leave
    // it). Browsers grant it only during a user's gesture: a request made
    // before one waits for the next key press or click on the page.
    static void requestFullscreen(bool wanted);

    // Called from the page's script with the device pixels of the canvas's
    // box (0 x 0 while it is not displayed).
    static void reportBox(std::int32_t deviceWidth, std::int32_t deviceHeight);
    // Called from the page's script with the room the canvas has, in CSS
    // pixels, whether it is the screen's, and the page's pixel ratio,
    // whenever any may have changed.
    static void reportRoom(std::int32_t cssWidth, std::int32_t cssHeight, bool fullScreen,
                           double pixelRatio);

private:
    // Sizes the canvas's box and pixels to its placement in a room of that
    // size.
    void fitInto(std::int32_t cssWidth, std::int32_t cssHeight, bool fullScreen,
                 double reportedRatio);
    // The canvas's pixels are width x height from now on, the frame placed
    // among them and shown again; tells the listener where anything changed.
    void takePixels(std::int32_t width, std::int32_t height);
    // Reads a frame the canvas shows from elsewhere than framePixels into
    // them, before a new size clears the canvas.
    void keepFrame();
    // The 2D context's part of show(): the frame's own bytes where nothing
    // scales, else the whole frame scaled into the canvas's own copy.
    void putArea(const std::uint8_t* pixels, std::int64_t pitch, const Rect& frameArea);

    bool opened = false;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    std::int32_t placement = SCALING_INTEGER;
    bool followsRoom = true;
    bool throughGl = false;
    WebGlFrame gpu;
    Listener* listener = nullptr;
    std::uint8_t* framePixels = nullptr;
    // Whether framePixels hold all the canvas shows: false after a frame
    // that came from elsewhere.
    bool framePixelsCurrent = true;

    std::int32_t pixelsWide = 0;
    std::int32_t pixelsHigh = 0;
    // Out of sight: the holder has no width, or the canvas is not displayed.
    bool noRoom = false;
    bool noBox = false;
    bool hidden = false;
    double ratio = 1.0;
    // The ratio the listener last heard of.
    double reportedRatio = 1.0;
    Room room;
    Rect area{0, 0, 0, 0};
    // The 2D context's canvas-sized pixels for a scaled frame.
    std::unique_ptr<std::uint8_t[]> scaled;
    std::int64_t scaledBytes = 0;
    FrameScaler scaler;
};

}  // namespace vxr
