#include "vxr/console/windows/window_store.h"

#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {

WindowStore::WindowStore(GdiConsole* target, std::int32_t& width, std::int32_t& height,
                         const PixelFormat& format, std::int32_t& memoryKind,
                         std::int32_t& orientation, std::int32_t& linePadding,
                         std::int32_t& variant)
    : PresentStore(target, width, height, format, memoryKind, orientation, linePadding, variant,
                   BOTTOM_UP)
{
    if (isValid()) console = target;
}

int WindowStore::copyArea(Surface* source, const Rect* sourceArea, Surface*,
                          const Rect* destinationArea, int flags, const void*)
{
    // The destination is always the console's screen, and the copy into
    // the console's own DIB section brings its own lookup.
    if (!console || !source || !sourceArea || !destinationArea) return 0;
    return console->show(source, *sourceArea, *destinationArea, flags);
}

}  // namespace vxr
