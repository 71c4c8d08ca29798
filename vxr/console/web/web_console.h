#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "vxr/console/core/frame_presenter.h"
#include "vxr/console/core/windowed_console.h"
#include "vxr/console/web/canvas_pixel_map.h"
#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/web/web_canvas.h"
#include "vxr/console/web/web_input.h"

namespace vxr {

class Converter;

// Shows frames in the page's <canvas> (a WebAssembly build in a browser).
// The canvas has the screen's own pixels (its CSS size times the page's
// devicePixelRatio, which scale() reports) and the frame is scaled onto
// them sharp, in the largest whole multiple that fits unless the program
// chooses another way. Through WebGL2 the GPU converts and scales a frame
// of most formats from its own bytes; any other frame (and every frame on
// the 2D context) is converted by the library's converters into the
// canvas's own byte order, R, G, B, A (ABGR8888), in a buffer the canvas
// reads straight from wasm memory.
//
// There is no window thread: the browser delivers input between the
// program's turns. The program's blocking loop runs as it is, built with
// Asyncify: waitRetrace, a frame's update, readKey and waitEvent suspend it
// and give the browser its turn.
class WebConsole : public WindowedConsole, public FramePresenter, private WebCanvas::Listener {
public:
    WebConsole();
    ~WebConsole() override;

    int ok() override { return WebCanvas::exists() ? 1 : 0; }
    int modes(std::vector<ConsoleMode>& list) override;
    int waitRetrace() override;
    int consoleId() override { return CONSOLE_ID_WEB; }
    int name(char* out) override { return writeName(out, "Web"); }
    void* window() override;
    int waitEvent(Event* out, int timeoutMilliseconds) override;
    int setOutput(int output) override;
    // The page's devicePixelRatio while a canvas is open, settled.
    double scale() override;

    int present(Surface* source, const Rect& sourceArea, const Rect& destinationArea) override;

private:
    // The canvas is the window: it opens black, listens for input and goes
    // over the whole screen where asked.
    bool openWindow(int width, int height, int output) override;
    void closeWindow() override;
    bool hasWindow() override { return canvas.isOpen(); }
    FramePresenter* framePresenter() override { return this; }
    // The page's title, whether or not a canvas is open.
    bool showTitle(const char* text) override;
    // Keys arrive only while the browser has its turn.
    int waitForKey() override;
    bool hasTerminal() override { return false; }
    // Every placement but the compositor's: the browser scales all frames.
    bool placeFrameFor(int scaling) override;
    // A resizable canvas follows its room in the page; a fixed one keeps
    // the frame's size on the screen.
    bool applyResizing() override;
    // The pointer maps through the new placement, the program hears of
    // the new size, and a frame presented while nothing showed is shown.
    void canvasResized() override;

    // Has the GPU convert the source area onto the same-sized destination
    // area; false where it cannot, having shown nothing.
    bool showOnGpu(Surface& source, const Rect& sourceArea, const Rect& destinationArea);
    // Gives the canvas the source area from the surface's own memory where
    // its pixels are the canvas's bytes, opaque, and the canvas shows the
    // frame pixel for pixel; false where it cannot, having shown nothing.
    bool showOwnBytes(Surface& source, const Rect& sourceArea, const Rect& destinationArea);
    // Converts the source area into the canvas's pixels at the destination
    // area, which has the same size.
    bool convertInto(Surface& source, const Rect& sourceArea, std::uint8_t* pixels,
                     std::int64_t pitch, const Rect& destinationArea);
    // A scaled copy: converted first, then scaled by the library's scaler.
    bool scaleInto(Surface& source, const Rect& sourceArea, const Rect& destinationArea);
    // Records when the browser painted a frame the canvas was given.
    static void frameReachedScreen(void* console, double timeMilliseconds,
                                   double intervalMilliseconds);
    // Gives the browser a turn unless the program gave it one since the
    // last frame, so a loop that only presents still gets its frames painted.
    void yieldAfterFrame();

    WebInput listener;
    WebCanvas canvas;
    // The frame as the CPU last converted it: width x height in ABGR8888,
    // rows without gaps, which the canvas shows again at each new size.
    // After a frame the GPU converted, the canvas reads them back before
    // the CPU changes part of them.
    std::unique_ptr<std::uint8_t[]> framePixels;
    // A frame was presented while the canvas showed nothing.
    bool presentedUnseen = false;
    CanvasPixelMap pixelMap;
    std::unique_ptr<Converter> converter;
    PixelFormat convertedFormat;
    std::unique_ptr<std::uint8_t[]> unscaled;
    std::int64_t unscaledBytes = 0;
    FrameScaler scaler;
    bool yieldedSinceFrame = true;
};

}  // namespace vxr
