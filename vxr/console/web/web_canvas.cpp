#include "vxr/console/web/web_canvas.h"

#include <emscripten.h>

#include <new>

#include "vxr/console/placement/frame_placement.h"
#include "vxr/console/placement/output_scale.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

constexpr std::int64_t CANVAS_PIXEL_BYTES = 4;

// The one open canvas, whose box the page's room sizes, from the start of
// its open: a page has one canvas for frames.
WebCanvas* placedCanvas = nullptr;

EM_JS(int, pageHasCanvas, (), {
    return (Module.canvas || document.getElementById('canvas')) ? 1 : 0;
});

// What openCanvasElement returns when it has a context.
constexpr int OPENED_2D = 1;
constexpr int OPENED_WITH_GL = 2;
// The page has a canvas, but it gives neither a 2D nor a WebGL2 context.
constexpr int NO_CONTEXT = -1;

// The page picks with Module.vxrCanvasBackend: '2d', or 'webgl' (WebGL2
// wherever the browser has it). Left to itself, the canvas takes WebGL2
// only where a GPU draws it: a software rasterizer runs the upload and the
// draw on the CPU too, and takes many times longer than putImageData for
// each frame. The drawing buffer is kept between frames, so that the page
// (or a test) can read the canvas at any time, as it can a 2D one.
//
// The room is reported with the pixel ratio whenever either may change: a
// resize of the window or of the canvas's holder, full-screen, and a change of devicePixelRatio (a
// zoom, a move to another monitor), which only a media query on the ratio
// in force tells, asked again after each change. The box is reported in
// device pixels, as the browser lays it out on the screen.
EM_JS(int, openCanvasElement, (int width, int height), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (!canvas) return 0;
    const state = { canvas: canvas, frameWidth: width, frameHeight: height, area: [0, 0, 0, 0],
                    images: new Map() };
    canvas.width = width;
    canvas.height = height;
    // Each canvas pixel is one device pixel; should the browser still scale
    // the canvas (a zoom not yet reported), it stays sharp.
    canvas.style.imageRendering = 'pixelated';
    const drawnBySoftware = () => {
        const probe = document.createElement('canvas').getContext('webgl2');
        if (!probe) return true;
        const info = probe.getExtension('WEBGL_debug_renderer_info');
        const renderer = info ? String(probe.getParameter(info.UNMASKED_RENDERER_WEBGL)) : "";
        const lose = probe.getExtension('WEBGL_lose_context');
        if (lose) lose.loseContext();
        return /SwiftShader|llvmpipe|softpipe|Basic Render|software/i.test(renderer);
    };
    const asked = Module.vxrCanvasBackend;
    if (asked === 'webgl' || (asked !== '2d' && !drawnBySoftware()))
        state.gl = canvas.getContext('webgl2', { alpha: false, antialias: false, depth: false,
                                                 stencil: false, preserveDrawingBuffer: true });
    if (!state.gl) {
        state.context = canvas.getContext('2d', { alpha: false });
        if (!state.context) return -1;  // NO_CONTEXT
    }
    Module.vxrCanvasBackendInUse = state.gl ? 'webgl' : '2d';
    state.fit = () => {
        const holder = canvas.parentElement || document.body;
        const full = document.fullscreenElement && document.fullscreenElement.contains(canvas);
        const reserve = typeof Module.vxrReservedHeight === 'number' ? Module.vxrReservedHeight : 48;
        const roomWidth = full ? innerWidth : holder.clientWidth;
        const roomHeight = full ? innerHeight
                                : innerHeight - Math.max(0, holder.getBoundingClientRect().top) - reserve;
        _vxr_web_canvas_room(Math.floor(roomWidth), Math.floor(roomHeight), full ? 1 : 0, devicePixelRatio);
    };
    state.watchRatio = () => {
        if (state.ratioQuery) state.ratioQuery.removeEventListener('change', state.ratioChanged);
        state.ratioQuery = matchMedia('(resolution: ' + devicePixelRatio + 'dppx)');
        state.ratioQuery.addEventListener('change', state.ratioChanged);
    };
    state.ratioChanged = () => { state.watchRatio(); state.fit(); };
    state.observer = new ResizeObserver(entries => {
        const entry = entries[entries.length - 1];
        const device = entry.devicePixelContentBoxSize && entry.devicePixelContentBoxSize[0];
        const shown = canvas.getClientRects().length > 0;
        const w = !shown ? 0 : device ? device.inlineSize : Math.round(entry.contentRect.width * devicePixelRatio);
        const h = !shown ? 0 : device ? device.blockSize : Math.round(entry.contentRect.height * devicePixelRatio);
        _vxr_web_canvas_box(w, h);
    });
    // The holder's own size counts too: a page may size it, or hide it.
    state.holderObserver = new ResizeObserver(() => state.fit());
    state.holderObserver.observe(canvas.parentElement || document.body);
    addEventListener('resize', state.fit);
    document.addEventListener('fullscreenchange', state.fit);
    Module.vxrCanvasState = state;
    state.watchRatio();
    try {
        state.observer.observe(canvas, { box: 'device-pixel-content-box' });
    } catch (error) {
        state.observer.observe(canvas);
    }
    return state.gl ? 2 : 1;  // OPENED_WITH_GL, OPENED_2D
});

// The box in CSS pixels holds exactly the canvas's pixels at the ratio.
EM_JS(void, sizeCanvas, (int width, int height, double ratio), {
    const state = Module.vxrCanvasState;
    if (!state) return;
    state.canvas.style.width = (width / ratio) + 'px';
    state.canvas.style.height = (height / ratio) + 'px';
    if (state.canvas.width !== width) state.canvas.width = width;
    if (state.canvas.height !== height) state.canvas.height = height;
});

// Where the frame shows, for the page (and its tests) to read.
EM_JS(void, noteFrameArea, (int x, int y, int w, int h), {
    if (Module.vxrCanvasState) Module.vxrCanvasState.area = [x, y, w, h];
});

// Asks the page to report the canvas's room again.
EM_JS(void, refitCanvas, (), {
    if (Module.vxrCanvasState) Module.vxrCanvasState.fit();
});

EM_JS(void, closeCanvasElement, (), {
    const state = Module.vxrCanvasState;
    if (!state) return;
    state.observer.disconnect();
    state.holderObserver.disconnect();
    removeEventListener('resize', state.fit);
    document.removeEventListener('fullscreenchange', state.fit);
    state.ratioQuery.removeEventListener('change', state.ratioChanged);
    Module.vxrCanvasState = null;
});

// The 2D context's path: an ImageData that views width x height pixels of
// wasm memory at pixels, made again only when memory has grown (its buffer
// is then another) or other bytes are shown; a few are kept, since the
// frame, the scaled copy and a program's own memory may take turns.
EM_JS(void, putOnCanvas, (const std::uint8_t* pixels, int width, int height, int atX, int atY,
                          int x, int y, int w, int h), {
    const state = Module.vxrCanvasState;
    if (!state) return;
    const key = pixels + ' ' + width + ' ' + height;
    let image = state.images.get(key);
    if (!image || image.data.buffer !== HEAPU8.buffer) {
        if (state.images.size >= 4 || (image && image.data.buffer !== HEAPU8.buffer)) state.images.clear();
        image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4), width, height);
        state.images.set(key, image);
    }
    // The whole ImageData without a dirty area: the browser's quicker way.
    if (x === 0 && y === 0 && w === width && h === height)
        state.context.putImageData(image, atX, atY);
    else
        state.context.putImageData(image, atX, atY, x, y, w, h);
});

EM_JS(void, readCanvas, (std::uint8_t* pixels, int x, int y, int w, int h), {
    const state = Module.vxrCanvasState;
    if (!state || !state.context) return;
    HEAPU8.set(state.context.getImageData(x, y, w, h).data, pixels);
});

// A refused request (no gesture yet) is made again at the next key press or
// click, which browsers count as one.
EM_JS(void, askForFullscreen, (int wanted), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (!canvas) return;
    const target = canvas.parentElement || canvas;
    if (Module.vxrFullscreenRetry) {
        removeEventListener('keydown', Module.vxrFullscreenRetry, true);
        removeEventListener('pointerdown', Module.vxrFullscreenRetry, true);
        Module.vxrFullscreenRetry = null;
    }
    if (!wanted) {
        if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
        return;
    }
    const ask = () => target.requestFullscreen ? target.requestFullscreen() : Promise.reject();
    ask().catch(() => {
        const retry = () => {
            removeEventListener('keydown', retry, true);
            removeEventListener('pointerdown', retry, true);
            Module.vxrFullscreenRetry = null;
            ask().catch(() => {});
        };
        Module.vxrFullscreenRetry = retry;
        addEventListener('keydown', retry, true);
        addEventListener('pointerdown', retry, true);
    });
});

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void vxr_web_canvas_box(int deviceWidth, int deviceHeight)
{
    WebCanvas::reportBox(deviceWidth, deviceHeight);
}

extern "C" EMSCRIPTEN_KEEPALIVE void vxr_web_canvas_room(int cssWidth, int cssHeight,
                                                         int fullScreen, double pixelRatio)
{
    WebCanvas::reportRoom(cssWidth, cssHeight, fullScreen != 0, pixelRatio);
}

bool WebCanvas::exists() { return pageHasCanvas() != 0; }

bool WebCanvas::open(std::int32_t width, std::int32_t height, std::uint8_t* pixels,
                     Listener* listening)
{
    close();
    frameWidth = width;
    frameHeight = height;
    framePixels = pixels;
    framePixelsCurrent = true;
    // Nothing is placed yet: the first report of the room is news.
    pixelsWide = pixelsHigh = 0;
    noRoom = noBox = hidden = false;
    area = Rect{0, 0, 0, 0};
    const int how = openCanvasElement(width, height);
    throughGl = how == OPENED_WITH_GL;
    opened = how == OPENED_2D || (throughGl && gpu.open(width, height));
    if (how == 0)
        setLastError("the page has no canvas: give it an element with id \"canvas\" or set "
                     "Module.canvas");
    else if (how == NO_CONTEXT)
        setLastError("the page's canvas gives neither a 2D nor a WebGL2 context");
    else if (!opened)
        setLastError("the canvas's WebGL2 context could not be set up");
    if (!opened) {
        closeCanvasElement();
        return false;
    }
    // The page reports the room, and the canvas takes its size, at once.
    listener = listening;
    placedCanvas = this;
    refitCanvas();
    return true;
}

void WebCanvas::close()
{
    if (!opened) return;
    gpu.close();
    closeCanvasElement();
    listener = nullptr;
    placedCanvas = nullptr;
    framePixels = nullptr;
    opened = false;
}

bool WebCanvas::showsFrameUnscaled() const
{
    return area.left == 0 && area.top == 0 && area.width() == frameWidth &&
           area.height() == frameHeight && pixelsWide == frameWidth && pixelsHigh == frameHeight;
}

void WebCanvas::show(const std::uint8_t* pixels, std::int64_t pitch, const Rect& shownArea)
{
    if (!isShown() || !pixels || shownArea.width() <= 0 || shownArea.height() <= 0) return;
    if (pixels != framePixels) framePixelsCurrent = false;
    if (pixels == framePixels && shownArea.width() == frameWidth && shownArea.height() == frameHeight)
        framePixelsCurrent = true;
    if (throughGl)
        gpu.showCanvasPixels(pixels + shownArea.top * pitch + shownArea.left * CANVAS_PIXEL_BYTES,
                             pitch, static_cast<std::int32_t>(shownArea.left),
                             static_cast<std::int32_t>(shownArea.top),
                             static_cast<std::int32_t>(shownArea.width()),
                             static_cast<std::int32_t>(shownArea.height()));
    else
        putArea(pixels, pitch, shownArea);
}

bool WebCanvas::showOwnBytes(const std::uint8_t* pixels, std::int64_t pitch, std::int32_t height,
                             const Rect& source, std::int32_t x, std::int32_t y)
{
    if (throughGl || !isShown() || !showsFrameUnscaled() || !pixels || pitch <= 0 ||
        pitch % CANVAS_PIXEL_BYTES != 0)
        return false;
    // The ImageData views the whole surface; the area goes where it shows.
    putOnCanvas(pixels, static_cast<int>(pitch / CANVAS_PIXEL_BYTES), height,
                static_cast<int>(x - source.left), static_cast<int>(y - source.top),
                static_cast<int>(source.left), static_cast<int>(source.top),
                static_cast<int>(source.width()), static_cast<int>(source.height()));
    framePixelsCurrent = false;
    return true;
}

void WebCanvas::putArea(const std::uint8_t* pixels, std::int64_t pitch, const Rect& shownArea)
{
    const auto x = static_cast<int>(shownArea.left);
    const auto y = static_cast<int>(shownArea.top);
    const auto w = static_cast<int>(shownArea.width());
    const auto h = static_cast<int>(shownArea.height());
    if (showsFrameUnscaled() && pitch == std::int64_t{frameWidth} * CANVAS_PIXEL_BYTES) {
        // The ImageData views the frame's own bytes.
        putOnCanvas(pixels, frameWidth, frameHeight, 0, 0, x, y, w, h);
        return;
    }
    // Scaled, the whole frame is scaled again: an area's edges would need
    // the neighbouring pixels' share of the canvas.
    const auto areaWidth = static_cast<std::int32_t>(area.width());
    const auto areaHeight = static_cast<std::int32_t>(area.height());
    const std::int64_t bytes = std::int64_t{areaWidth} * areaHeight * CANVAS_PIXEL_BYTES;
    if (bytes > scaledBytes) {
        scaled.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
        scaledBytes = scaled ? bytes : 0;
    }
    if (!scaled || !scaler.prepare(frameWidth, frameHeight, areaWidth, areaHeight,
                                   static_cast<std::int32_t>(CANVAS_PIXEL_BYTES)))
        return;
    scaler.scale(pixels, pitch, scaled.get(), std::int64_t{areaWidth} * CANVAS_PIXEL_BYTES);
    putOnCanvas(scaled.get(), areaWidth, areaHeight, static_cast<int>(area.left),
                static_cast<int>(area.top), 0, 0, areaWidth, areaHeight);
}

bool WebCanvas::showFrame(const PixelFormat& format, const void* lookup,
                          const std::uint8_t* pixels, std::int32_t pitch, std::int32_t x,
                          std::int32_t y, std::int32_t w, std::int32_t h)
{
    return opened && throughGl && gpu.show(format, lookup, pixels, pitch, w, h, x, y);
}

void WebCanvas::readShownIntoFramePixels()
{
    if (!opened || !framePixels) return;
    if (throughGl) {
        gpu.readBack(framePixels);
        return;
    }
    keepFrame();
}

void WebCanvas::keepFrame()
{
    // Only a frame shown pixel for pixel comes from elsewhere (see show()),
    // and the canvas holds it until its size changes.
    if (throughGl || framePixelsCurrent || !showsFrameUnscaled() || hidden) return;
    readCanvas(framePixels, 0, 0, frameWidth, frameHeight);
    framePixelsCurrent = true;
}

void WebCanvas::requestFullscreen(bool wanted) { askForFullscreen(wanted ? 1 : 0); }

void WebCanvas::reportBox(std::int32_t deviceWidth, std::int32_t deviceHeight)
{
    WebCanvas* canvas = placedCanvas;
    if (!canvas) return;
    // The canvas still holds what it showed, whatever comes next.
    canvas->keepFrame();
    canvas->noBox = deviceWidth <= 0 || deviceHeight <= 0;
    // The browser may round the box to other device pixels than the
    // placement's: the canvas takes what the screen gives it.
    if (!canvas->noBox && (deviceWidth != canvas->pixelsWide || deviceHeight != canvas->pixelsHigh)) {
        sizeCanvas(deviceWidth, deviceHeight, canvas->ratio);
        canvas->takePixels(deviceWidth, deviceHeight);
        return;
    }
    canvas->takePixels(canvas->pixelsWide, canvas->pixelsHigh);
}

void WebCanvas::reportRoom(std::int32_t cssWidth, std::int32_t cssHeight, bool fullScreen,
                           double pixelRatio)
{
    if (placedCanvas) placedCanvas->fitInto(cssWidth, cssHeight, fullScreen, pixelRatio);
}

void WebCanvas::followRoom(bool wanted)
{
    followsRoom = wanted;
    if (placedCanvas == this) fitInto(room.width, room.height, room.fullScreen, room.ratio);
}

void WebCanvas::placeBy(std::int32_t scaling)
{
    placement = scaling;
    if (placedCanvas == this) refitCanvas();
}

void WebCanvas::fitInto(std::int32_t cssWidth, std::int32_t cssHeight, bool fullScreen,
                        double pagesRatio)
{
    room = Room{cssWidth, cssHeight, fullScreen, pagesRatio};
    ratio = OutputScale::settle(pagesRatio, "the page's devicePixelRatio");
    keepFrame();
    // A holder with no width shows nothing, and nothing is drawn.
    noRoom = cssWidth <= 0;
    if (noRoom) {
        sizeCanvas(0, 0, ratio);
        takePixels(pixelsWide, pixelsHigh);
        return;
    }
    // A fixed canvas has the frame's own size on the screen for its room.
    const bool fixed = !followsRoom && !fullScreen;
    const std::int32_t roomWidth = OutputScale::physical(fixed ? frameWidth : cssWidth, ratio);
    const std::int32_t roomHeight = OutputScale::physical(fixed ? frameHeight : cssHeight, ratio);
    Rect placed = FramePlacement::place(placement, frameWidth, frameHeight, roomWidth, roomHeight);
    // A page with no room left below the canvas's top still shows the
    // frame, at its own size on the screen, where the page can scroll to it.
    if (placed.width() <= 0 || placed.height() <= 0)
        placed = FramePlacement::place(placement, frameWidth, frameHeight,
                                       OutputScale::physical(frameWidth, ratio),
                                       OutputScale::physical(frameHeight, ratio));
    const auto width = static_cast<std::int32_t>(placed.width());
    const auto height = static_cast<std::int32_t>(placed.height());
    sizeCanvas(width, height, ratio);
    takePixels(width, height);
}

void WebCanvas::takePixels(std::int32_t width, std::int32_t height)
{
    const bool nowHidden = noRoom || noBox;
    const Rect placed = FramePlacement::place(placement, frameWidth, frameHeight, width, height);
    if (width == pixelsWide && height == pixelsHigh && nowHidden == hidden && placed == area &&
        ratio == reportedRatio)
        return;
    pixelsWide = width;
    pixelsHigh = height;
    hidden = nowHidden;
    area = placed;
    reportedRatio = ratio;
    noteFrameArea(static_cast<int>(area.left), static_cast<int>(area.top),
                  static_cast<int>(area.width()), static_cast<int>(area.height()));
    // A canvas given a new size is cleared: the frame is shown again.
    if (throughGl)
        gpu.place(width, height, area);
    else if (!hidden && framePixels)
        putArea(framePixels, std::int64_t{frameWidth} * CANVAS_PIXEL_BYTES,
                Rect{0, 0, frameWidth, frameHeight});
    if (listener) listener->canvasResized();
}

}  // namespace vxr
