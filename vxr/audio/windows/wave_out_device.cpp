#include "vxr/audio/windows/wave_out_device.h"

#include <mmreg.h>

#include <cstdio>
#include <new>

#include "vxr/audio/sample_converter.h"
#include "vxr/console/core/library_thread.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

void describe(MMRESULT result, char* text, std::size_t size)
{
    char detail[MAXERRORLENGTH] = {};
    if (waveOutGetErrorTextA(result, detail, sizeof detail) != MMSYSERR_NOERROR) detail[0] = '\0';
    std::snprintf(text, size, "%s (waveOut error %u)", detail[0] ? detail : "unknown error",
                  static_cast<unsigned>(result));
}

WAVEFORMATEX waveFormatOf(const DeviceFormat& format)
{
    WAVEFORMATEX wave = {};
    const int sampleBytes = SampleConverter::bytesPerSample(format.format);
    wave.wFormatTag = format.format == SampleFormat::Float32 ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    wave.nChannels = static_cast<WORD>(format.channels);
    wave.nSamplesPerSec = static_cast<DWORD>(format.rate);
    wave.wBitsPerSample = static_cast<WORD>(sampleBytes * 8);
    wave.nBlockAlign = static_cast<WORD>(sampleBytes * format.channels);
    wave.nAvgBytesPerSec = wave.nSamplesPerSec * wave.nBlockAlign;
    return wave;
}

}  // namespace

WaveOutDevice::WaveOutDevice()
{
    bufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stopAsked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

WaveOutDevice::~WaveOutDevice()
{
    stop();
    close();
    if (bufferDone) CloseHandle(bufferDone);
    if (stopAsked) CloseHandle(stopAsked);
}

MMRESULT WaveOutDevice::openAs(const DeviceFormat& wanted)
{
    const WAVEFORMATEX wave = waveFormatOf(wanted);
    return waveOutOpen(&output, WAVE_MAPPER, &wave, reinterpret_cast<DWORD_PTR>(bufferDone), 0,
                       CALLBACK_EVENT);
}

bool WaveOutDevice::open(const DeviceFormat& wished, DeviceFormat& granted)
{
    if (!bufferDone || !stopAsked) {
        setLastError("waveOut: no events for the audio thread (error %lu)", GetLastError());
        return false;
    }
    format = wished;
    MMRESULT result = openAs(format);
    if (result == WAVERR_BADFORMAT && format.format == SampleFormat::Float32) {
        format.format = SampleFormat::Int16;
        result = openAs(format);
    }
    if (result != MMSYSERR_NOERROR) {
        output = nullptr;
        char why[LAST_ERROR_CAPACITY];
        describe(result, why, sizeof why);
        setLastError("waveOut: the output could not be opened: %s", why);
        return false;
    }
    // The wished buffer, split into the buffers that go round.
    format.periodFrames = wished.bufferFrames / BUFFER_COUNT > 0 ? wished.bufferFrames / BUFFER_COUNT : 1;
    format.bufferFrames = format.periodFrames * BUFFER_COUNT;
    if (!prepareBuffers()) {
        close();
        return false;
    }
    granted = format;
    return true;
}

bool WaveOutDevice::prepareBuffers()
{
    const std::int64_t bufferBytes = std::int64_t{format.periodFrames} * format.channels *
                                     SampleConverter::bytesPerSample(format.format);
    samples.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bufferBytes * BUFFER_COUNT)]);
    if (!samples) {
        setLastError("waveOut: out of memory for the output's buffers");
        return false;
    }
    for (int i = 0; i < BUFFER_COUNT; ++i) {
        headers[i] = {};
        headers[i].lpData = reinterpret_cast<LPSTR>(samples.get() + bufferBytes * i);
        headers[i].dwBufferLength = static_cast<DWORD>(bufferBytes);
        const MMRESULT result = waveOutPrepareHeader(output, &headers[i], sizeof headers[i]);
        if (result != MMSYSERR_NOERROR) {
            char why[LAST_ERROR_CAPACITY];
            describe(result, why, sizeof why);
            setLastError("waveOut: a buffer could not be prepared: %s", why);
            return false;
        }
        prepared[i] = true;
        // A buffer not yet sent counts as one the device has given back.
        headers[i].dwFlags |= WHDR_DONE;
    }
    return true;
}

bool WaveOutDevice::start(AudioSource& source)
{
    feed = &source;
    ResetEvent(stopAsked);
    if (LibraryThread::start(thread, [this] { run(); })) return true;
    setLastError("waveOut: no audio thread could be started");
    return false;
}

void WaveOutDevice::stop()
{
    if (!thread.joinable()) return;
    SetEvent(stopAsked);
    thread.join();
}

void WaveOutDevice::close()
{
    if (!output) return;
    // Gives every buffer back, so that each can be unprepared.
    waveOutReset(output);
    for (int i = 0; i < BUFFER_COUNT; ++i) {
        if (prepared[i]) waveOutUnprepareHeader(output, &headers[i], sizeof headers[i]);
        prepared[i] = false;
    }
    waveOutClose(output);
    output = nullptr;
}

// ---- the audio thread ------------------------------------------------------

void WaveOutDevice::run()
{
    // A buffer given back and not sent again in time is heard as a gap.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    const HANDLE wakes[] = {stopAsked, bufferDone};
    char why[128];
    while (sendReturnedBuffers(why, sizeof why)) {
        if (WaitForMultipleObjects(2, wakes, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
    }
    feed->deviceLost(why);
}

bool WaveOutDevice::sendReturnedBuffers(char* why, std::size_t size)
{
    for (WAVEHDR& header : headers) {
        if (!(header.dwFlags & WHDR_DONE)) continue;
        header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        feed->render(header.lpData, format.periodFrames);
        const MMRESULT result = waveOutWrite(output, &header, sizeof header);
        if (result != MMSYSERR_NOERROR) {
            char detail[LAST_ERROR_CAPACITY];
            describe(result, detail, sizeof detail);
            std::snprintf(why, size, "waveOut: the output took no more samples: %s", detail);
            return false;
        }
    }
    return true;
}

}  // namespace vxr
