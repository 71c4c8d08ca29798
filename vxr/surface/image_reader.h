#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "vxr/format/pixel_format.h"

namespace vxr {

class ImageDecoder;

// Owns an open image file and the decoder that reads it.
class ImageReader {
public:
    static constexpr int READ = 1;
    static constexpr int WRITE = 2;

    ImageReader() = default;
    ImageReader(const char* fileName, int flags);
    ~ImageReader();
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;

    bool open(const char* fileName, int flags);
    bool isOpen() const { return file && decoder; }
    void close();

    bool readHeader(std::int32_t& width, std::int32_t& height, PixelFormat& format,
                    std::int32_t& hasPalette);
    bool readPixels(std::uint8_t* pixels, std::int32_t orientation, std::int32_t pitch,
                    std::uint32_t* paletteEntries);
    // True when the file holds at least what its header declares.
    bool holdsDeclaredData();

    std::size_t read(void* buffer, std::size_t count);
    bool seek(std::int64_t offset);
    std::int64_t fileSize();

private:
    std::FILE* file = nullptr;
    ImageDecoder* decoder = nullptr;
};

}  // namespace vxr
