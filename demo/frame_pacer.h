#pragma once

#include <chrono>

namespace demo {

// Keeps frames at least a set time apart. The demo's clock counts frames,
// so a display whose retrace wait returns at once (as Wine's does, and as
// the GDI console's does by design) would otherwise race through the phases
// in a blink. The limit lies above a 60 Hz retrace, so where the retrace
// wait is real it never has to wait.
class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit FramePacer(std::chrono::microseconds interval) : interval(interval) {}

    // Waits until the interval since the previous frame has passed.
    void waitForNextFrame();
    // The time at which a frame asked for at now may go, and books the one
    // after it. A frame that ran late starts a new schedule instead of
    // rushing the next ones to catch up.
    Clock::time_point nextFrameTime(Clock::time_point now);

private:
    std::chrono::microseconds interval;
    Clock::time_point due{};
};

}  // namespace demo
