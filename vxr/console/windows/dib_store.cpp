#include "vxr/console/windows/dib_store.h"

#include <cstring>
#include <new>

#include "vxr/console/windows/system_error.h"
#include "vxr/surface/store_parameters.h"

namespace vxr {
namespace {

bool isOneOf(const PixelFormat& format, std::int32_t first, std::int32_t second,
             std::int32_t third)
{
    return format == PixelFormat(first) || format == PixelFormat(second) ||
           format == PixelFormat(third);
}

}  // namespace

std::int32_t DibStore::requiredPadding(std::int32_t width, const PixelFormat& format)
{
    const std::int64_t lineBytes = std::int64_t{width} * format.bytes;
    if (lineBytes < 0) return -1;
    const std::int32_t remainder = static_cast<std::int32_t>(lineBytes % 4);
    return remainder == 0 ? 0 : 4 - remainder;
}

std::int32_t DibStore::headerSizeFor(const PixelFormat& format)
{
    if (format.model == INDEXED) return format.bits == 8 ? INDEXED_HEADER_SIZE : 0;
    if (format.model != DIRECT || format.colour != RGB) return 0;
    if (isOneOf(format, ARGB8888, RGB888, ARGB1555)) return PLAIN_HEADER_SIZE;
    // Every other layout GDI takes is described by its masks, and it takes
    // masks only for 16- and 32-bit pixels.
    if (format.bits == 16 || format.bits == 32) return MASKED_HEADER_SIZE;
    return 0;
}

DibStore::DibStore(std::int32_t& width, std::int32_t& height, const PixelFormat& format,
                   std::int32_t& memoryKind, std::int32_t& orientation,
                   std::int32_t& linePadding, std::int32_t& variant)
{
    if (!StoreParameters::accepts(width, height, format, memoryKind, orientation, linePadding,
                                  variant, MEMORY_SYSTEM))
        return;
    const std::int32_t chosenOrientation = StoreParameters::settledOrientation(orientation, BOTTOM_UP);
    const std::int32_t padding = requiredPadding(width, format);
    if (padding < 0 || (linePadding != -1 && linePadding != padding)) return;
    // The whole section must be addressable through a 32-bit pitch.
    if (bufferSize(width, height, format, padding) <= 0) return;
    if (!fillHeader(width, height, format, chosenOrientation)) return;

    HDC screen = GetWindowDC(nullptr);
    bitmap.reset(CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(header.get()),
                                  DIB_RGB_COLORS, &pixels, nullptr, 0));
    const DWORD failure = bitmap ? ERROR_SUCCESS : GetLastError();
    if (screen) ReleaseDC(nullptr, screen);
    if (!bitmap) {
        // The console falls back on plain memory; the reason stays for a
        // caller that needed the section.
        setSystemError("CreateDIBSection failed", failure);
        pixels = nullptr;
        releaseHeader();
        return;
    }

    memoryKind = MEMORY_SYSTEM;
    orientation = chosenOrientation;
    linePadding = padding;
    variant = VARIANT_DEFAULT;
    const std::int64_t stride = lineStride(width, format, padding);
    firstLineOffset = chosenOrientation == TOP_DOWN ? 0 : stride * (height - 1);
}

// The section's memory belongs to GDI and goes with the bitmap; the
// MemoryStore part owns nothing.
DibStore::~DibStore() = default;

bool DibStore::fillHeader(std::int32_t width, std::int32_t height, const PixelFormat& format,
                          std::int32_t orientation)
{
    const std::int32_t size = headerSizeFor(format);
    if (size == 0) return false;
    header.reset(new (std::nothrow) std::uint8_t[size]());
    if (!header) return false;
    headerBytes = size;

    auto* fields = new (header.get()) BITMAPINFOHEADER{};
    fields->biSize = sizeof(BITMAPINFOHEADER);
    fields->biWidth = width;
    // A negative height is how GDI is told that the top line comes first.
    fields->biHeight = orientation == TOP_DOWN ? -height : height;
    fields->biPlanes = 1;
    fields->biBitCount = static_cast<WORD>(format.bits);
    fields->biCompression = size == MASKED_HEADER_SIZE ? BI_BITFIELDS : BI_RGB;
    if (size == MASKED_HEADER_SIZE) {
        const std::uint32_t masks[3] = {format.red.mask, format.green.mask, format.blue.mask};
        std::memcpy(header.get() + sizeof(BITMAPINFOHEADER), masks, sizeof masks);
    }
    return true;
}

void DibStore::releaseHeader()
{
    header.reset();
    headerBytes = 0;
}

BITMAPINFOHEADER* DibStore::info()
{
    return header ? std::launder(reinterpret_cast<BITMAPINFOHEADER*>(header.get())) : nullptr;
}

void DibStore::setColourTable(const std::uint32_t* colours)
{
    if (!colours || headerBytes != INDEXED_HEADER_SIZE) return;
    std::memcpy(header.get() + sizeof(BITMAPINFOHEADER), colours, 256 * sizeof(std::uint32_t));
}

std::uint8_t* DibStore::lock(int)
{
    if (!isValid()) return nullptr;
    // GDI may still be drawing into the section; let it finish first.
    GdiFlush();
    ++dibLockCount;
    return static_cast<std::uint8_t*>(pixels) + firstLineOffset;
}

void DibStore::unlock()
{
    if (dibLockCount > 0) --dibLockCount;
}

}  // namespace vxr
