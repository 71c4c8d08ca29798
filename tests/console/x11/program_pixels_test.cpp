// A program that keeps its own frame shows it through Window::present with
// its own pitch: the window shows exactly its pixels, and a buffer it
// cannot read is refused with a reason while the window keeps what it had.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "console/x11/x11_session.h"
#include "vxr/format/palette.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/window/window.h"

namespace vxr {
namespace {

using test::X11Session;

constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;
// Wider than a line in either format, so that a pitch misread shows.
constexpr std::int64_t PITCH = WIDTH * 2 + 40;

std::uint16_t rgb565At(int x, int y) { return static_cast<std::uint16_t>(x << 11 | y << 5 | (x ^ y) % 32); }

// Palette entries whose RGB565 form is exact whichever way a converter rounds.
std::uint32_t paletteColour(int i)
{
    return std::uint32_t(i % 32 * 8) << 16 | std::uint32_t(i * 7 % 64 * 4) << 8 | std::uint32_t((255 - i) % 32 * 8);
}
std::uint16_t paletteRgb565(int i) { return static_cast<std::uint16_t>(i % 32 << 11 | i * 7 % 64 << 5 | (255 - i) % 32); }

// The program's own buffer: lines PITCH bytes apart, the bytes past each
// line's pixels filled with what no pixel is.
std::vector<std::uint8_t> programBuffer(int bytesPerPixel, std::uint16_t (*pixel)(int, int))
{
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(PITCH) * HEIGHT, 0xA5);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const std::uint16_t value = pixel(x, y);
            std::memcpy(&buffer[static_cast<std::size_t>(y * PITCH + x * bytesPerPixel)], &value,
                        static_cast<std::size_t>(bytesPerPixel));
        }
    return buffer;
}

// The window's pixels as RGB565 bytes, each frame pixel a scale x scale block.
std::vector<std::uint8_t> shownAs(int width, int height, std::uint16_t (*colour)(int, int))
{
    const int scale = width / WIDTH;
    std::vector<std::uint8_t> expected(static_cast<std::size_t>(width) * height * 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint16_t value = colour(x / scale, y / scale);
            std::memcpy(&expected[(static_cast<std::size_t>(y) * width + x) * 2], &value, 2);
        }
    return expected;
}

struct ShownWindow {
    xcb_window_t id = 0;
    int width = 0;
    int height = 0;
};

bool openedWindow(X11Session& session, Window& window, ShownWindow& shown)
{
    shown.id = X11Session::windowOf(window.console());
    return session.view.geometry(shown.id, shown.width, shown.height) &&
           shown.height == HEIGHT * (shown.width / WIDTH);
}

TEST(ProgramPixels, ADirectFrameWithAWiderPitchIsShownExactly)
{
    X11Session session;
    ASSERT_TRUE(session.start({16, 640, 480, true}));
    Window window({.title = "own", .width = WIDTH, .height = HEIGHT, .format = PixelFormat(RGB565)});
    ASSERT_TRUE(window.isOpen()) << window.error();
    ShownWindow shown;
    ASSERT_TRUE(openedWindow(session, window, shown));

    std::vector<std::uint8_t> pixels = programBuffer(2, rgb565At);
    ASSERT_TRUE(window.present(pixels.data(), PITCH)) << lastError();
    // The window read them as it showed them: the program may go on at once.
    std::fill(pixels.begin(), pixels.end(), 0);
    const std::vector<std::uint8_t> expected = shownAs(shown.width, shown.height, rgb565At);
    std::string why;
    EXPECT_TRUE(session.showsExactly(shown.id, expected, shown.width, shown.height, why)) << why;

    // What cannot be read is refused with a reason, and nothing changes.
    const std::vector<std::uint8_t> junk(static_cast<std::size_t>(PITCH) * HEIGHT, 0xFF);
    clearLastError();
    EXPECT_FALSE(window.present(nullptr, PITCH));
    EXPECT_NE(std::string(lastError()), "");
    for (const std::int64_t pitch : {std::int64_t{-PITCH}, std::int64_t{WIDTH * 2 - 1}, std::int64_t{0}}) {
        clearLastError();
        EXPECT_FALSE(window.present(junk.data(), pitch)) << pitch;
        EXPECT_NE(std::string(lastError()), "") << pitch;
    }
    EXPECT_TRUE(session.showsExactly(shown.id, expected, shown.width, shown.height, why)) << why;
    // The frame the window locks is its own, untouched by all this.
    FrameLock frame = window.lock();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame.row<std::uint16_t>(HEIGHT - 1)[WIDTH - 1], 0);
}

TEST(ProgramPixels, AnIndexedFrameShowsThroughTheFramesPalette)
{
    X11Session session;
    ASSERT_TRUE(session.start({16, 640, 480, true}));
    Window window({.title = "own", .width = WIDTH, .height = HEIGHT, .format = PixelFormat(INDEX8)});
    ASSERT_TRUE(window.isOpen()) << window.error();
    Palette palette;
    std::uint32_t* entries = palette.lock();
    ASSERT_NE(entries, nullptr);
    for (int i = 0; i < 256; ++i) entries[i] = paletteColour(i);
    palette.unlock();
    ASSERT_TRUE(window.frame().setPalette(palette));
    ShownWindow shown;
    ASSERT_TRUE(openedWindow(session, window, shown));

    const auto index = [](int x, int y) { return static_cast<std::uint16_t>((x * 5 + y * 3) % 256); };
    const std::vector<std::uint8_t> pixels = programBuffer(1, index);
    ASSERT_TRUE(window.present(pixels.data(), PITCH)) << lastError();
    const auto colour = [](int x, int y) { return paletteRgb565((x * 5 + y * 3) % 256); };
    std::string why;
    EXPECT_TRUE(session.showsExactly(shown.id, shownAs(shown.width, shown.height, colour),
                                     shown.width, shown.height, why))
        << why;
}

}  // namespace
}  // namespace vxr
