#include "vxr/audio/resampler.h"

#include <cstring>

namespace vxr {

bool Resampler::prepare(std::int32_t fromRate, std::int32_t toRate, std::int32_t channels)
{
    if (fromRate < 1 || toRate < 1 || fromRate > MAX_RATIO * std::int64_t{toRate} ||
        toRate > MAX_RATIO * std::int64_t{fromRate} || channels < 1 || channels > MAX_CHANNELS)
        return false;
    // The ratio in 32.32, at most 2^38.
    step = (static_cast<std::uint64_t>(fromRate) << 32) / static_cast<std::uint64_t>(toRate);
    channelCount = channels;
    reset();
    return true;
}

void Resampler::reset()
{
    phase = 0;
    std::memset(window, 0, sizeof window);
}

std::int64_t Resampler::inputFor(std::int32_t outputFrames) const
{
    if (outputFrames <= 0) return 0;
    if (passesThrough()) return outputFrames;
    // A phase below 2^32 plus at most 2^24 steps of at most 2^38 stays
    // below 2^63.
    if (outputFrames > MAX_OUTPUT) outputFrames = MAX_OUTPUT;
    return static_cast<std::int64_t>((phase + static_cast<std::uint64_t>(outputFrames) * step) >> 32);
}

void Resampler::process(const float* input, float* output, std::int32_t outputFrames)
{
    if (passesThrough()) {
        std::memcpy(output, input,
                    static_cast<std::size_t>(outputFrames) * static_cast<std::size_t>(channelCount) *
                        sizeof(float));
        return;
    }
    const std::int32_t channels = channelCount;
    for (std::int32_t frame = 0; frame < outputFrames; ++frame) {
        const float t = static_cast<float>(phase) * (1.0f / 4294967296.0f);
        float* out = output + static_cast<std::int64_t>(frame) * channels;
        for (std::int32_t c = 0; c < channels; ++c) {
            const float x0 = window[0][c], x1 = window[1][c], x2 = window[2][c], x3 = window[3][c];
            const float c1 = 0.5f * (x2 - x0);
            const float c2 = x0 - 2.5f * x1 + 2.0f * x2 - 0.5f * x3;
            const float c3 = 0.5f * (x3 - x0) + 1.5f * (x1 - x2);
            out[c] = ((c3 * t + c2) * t + c1) * t + x1;
        }
        phase += step;
        while (phase >= ONE) {
            phase -= ONE;
            std::memmove(window[0], window[1], sizeof window[0] * 3);
            std::memcpy(window[3], input, static_cast<std::size_t>(channels) * sizeof(float));
            input += channels;
        }
    }
}

}  // namespace vxr
