#include "vxr/audio/sample_converter.h"

#include <cmath>
#include <cstring>

namespace vxr {
namespace {

constexpr float INT16_SCALE = 32768.0f;

float clipped(float sample)
{
    if (std::isnan(sample)) return 0.0f;
    return sample < -1.0f ? -1.0f : sample > 1.0f ? 1.0f : sample;
}

std::int16_t toInt16(float sample)
{
    // The inverse of the read's scale, so that every 16-bit sample returns
    // as it was; +1.0 alone lies one step beyond and is clipped.
    const float scaled = std::nearbyint(clipped(sample) * INT16_SCALE);
    return static_cast<std::int16_t>(scaled > 32767.0f ? 32767.0f : scaled);
}

}  // namespace

std::int32_t SampleConverter::bytesPerSample(SampleFormat format)
{
    return format == SampleFormat::Int16 ? 2 : 4;
}

void SampleConverter::toFloat(const void* from, SampleFormat format, float* to, std::int64_t count)
{
    if (format == SampleFormat::Float32) {
        std::memcpy(to, from, static_cast<std::size_t>(count) * sizeof(float));
        return;
    }
    const auto* samples = static_cast<const std::uint8_t*>(from);
    for (std::int64_t i = 0; i < count; ++i) {
        std::int16_t sample;
        std::memcpy(&sample, samples + i * 2, sizeof sample);
        to[i] = static_cast<float>(sample) / INT16_SCALE;
    }
}

void SampleConverter::fromFloat(const float* from, void* to, SampleFormat format,
                                std::int64_t count)
{
    auto* samples = static_cast<std::uint8_t*>(to);
    if (format == SampleFormat::Float32) {
        for (std::int64_t i = 0; i < count; ++i) {
            const float sample = clipped(from[i]);
            std::memcpy(samples + i * 4, &sample, sizeof sample);
        }
        return;
    }
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int16_t sample = toInt16(from[i]);
        std::memcpy(samples + i * 2, &sample, sizeof sample);
    }
}

void SampleConverter::remix(const float* from, std::int32_t fromChannels, float* to,
                            std::int32_t toChannels, std::int64_t frames)
{
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        const float* in = from + frame * fromChannels;
        float* out = to + frame * toChannels;
        if (toChannels == 1 && fromChannels > 1) {
            float sum = 0.0f;
            for (std::int32_t c = 0; c < fromChannels; ++c) sum += in[c];
            out[0] = sum / static_cast<float>(fromChannels);
            continue;
        }
        for (std::int32_t c = 0; c < toChannels; ++c) out[c] = in[c < fromChannels ? c : fromChannels - 1];
    }
}

}  // namespace vxr
