#include "vxr/audio/sample_queue.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vxr {

bool SampleQueue::reserve(std::int64_t frames, std::int32_t channels)
{
    ring.reset(new (std::nothrow) float[static_cast<std::size_t>(frames * channels)]);
    frameCapacity = ring ? frames : 0;
    channelCount = channels;
    clear();
    return ring != nullptr;
}

std::int64_t SampleQueue::push(const float* samples, std::int64_t frames)
{
    const std::int64_t taken = std::min(frames, room());
    // At most two runs: up to the ring's end, then from its start.
    std::int64_t done = 0;
    while (done < taken) {
        const std::int64_t at = (first + count) % frameCapacity;
        const std::int64_t run = std::min(taken - done, frameCapacity - at);
        std::memcpy(ring.get() + at * channelCount, samples + done * channelCount,
                    static_cast<std::size_t>(run * channelCount) * sizeof(float));
        done += run;
        count += run;
    }
    return taken;
}

std::int64_t SampleQueue::pop(float* samples, std::int64_t frames)
{
    const std::int64_t given = std::min(frames, count);
    std::int64_t done = 0;
    while (done < given) {
        const std::int64_t run = std::min(given - done, frameCapacity - first);
        std::memcpy(samples + done * channelCount, ring.get() + first * channelCount,
                    static_cast<std::size_t>(run * channelCount) * sizeof(float));
        done += run;
        first = (first + run) % frameCapacity;
        count -= run;
    }
    if (count == 0) first = 0;
    return given;
}

}  // namespace vxr
