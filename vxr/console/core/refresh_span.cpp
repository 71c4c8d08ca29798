#include "vxr/console/core/refresh_span.h"

namespace vxr {

std::int64_t RefreshSpan::between(const Report& from, const Report& to)
{
    std::int64_t elapsed = 0;
    const std::uint64_t refreshes = to.refresh - from.refresh;
    if (to.refresh <= from.refresh || refreshes > INT64_MAX ||
        __builtin_sub_overflow(to.time, from.time, &elapsed) || elapsed <= 0)
        return 0;
    return elapsed / static_cast<std::int64_t>(refreshes);
}

std::int64_t RefreshSpan::interval(std::int64_t time, std::uint64_t refresh)
{
    const Report now{time, refresh};
    if (reports == 0) {
        start = middle = last = now;
        reports = 1;
        return 0;
    }
    // Time or count standing still or running back (a late report of an
    // older frame) is no refresh to measure.
    if (refresh <= last.refresh || time <= last.time) return 0;
    last = now;
    if (refresh - middle.refresh < REFRESHES) {
        // Not far enough on yet for the middle to move.
    } else if (middle.refresh == start.refresh) {
        middle = now;
    } else if (refresh - start.refresh >= 2 * REFRESHES) {
        start = middle;
        middle = now;
    }
    return between(start, now);
}

}  // namespace vxr
