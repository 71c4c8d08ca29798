// The output scale an X session gives through its Xft.dpi resource: read
// from the resource text as xrdb stores it, and on a real Xvfb with the
// resource loaded by xrdb, where the window opens at the frame's size times
// the scale and shows each frame pixel as a block of that many screen pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vxr/console/console_mode.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/console/x11/x11_resources.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

bool saysWhy(const char* what)
{
    return std::strstr(lastError(), what) != nullptr;
}

double scaleOf(std::string_view resources)
{
    return X11Resources::settle(X11Resources::reportedScale(resources));
}

TEST(X11ResourceText, FindsTheNamedLineAmongOthersTheLastOneWinning)
{
    const std::string_view text =
        "Xcursor.size:\t24\nXft.antialias:\t1\nXft.dpi:\t120\n  Xft.dpi :  192 \nXterm*font: x";
    std::string_view value;
    ASSERT_TRUE(X11Resources::find(text, "Xft.dpi", value));
    EXPECT_EQ(value, "192");
    ASSERT_TRUE(X11Resources::find(text, "Xterm*font", value));
    EXPECT_EQ(value, "x");
    // A name that only begins like one that is there is another resource.
    EXPECT_FALSE(X11Resources::find(text, "Xft.dp", value));
    EXPECT_FALSE(X11Resources::find("", "Xft.dpi", value));
    EXPECT_FALSE(X11Resources::find("Xft.dpi 192\n", "Xft.dpi", value));
}

TEST(X11ResourceText, ScalesAreTheDpiAgainst96AndOneWithoutIt)
{
    EXPECT_DOUBLE_EQ(scaleOf("Xft.dpi:\t192\n"), 2.0);
    EXPECT_DOUBLE_EQ(scaleOf("Xft.dpi:\t144"), 1.5);
    EXPECT_DOUBLE_EQ(scaleOf("Xft.dpi:\t+120.0\n"), 1.25);
    EXPECT_DOUBLE_EQ(scaleOf("Xft*dpi:\t288\n"), 3.0);
    // No resource is no fault: the session simply sets no DPI.
    clearLastError();
    EXPECT_DOUBLE_EQ(scaleOf("Xcursor.size:\t24\n"), 1.0);
    EXPECT_STREQ(lastError(), "");
}

TEST(X11ResourceText, BadDpisSettleWithTheReason)
{
    struct Case {
        const char* text;
        double scale;
    } cases[] = {{"Xft.dpi: 0", 1.0},
                 {"Xft.dpi: -5", 1.0},
                 {"Xft.dpi: 10000", 8.0},
                 {"Xft.dpi: 96dpi", 1.0},
                 {"Xft.dpi: nan", 1.0},
                 {"Xft.dpi:", 1.0},
                 {"Xft.dpi: .", 1.0},
                 {"Xft.dpi: 1.2.3", 1.0},
                 {"Xft.dpi: 99999999999999999999999999999999999999999999999999", 8.0}};
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.text);
        clearLastError();
        EXPECT_DOUBLE_EQ(scaleOf(bad.text), bad.scale);
        EXPECT_TRUE(saysWhy("Xft.dpi")) << lastError();
    }
}

// 320x200 on a 640x480 screen: at scale 1 the frame fits only once in
// three quarters of the screen, so any other size comes from the scale.
constexpr int FRAME_WIDTH = 320;
constexpr int FRAME_HEIGHT = 200;

class X11OutputScale : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.start({24, 640, 480, true})); }

    // Opens the frame's window with the resources loaded and checks the
    // window's size and the scale the console says.
    void expectOpensAt(X11Console& console, const std::string& resources, int width, int height,
                       double scale)
    {
        if (!resources.empty()) {
            ASSERT_TRUE(session.loadResources(resources));
        }
        ASSERT_EQ(console.ok(), 1);
        ASSERT_EQ(console.open(FRAME_WIDTH, FRAME_HEIGHT, PREFER32, WINDOWED, -1, -1), 1)
            << lastError();
        window = X11Session::windowOf(console);
        int shownWidth = 0, shownHeight = 0;
        ASSERT_TRUE(session.view.geometry(window, shownWidth, shownHeight));
        EXPECT_EQ(shownWidth, width);
        EXPECT_EQ(shownHeight, height);
        clearLastError();
        EXPECT_DOUBLE_EQ(console.scale(), scale);
    }

    // Presents a frame of random pixels until the window shows it scaled
    // the plain way onto all of it.
    std::unique_ptr<Surface> expectShown(X11Console& console)
    {
        auto frame = std::make_unique<Surface>(&console, FRAME_WIDTH, FRAME_HEIGHT,
                                               PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
        test::fillRandom(*frame, 11);
        std::string why;
        EXPECT_TRUE(session.presentsExactly(*frame, console.format(), window, 0, why)) << why;
        return frame;
    }

    // The frame pixels that the window does not show as a block of 2x2
    // screen pixels of their colour.
    int pixelsNotInBlocks(Surface& frame)
    {
        int width = 0, height = 0;
        std::vector<std::uint8_t> shown;
        if (!session.view.snapshot(window, width, height, shown) || width != 2 * FRAME_WIDTH)
            return FRAME_WIDTH * FRAME_HEIGHT;
        const auto shownAt = [&](int x, int y) {
            std::uint32_t value;
            std::memcpy(&value, shown.data() + (std::size_t(y) * width + x) * 4, 4);
            return value & 0xFFFFFFu;
        };
        const std::uint8_t* pixels = frame.lock(0);
        if (!pixels) return FRAME_WIDTH * FRAME_HEIGHT;
        int wrong = 0;
        for (int y = 0; y < FRAME_HEIGHT; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + y * frame.pitch());
            for (int x = 0; x < FRAME_WIDTH; ++x) {
                bool block = true;
                for (int corner = 0; corner < 4; ++corner)
                    block &=
                        shownAt(2 * x + corner % 2, 2 * y + corner / 2) == (row[x] & 0xFFFFFFu);
                wrong += block ? 0 : 1;
            }
        }
        frame.unlock();
        return wrong;
    }

    X11Session session;
    xcb_window_t window = 0;
};

TEST_F(X11OutputScale, At192DpiTheWindowIsTwiceTheFrameAndShowsTwoByTwoBlocks)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(expectOpensAt(console, "Xft.dpi:\t192", 640, 400, 2.0));
    EXPECT_STREQ(lastError(), "");
    auto frame = expectShown(console);
    // In the screen's own pixels: the server shows what the console drew,
    // at the screen's resolution, never stretched by anyone else.
    EXPECT_EQ(pixelsNotInBlocks(*frame), 0);
}

TEST_F(X11OutputScale, WithoutTheResourceTheScaleIsOneAndSaysNothing)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(expectOpensAt(console, "", FRAME_WIDTH, FRAME_HEIGHT, 1.0));
    EXPECT_STREQ(lastError(), "");
}

TEST_F(X11OutputScale, AFractionalDpiRoundsTheWindowToWholePixels)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(expectOpensAt(console, "Xft.dpi:\t144", 480, 300, 1.5));
    expectShown(console);
}

TEST_F(X11OutputScale, ANewDpiWhileTheWindowShowsResizesItAndTheProgramHears)
{
    X11Console console;
    ASSERT_NO_FATAL_FAILURE(expectOpensAt(console, "", FRAME_WIDTH, FRAME_HEIGHT, 1.0));
    // xrdb -merge again, as a session's settings do when the user picks
    // another scale.
    ASSERT_TRUE(session.loadResources("Xft.dpi:\t192"));
    ASSERT_TRUE(X11Session::resizeReported(console, 640, 400));
    EXPECT_DOUBLE_EQ(console.scale(), 2.0);
    auto frame = expectShown(console);
    EXPECT_EQ(pixelsNotInBlocks(*frame), 0);

    // A window the user sized keeps its size; a Resize of it says the
    // scale changed.
    session.view.resize(window, 500, 350);
    ASSERT_TRUE(X11Session::resizeReported(console, 500, 350));
    ASSERT_TRUE(session.loadResources("Xft.dpi:\t96"));
    ASSERT_TRUE(X11Session::resizeReported(console, 500, 350));
    EXPECT_DOUBLE_EQ(console.scale(), 1.0);
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(window, width, height));
    EXPECT_EQ(width, 500);
    EXPECT_EQ(height, 350);
}

TEST_F(X11OutputScale, AFixedWindowKeepsItsSizeWhenTheDpiChanges)
{
    X11Console console;
    ASSERT_EQ(console.setResizable(0), 1) << lastError();
    ASSERT_NO_FATAL_FAILURE(expectOpensAt(console, "", FRAME_WIDTH, FRAME_HEIGHT, 1.0));
    ASSERT_TRUE(session.loadResources("Xft.dpi:\t144"));
    ASSERT_TRUE(X11Session::resizeReported(console, FRAME_WIDTH, FRAME_HEIGHT));
    EXPECT_DOUBLE_EQ(console.scale(), 1.5);
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(window, width, height));
    EXPECT_EQ(width, FRAME_WIDTH);
    EXPECT_EQ(height, FRAME_HEIGHT);
}

struct BadDpi {
    const char* resource;
    double scale;
};

std::string badDpiName(const ::testing::TestParamInfo<BadDpi>& info)
{
    const char* names[] = {"zero", "negative", "huge", "word"};
    return names[info.index];
}

class X11BadDpi : public X11OutputScale, public ::testing::WithParamInterface<BadDpi> {};

TEST_P(X11BadDpi, SettlesWithTheReasonAndPresents)
{
    X11Console console;
    const double scale = GetParam().scale;
    ASSERT_NO_FATAL_FAILURE(expectOpensAt(console, GetParam().resource,
                                          static_cast<int>(FRAME_WIDTH * scale),
                                          static_cast<int>(FRAME_HEIGHT * scale), scale));
    EXPECT_TRUE(saysWhy("Xft.dpi")) << lastError();
    // A window larger than the screen cannot be read back whole; that it
    // takes frames is what counts there.
    if (scale == 1.0) {
        expectShown(console);
        return;
    }
    Surface frame(&console, FRAME_WIDTH, FRAME_HEIGHT, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1,
                  -1);
    EXPECT_EQ(frame.update(), 1) << lastError();
}

INSTANTIATE_TEST_SUITE_P(Values, X11BadDpi,
                         ::testing::Values(BadDpi{"Xft.dpi:\t0", 1.0}, BadDpi{"Xft.dpi:\t-5", 1.0},
                                           BadDpi{"Xft.dpi:\t10000", 8.0},
                                           BadDpi{"Xft.dpi:\tlarge", 1.0}),
                         badDpiName);

}  // namespace
}  // namespace vxr
