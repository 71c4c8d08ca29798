#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "gdi_test_support.h"
#include "vxr/console/windows/dib_store.h"
#include "vxr/console/event.h"
#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

using testing::fillBlocks;
using testing::mismatches;
using testing::readClient;

// Stands in for DrawDibDraw: notes each call and hands it on to the real
// function, or fails it when asked to. Repaints call it from the window
// thread, hence the lock.
struct DrawLog {
    std::mutex lock;
    int calls = 0;
    UINT flags = 0;
    RECT target{};
    BITMAPINFOHEADER* header = nullptr;
    bool failing = false;
    DrawDibBinding::DrawFunction real = nullptr;
} drawLog;

BOOL WINAPI loggingDraw(HANDLE handle, HDC context, int x, int y, int width, int height,
                        BITMAPINFOHEADER* header, void* pixels, int sourceX, int sourceY,
                        int sourceWidth, int sourceHeight, UINT flags)
{
    {
        std::lock_guard<std::mutex> guard(drawLog.lock);
        ++drawLog.calls;
        drawLog.flags = flags;
        drawLog.target = RECT{x, y, x + width, y + height};
        drawLog.header = header;
        if (drawLog.failing) return FALSE;
    }
    return drawLog.real(handle, context, x, y, width, height, header, pixels, sourceX, sourceY,
                        sourceWidth, sourceHeight, flags);
}

// Eight colours of which none is among those a system palette always holds,
// so on an 8-bit desktop they show only through a realised palette; or all
// white.
Palette& colours(bool white = false)
{
    static Palette chosen, plain;
    static const bool filled = [] {
        const std::uint32_t eight[8] = {0x203040, 0x806020, 0x40A0C0, 0xC04080,
                                        0x60C060, 0xE0E0A0, 0x102080, 0xA02020};
        std::uint32_t* entries = chosen.lock();
        std::uint32_t* whites = plain.lock();
        for (int i = 0; i < 256; ++i) {
            entries[i] = i < 8 ? eight[i] : 0;
            whites[i] = 0xFFFFFF;
        }
        chosen.unlock();
        plain.unlock();
        return true;
    }();
    (void)filled;
    return white ? plain : chosen;
}

class Presentation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing::openSettled(console, 320, 200));
        window = static_cast<HWND>(console.window());
        std::lock_guard<std::mutex> guard(drawLog.lock);
        drawLog.calls = 0;
        drawLog.failing = false;
        drawLog.real = console.drawDib()->drawFunction;
        if (drawLog.real) console.drawDib()->drawFunction = loggingDraw;
    }

    int drawCalls()
    {
        std::lock_guard<std::mutex> guard(drawLog.lock);
        return drawLog.calls;
    }

    static bool palettised() { return testing::desktopDepth() == 8; }

    GdiConsole console{nullptr};
    HWND window = nullptr;
};

TEST_F(Presentation, AKnownFrameReachesTheClientAreaThroughDrawDib)
{
    // The run with msvfw32 switched off says so, so that a binding that
    // never loads is caught in every other run.
    const bool expected = std::getenv("VXR_EXPECT_NO_DRAWDIB") == nullptr;
    EXPECT_EQ(static_cast<bool>(console.drawDib()->library), expected);
    EXPECT_EQ(console.drawDib()->drawHandle != nullptr, expected);
    EXPECT_EQ(drawLog.real != nullptr, expected);

    Surface frame(&console, 320, 200, PixelFormat(RGB565), -1, -1, -1, -1);
    ASSERT_EQ(frame.orientation(), BOTTOM_UP);
    fillBlocks(frame, 2);
    ASSERT_EQ(frame.update(), 1);
    EXPECT_EQ(mismatches(readClient(window), frame), 0);
    // A frame that covers the whole window is kept, in the console's own
    // copy, for repaints.
    ASSERT_NE(console.shownFrame(), nullptr);
    if (!drawLog.real) return;
    std::lock_guard<std::mutex> guard(drawLog.lock);
    EXPECT_GE(drawLog.calls, 1);
    // Dithered on a palettised desktop.
    EXPECT_EQ(drawLog.flags, palettised() ? 0x1000u : 0u);
    EXPECT_EQ(drawLog.target.right, 320);
    EXPECT_EQ(drawLog.target.bottom, 200);
    // What was drawn is the console's copy, never the program's pixels.
    EXPECT_NE(drawLog.header, dynamic_cast<DibStore*>(frame.store())->info());
    EXPECT_EQ(drawLog.header, dynamic_cast<DibStore*>(console.shownFrame()->store())->info());
}

TEST_F(Presentation, EveryFormatAndOrientationShowsAndFailedDrawDibGoesThroughStretchBlt)
{
    for (std::int32_t format : {ARGB8888, RGB888, ARGB1555, BGR565, RGB565}) {
        Surface frame(&console, 320, 200, PixelFormat(format), -1, TOP_DOWN, -1, -1);
        fillBlocks(frame, 3);
        ASSERT_EQ(frame.update(), 1) << format;
        EXPECT_EQ(mismatches(readClient(window), frame), 0) << format;
    }

    drawLog.failing = true;
    for (std::int32_t format : {ARGB8888, RGB888, ARGB1555, BGR565, RGB565}) {
        Surface frame(&console, 320, 200, PixelFormat(format), -1, BOTTOM_UP, -1, -1);
        fillBlocks(frame, 2);
        ASSERT_EQ(frame.update(), 1) << format;
        EXPECT_EQ(mismatches(readClient(window), frame), 0) << format;
    }
    EXPECT_EQ(drawCalls() > 0, drawLog.real != nullptr);
}

TEST_F(Presentation, AResizedWindowShowsTheFrameAtItsAspectBetweenBlackBars)
{
    // Small enough that the stretched window stays on the 640 x 480 desktop,
    // where all of it can be read back.
    ASSERT_EQ(console.open(160, 100, PREFER16, -1, -1, -1), 1);
    Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
    fillBlocks(frame, 4);
    testing::resizeClient(window, 320, 200);
    ASSERT_EQ(frame.update(), 1);
    EXPECT_EQ(mismatches(readClient(window), frame), 0);

    // Wider than the frame's 16:10: twice its size in the middle, bars beside.
    testing::resizeClient(window, 400, 200);
    const Rect place{40, 0, 360, 200};
    ASSERT_EQ(FrameScaler::letterbox(160, 100, 400, 200), place);
    ASSERT_EQ(frame.update(), 1);
    const auto checkShown = [&](const char* when) {
        const testing::ClientPixels client = readClient(window);
        ASSERT_EQ(client.width, 400) << when;
        for (int y = 0; y < 200; y += 3)
            for (int x : {0, 20, 39, 360, 380, 399}) ASSERT_EQ(client.at(x, y), 0u) << when;
        const std::vector<std::uint32_t> colours = testing::frameColours(frame);
        int wrong = 0;
        for (int y = 2; y < 100; y += 4)
            for (int x = 2; x < 160; x += 4)
                wrong += !testing::sameAtDepth(
                    colours[std::size_t(y) * 160 + x],
                    client.at(place.left + 2 * x, place.top + 2 * y),
                    frame.format());
        EXPECT_EQ(wrong, 0) << when;
    };
    checkShown("presented");
    // A repaint of the whole client area keeps the bars too.
    InvalidateRect(window, nullptr, TRUE);
    testing::settle(window);
    checkShown("repainted");

    // Taller than 16:10: bars above and below, and the pointer maps through
    // them onto the frame.
    testing::resizeClient(window, 320, 300);
    ASSERT_EQ(frame.update(), 1);
    const testing::ClientPixels client = readClient(window);
    EXPECT_EQ(client.at(160, 0), 0u);
    EXPECT_EQ(client.at(160, 299), 0u);
    EXPECT_EQ(FrameScaler::letterbox(160, 100, 320, 300), (Rect{0, 50, 320, 250}));
    const PointerPosition inFrame = testing::pointerAt(console, window, 2 * 10 + 1, 50 + 2 * 20 + 1);
    EXPECT_EQ(inFrame.x, 10);
    EXPECT_EQ(inFrame.y, 20);
    EXPECT_TRUE(inFrame.inside);
    EXPECT_FALSE(testing::pointerAt(console, window, 100, 25).inside);
}

TEST(PresentationRectangles, DestinationAreasScaleByTheirOwnSize)
{
    EXPECT_EQ(GdiConsole::scaleToClient({0, 0, 320, 200}, 640, 400), (Rect{0, 0, 640, 400}));
    EXPECT_EQ(GdiConsole::scaleToClient({0, 0, 320, 200}, 500, 300), (Rect{0, 0, 500, 300}));
    EXPECT_EQ(GdiConsole::scaleToClient({0, 0, 160, 100}, 640, 400), (Rect{0, 0, 640, 400}));
    // Right and bottom are held inside the client area, left and top are not.
    EXPECT_EQ(GdiConsole::scaleToClient({160, 0, 320, 200}, 320, 200), (Rect{320, 0, 320, 200}));
    // Edges are rounded up: 100 x 333/320 = 104.06 becomes 105.
    EXPECT_EQ(GdiConsole::scaleToClient({100, 10, 420, 200}, 333, 190), (Rect{105, 10, 333, 190}));
    EXPECT_EQ(GdiConsole::scaleToClient({5, 5, 5, 9}, 100, 100), Rect{});
}

TEST_F(Presentation, APartOfTheScreenAreaFillsTheWindowByItsOwnScale)
{
    Surface frame(&console, 320, 200, PixelFormat(RGB565), -1, -1, -1, -1);
    fillBlocks(frame, 2);
    const Rect corner{0, 0, 80, 50};
    ASSERT_EQ(frame.copyArea(console.primary(), &corner, &corner, 0), 1);
    // Scaled by 4 both ways: the client shows the frame's top-left 80 x 50.
    Surface expected(&console, 80, 50, PixelFormat(RGB565), -1, -1, -1, -1);
    ASSERT_EQ(frame.copyArea(&expected, &corner, &corner, 0), 1);
    EXPECT_EQ(mismatches(readClient(window), expected), 0);
    InvalidateRect(window, nullptr, FALSE);
    testing::settle(window);
    EXPECT_EQ(mismatches(readClient(window), expected), 0);
}

TEST_F(Presentation, AnAreaThatCoversPartOfTheWindowIsNotKept)
{
    Surface whole(&console, 320, 200, PixelFormat(RGB565), -1, -1, -1, -1);
    testing::fillColour(whole, 0x0000FF);
    ASSERT_EQ(whole.update(), 1);

    // 100 x 50 at (10, 10), scaled by 3.2 and 4: from (32, 40) on and
    // clamped at the client's right and bottom edges.
    Surface small(&console, 100, 50, PixelFormat(RGB565), -1, -1, -1, -1);
    testing::fillColour(small, 0xFF0000);
    const Rect source = small.area(), offset{10, 10, 110, 60};
    ASSERT_EQ(small.copyArea(console.primary(), &source, &offset, 0), 1);
    testing::ClientPixels client = readClient(window);
    const auto blue = [&](std::uint32_t shown) {
        return testing::sameAtDepth(0x0000FF, shown, whole.format());
    };
    const auto red = [&](std::uint32_t shown) {
        return testing::sameAtDepth(0xFF0000, shown, whole.format());
    };
    EXPECT_TRUE(blue(client.at(31, 100)));
    EXPECT_TRUE(blue(client.at(100, 39)));
    EXPECT_TRUE(red(client.at(32, 40)));
    EXPECT_TRUE(red(client.at(319, 199)));

    // Scaled by 3.2 from 160 on, the area starts past the right edge:
    // nothing to draw.
    const Rect right{160, 0, 260, 50};
    EXPECT_EQ(console.present(&small, source, right), 0);
    EXPECT_EQ(readClient(window).pixels, client.pixels);

    // A repaint shows the last whole frame.
    InvalidateRect(window, nullptr, FALSE);
    testing::settle(window);
    EXPECT_TRUE(blue(readClient(window).at(200, 150)));
}

TEST_F(Presentation, IndexedFramesShowTheirOwnPaletteOnDirectDesktops)
{
    if (palettised()) GTEST_SKIP() << "the 8-bit desktop shows the console palette";
    for (std::int32_t orientation : {BOTTOM_UP, TOP_DOWN}) {
        Surface frame(&console, 320, 200, PixelFormat(INDEX8), -1, orientation, -1, -1);
        testing::fillIndices(frame, 8);
        EXPECT_EQ(frame.update(), 0);  // without colours there is nothing to show
        ASSERT_EQ(frame.setPalette(colours()), 1);
        ASSERT_EQ(frame.update(), 1);
        EXPECT_EQ(mismatches(readClient(window), frame), 0) << orientation;
    }
}

TEST_F(Presentation, IndexedFramesGoThroughTheConsolePaletteOnThe8BitDesktop)
{
    if (!palettised()) GTEST_SKIP() << "only an 8-bit desktop has a console palette";
    Surface bottomUp(&console, 320, 200, PixelFormat(INDEX8), -1, BOTTOM_UP, -1, -1);
    testing::fillIndices(bottomUp, 8);
    ASSERT_EQ(bottomUp.setPalette(colours()), 1);
    EXPECT_EQ(bottomUp.update(), 0);  // no console palette yet
    ASSERT_EQ(console.setPalette(colours()), 1);
    testing::settle(window);
    ASSERT_EQ(bottomUp.update(), 1);
    EXPECT_EQ(mismatches(readClient(window), bottomUp), 0);

    // The 8-bit desktop's indices mean the console palette's colours,
    // whatever the frame's own palette says.
    Surface topDown(&console, 320, 200, PixelFormat(INDEX8), -1, TOP_DOWN, -1, -1);
    testing::fillIndices(topDown, 8);
    ASSERT_EQ(topDown.setPalette(colours(true)), 1);
    ASSERT_EQ(topDown.update(), 1);
    const testing::ClientPixels client = readClient(window);
    ASSERT_EQ(topDown.setPalette(colours()), 1);
    EXPECT_EQ(mismatches(client, topDown), 0);
}

TEST_F(Presentation, AFrameOutsideADibSectionIsConvertedToo)
{
    if (palettised()) {
        ASSERT_EQ(console.setPalette(colours()), 1);
        testing::settle(window);
    }
    // Made on the default console, so their pixels are in plain memory.
    Surface indexed(&Console::defaultConsole(), 320, 200, PixelFormat(INDEX8), -1, -1, -1, -1);
    ASSERT_EQ(indexed.backing(), BACKING_NONE);
    indexed.setPalette(colours());
    testing::fillIndices(indexed, 8);
    ASSERT_EQ(indexed.copyToConsole(&console), 1);
    EXPECT_EQ(mismatches(readClient(window), indexed), 0);
    if (palettised()) return;  // direct frames cannot be converted to indices

    Surface direct(&Console::defaultConsole(), 320, 200, PixelFormat(RGB565), -1, -1, -1, -1);
    fillBlocks(direct, 2);
    ASSERT_EQ(direct.copyToConsole(&console), 1);
    EXPECT_EQ(mismatches(readClient(window), direct), 0);
}

// What the window shows again is what was presented, from the console's
// copy: not what the program drew since, nor nothing once its frame is gone.
TEST_F(Presentation, RepaintsRedrawTheLastPresentedFrameWhateverBecameOfTheProgramsFrame)
{
    auto frame = std::make_unique<Surface>(&console, 320, 200, PixelFormat(RGB565), -1, -1, -1,
                                           -1);
    fillBlocks(*frame, 4);
    ASSERT_EQ(frame->update(), 1);
    const std::vector<std::uint32_t> shown = readClient(window).pixels;
    const auto repaintedOverWhite = [&] {
        HDC context = GetDC(window);
        const RECT all{0, 0, 320, 200};
        FillRect(context, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ReleaseDC(window, context);
        EXPECT_EQ(readClient(window).at(100, 100), 0xFFFFFFu);
        InvalidateRect(window, nullptr, FALSE);
        testing::settle(window);
        return readClient(window).pixels;
    };
    EXPECT_EQ(repaintedOverWhite(), shown);

    testing::fillColour(*frame, 0xFF0000);  // drawn, never presented
    EXPECT_EQ(repaintedOverWhite(), shown);
    frame.reset();
    EXPECT_EQ(repaintedOverWhite(), shown);
}

}  // namespace
}  // namespace vxr
