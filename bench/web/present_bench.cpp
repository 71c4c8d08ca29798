// The web console's present against the canvas's own limit, measured in
// the page: for a 320x200 RGB565 frame and a 1920x1080 ARGB8888 frame, the
// time Surface::update takes on the web console (conversion into the
// canvas's byte order and the hand-over to the canvas), and the time a raw
// putImageData of a ready RGBA frame of the same size takes. Each figure is
// the median of many presents, each after an animation frame, so that no
// present waits for the browser's turn. Prints a table and a JSON line.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "vxr/vxr.h"

namespace {

constexpr int SAMPLES = 120;

EM_JS(double, rawPutMilliseconds, (int width, int height), {
    if (!Module.rawCanvas || Module.rawCanvas.width !== width || Module.rawCanvas.height !== height) {
        Module.rawCanvas = document.createElement('canvas');
        Module.rawCanvas.width = width;
        Module.rawCanvas.height = height;
        Module.rawContext = Module.rawCanvas.getContext('2d', { alpha: false });
        const bytes = new Uint8ClampedArray(width * height * 4);
        for (let i = 0; i < bytes.length; ++i) bytes[i] = (i & 3) === 3 ? 255 : (i * 7) & 255;
        Module.rawImage = new ImageData(bytes, width, height);
    }
    const start = performance.now();
    Module.rawContext.putImageData(Module.rawImage, 0, 0);
    return performance.now() - start;
});

EM_JS(int, drawsThroughWebGl, (), {
    return Module.vxrCanvasBackend === 'webgl' ? 1 : 0;
});

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void fill(vxr::Surface& frame)
{
    std::uint8_t* pixels = frame.lock(1);
    if (!pixels) return;
    const std::int64_t rowBytes = std::int64_t{frame.width()} * frame.format().bytes;
    for (int y = 0; y < frame.height(); ++y)
        for (std::int64_t i = 0; i < rowBytes; ++i)
            pixels[y * std::int64_t{frame.pitch()} + i] = static_cast<std::uint8_t>(i * 13 + y * 7);
    frame.unlock();
}

struct Figures {
    double present;
    double raw;
};

Figures measure(int width, int height, std::int32_t format)
{
    vxr::ConsoleFrontEnd display(width, height, vxr::PREFER32, -1, -1, -1);
    vxr::Console& console = *display.current();
    vxr::Surface frame(display, width, height, vxr::PixelFormat(format), vxr::MEMORY_SYSTEM, -1,
                       -1, -1);
    fill(frame);
    std::vector<double> present;
    std::vector<double> raw;
    for (int i = 0; i < SAMPLES; ++i) {
        console.waitRetrace();
        const double start = emscripten_get_now();
        frame.update();
        present.push_back(emscripten_get_now() - start);
        console.waitRetrace();
        raw.push_back(rawPutMilliseconds(width, height));
    }
    return {median(present), median(raw)};
}

}  // namespace

int main()
{
    const Figures small = measure(320, 200, vxr::RGB565);
    const Figures large = measure(1920, 1080, vxr::ARGB8888);
    const char* backend = drawsThroughWebGl() ? "webgl" : "putImageData";
    std::printf("canvas through %s; medians of %d presents, milliseconds\n", backend, SAMPLES);
    std::printf("%-24s %10s %10s %7s\n", "frame", "present", "raw put", "ratio");
    std::printf("%-24s %10.3f %10.3f %7.2f\n", "320x200 RGB565", small.present, small.raw,
                small.present / small.raw);
    std::printf("%-24s %10.3f %10.3f %7.2f\n", "1920x1080 ARGB8888", large.present, large.raw,
                large.present / large.raw);
    std::printf("{\"backend\":\"%s\",\"small\":[%.4f,%.4f],\"large\":[%.4f,%.4f]}\n", backend,
                small.present, small.raw, large.present, large.raw);
    std::fflush(stdout);
    return 0;
}
