// A program that draws and presents frames as fast as it can until the
// process is ended from outside: it asks for no close events, reads no key
// and never waits for the display. It prints "presenting" once its first
// frame is up, so that a test knows the loop runs.
#include <cstdint>
#include <cstdio>

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
    for (std::uint32_t number = 1;; ++number) {
        // Where a close or a loss asked for it, the process ends in here.
        std::uint8_t* pixels = frame.lock(1);
        if (!pixels) return 2;
        for (int y = 0; y < frame.height(); ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(pixels + y * frame.pitch());
            for (int x = 0; x < frame.width(); ++x) line[x] = 0x404040u + (number & 0xFF);
        }
        frame.unlock();
        // A failed update is not the end: the next lock carries it out.
        frame.update();
        if (number == 1) {
            std::puts("presenting");
            std::fflush(stdout);
        }
    }
}
