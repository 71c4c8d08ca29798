// Frames read back from screenshots of real compositors, compared pixel for
// pixel with the frame converted by the library and scaled the plain way:
// everywhere when the library scales or nothing is scaled, and where the
// compositor's filter cannot blend when the compositor scales.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "vxr/console/wayland/wayland_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "console/x11/x11_test_support.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;

// weston's screenshots keep the padding byte as alpha and lose the colours
// of pixels whose byte is 0, so frames read back there are opaque ARGB.
TEST(WaylandPresentation, AtScaleOneTheWindowShowsTheFrameAsItIs)
{
    Compositor weston;
    ASSERT_TRUE(weston.start(Compositor::Kind::WESTON));
    WaylandConsole console;
    ASSERT_EQ(console.ok(), 1);
    // 320x200 does not fit twice in three quarters of 640x480.
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(console.clientWidth(), 320);
    EXPECT_EQ(console.clientHeight(), 200);
    std::string why;
    auto frame = test::randomFrame(console, ARGB8888, 320, 200, 11, true);
    EXPECT_TRUE(test::showsFrame(weston, console, *frame, -1, -1, why)) << why;
}

TEST(WaylandPresentation, FramesInOtherFormatsGoThroughTheConverters)
{
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 320, 200));
    WaylandConsole console;
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    std::string why;
    for (std::int32_t format : {RGB565, RGB888, ARGB8888}) {
        auto frame = test::randomFrame(console, format, 320, 200, 7u + format, false);
        EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why))
            << "format " << format << ": " << why;
    }
}

TEST(WaylandPresentation, AfterTheCompositorResizesTheWindowTheFrameIsLetterboxed)
{
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY));
    WaylandConsole console;
    console.scaleInCompositor(false);
    ASSERT_EQ(console.ok(), 1);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    // sway tiles the only window over the whole output: bars above and below.
    auto frame = test::randomFrame(console, ARGB8888, 320, 200, 5, false);
    std::string why;
    EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why)) << why;
    EXPECT_EQ(console.clientWidth(), 640);
    EXPECT_EQ(console.clientHeight(), 480);

    // A floating window the compositor sizes at an odd aspect: bars beside.
    EXPECT_TRUE(test::floatAtCorner(sway, console, 500, 190));
    EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why)) << why;
    EXPECT_EQ(console.clientHeight(), 190);
}

TEST(WaylandPresentation, FullScreenCoversTheOutputWithTheFrameLetterboxed)
{
    Compositor weston;
    ASSERT_TRUE(weston.start(Compositor::Kind::WESTON, 800, 480));
    WaylandConsole console;
    console.scaleInCompositor(false);
    ASSERT_EQ(console.open(320, 240, PREFER16, FULLSCREEN, -1, -1), 1);
    EXPECT_EQ(console.output(), FULLSCREEN);
    EXPECT_TRUE(test::eventually([&] { return console.clientWidth() == 800; }));
    EXPECT_EQ(console.clientHeight(), 480);
    auto frame = test::randomFrame(console, ARGB8888, 320, 240, 9, true);
    std::string why;
    EXPECT_TRUE(test::showsFrame(weston, console, *frame, 0, 0, why)) << why;
}

// weston's software renderer filters a viewport's buffer as it scales it,
// so frames of blocks are compared inside the blocks and bars.
TEST(WaylandPresentation, WhenTheCompositorScalesTheWindowShowsTheSameFrame)
{
    Compositor weston;
    ASSERT_TRUE(weston.start(Compositor::Kind::WESTON, 800, 480));
    WaylandConsole console;
    console.scaleInCompositor(true);
    ASSERT_EQ(console.open(320, 240, PREFER16, FULLSCREEN, -1, -1), 1);
    EXPECT_TRUE(test::eventually([&] { return console.clientWidth() == 800; }));
    EXPECT_TRUE(console.scalesInCompositor());
    std::string why;
    auto frame = test::blockFrame(console, ARGB8888, 320, 240, 8, 3);
    EXPECT_TRUE(test::showsFrame(weston, console, *frame, 0, 0, why, true)) << why;
    // Part of a frame lands on the frame the compositor holds a copy of.
    auto first = test::blockFrame(console, ARGB8888, 320, 240, 8, 21);
    auto second = test::blockFrame(console, ARGB8888, 320, 240, 8, 22);
    ASSERT_TRUE(test::showsFrame(weston, console, *first, 0, 0, why, true)) << why;
    const Rect half{0, 120, 320, 240};
    ASSERT_EQ(second->copyArea(console.primary(), &half, &half, 0), 1);
    ASSERT_EQ(second->copyArea(first.get(), &half, &half, 0), 1);
    EXPECT_TRUE(test::showsFrame(weston, console, *first, 0, 0, why, true)) << why;

    // The next window scales with the library again, to the pixel.
    console.scaleInCompositor(false);
    ASSERT_EQ(console.open(320, 240, PREFER16, FULLSCREEN, -1, -1), 1);
    EXPECT_FALSE(console.scalesInCompositor());
    EXPECT_TRUE(test::showsFrame(weston, console, *first, 0, 0, why)) << why;
}

TEST(WaylandPresentation, WhenTheCompositorScalesTheFrameFollowsResizes)
{
    Compositor weston;
    ASSERT_TRUE(weston.start(Compositor::Kind::WESTON, 640, 480));
    WaylandConsole console;
    console.scaleInCompositor(true);
    // A window of the frame's size goes straight to the screen.
    ASSERT_EQ(console.open(320, 200, PREFER32, -1, -1, -1), 1);
    EXPECT_FALSE(console.scalesInCompositor());
    auto frame = test::randomFrame(console, ARGB8888, 320, 200, 31, true);
    std::string why;
    EXPECT_TRUE(test::showsFrame(weston, console, *frame, -1, -1, why)) << why;
    // Full screen at twice the size, with bars above and below.
    ASSERT_EQ(console.open(320, 200, PREFER32, FULLSCREEN, -1, -1), 1);
    EXPECT_TRUE(test::eventually([&] { return console.clientWidth() == 640; }));
    EXPECT_TRUE(console.scalesInCompositor());
    auto blocks = test::blockFrame(console, ARGB8888, 320, 200, 8, 32);
    EXPECT_TRUE(test::showsFrame(weston, console, *blocks, 0, 0, why, true)) << why;
}

TEST(WaylandPresentation, WhenTheCompositorScalesOtherFormatsAreConvertedAndResizesFollow)
{
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 640, 400));
    WaylandConsole console;
    console.scaleInCompositor(true);
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    ASSERT_TRUE(test::eventually([&] { return console.clientWidth() == 640; }));
    EXPECT_TRUE(console.scalesInCompositor());
    std::string why;
    for (std::int32_t format : {RGB565, RGB888}) {
        auto frame = test::blockFrame(console, format, 320, 200, 8, 40u + format);
        EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why, true))
            << "format " << format << ": " << why;
    }
    // A size that is no whole scale of the frame, with bars beside.
    EXPECT_TRUE(test::floatAtCorner(sway, console, 500, 190));
    auto frame = test::blockFrame(console, RGB565, 320, 200, 16, 47);
    EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why, true)) << why;

    // Resized to the frame's own size the window drops the stage and shows
    // every pixel, and takes it up again when it grows.
    ASSERT_TRUE(sway.command("'[app_id=vxr] resize set 320 200, move position 0 0'"));
    EXPECT_TRUE(test::eventually([&] { return console.clientWidth() == 320; }));
    EXPECT_FALSE(console.scalesInCompositor());
    auto exact = test::randomFrame(console, RGB565, 320, 200, 48, false);
    EXPECT_TRUE(test::showsFrame(sway, console, *exact, 0, 0, why)) << why;
    ASSERT_TRUE(sway.command("'[app_id=vxr] resize set 640 400, move position 0 0'"));
    EXPECT_TRUE(test::eventually([&] { return console.clientWidth() == 640; }));
    EXPECT_TRUE(console.scalesInCompositor());
    EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why, true)) << why;
}

// A 320x200 window of the library's scaling, floating in the corner of
// sway's output at its frame's size, for resizes by hand.
void openResizable(Compositor& sway, WaylandConsole& console, int request)
{
    console.scaleInCompositor(false);
    ASSERT_EQ(console.open(320, 200, request, -1, -1, -1), 1);
    ASSERT_TRUE(test::floatAtCorner(sway, console, 320, 200));
}

TEST(WaylandPresentation, AResizedWindowRedrawsTheLastConvertedFrameByItself)
{
    // A frame at its own size is converted straight into the buffer the
    // compositor shows; resizes must redraw it from there. Along these sizes
    // the buffer holding it is both reused at its own size and remade.
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 640, 400));
    WaylandConsole console;
    ASSERT_NO_FATAL_FAILURE(openResizable(sway, console, PREFER16));
    auto frame = test::blockFrame(console, RGB565, 320, 200, 8, 61);
    std::string why;
    ASSERT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why)) << why;

    for (const char* size : {"500 190", "400 300", "320 200", "600 350", "330 210", "320 200"}) {
        ASSERT_TRUE(
            sway.command(std::string("'[app_id=vxr] resize set ") + size + ", move position 0 0'"));
        EXPECT_TRUE(test::stillShowsFrame(sway, console, *frame, 0, 0, why)) << size << ": " << why;
    }
    // And where the compositor scales, from frame-sized buffers.
    console.scaleInCompositor(true);
    ASSERT_TRUE(sway.command("'[app_id=vxr] resize set 640 400, move position 0 0'"));
    EXPECT_TRUE(test::eventually([&] { return console.scalesInCompositor(); }));
    EXPECT_TRUE(test::stillShowsFrame(sway, console, *frame, 0, 0, why, true)) << why;
}

TEST(WaylandPresentation, TheCompositorScalesUnlessTheEnvironmentAsksForTheLibrary)
{
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 640, 400));
    for (const char* chosen : {"library", "compositor", static_cast<const char*>(nullptr)}) {
        if (chosen)
            setenv("VXR_WAYLAND_SCALING", chosen, 1);
        else
            unsetenv("VXR_WAYLAND_SCALING");
        WaylandConsole console;
        ASSERT_EQ(console.open(320, 200, PREFER32, -1, -1, -1), 1);
        EXPECT_TRUE(test::eventually([&] { return console.clientWidth() == 640; }));
        EXPECT_EQ(console.scalesInCompositor(), !chosen || std::string(chosen) != "library")
            << (chosen ? chosen : "unset");
    }
}

// Windows measured in units of two pixels: the library's buffers carry two
// pixels a unit, and the compositor's viewport stretches frames over both.
TEST(WaylandPresentation, OnAnOutputOfScaleTwoFramesUseEveryPixel)
{
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 640, 400, 2));
    std::string why;
    for (const bool byCompositor : {false, true}) {
        WaylandConsole console;
        console.scaleInCompositor(byCompositor);
        ASSERT_EQ(console.open(320, 200, PREFER32, -1, -1, -1), 1);
        EXPECT_TRUE(test::eventually([&] { return console.clientWidth() == 640; }));
        EXPECT_EQ(console.scalesInCompositor(), byCompositor);
        EXPECT_EQ(console.clientHeight(), 400);
        auto frame = byCompositor ? test::blockFrame(console, ARGB8888, 320, 200, 8, 51)
                                  : test::randomFrame(console, ARGB8888, 320, 200, 52, false);
        EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why, byCompositor))
            << (byCompositor ? "compositor: " : "library: ") << why;
    }
}

TEST(WaylandPresentation, PartOfAFrameLandsOnWhatTheWindowShows)
{
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 320, 200));
    WaylandConsole console;
    ASSERT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 1);
    auto first = test::randomFrame(console, ARGB8888, 320, 200, 1, false);
    auto second = test::randomFrame(console, ARGB8888, 320, 200, 2, false);
    std::string why;
    ASSERT_TRUE(test::showsFrame(sway, console, *first, 0, 0, why)) << why;
    // The right half of the second frame over the first, in a buffer the
    // compositor does not hold.
    const Rect half{160, 0, 320, 200};
    ASSERT_EQ(second->copyArea(console.primary(), &half, &half, 0), 1);
    ASSERT_EQ(second->copyArea(first.get(), &half, &half, 0), 1);
    EXPECT_TRUE(test::showsFrame(sway, console, *first, 0, 0, why)) << why;
}

TEST(WaylandPresentation, ARedrawShowsThePresentedFrameNotWhatTheProgramWroteSince)
{
    // The window redraws by itself on every resize; what it draws must be
    // the frame presented, kept by the console, while the program's own
    // frame already holds the next picture, not yet presented. At the
    // frame's own size the buffer keeps it; scaled, a copy of the console's.
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 640, 400));
    WaylandConsole console;
    ASSERT_NO_FATAL_FAILURE(openResizable(sway, console, PREFER32));
    for (const char* start : {"320 200", "500 300"}) {
        ASSERT_TRUE(
            sway.command(std::string("'[app_id=vxr] resize set ") + start + ", move position 0 0'"));
        ASSERT_TRUE(test::eventually([&] { return console.clientWidth() == std::atoi(start); }));
        auto program = test::blockFrame(console, ARGB8888, 320, 200, 8, 71);
        auto presented = test::blockFrame(console, ARGB8888, 320, 200, 8, 71);
        std::string why;
        ASSERT_TRUE(test::showsFrame(sway, console, *program, 0, 0, why)) << start << ": " << why;
        // The next picture goes into the program's frame, unpresented.
        test::fillRandom(*program, 72);
        for (const char* size : {"400 300", "320 200", "600 350"}) {
            ASSERT_TRUE(sway.command(std::string("'[app_id=vxr] resize set ") + size +
                                     ", move position 0 0'"));
            EXPECT_TRUE(test::stillShowsFrame(sway, console, *presented, 0, 0, why))
                << start << " then " << size << ": " << why;
        }
    }
}

}  // namespace
}  // namespace vxr
