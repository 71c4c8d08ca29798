#pragma once

/// @file
/// ClipRecord, the rectangles that bound a surface's copies.

#include <cstdint>

#include "vxr/format/rect.h"

namespace vxr {

/// Where copies may read from (sourceClip) and write to (destinationClip) a
/// surface; shared between surfaces by reference count.
class ClipRecord {
public:
    /// Both rectangles empty; no holders.
    ClipRecord() = default;
    /// Takes both rectangles, normalised; no holders yet.
    ClipRecord(const Rect& source, const Rect& destination);
    /// A copy takes over both rectangles but counts only its own holders.
    ClipRecord(const ClipRecord& other);
    ClipRecord& operator=(const ClipRecord&) = delete;

    /// Clamps area to where copies may read: 1, or 0 (area unchanged) when
    /// it lies wholly outside.
    int clipSource(Rect& area) const { return area.clipTo(sourceClip) ? 1 : 0; }
    /// Clamps area to where copies may write, as clipSource().
    int clipDestination(Rect& area) const { return area.clipTo(destinationClip) ? 1 : 0; }

    /// Counts one more holder.
    void addRef() { ++refCount; }
    /// Counts one holder fewer (never below 0) and returns how many remain;
    /// the holder that brings it to 0 deletes the record.
    std::int32_t release();
    /// How many holders the record has.
    std::int32_t references() const { return refCount; }

    /// Where copies may read from.
    const Rect& source() const { return sourceClip; }
    /// Where copies may write to.
    const Rect& destination() const { return destinationClip; }

private:
    std::int32_t refCount = 0;
    Rect sourceClip;
    Rect destinationClip;
};

}  // namespace vxr
