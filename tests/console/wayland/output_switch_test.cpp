// A window switched to the whole screen and back while it is open.
#include <gtest/gtest.h>

#include <string>

#include "console/x11/x11_test_support.h"
#include "event_reader.h"
#include "vxr/console/wayland/wayland_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;
using test::EventReader;

// Whether a Resize to the given size arrives.
bool resizedTo(EventReader& events, int width, int height)
{
    Event resized;
    while (events.next(EventType::Resize, resized))
        if (resized.width == width && resized.height == height) return true;
    return false;
}

TEST(WaylandOutputSwitch, AWindowGoesToTheWholeScreenLetterboxedAndBack)
{
    Compositor sway;
    ASSERT_TRUE(sway.start(Compositor::Kind::SWAY, 640, 480));
    WaylandConsole console;
    console.scaleInCompositor(false);
    EXPECT_EQ(console.setOutput(FULLSCREEN), 0);  // no window yet
    ASSERT_EQ(console.open(320, 200, PREFER32, WINDOWED, -1, -1), 1);
    EventReader events(console);
    // A floating window of the frame's size at the output's corner.
    ASSERT_TRUE(test::floatAtCorner(sway, console, 320, 200));
    auto frame = test::randomFrame(console, ARGB8888, 320, 200, 31, true);
    std::string why;
    ASSERT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why)) << why;
    // What the floating and sizing brought is read before the switch.
    events.until(300);

    ASSERT_EQ(console.setOutput(FULLSCREEN), 1);
    EXPECT_EQ(console.output(), FULLSCREEN);
    EXPECT_EQ(console.mode().output, FULLSCREEN);
    EXPECT_TRUE(resizedTo(events, 640, 480)) << events.seen();
    EXPECT_EQ(console.clientWidth(), 640);
    EXPECT_EQ(console.clientHeight(), 480);
    // The frame scaled twice over, with bars above and below.
    EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why)) << why;

    ASSERT_EQ(console.setOutput(WINDOWED), 1);
    EXPECT_EQ(console.output(), WINDOWED);
    EXPECT_EQ(console.mode().output, WINDOWED);
    EXPECT_TRUE(resizedTo(events, 320, 200)) << events.seen();
    EXPECT_EQ(console.clientWidth(), 320);
    EXPECT_TRUE(test::showsFrame(sway, console, *frame, 0, 0, why)) << why;
    EXPECT_EQ(console.setOutput(12345), 0);
}

}  // namespace
}  // namespace vxr
