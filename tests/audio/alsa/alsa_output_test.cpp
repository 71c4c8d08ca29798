// Sound through the real libasound: the test's own ALSA configuration makes
// the default output a file plugin over the null device, so that every
// sample the stream plays lands in a file the test reads back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/alsa/alsa_capture.h"
#include "audio/signal_analysis.h"
#include "vxr/audio/audio_stream.h"
#include "vxr/audio/sample_converter.h"

namespace vxr {
namespace {

using namespace std::chrono_literals;

// Writes samples as the queue takes them, as a program's loop would.
void writeAll(AudioStream& stream, const void* samples, std::int64_t frames, int bytesPerFrame)
{
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
void playOut(AudioStream& stream)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (stream.queued() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * stream.latencyMilliseconds() + 50));
}

// A second of 440 Hz on the left and 660 Hz on the right arrives whole, in
// pitch, on its own side.
void expectOneSecondOfTone(const test::AlsaCapture& capture, const AudioStream& stream)
{
    const double rate = stream.deviceRate();
    for (int side = 0; side < 2; ++side) {
        const test::Signal signal = capture.channel(stream, side);
        std::size_t first = 0, end = 0;
        test::soundingSpan(signal, first, end);
        ASSERT_GT(end, first) << "nothing arrived on channel " << side;
        EXPECT_NEAR(static_cast<double>(end - first), rate, rate * 0.05) << "channel " << side;
        const test::Signal sounding(signal.begin() + static_cast<std::ptrdiff_t>(first),
                                    signal.begin() + static_cast<std::ptrdiff_t>(end));
        EXPECT_NEAR(test::strongestFrequency(sounding, rate), side == 0 ? 440.0 : 660.0, 1.0)
            << "channel " << side;
    }
}

TEST(AlsaOutput, ASecondOfFloatSamplesArrivesWholeInPitchAndOnItsSide)
{
    test::AlsaCapture capture;
    std::vector<float> tone = test::sineFrames({440.0, 660.0}, 48000, 48000);
    {
        AudioStream stream({.sampleRate = 48000});
        ASSERT_TRUE(stream.isOpen()) << stream.error();
        EXPECT_EQ(stream.deviceRate(), 48000);
        writeAll(stream, tone.data(), 48000, 8);
        playOut(stream);
        expectOneSecondOfTone(capture, stream);
        EXPECT_FALSE(stream.failed());
    }
}

TEST(AlsaOutput, SixteenBitSamplesArriveAsWell)
{
    test::AlsaCapture capture;
    const std::vector<float> tone = test::sineFrames({440.0, 660.0}, 44100, 44100);
    std::vector<std::int16_t> samples(tone.size());
    SampleConverter::fromFloat(tone.data(), samples.data(), SampleFormat::Int16,
                               static_cast<std::int64_t>(tone.size()));
    AudioStream stream({.sampleRate = 44100, .format = SampleFormat::Int16});
    ASSERT_TRUE(stream.isOpen()) << stream.error();
    EXPECT_EQ(stream.deviceFormat(), SampleFormat::Int16);
    writeAll(stream, samples.data(), 44100, 4);
    playOut(stream);
    expectOneSecondOfTone(capture, stream);
}

TEST(AlsaOutput, ARateTheDeviceDoesNotRunAtIsResampledByTheStream)
{
    // A fixed rate behind a plug: the stream must resample itself.
    test::AlsaCapture capture("rate 48000;");
    const std::vector<float> tone = test::sineFrames({440.0, 660.0}, 44100, 44100);
    AudioStream stream({.sampleRate = 44100});
    ASSERT_TRUE(stream.isOpen()) << stream.error();
    EXPECT_EQ(stream.sampleRate(), 44100);
    EXPECT_EQ(stream.deviceRate(), 48000);
    writeAll(stream, tone.data(), 44100, 8);
    playOut(stream);
    expectOneSecondOfTone(capture, stream);
}

TEST(AlsaOutput, AWriterThatStopsGetsSilenceThereAndAnUnderrun)
{
    test::AlsaCapture capture;
    const std::vector<float> tone = test::sineFrames({440.0, 660.0}, 48000, 9600);
    AudioStream stream({.sampleRate = 48000});
    ASSERT_TRUE(stream.isOpen()) << stream.error();
    writeAll(stream, tone.data(), 4800, 8);
    playOut(stream);
    std::this_thread::sleep_for(200ms);
    writeAll(stream, tone.data() + 4800 * 2, 4800, 8);
    playOut(stream);
    EXPECT_GE(stream.underruns(), 1u);
    // Between the two halves, silence at least as long as the wait.
    const test::Signal left = capture.channel(stream, 0);
    std::size_t first = 0, end = 0;
    test::soundingSpan(left, first, end);
    std::size_t longestGap = 0, gap = 0;
    for (std::size_t i = first; i < end; ++i) {
        gap = left[i] == 0.0f ? gap + 1 : 0;
        longestGap = std::max(longestGap, gap);
    }
    EXPECT_GE(longestGap, 48000u / 5);
}

TEST(AlsaOutput, ADeviceThatCannotBeOpenedFailsWithAReason)
{
    test::AlsaCapture capture;
    const std::string missing = ::testing::TempDir() + "vxr_no_device.conf";
    std::ofstream(missing) << "pcm.!default { type hw; card 99 }\n";
    setenv("ALSA_CONFIG_PATH", missing.c_str(), 1);
    AudioStream stream;
    EXPECT_FALSE(stream.isOpen());
    EXPECT_NE(std::string(stream.error()).find("default"), std::string::npos) << stream.error();
    EXPECT_EQ(stream.write("", 0), 0);
    EXPECT_EQ(stream.queued(), 0);
    AudioStream refused({.sampleRate = 1000});
    EXPECT_FALSE(refused.isOpen());
    EXPECT_NE(std::string(refused.error()).find("sample rate"), std::string::npos);
}

}  // namespace
}  // namespace vxr
