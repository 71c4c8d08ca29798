#pragma once

#include "vxr/format/clip_record.h"
#include "vxr/format/rect.h"

namespace vxr {

// Clips a copy's two areas against the surfaces' clip records, in place:
// the source area by the source record's source rectangle, the destination
// area by the destination record's destination rectangle, each moving the
// other. A null record clips nothing; with both records the areas end up
// the same size. False when nothing is left to copy.
bool clipCopyAreas(const ClipRecord* sourceClip, Rect& sourceArea,
                   const ClipRecord* destinationClip, Rect& destinationArea);

}  // namespace vxr
