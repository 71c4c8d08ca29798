#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

// Reads one image file format for an ImageReader.
class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;
    virtual bool readHeader(std::int32_t& width, std::int32_t& height, PixelFormat& format,
                            std::int32_t& hasPalette) = 0;
    // pixels is the first line's address (null: only the palette is wanted);
    // line y is at pixels + y * pitch. paletteEntries: 256 ARGB8888 colours
    // or null.
    virtual bool readPixels(std::uint8_t* pixels, std::int32_t orientation, std::int32_t pitch,
                            std::uint32_t* paletteEntries) = 0;
    virtual int reserved(std::int32_t, std::int32_t, std::int32_t, PixelFormat*, PixelFormat*,
                         void*, void*, void*)
    {
        return 0;
    }
    // The file size the header promises (header, colour map and pixels), so
    // that a loader can refuse a file that cannot fill it before allocating.
    virtual std::int64_t declaredSize() = 0;
};

}  // namespace vxr
