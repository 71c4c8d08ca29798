// Frames presented faster than the compositor releases buffers: what it
// shows is always one whole frame, never one written over while held.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using WaylandBuffers = test::WaylandConsoleFixture;

TEST_F(WaylandBuffers, PresentingFasterThanReleasesShowsEveryFrameWhole)
{
    ASSERT_TRUE(start(Kind::SWAY, {320, 200}));
    ASSERT_TRUE(open({.format = PREFER16}));
    auto first = test::randomFrame(*console, ARGB8888, 320, 200, 21, false);
    auto second = test::randomFrame(*console, ARGB8888, 320, 200, 22, false);
    const auto firstShown = test::expectedPixels(*first, 320, 200);
    const auto secondShown = test::expectedPixels(*second, 320, 200);

    std::atomic<bool> stop{false};
    std::atomic<int> presented{0};
    std::thread presenter([&] {
        // No pacing: each present either finds a released buffer or waits.
        for (int i = 0; !stop; ++i)
            presented += (i % 2 ? second : first)->copy(console->primary(), 0);
    });
    int wholeShots = 0, shots = 0;
    for (; shots < 8; ++shots) {
        test::Screenshot shot;
        ASSERT_TRUE(compositor.screenshot(shot));
        const bool whole = test::differingPixels(shot, firstShown, 320, 200, 0, 0) == 0 ||
                           test::differingPixels(shot, secondShown, 320, 200, 0, 0) == 0;
        wholeShots += whole ? 1 : 0;
    }
    stop = true;
    presenter.join();
    EXPECT_GT(presented.load(), shots);
    EXPECT_EQ(wholeShots, shots);
}

}  // namespace
}  // namespace vxr
