#pragma once

#include <cstdint>
#include <mutex>

#include "vxr/console/core/refresh_span.h"
#include "vxr/console/presentation.h"

namespace vxr {

// The last time a console's frame reached the screen. The thread that hears
// it from the platform (a window or dispatch thread) records it; the
// program reads it. Its lock is a leaf: taken last, around nothing else.
class PresentationRecord {
public:
    // A frame shown at time (ns) on refresh counter refresh; refreshInterval
    // 0 where the platform did not say, in which case the reports' span of
    // counted refreshes gives it.
    void record(std::int64_t time, std::uint64_t refresh, std::int64_t refreshInterval = 0);
    // As record(), for a platform that counts no refreshes: the counter
    // counts the frames reported instead.
    void recordUncounted(std::int64_t time, std::int64_t refreshInterval);
    // False, out untouched, while nothing has been reported.
    bool read(Presentation& out) const;
    // Forgets what was reported, for a new window.
    void clear();

private:
    mutable std::mutex lock;
    Presentation last;
    RefreshSpan span;
    bool reported = false;
};

}  // namespace vxr
