#pragma once

/// @file
/// Rect, the rectangle that areas and clips are given in.

#include <cstdint>

namespace vxr {

/// A rectangle of pixels. Right and bottom are exclusive: the width is
/// right - left.
struct Rect {
    std::int32_t left = 0;    ///< the first column inside
    std::int32_t top = 0;     ///< the first row inside
    std::int32_t right = 0;   ///< the column just past the last one inside
    std::int32_t bottom = 0;  ///< the row just past the last one inside

    /// right - left; 64-bit so that a rectangle spanning the whole int32
    /// range has a size.
    std::int64_t width() const { return std::int64_t{right} - left; }
    /// bottom - top, 64-bit like width().
    std::int64_t height() const { return std::int64_t{bottom} - top; }
    /// True when neither width() nor height() is negative.
    bool isNormalised() const { return left <= right && top <= bottom; }
    /// A copy with reversed edges swapped, so that it is normalised.
    Rect normalised() const;

    /// Clamp this (normalised) area to clip. Touching an edge is not outside:
    /// such an area comes back empty and the clip still succeeds. False,
    /// leaving the area unchanged, when it lies wholly outside.
    bool clipTo(const Rect& clip);

    /// Equal when all four edges are.
    bool operator==(const Rect&) const = default;
};

}  // namespace vxr
