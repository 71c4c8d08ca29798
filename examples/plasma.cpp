// A plasma drawn once in palette indices; every frame only the palette
// turns, and the display converts the indices through it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "vxr/vxr.h"

namespace {

constexpr double PI = 3.14159265358979323846;

void drawPlasma(vxr::Window& window)
{
    vxr::FrameLock pixels = window.lock();
    for (int y = 0; y < pixels.height(); ++y) {
        int x = 0;
        for (std::uint8_t& index : pixels.row<std::uint8_t>(y)) {
            const double value = std::sin(x / 16.0) + std::sin(y / 11.0) +
                                 std::sin((x + y) / 23.0) + std::sin(std::hypot(x - 160, y - 100) / 9.0);
            index = static_cast<std::uint8_t>(static_cast<int>((value + 4.0) * 32.0) & 0xFF);
            ++x;
        }
    }
}

// Three phase-shifted waves of colour, turned by step entries.
void turnPalette(vxr::Palette& palette, int step)
{
    std::uint32_t* colours = palette.lock();
    if (!colours) return;
    for (int i = 0; i < vxr::Palette::SIZE; ++i) {
        const double angle = 2 * PI * ((i + step) % 256) / 256.0;
        const auto channel = [angle](double phase) {
            return static_cast<std::uint32_t>(127.5 + 127.5 * std::sin(angle + phase));
        };
        colours[i] = channel(0) << 16 | channel(2 * PI / 3) << 8 | channel(4 * PI / 3);
    }
    palette.unlock();
}

}  // namespace

int main(int argc, char** argv)
{
    // With a number, the program shows that many frames and ends by itself.
    const long frames = argc > 1 ? std::strtol(argv[1], nullptr, 10) : -1;
    vxr::Window window({.title = "plasma", .format = vxr::PixelFormat(vxr::INDEX8)});
    if (!window.isOpen()) return std::fprintf(stderr, "%s\n", window.error()), 1;
    drawPlasma(window);
    vxr::Palette palette;
    for (long frame = 0; window.isOpen() && frame != frames; ++frame) {
        turnPalette(palette, static_cast<int>(frame % 256));
        window.frame().setPalette(palette);
        window.present(true);
        for (vxr::Event event; window.pollEvent(event);)
            if (event.type == vxr::EventType::KeyDown) return 0;
    }
    return 0;
}
