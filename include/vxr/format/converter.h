#pragma once

#include <cstdint>

#include "vxr/format/area_request.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {

/// Turns pixels of one format into another, a row or a rectangle at a time,
/// through a registered fast routine or, for direct pairs without one, the
/// general unpack/pack path. Made per copy; the requester deletes it.
class Converter {
public:
    /// Never clears a flag: a converter copied from a table keeps its own.
    void setFormats(const PixelFormat& sourceFormat, const PixelFormat& destinationFormat);
    void setRoutines(RowRoutine row, AreaRoutine area);

    /// count is in pixels; false when nothing can convert this pair.
    bool convertRow(const void* source, void* destination, std::int32_t count,
                    const void* lookup) const;
    bool convertArea(AreaRequest request) const;
    /// The sourceArea rectangle of one block of pixels onto another at
    /// (destinationX, destinationY). Each block is given by its top line's
    /// first pixel and its pitch, negative where lines run bottom up.
    bool convertRect(const std::uint8_t* sourcePixels, std::int32_t sourcePitch,
                     const Rect& sourceArea, std::uint8_t* destinationPixels,
                     std::int32_t destinationPitch, std::int32_t destinationX,
                     std::int32_t destinationY, const void* lookup) const;

    PixelFormat source;
    PixelFormat destination;
    std::int32_t needsLookup = 0;
    std::int32_t sameFormat = 0;
    RowRoutine rowRoutine = nullptr;
    AreaRoutine areaRoutine = nullptr;

private:
    bool readsLookup() const;
    bool runRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                const void* lookup) const;
    bool convertGeneralRow(const std::uint8_t* source, std::uint8_t* destination,
                           std::int32_t count) const;
    bool scaleToBytes(std::int32_t& count) const;
};

/// A copy of the table entry for the pair, or null when the tables have none.
Converter* lookupConverter(std::int32_t sourceId, std::int32_t destinationId);
/// The best converter for the pair; null only when memory runs out.
Converter* selectConverter(const PixelFormat& source, const PixelFormat& destination);

}  // namespace vxr
