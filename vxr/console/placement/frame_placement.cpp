#include "vxr/console/placement/frame_placement.h"

#include <algorithm>

#include "vxr/console/console_mode.h"
#include "vxr/console/placement/frame_scaler.h"

namespace vxr {

bool FramePlacement::isKnown(std::int32_t scaling)
{
    return scaling == SCALING_SHARP || scaling == SCALING_COMPOSITOR ||
           scaling == SCALING_INTEGER || scaling == SCALING_STRETCH;
}

Rect FramePlacement::place(std::int32_t scaling, std::int32_t frameWidth,
                           std::int32_t frameHeight, std::int32_t clientWidth,
                           std::int32_t clientHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return {};
    switch (scaling) {
        case SCALING_SHARP:
        case SCALING_COMPOSITOR:
            return FrameScaler::letterbox(frameWidth, frameHeight, clientWidth, clientHeight);
        case SCALING_INTEGER:
            return wholeMultipleArea(frameWidth, frameHeight, clientWidth, clientHeight);
        case SCALING_STRETCH:
            return Rect{0, 0, clientWidth, clientHeight};
        default:
            return {};
    }
}

std::int32_t FramePlacement::wholeMultiple(std::int32_t frameWidth, std::int32_t frameHeight,
                                           std::int32_t clientWidth, std::int32_t clientHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return 0;
    // Each quotient is at most the client's side, so it stays an int32.
    return std::min(clientWidth / frameWidth, clientHeight / frameHeight);
}

Rect FramePlacement::wholeMultipleArea(std::int32_t frameWidth, std::int32_t frameHeight,
                                       std::int32_t clientWidth, std::int32_t clientHeight)
{
    const std::int32_t multiple = wholeMultiple(frameWidth, frameHeight, clientWidth, clientHeight);
    if (multiple < 1)
        return FrameScaler::letterbox(frameWidth, frameHeight, clientWidth, clientHeight);
    // multiple * side is at most the client's side: no overflow.
    const std::int32_t width = multiple * frameWidth;
    const std::int32_t height = multiple * frameHeight;
    const std::int32_t left = (clientWidth - width) / 2;
    const std::int32_t top = (clientHeight - height) / 2;
    return Rect{left, top, left + width, top + height};
}

}  // namespace vxr
