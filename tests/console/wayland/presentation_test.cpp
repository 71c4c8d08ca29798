// Frames read back from screenshots of real compositors, compared pixel for
// pixel with the frame converted by the library and scaled the plain way:
// everywhere when the library scales or nothing is scaled, and where the
// compositor's filter cannot blend when the compositor scales.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

class WaylandPresentation : public test::WaylandConsoleFixture {
protected:
    // A 320x200 window of the library's scaling, floating in the corner of
    // sway's output at its frame's size, for resizes by hand.
    ::testing::AssertionResult openResizable(std::int32_t format)
    {
        const ::testing::AssertionResult opened =
            open({.format = format, .scaling = Scaling::LIBRARY});
        return opened ? floatAtCorner(320, 200) : opened;
    }
};

// weston's screenshots keep the padding byte as alpha and lose the colours
// of pixels whose byte is 0, so frames read back there are opaque ARGB.
TEST_F(WaylandPresentation, AtScaleOneTheWindowShowsTheFrameAsItIs)
{
    ASSERT_TRUE(start(Kind::WESTON));
    ASSERT_EQ(console->ok(), 1);
    // 320x200 does not fit twice in three quarters of 640x480.
    ASSERT_TRUE(open({.format = PREFER16}));
    EXPECT_EQ(console->clientWidth(), 320);
    EXPECT_EQ(console->clientHeight(), 200);
    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 11, true);
    EXPECT_TRUE(shows(*frame, -1, -1));
}

TEST_F(WaylandPresentation, FramesInOtherFormatsGoThroughTheConverters)
{
    ASSERT_TRUE(start(Kind::SWAY, {320, 200}));
    ASSERT_TRUE(open({.format = PREFER16}));
    for (std::int32_t format : {RGB565, RGB888, ARGB8888}) {
        auto frame = test::randomFrame(*console, format, 320, 200, 7u + format, false);
        EXPECT_TRUE(shows(*frame)) << "format " << format;
    }
}

TEST_F(WaylandPresentation, AfterTheCompositorResizesTheWindowTheFrameIsLetterboxed)
{
    ASSERT_TRUE(start(Kind::SWAY));
    ASSERT_EQ(console->ok(), 1);
    ASSERT_TRUE(open({.format = PREFER16, .scaling = Scaling::LIBRARY}));
    // sway tiles the only window over the whole output: bars above and below.
    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 5, false);
    EXPECT_TRUE(shows(*frame));
    EXPECT_EQ(console->clientWidth(), 640);
    EXPECT_EQ(console->clientHeight(), 480);

    // A floating window the compositor sizes at an odd aspect: bars beside.
    EXPECT_TRUE(floatAtCorner(500, 190));
    EXPECT_TRUE(shows(*frame));
    EXPECT_EQ(console->clientHeight(), 190);
}

TEST_F(WaylandPresentation, FullScreenCoversTheOutputWithTheFrameLetterboxed)
{
    ASSERT_TRUE(start(Kind::WESTON, {800, 480}));
    ASSERT_TRUE(open({320, 240, PREFER16, FULLSCREEN, Scaling::LIBRARY}));
    EXPECT_EQ(console->output(), FULLSCREEN);
    EXPECT_TRUE(test::eventually([&] { return console->clientWidth() == 800; }));
    EXPECT_EQ(console->clientHeight(), 480);
    auto frame = test::randomFrame(*console, ARGB8888, 320, 240, 9, true);
    EXPECT_TRUE(shows(*frame));
}

// weston's software renderer filters a viewport's buffer as it scales it,
// so frames of blocks are compared inside the blocks and bars.
TEST_F(WaylandPresentation, WhenTheCompositorScalesTheWindowShowsTheSameFrame)
{
    ASSERT_TRUE(start(Kind::WESTON, {800, 480}));
    ASSERT_TRUE(open({320, 240, PREFER16, FULLSCREEN, Scaling::COMPOSITOR}));
    EXPECT_TRUE(test::eventually([&] { return console->clientWidth() == 800; }));
    EXPECT_TRUE(console->scalesInCompositor());
    auto frame = test::blockFrame(*console, ARGB8888, 320, 240, 8, 3);
    EXPECT_TRUE(shows(*frame, 0, 0, true));
    // Part of a frame lands on the frame the compositor holds a copy of.
    auto first = test::blockFrame(*console, ARGB8888, 320, 240, 8, 21);
    auto second = test::blockFrame(*console, ARGB8888, 320, 240, 8, 22);
    ASSERT_TRUE(shows(*first, 0, 0, true));
    const Rect half{0, 120, 320, 240};
    ASSERT_EQ(second->copyArea(console->primary(), &half, &half, 0), 1);
    ASSERT_EQ(second->copyArea(first.get(), &half, &half, 0), 1);
    EXPECT_TRUE(shows(*first, 0, 0, true));

    // The next window scales with the library again, to the pixel.
    ASSERT_TRUE(open({320, 240, PREFER16, FULLSCREEN, Scaling::LIBRARY}));
    EXPECT_FALSE(console->scalesInCompositor());
    EXPECT_TRUE(shows(*first));
}

TEST_F(WaylandPresentation, WhenTheCompositorScalesTheFrameFollowsResizes)
{
    ASSERT_TRUE(start(Kind::WESTON));
    // A window of the frame's size goes straight to the screen.
    ASSERT_TRUE(open({.scaling = Scaling::COMPOSITOR}));
    EXPECT_FALSE(console->scalesInCompositor());
    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 31, true);
    EXPECT_TRUE(shows(*frame, -1, -1));
    // Full screen at twice the size, with bars above and below.
    ASSERT_TRUE(open({.output = FULLSCREEN}));
    EXPECT_TRUE(test::eventually([&] { return console->clientWidth() == 640; }));
    EXPECT_TRUE(console->scalesInCompositor());
    auto blocks = test::blockFrame(*console, ARGB8888, 320, 200, 8, 32);
    EXPECT_TRUE(shows(*blocks, 0, 0, true));
}

TEST_F(WaylandPresentation, WhenTheCompositorScalesOtherFormatsAreConvertedAndResizesFollow)
{
    ASSERT_TRUE(start(Kind::SWAY, {640, 400}));
    ASSERT_TRUE(open({.format = PREFER16, .scaling = Scaling::COMPOSITOR}));
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 640; }));
    EXPECT_TRUE(console->scalesInCompositor());
    for (std::int32_t format : {RGB565, RGB888}) {
        auto frame = test::blockFrame(*console, format, 320, 200, 8, 40u + format);
        EXPECT_TRUE(shows(*frame, 0, 0, true)) << "format " << format;
    }
    // A size that is no whole scale of the frame, with bars beside.
    EXPECT_TRUE(floatAtCorner(500, 190));
    auto frame = test::blockFrame(*console, RGB565, 320, 200, 16, 47);
    EXPECT_TRUE(shows(*frame, 0, 0, true));

    // Resized to the frame's own size the window drops the stage and shows
    // every pixel, and takes it up again when it grows.
    ASSERT_TRUE(compositor.command("'[app_id=vxr] resize set 320 200, move position 0 0'"));
    EXPECT_TRUE(test::eventually([&] { return console->clientWidth() == 320; }));
    EXPECT_FALSE(console->scalesInCompositor());
    auto exact = test::randomFrame(*console, RGB565, 320, 200, 48, false);
    EXPECT_TRUE(shows(*exact));
    ASSERT_TRUE(compositor.command("'[app_id=vxr] resize set 640 400, move position 0 0'"));
    EXPECT_TRUE(test::eventually([&] { return console->clientWidth() == 640; }));
    EXPECT_TRUE(console->scalesInCompositor());
    EXPECT_TRUE(shows(*frame, 0, 0, true));
}

TEST_F(WaylandPresentation, AResizedWindowRedrawsTheLastConvertedFrameByItself)
{
    // A frame at its own size is converted straight into the buffer the
    // compositor shows; resizes must redraw it from there. Along these sizes
    // the buffer holding it is both reused at its own size and remade.
    ASSERT_TRUE(start(Kind::SWAY, {640, 400}));
    ASSERT_TRUE(openResizable(PREFER16));
    auto frame = test::blockFrame(*console, RGB565, 320, 200, 8, 61);
    ASSERT_TRUE(shows(*frame));

    for (const char* size : {"500 190", "400 300", "320 200", "600 350", "330 210", "320 200"}) {
        ASSERT_TRUE(compositor.command(std::string("'[app_id=vxr] resize set ") + size +
                                       ", move position 0 0'"));
        EXPECT_TRUE(stillShows(*frame)) << size;
    }
    // And where the compositor scales, from frame-sized buffers.
    console->scaleInCompositor(true);
    ASSERT_TRUE(compositor.command("'[app_id=vxr] resize set 640 400, move position 0 0'"));
    EXPECT_TRUE(test::eventually([&] { return console->scalesInCompositor(); }));
    EXPECT_TRUE(stillShows(*frame, 0, 0, true));
}

TEST_F(WaylandPresentation, TheCompositorScalesUnlessTheEnvironmentAsksForTheLibrary)
{
    // The choice is read as a console is made: one console for each.
    ASSERT_TRUE(compositor.start(Kind::SWAY, 640, 400));
    for (const char* chosen : {"library", "compositor", static_cast<const char*>(nullptr)}) {
        if (chosen)
            setenv("VXR_WAYLAND_SCALING", chosen, 1);
        else
            unsetenv("VXR_WAYLAND_SCALING");
        WaylandConsole made;
        ASSERT_EQ(made.open(320, 200, PREFER32, -1, -1, -1), 1);
        EXPECT_TRUE(test::eventually([&] { return made.clientWidth() == 640; }));
        EXPECT_EQ(made.scalesInCompositor(), !chosen || std::string(chosen) != "library")
            << (chosen ? chosen : "unset");
    }
}

// Windows measured in units of two pixels: the library's buffers carry two
// pixels a unit, and the compositor's viewport stretches frames over both.
TEST_F(WaylandPresentation, OnAnOutputOfScaleTwoFramesUseEveryPixel)
{
    ASSERT_TRUE(compositor.start(Kind::SWAY, 640, 400, 2));
    for (const bool byCompositor : {false, true}) {
        WaylandConsole made;
        made.scaleInCompositor(byCompositor);
        ASSERT_EQ(made.open(320, 200, PREFER32, -1, -1, -1), 1);
        EXPECT_TRUE(test::eventually([&] { return made.clientWidth() == 640; }));
        EXPECT_EQ(made.scalesInCompositor(), byCompositor);
        EXPECT_EQ(made.clientHeight(), 400);
        auto frame = byCompositor ? test::blockFrame(made, ARGB8888, 320, 200, 8, 51)
                                  : test::randomFrame(made, ARGB8888, 320, 200, 52, false);
        EXPECT_TRUE(test::showsFrame(compositor, made, *frame, 0, 0, byCompositor))
            << (byCompositor ? "compositor" : "library");
    }
}

TEST_F(WaylandPresentation, PartOfAFrameLandsOnWhatTheWindowShows)
{
    ASSERT_TRUE(start(Kind::SWAY, {320, 200}));
    ASSERT_TRUE(open({.format = PREFER16}));
    auto first = test::randomFrame(*console, ARGB8888, 320, 200, 1, false);
    auto second = test::randomFrame(*console, ARGB8888, 320, 200, 2, false);
    ASSERT_TRUE(shows(*first));
    // The right half of the second frame over the first, in a buffer the
    // compositor does not hold.
    const Rect half{160, 0, 320, 200};
    ASSERT_EQ(second->copyArea(console->primary(), &half, &half, 0), 1);
    ASSERT_EQ(second->copyArea(first.get(), &half, &half, 0), 1);
    EXPECT_TRUE(shows(*first));
}

TEST_F(WaylandPresentation, ARedrawShowsThePresentedFrameNotWhatTheProgramWroteSince)
{
    // The window redraws by itself on every resize; what it draws must be
    // the frame presented, kept by the console, while the program's own
    // frame already holds the next picture, not yet presented. At the
    // frame's own size the buffer keeps it; scaled, a copy of the console's.
    ASSERT_TRUE(start(Kind::SWAY, {640, 400}));
    ASSERT_TRUE(openResizable(PREFER32));
    for (const char* size : {"320 200", "500 300"}) {
        ASSERT_TRUE(compositor.command(std::string("'[app_id=vxr] resize set ") + size +
                                       ", move position 0 0'"));
        ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == std::atoi(size); }));
        auto program = test::blockFrame(*console, ARGB8888, 320, 200, 8, 71);
        auto presented = test::blockFrame(*console, ARGB8888, 320, 200, 8, 71);
        ASSERT_TRUE(shows(*program)) << size;
        // The next picture goes into the program's frame, unpresented.
        test::fillRandom(*program, 72);
        for (const char* next : {"400 300", "320 200", "600 350"}) {
            ASSERT_TRUE(compositor.command(std::string("'[app_id=vxr] resize set ") + next +
                                           ", move position 0 0'"));
            EXPECT_TRUE(stillShows(*presented)) << size << " then " << next;
        }
    }
}

}  // namespace
}  // namespace vxr
