#pragma once

#include <cstdint>

namespace vxr {

// One rectangle conversion. The caller fills every field; the area routines
// walk the start pointers with the gaps, the general path with the pitches.
struct AreaRequest {
    std::int32_t sourceX = 0;       // the area's left column in the source, in pixels
    std::int32_t destinationX = 0;  // the area's left column in the destination, in pixels
    std::int32_t sourceY = 0;       // the area's top row in the source
    std::int32_t destinationY = 0;  // the area's top row in the destination
    const std::uint8_t* sourceBase = nullptr;  // start of the top line as locked
    std::uint8_t* destinationBase = nullptr;   // start of the destination's top line as locked
    // The area's first source pixel: sourceBase + sourceY * sourcePitch +
    // sourceX * the source's bytes per pixel.
    const std::uint8_t* sourceStart = nullptr;
    // The area's first destination pixel, found as sourceStart is.
    std::uint8_t* destinationStart = nullptr;
    std::int32_t sourceGap = 0;       // bytes from the end of one row to the next row's start
    std::int32_t destinationGap = 0;  // the same for the destination
    // Pixels per row. Converter::convertArea turns it into bytes before a
    // same-format copy routine sees it.
    std::int32_t width = 0;
    std::int32_t height = 0;  // rows
    // Bytes from one source row's start to the next row's; negative for
    // bottom-up storage.
    std::int32_t sourcePitch = 0;
    std::int32_t destinationPitch = 0;  // the same for the destination
    const void* lookup = nullptr;       // the palette table an indexed source needs, or null
};

// Row routines convert count pixels (bytes for the copy) and leave both
// pointers just past what they processed.
using RowRoutine = void (*)(const std::uint8_t*& source, std::uint8_t*& destination,
                            std::int32_t count, const void* lookup);
// Area routines convert a whole request, running one row after another.
using AreaRoutine = void (*)(AreaRequest request, const void* lookup);

}  // namespace vxr
