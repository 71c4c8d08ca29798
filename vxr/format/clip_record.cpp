#include "vxr/format/clip_record.h"

namespace vxr {

ClipRecord::ClipRecord(const Rect& source, const Rect& destination)
    : sourceClip(source.normalised()), destinationClip(destination.normalised())
{
}

ClipRecord::ClipRecord(const ClipRecord& other)
    : sourceClip(other.sourceClip), destinationClip(other.destinationClip)
{
}

std::int32_t ClipRecord::release()
{
    if (refCount > 0) --refCount;
    return refCount;
}

}  // namespace vxr
