#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "demo/frame_schedule.h"
#include "demo/tunnel.h"
#include "tunnel_fixture.h"

namespace demo {
namespace {

// The vector arc tangents are checked against the C library's wherever a
// sample lies near a truncation boundary; a long flight with the demo's
// own clock meets millions of bearings, and every one must truncate as
// the per-ray cast's does. The address sanitizer's build is many times
// slower, the Windows build runs its suites under Wine beside many others,
// and the web build runs its one portable cast under node at a fraction of
// native speed, so these fly a shorter stretch of the same schedule; the
// native build flies all of it.
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32) || defined(__EMSCRIPTEN__)
constexpr float FREE_RUN_SECONDS = 1000.0f;
#else
constexpr float FREE_RUN_SECONDS = 10000.0f;
#endif

class LongFlight {
public:
    LongFlight() { test::makeReady(tunnel); }

    // One frame as the demo plays it; false at the first sample that
    // differs from the per-ray cast.
    bool show(FrameSchedule::Frame frame)
    {
        tunnel.animate(FrameSchedule::TIME_STEP, t);
        tunnel.castGrid(t, frame.zoom, frame.fade);
        const std::vector<GridSample> expected =
            test::referenceGrid(tunnel, t, frame.zoom, frame.fade);
        for (size_t i = 0; i < expected.size(); ++i) {
            const GridSample& cast = tunnel.grid[i];
            if (cast.depth != expected[i].depth || cast.angle != expected[i].angle ||
                cast.light != expected[i].light) {
                ADD_FAILURE() << "frame " << frames << " at t = " << t << ", sample " << i << ": ("
                              << cast.depth << ", " << cast.angle << ", " << cast.light
                              << ") instead of (" << expected[i].depth << ", " << expected[i].angle
                              << ", " << expected[i].light << ")";
                return false;
            }
        }
        t = FrameSchedule::nextTime(t);
        ++frames;
        return true;
    }

    Tunnel tunnel;
    float t = 0.0f;
    int64_t frames = 0;
};

TEST(TunnelLongFlight, EverySampleOfTheWholeScheduleMatchesThePerRayCast)
{
    LongFlight flight;
    for (int32_t i = 0; i < FrameSchedule::FLY_IN_FRAMES; ++i)
        ASSERT_TRUE(flight.show(FrameSchedule::flyIn(i)));
    const float freeRunEnd = flight.t + FREE_RUN_SECONDS;
    while (flight.t < freeRunEnd) ASSERT_TRUE(flight.show(FrameSchedule::freeRun()));
    for (int32_t i = 0; i < FrameSchedule::SWIRL_OUT_FRAMES; ++i)
        ASSERT_TRUE(flight.show(FrameSchedule::swirlOut(i)));
    for (int32_t i = 0; i < FrameSchedule::FADE_OUT_FRAMES; ++i)
        ASSERT_TRUE(flight.show(FrameSchedule::fadeOut(i)));
    // The clock's float steps stay near 0.01 s even late in the flight.
    EXPECT_GT(flight.frames, int64_t(FREE_RUN_SECONDS * 90));
    EXPECT_GT(flight.t, FREE_RUN_SECONDS);
}

}  // namespace
}  // namespace demo
