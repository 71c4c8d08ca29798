// The parts of a stream that need no sound device: the resampler, the
// sample conversions, the queue, and what the audio thread renders from
// them (underruns, pause, clear), driven period by period.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "audio/signal_analysis.h"
#include "vxr/audio/audio_playback.h"
#include "vxr/audio/resampler.h"
#include "vxr/audio/sample_converter.h"
#include "vxr/audio/sample_queue.h"

namespace vxr {
namespace {

using test::Signal;

std::vector<float> resampleInPieces(Resampler& resampler, const std::vector<float>& input,
                                    int channels, std::int64_t outputFrames, std::mt19937& pieces)
{
    std::vector<float> output(static_cast<std::size_t>(outputFrames * channels));
    std::int64_t made = 0, used = 0;
    while (made < outputFrames) {
        const auto piece = static_cast<std::int32_t>(
            std::min<std::int64_t>(outputFrames - made, 1 + pieces() % 700));
        const std::int64_t needed = resampler.inputFor(piece);
        if (used + needed > static_cast<std::int64_t>(input.size()) / channels) break;
        resampler.process(input.data() + used * channels, output.data() + made * channels, piece);
        used += needed;
        made += piece;
    }
    output.resize(static_cast<std::size_t>(made * channels));
    return output;
}

TEST(Resampler, ASineKeepsItsPitchAndLengthAcrossRatesInPiecesOfAnySize)
{
    const struct {
        int from, to;
    } rates[] = {{44100, 48000}, {48000, 44100}, {22050, 48000}, {96000, 44100}, {8000, 192000}};
    for (const auto& rate : rates) {
        Resampler resampler;
        ASSERT_TRUE(resampler.prepare(rate.from, rate.to, 2));
        const std::vector<float> input = test::sineFrames({440.0, 1000.0}, rate.from, rate.from);
        std::mt19937 pieces(7);
        const std::vector<float> output = resampleInPieces(resampler, input, 2, rate.to - 4, pieces);
        // One second in, one second out, less the curve's few frames.
        EXPECT_GE(output.size() / 2, static_cast<std::size_t>(rate.to - 4)) << rate.from;
        EXPECT_NEAR(test::strongestFrequency(test::channelOf(output, 2, 0), rate.to), 440.0, 0.5)
            << rate.from << " -> " << rate.to;
        EXPECT_NEAR(test::strongestFrequency(test::channelOf(output, 2, 1), rate.to), 1000.0, 0.5)
            << rate.from << " -> " << rate.to;
        // Pieces or one go, the same frames.
        Resampler whole;
        ASSERT_TRUE(whole.prepare(rate.from, rate.to, 2));
        std::vector<float> once(output.size());
        whole.process(input.data(), once.data(), static_cast<std::int32_t>(output.size() / 2));
        EXPECT_EQ(once, output) << rate.from << " -> " << rate.to;
    }
}

TEST(Resampler, EqualRatesPassFramesAsTheyAreAndBadRatesAreRefused)
{
    Resampler resampler;
    ASSERT_TRUE(resampler.prepare(48000, 48000, 1));
    EXPECT_TRUE(resampler.passesThrough());
    const float input[3] = {0.25f, -1.0f, 0.5f};
    float output[3] = {};
    EXPECT_EQ(resampler.inputFor(3), 3);
    resampler.process(input, output, 3);
    EXPECT_EQ(std::memcmp(input, output, sizeof input), 0);
    EXPECT_FALSE(resampler.prepare(0, 48000, 1));
    EXPECT_FALSE(resampler.prepare(1000, 192000, 1));  // further apart than it steps
    EXPECT_FALSE(resampler.prepare(48000, 44100, 0));
    EXPECT_FALSE(resampler.prepare(48000, 44100, Resampler::MAX_CHANNELS + 1));
    // The most a call makes, at the widest ratio, is counted without overflow.
    ASSERT_TRUE(resampler.prepare(192000, 3000, 1));
    EXPECT_EQ(resampler.inputFor(Resampler::MAX_OUTPUT), std::int64_t{Resampler::MAX_OUTPUT} * 64);
}

TEST(SampleConverter, SixteenBitSamplesRoundTripAndFloatsAreClippedNotWrapped)
{
    const std::int16_t samples[5] = {-32768, -1, 0, 1, 32767};
    float floats[5];
    SampleConverter::toFloat(samples, SampleFormat::Int16, floats, 5);
    EXPECT_FLOAT_EQ(floats[0], -1.0f);
    EXPECT_FLOAT_EQ(floats[4], 32767.0f / 32768.0f);
    std::int16_t back[5];
    SampleConverter::fromFloat(floats, back, SampleFormat::Int16, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(back[i], samples[i]) << i;

    const float wild[4] = {2.5f, -7.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity()};
    std::int16_t clipped[4];
    SampleConverter::fromFloat(wild, clipped, SampleFormat::Int16, 4);
    EXPECT_EQ(clipped[0], 32767);
    EXPECT_EQ(clipped[1], -32768);
    EXPECT_EQ(clipped[2], 0);
    EXPECT_EQ(clipped[3], 32767);
    float clippedFloats[4];
    SampleConverter::fromFloat(wild, clippedFloats, SampleFormat::Float32, 4);
    EXPECT_EQ(clippedFloats[0], 1.0f);
    EXPECT_EQ(clippedFloats[2], 0.0f);
}

TEST(SampleConverter, MonoGoesToEveryChannelAndStereoToMonoAsTheMean)
{
    const float mono[2] = {0.5f, -0.25f};
    float stereo[4];
    SampleConverter::remix(mono, 1, stereo, 2, 2);
    EXPECT_EQ(stereo[0], 0.5f);
    EXPECT_EQ(stereo[1], 0.5f);
    EXPECT_EQ(stereo[3], -0.25f);
    const float pair[4] = {1.0f, 0.0f, -0.5f, -0.5f};
    float down[2];
    SampleConverter::remix(pair, 2, down, 1, 2);
    EXPECT_EQ(down[0], 0.5f);
    EXPECT_EQ(down[1], -0.5f);
}

TEST(SampleQueue, TakesWhatFitsAndHandsFramesBackInOrderAcrossTheRingsEnd)
{
    SampleQueue queue;
    ASSERT_TRUE(queue.reserve(5, 2));
    const float frames[14] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6};
    EXPECT_EQ(queue.push(frames, 3), 3);
    float out[14] = {};
    EXPECT_EQ(queue.pop(out, 2), 2);
    EXPECT_EQ(out[2], 1.0f);
    // Four frames more: only four fit, and two of them wrap.
    EXPECT_EQ(queue.push(frames + 6, 5), 4);
    EXPECT_EQ(queue.size(), 5);
    EXPECT_EQ(queue.pop(out, 9), 5);
    const float expected[10] = {2, 2, 3, 3, 4, 4, 5, 5, 6, 6};
    EXPECT_EQ(std::memcmp(out, expected, sizeof expected), 0);
    EXPECT_EQ(queue.pop(out, 1), 0);
}

// A device whose periods the test asks for one at a time: the stream's
// audio thread made steerable, with nothing else replaced.
class SteppedDevice : public AudioDevice {
public:
    explicit SteppedDevice(DeviceFormat format, AudioSource** source) : format(format), source(source) {}
    bool open(const DeviceFormat&, DeviceFormat& granted) override
    {
        granted = format;
        return true;
    }
    bool start(AudioSource& feed) override
    {
        *source = &feed;
        return true;
    }
    void stop() override { *source = nullptr; }

private:
    DeviceFormat format;
    AudioSource** source;
};

struct SteppedStream {
    AudioSource* source = nullptr;
    AudioPlayback playback;
    std::vector<float> period;

    SteppedStream(const AudioOptions& options, int deviceRate)
        : playback(options), period(480 * 2)
    {
        DeviceFormat format{deviceRate, 2, SampleFormat::Float32, 480, 1920};
        EXPECT_TRUE(playback.start(std::make_unique<SteppedDevice>(format, &source)));
    }
    // One period, 480 stereo frames, as the audio thread renders it.
    const std::vector<float>& play()
    {
        std::fill(period.begin(), period.end(), 99.0f);
        source->render(period.data(), 480);
        return period;
    }
};

bool silent(const std::vector<float>& samples)
{
    return std::all_of(samples.begin(), samples.end(), [](float s) { return s == 0.0f; });
}

TEST(AudioPlayback, ADryQueuePlaysSilenceAndEachDrySpellIsOneUnderrun)
{
    SteppedStream stream({.sampleRate = 48000, .channels = 1, .queueMilliseconds = 100}, 48000);
    // Before the first write the silence is no underrun.
    EXPECT_TRUE(silent(stream.play()));
    EXPECT_EQ(stream.playback.underruns(), 0u);
    const std::vector<float> tone = test::sineFrames({440.0}, 48000, 600);
    EXPECT_EQ(stream.playback.write(tone.data(), 600), 600);
    const std::vector<float>& first = stream.play();
    // Mono goes to both channels, frame for frame.
    EXPECT_EQ(first[2 * 100], tone[100]);
    EXPECT_EQ(first[2 * 100 + 1], tone[100]);
    // 120 frames left, then silence: never the old frames again.
    const std::vector<float>& second = stream.play();
    EXPECT_EQ(second[2 * 119], tone[599]);
    EXPECT_TRUE(std::all_of(second.begin() + 240, second.end(), [](float s) { return s == 0.0f; }));
    EXPECT_EQ(stream.playback.underruns(), 1u);
    EXPECT_TRUE(silent(stream.play()));
    EXPECT_EQ(stream.playback.underruns(), 1u);  // the same dry spell
    EXPECT_EQ(stream.playback.write(tone.data(), 600), 600);
    stream.play();
    stream.play();
    EXPECT_EQ(stream.playback.underruns(), 2u);
}

TEST(AudioPlayback, PauseKeepsTheQueueAndClearForgetsItWithoutUnderruns)
{
    SteppedStream stream({.sampleRate = 48000, .channels = 2, .format = SampleFormat::Int16,
                          .queueMilliseconds = 100},
                         48000);
    std::vector<std::int16_t> samples(2 * 960, 16384);
    EXPECT_EQ(stream.playback.write(samples.data(), 960), 960);
    stream.playback.setPaused(true);
    EXPECT_TRUE(silent(stream.play()));
    EXPECT_EQ(stream.playback.queued(), 960);
    stream.playback.setPaused(false);
    EXPECT_EQ(stream.play()[0], 0.5f);
    EXPECT_EQ(stream.playback.queued(), 480);
    stream.playback.clear();
    EXPECT_EQ(stream.playback.queued(), 0);
    EXPECT_TRUE(silent(stream.play()));
    EXPECT_EQ(stream.playback.underruns(), 0u);
}

TEST(AudioPlayback, WritesTakeWhatFitsAndNothingOnceTheDeviceIsLost)
{
    SteppedStream stream({.sampleRate = 44100, .channels = 2, .queueMilliseconds = 100}, 48000);
    EXPECT_EQ(stream.playback.capacity(), 4410);
    const std::vector<float> tone = test::sineFrames({440.0, 440.0}, 44100, 10000);
    EXPECT_EQ(stream.playback.write(tone.data(), 10000), 4410);
    EXPECT_EQ(stream.playback.write(tone.data(), 1), 0);
    EXPECT_EQ(stream.playback.write(nullptr, 10), 0);
    EXPECT_EQ(stream.playback.write(tone.data(), 0), 0);
    // 480 frames at 48 kHz take 441 at 44.1 kHz, give or take the phase.
    stream.play();
    EXPECT_NEAR(static_cast<double>(stream.playback.queued()), 4410.0 - 441.0, 2.0);
    stream.source->deviceLost("the server went away");
    EXPECT_TRUE(stream.playback.failed());
    EXPECT_EQ(stream.playback.write(tone.data(), 10), 0);
    char why[64];
    stream.playback.lossReason(why, sizeof why);
    EXPECT_STREQ(why, "the server went away");
}

// A pull stream's callback is asked for exactly the frames each period
// takes, in the stream's own format.
TEST(AudioPlayback, APullStreamsCallbackFillsEveryPeriod)
{
    struct Counter {
        std::int64_t frames = 0;
        static void fill(void* self, void* samples, std::int32_t frames)
        {
            auto* counter = static_cast<Counter*>(self);
            auto* out = static_cast<std::int16_t*>(samples);
            for (std::int32_t i = 0; i < frames; ++i) out[i] = 8192;
            counter->frames += frames;
        }
    } counter;
    SteppedStream stream({.sampleRate = 48000, .channels = 1, .format = SampleFormat::Int16,
                          .callback = Counter::fill, .callbackData = &counter},
                         48000);
    EXPECT_EQ(stream.play()[7], 0.25f);
    EXPECT_EQ(counter.frames, 480);
    const std::int16_t some[4] = {};
    EXPECT_EQ(stream.playback.write(some, 4), 0);
}

}  // namespace
}  // namespace vxr
