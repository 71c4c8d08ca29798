#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"
#include "vxr/surface/image_decoder.h"

namespace vxr {

class ImageReader;

// Uncompressed TGA files: colour-mapped (type 1) and true-colour (type 2).
// Pixels are read in the file's own format straight into the surface.
class TgaDecoder : public ImageDecoder {
public:
    static constexpr int HEADER_SIZE = 18;

    // Reads the header at once, without judging the file.
    explicit TgaDecoder(ImageReader* reader);

    bool readHeader(std::int32_t& width, std::int32_t& height, PixelFormat& format,
                    std::int32_t& hasPalette) override;
    bool readPixels(std::uint8_t* pixels, std::int32_t orientation, std::int32_t pitch,
                    std::uint32_t* paletteEntries) override;
    std::int64_t declaredSize() override;

private:
    std::int32_t field16(int offset) const;
    std::int64_t colourMapOffset() const;
    std::int64_t colourMapBytes() const;
    bool readColourMap(std::uint32_t* paletteEntries);
    bool readRows(std::uint8_t* pixels, std::int32_t pitch);

    ImageReader* reader = nullptr;
    std::uint8_t header[HEADER_SIZE] = {};
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t hasPalette = 0;
    PixelFormat format;
};

}  // namespace vxr
