#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "vxr/audio/audio_device.h"
#include "vxr/audio/audio_options.h"
#include "vxr/audio/resampler.h"
#include "vxr/audio/sample_queue.h"

namespace vxr {

// What a stream's program and its audio thread share: the queue of frames
// written, the pause and the counts, and the way from the program's format
// to the device's (converted to float, resampled, remixed, converted to the
// device's samples).
//
// Lock order: playbackLock alone, never held while calling out (the
// program's callback, the device); the device's own locks are never taken
// under it.
class AudioPlayback final : private AudioSource {
public:
    explicit AudioPlayback(const AudioOptions& options);
    ~AudioPlayback();
    AudioPlayback(const AudioPlayback&) = delete;
    AudioPlayback& operator=(const AudioPlayback&) = delete;

    // Opens device for the options and starts it; false with a reason.
    bool start(std::unique_ptr<AudioDevice> device);
    const DeviceFormat& granted() const { return deviceFormat; }

    // ---- on the program's thread ------------------------------------------
    std::int64_t write(const void* samples, std::int64_t frames);
    std::int64_t queued();
    std::int64_t capacity();
    void clear();
    void setPaused(bool paused);
    bool isPaused();
    std::uint64_t underruns();
    bool failed();
    // Why the device was lost; "" while it plays.
    void lossReason(char* out, std::size_t capacity);

    // ---- on the audio thread, and for tests --------------------------------
    void render(void* samples, std::int32_t frames) override;
    void deviceLost(const char* why) override;

private:
    // The most device frames rendered in one pass; a longer request is
    // rendered in passes of this size.
    static constexpr std::int32_t PASS_FRAMES = 4096;

    bool reserveBuffers();
    void renderPass(std::uint8_t* samples, std::int32_t frames);
    // Fills inputFrames frames of program input (float) for one pass.
    void takeInput(std::int64_t inputFrames);

    const AudioOptions options;
    std::unique_ptr<AudioDevice> output;
    DeviceFormat deviceFormat;

    std::mutex playbackLock;
    SampleQueue queue;
    bool paused = false;
    // Set by the first write, so that the silence before it is no underrun.
    bool playing = false;
    bool dry = false;
    std::uint64_t underrunCount = 0;
    bool lost = false;
    char lostWhy[128] = {};

    // The audio thread's own buffers, used only by render.
    Resampler resampler;
    std::unique_ptr<std::uint8_t[]> programSamples;
    std::unique_ptr<float[]> inputFloats;
    std::unique_ptr<float[]> resampled;
    std::unique_ptr<float[]> remixed;
    std::int64_t inputCapacity = 0;
    // The program thread's buffer for converting writes.
    std::unique_ptr<float[]> writeFloats;
};

}  // namespace vxr
