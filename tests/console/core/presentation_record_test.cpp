// What the platforms' presentation reports become for the program: later
// frames only, and a refresh interval from two counted refreshes where the
// platform gives none.
#include <gtest/gtest.h>

#include <climits>

#include "vxr/console/core/presentation_record.h"

namespace vxr {
namespace {

TEST(PresentationRecord, NothingIsReadUntilAFrameIsReportedAndAClearForgetsIt)
{
    PresentationRecord record;
    Presentation out{.time = 7, .refreshInterval = 8, .refresh = 9};
    EXPECT_FALSE(record.read(out));
    EXPECT_EQ(out.time, 7);
    record.record(1000, 5, 16'666'667);
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.time, 1000);
    EXPECT_EQ(out.refresh, 5u);
    EXPECT_EQ(out.refreshInterval, 16'666'667);
    record.clear();
    EXPECT_FALSE(record.read(out));
}

TEST(PresentationRecord, CountedRefreshesGiveTheIntervalThePlatformDidNotSay)
{
    PresentationRecord record;
    record.record(1'000'000'000, 100);
    Presentation out;
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.refreshInterval, 0) << "one report shows no interval";
    // Three refreshes of a 75 Hz display later.
    record.record(1'040'000'000, 103);
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.refreshInterval, 13'333'333);
    // A platform's own figure wins over the counted one.
    record.record(1'050'000'000, 104, 6'944'444);
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.refreshInterval, 6'944'444);
}

TEST(PresentationRecord, AReportThatRunsTimeBackIsIgnored)
{
    PresentationRecord record;
    record.record(2000, 10, 100);
    record.record(1500, 11);  // an earlier time
    record.record(2000, 12);  // the same time
    record.record(3000, 9);   // an earlier refresh
    Presentation out;
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.time, 2000);
    EXPECT_EQ(out.refresh, 10u);
}

TEST(PresentationRecord, GapsThatDoNotFitKeepTheLastInterval)
{
    PresentationRecord record;
    record.record(INT64_MIN + 1, 0, 100);
    record.record(INT64_MAX, 1);  // a gap past 64 bits
    Presentation out;
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.refreshInterval, 100);
    record.record(INT64_MAX - 1, UINT64_MAX);  // ignored: earlier time
    record.clear();
    record.record(0, 0);
    record.record(1, UINT64_MAX);  // more refreshes than int64 holds
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.refreshInterval, 0);
}

TEST(PresentationRecord, UncountedReportsCountTheFramesAndKeepThePlatformsInterval)
{
    PresentationRecord record;
    record.recordUncounted(500, 16'000'000);
    record.recordUncounted(900, 0);
    record.recordUncounted(800, 0);  // ignored: earlier
    Presentation out;
    ASSERT_TRUE(record.read(out));
    EXPECT_EQ(out.time, 900);
    EXPECT_EQ(out.refresh, 2u);
    EXPECT_EQ(out.refreshInterval, 16'000'000);
}

}  // namespace
}  // namespace vxr
