#pragma once

#include "vxr/format/rect.h"

namespace vxr {

class Surface;

// A display console that shows frames itself: a copy into its screen
// surface hands the frame here. The destination area is in the screen
// surface's coordinates; non-zero when something was shown.
class FramePresenter {
public:
    virtual int present(Surface* source, const Rect& sourceArea, const Rect& destinationArea) = 0;
    // The same for a copy with flags. Most screens take no flag and refuse
    // a copy that has any; a presenter that honours some takes them here.
    virtual int presentCopy(Surface* source, const Rect& sourceArea, const Rect& destinationArea,
                            int flags)
    {
        return flags == 0 ? present(source, sourceArea, destinationArea) : 0;
    }

protected:
    ~FramePresenter() = default;
};

}  // namespace vxr
