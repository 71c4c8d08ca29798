// A page for the web console's room test: a 64x48 frame, resizable or
// (with ?arg=fixed) not; with ?arg=fixed-canvas-order the frame is fixed and
// in the canvas's own byte order, so the canvas shows it from the program's
// memory. Each press of P presents the next colour and
// prints "presented N ok" (or "presented N failed: REASON"); each resize
// prints "resize W H".
#include <cstdio>
#include <cstring>

#include "vxr/vxr.h"

namespace {

void draw(vxr::Window& window, int colour, bool canvasOrder)
{
    const std::uint32_t red = std::uint32_t(colour * 40) & 0xFFu, blue = 99u;
    vxr::FrameLock pixels = window.lock();
    for (int y = 0; y < pixels.height(); ++y)
        for (std::uint32_t& pixel : pixels.row<std::uint32_t>(y))
            pixel = 0xFF000000u | (canvasOrder ? blue << 16 | red : red << 16 | blue) |
                    std::uint32_t(y * 4) << 8;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool canvasOrder = argc > 1 && std::strcmp(argv[1], "fixed-canvas-order") == 0;
    const bool fixed = canvasOrder || (argc > 1 && std::strcmp(argv[1], "fixed") == 0);
    vxr::Window window({.title = "room",
                        .width = 64,
                        .height = 48,
                        .format = vxr::PixelFormat(canvasOrder ? vxr::ABGR8888 : vxr::ARGB8888),
                        .resizable = !fixed});
    if (!window.isOpen()) return std::printf("%s\n", window.error()), 1;
    int colour = 0;
    draw(window, colour, canvasOrder);
    window.present();
    std::printf("ready\n");
    for (vxr::Event event; window.waitEvent(event);) {
        if (event.type == vxr::EventType::Resize)
            std::printf("resize %d %d\n", event.width, event.height);
        if (event.type != vxr::EventType::KeyDown || event.key != vxr::Key::P) continue;
        draw(window, ++colour, canvasOrder);
        if (window.present())
            std::printf("presented %d ok\n", colour);
        else
            std::printf("presented %d failed: %s\n", colour, vxr::lastError());
    }
    return 0;
}
