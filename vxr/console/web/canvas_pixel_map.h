#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "vxr/format/pixel_format.h"

namespace vxr {

class Converter;

// How a frame's pixels become the canvas's bytes (R, G, B, then alpha 255)
// in a single step per pixel, with the colours exactly the library's
// converters': a 32-bit frame whose channels are whole bytes by picking
// each channel's byte; a 16-bit or 8-bit frame by a table of every value
// it can hold, filled by the converter (for an indexed frame, through its
// palette). The GPU runs the map in its shader; without a GPU path the CPU
// runs the channel picking, a vector step.
class CanvasPixelMap {
public:
    enum class Kind { NONE, CHANNEL_BYTES, WORD_TABLE, BYTE_TABLE };

    CanvasPixelMap();
    ~CanvasPixelMap();
    CanvasPixelMap(const CanvasPixelMap&) = delete;
    CanvasPixelMap& operator=(const CanvasPixelMap&) = delete;

    // The map a format can have; NONE for formats the converters must do.
    static Kind kindFor(const PixelFormat& format);

    // Makes the map for frames in format whose palette table (for an
    // indexed format) is lookup. False where the format has no map or the
    // table cannot be made.
    bool prepare(const PixelFormat& format, const void* lookup);
    // Counts the changes of the current kind's table, so that a copy of it
    // (the GPU's) can tell when it is stale.
    std::uint32_t tableVersion() const
    {
        return mapKind == Kind::WORD_TABLE ? wordVersion : byteVersion;
    }

    Kind kind() const { return mapKind; }
    // The table, 4 bytes (R, G, B, 255) a value, lowest value first, 256
    // values a row: 65536 for WORD_TABLE, 256 for BYTE_TABLE.
    const std::uint8_t* table() const;
    // For CHANNEL_BYTES: which byte of the pixel holds red, green and blue.
    std::array<std::int32_t, 3> channelBytes() const { return byteOf; }

    // Whether a format's pixels are the canvas's bytes as they are: R, G, B
    // in that order, the fourth byte the alpha the canvas reads.
    static bool isCanvasOrder(const PixelFormat& format);
    // Whether the fourth byte of each of count pixels at from is 255.
    static bool allOpaque(const std::uint8_t* from, std::int64_t count);

    // Maps count pixels of the prepared format at from into canvas bytes.
    void mapRow(const std::uint8_t* from, std::uint8_t* to, std::int64_t count) const;

private:
    bool fillTable(const PixelFormat& format, std::int32_t values, const void* lookup,
                   std::uint8_t* table);
    void reorderRow(const std::uint8_t* from, std::uint8_t* to, std::int64_t count) const;

    Kind mapKind = Kind::NONE;
    PixelFormat mapFormat;
    std::array<std::int32_t, 3> byteOf{};
    std::unique_ptr<std::uint8_t[]> wordTable;
    PixelFormat wordTableFormat;
    std::uint32_t wordVersion = 0;
    std::array<std::uint8_t, 256 * 4> byteTable{};
    PixelFormat byteTableFormat;
    std::uint32_t byteVersion = 0;
    std::unique_ptr<Converter> tableConverter;
};

}  // namespace vxr
