#include "vxr/audio/alsa/alsa_device.h"

#include <cerrno>
#include <chrono>
#include <new>

#include "vxr/audio/alsa/alsa_library.h"
#include "vxr/audio/sample_converter.h"
#include "vxr/console/core/library_thread.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

constexpr char DEVICE_NAME[] = "default";

snd_pcm_format_t alsaFormat(SampleFormat format)
{
    return format == SampleFormat::Int16 ? SND_PCM_FORMAT_S16 : SND_PCM_FORMAT_FLOAT;
}

SampleFormat otherFormat(SampleFormat format)
{
    return format == SampleFormat::Int16 ? SampleFormat::Float32 : SampleFormat::Int16;
}

unsigned int microseconds(std::int32_t frames, std::int32_t rate)
{
    return static_cast<unsigned int>(std::int64_t{frames} * 1000000 / rate);
}

// One hardware-parameter block, freed however configure() returns.
struct ParameterBlock {
    const AlsaLibrary& alsa;
    snd_pcm_hw_params_t* params = nullptr;
    explicit ParameterBlock(const AlsaLibrary& library) : alsa(library) { alsa.paramsMalloc(&params); }
    ~ParameterBlock()
    {
        if (params) alsa.paramsFree(params);
    }
};

}  // namespace

std::unique_ptr<AudioDevice> makeSystemAudioDevice()
{
    return std::unique_ptr<AudioDevice>(new (std::nothrow) AlsaDevice);
}

AlsaDevice::~AlsaDevice()
{
    stop();
    closeDevice();
}

void AlsaDevice::closeDevice()
{
    if (!pcm) return;
    alsa->drop(pcm);
    alsa->close(pcm);
    pcm = nullptr;
}

bool AlsaDevice::open(const DeviceFormat& wished, DeviceFormat& granted)
{
    alsa = AlsaLibrary::load();
    if (!alsa) return false;
    const int opened = alsa->open(&pcm, DEVICE_NAME, SND_PCM_STREAM_PLAYBACK, 0);
    if (opened < 0) {
        pcm = nullptr;
        setLastError("ALSA's \"%s\" output could not be opened: %s", DEVICE_NAME,
                     alsa->describe(opened));
        return false;
    }
    if (!configure(wished, granted)) {
        closeDevice();
        return false;
    }
    format = granted;
    frameBytes = granted.channels * SampleConverter::bytesPerSample(granted.format);
    period.reset(new (std::nothrow)
                     std::uint8_t[static_cast<std::size_t>(granted.periodFrames) * frameBytes]);
    if (!period) {
        setLastError("out of memory for the sound output's period");
        closeDevice();
        return false;
    }
    return true;
}

bool AlsaDevice::configure(const DeviceFormat& wished, DeviceFormat& granted)
{
    ParameterBlock block(*alsa);
    snd_pcm_hw_params_t* params = block.params;
    const auto failed = [this](const char* step, int error) {
        setLastError("ALSA's \"%s\" output refused %s: %s", DEVICE_NAME, step, alsa->describe(error));
        return false;
    };
    if (!params) return failed("its parameters", -ENOMEM);
    int error = alsa->paramsAny(pcm, params);
    if (error < 0) return failed("its parameters", error);
    if ((error = alsa->setAccess(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0)
        return failed("interleaved writes", error);
    granted.format = wished.format;
    if (alsa->setFormat(pcm, params, alsaFormat(granted.format)) < 0) {
        granted.format = otherFormat(wished.format);
        if ((error = alsa->setFormat(pcm, params, alsaFormat(granted.format))) < 0)
            return failed("both float and 16-bit samples", error);
    }
    unsigned int channels = static_cast<unsigned int>(wished.channels);
    if ((error = alsa->setChannelsNear(pcm, params, &channels)) < 0) return failed("the channels", error);
    alsa->setRateResample(pcm, params, 0);
    unsigned int rate = static_cast<unsigned int>(wished.rate);
    if ((error = alsa->setRateNear(pcm, params, &rate, nullptr)) < 0) return failed("the rate", error);
    unsigned int bufferTime = microseconds(wished.bufferFrames, wished.rate);
    unsigned int periodTime = microseconds(wished.periodFrames, wished.rate);
    if ((error = alsa->setBufferTimeNear(pcm, params, &bufferTime, nullptr)) < 0)
        return failed("the buffer's length", error);
    if ((error = alsa->setPeriodTimeNear(pcm, params, &periodTime, nullptr)) < 0)
        return failed("the period's length", error);
    if ((error = alsa->applyParams(pcm, params)) < 0) return failed("the parameters", error);
    snd_pcm_uframes_t bufferFrames = 0, periodFrames = 0;
    alsa->bufferSize(params, &bufferFrames);
    alsa->periodSize(params, &periodFrames, nullptr);
    if (periodFrames == 0 || periodFrames > (1u << 20) || bufferFrames > (1u << 24))
        return failed("a usable period", -EINVAL);
    granted.rate = static_cast<std::int32_t>(rate);
    granted.channels = static_cast<std::int32_t>(channels);
    granted.periodFrames = static_cast<std::int32_t>(periodFrames);
    granted.bufferFrames = static_cast<std::int32_t>(bufferFrames);
    return true;
}

bool AlsaDevice::start(AudioSource& source)
{
    feed = &source;
    stopping = false;
    if (LibraryThread::start(thread, [this] { run(); })) return true;
    setLastError("no audio thread could be started");
    return false;
}

void AlsaDevice::stop()
{
    stopping = true;
    if (thread.joinable()) thread.join();
}

void AlsaDevice::run()
{
    started = std::chrono::steady_clock::now();
    std::int64_t written = 0;
    while (!stopping) {
        feed->render(period.get(), format.periodFrames);
        const char* why = nullptr;
        if (!writePeriod(period.get(), why)) {
            feed->deviceLost(why);
            return;
        }
        written += format.periodFrames;
        pace(written);
    }
}

bool AlsaDevice::writePeriod(const std::uint8_t* samples, const char*& why)
{
    snd_pcm_uframes_t left = static_cast<snd_pcm_uframes_t>(format.periodFrames);
    while (left > 0 && !stopping) {
        const snd_pcm_sframes_t done = alsa->writeFrames(pcm, samples, left);
        if (done >= 0) {
            samples += static_cast<std::int64_t>(done) * frameBytes;
            left -= static_cast<snd_pcm_uframes_t>(done);
            continue;
        }
        if (done == -EAGAIN) continue;
        // An underrun of the device's own, or a system suspend, is recovered
        // from; anything else means the device or its server is gone.
        const int recovered = alsa->recover(pcm, static_cast<int>(done), 1);
        if (recovered < 0) {
            why = alsa->describe(recovered);
            return false;
        }
    }
    return true;
}

void AlsaDevice::pace(std::int64_t framesWritten)
{
    // A device that takes samples faster than it plays them (a null sink, a
    // file) would let this thread run ahead without end: it waits for the
    // clock instead, a period at a time so that stop() is heard.
    for (;;) {
        const auto elapsed = std::chrono::steady_clock::now() - started;
        const std::int64_t played =
            std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * format.rate / 1000000;
        const std::int64_t ahead = framesWritten - played - format.bufferFrames;
        if (ahead <= 0 || stopping) return;
        const std::int64_t frames = ahead < format.periodFrames ? ahead : format.periodFrames;
        std::this_thread::sleep_for(std::chrono::microseconds(frames * 1000000 / format.rate));
    }
}

}  // namespace vxr
