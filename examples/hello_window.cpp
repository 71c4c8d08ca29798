// The smallest VXR program on the window layer: a gradient, shown until the
// window is closed or a key is pressed.
#include <cstdio>

#include "vxr/vxr.h"

int main()
{
    vxr::Window window({.title = "hello"});
    if (!window.isOpen()) return std::fprintf(stderr, "%s\n", window.error()), 1;
    {
        vxr::FrameLock pixels = window.lock();
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; auto& pixel : pixels.row<std::uint32_t>(y))
                pixel = (x++ * 255 / 319) << 16 | (y * 255 / 199) << 8 | 0x60;
    }
    window.present();
    vxr::Event event;
    while (window.isOpen() && window.waitEvent(event) && event.type != vxr::EventType::KeyDown) {}
}
