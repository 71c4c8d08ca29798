#pragma once

#include <cstdint>

#include "vxr/format/rect.h"

namespace vxr {

/// Where copies may read from (sourceClip) and write to (destinationClip) a
/// surface; shared between surfaces by reference count.
class ClipRecord {
public:
    ClipRecord() = default;
    ClipRecord(const Rect& source, const Rect& destination);
    /// A copy takes over both rectangles but counts only its own holders.
    ClipRecord(const ClipRecord& other);
    ClipRecord& operator=(const ClipRecord&) = delete;

    int clipSource(Rect& area) const { return area.clipTo(sourceClip) ? 1 : 0; }
    int clipDestination(Rect& area) const { return area.clipTo(destinationClip) ? 1 : 0; }

    void addRef() { ++refCount; }
    std::int32_t release();
    std::int32_t references() const { return refCount; }

    const Rect& source() const { return sourceClip; }
    const Rect& destination() const { return destinationClip; }

private:
    std::int32_t refCount = 0;
    Rect sourceClip;
    Rect destinationClip;
};

}  // namespace vxr
