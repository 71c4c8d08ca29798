#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"
#include "vxr/surface/store_base.h"

namespace vxr {

class Converter;

// Pixels in one zero-filled block of heap memory. Also the base of the
// device stores, which inherit its copies unchanged, and every console's
// fallback when it cannot give a surface a device store.
class MemoryStore : public StoreBase {
public:
    // The in/out parameters hold the request (-1: any) and receive what the
    // store chose; a rejected request leaves the store invalid.
    MemoryStore(std::int32_t& width, std::int32_t& height, const PixelFormat& format,
                std::int32_t& memoryKind, std::int32_t& orientation, std::int32_t& linePadding,
                std::int32_t& variant);
    ~MemoryStore() override;
    MemoryStore(const MemoryStore&) = delete;
    MemoryStore& operator=(const MemoryStore&) = delete;

    std::uint8_t* lock(int mode) override;
    void unlock() override;
    int lockCount() override { return locks; }
    int isLockable() override { return 1; }
    int copyArea(Surface* source, const Rect* sourceArea, Surface* destination,
                 const Rect* destinationArea, int flags, const void* lookup) override;
    int copy(Surface* source, Surface* destination, int flags, const void* lookup) override;
    int isValid() override { return buffer && firstLine ? 1 : 0; }

    // Bytes from one line's start to the next, or -1 when the request cannot
    // be addressed with a 32-bit pitch and a buffer below PTRDIFF_MAX bytes.
    static std::int64_t lineStride(std::int32_t width, const PixelFormat& format,
                                   std::int32_t linePadding);
    static std::int64_t bufferSize(std::int32_t width, std::int32_t height,
                                   const PixelFormat& format, std::int32_t linePadding);

protected:
    // For device stores that place their pixels elsewhere: starts invalid.
    MemoryStore() = default;
    // Checks the shared creation rules and settles -1 values; false rejects.
    static bool acceptParameters(std::int32_t width, std::int32_t height,
                                 const PixelFormat& format, std::int32_t memoryKind,
                                 std::int32_t& orientation, std::int32_t& linePadding,
                                 std::int32_t variant, std::int32_t defaultOrientation);

    std::uint8_t* buffer = nullptr;
    std::uint8_t* firstLine = nullptr;
    std::int32_t locks = 0;

private:
    // Locks both surfaces; on failure nothing stays locked.
    static bool lockPair(Surface* source, Surface* destination, std::uint8_t*& sourcePixels,
                         std::uint8_t*& destinationPixels);
    static void unlockPair(Surface* source, Surface* destination);
};

}  // namespace vxr
