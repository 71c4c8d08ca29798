#pragma once

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <thread>

#include "vxr/audio/audio_device.h"

namespace vxr {

// The older waveOut output, for systems where WASAPI cannot be had: a few
// buffers of one period each go round between the audio thread, which
// renders into each one the device has given back, and the device.
//
// waveOut converts and resamples behind its mapper, so the device is
// granted the stream's own rate and channels, and float samples where the
// mapper takes them (16-bit otherwise).
//
// No lock: the program's thread sets the source before the thread starts
// and joins it before it touches the buffers again; the device's callback
// is only an event.
class WaveOutDevice final : public AudioDevice {
public:
    WaveOutDevice();
    ~WaveOutDevice() override;
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    bool open(const DeviceFormat& wished, DeviceFormat& granted) override;
    bool start(AudioSource& source) override;
    void stop() override;

private:
    static constexpr int BUFFER_COUNT = 4;

    MMRESULT openAs(const DeviceFormat& format);
    bool prepareBuffers();
    void run();
    // False, with why written, when the device refuses a buffer.
    bool sendReturnedBuffers(char* why, std::size_t size);
    void close();

    DeviceFormat format;
    HWAVEOUT output = nullptr;
    HANDLE bufferDone = nullptr;  // set by the device
    HANDLE stopAsked = nullptr;
    std::unique_ptr<std::uint8_t[]> samples;
    WAVEHDR headers[BUFFER_COUNT] = {};
    bool prepared[BUFFER_COUNT] = {};
    AudioSource* feed = nullptr;
    std::thread thread;
};

}  // namespace vxr
