// Retrace waits where the frame goes on a child surface that covers the
// window: the compositor answers for the surface it draws.
#include <gtest/gtest.h>

#include <string>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using WaylandRetrace = test::WaylandConsoleFixture;

TEST_F(WaylandRetrace, WhileTheCompositorScalesFrameWaitsAreAnswered)
{
    ASSERT_TRUE(start(Kind::SWAY));
    ASSERT_TRUE(open({.scaling = Scaling::COMPOSITOR}));
    // A window of the frame's aspect: the frame's child covers all of it.
    ASSERT_TRUE(floatAtCorner(640, 400));
    ASSERT_TRUE(console->scalesInCompositor());
    auto frame = test::blockFrame(*console, ARGB8888, 320, 200, 8, 11);
    ASSERT_TRUE(shows(*frame, 0, 0, true));

    int answered = 0, unanswered = 0;
    for (unsigned i = 0; i < 30; ++i) {
        auto next = test::randomFrame(*console, ARGB8888, 320, 200, 12 + i, true);
        ASSERT_EQ(next->copy(console->primary(), 0), 1);
        (console->waitRetrace() == 1 ? answered : unanswered) += 1;
    }
    // A compositor may miss one now and then; it answers the rest.
    EXPECT_GE(answered, 27) << unanswered << " unanswered";
}

}  // namespace
}  // namespace vxr
