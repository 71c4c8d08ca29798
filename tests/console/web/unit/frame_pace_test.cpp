#include "vxr/console/web/frame_pace.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vxr {
namespace {

constexpr double PERIOD = 16.67;

TEST(FramePace, KnowsNoIntervalUntilTwoFramesApart)
{
    FramePace pace;
    EXPECT_EQ(pace.interval(), 0.0);
    pace.note(100.0);
    EXPECT_EQ(pace.interval(), 0.0);
    // A second callback in the same frame.
    pace.note(100.0);
    EXPECT_EQ(pace.interval(), 0.0);
    pace.note(100.0 + PERIOD);
    EXPECT_DOUBLE_EQ(pace.interval(), PERIOD);
}

TEST(FramePace, SkippedFramesAndRepeatedTimesDoNotCount)
{
    FramePace pace;
    double time = 1000.0;
    pace.note(time);
    // A busy page: frames one, three and two periods apart, each time
    // heard twice.
    for (int skipped : {0, 2, 1, 0, 3}) {
        time += PERIOD * (skipped + 1);
        pace.note(time);
        pace.note(time);
    }
    EXPECT_NEAR(pace.interval(), PERIOD, 1e-9);
}

TEST(FramePace, FollowsAChangeOfRefreshRate)
{
    FramePace pace;
    double time = 0.0;
    for (int i = 0; i < 20; ++i) pace.note(time += 1000.0 / 60.0);
    EXPECT_NEAR(pace.interval(), 1000.0 / 60.0, 1e-9);
    // Moved to a 50 Hz display: once the older gaps have gone.
    for (int i = 0; i < 20; ++i) pace.note(time += 1000.0 / 50.0);
    EXPECT_NEAR(pace.interval(), 1000.0 / 50.0, 1e-9);
}

TEST(FramePace, TimesThatRunBackOrAreNotNumbersAreIgnored)
{
    FramePace pace;
    pace.note(std::nan(""));
    pace.note(50.0);
    pace.note(40.0);
    pace.note(std::nan(""));
    EXPECT_EQ(pace.interval(), 0.0);
    pace.note(50.0 + PERIOD);
    EXPECT_DOUBLE_EQ(pace.interval(), PERIOD);
}

}  // namespace
}  // namespace vxr
