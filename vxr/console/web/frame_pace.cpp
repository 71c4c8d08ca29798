#include "vxr/console/web/frame_pace.h"

namespace vxr {

void FramePace::note(double time)
{
    // The comparison is false for NaN, which is then never kept.
    const bool later = seen && time > last;
    if (later) {
        gaps[next] = time - last;
        next = (next + 1) % GAPS;
        if (known < GAPS) ++known;
    }
    if (later || (!seen && time == time)) {
        last = time;
        seen = true;
    }
}

double FramePace::interval() const
{
    double smallest = 0.0;
    for (int i = 0; i < known; ++i)
        if (smallest == 0.0 || gaps[i] < smallest) smallest = gaps[i];
    return smallest;
}

}  // namespace vxr
