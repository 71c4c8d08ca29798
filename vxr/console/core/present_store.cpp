#include "vxr/console/core/present_store.h"

#include "vxr/console/core/frame_presenter.h"
#include "vxr/surface/store_parameters.h"
#include "vxr/surface/surface.h"

namespace vxr {

PresentStore::PresentStore(FramePresenter* presenter, std::int32_t& width, std::int32_t& height,
                           const PixelFormat& format, std::int32_t& memoryKind,
                           std::int32_t& orientation, std::int32_t& linePadding,
                           std::int32_t& variant, std::int32_t screenOrientation)
{
    if (!presenter || !StoreParameters::accepts(width, height, format, memoryKind, orientation,
                                                linePadding, variant, MEMORY_DISPLAY))
        return;
    memoryKind = MEMORY_DISPLAY;
    orientation = StoreParameters::settledOrientation(orientation, screenOrientation);
    if (linePadding == -1) linePadding = 0;
    variant = VARIANT_DEFAULT;
    target = presenter;
}

int PresentStore::copy(Surface* source, Surface* destination, int flags, const void* lookup)
{
    if (!source || !destination) return 0;
    const Rect sourceArea = source->area();
    const Rect destinationArea = destination->area();
    return copyArea(source, &sourceArea, destination, &destinationArea, flags, lookup);
}

int PresentStore::copyArea(Surface* source, const Rect* sourceArea, Surface*,
                           const Rect* destinationArea, int flags, const void*)
{
    // The presenter converts with its own lookups, and says which flags it
    // takes.
    if (!target || !source || !sourceArea || !destinationArea) return 0;
    return target->presentCopy(source, *sourceArea, *destinationArea, flags);
}

}  // namespace vxr
