#include "vxr/console/placement/frame_mapping.h"

#include <limits>

namespace vxr {

FrameMapping::FrameMapping(std::int32_t frameWidth, std::int32_t frameHeight,
                           const Rect& shownArea)
    : width(frameWidth), height(frameHeight), area(shownArea)
{
}

bool FrameMapping::isEmpty() const
{
    return width <= 0 || height <= 0 || area.right <= area.left || area.bottom <= area.top;
}

std::int32_t FrameMapping::frameIndex(std::int64_t offset, std::int32_t frameSize,
                                      std::int32_t areaSize)
{
    // floor((offset + 1/2) * frameSize / areaSize). No window reaches 2^24
    // pixels; clamping there keeps the products inside 64 bits whatever
    // the platform reports.
    constexpr std::int64_t REACH = std::int64_t{1} << 24;
    if (offset < -REACH) offset = -REACH;
    if (offset > REACH) offset = REACH;
    const std::int64_t numerator = (2 * offset + 1) * frameSize;
    const std::int64_t denominator = 2 * static_cast<std::int64_t>(areaSize);
    std::int64_t index = numerator / denominator;
    if (numerator % denominator != 0 && numerator < 0) --index;
    const std::int64_t low = std::numeric_limits<std::int32_t>::min();
    const std::int64_t high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(index < low ? low : index > high ? high : index);
}

PointerPosition FrameMapping::map(std::int32_t windowX, std::int32_t windowY) const
{
    PointerPosition position;
    position.windowX = windowX;
    position.windowY = windowY;
    if (isEmpty()) {
        position.x = windowX;
        position.y = windowY;
        return position;
    }
    position.x = frameIndex(static_cast<std::int64_t>(windowX) - area.left, width,
                            area.right - area.left);
    position.y = frameIndex(static_cast<std::int64_t>(windowY) - area.top, height,
                            area.bottom - area.top);
    position.inside = windowX >= area.left && windowX < area.right && windowY >= area.top &&
                      windowY < area.bottom;
    return position;
}

}  // namespace vxr
