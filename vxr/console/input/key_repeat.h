#pragma once

#include <chrono>
#include <cstdint>

namespace vxr {

// Repeats a held key at a rate after a delay, for platforms that leave
// repeating to the client (Wayland sends the rate and delay, not the
// repeats). The window thread tells it of presses and releases, asks how
// long it may sleep, and asks how many repeats fell due when it wakes.
// Only the last key pressed repeats, as on every desktop.
class KeyRepeat {
public:
    using Clock = std::chrono::steady_clock;

    // Repeats per second (0 switches repeating off) and the delay before the
    // first one; negative values count as 0.
    void configure(std::int32_t ratePerSecond, std::int32_t delayMilliseconds);
    void pressed(std::uint32_t key, Clock::time_point now);
    // Stops only when the repeating key is the one released.
    void released(std::uint32_t key);
    void stop();

    bool isRepeating() const { return active; }
    std::uint32_t key() const { return repeatingKey; }
    // Repeats due by now, taken: the next call counts from there. A thread
    // that slept long gets at most a burst of MAX_BURST.
    std::int32_t takeDue(Clock::time_point now);
    // How long the thread may wait before the next repeat, in whole
    // milliseconds rounded up; -1 when nothing repeats.
    int millisecondsUntilNext(Clock::time_point now) const;

    static constexpr std::int32_t MAX_BURST = 32;

private:
    Clock::duration interval{};
    Clock::duration delay{};
    Clock::time_point next{};
    std::uint32_t repeatingKey = 0;
    bool active = false;
};

}  // namespace vxr
