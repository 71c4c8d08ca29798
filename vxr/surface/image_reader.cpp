#include "vxr/surface/image_reader.h"

#include <climits>
#include <new>

#include "vxr/surface/tga_decoder.h"

namespace vxr {

ImageReader::ImageReader(const char* fileName, int flags) { open(fileName, flags); }

ImageReader::~ImageReader() { close(); }

bool ImageReader::open(const char* fileName, int flags)
{
    close();
    if (!fileName) return false;
    const bool reading = flags & READ, writing = flags & WRITE;
    const char* mode = reading && !writing ? "rb" : writing && !reading ? "wb" : "r+b";
    file = std::fopen(fileName, mode);
    if (!file) return false;
    decoder = new (std::nothrow) TgaDecoder(this);
    return decoder != nullptr;
}

void ImageReader::close()
{
    delete decoder;
    decoder = nullptr;
    if (file) std::fclose(file);
    file = nullptr;
}

bool ImageReader::readHeader(std::int32_t& width, std::int32_t& height, PixelFormat& format,
                             std::int32_t& hasPalette)
{
    return decoder && decoder->readHeader(width, height, format, hasPalette);
}

bool ImageReader::readPixels(std::uint8_t* pixels, std::int32_t orientation, std::int32_t pitch,
                             std::uint32_t* paletteEntries)
{
    return decoder && decoder->readPixels(pixels, orientation, pitch, paletteEntries);
}

bool ImageReader::holdsDeclaredData()
{
    const std::int64_t size = fileSize();
    return decoder && size >= 0 && decoder->declaredSize() <= size;
}

std::size_t ImageReader::read(void* buffer, std::size_t count)
{
    return file ? std::fread(buffer, 1, count, file) : 0;
}

bool ImageReader::seek(std::int64_t offset)
{
    if (!file || offset < 0 || offset > LONG_MAX) return false;
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

std::int64_t ImageReader::fileSize()
{
    if (!file) return -1;
    const long position = std::ftell(file);
    if (position < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(file);
    std::fseek(file, position, SEEK_SET);
    return size;
}

}  // namespace vxr
