#pragma once

#include <cstdint>

namespace vxr {

// The refresh interval of a display from its reports of refreshes shown
// (a time and a refresh counter each), taken over many refreshes rather
// than between the last two: a report that comes late (a fake CRTC's timer
// on a loaded server) then moves the figure by a fraction of its lateness.
// The span slides, so that a display that changes its rate is followed
// within a few seconds.
class RefreshSpan {
public:
    // The span counts at least this many refreshes once it has them, and
    // at most twice as many.
    static constexpr std::uint64_t REFRESHES = 240;

    // Forgets the reports so far, for another window.
    void restart() { reports = 0; }
    // Notes a report and gives the interval it shows in the time's units:
    // 0 while one report alone tells none, or where the report is not
    // later than the last in both time and count.
    std::int64_t interval(std::int64_t time, std::uint64_t refresh);

private:
    struct Report {
        std::int64_t time = 0;
        std::uint64_t refresh = 0;
    };

    static std::int64_t between(const Report& from, const Report& to);

    int reports = 0;
    Report start;
    // Where the span starts next, once it has grown to twice its length.
    Report middle;
    Report last;
};

}  // namespace vxr
