#pragma once

#include <cstdint>

#include "vxr/format/area_request.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {

// Turns pixels of one format into another, a row or a rectangle at a time,
// through a registered fast routine or, for direct pairs without one, the
// general unpack/pack path. Made per copy; the requester deletes it.
class Converter {
public:
    // Sets both formats; sets sameFormat when they are equal and
    // needsLookup for an indexed source into a non-indexed destination.
    // Never clears a flag: a converter copied from a table keeps its own.
    void setFormats(const PixelFormat& sourceFormat, const PixelFormat& destinationFormat);
    // Sets the fast routines; a null one leaves its work to the general path.
    void setRoutines(RowRoutine row, AreaRoutine area);

    // count is in pixels; false when nothing can convert this pair, a
    // lookup the pair needs is null, or the run is too long to count.
    bool convertRow(const void* source, void* destination, std::int32_t count,
                    const void* lookup) const;
    // Converts the rectangle request describes, with its lookup; false as
    // convertRow(), and for a special destination without an area routine.
    bool convertArea(AreaRequest request) const;
    // The sourceArea rectangle of one block of pixels onto another at
    // (destinationX, destinationY). Each block is given by its top line's
    // first pixel and its pitch, negative where lines run bottom up.
    // False as convertArea().
    bool convertRect(const std::uint8_t* sourcePixels, std::int32_t sourcePitch,
                     const Rect& sourceArea, std::uint8_t* destinationPixels,
                     std::int32_t destinationPitch, std::int32_t destinationX,
                     std::int32_t destinationY, const void* lookup) const;

    PixelFormat source;       // the format converted from
    PixelFormat destination;  // the format converted to
    // 1 when indexed source pixels need a palette table: the lookup
    // argument must then not be null.
    std::int32_t needsLookup = 0;
    // 1 when both formats are the same: a plain copy, which the routines
    // count in bytes.
    std::int32_t sameFormat = 0;
    RowRoutine rowRoutine = nullptr;    // the fast row routine; null: unpack and pack
    AreaRoutine areaRoutine = nullptr;  // the fast area routine; null: rows one by one

private:
    bool readsLookup() const;
    bool runRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                const void* lookup) const;
    bool convertGeneralRow(const std::uint8_t* source, std::uint8_t* destination,
                           std::int32_t count) const;
    bool scaleToBytes(std::int32_t& count) const;
};

// A copy of the table entry for the pair, or null when the tables have none
// (or memory runs out). The caller deletes it.
Converter* lookupConverter(std::int32_t sourceId, std::int32_t destinationId);
// The best converter for the pair; null only when memory runs out. A pair
// nothing can convert gets a converter whose conversions return false. The
// caller deletes it.
Converter* selectConverter(const PixelFormat& source, const PixelFormat& destination);

}  // namespace vxr
