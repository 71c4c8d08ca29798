// The demo's own driver with console kinds that fail in the ways no machine
// here can be made to fail: none of them opens, or the one that opens
// refuses to hold the frame. The error box is the real one.
#include <windows.h>

#include <cstring>
#include <new>

#include "demo/demo_driver.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/console/core/null_console.h"

namespace {

constexpr int KIND_COUNT = 5;

vxr::Console* placeholder(int kind)
{
    return kind >= 0 && kind < KIND_COUNT ? new (std::nothrow) vxr::NullConsole : nullptr;
}

// A real GDI console that opens, but gives no store to any surface made
// after its own screen surfaces.
class FrameRefusingConsole : public vxr::GdiConsole {
public:
    FrameRefusingConsole() : GdiConsole(nullptr) {}
    vxr::SurfaceStore* createStore(int* width, int* height, const vxr::PixelFormat* format,
                                   int* memoryKind, int* orientation, int* linePadding,
                                   int* variant) override
    {
        if (primary() && nextFrame()) return nullptr;
        return GdiConsole::createStore(width, height, format, memoryKind, orientation,
                                       linePadding, variant);
    }
};

vxr::Console* frameRefusedFirst(int kind)
{
    return kind == 0 ? new (std::nothrow) FrameRefusingConsole : placeholder(kind);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const bool refuseFrame = commandLine && std::strstr(commandLine, "refuse-frame");
    return demo::DemoDriver::run(refuseFrame ? frameRefusedFirst : placeholder);
}
