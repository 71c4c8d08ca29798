#pragma once

#include <cstdint>

#include "vxr/audio/audio_options.h"

namespace vxr {

// Samples between the formats a program writes and devices take, by way of
// float, and frames between channel counts.
class SampleConverter {
public:
    // count samples (frames times channels).
    static void toFloat(const void* from, SampleFormat format, float* to, std::int64_t count);
    // Out-of-range values are clipped to full scale and NaN becomes silence,
    // so that no sample converts outside its type's range.
    static void fromFloat(const float* from, void* to, SampleFormat format, std::int64_t count);
    // Frames of fromChannels to toChannels: a mono frame goes to every
    // channel; many go to one as their mean; otherwise channels beyond the
    // source's repeat its last one and those beyond the target's are left.
    static void remix(const float* from, std::int32_t fromChannels, float* to,
                      std::int32_t toChannels, std::int64_t frames);
    static std::int32_t bytesPerSample(SampleFormat format);
};

}  // namespace vxr
