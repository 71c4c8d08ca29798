#include "vxr/console/input/key_repeat.h"

#include <gtest/gtest.h>

namespace vxr {
namespace {

using std::chrono::milliseconds;

TEST(KeyRepeat, RepeatsAfterTheDelayAtTheRateAndStopsOnRelease)
{
    KeyRepeat repeat;
    repeat.configure(20, 300);  // every 50 ms after 300 ms
    const auto start = KeyRepeat::Clock::time_point{} + std::chrono::hours(1);
    repeat.pressed(38, start);
    EXPECT_EQ(repeat.millisecondsUntilNext(start), 300);
    EXPECT_EQ(repeat.takeDue(start + milliseconds(299)), 0);
    EXPECT_EQ(repeat.takeDue(start + milliseconds(300)), 1);
    EXPECT_EQ(repeat.millisecondsUntilNext(start + milliseconds(300)), 50);
    // Held for a second: (1000 - 300) / 50 + 1 repeats, one taken already.
    EXPECT_EQ(repeat.takeDue(start + milliseconds(1000)), 14);
    repeat.released(99);  // another key: this one goes on
    EXPECT_TRUE(repeat.isRepeating());
    repeat.released(38);
    EXPECT_FALSE(repeat.isRepeating());
    EXPECT_EQ(repeat.takeDue(start + milliseconds(5000)), 0);
    EXPECT_EQ(repeat.millisecondsUntilNext(start), -1);
}

TEST(KeyRepeat, TheLastKeyPressedRepeatsAndALongSleepGivesABoundedBurst)
{
    KeyRepeat repeat;
    repeat.configure(1000, 0);
    const auto start = KeyRepeat::Clock::time_point{} + std::chrono::hours(1);
    repeat.pressed(1, start);
    repeat.pressed(2, start + milliseconds(5));
    EXPECT_EQ(repeat.key(), 2u);
    EXPECT_EQ(repeat.takeDue(start + std::chrono::seconds(60)), KeyRepeat::MAX_BURST);
    EXPECT_EQ(repeat.takeDue(start + std::chrono::seconds(60)), 0);
}

TEST(KeyRepeat, ARateOfZeroSwitchesRepeatingOff)
{
    KeyRepeat repeat;
    repeat.configure(0, 600);
    const auto start = KeyRepeat::Clock::time_point{} + std::chrono::hours(1);
    repeat.pressed(1, start);
    EXPECT_FALSE(repeat.isRepeating());
    EXPECT_EQ(repeat.takeDue(start + std::chrono::seconds(5)), 0);
    repeat.configure(-5, -5);
    repeat.pressed(1, start);
    EXPECT_FALSE(repeat.isRepeating());
}

}  // namespace
}  // namespace vxr
