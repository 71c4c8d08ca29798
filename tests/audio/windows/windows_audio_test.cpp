// Sound through Wine's own audio stack: the suite's runner makes Wine use
// its ALSA driver and points ALSA_CONFIG_PATH at a file this test rewrites
// for each case, whose default output is the file plugin over the null
// device. Every sample Wine's mixer hands to ALSA lands in a capture file
// the test reads back.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/signal_analysis.h"
#include "audio/stream_playing.h"
#include "vxr/audio/audio_stream.h"
#include "vxr/audio/sample_converter.h"
#include "vxr/audio/windows/wave_out_device.h"

namespace vxr {
namespace {

using namespace std::chrono_literals;

// The capture's own format, fixed by a plug in front of the file: whatever
// Wine opens ALSA with, the file holds 16-bit stereo at this rate.
constexpr int CAPTURE_RATE = 48000;
constexpr int CAPTURE_CHANNELS = 2;
// Wine's mixer drains a null device several times faster than real time,
// so a writer held up for a few scheduler slices would race it and leave
// gaps no real device would: the tone cases queue their second whole.
constexpr int WHOLE_TONE_QUEUE_MILLISECONDS = 2000;

// The Unix path ALSA reads, and the same path as this Windows program
// reaches it through the drive Wine maps to the root.
std::string unixConfigPath()
{
    const char* path = std::getenv("ALSA_CONFIG_PATH");
    return path ? path : "";
}

std::string windowsPath(const std::string& unixPath) { return "Z:" + unixPath; }

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

// Rewrites the configuration under a new inode, so that ALSA, which
// reloads a configuration whose file changed, reads it at the next open.
void writeConfig(const std::string& text)
{
    const std::string target = windowsPath(unixConfigPath());
    const std::string staged = target + ".new";
    {
        std::ofstream out(staged, std::ios::trunc);
        out << text;
    }
    ASSERT_TRUE(MoveFileExA(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        << "could not write " << target;
}

class WineCapture {
public:
    enum class Device { AnyFormat, IntegerOnly, Missing };

    explicit WineCapture(Device device = Device::AnyFormat)
    {
        unixCapture = folderOf(unixConfigPath()) + "capture_" + std::to_string(++cases) + ".raw";
        DeleteFileA(windowsPath(unixCapture).c_str());
        const std::string file = "{ type file; slave.pcm { type null }; file \"" + unixCapture +
                                 "\"; format \"raw\" }";
        const std::string fixed = "{ type plug; slave { pcm " + file + "; format S16_LE; rate " +
                                  std::to_string(CAPTURE_RATE) + "; channels " +
                                  std::to_string(CAPTURE_CHANNELS) + " } }";
        if (device == Device::AnyFormat) writeConfig("pcm.!default " + fixed + "\n");
        // Integer samples only in front of the capture: Wine's mixer then
        // runs on 16-bit samples rather than float.
        if (device == Device::IntegerOnly)
            writeConfig("pcm.!default { type linear; slave { pcm " + fixed + "; format S16_LE } }\n");
        if (device == Device::Missing) writeConfig("pcm.!default { type hw; card 99 }\n");
    }

    test::Signal channel(int which) const
    {
        std::ifstream in(windowsPath(unixCapture), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        const auto count = static_cast<std::int64_t>(bytes.size()) / 2;
        std::vector<float> all(static_cast<std::size_t>(count));
        SampleConverter::toFloat(bytes.data(), SampleFormat::Int16, all.data(), count);
        return test::channelOf(all, CAPTURE_CHANNELS, which);
    }

private:
    static inline int cases = 0;
    std::string unixCapture;
};

// Every case's tone, as the capture holds it.
void expectOneSecondOfTone(const WineCapture& capture)
{
    test::expectOneSecondOfTone([&](int side) { return capture.channel(side); }, CAPTURE_RATE);
}

// A second of the tone, written as 16-bit samples at the stream's rate.
void playSixteenBitTone(AudioStream& stream)
{
    const int rate = stream.sampleRate();
    const std::vector<float> tone = test::sineFrames({440.0, 660.0}, rate, rate);
    std::vector<std::int16_t> samples(tone.size());
    SampleConverter::fromFloat(tone.data(), samples.data(), SampleFormat::Int16,
                               static_cast<std::int64_t>(tone.size()));
    test::writeAll(stream, samples.data(), rate, 4);
    test::playOut(stream);
}

TEST(WasapiOutput, ASecondOfFloatSamplesArrivesWholeInPitchAndOnItsSide)
{
    WineCapture capture;
    const std::vector<float> tone = test::sineFrames({440.0, 660.0}, 48000, 48000);
    {
        AudioStream stream({.sampleRate = 48000, .queueMilliseconds = WHOLE_TONE_QUEUE_MILLISECONDS});
        ASSERT_TRUE(stream.isOpen()) << stream.error();
        // Wine's mixer runs in float at 48 kHz here: no resampling.
        EXPECT_EQ(stream.deviceFormat(), SampleFormat::Float32);
        EXPECT_EQ(stream.deviceRate(), 48000);
        EXPECT_EQ(stream.deviceChannels(), 2);
        EXPECT_GT(stream.latencyMilliseconds(), 0);
        test::writeAll(stream, tone.data(), 48000, 8);
        test::playOut(stream);
        EXPECT_FALSE(stream.failed()) << stream.error();
    }
    expectOneSecondOfTone(capture);
}

TEST(WasapiOutput, AMixerOfSixteenBitSamplesIsWrittenInItsOwnFormat)
{
    WineCapture capture(WineCapture::Device::IntegerOnly);
    {
        AudioStream stream({.sampleRate = 48000,
                             .format = SampleFormat::Int16,
                             .queueMilliseconds = WHOLE_TONE_QUEUE_MILLISECONDS});
        ASSERT_TRUE(stream.isOpen()) << stream.error();
        EXPECT_EQ(stream.deviceFormat(), SampleFormat::Int16);
        playSixteenBitTone(stream);
    }
    expectOneSecondOfTone(capture);
}

TEST(WasapiOutput, SixteenBitSamplesAt44100AreResampledByTheStreamToTheMixer)
{
    WineCapture capture;
    {
        AudioStream stream({.sampleRate = 44100,
                             .format = SampleFormat::Int16,
                             .queueMilliseconds = WHOLE_TONE_QUEUE_MILLISECONDS});
        ASSERT_TRUE(stream.isOpen()) << stream.error();
        EXPECT_EQ(stream.deviceRate(), 48000);
        EXPECT_EQ(stream.deviceFormat(), SampleFormat::Float32);
        playSixteenBitTone(stream);
    }
    expectOneSecondOfTone(capture);
}

TEST(WasapiOutput, AWriterThatStopsGetsSilenceThereAndAnUnderrun)
{
    WineCapture capture;
    {
        AudioStream stream({.sampleRate = 48000});
        ASSERT_TRUE(stream.isOpen()) << stream.error();
        test::playWithAPause(stream);
    }
    // Between the two halves, silence at least as long as the wait.
    EXPECT_GE(test::longestSilence(capture.channel(0)),
              static_cast<std::size_t>(CAPTURE_RATE / 1000 * test::PAUSE_MILLISECONDS));
}

DeviceFormat stereoWish(std::int32_t rate)
{
    DeviceFormat wished;
    wished.rate = rate;
    wished.channels = 2;
    wished.format = SampleFormat::Float32;
    wished.bufferFrames = rate / 20;
    return wished;
}

// The fallback, opened by itself: the same tone through waveOut's mapper.
class RecordedSource final : public AudioSource {
public:
    RecordedSource(std::vector<float> frames, const DeviceFormat& granted)
        : tone(std::move(frames)), format(granted) {}

    void render(void* samples, std::int32_t frames) override
    {
        const std::int64_t count = std::int64_t{frames} * format.channels;
        std::vector<float> out(static_cast<std::size_t>(count), 0.0f);
        for (std::int64_t i = 0; i < count && next < tone.size(); ++i) out[i] = tone[next++];
        SampleConverter::fromFloat(out.data(), samples, format.format, count);
    }
    void deviceLost(const char* why) override { lost = why; }

    bool done() const { return next >= tone.size(); }
    std::string lost;

private:
    std::vector<float> tone;
    const DeviceFormat format;
    std::size_t next = 0;
};

TEST(WaveOutOutput, ASecondOfToneArrivesWholeInPitchAndOnItsSide)
{
    WineCapture capture;
    DeviceFormat granted;
    WaveOutDevice device;
    ASSERT_TRUE(device.open(stereoWish(44100), granted)) << lastError();
    EXPECT_EQ(granted.rate, 44100);
    EXPECT_EQ(granted.channels, 2);
    EXPECT_GT(granted.periodFrames, 0);
    RecordedSource source(test::sineFrames({440.0, 660.0}, 44100, 44100), granted);
    ASSERT_TRUE(device.start(source));
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!source.done() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(300ms);
    device.stop();
    EXPECT_TRUE(source.done());
    EXPECT_EQ(source.lost, "");
    expectOneSecondOfTone(capture);
}

// Last: Wine keeps the devices it found for the rest of the process.
TEST(WindowsOutput, ADeviceThatCannotBeOpenedFailsWithAReason)
{
    WineCapture capture(WineCapture::Device::Missing);
    {
        DeviceFormat granted;
        WaveOutDevice device;
        EXPECT_FALSE(device.open(stereoWish(48000), granted));
        EXPECT_NE(std::string(lastError()).find("waveOut"), std::string::npos) << lastError();
    }
    AudioStream stream;
    EXPECT_FALSE(stream.isOpen());
    const std::string why = stream.error();
    EXPECT_NE(why.find("WASAPI"), std::string::npos) << why;
    EXPECT_NE(why.find("0x"), std::string::npos) << why;
    EXPECT_NE(why.find("waveOut"), std::string::npos) << why;
    EXPECT_EQ(stream.write("", 0), 0);
}

}  // namespace
}  // namespace vxr
