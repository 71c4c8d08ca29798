// The window layer on a real X server: it opens, its typed rows reach the
// screen exactly, a close ends it, and a failure says why.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/x11/x11_session.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/last_error.h"
#include "vxr/window/window.h"

namespace vxr {
namespace {

using test::X11Session;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(WindowLayer, TypedRowsReachTheScreenExactlyAndACloseEndsTheWindow)
{
    X11Session session;
    ASSERT_TRUE(session.start({16, 640, 480, true}));  // a 16-bit screen shows RGB565 as it is
    Window window({.title = "rows", .width = 64, .height = 48, .format = PixelFormat(RGB565)});
    ASSERT_TRUE(window.isOpen()) << window.error();
    EXPECT_STREQ(window.error(), "");
    {
        FrameLock pixels = window.lock();
        ASSERT_TRUE(pixels);
        // The wrong pixel type gives no row to write through.
        EXPECT_TRUE(pixels.row<std::uint32_t>(0).empty());
        EXPECT_TRUE(pixels.row<std::uint16_t>(48).empty());
        EXPECT_EQ(pixels.bytes(0).size(), 128u);
        for (int y = 0; y < pixels.height(); ++y) {
            std::span<std::uint16_t> row = pixels.row<std::uint16_t>(y);
            ASSERT_EQ(row.size(), 64u);
            for (int x = 0; x < 64; ++x) row[x] = static_cast<std::uint16_t>(x << 11 | y << 5 | (x ^ y) % 32);
        }
    }
    ASSERT_TRUE(window.present());

    const xcb_window_t shown = X11Session::windowOf(window.console());
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(shown, width, height));
    // The 64x48 frame opens at a whole scale; each window pixel shows the
    // frame pixel under it.
    const int scale = width / 64;
    ASSERT_EQ(height, 48 * scale);
    std::vector<std::uint8_t> expected(std::size_t(width) * height * 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int fx = x / scale, fy = y / scale;
            const auto value = static_cast<std::uint16_t>(fx << 11 | fy << 5 | (fx ^ fy) % 32);
            expected[(std::size_t(y) * width + x) * 2] = static_cast<std::uint8_t>(value);
            expected[(std::size_t(y) * width + x) * 2 + 1] = static_cast<std::uint8_t>(value >> 8);
        }
    std::string why;
    EXPECT_TRUE(session.showsExactly(shown, expected, width, height, why)) << why;

    session.view.sendDelete(shown);
    EXPECT_TRUE(test::waitForClose(window));
    EXPECT_FALSE(window.isOpen());
}

TEST(WindowLayer, AFailureSaysWhy)
{
    {
        // Nothing named at all.
        const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        Window window;
        EXPECT_FALSE(window.isOpen());
        EXPECT_TRUE(contains(window.error(), "could not open a display: "));
        EXPECT_TRUE(contains(window.error(), "X11: no X display is named: DISPLAY is not set"))
            << window.error();
        EXPECT_FALSE(window.present());
        Event event;
        EXPECT_FALSE(window.pollEvent(event));
        EXPECT_FALSE(window.lock());
        if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
    }

    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, false}));  // without MIT-SHM
    {
        // A display that no server answers.
        const std::string serving = session.server.display();
        setenv("DISPLAY", ":4999", 1);
        X11Console console;
        EXPECT_EQ(console.ok(), 0);
        EXPECT_TRUE(contains(lastError(), "could not connect to the X display ':4999'"))
            << lastError();
        setenv("DISPLAY", serving.c_str(), 1);
    }
    {
        // It opens without shared memory, and says how it goes on.
        X11Console console;
        ASSERT_EQ(console.ok(), 1);
        EXPECT_TRUE(contains(lastError(), "no MIT-SHM")) << lastError();
        EXPECT_EQ(console.open(320, 200, PREFER32, -1, -1, -1), 1);
        // A size no window can have.
        EXPECT_EQ(console.open(40000, 200, PREFER32, -1, -1, -1), 0);
        EXPECT_TRUE(contains(lastError(), "no window is 40000 x 200 pixels")) << lastError();
    }
    Window tooWide({.width = 40000});
    EXPECT_FALSE(tooWide.isOpen());
    EXPECT_TRUE(contains(tooWide.error(), "each side runs from 1 to 32767")) << tooWide.error();
}

}  // namespace
}  // namespace vxr
