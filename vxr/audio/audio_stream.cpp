#include "vxr/audio/audio_stream.h"

#include <cstdio>
#include <new>

#include "vxr/audio/audio_device.h"
#include "vxr/audio/audio_playback.h"
#include "vxr/failure_reason.h"

namespace vxr {
namespace {

bool within(std::int32_t value, std::int32_t low, std::int32_t high)
{
    return value >= low && value <= high;
}

// The reason a request cannot be played, or null.
const char* refusal(const AudioOptions& options)
{
    if (!within(options.sampleRate, 8000, 192000)) return "a sample rate runs from 8000 to 192000 Hz";
    if (!within(options.channels, 1, 2)) return "a stream has 1 or 2 channels";
    if (options.format != SampleFormat::Float32 && options.format != SampleFormat::Int16)
        return "the sample format is neither Float32 nor Int16";
    if (!within(options.latencyMilliseconds, 5, 500)) return "the latency runs from 5 to 500 ms";
    if (!within(options.queueMilliseconds, 10, 10000)) return "the queue holds from 10 to 10000 ms";
    return nullptr;
}

}  // namespace

AudioStream::AudioStream(const AudioOptions& options) : asked(options)
{
    clearLastError();
    if (const char* why = refusal(options)) {
        setLastError("%s", why);
        fail("could not open the sound output");
        return;
    }
    playback.reset(new (std::nothrow) AudioPlayback(options));
    if (!playback) {
        setLastError("out of memory");
        fail("could not open the sound output");
        return;
    }
    std::unique_ptr<AudioDevice> device = makeSystemAudioDevice();
    if (!device || !playback->start(std::move(device))) {
        playback.reset();
        fail("could not open the sound output");
    }
}

AudioStream::~AudioStream() = default;

bool AudioStream::fail(const char* what)
{
    writeFailureReason(reason, sizeof reason, what);
    return false;
}

bool AudioStream::isOpen() const { return playback != nullptr; }

const char* AudioStream::error() const
{
    if (playback && playback->failed()) {
        // Read fresh: the audio thread may have said it since.
        char why[128];
        playback->lossReason(why, sizeof why);
        std::snprintf(reason, sizeof reason, "the sound output was lost: %s", why);
    }
    return reason;
}

std::int32_t AudioStream::sampleRate() const { return asked.sampleRate; }
std::int32_t AudioStream::channels() const { return asked.channels; }
SampleFormat AudioStream::format() const { return asked.format; }
std::int32_t AudioStream::deviceRate() const { return playback ? playback->granted().rate : 0; }
std::int32_t AudioStream::deviceChannels() const
{
    return playback ? playback->granted().channels : 0;
}
SampleFormat AudioStream::deviceFormat() const
{
    return playback ? playback->granted().format : SampleFormat::Float32;
}
std::int32_t AudioStream::latencyMilliseconds() const
{
    if (!playback || playback->granted().rate <= 0) return 0;
    return static_cast<std::int32_t>(std::int64_t{playback->granted().bufferFrames} * 1000 /
                                     playback->granted().rate);
}

std::int64_t AudioStream::write(const void* samples, std::int64_t frames)
{
    if (!playback) return 0;
    if (!samples && frames != 0) setLastError("write: null samples");
    return playback->write(samples, frames);
}

std::int64_t AudioStream::queued() const { return playback ? playback->queued() : 0; }
std::int64_t AudioStream::capacity() const { return playback ? playback->capacity() : 0; }
void AudioStream::clear()
{
    if (playback) playback->clear();
}
void AudioStream::pause()
{
    if (playback) playback->setPaused(true);
}
void AudioStream::resume()
{
    if (playback) playback->setPaused(false);
}
bool AudioStream::isPaused() const { return playback && playback->isPaused(); }
std::uint64_t AudioStream::underruns() const { return playback ? playback->underruns() : 0; }
bool AudioStream::failed() const { return playback && playback->failed(); }

}  // namespace vxr
