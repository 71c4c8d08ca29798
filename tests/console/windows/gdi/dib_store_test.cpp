#include "vxr/console/windows/dib_store.h"

#include <gtest/gtest.h>

#include <cstring>

#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// The creation parameters, in and out.
struct Request {
    std::int32_t width, height;
    std::int32_t memoryKind = -1, orientation = -1, linePadding = -1, variant = -1;

    DibStore make(std::int32_t format)
    {
        return DibStore(width, height, PixelFormat(format), memoryKind, orientation, linePadding,
                        variant);
    }
};

TEST(DibStore, HeaderAndFirstLineFollowTheFormatAndOrientation)
{
    Request request{320, 200};
    DibStore store = request.make(RGB565);
    ASSERT_EQ(store.isValid(), 1);
    EXPECT_EQ(request.memoryKind, MEMORY_SYSTEM);
    EXPECT_EQ(request.orientation, BOTTOM_UP);
    EXPECT_EQ(request.linePadding, 0);
    EXPECT_EQ(request.variant, VARIANT_DEFAULT);
    const BITMAPINFOHEADER& info = *store.info();
    EXPECT_EQ(store.headerSize(), 52);
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, 320);
    EXPECT_EQ(info.biHeight, 200);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 16);
    EXPECT_EQ(info.biCompression, DWORD{BI_BITFIELDS});
    EXPECT_EQ(info.biSizeImage + info.biClrUsed + info.biClrImportant, 0u);
    std::uint32_t masks[3];
    std::memcpy(masks, store.headerBlock() + 40, sizeof masks);
    EXPECT_EQ(masks[0], 0xF800u);
    EXPECT_EQ(masks[1], 0x07E0u);
    EXPECT_EQ(masks[2], 0x001Fu);
    // GDI keeps bottom-up lines last first: the top line is the last one.
    EXPECT_EQ(store.lock(1), static_cast<std::uint8_t*>(store.pixelMemory()) + 640 * 199);
    EXPECT_EQ(store.lockCount(), 1);
    store.unlock();
    store.unlock();
    EXPECT_EQ(store.lockCount(), 0);

    Request topDown{16, 10, MEMORY_ANY, TOP_DOWN};
    DibStore upright = topDown.make(ARGB8888);
    EXPECT_EQ(upright.info()->biHeight, -10);
    EXPECT_EQ(upright.lock(1), upright.pixelMemory());

    struct Case {
        std::int32_t format, size;
        DWORD compression;
    };
    for (const Case& c : {Case{ARGB8888, 40, BI_RGB}, Case{RGB888, 40, BI_RGB},
                          Case{ARGB1555, 40, BI_RGB}, Case{BGR565, 52, BI_BITFIELDS},
                          Case{ABGR8888, 52, BI_BITFIELDS}, Case{INDEX8, 1064, BI_RGB},
                          Case{GREY8, 1064, BI_RGB}}) {
        Request small{8, 4};
        DibStore kind = small.make(c.format);
        ASSERT_EQ(kind.isValid(), 1) << c.format;
        EXPECT_EQ(kind.headerSize(), c.size) << c.format;
        EXPECT_EQ(kind.info()->biCompression, c.compression) << c.format;
        EXPECT_EQ(kind.info()->biBitCount, PixelFormat(c.format).bits) << c.format;
    }
}

TEST(DibStore, LinesEndOnFourByteBoundaries)
{
    Request odd{321, 3};
    DibStore indexed = odd.make(INDEX8);
    ASSERT_EQ(indexed.isValid(), 1);
    EXPECT_EQ(odd.linePadding, 3);
    EXPECT_EQ(indexed.lock(1), static_cast<std::uint8_t*>(indexed.pixelMemory()) + 324 * 2);
    Request unpadded{321, 3, -1, -1, 0};
    EXPECT_EQ(unpadded.make(INDEX8).isValid(), 0);
    EXPECT_EQ(unpadded.linePadding, 0);  // a refused request is left as it was
    Request padded{321, 3, -1, -1, 3};
    EXPECT_EQ(padded.make(INDEX8).isValid(), 1);
    Request rgb{5, 2};
    EXPECT_EQ(rgb.make(RGB888).isValid(), 1);
    EXPECT_EQ(rgb.linePadding, 1);
}

TEST(DibStore, WhatGdiCannotHoldFallsBackToPlainMemory)
{
    for (std::int32_t format = SPECIAL18A; format <= SPECIAL12C; ++format)
        EXPECT_EQ((Request{8, 8}.make(format).isValid()), 0) << format;
    EXPECT_EQ((Request{8, 8}.make(BGR888).isValid()), 0);
    EXPECT_EQ((Request{8, 8}.make(RGB332).isValid()), 0);
    EXPECT_EQ((Request{8, 8, MEMORY_DISPLAY}.make(RGB565).isValid()), 0);
    EXPECT_EQ((Request{8, 8, -1, -1, -1, 11}.make(RGB565).isValid()), 0);

    GdiConsole console(nullptr);
    for (std::int32_t format : {BGR888, RGB332}) {
        Surface surface(&console, 9, 5, PixelFormat(format), -1, -1, -1, -1);
        EXPECT_EQ(surface.isValid(), 1) << format;
        EXPECT_EQ(surface.backing(), BACKING_NONE) << format;
    }
    for (std::int32_t format : {INDEX8, RGB565, ARGB8888})
        EXPECT_EQ(Surface(&console, 9, 5, PixelFormat(format), -1, -1, -1, -1).backing(),
                  BACKING_DIB);
    // A padding GDI cannot give is still honoured, in plain memory.
    Surface unpadded(&console, 321, 2, PixelFormat(INDEX8), -1, -1, 0, -1);
    EXPECT_EQ(unpadded.backing(), BACKING_NONE);
    EXPECT_EQ(unpadded.isValid(), 1);
    // Only the console itself gets the window's store.
    EXPECT_EQ(Surface(&console, 8, 8, PixelFormat(RGB565), MEMORY_DISPLAY, -1, -1, -1).isValid(), 0);
}

}  // namespace
}  // namespace vxr
