#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace vxr::test {

// One channel's samples, as floats in [-1, 1].
using Signal = std::vector<float>;

// Goertzel's power of one frequency in a signal.
inline double powerAt(const Signal& signal, double frequency, double rate)
{
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * frequency / rate);
    double previous = 0.0, beforeThat = 0.0;
    for (const float sample : signal) {
        const double current = sample + coefficient * previous - beforeThat;
        beforeThat = previous;
        previous = current;
    }
    return previous * previous + beforeThat * beforeThat - coefficient * previous * beforeThat;
}

// The strongest frequency from low to high hertz: a scan in whole hertz,
// then a finer one around the best.
inline double strongestFrequency(const Signal& signal, double rate, double low = 50.0,
                                 double high = 2000.0)
{
    double best = low, bestPower = -1.0;
    for (double f = low; f <= high; f += 1.0) {
        const double power = powerAt(signal, f, rate);
        if (power > bestPower) bestPower = power, best = f;
    }
    const double around = best;
    for (double f = around - 1.0; f <= around + 1.0; f += 0.05) {
        const double power = powerAt(signal, f, rate);
        if (power > bestPower) bestPower = power, best = f;
    }
    return best;
}

// The signal's first and last sample louder than silence, or an empty span.
inline void soundingSpan(const Signal& signal, std::size_t& first, std::size_t& end,
                         float threshold = 1.0f / 256)
{
    first = 0;
    while (first < signal.size() && std::fabs(signal[first]) < threshold) ++first;
    end = signal.size();
    while (end > first && std::fabs(signal[end - 1]) < threshold) --end;
}

// Interleaved frames of a sine on each channel: channel c at frequencies[c].
inline std::vector<float> sineFrames(const std::vector<double>& frequencies, double rate,
                                     std::int64_t frames, float amplitude = 0.5f)
{
    const std::size_t channels = frequencies.size();
    std::vector<float> samples(static_cast<std::size_t>(frames) * channels);
    for (std::int64_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels; ++c)
            samples[static_cast<std::size_t>(i) * channels + c] = static_cast<float>(
                amplitude * std::sin(2.0 * M_PI * frequencies[c] * static_cast<double>(i) / rate));
    return samples;
}

// One channel of interleaved samples.
inline Signal channelOf(const std::vector<float>& interleaved, int channels, int channel)
{
    Signal signal;
    for (std::size_t i = static_cast<std::size_t>(channel); i < interleaved.size();
         i += static_cast<std::size_t>(channels))
        signal.push_back(interleaved[i]);
    return signal;
}

}  // namespace vxr::test
