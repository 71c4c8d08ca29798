#pragma once

#include <cstdint>

namespace vxr {

// Changes a stream's rate as it plays: each output frame is a cubic
// (Catmull-Rom) curve through the four input frames around it, stepped in
// 32.32 fixed point so that no error builds up over hours of sound. Kept
// between calls, so a stream resamples in pieces of any size as if whole.
class Resampler {
public:
    static constexpr std::int32_t MAX_CHANNELS = 8;
    // The rates differ by at most this factor either way.
    static constexpr std::int64_t MAX_RATIO = 64;
    // The most output frames one call makes.
    static constexpr std::int32_t MAX_OUTPUT = 1 << 24;

    // False for rates further apart than MAX_RATIO, a rate below 1, or
    // channels outside 1 to MAX_CHANNELS.
    bool prepare(std::int32_t fromRate, std::int32_t toRate, std::int32_t channels);
    // Equal rates: frames pass as they are, without the curve's delay.
    bool passesThrough() const { return step == ONE; }
    // How many input frames the next outputFrames output frames take.
    std::int64_t inputFor(std::int32_t outputFrames) const;
    // Makes outputFrames (at most MAX_OUTPUT) frames from exactly
    // inputFor(outputFrames) frames.
    void process(const float* input, float* output, std::int32_t outputFrames);
    // Forgets the frames kept from before: the next output starts silent.
    void reset();

private:
    static constexpr std::uint64_t ONE = std::uint64_t{1} << 32;

    std::uint64_t step = ONE;
    std::uint64_t phase = 0;
    std::int32_t channelCount = 1;
    // The four frames the curve runs through, oldest first, per channel.
    float window[4][MAX_CHANNELS] = {};
};

}  // namespace vxr
