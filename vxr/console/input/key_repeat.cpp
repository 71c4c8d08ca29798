#include "vxr/console/input/key_repeat.h"

namespace vxr {

void KeyRepeat::configure(std::int32_t ratePerSecond, std::int32_t delayMilliseconds)
{
    if (ratePerSecond <= 0) {
        interval = Clock::duration::zero();
        stop();
    } else {
        interval = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) /
                   ratePerSecond;
    }
    delay = std::chrono::milliseconds(delayMilliseconds > 0 ? delayMilliseconds : 0);
}

void KeyRepeat::pressed(std::uint32_t key, Clock::time_point now)
{
    if (interval <= Clock::duration::zero()) return;
    repeatingKey = key;
    next = now + delay;
    active = true;
}

void KeyRepeat::released(std::uint32_t key)
{
    if (active && key == repeatingKey) stop();
}

void KeyRepeat::stop()
{
    active = false;
    repeatingKey = 0;
}

std::int32_t KeyRepeat::takeDue(Clock::time_point now)
{
    if (!active || now < next) return 0;
    std::int32_t due = 0;
    while (next <= now && due < MAX_BURST) {
        next += interval;
        ++due;
    }
    // What a long sleep left over is skipped, not delivered later.
    if (next <= now) next = now + interval;
    return due;
}

int KeyRepeat::millisecondsUntilNext(Clock::time_point now) const
{
    if (!active) return -1;
    if (next <= now) return 0;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now);
    return wait.count() > 60000 ? 60000 : static_cast<int>(wait.count());
}

}  // namespace vxr
