#pragma once

// What the output suites of every platform do with a stream: write a tone
// as a program's loop would, let it play out, and check what arrived.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/signal_analysis.h"
#include "vxr/audio/audio_stream.h"

namespace vxr::test {

// Writes samples as the queue takes them.
inline void writeAll(AudioStream& stream, const void* samples, std::int64_t frames, int bytesPerFrame)
{
    using namespace std::chrono_literals;
    const auto* at = static_cast<const std::uint8_t*>(samples);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (frames > 0 && std::chrono::steady_clock::now() < deadline) {
        const std::int64_t taken = stream.write(at, frames);
        at += taken * bytesPerFrame;
        frames -= taken;
        if (frames > 0) std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(frames, 0);
}

// Until the queue is empty and the device's buffer has played out.
inline void playOut(AudioStream& stream)
{
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (stream.queued() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * stream.latencyMilliseconds() + 100));
}

// A writer that stops: a tenth of a second of the tone at 48000 Hz, a pause
// of PAUSE_MILLISECONDS in which the program writes nothing, then the next
// tenth. The stream must count the pause as an underrun.
inline constexpr int PAUSE_MILLISECONDS = 200;

inline void playWithAPause(AudioStream& stream)
{
    const std::vector<float> tone = sineFrames({440.0, 660.0}, 48000, 9600);
    writeAll(stream, tone.data(), 4800, 8);
    playOut(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(PAUSE_MILLISECONDS));
    writeAll(stream, tone.data() + 4800 * 2, 4800, 8);
    playOut(stream);
    EXPECT_GE(stream.underruns(), 1u);
}

// A second of 440 Hz on the left and 660 Hz on the right arrived whole, in
// pitch, on its own side; side(c) reads channel c of what was captured.
template <typename ReadSide>
void expectOneSecondOfTone(ReadSide side, double rate)
{
    for (int channel = 0; channel < 2; ++channel) {
        const Signal signal = side(channel);
        std::size_t first = 0, end = 0;
        soundingSpan(signal, first, end);
        ASSERT_GT(end, first) << "nothing arrived on channel " << channel;
        EXPECT_NEAR(static_cast<double>(end - first), rate, rate * 0.05) << "channel " << channel;
        const Signal sounding(signal.begin() + static_cast<std::ptrdiff_t>(first),
                              signal.begin() + static_cast<std::ptrdiff_t>(end));
        EXPECT_NEAR(strongestFrequency(sounding, rate), channel == 0 ? 440.0 : 660.0, 1.0)
            << "channel " << channel;
    }
}

// The longest run of exact silence between the first and last sound.
inline std::size_t longestSilence(const Signal& signal)
{
    std::size_t first = 0, end = 0;
    soundingSpan(signal, first, end);
    std::size_t longest = 0, run = 0;
    for (std::size_t i = first; i < end; ++i) {
        run = signal[i] == 0.0f ? run + 1 : 0;
        if (run > longest) longest = run;
    }
    return longest;
}

}  // namespace vxr::test
