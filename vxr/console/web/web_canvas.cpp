#include "vxr/console/web/web_canvas.h"

#include <emscripten.h>

#include "vxr/console/placement/frame_placement.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// The one open canvas's listener: a page has one canvas for frames.
WebCanvas::BoxListener boxListener = nullptr;
void* boxListenerTarget = nullptr;
// The canvas whose box the page's room sizes, from the start of its open.
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
EM_JS(int, openCanvasElement, (int width, int height), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (!canvas) return 0;
    const state = { canvas: canvas, width: width, height: height };
    canvas.width = width;
    canvas.height = height;
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
    // The room the canvas is placed in: the screen when full-screen, else
    // the width of the canvas's holder and the window's height below its
    // top. The library places the frame in it, as every console does.
    state.fit = () => {
        const holder = canvas.parentElement || document.body;
        const full = document.fullscreenElement && document.fullscreenElement.contains(canvas);
        const reserve = typeof Module.vxrReservedHeight === 'number' ? Module.vxrReservedHeight : 48;
        const roomWidth = full ? innerWidth : holder.clientWidth;
        const roomHeight = full ? innerHeight
                                : innerHeight - Math.max(0, holder.getBoundingClientRect().top) - reserve;
        _vxr_web_canvas_room(Math.floor(roomWidth), Math.floor(roomHeight));
    };
    state.observer = new ResizeObserver(() => {
        const box = canvas.getBoundingClientRect();
        _vxr_web_canvas_box(Math.round(box.width), Math.round(box.height));
    });
    addEventListener('resize', state.fit);
    document.addEventListener('fullscreenchange', state.fit);
    state.fit();
    state.observer.observe(canvas);
    Module.vxrCanvasState = state;
    return state.gl ? 2 : 1;  // OPENED_WITH_GL, OPENED_2D
});

EM_JS(void, sizeCanvasBox, (int width, int height), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (!canvas) return;
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
});

// Asks the page to report the canvas's room again.
EM_JS(void, refitCanvas, (), {
    if (Module.vxrCanvasState) Module.vxrCanvasState.fit();
});

EM_JS(void, closeCanvasElement, (), {
    const state = Module.vxrCanvasState;
    if (!state) return;
    state.observer.disconnect();
    removeEventListener('resize', state.fit);
    document.removeEventListener('fullscreenchange', state.fit);
    Module.vxrCanvasState = null;
});

// The 2D context's path. The ImageData is made again only when memory has grown (its buffer is
// then another) or the frame's bytes moved.
EM_JS(void, putOnCanvas, (const std::uint8_t* pixels, int x, int y, int w, int h), {
    const state = Module.vxrCanvasState;
    if (!state) return;
    if (!state.image || state.image.data.buffer !== HEAPU8.buffer || state.pixels !== pixels) {
        const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, state.width * state.height * 4);
        state.image = new ImageData(bytes, state.width, state.height);
        state.pixels = pixels;
    }
    state.context.putImageData(state.image, 0, 0, x, y, w, h);
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

extern "C" EMSCRIPTEN_KEEPALIVE void vxr_web_canvas_box(int cssWidth, int cssHeight)
{
    WebCanvas::reportBox(cssWidth, cssHeight);
}

extern "C" EMSCRIPTEN_KEEPALIVE void vxr_web_canvas_room(int cssWidth, int cssHeight)
{
    WebCanvas::reportRoom(cssWidth, cssHeight);
}

bool WebCanvas::exists() { return pageHasCanvas() != 0; }

bool WebCanvas::open(std::int32_t width, std::int32_t height, BoxListener onBoxResized,
                     void* listener)
{
    close();
    boxListener = onBoxResized;
    boxListenerTarget = listener;
    // The page reports the room while the element opens.
    frameWidth = width;
    frameHeight = height;
    placedCanvas = this;
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
        boxListener = nullptr;
        placedCanvas = nullptr;
    }
    return opened;
}

void WebCanvas::close()
{
    if (!opened) return;
    gpu.close();
    closeCanvasElement();
    boxListener = nullptr;
    boxListenerTarget = nullptr;
    placedCanvas = nullptr;
    opened = false;
}

void WebCanvas::show(const std::uint8_t* pixels, std::int32_t x, std::int32_t y, std::int32_t w,
                     std::int32_t h)
{
    if (!opened || !pixels || w <= 0 || h <= 0) return;
    if (throughGl)
        gpu.showCanvasPixels(pixels, x, y, w, h);
    else
        putOnCanvas(pixels, x, y, w, h);
}

bool WebCanvas::showFrame(const PixelFormat& format, const void* lookup,
                          const std::uint8_t* pixels, std::int32_t pitch, std::int32_t x,
                          std::int32_t y, std::int32_t w, std::int32_t h)
{
    return opened && throughGl && gpu.show(format, lookup, pixels, pitch, w, h, x, y);
}

void WebCanvas::readShownInto(std::uint8_t* pixels)
{
    if (opened && throughGl) gpu.readBack(pixels);
}

void WebCanvas::requestFullscreen(bool wanted) { askForFullscreen(wanted ? 1 : 0); }

void WebCanvas::reportBox(std::int32_t cssWidth, std::int32_t cssHeight)
{
    if (boxListener) boxListener(boxListenerTarget, cssWidth, cssHeight);
}

void WebCanvas::reportRoom(std::int32_t cssWidth, std::int32_t cssHeight)
{
    if (placedCanvas) placedCanvas->fitInto(cssWidth, cssHeight);
}

void WebCanvas::placeBy(std::int32_t scaling)
{
    placement = scaling;
    if (placedCanvas == this) refitCanvas();
}

void WebCanvas::fitInto(std::int32_t cssWidth, std::int32_t cssHeight)
{
    Rect area = FramePlacement::place(placement, frameWidth, frameHeight, cssWidth, cssHeight);
    // A page with no room left below the canvas's top still shows the
    // frame, at its own size, where the page can scroll to it.
    if (area.width() <= 0 || area.height() <= 0) area = Rect{0, 0, frameWidth, frameHeight};
    sizeCanvasBox(static_cast<int>(area.width()), static_cast<int>(area.height()));
}

}  // namespace vxr
