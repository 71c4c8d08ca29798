#pragma once

#include <cstdint>

namespace vxr {

/// One rectangle conversion. The caller fills every field; the area routines
/// walk the start pointers with the gaps, the general path with the pitches.
struct AreaRequest {
    std::int32_t sourceX = 0;
    std::int32_t destinationX = 0;
    std::int32_t sourceY = 0;
    std::int32_t destinationY = 0;
    const std::uint8_t* sourceBase = nullptr;  ///< start of the top line as locked
    std::uint8_t* destinationBase = nullptr;
    const std::uint8_t* sourceStart = nullptr;
    std::uint8_t* destinationStart = nullptr;
    std::int32_t sourceGap = 0;  ///< bytes from the end of one row to the next row's start
    std::int32_t destinationGap = 0;
    std::int32_t width = 0;  ///< pixels, or bytes for a same-format copy
    std::int32_t height = 0;
    std::int32_t sourcePitch = 0;
    std::int32_t destinationPitch = 0;
    const void* lookup = nullptr;
};

/// Row routines convert count pixels (bytes for the copy) and leave both
/// pointers just past what they processed; area routines run one per row.
using RowRoutine = void (*)(const std::uint8_t*& source, std::uint8_t*& destination,
                            std::int32_t count, const void* lookup);
using AreaRoutine = void (*)(AreaRequest request, const void* lookup);

}  // namespace vxr
