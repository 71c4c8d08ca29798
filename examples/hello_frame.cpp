// The smallest VXR program: open a display, draw a frame, show it, and wait
// for a key.
#include <cstdint>
#include <cstring>

#include "vxr/vxr.h"

int main()
{
    vxr::ConsoleFrontEnd display(320, 200, vxr::PREFER32, -1, -1, -1);
    if (!display.isOpen()) {
        display.showError("could not open a display");
        return 1;
    }
    vxr::Surface frame(display, 320, 200, vxr::PixelFormat(vxr::ARGB8888), vxr::MEMORY_SYSTEM, -1,
                       -1, -1);
    std::uint8_t* pixels = frame.lock(1);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) {
            const std::uint32_t colour =
                std::uint32_t(x * 255 / 319) << 16 | std::uint32_t(y * 255 / 199) << 8 | 0x60;
            std::memcpy(pixels + y * frame.pitch() + x * 4, &colour, 4);
        }
    frame.unlock();
    frame.update();
    display.current()->readKey();
    return 0;
}
