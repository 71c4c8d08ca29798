#include "vxr/console/core/presentation_record.h"

namespace vxr {

void PresentationRecord::record(std::int64_t time, std::uint64_t refresh, std::int64_t refreshInterval)
{
    std::lock_guard<std::mutex> guard(lock);
    // A report that is not later than the last (a clock that stood still,
    // a late event of an older frame) would tell the program time ran back.
    if (reported && (time <= last.time || refresh < last.refresh)) return;
    if (refreshInterval <= 0) refreshInterval = span.interval(time, refresh);
    // A gap the span could not measure keeps the figure it had.
    if (refreshInterval <= 0) refreshInterval = last.refreshInterval;
    last = {time, refreshInterval > 0 ? refreshInterval : 0, refresh};
    reported = true;
}

void PresentationRecord::recordUncounted(std::int64_t time, std::int64_t refreshInterval)
{
    std::lock_guard<std::mutex> guard(lock);
    if (reported && time <= last.time) return;
    // Without counted refreshes the gap between two reports is no refresh
    // interval: only the platform's own figure is kept.
    const std::int64_t interval = refreshInterval > 0 ? refreshInterval : last.refreshInterval;
    last = {time, interval, reported ? last.refresh + 1 : 1};
    reported = true;
}

bool PresentationRecord::read(Presentation& out) const
{
    std::lock_guard<std::mutex> guard(lock);
    if (!reported) return false;
    out = last;
    return true;
}

void PresentationRecord::clear()
{
    std::lock_guard<std::mutex> guard(lock);
    last = {};
    span.restart();
    reported = false;
}

}  // namespace vxr
