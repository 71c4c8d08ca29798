#pragma once

#include <cstdint>
#include <memory>

#include "vxr/audio/audio_options.h"

namespace vxr {

// What a device plays: a format asked for, and the one granted.
struct DeviceFormat {
    std::int32_t rate = 0;
    std::int32_t channels = 0;
    SampleFormat format = SampleFormat::Float32;
    // Frames the device takes at a time, and its whole buffer.
    std::int32_t periodFrames = 0;
    std::int32_t bufferFrames = 0;
};

// What a device's audio thread calls: for samples to play, and to say the
// device is gone.
class AudioSource {
public:
    // Fills frames frames in the granted format.
    virtual void render(void* samples, std::int32_t frames) = 0;
    virtual void deviceLost(const char* why) = 0;

protected:
    ~AudioSource() = default;
};

// One platform's sound output. open() and stop() run on the program's
// thread; between start() and stop() the device calls its source from an
// audio thread of its own (or, in a browser, from the page's turns).
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Opens the output as near the wish as it goes; false, with the reason
    // in lastError(), when it cannot.
    virtual bool open(const DeviceFormat& wished, DeviceFormat& granted) = 0;
    virtual bool start(AudioSource& source) = 0;
    // Returns once the source is called no more.
    virtual void stop() = 0;
};

// The build's platform output, or null (with a reason) where it has none.
std::unique_ptr<AudioDevice> makeSystemAudioDevice();

}  // namespace vxr
