#include "vxr/console/gdi/window_store.h"

#include "vxr/console/gdi/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {

WindowStore::WindowStore(GdiConsole* target, std::int32_t& width, std::int32_t& height,
                         const PixelFormat& format, std::int32_t& memoryKind,
                         std::int32_t& orientation, std::int32_t& linePadding,
                         std::int32_t& variant)
{
    if (!target || width <= 0 || height <= 0 || !format.isValid()) return;
    if (memoryKind != MEMORY_DISPLAY && memoryKind != MEMORY_ANY && memoryKind != -1) return;
    if (orientation != TOP_DOWN && orientation != BOTTOM_UP && orientation != -1) return;
    if (linePadding < -1) return;
    if (variant != VARIANT_DEFAULT && variant != -1) return;
    memoryKind = MEMORY_DISPLAY;
    if (orientation == -1) orientation = BOTTOM_UP;
    if (linePadding == -1) linePadding = 0;
    variant = VARIANT_DEFAULT;
    console = target;
}

int WindowStore::copy(Surface* source, Surface* destination, int flags, const void* lookup)
{
    if (!source || !destination) return 0;
    const Rect sourceArea = source->area();
    const Rect destinationArea = destination->area();
    return copyArea(source, &sourceArea, destination, &destinationArea, flags, lookup);
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
