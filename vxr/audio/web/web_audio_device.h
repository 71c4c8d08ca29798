#pragma once

#include <cstdint>
#include <memory>

#include "vxr/audio/audio_device.h"

namespace vxr {

// The browser's sound output: an AudioContext whose AudioWorkletNode plays
// from a ring of samples it keeps. A browser page has one thread, so there
// is no audio thread of ours and no lock: a timer on the page's main thread
// renders from the source whenever the program yields (every wait of the
// web console, every Asyncify sleep) and posts the frames to the worklet,
// keeping its ring about the latency ahead. The timer is the only caller of
// the source, and stop() clears it, so after stop() nothing calls it again.
// A context starts suspended where the page may not play yet; the first
// pointer press or key resumes it.
class WebAudioDevice final : public AudioDevice {
public:
    ~WebAudioDevice() override;
    bool open(const DeviceFormat& wished, DeviceFormat& granted) override;
    bool start(AudioSource& source) override;
    void stop() override;

    // Called from the page's timer: renders frames frames (at most the
    // ring's target) and returns where they are, or null.
    const float* render(std::int32_t frames);
    void lost(const char* why);

private:
    void closeContext();

    AudioSource* feed = nullptr;
    DeviceFormat format;
    std::unique_ptr<float[]> rendered;
    bool contextOpen = false;
};

}  // namespace vxr
