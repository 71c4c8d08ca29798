// Window frames: drawn by the compositor where it offers to.
#include <gtest/gtest.h>

#include "vxr/console/wayland/wayland_console.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;

TEST(WaylandDecorations, TheCompositorDrawsTheFrameWhereItOffersTo)
{
    {
        Compositor sway;
        ASSERT_TRUE(sway.start(Compositor::Kind::SWAY));
        WaylandConsole console;
        ASSERT_EQ(console.open(320, 200, PREFER32, -1, -1, -1), 1);
        // The compositor's answer comes with the first configure, before open returns.
        EXPECT_TRUE(console.decoratedByCompositor());
        // A second window asks again.
        ASSERT_EQ(console.open(320, 200, PREFER32, -1, -1, -1), 1);
        EXPECT_TRUE(console.decoratedByCompositor());
    }

    // Where it does not, the window opens all the same, undecorated.
    Compositor weston;
    ASSERT_TRUE(weston.start(Compositor::Kind::WESTON));
    WaylandConsole plain;
    ASSERT_EQ(plain.open(320, 200, PREFER32, -1, -1, -1), 1);
    EXPECT_FALSE(plain.decoratedByCompositor());
}

}  // namespace
}  // namespace vxr
