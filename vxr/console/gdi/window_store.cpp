#include "vxr/console/gdi/window_store.h"

#include "vxr/console/gdi/gdi_console.h"
#include "vxr/surface/store_parameters.h"
#include "vxr/surface/surface.h"

namespace vxr {

WindowStore::WindowStore(GdiConsole* target, std::int32_t& width, std::int32_t& height,
                         const PixelFormat& format, std::int32_t& memoryKind,
                         std::int32_t& orientation, std::int32_t& linePadding,
                         std::int32_t& variant)
{
    if (!target || !StoreParameters::accepts(width, height, format, memoryKind, orientation,
                                             linePadding, variant, MEMORY_DISPLAY))
        return;
    memoryKind = MEMORY_DISPLAY;
    orientation = StoreParameters::settledOrientation(orientation, BOTTOM_UP);
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
