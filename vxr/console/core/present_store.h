#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"
#include "vxr/surface/null_store.h"

namespace vxr {

class FramePresenter;

// Stands for a display console's screen: it has no pixels of its own, and
// a copy into it presents the source through the console.
class PresentStore : public NullStore {
public:
    // The in/out parameters hold the request (-1: any) and receive what the
    // store chose; a rejected request leaves the store without a presenter.
    // An orientation of -1 becomes the console's own screen orientation.
    PresentStore(FramePresenter* presenter, std::int32_t& width, std::int32_t& height,
                 const PixelFormat& format, std::int32_t& memoryKind, std::int32_t& orientation,
                 std::int32_t& linePadding, std::int32_t& variant,
                 std::int32_t screenOrientation = TOP_DOWN);

    int copyArea(Surface* source, const Rect* sourceArea, Surface* destination,
                 const Rect* destinationArea, int flags, const void* lookup) override;
    int copy(Surface* source, Surface* destination, int flags, const void* lookup) override;
    int isValid() override { return target ? 1 : 0; }

private:
    FramePresenter* target = nullptr;
};

}  // namespace vxr
