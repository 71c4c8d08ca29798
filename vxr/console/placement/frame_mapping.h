#pragma once

#include <cstdint>

#include "vxr/console/event.h"
#include "vxr/format/rect.h"

namespace vxr {

// Where a frame is shown in a window: the frame's size and the area of the
// client it is scaled onto. It turns a window pixel back into the frame
// pixel shown there, with the rule the scaler uses (each window pixel shows
// the frame pixel under its centre), so a program that draws at the
// position it is given hits the pixel under the pointer.
class FrameMapping {
public:
    FrameMapping() = default;
    FrameMapping(std::int32_t frameWidth, std::int32_t frameHeight, const Rect& shownArea);

    // No frame shown yet: positions map one to one and are never inside.
    bool isEmpty() const;
    PointerPosition map(std::int32_t windowX, std::int32_t windowY) const;

private:
    // The frame column (or row) under the centre of window offset from the
    // area's start; floors past either edge.
    static std::int32_t frameIndex(std::int64_t offset, std::int32_t frameSize,
                                   std::int32_t areaSize);

    std::int32_t width = 0;
    std::int32_t height = 0;
    Rect area{0, 0, 0, 0};
};

}  // namespace vxr
