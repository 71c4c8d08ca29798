#include "demo/frame_pacer.h"

#include <gtest/gtest.h>

namespace demo {
namespace {

using std::chrono::milliseconds;
const FramePacer::Clock::time_point start{milliseconds(1000)};

TEST(FramePacer, FramesAskedForTooSoonWaitForTheirTurn)
{
    FramePacer pacer(milliseconds(14));
    EXPECT_EQ(pacer.nextFrameTime(start), start);
    EXPECT_EQ(pacer.nextFrameTime(start + milliseconds(1)), start + milliseconds(14));
    EXPECT_EQ(pacer.nextFrameTime(start + milliseconds(15)), start + milliseconds(28));
}

TEST(FramePacer, SlowFramesGoAtOnceAndALateOneDoesNotMakeTheNextRush)
{
    FramePacer pacer(milliseconds(14));
    pacer.nextFrameTime(start);
    const auto late = start + milliseconds(100);
    EXPECT_EQ(pacer.nextFrameTime(late), late);
    EXPECT_EQ(pacer.nextFrameTime(late + milliseconds(2)), late + milliseconds(14));
}

}  // namespace
}  // namespace demo
