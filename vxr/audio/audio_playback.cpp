#include "vxr/audio/audio_playback.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "vxr/audio/sample_converter.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// Program frames converted per step of a write, under the lock each.
constexpr std::int64_t WRITE_STEP = 4096;

template <typename T>
bool allocate(std::unique_ptr<T[]>& buffer, std::int64_t count)
{
    buffer.reset(new (std::nothrow) T[static_cast<std::size_t>(count)]);
    return buffer != nullptr;
}

}  // namespace

AudioPlayback::AudioPlayback(const AudioOptions& asked) : options(asked) {}

AudioPlayback::~AudioPlayback()
{
    if (output) output->stop();
}

bool AudioPlayback::start(std::unique_ptr<AudioDevice> device)
{
    if (!device) return false;
    DeviceFormat wished;
    wished.rate = options.sampleRate;
    wished.channels = options.channels;
    wished.format = options.format;
    wished.bufferFrames =
        static_cast<std::int32_t>(std::int64_t{options.sampleRate} * options.latencyMilliseconds / 1000);
    wished.periodFrames = std::max(wished.bufferFrames / 4, 1);
    if (!device->open(wished, deviceFormat)) return false;
    if (!resampler.prepare(options.sampleRate, deviceFormat.rate, options.channels)) {
        setLastError("the device runs at %d Hz, too far from the stream's %d Hz to resample",
                     deviceFormat.rate, options.sampleRate);
        return false;
    }
    if (deviceFormat.channels < 1 || deviceFormat.channels > Resampler::MAX_CHANNELS) {
        setLastError("the device plays %d channels, which the library cannot mix for",
                     deviceFormat.channels);
        return false;
    }
    if (!reserveBuffers()) {
        setLastError("out of memory for the stream's buffers");
        return false;
    }
    output = std::move(device);
    if (output->start(*this)) return true;
    output.reset();
    return false;
}

bool AudioPlayback::reserveBuffers()
{
    const std::int64_t queueFrames =
        std::max<std::int64_t>(std::int64_t{options.sampleRate} * options.queueMilliseconds / 1000, 1);
    // A pass takes at most this many input frames, whatever the phase.
    inputCapacity = PASS_FRAMES * (options.sampleRate / deviceFormat.rate + 1) + 2;
    const std::int32_t programChannels = options.channels;
    return queue.reserve(queueFrames, programChannels) &&
           allocate(programSamples, inputCapacity * programChannels * 4) &&
           allocate(inputFloats, inputCapacity * programChannels) &&
           allocate(resampled, std::int64_t{PASS_FRAMES} * programChannels) &&
           allocate(remixed, std::int64_t{PASS_FRAMES} * deviceFormat.channels) &&
           allocate(writeFloats, WRITE_STEP * programChannels);
}

// ---- the program's side -------------------------------------------------------

std::int64_t AudioPlayback::write(const void* samples, std::int64_t frames)
{
    if (options.callback || !samples || frames <= 0) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(samples);
    const std::int64_t frameBytes =
        std::int64_t{options.channels} * SampleConverter::bytesPerSample(options.format);
    std::int64_t taken = 0;
    while (taken < frames) {
        std::int64_t room;
        {
            std::lock_guard<std::mutex> guard(playbackLock);
            if (lost) break;
            room = queue.room();
        }
        // Room only grows while the lock is let go: what is converted fits.
        const std::int64_t step = std::min({frames - taken, room, WRITE_STEP});
        if (step <= 0) break;
        SampleConverter::toFloat(bytes + taken * frameBytes, options.format, writeFloats.get(),
                                 step * options.channels);
        std::lock_guard<std::mutex> guard(playbackLock);
        queue.push(writeFloats.get(), step);
        playing = true;
        taken += step;
    }
    return taken;
}

std::int64_t AudioPlayback::queued()
{
    std::lock_guard<std::mutex> guard(playbackLock);
    return queue.size();
}

std::int64_t AudioPlayback::capacity()
{
    std::lock_guard<std::mutex> guard(playbackLock);
    return queue.capacity();
}

void AudioPlayback::clear()
{
    std::lock_guard<std::mutex> guard(playbackLock);
    queue.clear();
    // The silence after a clear is asked for, not an underrun.
    playing = false;
    dry = false;
}

void AudioPlayback::setPaused(bool wanted)
{
    std::lock_guard<std::mutex> guard(playbackLock);
    paused = wanted;
    dry = false;
}

bool AudioPlayback::isPaused()
{
    std::lock_guard<std::mutex> guard(playbackLock);
    return paused;
}

std::uint64_t AudioPlayback::underruns()
{
    std::lock_guard<std::mutex> guard(playbackLock);
    return underrunCount;
}

bool AudioPlayback::failed()
{
    std::lock_guard<std::mutex> guard(playbackLock);
    return lost;
}

void AudioPlayback::lossReason(char* out, std::size_t size)
{
    std::lock_guard<std::mutex> guard(playbackLock);
    std::snprintf(out, size, "%s", lostWhy);
}

// ---- the audio thread's side -------------------------------------------------

void AudioPlayback::deviceLost(const char* why)
{
    std::lock_guard<std::mutex> guard(playbackLock);
    if (lost) return;
    lost = true;
    std::snprintf(lostWhy, sizeof lostWhy, "%s", why ? why : "the sound device was lost");
    queue.clear();
}

void AudioPlayback::render(void* samples, std::int32_t frames)
{
    auto* out = static_cast<std::uint8_t*>(samples);
    const std::int64_t frameBytes =
        std::int64_t{deviceFormat.channels} * SampleConverter::bytesPerSample(deviceFormat.format);
    while (frames > 0) {
        const std::int32_t pass = std::min(frames, PASS_FRAMES);
        renderPass(out, pass);
        out += pass * frameBytes;
        frames -= pass;
    }
}

void AudioPlayback::takeInput(std::int64_t inputFrames)
{
    const std::int32_t channels = options.channels;
    float* input = inputFloats.get();
    bool silent;
    {
        std::lock_guard<std::mutex> guard(playbackLock);
        silent = paused || lost;
    }
    if (!silent && options.callback) {
        // The program's callback runs without the lock: it may take long.
        options.callback(options.callbackData, programSamples.get(),
                         static_cast<std::int32_t>(inputFrames));
        SampleConverter::toFloat(programSamples.get(), options.format, input, inputFrames * channels);
        return;
    }
    std::int64_t got = 0;
    if (!silent) {
        std::lock_guard<std::mutex> guard(playbackLock);
        got = queue.pop(input, inputFrames);
        const bool ranDry = got < inputFrames && playing && !paused;
        // One dry spell is one underrun, however many passes it lasts.
        if (ranDry && !dry) ++underrunCount;
        dry = ranDry;
    }
    std::fill(input + got * channels, input + inputFrames * channels, 0.0f);
}

void AudioPlayback::renderPass(std::uint8_t* samples, std::int32_t frames)
{
    takeInput(resampler.inputFor(frames));
    resampler.process(inputFloats.get(), resampled.get(), frames);
    const float* mixed = resampled.get();
    if (deviceFormat.channels != options.channels) {
        SampleConverter::remix(mixed, options.channels, remixed.get(), deviceFormat.channels, frames);
        mixed = remixed.get();
    }
    SampleConverter::fromFloat(mixed, samples, deviceFormat.format,
                               std::int64_t{frames} * deviceFormat.channels);
}

}  // namespace vxr
