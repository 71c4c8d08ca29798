#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "vxr/console/windows/owned_resource.h"
#include "vxr/format/pixel_format.h"
#include "vxr/surface/memory_store.h"

namespace vxr {

// Pixels in a GDI DIB section, so the window can be drawn straight from the
// memory the application renders into. Formats GDI cannot describe, and
// line paddings that break its 4-byte line rule, leave the store invalid;
// the console then falls back to a MemoryStore. The MemoryStore part stays
// empty: only its copies are used, and they reach the pixels through lock.
class DibStore : public MemoryStore {
public:
    // Header block sizes: the plain header, with three channel masks, and
    // with a 256-entry colour table.
    static constexpr std::int32_t PLAIN_HEADER_SIZE = 40;
    static constexpr std::int32_t MASKED_HEADER_SIZE = 52;
    static constexpr std::int32_t INDEXED_HEADER_SIZE = 1064;

    DibStore(std::int32_t& width, std::int32_t& height, const PixelFormat& format,
             std::int32_t& memoryKind, std::int32_t& orientation, std::int32_t& linePadding,
             std::int32_t& variant);
    ~DibStore() override;

    std::uint8_t* lock(int mode) override;
    void unlock() override;
    int lockCount() override { return dibLockCount; }
    int isLockable() override { return 1; }
    int backing() override { return BACKING_DIB; }
    void* nativeHandle() override { return bitmap.address(); }
    int isValid() override { return pixels && bitmap && header ? 1 : 0; }

    // The padding GDI gives a line of this many pixels: lines end on a
    // 4-byte boundary. -1 when the line cannot be addressed at all.
    static std::int32_t requiredPadding(std::int32_t width, const PixelFormat& format);
    // Which header block a format needs; 0 when GDI cannot hold the format.
    static std::int32_t headerSizeFor(const PixelFormat& format);

    BITMAPINFOHEADER* info();
    std::int32_t headerSize() const { return headerBytes; }
    std::uint8_t* headerBlock() { return header.get(); }
    void* pixelMemory() { return pixels; }
    HBITMAP bitmapHandle() const { return bitmap.get(); }
    std::int64_t topLineOffset() const { return firstLineOffset; }
    // Copies 256 colours laid out like ARGB8888 pixels into the colour table
    // of an indexed header: their bytes already run blue, green, red, spare.
    void setColourTable(const std::uint32_t* colours);

private:
    bool fillHeader(std::int32_t width, std::int32_t height, const PixelFormat& format,
                    std::int32_t orientation);
    void releaseHeader();

    void* pixels = nullptr;
    GdiObject<HBITMAP> bitmap;
    std::unique_ptr<std::uint8_t[]> header;
    std::int32_t headerBytes = 0;
    std::int64_t firstLineOffset = 0;
    std::int32_t dibLockCount = 0;
};

}  // namespace vxr
