#include <cstdio>
#include <cstring>
#include <new>

#include "vxr/audio/audio_device.h"
#include "vxr/audio/windows/wasapi_device.h"
#include "vxr/audio/windows/wave_out_device.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// The system's output on Windows: WASAPI where it opens, waveOut where it
// does not (an old system, a service without an audio session). What
// WASAPI said stays in the reason either way.
class WindowsAudioOutput final : public AudioDevice {
public:
    bool open(const DeviceFormat& wished, DeviceFormat& granted) override
    {
        chosen.reset(new (std::nothrow) WasapiDevice);
        if (chosen && chosen->open(wished, granted)) return true;
        char wasapiWhy[LAST_ERROR_CAPACITY];
        std::snprintf(wasapiWhy, sizeof wasapiWhy, "%s", chosen ? lastError() : "WASAPI: out of memory");
        chosen.reset(new (std::nothrow) WaveOutDevice);
        if (chosen && chosen->open(wished, granted)) {
            setLastError("%s; playing through waveOut instead", wasapiWhy);
            return true;
        }
        const char* waveOutWhy = chosen ? lastError() : "waveOut: out of memory";
        char both[LAST_ERROR_CAPACITY];
        std::snprintf(both, sizeof both, "%s; %s", wasapiWhy, waveOutWhy);
        setLastError("%s", both);
        chosen.reset();
        return false;
    }

    bool start(AudioSource& source) override { return chosen && chosen->start(source); }

    void stop() override
    {
        if (chosen) chosen->stop();
    }

private:
    std::unique_ptr<AudioDevice> chosen;
};

}  // namespace

std::unique_ptr<AudioDevice> makeSystemAudioDevice()
{
    return std::unique_ptr<AudioDevice>(new (std::nothrow) WindowsAudioOutput);
}

}  // namespace vxr
