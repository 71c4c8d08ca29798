// A window switched to the whole screen and back while it is open.
#include <gtest/gtest.h>

#include <string>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using WaylandOutputSwitch = test::WaylandConsoleFixture;

TEST_F(WaylandOutputSwitch, AWindowGoesToTheWholeScreenLetterboxedAndBack)
{
    ASSERT_TRUE(start(Kind::SWAY));
    EXPECT_EQ(console->setOutput(FULLSCREEN), 0);  // no window yet
    ASSERT_TRUE(open({.output = WINDOWED, .scaling = Scaling::LIBRARY}));
    // A floating window of the frame's size at the output's corner.
    ASSERT_TRUE(floatAtCorner(320, 200));
    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 31, true);
    ASSERT_TRUE(shows(*frame));
    // What the floating and sizing brought is read before the switch.
    events->until(300);

    ASSERT_EQ(console->setOutput(FULLSCREEN), 1);
    EXPECT_EQ(console->output(), FULLSCREEN);
    EXPECT_EQ(console->mode().output, FULLSCREEN);
    EXPECT_TRUE(events->resizedTo(640, 480)) << events->seen();
    EXPECT_EQ(console->clientWidth(), 640);
    EXPECT_EQ(console->clientHeight(), 480);
    // The frame scaled twice over, with bars above and below.
    EXPECT_TRUE(shows(*frame));

    ASSERT_EQ(console->setOutput(WINDOWED), 1);
    EXPECT_EQ(console->output(), WINDOWED);
    EXPECT_EQ(console->mode().output, WINDOWED);
    EXPECT_TRUE(events->resizedTo(320, 200)) << events->seen();
    EXPECT_EQ(console->clientWidth(), 320);
    EXPECT_TRUE(shows(*frame));
    EXPECT_EQ(console->setOutput(12345), 0);
}

}  // namespace
}  // namespace vxr
