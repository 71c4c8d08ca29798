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
#include "audio/stream_playing.h"
#include "vxr/audio/audio_stream.h"
#include "vxr/audio/sample_converter.h"

namespace vxr {
namespace {

using namespace std::chrono_literals;

// A second of 440 Hz on the left and 660 Hz on the right arrives whole, in
// pitch, on its own side.
void expectOneSecondOfTone(const test::AlsaCapture& capture, const AudioStream& stream)
{
    test::expectOneSecondOfTone([&](int side) { return capture.channel(stream, side); },
                                stream.deviceRate());
}

TEST(AlsaOutput, ASecondOfFloatSamplesArrivesWholeInPitchAndOnItsSide)
{
    test::AlsaCapture capture;
    std::vector<float> tone = test::sineFrames({440.0, 660.0}, 48000, 48000);
    {
        AudioStream stream({.sampleRate = 48000});
        ASSERT_TRUE(stream.isOpen()) << stream.error();
        EXPECT_EQ(stream.deviceRate(), 48000);
        test::writeAll(stream, tone.data(), 48000, 8);
        test::playOut(stream);
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
    test::writeAll(stream, samples.data(), 44100, 4);
    test::playOut(stream);
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
    test::writeAll(stream, tone.data(), 44100, 8);
    test::playOut(stream);
    expectOneSecondOfTone(capture, stream);
}

TEST(AlsaOutput, AWriterThatStopsGetsSilenceThereAndAnUnderrun)
{
    test::AlsaCapture capture;
    AudioStream stream({.sampleRate = 48000});
    ASSERT_TRUE(stream.isOpen()) << stream.error();
    test::playWithAPause(stream);
    // Between the two halves, silence at least as long as the wait.
    const test::Signal left = capture.channel(stream, 0);
    EXPECT_GE(test::longestSilence(left), 48u * test::PAUSE_MILLISECONDS);
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
