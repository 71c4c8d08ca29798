// An outside program built against the installed library: it converts one
// pixel through a surface copy and checks the result.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "vxr/vxr.h"

int main()
{
    vxr::Console& console = vxr::Console::defaultConsole();
    vxr::Surface source(&console, 1, 1, vxr::PixelFormat(vxr::RGB565), -1, -1, -1, -1);
    vxr::Surface target(&console, 1, 1, vxr::PixelFormat(vxr::ARGB8888), -1, -1, -1, -1);
    std::uint8_t* pixel = source.lock(1);
    pixel[0] = pixel[1] = 0xFF;
    source.unlock();
    if (!source.copy(&target, 0)) return 1;
    std::uint32_t value;
    std::memcpy(&value, target.lock(1), 4);
    target.unlock();
    std::printf("%08x\n", static_cast<unsigned>(value));
    return value == 0x00FEFEFEu ? 0 : 1;
}
