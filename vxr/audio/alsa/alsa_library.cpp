#include "vxr/audio/alsa/alsa_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>

#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// The soname of libasound's stable interface.
constexpr char LIBRARY_NAME[] = "libasound.so.2";

template <typename Function>
bool find(void* handle, const char* name, Function& into)
{
    into = reinterpret_cast<Function>(dlsym(handle, name));
    if (!into) setLastError("%s has no %s", LIBRARY_NAME, name);
    return into != nullptr;
}

// libasound writes its own complaints to standard error; the library's
// reasons go through lastError() instead.
void keepQuiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

bool AlsaLibrary::resolve(void* handle)
{
    return find(handle, "snd_pcm_open", open) && find(handle, "snd_pcm_close", close) &&
           find(handle, "snd_pcm_hw_params_malloc", paramsMalloc) &&
           find(handle, "snd_pcm_hw_params_free", paramsFree) &&
           find(handle, "snd_pcm_hw_params_any", paramsAny) &&
           find(handle, "snd_pcm_hw_params_set_access", setAccess) &&
           find(handle, "snd_pcm_hw_params_set_format", setFormat) &&
           find(handle, "snd_pcm_hw_params_set_channels_near", setChannelsNear) &&
           find(handle, "snd_pcm_hw_params_set_rate_resample", setRateResample) &&
           find(handle, "snd_pcm_hw_params_set_rate_near", setRateNear) &&
           find(handle, "snd_pcm_hw_params_set_buffer_time_near", setBufferTimeNear) &&
           find(handle, "snd_pcm_hw_params_set_period_time_near", setPeriodTimeNear) &&
           find(handle, "snd_pcm_hw_params", applyParams) &&
           find(handle, "snd_pcm_hw_params_get_buffer_size", bufferSize) &&
           find(handle, "snd_pcm_hw_params_get_period_size", periodSize) &&
           find(handle, "snd_pcm_writei", writeFrames) && find(handle, "snd_pcm_recover", recover) &&
           find(handle, "snd_pcm_drop", drop) && find(handle, "snd_strerror", describe) &&
           find(handle, "snd_lib_error_set_handler", setErrorHandler);
}

const AlsaLibrary* AlsaLibrary::load()
{
    static AlsaLibrary library;
    static const AlsaLibrary* loaded = nullptr;
    static char why[LAST_ERROR_CAPACITY] = {};
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept loaded for the process: its plugins stay mapped by it.
        void* handle = dlopen(LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            setLastError("%s could not be loaded: %s", LIBRARY_NAME, dlerror());
        } else if (library.resolve(handle)) {
            library.setErrorHandler(keepQuiet);
            loaded = &library;
            return;
        } else {
            dlclose(handle);
        }
        std::snprintf(why, sizeof why, "%s", lastError());
    });
    if (!loaded) setLastError("%s", why);
    return loaded;
}

}  // namespace vxr
