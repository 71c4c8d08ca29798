#pragma once

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "vxr/audio/audio_device.h"

namespace vxr {

class AlsaLibrary;

// The ALSA "default" output (which reaches PipeWire and PulseAudio through
// their ALSA plugins), fed by an audio thread of its own that renders one
// period and writes it, blocking, in turn.
//
// ALSA is asked not to resample: where the device does not run at the
// stream's rate, the stream's own resampler does it, so every output
// sounds alike.
class AlsaDevice final : public AudioDevice {
public:
    AlsaDevice() = default;
    ~AlsaDevice() override;

    bool open(const DeviceFormat& wished, DeviceFormat& granted) override;
    bool start(AudioSource& source) override;
    void stop() override;

private:
    bool configure(const DeviceFormat& wished, DeviceFormat& granted);
    void run();
    // False when the device is gone; why says how.
    bool writePeriod(const std::uint8_t* samples, const char*& why);
    // Sleeps while the device is more than its buffer ahead of the clock.
    void pace(std::int64_t framesWritten);
    void closeDevice();

    const AlsaLibrary* alsa = nullptr;
    snd_pcm_t* pcm = nullptr;
    DeviceFormat format;
    std::int32_t frameBytes = 0;
    std::unique_ptr<std::uint8_t[]> period;
    AudioSource* feed = nullptr;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::chrono::steady_clock::time_point started;
};

}  // namespace vxr
