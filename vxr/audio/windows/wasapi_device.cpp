#include "vxr/audio/windows/wasapi_device.h"

#include <mmreg.h>

#include <cstdio>
#include <cstring>

#include "vxr/console/core/library_thread.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

constexpr std::int64_t HUNDRED_NANOSECONDS_PER_SECOND = 10000000;
// How long the thread waits for the endpoint before it asks it again: an
// endpoint that is gone says so when asked.
constexpr DWORD EVENT_WAIT_MILLISECONDS = 500;

template <typename T>
void releaseInterface(T*& object)
{
    if (object) object->Release();
    object = nullptr;
}

void closeEvent(HANDLE& event)
{
    if (event) CloseHandle(event);
    event = nullptr;
}

// The sample format of a mix format tag, or false for one the library
// does not write.
bool sampleFormatOf(WORD tag, WORD bits, SampleFormat& format)
{
    if (tag == WAVE_FORMAT_IEEE_FLOAT && bits == 32) format = SampleFormat::Float32;
    else if (tag == WAVE_FORMAT_PCM && bits == 16) format = SampleFormat::Int16;
    else return false;
    return true;
}

// The format tag a mix format stands for. An extensible format names it in
// its subformat, a GUID that differs from the base one in the tag alone.
WORD formatTagOf(const WAVEFORMATEX& mix)
{
    if (mix.wFormatTag != WAVE_FORMAT_EXTENSIBLE || mix.cbSize < 22) return mix.wFormatTag;
    static constexpr GUID BASE = {0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    const GUID& sub = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(mix).SubFormat;
    const bool tagged = sub.Data1 <= 0xffff && sub.Data2 == BASE.Data2 && sub.Data3 == BASE.Data3 &&
                        std::memcmp(sub.Data4, BASE.Data4, sizeof BASE.Data4) == 0;
    return tagged ? static_cast<WORD>(sub.Data1) : WAVE_FORMAT_UNKNOWN;
}

}  // namespace

WasapiDevice::WasapiDevice()
{
    connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    startAsked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stopAsked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

WasapiDevice::~WasapiDevice()
{
    stop();
    closeEvent(connected);
    closeEvent(startAsked);
    closeEvent(stopAsked);
}

bool WasapiDevice::open(const DeviceFormat& wished, DeviceFormat& granted)
{
    if (!connected || !startAsked || !stopAsked) {
        setLastError("WASAPI: no events for the audio thread (error %lu)", GetLastError());
        return false;
    }
    wish = wished;
    failure[0] = '\0';
    if (!LibraryThread::start(thread, [this] { run(); })) {
        setLastError("WASAPI: no audio thread could be started");
        return false;
    }
    WaitForSingleObject(connected, INFINITE);
    if (failure[0]) {
        thread.join();
        setLastError("%s", failure);
        return false;
    }
    granted = grant;
    return true;
}

bool WasapiDevice::start(AudioSource& source)
{
    feed = &source;
    SetEvent(startAsked);
    return true;
}

void WasapiDevice::stop()
{
    if (!thread.joinable()) return;
    SetEvent(stopAsked);
    thread.join();
}

// ---- the audio thread ------------------------------------------------------

void WasapiDevice::run()
{
    // A thread that misses the endpoint's event by a period is heard as a gap.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(com)) {
        failed("COM could not start on the audio thread", com);
        SetEvent(connected);
        return;
    }
    const bool ready = connect();
    if (!ready) release();
    SetEvent(connected);
    if (ready) {
        const HANDLE asked[] = {stopAsked, startAsked};
        if (WaitForMultipleObjects(2, asked, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) play();
        release();
    }
    CoUninitialize();
}

bool WasapiDevice::failed(const char* step, HRESULT result)
{
    std::snprintf(failure, sizeof failure, "WASAPI: %s (0x%08lx)", step,
                  static_cast<unsigned long>(result));
    return false;
}

// The endpoint's own order: the enumerator, the default render endpoint,
// its audio client in the mix format with the buffer wished for, its event,
// and the render client that hands out the buffer.
bool WasapiDevice::connect()
{
    HRESULT result = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                      __uuidof(IMMDeviceEnumerator),
                                      reinterpret_cast<void**>(&enumerator));
    if (FAILED(result)) return failed("no device enumerator", result);
    result = enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &endpoint);
    if (FAILED(result)) return failed("no default output device", result);
    result = endpoint->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                                reinterpret_cast<void**>(&client));
    if (FAILED(result)) return failed("the output device gave no audio client", result);
    WAVEFORMATEX* mix = nullptr;
    result = client->GetMixFormat(&mix);
    if (FAILED(result)) return failed("the output device has no mix format", result);
    const bool usable = takeMixFormat(*mix);
    const REFERENCE_TIME duration =
        std::int64_t{wish.bufferFrames} * HUNDRED_NANOSECONDS_PER_SECOND / wish.rate;
    if (usable)
        result = client->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK,
                                    duration, 0, mix, nullptr);
    CoTaskMemFree(mix);
    if (!usable) return false;
    if (FAILED(result)) return failed("the output device refused its own mix format", result);
    bufferReady = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!bufferReady) return failed("no event for the output device", HRESULT_FROM_WIN32(GetLastError()));
    if (FAILED(result = client->SetEventHandle(bufferReady)))
        return failed("the output device took no event", result);
    if (FAILED(result = client->GetBufferSize(&bufferFrames)))
        return failed("the output device has no buffer", result);
    result = client->GetService(__uuidof(IAudioRenderClient), reinterpret_cast<void**>(&renderer));
    if (FAILED(result)) return failed("the output device gave no render client", result);
    REFERENCE_TIME period = 0;
    client->GetDevicePeriod(&period, nullptr);
    const std::int64_t periodFrames = period * grant.rate / HUNDRED_NANOSECONDS_PER_SECOND;
    grant.bufferFrames = static_cast<std::int32_t>(bufferFrames);
    grant.periodFrames = static_cast<std::int32_t>(
        periodFrames > 0 && periodFrames < bufferFrames ? periodFrames : bufferFrames);
    return true;
}

bool WasapiDevice::takeMixFormat(const WAVEFORMATEX& mix)
{
    const WORD tag = formatTagOf(mix);
    if (!sampleFormatOf(tag, mix.wBitsPerSample, grant.format)) {
        std::snprintf(failure, sizeof failure,
                      "WASAPI: the output mixes %u-bit samples of format 0x%04x, which the library "
                      "does not write",
                      mix.wBitsPerSample, tag);
        return false;
    }
    grant.rate = static_cast<std::int32_t>(mix.nSamplesPerSec);
    grant.channels = mix.nChannels;
    return true;
}

void WasapiDevice::play()
{
    const char* step = nullptr;
    // The buffer starts full, so the first period plays what the source has.
    HRESULT result = topUp(step);
    if (SUCCEEDED(result)) {
        step = "the output device would not start";
        result = client->Start();
    }
    const HANDLE wakes[] = {stopAsked, bufferReady};
    while (SUCCEEDED(result)) {
        const DWORD woken = WaitForMultipleObjects(2, wakes, FALSE, EVENT_WAIT_MILLISECONDS);
        if (woken == WAIT_OBJECT_0) break;
        result = topUp(step);
    }
    client->Stop();
    if (SUCCEEDED(result)) return;
    char why[128];
    if (result == AUDCLNT_E_DEVICE_INVALIDATED)
        std::snprintf(why, sizeof why, "WASAPI: the output device was removed or changed (0x%08lx)",
                      static_cast<unsigned long>(result));
    else
        std::snprintf(why, sizeof why, "WASAPI: %s (0x%08lx)", step,
                      static_cast<unsigned long>(result));
    feed->deviceLost(why);
}

HRESULT WasapiDevice::topUp(const char*& step)
{
    UINT32 padding = 0;
    step = "the output device's padding could not be read";
    HRESULT result = client->GetCurrentPadding(&padding);
    if (FAILED(result) || padding >= bufferFrames) return result;
    const UINT32 frames = bufferFrames - padding;
    BYTE* samples = nullptr;
    step = "the output device gave no buffer";
    if (FAILED(result = renderer->GetBuffer(frames, &samples))) return result;
    feed->render(samples, static_cast<std::int32_t>(frames));
    step = "the output device took no samples";
    return renderer->ReleaseBuffer(frames, 0);
}

void WasapiDevice::release()
{
    releaseInterface(renderer);
    releaseInterface(client);
    releaseInterface(endpoint);
    releaseInterface(enumerator);
    closeEvent(bufferReady);
}

}  // namespace vxr
