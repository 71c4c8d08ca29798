// An image viewer: shows the TGA file named on the command line fitted to
// the window; the arrows pan, the wheel zooms, Escape or the close box quit.
// A file the loader refuses is named with the reason, and the exit code is 1.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "vxr/vxr.h"

namespace {

constexpr int WIDTH = 640;
constexpr int HEIGHT = 400;

struct View {
    double centreX, centreY;  // the image point at the window's centre
    double zoom;              // window pixels per image pixel
};

// Nearest-pixel sampling of the image (already 32-bit) into the frame.
void draw(vxr::Window& window, vxr::Surface& image, const View& view)
{
    const auto* source = image.lock(1);
    vxr::FrameLock pixels = window.lock();
    if (!source || !pixels) return;
    for (int y = 0; y < HEIGHT; ++y) {
        const double imageY = std::floor(view.centreY + (y + 0.5 - HEIGHT / 2.0) / view.zoom);
        const bool rowInside = imageY >= 0 && imageY < image.height();
        auto line = pixels.row<std::uint32_t>(y);
        for (int x = 0; x < WIDTH; ++x) {
            const double imageX = std::floor(view.centreX + (x + 0.5 - WIDTH / 2.0) / view.zoom);
            const bool inside = rowInside && imageX >= 0 && imageX < image.width();
            line[x] = inside ? reinterpret_cast<const std::uint32_t*>(
                                   source + static_cast<int>(imageY) * image.pitch())[static_cast<int>(imageX)]
                             : 0x202020;
        }
    }
    image.unlock();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return std::fprintf(stderr, "usage: viewer FILE.tga\n"), 2;
    vxr::Surface loaded(argv[1], vxr::MEMORY_SYSTEM, -1, 0, -1);
    if (!loaded.isValid()) return std::fprintf(stderr, "viewer: %s\n", vxr::lastError()), 1;

    vxr::Window window({.title = "viewer", .width = WIDTH, .height = HEIGHT});
    if (!window.isOpen()) return std::fprintf(stderr, "viewer: %s\n", window.error()), 1;
    // One conversion to 32 bits up front, through the image's palette if it has one.
    vxr::Surface image(&vxr::Console::defaultConsole(), loaded.width(), loaded.height(),
                       vxr::PixelFormat(vxr::ARGB8888), vxr::MEMORY_SYSTEM, vxr::TOP_DOWN, 0, -1);
    if (!loaded.copy(&image, 0)) return std::fprintf(stderr, "viewer: %s\n", vxr::lastError()), 1;

    const double fit = std::min(double(WIDTH) / image.width(), double(HEIGHT) / image.height());
    View view{image.width() / 2.0, image.height() / 2.0, fit};
    for (vxr::Event event;;) {
        draw(window, image, view);
        window.present();
        if (!window.waitEvent(event) || !window.isOpen()) return 0;
        if (event.type == vxr::EventType::KeyDown) {
            const double step = 32 / view.zoom;
            switch (event.key) {
                case vxr::Key::Escape: return 0;
                case vxr::Key::Left: view.centreX -= step; break;
                case vxr::Key::Right: view.centreX += step; break;
                case vxr::Key::Up: view.centreY -= step; break;
                case vxr::Key::Down: view.centreY += step; break;
                default: break;
            }
        } else if (event.type == vxr::EventType::Wheel) {
            view.zoom = std::clamp(view.zoom * std::pow(1.25, event.wheelY), fit / 8, 64.0);
        }
    }
}
