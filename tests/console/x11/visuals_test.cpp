// The console on every visual class and depth a server may run at: frames
// read back from the window byte for byte as the library's converters write
// them in the visual's own layout, whether or not that is a table format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "vxr/console/x11/x11_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

struct VisualKind {
    int depth;
    int visualClass;  // -1: the server's own at that depth
};

std::string kindName(const ::testing::TestParamInfo<VisualKind>& info)
{
    const char* names[] = {"StaticGray", "GrayScale", "StaticColor",
                           "PseudoColor", "TrueColor", "DirectColor"};
    return "depth" + std::to_string(info.param.depth) + "_" +
           (info.param.visualClass < 0 ? "default" : names[info.param.visualClass]);
}

// The root visual as the server describes it.
xcb_visualtype_t rootVisual(xcb_connection_t* link, int& bitsPerPixel)
{
    const xcb_setup_t* setup = xcb_get_setup(link);
    const xcb_screen_t& screen = *xcb_setup_roots_iterator(setup).data;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == screen.root_depth) bitsPerPixel = f.data->bits_per_pixel;
    for (auto d = xcb_screen_allowed_depths_iterator(&screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen.root_visual) return *v.data;
    return {};
}

// A channel's top 8 bits: all the converters write of a wider one.
std::uint32_t topEight(std::uint32_t mask)
{
    std::uint32_t kept = mask;
    for (int bits = __builtin_popcount(mask); bits > 8; --bits) kept &= kept - 1;
    return kept;
}

// The layout the window's pixels are read back in, from the visual's masks;
// the bits no channel uses are alpha.
PixelFormat visualLayout(const xcb_visualtype_t& visual, int bitsPerPixel)
{
    const std::uint32_t all =
        bitsPerPixel == 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << bitsPerPixel) - 1;
    const std::uint32_t alpha = all & ~(visual.red_mask | visual.green_mask | visual.blue_mask);
    return PixelFormat(topEight(visual.red_mask), topEight(visual.green_mask),
                       topEight(visual.blue_mask), alpha, RGB, bitsPerPixel);
}

class Visuals : public ::testing::TestWithParam<VisualKind> {};

TEST_P(Visuals, FramesReadBackAsTheConvertersWriteTheVisualsLayout)
{
    X11Session session;
    ASSERT_TRUE(session.start({GetParam().depth, 320, 240, true, GetParam().visualClass}));
    int bitsPerPixel = 0;
    const xcb_visualtype_t visual = rootVisual(session.view.link(), bitsPerPixel);
    const PixelFormat shown = visualLayout(visual, bitsPerPixel);
    X11Console console;
    ASSERT_EQ(console.ok(), 1) << lastError();
    ASSERT_EQ(console.open(160, 100, PREFER32, WINDOWED, -1, -1), 1);
    const xcb_window_t window = X11Session::windowOf(console);

    std::string why;
    Surface frame(&console, 160, 100, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    test::fillRandom(frame, 21);
    EXPECT_TRUE(session.presentsExactly(frame, shown, window, 0, why)) << why;
    // Frames in the format the console reports, the one its screen takes.
    Surface own(&console, 160, 100, console.format(), MEMORY_SYSTEM, -1, -1, -1);
    test::fillRandom(own, 22);
    EXPECT_TRUE(session.presentsExactly(own, shown, window, 0, why)) << why;
    Surface indexed(&console, 160, 100, PixelFormat(INDEX8), MEMORY_SYSTEM, -1, -1, -1);
    Palette framePalette;
    test::randomPalette(framePalette, 23);
    ASSERT_EQ(indexed.setPalette(framePalette), 1);
    test::fillRandom(indexed, 24);
    EXPECT_TRUE(session.presentsExactly(indexed, shown, window, 0, why)) << why;

    if (visual._class != XCB_VISUAL_CLASS_DIRECT_COLOR) return;
    // A DirectColor window's colours are its colormap's ramps: each
    // channel's top value is full intensity, nothing of the others.
    xcb_connection_t* link = session.view.link();
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(link, xcb_get_window_attributes(link, window), nullptr);
    ASSERT_NE(attributes, nullptr);
    const std::uint32_t pixels[] = {0, visual.red_mask, visual.green_mask, visual.blue_mask};
    xcb_query_colors_reply_t* colours = xcb_query_colors_reply(
        link, xcb_query_colors(link, attributes->colormap, 4, pixels), nullptr);
    std::free(attributes);
    ASSERT_NE(colours, nullptr);
    ASSERT_EQ(xcb_query_colors_colors_length(colours), 4);
    const xcb_rgb_t* rgb = xcb_query_colors_colors(colours);
    const std::uint16_t expected[4][3] = {
        {0, 0, 0}, {0xFFFF, 0, 0}, {0, 0xFFFF, 0}, {0, 0, 0xFFFF}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rgb[i].red, expected[i][0]) << "pixel " << pixels[i];
        EXPECT_EQ(rgb[i].green, expected[i][1]) << "pixel " << pixels[i];
        EXPECT_EQ(rgb[i].blue, expected[i][2]) << "pixel " << pixels[i];
    }
    std::free(colours);
}

INSTANTIATE_TEST_SUITE_P(
    X11Console, Visuals,
    ::testing::Values(VisualKind{8, XCB_VISUAL_CLASS_TRUE_COLOR},
                      VisualKind{8, XCB_VISUAL_CLASS_DIRECT_COLOR}, VisualKind{15, -1},
                      VisualKind{15, XCB_VISUAL_CLASS_DIRECT_COLOR}, VisualKind{16, -1},
                      VisualKind{16, XCB_VISUAL_CLASS_DIRECT_COLOR}, VisualKind{24, -1},
                      VisualKind{24, XCB_VISUAL_CLASS_DIRECT_COLOR}, VisualKind{30, -1},
                      VisualKind{30, XCB_VISUAL_CLASS_DIRECT_COLOR}),
    kindName);

TEST(X11ConsoleVisuals, AServerWithNoVisualToDrawIntoIsNotOkAndSaysWhy)
{
    for (int visualClass : {XCB_VISUAL_CLASS_STATIC_GRAY, XCB_VISUAL_CLASS_GRAY_SCALE,
                            XCB_VISUAL_CLASS_STATIC_COLOR}) {
        X11Session session;
        ASSERT_TRUE(session.start({8, 320, 240, true, visualClass}));
        clearLastError();
        X11Console console;
        EXPECT_EQ(console.ok(), 0) << "class " << visualClass;
        EXPECT_NE(std::string(lastError()), "") << "class " << visualClass;
        EXPECT_EQ(console.open(100, 60, PREFER32, -1, -1, -1), 0);
    }
}

}  // namespace
}  // namespace vxr
