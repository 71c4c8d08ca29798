#pragma once

/// @file
/// Presentation, when a frame reached the screen.

#include <cstdint>

namespace vxr {

/// When the last presented frame reached the screen, as the platform told:
/// for pacing a program to the display's own refresh (50, 75, 120, 144 Hz).
struct Presentation {
    /// When the frame was first shown, in nanoseconds on the platform's
    /// presentation clock: CLOCK_MONOTONIC on Linux (the clock of
    /// std::chrono::steady_clock there), the performance counter on
    /// Windows, performance.now() in a browser. Later frames have later
    /// times.
    std::int64_t time = 0;
    /// The display's refresh interval in nanoseconds where the platform says
    /// or two counted refreshes show it; 0 where it is not known.
    std::int64_t refreshInterval = 0;
    /// The display's refresh counter at that time where the platform keeps
    /// one (the MSC on X11, the sequence on Wayland); else the count of
    /// frames shown since the window opened.
    std::uint64_t refresh = 0;
};

}  // namespace vxr
