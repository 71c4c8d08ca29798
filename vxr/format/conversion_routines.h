#pragma once

#include <array>
#include <cstdint>

#include "vxr/format/area_request.h"
#include "vxr/format/pixel_format.h"

namespace vxr {

// The contribution of an RGB565 pixel's low byte (low) and high byte (high)
// to a 32-bit destination pixel; indexed by the byte's value.
struct ExpansionEntry {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};
using ExpansionTable = std::array<ExpansionEntry, 256>;

// Fill the table for a 32-bit destination; any other format is refused and
// the table is left as it is.
bool buildExpansionTable(const PixelFormat& format, ExpansionTable& table);
// Fills the four process-wide tables (ARGB8888, ABGR8888, RGBA8888, BGRA8888).
void buildExpansionTables();

#define VXR_CONVERSION_ROUTINE(name)                                                   \
    void name##Row(const std::uint8_t*& source, std::uint8_t*& destination,            \
                   std::int32_t count, const void* lookup);                            \
    void name##Block(AreaRequest request, const void* lookup);

VXR_CONVERSION_ROUTINE(copy)
VXR_CONVERSION_ROUTINE(indexedTo32)
VXR_CONVERSION_ROUTINE(indexedTo24)
VXR_CONVERSION_ROUTINE(indexedTo16)
VXR_CONVERSION_ROUTINE(indexedTo8)
VXR_CONVERSION_ROUTINE(rgb565ToARGB8888)
VXR_CONVERSION_ROUTINE(rgb565ToABGR8888)
VXR_CONVERSION_ROUTINE(rgb565ToRGBA8888)
VXR_CONVERSION_ROUTINE(rgb565ToBGRA8888)
VXR_CONVERSION_ROUTINE(rgb565ToRGB888)
VXR_CONVERSION_ROUTINE(rgb565ToBGR888)
VXR_CONVERSION_ROUTINE(rgb565ToBGR565)
VXR_CONVERSION_ROUTINE(rgb565ToARGB1555)
VXR_CONVERSION_ROUTINE(rgb565ToABGR1555)
VXR_CONVERSION_ROUTINE(rgb565ToGREY8)
VXR_CONVERSION_ROUTINE(rgb565ToRGB332)
VXR_CONVERSION_ROUTINE(argb8888ToABGR8888)
VXR_CONVERSION_ROUTINE(argb8888ToRGBA8888)
VXR_CONVERSION_ROUTINE(argb8888ToBGRA8888)
VXR_CONVERSION_ROUTINE(argb8888ToRGB888)
VXR_CONVERSION_ROUTINE(argb8888ToBGR888)
VXR_CONVERSION_ROUTINE(argb8888ToRGB565)
VXR_CONVERSION_ROUTINE(argb8888ToBGR565)
VXR_CONVERSION_ROUTINE(argb8888ToARGB1555)
VXR_CONVERSION_ROUTINE(argb8888ToABGR1555)
VXR_CONVERSION_ROUTINE(argb8888ToGREY8)
VXR_CONVERSION_ROUTINE(argb8888ToRGB332)

#undef VXR_CONVERSION_ROUTINE

}  // namespace vxr
