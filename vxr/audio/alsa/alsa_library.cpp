#include "vxr/audio/alsa/alsa_library.h"

#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// The soname of libasound's stable interface.
constexpr char LIBRARY_NAME[] = "libasound.so.2";

// libasound writes its own complaints to standard error; the library's
// reasons go through lastError() instead.
void keepQuiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

bool AlsaLibrary::resolve(RunTimeLibrary& library)
{
    const bool found =
        library.find("snd_pcm_open", open) && library.find("snd_pcm_close", close) &&
        library.find("snd_pcm_hw_params_malloc", paramsMalloc) &&
        library.find("snd_pcm_hw_params_free", paramsFree) &&
        library.find("snd_pcm_hw_params_any", paramsAny) &&
        library.find("snd_pcm_hw_params_set_access", setAccess) &&
        library.find("snd_pcm_hw_params_set_format", setFormat) &&
        library.find("snd_pcm_hw_params_set_channels_near", setChannelsNear) &&
        library.find("snd_pcm_hw_params_set_rate_resample", setRateResample) &&
        library.find("snd_pcm_hw_params_set_rate_near", setRateNear) &&
        library.find("snd_pcm_hw_params_set_buffer_time_near", setBufferTimeNear) &&
        library.find("snd_pcm_hw_params_set_period_time_near", setPeriodTimeNear) &&
        library.find("snd_pcm_hw_params", applyParams) &&
        library.find("snd_pcm_hw_params_get_buffer_size", bufferSize) &&
        library.find("snd_pcm_hw_params_get_period_size", periodSize) &&
        library.find("snd_pcm_writei", writeFrames) && library.find("snd_pcm_recover", recover) &&
        library.find("snd_pcm_drop", drop) && library.find("snd_strerror", describe) &&
        library.find("snd_lib_error_set_handler", setErrorHandler);
    if (found) setErrorHandler(keepQuiet);
    return found;
}

const AlsaLibrary* AlsaLibrary::load()
{
    const char* why = nullptr;
    const AlsaLibrary* library = loadEntries<AlsaLibrary>(LIBRARY_NAME, why);
    if (!library) setLastError("%s", why);
    return library;
}

}  // namespace vxr
