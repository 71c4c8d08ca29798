#include "vxr/surface/memory_store.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "vxr/format/converter.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/store_parameters.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// Pitches are 32-bit signed values and a line must also be reachable from
// the first line by height - 1 pitches, so both are kept within int32.
constexpr std::int64_t MAX_PITCH = INT32_MAX;

using ConverterPtr = std::unique_ptr<Converter>;

ConverterPtr converterFor(Surface* source, Surface* destination)
{
    return ConverterPtr(selectConverter(source->format(), destination->format()));
}

// The store is the last line of defence for memory it does not own: a whole
// copy walks both surfaces as one run, so they must have the same shape.
bool sameShape(Surface* source, Surface* destination)
{
    return source->width() == destination->width() &&
           source->height() == destination->height() &&
           source->orientation() == destination->orientation();
}

// An area copy must stay inside both surfaces whatever its caller clipped.
bool areaFits(const Rect& area, std::int64_t width, std::int64_t height, const Surface& surface)
{
    return area.left >= 0 && area.top >= 0 && width >= 0 && height >= 0 &&
           area.left + width <= surface.width() && area.top + height <= surface.height();
}

}  // namespace

std::int64_t MemoryStore::lineStride(std::int32_t width, const PixelFormat& format,
                                     std::int32_t linePadding)
{
    const std::int64_t stride = std::int64_t{width} * format.bytes + linePadding;
    return stride >= 0 && stride <= MAX_PITCH ? stride : -1;
}

std::int64_t MemoryStore::bufferSize(std::int32_t width, std::int32_t height,
                                     const PixelFormat& format, std::int32_t linePadding)
{
    const std::int64_t stride = lineStride(width, format, linePadding);
    if (stride < 0 || height < 0) return -1;
    // stride and height are both below 2^31, so the product fits in 63 bits.
    // The block must also be smaller than PTRDIFF_MAX, not only SIZE_MAX:
    // the distance between two of its bytes is a ptrdiff_t. On a 32-bit
    // address space that refuses everything from 2 GiB on.
    const std::int64_t size = stride * height;
    if (static_cast<std::uint64_t>(size) > static_cast<std::uint64_t>(PTRDIFF_MAX)) return -1;
    return size;
}

bool MemoryStore::acceptParameters(std::int32_t width, std::int32_t height,
                                   const PixelFormat& format, std::int32_t memoryKind,
                                   std::int32_t& orientation, std::int32_t& linePadding,
                                   std::int32_t variant, std::int32_t defaultOrientation)
{
    if (!StoreParameters::accepts(width, height, format, memoryKind, orientation, linePadding,
                                  variant, MEMORY_SYSTEM))
        return false;
    orientation = StoreParameters::settledOrientation(orientation, defaultOrientation);
    if (linePadding == -1) linePadding = 0;
    return true;
}

MemoryStore::MemoryStore(std::int32_t& width, std::int32_t& height, const PixelFormat& format,
                         std::int32_t& memoryKind, std::int32_t& orientation,
                         std::int32_t& linePadding, std::int32_t& variant)
{
    std::int32_t chosenOrientation = orientation;
    std::int32_t chosenPadding = linePadding;
    if (!acceptParameters(width, height, format, memoryKind, chosenOrientation, chosenPadding,
                          variant, TOP_DOWN)) {
        setLastError("a memory surface takes no %d x %d surface with these parameters", width,
                     height);
        return;
    }
    const std::int64_t size = bufferSize(width, height, format, chosenPadding);
    if (size <= 0) {
        setLastError("a %d x %d surface is larger than this machine can address", width, height);
        return;
    }
    buffer = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)];
    if (!buffer) {
        setLastError("out of memory for a %d x %d surface (%lld bytes)", width, height,
                     static_cast<long long>(size));
        return;
    }
    std::memset(buffer, 0, static_cast<std::size_t>(size));

    memoryKind = MEMORY_SYSTEM;
    orientation = chosenOrientation;
    linePadding = chosenPadding;
    variant = VARIANT_DEFAULT;
    const std::int64_t stride = lineStride(width, format, chosenPadding);
    firstLine = orientation == TOP_DOWN ? buffer : buffer + stride * (height - 1);
}

MemoryStore::~MemoryStore() { delete[] buffer; }

std::uint8_t* MemoryStore::lock(int)
{
    if (!isValid()) return nullptr;
    ++locks;
    return firstLine;
}

void MemoryStore::unlock()
{
    if (locks > 0) --locks;
}

bool MemoryStore::lockPair(Surface* source, Surface* destination, std::uint8_t*& sourcePixels,
                           std::uint8_t*& destinationPixels)
{
    sourcePixels = source->lock(1);
    destinationPixels = destination->lock(1);
    if (sourcePixels && destinationPixels && sourcePixels != destinationPixels) return true;
    if (sourcePixels) source->unlock();
    if (destinationPixels) destination->unlock();
    return false;
}

void MemoryStore::unlockPair(Surface* source, Surface* destination)
{
    source->unlock();
    destination->unlock();
}

int MemoryStore::copy(Surface* source, Surface* destination, int flags, const void* lookup)
{
    if (flags != 0 || !source || !destination || !sameShape(source, destination)) return 0;
    const ConverterPtr converter = converterFor(source, destination);
    if (!converter) return 0;
    // The whole copy is one run of pixels; it must fit the converter's count.
    const std::int64_t count = destination->pixelCount();
    if (count > INT32_MAX) return 0;
    std::uint8_t* sourcePixels;
    std::uint8_t* destinationPixels;
    if (!lockPair(source, destination, sourcePixels, destinationPixels)) return 0;
    if (source->orientation() == BOTTOM_UP) {
        // Bottom-up surfaces run upwards in memory: start from the lowest line.
        sourcePixels += std::int64_t{source->height() - 1} * source->pitch();
        destinationPixels += std::int64_t{destination->height() - 1} * destination->pitch();
    }
    const bool result = converter->convertRow(sourcePixels, destinationPixels,
                                              static_cast<std::int32_t>(count), lookup);
    unlockPair(source, destination);
    return result ? 1 : 0;
}

int MemoryStore::copyArea(Surface* source, const Rect* sourceArea, Surface* destination,
                          const Rect* destinationArea, int flags, const void* lookup)
{
    if (flags != 0 || !source || !destination || !sourceArea || !destinationArea) return 0;
    const std::int64_t width = sourceArea->width();
    const std::int64_t height = sourceArea->height();
    if (!areaFits(*sourceArea, width, height, *source) ||
        !areaFits(*destinationArea, width, height, *destination))
        return 0;
    const ConverterPtr converter = converterFor(source, destination);
    if (!converter) return 0;
    std::uint8_t* sourcePixels;
    std::uint8_t* destinationPixels;
    if (!lockPair(source, destination, sourcePixels, destinationPixels)) return 0;
    const bool result = converter->convertRect(sourcePixels, source->pitch(), *sourceArea,
                                               destinationPixels, destination->pitch(),
                                               destinationArea->left, destinationArea->top, lookup);
    unlockPair(source, destination);
    return result ? 1 : 0;
}

}  // namespace vxr
