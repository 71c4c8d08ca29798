#include "vxr/console/x11/window_icon.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vxr {
namespace {

void put(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct IconImage {
    int width, height, bits;
    std::vector<std::uint32_t> pixels;  // bottom line first, 0xAARRGGBB
    std::vector<std::uint8_t> mask;
};

// An ICO file as the format lays it out: directory, then each image's
// BITMAPINFOHEADER (height doubled), its pixels and its mask.
std::vector<std::uint8_t> iconFile(const std::vector<IconImage>& images)
{
    std::vector<std::uint8_t> file;
    put(file, 0, 2);
    put(file, 1, 2);
    put(file, static_cast<std::uint32_t>(images.size()), 2);
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const IconImage& image : images) {
        std::vector<std::uint8_t> body;
        for (std::uint32_t value :
             {40u, std::uint32_t(image.width), std::uint32_t(image.height * 2)})
            put(body, value, 4);
        put(body, 1, 2);
        put(body, static_cast<std::uint32_t>(image.bits), 2);
        for (int i = 0; i < 6; ++i) put(body, 0, 4);
        for (std::uint32_t pixel : image.pixels) put(body, pixel, 4);
        body.insert(body.end(), image.mask.begin(), image.mask.end());
        bodies.push_back(body);
    }
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        put(file, static_cast<std::uint32_t>(images[i].width), 1);
        put(file, static_cast<std::uint32_t>(images[i].height), 1);
        put(file, 0, 2);
        put(file, 1, 2);
        put(file, static_cast<std::uint32_t>(images[i].bits), 2);
        put(file, static_cast<std::uint32_t>(bodies[i].size()), 4);
        put(file, offset, 4);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies) file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<std::uint32_t> valuesOf(const WindowIcon& icon)
{
    return std::vector<std::uint32_t>(icon.data(), icon.data() + icon.length());
}

TEST(WindowIcon, TurnsEachImageTopLineFirstAfterItsSize)
{
    const IconImage image{2, 2, 32, {0x11000001, 0x22000002, 0x33000003, 0x44000004}, {}};
    const auto file = iconFile({image});
    WindowIcon icon;
    ASSERT_TRUE(icon.read(file.data(), file.size()));
    EXPECT_EQ(icon.imageCount(), 1);
    // Stored bottom line first: the last two pixels are the top line.
    EXPECT_EQ(valuesOf(icon),
              (std::vector<std::uint32_t>{2, 2, 0x33000003, 0x44000004, 0x11000001, 0x22000002}));
}

TEST(WindowIcon, TakesTransparencyFromTheMaskWhenNoPixelHasAlpha)
{
    // Mask lines are padded to 32 bits; bit set is transparent. Bottom line:
    // the first pixel transparent; top line: the second.
    const IconImage image{
        2, 2, 32, {0x000000AA, 0x000000BB, 0x000000CC, 0x000000DD}, {0x80, 0, 0, 0, 0x40, 0, 0, 0}};
    const auto file = iconFile({image});
    WindowIcon icon;
    ASSERT_TRUE(icon.read(file.data(), file.size()));
    EXPECT_EQ(valuesOf(icon),
              (std::vector<std::uint32_t>{2, 2, 0xFF0000CC, 0x000000DD, 0x000000AA, 0xFF0000BB}));
}

TEST(WindowIcon, PassesOverImagesItCannotReadAndKeepsTheRest)
{
    const IconImage good{1, 1, 32, {0xFF123456}, {}};
    const IconImage paletted{1, 1, 8, {0}, {}};
    const auto file = iconFile({paletted, good});
    WindowIcon icon;
    ASSERT_TRUE(icon.read(file.data(), file.size()));
    EXPECT_EQ(icon.imageCount(), 1);
    EXPECT_EQ(valuesOf(icon), (std::vector<std::uint32_t>{1, 1, 0xFF123456}));
}

TEST(WindowIcon, RefusesFilesThatLieAboutTheirContents)
{
    const IconImage image{2, 2, 32, {1, 2, 3, 4}, {}};
    const auto good = iconFile({image});
    WindowIcon icon;
    // Every cut of the file short of its pixels leaves nothing to read.
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(icon.read(good.data(), size)) << size;
    EXPECT_FALSE(icon.read(nullptr, 100));

    auto corrupt = [&](std::size_t at, std::uint8_t value) {
        auto bytes = good;
        bytes[at] = value;
        return icon.read(bytes.data(), bytes.size());
    };
    EXPECT_FALSE(corrupt(2, 2));              // a cursor file
    EXPECT_FALSE(corrupt(19, 0x7F));          // the image's offset far past the end
    EXPECT_FALSE(corrupt(15, 0x7F));          // its size far past the end
    EXPECT_FALSE(corrupt(22 + 4 + 1, 0x10));  // 4098 pixels wide
    EXPECT_FALSE(corrupt(22 + 8, 3));         // an odd doubled height
    EXPECT_FALSE(corrupt(22 + 8 + 3, 0x80));  // a negative height
    EXPECT_FALSE(corrupt(22 + 16, 1));        // compressed
    EXPECT_EQ(icon.length(), 0u);
    EXPECT_EQ(icon.data(), nullptr);
}

TEST(WindowIcon, TheProjectsIconHoldsItsThreeSizes)
{
    WindowIcon icon;
    ASSERT_TRUE(icon.readProjectIcon());
    ASSERT_EQ(icon.imageCount(), 3);
    std::size_t at = 0;
    for (std::uint32_t side : {16u, 32u, 48u}) {
        ASSERT_LT(at + 1, icon.length());
        EXPECT_EQ(icon.data()[at], side);
        EXPECT_EQ(icon.data()[at + 1], side);
        at += 2 + side * side;
    }
    EXPECT_EQ(at, icon.length());
}

}  // namespace
}  // namespace vxr
