// A page for the web console's format test: an INDEX8 frame with its
// palette, then (after a key) an RGB565 frame, then (after another) the end.
// The pixels follow formulas the test computes on its own side.
#include <cstdint>
#include <cstring>

#include "vxr/vxr.h"

namespace {

constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;

bool showIndexed(vxr::ConsoleFrontEnd& display)
{
    vxr::Surface frame(display, WIDTH, HEIGHT, vxr::PixelFormat(vxr::INDEX8), vxr::MEMORY_SYSTEM,
                       -1, -1, -1);
    vxr::Palette palette;
    std::uint32_t* colours = palette.lock();
    if (!frame.isValid() || !colours) return false;
    for (std::uint32_t i = 0; i < 256; ++i)
        colours[i] = (i * 37 & 0xFF) << 16 | (255 - i) << 8 | (i * 11 & 0xFF);
    palette.unlock();
    frame.setPalette(palette);
    std::uint8_t* pixels = frame.lock(1);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x)
            pixels[std::int64_t{y} * frame.pitch() + x] = static_cast<std::uint8_t>(x * 5 + y * 7);
    frame.unlock();
    return frame.update() != 0;
}

bool showRgb565(vxr::ConsoleFrontEnd& display)
{
    vxr::Surface frame(display, WIDTH, HEIGHT, vxr::PixelFormat(vxr::RGB565), vxr::MEMORY_SYSTEM,
                       -1, -1, -1);
    std::uint8_t* pixels = frame.lock(1);
    if (!pixels) return false;
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const auto value = static_cast<std::uint16_t>(x * 1031 + y * 977);
            std::memcpy(pixels + std::int64_t{y} * frame.pitch() + x * 2, &value, 2);
        }
    frame.unlock();
    return frame.update() != 0;
}

}  // namespace

int main()
{
    vxr::ConsoleFrontEnd display(WIDTH, HEIGHT, vxr::PREFER32, -1, -1, -1);
    if (!display.isOpen()) return 1;
    vxr::Console& console = *display.current();
    if (!showIndexed(display)) return 2;
    console.readKey();
    if (!showRgb565(display)) return 3;
    console.readKey();
    return 0;
}
