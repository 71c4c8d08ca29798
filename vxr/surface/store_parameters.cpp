#include "vxr/surface/store_parameters.h"

#include "vxr/surface/surface_store.h"

namespace vxr {

bool StoreParameters::accepts(std::int32_t width, std::int32_t height, const PixelFormat& format,
                              std::int32_t memoryKind, std::int32_t orientation,
                              std::int32_t linePadding, std::int32_t variant,
                              std::int32_t kindGiven)
{
    if (width <= 0 || height <= 0 || !format.isValid()) return false;
    if (memoryKind != kindGiven && memoryKind != MEMORY_ANY && memoryKind != -1) return false;
    if (orientation != TOP_DOWN && orientation != BOTTOM_UP && orientation != -1) return false;
    if (linePadding < -1) return false;
    return variant == VARIANT_DEFAULT || variant == -1;
}

}  // namespace vxr
