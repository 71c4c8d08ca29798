#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vxr {

// A window icon as desktops that take pixels want it: each image as its
// width, its height, then its pixels as 0xAARRGGBB values, top line first
// (the layout of _NET_WM_ICON). Read from ICO files, which may come from
// anywhere, so every size and offset in them is checked before it is used.
class WindowIcon {
public:
    // Images wider or taller than this are passed over.
    static constexpr std::int32_t LARGEST_SIDE = 256;

    // Reads every 32-bit image of an ICO file held in memory, passing over
    // images of other kinds; false when no image could be read.
    bool read(const std::uint8_t* bytes, std::size_t size);
    // The project's own icon, built into the library.
    bool readProjectIcon();

    const std::uint32_t* data() const { return values.get(); }
    std::size_t length() const { return valueCount; }
    int imageCount() const { return images; }

private:
    struct Image {
        std::int32_t width = 0;
        std::int32_t height = 0;
        const std::uint8_t* pixels = nullptr;  // bottom line first, blue, green, red, alpha
        const std::uint8_t* mask = nullptr;    // the 1-bit transparency mask, or null
    };

    static bool readImage(const std::uint8_t* bytes, std::size_t size, int index, Image& image);
    static std::uint32_t* appendImage(const Image& image, std::uint32_t* out);

    std::unique_ptr<std::uint32_t[]> values;
    std::size_t valueCount = 0;
    int images = 0;
};

}  // namespace vxr
