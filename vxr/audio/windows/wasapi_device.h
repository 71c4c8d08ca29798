#pragma once

#include <windows.h>

#include <audioclient.h>
#include <mmdeviceapi.h>

#include <cstdint>
#include <thread>

#include "vxr/audio/audio_device.h"
#include "vxr/last_error.h"

namespace vxr {

// The default render endpoint through WASAPI in shared mode, driven by the
// endpoint's event: each time it fires, the audio thread tops the buffer up
// with what the source renders.
//
// Every COM object lives on the audio thread, which joins the process's
// multithreaded apartment itself: the program's thread keeps whatever
// apartment the program chose (a library that made it one would break a
// program's later CoInitialize). open() waits for the thread to connect;
// start() and stop() are handed over through events.
//
// No lock: the program's thread writes what the audio thread reads (the
// wish, the source) before setting the event the thread waits for, and
// reads what the thread writes (the grant, the failure) after waiting for
// its event or its end.
//
// The device is granted the endpoint's mix format (32-bit float or 16-bit
// integer); the stream resamples and remixes to it.
class WasapiDevice final : public AudioDevice {
public:
    WasapiDevice();
    ~WasapiDevice() override;
    WasapiDevice(const WasapiDevice&) = delete;
    WasapiDevice& operator=(const WasapiDevice&) = delete;

    bool open(const DeviceFormat& wished, DeviceFormat& granted) override;
    bool start(AudioSource& source) override;
    void stop() override;

private:
    // ---- on the audio thread ----------------------------------------------
    void run();
    bool connect();
    bool takeMixFormat(const WAVEFORMATEX& mix);
    void play();
    // Fills what the endpoint has room for; the failed step's HRESULT.
    HRESULT topUp(const char*& step);
    void release();
    bool failed(const char* step, HRESULT result);

    DeviceFormat wish;
    DeviceFormat grant;
    char failure[LAST_ERROR_CAPACITY] = {};
    AudioSource* feed = nullptr;

    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* endpoint = nullptr;
    IAudioClient* client = nullptr;
    IAudioRenderClient* renderer = nullptr;
    UINT32 bufferFrames = 0;

    HANDLE bufferReady = nullptr;  // set by the endpoint
    HANDLE connected = nullptr;    // set once connect() is done
    HANDLE startAsked = nullptr;
    HANDLE stopAsked = nullptr;
    std::thread thread;
};

}  // namespace vxr
