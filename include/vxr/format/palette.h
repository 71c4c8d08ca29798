#pragma once

/// @file
/// Palette, the colours of indexed pixels.

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

/// 256 colours laid out like ARGB8888 pixels, with a cache of the same colours
/// converted for each destination format indexed pixels are copied to.
class Palette {
public:
    static constexpr int SIZE = 256;  ///< colours in a palette

    /// 256 colours, all 0; not isValid() when memory ran out.
    Palette();
    /// Frees the colours and every cached table.
    ~Palette();
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

    /// The colours, as ARGB8888 values; null when the palette is not valid.
    /// The colours may be rewritten through the returned pointer; every cached
    /// table is dropped so none can go stale.
    std::uint32_t* lock();
    /// Ends one lock().
    void unlock();
    /// False when the colours could not be allocated.
    bool isValid() const { return entries != nullptr; }
    /// Takes other's colours and drops the cached tables; does nothing when
    /// either palette is not valid or other is this one.
    void copyFrom(const Palette& other);

    /// A table mapping each index to a destination pixel value, entrySize
    /// bytes an entry; -1 takes 1 for one-byte formats and 4 for the rest.
    /// Null when entrySize is below the format's bytes or above 4 (or not 4
    /// for a special format), or memory runs out. Valid until the next lock,
    /// copyFrom, clearLookups or destruction.
    const void* lookup(const PixelFormat& format, std::int32_t entrySize);
    /// Frees every cached table.
    void clearLookups();

    /// Counts one more holder.
    void addRef() { ++refCount; }
    /// Counts one holder fewer (never below 0) and returns how many remain;
    /// the holder that brings it to 0 deletes the palette.
    std::int32_t release();

    /// Locks not yet ended by unlock().
    std::int32_t lockCount() const { return locks; }
    /// How many holders the palette has.
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
