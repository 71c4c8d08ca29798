#include "vxr/surface/tga_decoder.h"

#include <memory>
#include <new>

#include "vxr/format/converter.h"
#include "vxr/format/converter_tables.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/image_reader.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

enum HeaderOffset {
    ID_LENGTH = 0,
    COLOUR_MAP_TYPE = 1,
    IMAGE_TYPE = 2,
    COLOUR_MAP_LENGTH = 5,
    COLOUR_MAP_ENTRY_BITS = 7,
    WIDTH = 12,
    HEIGHT = 14,
    PIXEL_DEPTH = 16,
    DESCRIPTOR = 17,
};

constexpr std::uint8_t COLOUR_MAPPED = 1;
constexpr std::uint8_t TRUE_COLOUR = 2;
// The first stored row is the image's top line.
constexpr std::uint8_t TOP_TO_BOTTOM = 0x20;
constexpr std::int32_t MAX_COLOUR_MAP_LENGTH = 256;

std::int32_t formatIdForDepth(std::uint8_t depth)
{
    switch (depth) {
    case 8: return INDEX8;
    case 16: return ARGB1555;
    case 24: return RGB888;
    case 32: return ARGB8888;
    default: return 0;
    }
}

}  // namespace

TgaDecoder::TgaDecoder(ImageReader* owner) : reader(owner)
{
    if (!reader) return;
    reader->seek(0);
    reader->read(header, HEADER_SIZE);  // a short header reads as zeros
    width = field16(WIDTH);
    height = field16(HEIGHT);
    hasPalette = header[COLOUR_MAP_TYPE];
    format = PixelFormat(formatIdForDepth(header[PIXEL_DEPTH]));
}

std::int32_t TgaDecoder::field16(int offset) const
{
    return header[offset] | header[offset + 1] << 8;
}

bool TgaDecoder::readHeader(std::int32_t& outWidth, std::int32_t& outHeight,
                            PixelFormat& outFormat, std::int32_t& outHasPalette)
{
    outWidth = width;
    outHeight = height;
    outFormat = format;
    outHasPalette = hasPalette;
    return true;
}

std::int64_t TgaDecoder::colourMapOffset() const { return HEADER_SIZE + header[ID_LENGTH]; }

std::int64_t TgaDecoder::colourMapBytes() const
{
    return std::int64_t{field16(COLOUR_MAP_LENGTH)} * header[COLOUR_MAP_ENTRY_BITS] / 8;
}

std::int64_t TgaDecoder::declaredSize()
{
    const std::int64_t mapBytes = hasPalette ? colourMapBytes() : 0;
    return colourMapOffset() + mapBytes + std::int64_t{width} * height * format.bytes;
}

bool TgaDecoder::readColourMap(std::uint32_t* paletteEntries)
{
    const std::int32_t length = field16(COLOUR_MAP_LENGTH);
    if (length > MAX_COLOUR_MAP_LENGTH) {
        setLastError("its colour map has %d entries; a palette holds at most %d", length,
                     MAX_COLOUR_MAP_LENGTH);
        return false;
    }
    const std::int64_t bytes = colourMapBytes();
    // Zero-filled, so a short read leaves black entries, never stale memory.
    std::unique_ptr<std::uint8_t[]> map(new (std::nothrow) std::uint8_t[bytes]());
    if (!map) {
        setLastError("out of memory for its colour map");
        return false;
    }
    reader->seek(colourMapOffset());
    reader->read(map.get(), static_cast<std::size_t>(bytes));

    std::int32_t entryFormat = 0;
    switch (header[COLOUR_MAP_ENTRY_BITS]) {
    case 16: entryFormat = ARGB1555; break;
    case 24: entryFormat = RGB888; break;
    case 32: entryFormat = ARGB8888; break;
    default:
        setLastError("its colour map has %d-bit entries; 16, 24 and 32 bits are read",
                     header[COLOUR_MAP_ENTRY_BITS]);
        return false;
    }
    const ConverterTables::Scope tables;
    std::unique_ptr<Converter> converter(
        selectConverter(PixelFormat(entryFormat), PixelFormat(ARGB8888)));
    return converter && converter->convertRow(map.get(), paletteEntries, length, nullptr);
}

bool TgaDecoder::readRows(std::uint8_t* pixels, std::int32_t pitch)
{
    const std::int64_t rowBytes = std::int64_t{width} * format.bytes;
    const bool topToBottom = header[DESCRIPTOR] & TOP_TO_BOTTOM;
    for (std::int32_t stored = 0; stored < height; ++stored) {
        const std::int32_t line = topToBottom ? stored : height - 1 - stored;
        std::uint8_t* destination = pixels + std::int64_t{line} * pitch;
        if (reader->read(destination, static_cast<std::size_t>(rowBytes)) !=
            static_cast<std::size_t>(rowBytes)) {
            setLastError("its pixels end at stored line %d of %d", stored, height);
            return false;
        }
    }
    return true;
}

bool TgaDecoder::readPixels(std::uint8_t* pixels, std::int32_t orientation, std::int32_t pitch,
                            std::uint32_t* paletteEntries)
{
    if (!reader) return false;
    if (paletteEntries && hasPalette && field16(COLOUR_MAP_LENGTH) != 0 &&
        !readColourMap(paletteEntries))
        return false;
    if (!pixels) return true;
    const std::uint8_t type = header[IMAGE_TYPE];
    if (type != COLOUR_MAPPED && type != TRUE_COLOUR) {
        setLastError("its image type is %d; only uncompressed colour-mapped (1) and true-colour "
                     "(2) images are read",
                     type);
        return false;
    }
    if (orientation != TOP_DOWN && orientation != BOTTOM_UP) return false;
    if (!reader->seek(colourMapOffset() + (hasPalette ? colourMapBytes() : 0))) {
        setLastError("it ends before its pixels start");
        return false;
    }
    return readRows(pixels, pitch);
}

}  // namespace vxr
