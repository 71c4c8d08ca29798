#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

/// 256 colours laid out like ARGB8888 pixels, with a cache of the same colours
/// converted for each destination format indexed pixels are copied to.
class Palette {
public:
    static constexpr int SIZE = 256;

    Palette();
    ~Palette();
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

    /// The colours may be rewritten through the returned pointer; every cached
    /// table is dropped so none can go stale.
    std::uint32_t* lock();
    void unlock();
    bool isValid() const { return entries != nullptr; }
    void copyFrom(const Palette& other);

    /// A table mapping each index to a destination pixel value; entrySize -1
    /// derives the size from the format. Valid until the next lock, copyFrom
    /// or destruction.
    const void* lookup(const PixelFormat& format, std::int32_t entrySize);
    void clearLookups();

    void addRef() { ++refCount; }
    std::int32_t release();

    std::int32_t lockCount() const { return locks; }
    std::int32_t references() const { return refCount; }

private:
    struct PaletteLookup {
        PixelFormat format;
        std::int32_t entrySize = 0;
        std::uint8_t* table = nullptr;
        PaletteLookup* previous = nullptr;
        PaletteLookup* next = nullptr;
    };

    const void* buildLookup(const PixelFormat& format, std::int32_t entrySize);
    bool fillTable(const PixelFormat& format, std::int32_t entrySize, std::uint8_t* table) const;

    std::uint32_t* entries = nullptr;
    std::int32_t locks = 0;
    PaletteLookup* oldest = nullptr;
    PaletteLookup* newest = nullptr;
    std::int32_t refCount = 0;
};

/// Stands for "no palette" wherever a surface needs one; never destroyed by
/// its users.
Palette& emptyPalette();

}  // namespace vxr
