#pragma once

#include <cstdint>

#include "vxr/format/rect.h"

namespace vxr {

// Where a frame is shown in a window's client area for each way a console
// scales it (the SCALING_ codes), worked out in one place so that every
// console draws the frame, fills its bars and maps the pointer through the
// same area:
//
// - SCALING_SHARP: the largest area of the frame's aspect, centred (the
//   letterbox). SCALING_COMPOSITOR places the frame there too; only who
//   stretches it differs.
// - SCALING_INTEGER: the largest whole multiple of the frame that fits,
//   centred, so that every frame pixel becomes a block of one size. A
//   client too small for even one frame shows it scaled down, as SHARP
//   does, rather than cut off.
// - SCALING_STRETCH: the whole client, the aspect not kept.
//
// Every area lies inside the client; sizes that are not positive, and
// codes that name no placement, give an empty area.
class FramePlacement {
public:
    // Whether scaling is one of the codes above.
    static bool isKnown(std::int32_t scaling);

    static Rect place(std::int32_t scaling, std::int32_t frameWidth, std::int32_t frameHeight,
                      std::int32_t clientWidth, std::int32_t clientHeight);

    // The largest whole number of frames that fit the client across and
    // down alike; 0 where not even one does, or a size is not positive.
    static std::int32_t wholeMultiple(std::int32_t frameWidth, std::int32_t frameHeight,
                                      std::int32_t clientWidth, std::int32_t clientHeight);

private:
    static Rect wholeMultipleArea(std::int32_t frameWidth, std::int32_t frameHeight,
                                  std::int32_t clientWidth, std::int32_t clientHeight);
};

}  // namespace vxr
