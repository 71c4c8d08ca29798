#include "vxr/console/placement/letterbox_bars.h"

#include <algorithm>

namespace vxr {
namespace {

void addUnlessEmpty(LetterboxBars::Bands& bands, std::int32_t left, std::int32_t top,
                    std::int32_t right, std::int32_t bottom)
{
    if (right > left && bottom > top) bands.rects[bands.count++] = Rect{left, top, right, bottom};
}

}  // namespace

LetterboxBars::Bands LetterboxBars::around(const Rect& frame, std::int32_t width,
                                           std::int32_t height)
{
    Bands bands;
    if (width <= 0 || height <= 0) return bands;
    // Cut to the client; a frame turned inside out covers nothing, and its
    // edges stay in order so that the four bands still meet.
    const std::int32_t left = std::clamp(frame.left, 0, width);
    const std::int32_t right = std::clamp(frame.right, left, width);
    const std::int32_t top = std::clamp(frame.top, 0, height);
    const std::int32_t bottom = std::clamp(frame.bottom, top, height);
    addUnlessEmpty(bands, 0, 0, width, top);
    addUnlessEmpty(bands, 0, bottom, width, height);
    addUnlessEmpty(bands, 0, top, left, bottom);
    addUnlessEmpty(bands, right, top, width, bottom);
    return bands;
}

bool LetterboxBars::areDrawnFor(const Rect& frame, std::int32_t width,
                                std::int32_t height) const
{
    return frame == drawnFrame && width == drawnWidth && height == drawnHeight;
}

LetterboxBars::Bands LetterboxBars::redraw(const Rect& frame, std::int32_t width,
                                           std::int32_t height)
{
    drawnFrame = frame;
    drawnWidth = width;
    drawnHeight = height;
    return around(frame, width, height);
}

LetterboxBars::Bands LetterboxBars::redrawOverOldSize(const Rect& frame, std::int32_t width,
                                                      std::int32_t height)
{
    const std::int32_t reachWidth = std::max(width, drawnWidth);
    const std::int32_t reachHeight = std::max(height, drawnHeight);
    redraw(frame, width, height);
    return around(frame, reachWidth, reachHeight);
}

void LetterboxBars::forget()
{
    drawnFrame = Rect{};
    drawnWidth = -1;
    drawnHeight = -1;
}

}  // namespace vxr
