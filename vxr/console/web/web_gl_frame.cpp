#include "vxr/console/web/web_gl_frame.h"

#include <emscripten.h>


namespace vxr {
namespace {

// The frame textures, by how the shader reads them; the numbers are the
// script's indices into its list of kinds.
constexpr int RGBA_TEXTURE = 0;
constexpr int WORD_TEXTURE = 1;
constexpr int BYTE_TEXTURE = 2;

constexpr std::int64_t CANVAS_PIXEL_BYTES = 4;

// The build's script minifier takes neither destructuring nor spreading.
//
// Every texel is fetched, never filtered: integer textures cannot be
// filtered, and a frame pixel is a block of whole canvas pixels where the
// scale is whole. Each canvas pixel of the frame's area shows the frame
// pixel under its centre, the rule of the library's own scaler and of the
// pointer's mapping. The tables are RGBA8 and the canvas is 8 bits a
// channel, so a texel's value reaches the canvas as it is.
EM_JS(int, makeGlFrame, (int width, int height), {
    const state = Module.vxrCanvasState;
    const gl = state && state.gl;
    if (!gl) return 0;
    const program = fragment => {
        const made = gl.createProgram();
        const vertex = '#version 300 es\nin vec2 p;void main(){gl_Position=vec4(p,0.0,1.0);}';
        const attach = (type, text) => {
            const shader = gl.createShader(type);
            gl.shaderSource(shader, text);
            gl.compileShader(shader);
            gl.attachShader(made, shader);
            // Marked for deletion now, a shader goes with its program.
            gl.deleteShader(shader);
        };
        attach(gl.VERTEX_SHADER, vertex);
        attach(gl.FRAGMENT_SHADER, fragment);
        gl.bindAttribLocation(made, 0, 'p');
        gl.linkProgram(made);
        if (!gl.getProgramParameter(made, gl.LINK_STATUS)) {
            gl.deleteProgram(made);
            return null;
        }
        gl.useProgram(made);
        gl.uniform2i(gl.getUniformLocation(made, 's'), width, height);
        gl.uniform1i(gl.getUniformLocation(made, 'f'), 0);
        gl.uniform1i(gl.getUniformLocation(made, 'l'), 1);
        made.order = gl.getUniformLocation(made, 'o');
        made.top = gl.getUniformLocation(made, 'top');
        made.area = gl.getUniformLocation(made, 'a');
        return made;
    };
    // Texture rows run top down, as the frame's and the area's do; the
    // canvas counts y up. top is the canvas's last row, a the frame's area
    // (left, top, width, height) and s the frame's size.
    const head = '#version 300 es\nprecision highp float;precision highp int;uniform int top;' +
                 'uniform ivec4 a;uniform ivec2 s;out vec4 c;ivec2 at(){' +
                 'ivec2 p=ivec2(int(gl_FragCoord.x)-a.x,top-int(gl_FragCoord.y)-a.y);' +
                 'return (2*p+1)*s/(2*a.zw);}';
    const bytes = program(head + 'uniform highp sampler2D f;uniform ivec3 o;' +
        'void main(){vec4 t=texelFetch(f,at(),0);c=vec4(t[o.x],t[o.y],t[o.z],1.0);}');
    const table = program(head + 'uniform highp usampler2D f;uniform highp sampler2D l;' +
        'void main(){uint v=texelFetch(f,at(),0).r;' +
        'c=vec4(texelFetch(l,ivec2(int(v&255u),int(v>>8u)),0).rgb,1.0);}');
    if (!bytes || !table) {
        gl.deleteProgram(bytes);
        gl.deleteProgram(table);
        return 0;
    }
    const corners = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, corners);
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 3, -1, -1, 3]), gl.STATIC_DRAW);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
    gl.pixelStorei(gl.PACK_ALIGNMENT, 1);
    // Textures are made on first use: most programs draw one format.
    const texture = (unit, internal, w, h) => {
        const made = gl.createTexture();
        gl.activeTexture(gl.TEXTURE0 + unit);
        gl.bindTexture(gl.TEXTURE_2D, made);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
        gl.texStorage2D(gl.TEXTURE_2D, 1, internal, w, h);
        return made;
    };
    const kinds = [
        { internal: gl.RGBA8, format: gl.RGBA, type: gl.UNSIGNED_BYTE, program: bytes },
        { internal: gl.R16UI, format: gl.RED_INTEGER, type: gl.UNSIGNED_SHORT, program: table,
          tableHeight: 256, wide: true },
        { internal: gl.R8UI, format: gl.RED_INTEGER, type: gl.UNSIGNED_BYTE, program: table,
          tableHeight: 1 },
    ];
    const frame = { gl: gl, width: width, height: height, kinds: kinds, last: null,
                    programs: [bytes, table], corners: corners,
                    canvasHeight: height, area: [0, 0, width, height] };
    frame.frameTexture = kind => kind.texture || (kind.texture = texture(0, kind.internal, width, height));
    frame.tableTexture = kind =>
        kind.table || (kind.table = texture(1, gl.RGBA8, 256, kind.tableHeight));
    // Draws into the frame's area of whatever is bound: the canvas, or the
    // frame-sized read-back buffer with the area the whole of it.
    frame.drawInto = (canvasHeight, area, index, red, green, blue) => {
        const kind = kinds[index];
        gl.useProgram(kind.program);
        gl.uniform1i(kind.program.top, canvasHeight - 1);
        gl.uniform4i(kind.program.area, area[0], area[1], area[2], area[3]);
        gl.viewport(area[0], canvasHeight - area[1] - area[3], area[2], area[3]);
        if (kind.program.order) gl.uniform3i(kind.program.order, red, green, blue);
        gl.activeTexture(gl.TEXTURE0);
        gl.bindTexture(gl.TEXTURE_2D, frame.frameTexture(kind));
        if (kind.tableHeight) {
            gl.activeTexture(gl.TEXTURE1);
            gl.bindTexture(gl.TEXTURE_2D, frame.tableTexture(kind));
        }
        gl.drawArrays(gl.TRIANGLES, 0, 3);
    };
    frame.draw = (index, red, green, blue) => {
        frame.drawInto(frame.canvasHeight, frame.area, index, red, green, blue);
        frame.last = [index, red, green, blue];
    };
    frame.upload = (unit, made, rowLength, x, y, w, h, format, type, view, offset) => {
        gl.activeTexture(gl.TEXTURE0 + unit);
        gl.bindTexture(gl.TEXTURE_2D, made);
        gl.pixelStorei(gl.UNPACK_ROW_LENGTH, rowLength);
        gl.texSubImage2D(gl.TEXTURE_2D, 0, x, y, w, h, format, type, view, offset);
    };
    state.frame = frame;
    return 1;
});

// The rows go up straight from wasm memory: no copy in the script.
EM_JS(void, showGlFrame, (int index, const void* pixels, int rowLength, int x, int y, int w,
                          int h, int red, int green, int blue), {
    const frame = Module.vxrCanvasState && Module.vxrCanvasState.frame;
    if (!frame) return;
    const kind = frame.kinds[index];
    frame.upload(0, frame.frameTexture(kind), rowLength, x, y, w, h, kind.format, kind.type,
                 kind.wide ? HEAPU16 : HEAPU8, kind.wide ? pixels >> 1 : pixels);
    frame.draw(index, red, green, blue);
});

// The canvas's drawing buffer has a new size (cleared) or the frame a new
// area: the bars are cleared and the last frame drawn again.
EM_JS(void, placeGlFrame, (int canvasHeight, int x, int y, int w, int h), {
    const frame = Module.vxrCanvasState && Module.vxrCanvasState.frame;
    if (!frame) return;
    const gl = frame.gl;
    frame.canvasHeight = canvasHeight;
    frame.area = [x, y, w, h];
    gl.viewport(0, 0, gl.drawingBufferWidth, gl.drawingBufferHeight);
    gl.clearColor(0, 0, 0, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    if (frame.last && w > 0 && h > 0) frame.draw(frame.last[0], frame.last[1], frame.last[2], frame.last[3]);
});

EM_JS(void, setGlTable, (int index, const void* entries), {
    const frame = Module.vxrCanvasState && Module.vxrCanvasState.frame;
    if (!frame) return;
    const kind = frame.kinds[index];
    frame.upload(1, frame.tableTexture(kind), 0, 0, 0, 256, kind.tableHeight, frame.gl.RGBA,
                 frame.gl.UNSIGNED_BYTE, HEAPU8, entries);
});

// Draws the last frame once more, pixel for pixel, into a frame-sized
// buffer of its own and reads it, rows turned top down: the canvas may
// show it scaled, or not at all.
EM_JS(void, readGlFrame, (std::uint8_t* pixels), {
    const frame = Module.vxrCanvasState && Module.vxrCanvasState.frame;
    if (!frame || !frame.last) return;
    const gl = frame.gl;
    if (!frame.readBuffer) {
        frame.readTarget = gl.createRenderbuffer();
        gl.bindRenderbuffer(gl.RENDERBUFFER, frame.readTarget);
        gl.renderbufferStorage(gl.RENDERBUFFER, gl.RGBA8, frame.width, frame.height);
        frame.readBuffer = gl.createFramebuffer();
        gl.bindFramebuffer(gl.FRAMEBUFFER, frame.readBuffer);
        gl.framebufferRenderbuffer(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.RENDERBUFFER, frame.readTarget);
    }
    gl.bindFramebuffer(gl.FRAMEBUFFER, frame.readBuffer);
    frame.drawInto(frame.height, [0, 0, frame.width, frame.height], frame.last[0], frame.last[1],
                   frame.last[2], frame.last[3]);
    const rowBytes = frame.width * 4;
    const read = new Uint8Array(rowBytes * frame.height);
    gl.readPixels(0, 0, frame.width, frame.height, gl.RGBA, gl.UNSIGNED_BYTE, read);
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    for (let row = 0; row < frame.height; ++row)
        HEAPU8.set(read.subarray((frame.height - 1 - row) * rowBytes, (frame.height - row) * rowBytes),
                   pixels + row * rowBytes);
});

EM_JS(void, dropGlFrame, (), {
    const state = Module.vxrCanvasState;
    if (!state || !state.frame) return;
    const gl = state.frame.gl;
    for (const kind of state.frame.kinds) {
        if (kind.texture) gl.deleteTexture(kind.texture);
        if (kind.table) gl.deleteTexture(kind.table);
    }
    // A console opened again makes its own: nothing of this frame is kept.
    for (const program of state.frame.programs) gl.deleteProgram(program);
    if (state.frame.readBuffer) {
        gl.deleteFramebuffer(state.frame.readBuffer);
        gl.deleteRenderbuffer(state.frame.readTarget);
    }
    gl.deleteBuffer(state.frame.corners);
    state.frame = null;
});

}  // namespace

WebGlFrame::WebGlFrame() = default;
WebGlFrame::~WebGlFrame() { close(); }

bool WebGlFrame::open(std::int32_t width, std::int32_t height)
{
    close();
    opened = makeGlFrame(width, height) != 0;
    frameWidth = width;
    frameHeight = height;
    return opened;
}

void WebGlFrame::close()
{
    if (!opened) return;
    dropGlFrame();
    opened = false;
    shownFormat = PixelFormat();
    shownFromCanvasPixels = false;
    wordTableOnGpu = byteTableOnGpu = 0;
}

bool WebGlFrame::show(const PixelFormat& format, const void* lookup, const std::uint8_t* pixels,
                      std::int32_t pitch, std::int32_t width, std::int32_t height, std::int32_t x,
                      std::int32_t y)
{
    // Rows must step forward by whole pixels from an aligned first pixel for
    // the upload to read them in place.
    const auto address = reinterpret_cast<std::uintptr_t>(pixels);
    if (!opened || CanvasPixelMap::kindFor(format) == CanvasPixelMap::Kind::NONE || !pixels ||
        pitch <= 0 || pitch % format.bytes != 0 ||
        address % static_cast<std::uintptr_t>(format.bytes) != 0 || !map.prepare(format, lookup))
        return false;
    const bool words = map.kind() == CanvasPixelMap::Kind::WORD_TABLE;
    const bool tabled = map.table() != nullptr;
    std::uint32_t& onGpu = words ? wordTableOnGpu : byteTableOnGpu;
    const bool tableChanges = tabled && onGpu != map.tableVersion();
    const bool whole = x == 0 && y == 0 && width == frameWidth && height == frameHeight;
    if (!whole && (tableChanges || shownFormat != format || shownFromCanvasPixels)) return false;
    const int texture = !tabled ? RGBA_TEXTURE : (words ? WORD_TEXTURE : BYTE_TEXTURE);
    if (tableChanges) {
        setGlTable(texture, map.table());
        onGpu = map.tableVersion();
    }
    const auto order = map.channelBytes();
    showGlFrame(texture, pixels, pitch / format.bytes, x, y, width, height, order[0], order[1],
                order[2]);
    shownFormat = format;
    shownFromCanvasPixels = false;
    return true;
}

void WebGlFrame::showCanvasPixels(const std::uint8_t* pixels, std::int64_t pitch, std::int32_t x,
                                  std::int32_t y, std::int32_t width, std::int32_t height)
{
    if (!opened || pitch % CANVAS_PIXEL_BYTES != 0) return;
    showGlFrame(RGBA_TEXTURE, pixels, static_cast<int>(pitch / CANVAS_PIXEL_BYTES), x, y, width,
                height, 0, 1, 2);
    shownFormat = PixelFormat(ABGR8888);
    shownFromCanvasPixels = true;
}

void WebGlFrame::readBack(std::uint8_t* pixels)
{
    if (!opened || shownFromCanvasPixels) return;
    readGlFrame(pixels);
    showCanvasPixels(pixels, std::int64_t{frameWidth} * CANVAS_PIXEL_BYTES, 0, 0, frameWidth,
                     frameHeight);
}

void WebGlFrame::place(std::int32_t canvasWidth, std::int32_t canvasHeight, const Rect& area)
{
    if (!opened) return;
    const bool empty = canvasWidth <= 0 || canvasHeight <= 0;
    placeGlFrame(canvasHeight, static_cast<int>(area.left), static_cast<int>(area.top),
                 empty ? 0 : static_cast<int>(area.width()),
                 empty ? 0 : static_cast<int>(area.height()));
}

}  // namespace vxr
