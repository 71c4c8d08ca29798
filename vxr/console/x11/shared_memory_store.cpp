#include "vxr/console/x11/shared_memory_store.h"

#include "vxr/console/x11/x11_console.h"
#include "vxr/console/x11/x11_display.h"
#include "vxr/surface/store_parameters.h"

namespace vxr {

SharedMemoryStore::SharedMemoryStore(X11Console& owner, std::int32_t& width,
                                     std::int32_t& height, const PixelFormat& format,
                                     std::int32_t& memoryKind, std::int32_t& orientation,
                                     std::int32_t& linePadding, std::int32_t& variant)
    : console(owner)
{
    if (!StoreParameters::accepts(width, height, format, memoryKind, orientation, linePadding,
                                  variant, MEMORY_SYSTEM))
        return;
    // X images run top down; bottom-up surfaces live in plain memory.
    if (orientation != -1 && orientation != TOP_DOWN) return;
    const std::int64_t stride = console.display().imageStride(width);
    const std::int64_t padding = stride - std::int64_t{width} * format.bytes;
    if (stride <= 0 || padding < 0 || (linePadding != -1 && linePadding != padding)) return;
    if (!console.createImage(sharedImage, width, height)) return;

    memoryKind = MEMORY_SYSTEM;
    orientation = TOP_DOWN;
    linePadding = static_cast<std::int32_t>(padding);
    variant = VARIANT_DEFAULT;
}

SharedMemoryStore::~SharedMemoryStore()
{
    console.releaseImage(sharedImage);
}

std::uint8_t* SharedMemoryStore::lock(int)
{
    if (!sharedImage.isValid()) return nullptr;
    console.waitForImage(sharedImage);
    ++imageLocks;
    return sharedImage.pixels();
}

void SharedMemoryStore::unlock()
{
    if (imageLocks > 0) --imageLocks;
}

}  // namespace vxr
