#include "vxr/console/gdi/window_store.h"

#include "vxr/console/gdi/gdi_console.h"
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
    // The destination is always the console's screen, and a conversion
    // through the staging surface brings its own lookup.
    if (!console || !source || !sourceArea || !destinationArea) return 0;
    if (source->backing() == BACKING_DIB)
        return console->present(source, *sourceArea, *destinationArea);
    return console->presentConverted(source, *sourceArea, *destinationArea, flags);
}

}  // namespace vxr
