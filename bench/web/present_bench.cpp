// The web console's present against the canvas's own limit, measured in
// the page: for 320x200 and 1920x1080 frames in another format (RGB565,
// ARGB8888) and in the canvas's own byte order (ABGR8888, alpha opaque),
// the time Surface::update takes on the web console, and the time a raw
// putImageData of a ready RGBA frame of the same size takes. The canvas's
// room is made the frame's width, so that the frame shows pixel for pixel
// (the page's viewport must be taller than the frame). Each figure is
// the median of many presents, each after an animation frame, so that no
// present waits for the browser's turn. Prints a table and a JSON line.
//
// Two figures for each, because a canvas's work is not all done when the
// call returns:
// - "call": the time the call takes on the main thread. A 2D canvas's
//   putImageData has then copied the pixels; WebGL has only queued its
//   upload and draw for the GPU process (SwiftShader: the CPU again).
// - "done": the call followed by a read of one of the canvas's pixels, which
//   cannot answer before everything queued for that canvas has run: for
//   WebGL a round trip through the GPU process after the upload and the
//   draw. The raw put is read back the same way, so both sides pay what the
//   browser must do for a frame before it can be shown (its compositing
//   aside, which both pay alike at most once a display frame).
// - "paced": a steady loop of presents, each followed by the browser's turn
//   until its next animation frame, as a program's loop runs: milliseconds
//   a frame over the whole loop. It cannot go below the display's period
//   (16.7 ms at 60 Hz), so it says only whether a frame's work, wherever
//   the browser does it, outlasts that period; where it does, it agrees
//   with "done", not with "call".
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

#include "vxr/vxr.h"

namespace {

constexpr int SAMPLES = 120;
constexpr int PACED_FRAMES = 60;

// The raw canvas, made once a size, like the console's: a 2D context, not
// in the document.
EM_JS(void, prepareRawPut, (int width, int height), {
    if (Module.rawCanvas && Module.rawCanvas.width === width && Module.rawCanvas.height === height)
        return;
    Module.rawCanvas = document.createElement('canvas');
    Module.rawCanvas.width = width;
    Module.rawCanvas.height = height;
    Module.rawContext = Module.rawCanvas.getContext('2d', { alpha: false });
    const bytes = new Uint8ClampedArray(width * height * 4);
    for (let i = 0; i < bytes.length; ++i) bytes[i] = (i & 3) === 3 ? 255 : (i * 7) & 255;
    Module.rawImage = new ImageData(bytes, width, height);
});

// The canvas's holder as wide as the frame: its largest whole multiple is 1.
EM_JS(void, holdCanvasAt, (int width), {
    const canvas = Module.canvas || document.getElementById('canvas');
    canvas.parentElement.style.width = width + 'px';
});

EM_JS(int, canvasPixelWidth, (), {
    return (Module.canvas || document.getElementById('canvas')).width;
});

EM_JS(void, rawPut, (), {
    Module.rawContext.putImageData(Module.rawImage, 0, 0);
});

EM_JS(void, readRawPixel, (), {
    Module.rawContext.getImageData(0, 0, 1, 1);
});

// The console's canvas, through the context it drew with.
EM_JS(void, readConsolePixel, (), {
    const canvas = Module.canvas || document.getElementById('canvas');
    if (Module.vxrCanvasBackendInUse === 'webgl') {
        const gl = canvas.getContext('webgl2');
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
    } else {
        canvas.getContext('2d').getImageData(0, 0, 1, 1);
    }
});

EM_JS(int, drawsThroughWebGl, (), {
    return Module.vxrCanvasBackendInUse === 'webgl' ? 1 : 0;
});

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Bytes that change along the rows and down; a format's alpha byte, where
// it has one, opaque.
void fill(vxr::Surface& frame)
{
    std::uint8_t* pixels = frame.lock(1);
    if (!pixels) return;
    const vxr::PixelFormat format = frame.format();
    const std::int64_t rowBytes = std::int64_t{frame.width()} * format.bytes;
    const int alphaByte = format.alpha.size == 8 ? format.alpha.shift / 8 : -1;
    for (int y = 0; y < frame.height(); ++y)
        for (std::int64_t i = 0; i < rowBytes; ++i)
            pixels[y * std::int64_t{frame.pitch()} + i] =
                i % format.bytes == alphaByte ? 0xFF : static_cast<std::uint8_t>(i * 13 + y * 7);
    frame.unlock();
}

struct Figures {
    double present;
    double raw;
};

// Each way of timing, present and raw put alike.
struct Timings {
    Figures call;
    Figures done;
    Figures paced;
};

template <class Work>
double millisecondsOf(Work work)
{
    const double start = emscripten_get_now();
    work();
    return emscripten_get_now() - start;
}

Timings measure(int width, int height, std::int32_t format)
{
    holdCanvasAt(width);
    vxr::ConsoleFrontEnd display(width, height, vxr::PREFER32, -1, -1, -1);
    vxr::Console& console = *display.current();
    if (canvasPixelWidth() != width)
        std::printf("the canvas is %d pixels wide for a frame of %d: the frame is scaled\n",
                    canvasPixelWidth(), width);
    vxr::Surface frame(display, width, height, vxr::PixelFormat(format), vxr::MEMORY_SYSTEM, -1,
                       -1, -1);
    fill(frame);
    prepareRawPut(width, height);
    std::vector<double> present, raw, presentDone, rawDone;
    for (int i = 0; i < SAMPLES; ++i) {
        console.waitRetrace();
        present.push_back(millisecondsOf([&] { frame.update(); }));
        console.waitRetrace();
        raw.push_back(millisecondsOf(rawPut));
        console.waitRetrace();
        presentDone.push_back(millisecondsOf([&] {
            frame.update();
            readConsolePixel();
        }));
        console.waitRetrace();
        rawDone.push_back(millisecondsOf([] {
            rawPut();
            readRawPixel();
        }));
    }
    const auto paced = [&](auto work) {
        return millisecondsOf([&] {
                   for (int i = 0; i < PACED_FRAMES; ++i) {
                       work();
                       console.waitRetrace();
                   }
               }) /
               PACED_FRAMES;
    };
    const Figures pacedFigures{paced([&] { frame.update(); }), paced(rawPut)};
    return {{median(present), median(raw)}, {median(presentDone), median(rawDone)}, pacedFigures};
}

void printRow(const char* frame, const char* timing, const Figures& figures)
{
    std::printf("%-20s %-6s %10.3f %10.3f %7.2f\n", frame, timing, figures.present, figures.raw,
                figures.present / figures.raw);
}

}  // namespace

int main()
{
    struct Case {
        const char* name;
        int width, height;
        std::int32_t format;
    };
    constexpr Case CASES[] = {{"320x200 RGB565", 320, 200, vxr::RGB565},
                              {"320x200 ABGR8888", 320, 200, vxr::ABGR8888},
                              {"1920x1080 ARGB8888", 1920, 1080, vxr::ARGB8888},
                              {"1920x1080 ABGR8888", 1920, 1080, vxr::ABGR8888}};
    Timings timings[std::size(CASES)];
    for (std::size_t i = 0; i < std::size(CASES); ++i)
        timings[i] = measure(CASES[i].width, CASES[i].height, CASES[i].format);
    const char* backend = drawsThroughWebGl() ? "webgl" : "putImageData";
    std::printf("canvas through %s; call and done: medians of %d presents; paced: a loop of %d;"
                " milliseconds\n",
                backend, SAMPLES, PACED_FRAMES);
    std::printf("%-20s %-6s %10s %10s %7s\n", "frame", "timing", "present", "raw put", "ratio");
    for (std::size_t i = 0; i < std::size(CASES); ++i) {
        printRow(CASES[i].name, "call", timings[i].call);
        printRow(CASES[i].name, "done", timings[i].done);
        printRow(CASES[i].name, "paced", timings[i].paced);
    }
    // Present and raw put, call, done and paced, for each frame.
    std::printf("{\"backend\":\"%s\"", backend);
    for (std::size_t i = 0; i < std::size(CASES); ++i) {
        const Timings& t = timings[i];
        std::printf(",\"%s\":[%.4f,%.4f,%.4f,%.4f,%.4f,%.4f]", CASES[i].name, t.call.present,
                    t.call.raw, t.done.present, t.done.raw, t.paced.present, t.paced.raw);
    }
    std::printf("}\n");
    std::fflush(stdout);
    return 0;
}
