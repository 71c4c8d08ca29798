#pragma once

#include <cstdint>

namespace vxr {

/// Right and bottom are exclusive: the width is right - left.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    /// 64-bit so that a rectangle spanning the whole int32 range has a size.
    std::int64_t width() const { return std::int64_t{right} - left; }
    std::int64_t height() const { return std::int64_t{bottom} - top; }
    bool isNormalised() const { return left <= right && top <= bottom; }
    Rect normalised() const;

    /// Clamp this (normalised) area to clip. Touching an edge is not outside:
    /// such an area comes back empty and the clip still succeeds.
    bool clipTo(const Rect& clip);

    bool operator==(const Rect&) const = default;
};

}  // namespace vxr
