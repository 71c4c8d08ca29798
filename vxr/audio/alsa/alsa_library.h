#pragma once

#include <alsa/asoundlib.h>

#include "vxr/posix/run_time_library.h"

namespace vxr {

// libasound, loaded when a stream first opens rather than linked, so that a
// program runs (silent, with a reason) on a system without it.
class AlsaLibrary {
public:
    // The entry points, all found, or null (with the reason in lastError())
    // when the library or one of them is missing. Loaded once per process.
    static const AlsaLibrary* load();

    decltype(&::snd_pcm_open) open;
    decltype(&::snd_pcm_close) close;
    decltype(&::snd_pcm_hw_params_malloc) paramsMalloc;
    decltype(&::snd_pcm_hw_params_free) paramsFree;
    decltype(&::snd_pcm_hw_params_any) paramsAny;
    decltype(&::snd_pcm_hw_params_set_access) setAccess;
    decltype(&::snd_pcm_hw_params_set_format) setFormat;
    decltype(&::snd_pcm_hw_params_set_channels_near) setChannelsNear;
    decltype(&::snd_pcm_hw_params_set_rate_resample) setRateResample;
    decltype(&::snd_pcm_hw_params_set_rate_near) setRateNear;
    decltype(&::snd_pcm_hw_params_set_buffer_time_near) setBufferTimeNear;
    decltype(&::snd_pcm_hw_params_set_period_time_near) setPeriodTimeNear;
    decltype(&::snd_pcm_hw_params) applyParams;
    decltype(&::snd_pcm_hw_params_get_buffer_size) bufferSize;
    decltype(&::snd_pcm_hw_params_get_period_size) periodSize;
    decltype(&::snd_pcm_writei) writeFrames;
    decltype(&::snd_pcm_recover) recover;
    decltype(&::snd_pcm_drop) drop;
    decltype(&::snd_strerror) describe;
    decltype(&::snd_lib_error_set_handler) setErrorHandler;

private:
    template <class Entries>
    friend const Entries* loadEntries(const char*, const char*&);
    bool resolve(RunTimeLibrary& library);
};

}  // namespace vxr
