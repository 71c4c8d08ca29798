#include "vxr/format/converter.h"

#include <algorithm>
#include <cstddef>
#include <new>

#include "vxr/format/conversion_routines.h"
#include "vxr/format/converter_tables.h"

namespace vxr {

void Converter::setFormats(const PixelFormat& sourceFormat, const PixelFormat& destinationFormat)
{
    source = sourceFormat;
    destination = destinationFormat;
    if (source == destination) sameFormat = 1;
    if (source.model == INDEXED && destination.model != INDEXED) needsLookup = 1;
}

void Converter::setRoutines(RowRoutine row, AreaRoutine area)
{
    rowRoutine = row;
    areaRoutine = area;
}

// The routines step through a run by byte offsets held in a ptrdiff_t, and
// the copy routines count bytes in 32 bits. A length that fits neither is
// refused rather than wrapped; with a 32-bit address space the first limit
// is the narrower one for wide pixels.
bool Converter::scaleToBytes(std::int32_t& count) const
{
    const std::int64_t widest = std::max(source.bytes, destination.bytes);
    if (std::int64_t{count} * widest > PTRDIFF_MAX) return false;
    if (!sameFormat) return true;
    const std::int64_t scaled = std::int64_t{count} * source.bytes;
    if (scaled > INT32_MAX || scaled < INT32_MIN) return false;
    count = static_cast<std::int32_t>(scaled);
    return true;
}

// Indexed-to-indexed pairs need no lookup by the flag's rule, yet their
// routine reads one all the same.
bool Converter::readsLookup() const
{
    return needsLookup || rowRoutine == indexedTo32Row || rowRoutine == indexedTo24Row ||
           rowRoutine == indexedTo16Row || rowRoutine == indexedTo8Row;
}

bool Converter::convertRow(const void* src, void* dst, std::int32_t count,
                           const void* lookup) const
{
    if (!scaleToBytes(count)) return false;
    if (readsLookup() && !lookup) return false;
    return runRow(static_cast<const std::uint8_t*>(src), static_cast<std::uint8_t*>(dst), count,
                  lookup);
}

bool Converter::runRow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t count,
                       const void* lookup) const
{
    if (rowRoutine) {
        rowRoutine(src, dst, count, lookup);
        return true;
    }
    return convertGeneralRow(src, dst, count);
}

bool Converter::convertGeneralRow(const std::uint8_t* src, std::uint8_t* dst,
                                  std::int32_t count) const
{
    if (source.model != DIRECT || destination.model != DIRECT || sameFormat) return false;
    std::uint8_t red, green, blue, alpha;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!source.unpack(src, &red, &green, &blue, &alpha, RGB) ||
            !destination.pack(red, green, blue, alpha, dst, RGB))
            return false;
        src += source.bytes;
        dst += destination.bytes;
    }
    return true;
}

bool Converter::convertArea(AreaRequest request) const
{
    if (!scaleToBytes(request.width)) return false;
    if (readsLookup() && !request.lookup) return false;
    if (areaRoutine) {
        areaRoutine(request, request.lookup);
        return true;
    }
    if (destination.model == SPECIAL) return false;
    const std::uint8_t* sourceRow = request.sourceStart;
    std::uint8_t* destinationRow = request.destinationStart;
    for (std::int32_t row = 0; row < request.height; ++row) {
        // Step only between rows: past the last one of a bottom-up area the
        // pointers would leave the buffer, which is undefined even unread.
        if (row > 0) {
            sourceRow += request.sourcePitch;
            destinationRow += request.destinationPitch;
        }
        if (!runRow(sourceRow, destinationRow, request.width, request.lookup)) return false;
    }
    return true;
}

bool Converter::convertRect(const std::uint8_t* sourcePixels, std::int32_t sourcePitch,
                            const Rect& sourceArea, std::uint8_t* destinationPixels,
                            std::int32_t destinationPitch, std::int32_t destinationX,
                            std::int32_t destinationY, const void* lookup) const
{
    const std::int64_t width = sourceArea.width();
    AreaRequest request;
    request.sourceX = sourceArea.left;
    request.destinationX = destinationX;
    request.sourceY = sourceArea.top;
    request.destinationY = destinationY;
    request.sourceBase = sourcePixels;
    request.destinationBase = destinationPixels;
    request.sourceStart = sourcePixels + std::int64_t{sourceArea.top} * sourcePitch +
                          std::int64_t{sourceArea.left} * source.bytes;
    request.destinationStart = destinationPixels + std::int64_t{destinationY} * destinationPitch +
                               std::int64_t{destinationX} * destination.bytes;
    request.sourceGap = static_cast<std::int32_t>(sourcePitch - width * source.bytes);
    request.destinationGap =
        static_cast<std::int32_t>(destinationPitch - width * destination.bytes);
    request.width = static_cast<std::int32_t>(width);
    request.height = static_cast<std::int32_t>(sourceArea.height());
    request.sourcePitch = sourcePitch;
    request.destinationPitch = destinationPitch;
    request.lookup = lookup;
    return convertArea(request);
}

Converter* lookupConverter(std::int32_t sourceId, std::int32_t destinationId)
{
    const Converter* entry = ConverterTables::entry(sourceId, destinationId);
    return entry ? new (std::nothrow) Converter(*entry) : nullptr;
}

Converter* selectConverter(const PixelFormat& source, const PixelFormat& destination)
{
    if (Converter* fromTable = lookupConverter(source.id, destination.id)) return fromTable;
    if (source.id != INDEX8 && source.id != GREY8) {
        auto* converter = new (std::nothrow) Converter;
        if (!converter) return nullptr;
        converter->setFormats(source, destination);
        const Converter* copy = ConverterTables::entry(FIRST_FORMAT_ID, FIRST_FORMAT_ID);
        if (converter->sameFormat && source.isValid() && copy)
            converter->setRoutines(copy->rowRoutine, copy->areaRoutine);
        return converter;
    }
    // An indexed source into a destination without a table id: only its
    // byte count decides, and an unusual one gets a blank converter.
    const Converter* shape = ConverterTables::indexedTemplate(destination.bytes);
    return shape ? new (std::nothrow) Converter(*shape) : new (std::nothrow) Converter;
}

}  // namespace vxr
