// A page for the web console's format test: one frame after another, each
// shown until a key, then the end. The frames cover each way the console
// converts (GPU tables for indexed and 16-bit pixels, channel order for
// 32-bit ones, the CPU for 24-bit ones) and the changes of only part of the
// canvas that must leave the rest as it was. The pixels follow formulas the
// test computes on its own side.
#include <cstdint>
#include <cstring>

#include "vxr/vxr.h"

namespace {

constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;

using ValueAt = std::uint32_t (*)(int x, int y);
using ColourOf = std::uint32_t (*)(std::uint32_t index);

std::uint32_t indexAt(int x, int y) { return static_cast<std::uint32_t>(x * 5 + y * 7) & 0xFF; }
std::uint32_t paletteA(std::uint32_t i) { return (i * 37 & 0xFF) << 16 | (255 - i) << 8 | (i * 11 & 0xFF); }
std::uint32_t paletteB(std::uint32_t i) { return (255 - i) << 16 | (i * 3 & 0xFF) << 8 | (i ^ 0x5A); }
std::uint32_t paletteC(std::uint32_t i) { return (i * 7 & 0xFF) << 16 | i << 8 | ((i * 5 + 1) & 0xFF); }
std::uint32_t rgb565At(int x, int y) { return static_cast<std::uint32_t>(x * 1031 + y * 977) & 0xFFFF; }
std::uint32_t argb1555At(int x, int y) { return static_cast<std::uint32_t>(x * 2003 + y * 1409) & 0xFFFF; }
std::uint32_t rgb888At(int x, int y)
{
    return static_cast<std::uint32_t>((x * 9 + y) & 0xFF) << 16 |
           static_cast<std::uint32_t>((y * 13) & 0xFF) << 8 | static_cast<std::uint32_t>((x * y) & 0xFF);
}
// Scrambled values, alpha bytes included, so every channel's byte differs.
std::uint32_t argbAt(int x, int y) { return static_cast<std::uint32_t>(x * 64 + y + 1) * 2654435761u; }
std::uint32_t argbOtherAt(int x, int y) { return static_cast<std::uint32_t>(x * 64 + y + 7) * 2246822519u; }
std::uint32_t bgraAt(int x, int y) { return static_cast<std::uint32_t>(x * 64 + y + 3) * 3266489917u; }
// The canvas's own byte order: opaque, and then with alpha bytes that are
// not, which must show opaque all the same.
std::uint32_t abgrAt(int x, int y) { return 0xFF000000u | (static_cast<std::uint32_t>(x * 64 + y + 5) * 2654435761u >> 8); }
std::uint32_t abgrSeeThroughAt(int x, int y) { return static_cast<std::uint32_t>(x * 64 + y + 9) * 2246822519u & 0x7FFFFFFFu; }

// A frame of the format with each pixel's little-endian value from valueAt.
class Frame {
public:
    Frame(vxr::ConsoleFrontEnd& display, std::int32_t format, ValueAt valueAt)
        : surface(display, WIDTH, HEIGHT, vxr::PixelFormat(format), vxr::MEMORY_SYSTEM, -1, -1, -1)
    {
        std::uint8_t* pixels = surface.lock(1);
        if (!pixels) return;
        const int bytes = surface.format().bytes;
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x < WIDTH; ++x) {
                const std::uint32_t value = valueAt(x, y);
                for (int byte = 0; byte < bytes; ++byte)
                    pixels[std::int64_t{y} * surface.pitch() + x * bytes + byte] =
                        static_cast<std::uint8_t>(value >> (8 * byte));
            }
        surface.unlock();
    }

    bool setPalette(ColourOf colourOf)
    {
        vxr::Palette palette;
        std::uint32_t* colours = palette.lock();
        if (!colours) return false;
        for (std::uint32_t i = 0; i < 256; ++i) colours[i] = colourOf(i);
        palette.unlock();
        return surface.setPalette(palette) != 0;
    }

    bool showWhole() { return surface.update() != 0; }

    // Shows the area of the frame at the same place on the canvas.
    bool showArea(vxr::Console& console, int left, int top, int right, int bottom)
    {
        const vxr::Rect area{left, top, right, bottom};
        return surface.copyArea(console.primary(), &area, &area, 0) != 0;
    }

private:
    vxr::Surface surface;
};

}  // namespace

int main()
{
    vxr::ConsoleFrontEnd display(WIDTH, HEIGHT, vxr::PREFER32, -1, -1, -1);
    if (!display.isOpen()) return 1;
    vxr::Console& console = *display.current();
    Frame indexed(display, vxr::INDEX8, indexAt);
    // Each step is shown until a key; a step that fails ends the page with
    // its number as the exit code.
    int step = 2;
    const auto shown = [&](bool done) {
        if (!done) return false;
        console.readKey();
        ++step;
        return true;
    };
    // The palette changes over the whole frame, then under a part of it.
    if (!shown(indexed.setPalette(paletteA) && indexed.showWhole()) ||
        !shown(indexed.setPalette(paletteB) && indexed.showWhole()) ||
        !shown(indexed.setPalette(paletteC) && indexed.showArea(console, 0, 0, 32, 24)))
        return step;
    Frame rgb565(display, vxr::RGB565, rgb565At);
    Frame rgb888(display, vxr::RGB888, rgb888At);
    Frame argb(display, vxr::ARGB8888, argbAt);
    Frame argbOther(display, vxr::ARGB8888, argbOtherAt);
    Frame bgra(display, vxr::BGRA8888, bgraAt);
    Frame argb1555(display, vxr::ARGB1555, argb1555At);
    Frame abgr(display, vxr::ABGR8888, abgrAt);
    Frame abgrSeeThrough(display, vxr::ABGR8888, abgrSeeThroughAt);
    if (!shown(rgb565.showWhole()) || !shown(rgb888.showArea(console, 16, 8, 48, 40)) ||
        !shown(argb.showWhole()) || !shown(argbOther.showArea(console, 8, 4, 39, 20)) ||
        !shown(bgra.showWhole()) || !shown(argb1555.showWhole()) || !shown(abgr.showWhole()) ||
        !shown(abgr.showArea(console, 8, 8, 40, 30)) ||
        !shown(abgrSeeThrough.showArea(console, 4, 6, 44, 28)))
        return step;
    return 0;
}
