#include "vxr/console/x11/window_icon.h"

#include <new>

#include "window_icon_data.h"

namespace vxr {
namespace {

constexpr std::size_t FILE_HEADER_BYTES = 6;
constexpr std::size_t ENTRY_BYTES = 16;
constexpr std::uint32_t INFO_HEADER_BYTES = 40;

std::uint32_t little16(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t little32(const std::uint8_t* bytes)
{
    return bytes[0] | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Bit set: the pixel is transparent. Lines run bottom first, padded to 32 bits.
bool maskedOut(const std::uint8_t* mask, std::int32_t width, std::int32_t x, std::int32_t row)
{
    const std::int64_t stride = (std::int64_t{width} + 31) / 32 * 4;
    return mask[row * stride + x / 8] & (0x80 >> (x % 8));
}

}  // namespace

bool WindowIcon::readImage(const std::uint8_t* bytes, std::size_t size, int index, Image& image)
{
    const std::size_t entry = FILE_HEADER_BYTES + ENTRY_BYTES * static_cast<std::size_t>(index);
    if (entry + ENTRY_BYTES > size) return false;
    const std::uint32_t dataSize = little32(bytes + entry + 8);
    const std::uint32_t offset = little32(bytes + entry + 12);
    if (offset > size || dataSize > size - offset || dataSize < INFO_HEADER_BYTES) return false;

    const std::uint8_t* info = bytes + offset;
    const std::uint32_t headerSize = little32(info);
    const std::int64_t width = static_cast<std::int32_t>(little32(info + 4));
    // The height counts the colour lines and the mask lines together.
    const std::int64_t doubledHeight = static_cast<std::int32_t>(little32(info + 8));
    const bool plainColour = little16(info + 14) == 32 && little32(info + 16) == 0;
    if (headerSize < INFO_HEADER_BYTES || headerSize > dataSize || !plainColour) return false;
    if (width <= 0 || width > LARGEST_SIDE || doubledHeight <= 0 || doubledHeight % 2 != 0 ||
        doubledHeight / 2 > LARGEST_SIDE)
        return false;
    const std::int64_t height = doubledHeight / 2;
    const std::int64_t pixelBytes = width * height * 4;
    const std::int64_t maskBytes = (width + 31) / 32 * 4 * height;
    if (pixelBytes > std::int64_t{dataSize} - headerSize) return false;

    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    image.pixels = info + headerSize;
    image.mask =
        headerSize + pixelBytes + maskBytes <= dataSize ? image.pixels + pixelBytes : nullptr;
    return true;
}

std::uint32_t* WindowIcon::appendImage(const Image& image, std::uint32_t* out)
{
    *out++ = static_cast<std::uint32_t>(image.width);
    *out++ = static_cast<std::uint32_t>(image.height);
    const std::int64_t count = std::int64_t{image.width} * image.height;
    bool hasAlpha = false;
    for (std::int64_t i = 0; i < count && !hasAlpha; ++i) hasAlpha = image.pixels[i * 4 + 3] != 0;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::int32_t row = image.height - 1 - y;
        const std::uint8_t* pixel = image.pixels + std::int64_t{row} * image.width * 4;
        for (std::int32_t x = 0; x < image.width; ++x, pixel += 4) {
            std::uint32_t alpha = pixel[3];
            // Icons without alpha say through the mask what is transparent.
            if (!hasAlpha)
                alpha = image.mask && maskedOut(image.mask, image.width, x, row) ? 0 : 255;
            *out++ = alpha << 24 | std::uint32_t{pixel[2]} << 16 | std::uint32_t{pixel[1]} << 8 |
                     pixel[0];
        }
    }
    return out;
}

bool WindowIcon::read(const std::uint8_t* bytes, std::size_t size)
{
    values.reset();
    valueCount = 0;
    images = 0;
    if (!bytes || size < FILE_HEADER_BYTES || little16(bytes) != 0 || little16(bytes + 2) != 1)
        return false;
    const int entries = static_cast<int>(little16(bytes + 4));
    std::size_t total = 0;
    for (int i = 0; i < entries; ++i) {
        Image image;
        if (readImage(bytes, size, i, image))
            total += 2 + static_cast<std::size_t>(image.width) * image.height;
    }
    if (total == 0) return false;
    values.reset(new (std::nothrow) std::uint32_t[total]);
    if (!values) return false;
    std::uint32_t* out = values.get();
    for (int i = 0; i < entries; ++i) {
        Image image;
        if (!readImage(bytes, size, i, image)) continue;
        out = appendImage(image, out);
        ++images;
    }
    valueCount = total;
    return true;
}

bool WindowIcon::readProjectIcon()
{
    return read(VXR_ICON, VXR_ICON_SIZE);
}

}  // namespace vxr
