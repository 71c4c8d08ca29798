#pragma once

#include <cstdint>
#include <memory>

#include "vxr/format/rect.h"

namespace vxr {

// Nearest-neighbour scaling of one frame area onto a target area of another
// size, pixel bytes copied unchanged, for the display consoles that stretch
// a frame to a window themselves. Every target pixel takes the source pixel
// under its centre, so a whole-number scale repeats each pixel exactly.
//
// prepare() works out the column and row maps once per size pair; scale()
// then runs per frame without arithmetic per pixel: a target row that
// repeats the previous one is a memcpy of it, and a whole-number
// horizontal scale repeats pixels without the column map.
class FrameScaler {
public:
    static constexpr std::int32_t MAX_PIXEL_BYTES = 4;

    // The largest area with the frame's aspect inside a client area, centred:
    // the bars beside or above it are what the frame does not cover. At
    // least a pixel each way; empty when any size is not positive.
    static Rect letterbox(std::int32_t frameWidth, std::int32_t frameHeight,
                          std::int32_t clientWidth, std::int32_t clientHeight);

    // The scale a windowed open gives a frame: the largest whole number
    // that fits the frame in three quarters of the screen, at least 1 (also
    // when the screen's size is not known).
    static std::int32_t windowScale(std::int32_t frameWidth, std::int32_t frameHeight,
                                    std::int32_t screenWidth, std::int32_t screenHeight);

    // Where an area of a frame lands when the whole frame fills target:
    // its edges scaled by target's size against the frame's and rounded
    // down, so that neighbouring areas meet without a gap.
    static Rect mapArea(const Rect& area, std::int32_t frameWidth, std::int32_t frameHeight,
                        const Rect& target);

    // False for sizes that are not positive, pixels of more than
    // MAX_PIXEL_BYTES, or when the maps cannot be allocated; scale() then
    // does nothing until a prepare() succeeds.
    bool prepare(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t targetWidth,
                 std::int32_t targetHeight, std::int32_t pixelBytes);
    bool isPrepared() const { return rowMap != nullptr; }
    bool isPreparedFor(std::int32_t sourceWidth, std::int32_t sourceHeight,
                       std::int32_t targetWidth, std::int32_t targetHeight,
                       std::int32_t pixelBytes) const;

    // source is the first pixel of the source area, target the first pixel of
    // the target area; pitches are signed byte distances between lines.
    void scale(const std::uint8_t* source, std::int64_t sourcePitch, std::uint8_t* target,
               std::int64_t targetPitch) const;

    std::int32_t targetWidth() const { return toWidth; }
    std::int32_t targetHeight() const { return toHeight; }

private:
    // The source index under the centre of each of count target positions.
    static std::unique_ptr<std::int32_t[]> centreMap(std::int32_t sourceCount,
                                                     std::int32_t targetCount);
    void scaleRow(const std::uint8_t* source, std::uint8_t* target) const;

    std::unique_ptr<std::int32_t[]> columnMap;
    std::unique_ptr<std::int32_t[]> rowMap;
    std::int32_t fromWidth = 0;
    std::int32_t fromHeight = 0;
    std::int32_t toWidth = 0;
    std::int32_t toHeight = 0;
    std::int32_t bytes = 0;
    // Target pixels per source pixel when that is a whole number, else 0.
    std::int32_t wholeRepeat = 0;
};

}  // namespace vxr
