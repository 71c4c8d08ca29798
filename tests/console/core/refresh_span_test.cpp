// The refresh interval a display's counted reports show, over a span long
// enough that a late report hardly moves it.
#include <gtest/gtest.h>

#include <cstdint>

#include "vxr/console/core/refresh_span.h"

namespace vxr {
namespace {

// A display's reports one refresh apart, with the given lateness in
// nanoseconds each.
std::int64_t intervalAfter(RefreshSpan& span, std::int64_t interval, std::uint64_t count,
                           std::int64_t (*lateness)(std::uint64_t))
{
    std::int64_t measured = 0;
    for (std::uint64_t refresh = 1; refresh <= count; ++refresh)
        measured = span.interval(static_cast<std::int64_t>(refresh) * interval + lateness(refresh),
                                 refresh);
    return measured;
}

TEST(RefreshSpan, ALateReportMovesTheIntervalByAFractionOfItsLateness)
{
    constexpr std::int64_t INTERVAL = 16666667;
    RefreshSpan span;
    EXPECT_EQ(span.interval(INTERVAL, 1), 0) << "one report tells no interval";
    span.restart();
    // Every tenth report 8 ms late.
    const auto everyTenth = [](std::uint64_t refresh) -> std::int64_t {
        return refresh % 10 == 0 ? 8000000 : 0;
    };
    EXPECT_NEAR(static_cast<double>(intervalAfter(span, INTERVAL, 49, everyTenth)), INTERVAL,
                INTERVAL * 0.01);
    // A late report at the span's end moves it by its lateness over the span.
    EXPECT_NEAR(static_cast<double>(intervalAfter(span, INTERVAL, 50, everyTenth)), INTERVAL,
                8000000.0 / 49 + 1);
    // Reports that do not go forward measure nothing.
    EXPECT_EQ(span.interval(INTERVAL, 50), 0);
    EXPECT_EQ(span.interval(100 * INTERVAL, 49), 0);
}

TEST(RefreshSpan, FollowsARateThatChangesWithinTwoSpans)
{
    constexpr std::int64_t SIXTY = 16666667, HUNDRED_TWENTY = 8333333;
    RefreshSpan span;
    std::int64_t time = 0;
    std::uint64_t refresh = 0;
    for (; refresh < 1000; ++refresh) span.interval(time += SIXTY, refresh);
    std::int64_t measured = 0;
    for (std::uint64_t i = 0; i < 2 * RefreshSpan::REFRESHES; ++i, ++refresh)
        measured = span.interval(time += HUNDRED_TWENTY, refresh);
    EXPECT_EQ(measured, HUNDRED_TWENTY);
}

}  // namespace
}  // namespace vxr
