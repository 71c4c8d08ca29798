#include "vxr/console/web/web_canvas.h"

#include <emscripten.h>

namespace vxr {
namespace {

// The one open canvas's listener: a page has one canvas for frames.
WebCanvas::BoxListener boxListener = nullptr;
void* boxListenerTarget = nullptr;

EM_JS(int, pageHasCanvas, (), {
    return (Module.canvas || document.getElementById('canvas')) ? 1 : 0;
});

// WebGL draws the texture texel for texel, alpha made opaque; the 2D
// context takes the frame's bytes as they are.
EM_JS(int, openCanvasElement, (int width, int height), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (!canvas) return 0;
    const state = { canvas: canvas, width: width, height: height };
    canvas.width = width;
    canvas.height = height;
    canvas.style.imageRendering = 'pixelated';
    if (Module.vxrCanvasBackend === 'webgl') {
        const gl = canvas.getContext('webgl2', { alpha: false, antialias: false, depth: false,
                                                 stencil: false, preserveDrawingBuffer: true });
        if (!gl) return 0;
        const shader = (type, text) => {
            const made = gl.createShader(type);
            gl.shaderSource(made, text);
            gl.compileShader(made);
            return made;
        };
        const program = gl.createProgram();
        gl.attachShader(program, shader(gl.VERTEX_SHADER,
            '#version 300 es\nin vec2 p;void main(){gl_Position=vec4(p,0.0,1.0);}'));
        gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
            '#version 300 es\nprecision highp float;uniform highp sampler2D t;uniform int h;' +
            'out vec4 c;void main(){ivec2 at=ivec2(gl_FragCoord.xy);' +
            'c=vec4(texelFetch(t,ivec2(at.x,h-1-at.y),0).rgb,1.0);}'));
        gl.bindAttribLocation(program, 0, 'p');
        gl.linkProgram(program);
        if (!gl.getProgramParameter(program, gl.LINK_STATUS)) return 0;
        gl.useProgram(program);
        gl.uniform1i(gl.getUniformLocation(program, 'h'), height);
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 3, -1, -1, 3]), gl.STATIC_DRAW);
        gl.enableVertexAttribArray(0);
        gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
        gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
        gl.texStorage2D(gl.TEXTURE_2D, 1, gl.RGBA8, width, height);
        gl.viewport(0, 0, width, height);
        state.gl = gl;
    } else {
        state.context = canvas.getContext('2d', { alpha: false });
        if (!state.context) return 0;
    }
    // The largest whole scale that fits: the screen when full-screen, else
    // the width of the canvas's holder and the window's height below its top.
    state.fit = () => {
        const holder = canvas.parentElement || document.body;
        const full = document.fullscreenElement && document.fullscreenElement.contains(canvas);
        const reserve = typeof Module.vxrReservedHeight === 'number' ? Module.vxrReservedHeight : 48;
        const roomWidth = full ? innerWidth : holder.clientWidth;
        const roomHeight = full ? innerHeight
                                : innerHeight - Math.max(0, holder.getBoundingClientRect().top) - reserve;
        const scale = Math.max(1, Math.floor(Math.min(roomWidth / width, roomHeight / height)));
        canvas.style.width = (width * scale) + 'px';
        canvas.style.height = (height * scale) + 'px';
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
    return 1;
});

EM_JS(void, closeCanvasElement, (), {
    const state = Module.vxrCanvasState;
    if (!state) return;
    state.observer.disconnect();
    removeEventListener('resize', state.fit);
    document.removeEventListener('fullscreenchange', state.fit);
    Module.vxrCanvasState = null;
});

// The ImageData is made again only when memory has grown (its buffer is
// then another) or the frame's bytes moved.
EM_JS(void, showOnCanvas, (const std::uint8_t* pixels, int x, int y, int w, int h), {
    const state = Module.vxrCanvasState;
    if (!state) return;
    if (state.gl) {
        const gl = state.gl;
        gl.pixelStorei(gl.UNPACK_ROW_LENGTH, state.width);
        gl.pixelStorei(gl.UNPACK_SKIP_PIXELS, x);
        gl.pixelStorei(gl.UNPACK_SKIP_ROWS, y);
        gl.texSubImage2D(gl.TEXTURE_2D, 0, x, y, w, h, gl.RGBA, gl.UNSIGNED_BYTE, HEAPU8, pixels);
        gl.drawArrays(gl.TRIANGLES, 0, 3);
        return;
    }
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

bool WebCanvas::exists() { return pageHasCanvas() != 0; }

bool WebCanvas::open(std::int32_t width, std::int32_t height, BoxListener onBoxResized,
                     void* listener)
{
    close();
    boxListener = onBoxResized;
    boxListenerTarget = listener;
    opened = openCanvasElement(width, height) != 0;
    if (!opened) boxListener = nullptr;
    return opened;
}

void WebCanvas::close()
{
    if (!opened) return;
    closeCanvasElement();
    boxListener = nullptr;
    boxListenerTarget = nullptr;
    opened = false;
}

void WebCanvas::show(const std::uint8_t* pixels, std::int32_t x, std::int32_t y, std::int32_t w,
                     std::int32_t h)
{
    if (opened && pixels && w > 0 && h > 0) showOnCanvas(pixels, x, y, w, h);
}

void WebCanvas::requestFullscreen(bool wanted) { askForFullscreen(wanted ? 1 : 0); }

void WebCanvas::reportBox(std::int32_t cssWidth, std::int32_t cssHeight)
{
    if (boxListener) boxListener(boxListenerTarget, cssWidth, cssHeight);
}

}  // namespace vxr
