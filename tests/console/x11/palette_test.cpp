// Indexed frames and palettes on direct-colour and 8-bit PseudoColor servers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vxr/console/x11/x11_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

std::vector<std::uint32_t> coloursOf(Palette& palette)
{
    const std::uint32_t* entries = palette.lock();
    std::vector<std::uint32_t> colours(entries, entries + Palette::SIZE);
    palette.unlock();
    return colours;
}

class PaletteOn : public ::testing::Test {
protected:
    void start(int depth)
    {
        ASSERT_TRUE(session.start({depth, 640, 480, true}));
        console = std::make_unique<X11Console>();
        ASSERT_EQ(console->open(100, 60, PREFER8, -1, -1, -1), 1);
        window = X11Session::windowOf(*console);
    }

    std::unique_ptr<Surface> indexedFrame(unsigned seed, bool withPalette)
    {
        auto frame = std::make_unique<Surface>(console.get(), 100, 60, PixelFormat(INDEX8),
                                               MEMORY_SYSTEM, -1, -1, -1);
        test::fillRandom(*frame, seed);
        if (withPalette) {
            test::randomPalette(colours, seed);
            colours.lock()[0] = 0;
            colours.unlock();
            frame->setPalette(colours);
        }
        return frame;
    }

    X11Session session;
    std::unique_ptr<X11Console> console;
    xcb_window_t window = 0;
    Palette colours;
};

TEST_F(PaletteOn, DirectColourDisplaysShowIndexedFramesInTheirPalettesColours)
{
    for (int depth : {24, 16}) {
        console.reset();
        start(depth);
        auto frame = indexedFrame(11, true);
        std::string why;
        EXPECT_TRUE(session.presentsExactly(*frame, console->format(), window, 0, why))
            << "depth " << depth << ": " << why;
        // Without colours an indexed frame cannot be shown there.
        auto bare = indexedFrame(12, false);
        EXPECT_EQ(bare->update(), 0);
        // The console goes first: a server that goes away under an open
        // window is a lost display, which ends the process.
        bare.reset();
        frame.reset();
        console.reset();
        session.server.stop();
    }
}

TEST_F(PaletteOn, DirectColourDisplaysHaveNoPaletteToSetOrRead)
{
    start(24);
    Palette palette;
    EXPECT_EQ(console->setPalette(palette), 0);
    EXPECT_EQ(console->getPalette(palette), 0);
}

TEST_F(PaletteOn, AnEightBitDisplayShowsTheIndicesThroughTheFramesPalette)
{
    start(8);
    auto frame = indexedFrame(21, true);
    std::string why;
    ASSERT_TRUE(session.presentsExactly(*frame, PixelFormat(INDEX8), window, 0, why)) << why;
    EXPECT_EQ(session.view.colormapColours(window), coloursOf(colours));
    // The frame's colours became the display's palette.
    Palette read;
    ASSERT_EQ(console->getPalette(read), 1);
    EXPECT_EQ(coloursOf(read), coloursOf(colours));
}

TEST_F(PaletteOn, AnEightBitDisplayReturnsThePaletteSetOnIt)
{
    start(8);
    Palette set;
    test::randomPalette(set, 31);
    ASSERT_EQ(console->setPalette(set), 1);
    Palette read;
    ASSERT_EQ(console->getPalette(read), 1);
    EXPECT_EQ(coloursOf(read), coloursOf(set));

    // A frame without colours of its own shows through the palette set.
    auto frame = indexedFrame(32, false);
    std::string why;
    // The window is a whole multiple of the frame: no bars to compare.
    EXPECT_TRUE(session.presentsExactly(*frame, PixelFormat(INDEX8), window, 0, why)) << why;
    EXPECT_EQ(session.view.colormapColours(window), coloursOf(set));
}

TEST_F(PaletteOn, AnEightBitDisplayCannotShowAnIndexedFrameBeforeItHasColours)
{
    start(8);
    auto frame = indexedFrame(41, false);
    EXPECT_EQ(frame->update(), 0);
}

TEST_F(PaletteOn, AnEightBitDisplayShowsDirectColourThroughAFixedThreeThreeTwoMap)
{
    start(8);
    auto frame = std::make_unique<Surface>(console.get(), 100, 60, PixelFormat(RGB565),
                                           MEMORY_SYSTEM, -1, -1, -1);
    test::fillRandom(*frame, 51);
    std::string why;
    ASSERT_TRUE(session.presentsExactly(*frame, PixelFormat(RGB332), window, 0, why)) << why;
    const PixelFormat rgb332(RGB332);
    const auto shown = session.view.colormapColours(window);
    ASSERT_EQ(shown.size(), 256u);
    for (std::uint32_t pixel = 0; pixel < 256; ++pixel) {
        const std::uint8_t value = static_cast<std::uint8_t>(pixel);
        std::uint8_t r, g, b, a;
        rgb332.unpack(&value, &r, &g, &b, &a, RGB);
        ASSERT_EQ(shown[pixel], std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b) << pixel;
    }
}

}  // namespace
}  // namespace vxr
