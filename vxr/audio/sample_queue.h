#pragma once

#include <cstdint>
#include <memory>

namespace vxr {

// The frames a push stream has written and the device has not yet taken,
// as float samples in a ring of fixed capacity, so that a writer far ahead
// costs a bounded amount of memory and is told how much was taken. Not
// locked itself: its stream guards it.
class SampleQueue {
public:
    // False when the memory could not be had.
    bool reserve(std::int64_t frames, std::int32_t channels);
    // Takes up to frames frames; returns how many fit.
    std::int64_t push(const float* samples, std::int64_t frames);
    // Hands out up to frames frames, oldest first; returns how many.
    std::int64_t pop(float* samples, std::int64_t frames);
    void clear() { first = count = 0; }
    std::int64_t size() const { return count; }
    std::int64_t capacity() const { return frameCapacity; }
    std::int64_t room() const { return frameCapacity - count; }

private:
    std::unique_ptr<float[]> ring;
    std::int64_t frameCapacity = 0;
    std::int32_t channelCount = 1;
    std::int64_t first = 0;
    std::int64_t count = 0;
};

}  // namespace vxr
