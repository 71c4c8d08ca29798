#pragma once

/// @file
/// AudioOptions, how an AudioStream opens.

#include <cstdint>

namespace vxr {

/// How each sample of a stream is written.
enum class SampleFormat : std::int32_t {
    Float32 = 1,  ///< 32-bit float, full scale from -1 to 1
    Int16 = 2,    ///< 16-bit signed integer, native byte order
};

/// The pull side of a stream: called on the audio thread to fill frames
/// frames (each one sample per channel, interleaved) in the stream's own
/// rate, channels and format. It must not block, and must not call the
/// stream back.
using AudioCallback = void (*)(void* userData, void* samples, std::int32_t frames);

/// How an AudioStream opens; every field has a default, so a program names
/// only what it wants:
///
///     vxr::AudioStream sound({.sampleRate = 44100, .format = vxr::SampleFormat::Int16});
struct AudioOptions {
    /// Frames per second the program writes (8000 to 192000).
    std::int32_t sampleRate = 48000;
    /// 1 (mono) or 2 (stereo, left first).
    std::int32_t channels = 2;
    /// How the program's samples are written.
    SampleFormat format = SampleFormat::Float32;
    /// How far ahead of the speaker the device's buffer runs, the delay
    /// from a write to its sound; the device may round it (5 to 500).
    std::int32_t latencyMilliseconds = 50;
    /// How much a push stream queues at most, ahead of the device's buffer
    /// (10 to 10000): write() takes what fits.
    std::int32_t queueMilliseconds = 250;
    /// Non-null makes a pull stream: the audio thread asks for every frame
    /// and write() takes none.
    AudioCallback callback = nullptr;
    /// Handed to the callback as it is.
    void* callbackData = nullptr;
};

}  // namespace vxr
