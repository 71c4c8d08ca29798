#pragma once

/// @file
/// AudioStream, samples played on the system's sound output.

#include <cstdint>
#include <memory>

#include "vxr/audio/audio_options.h"
#include "vxr/last_error.h"

namespace vxr {

class AudioPlayback;

/// A stream of samples to the speakers, independent of any window. Push:
/// write() queues samples without blocking; or pull: a callback on the
/// audio thread fills each period. The library converts the program's
/// format and resamples its rate to what the device runs at.
///
///     vxr::AudioStream sound;
///     if (!sound.isOpen()) std::fprintf(stderr, "silent: %s\n", sound.error());
///     sound.write(samples, frames);   // takes what fits; the rest later
///
/// When the queue runs dry the device plays silence, never old samples, and
/// the dry spell is counted in underruns(). A device lost while playing
/// makes failed() true; writes then take nothing, and nothing blocks.
class AudioStream {
public:
    /// Opens the system's default output; check isOpen(), and error() when
    /// it did not open (the program may carry on, silent).
    explicit AudioStream(const AudioOptions& options = {});
    /// Stops the audio thread and closes the device.
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    /// True from a successful open on, also after a failure while playing.
    bool isOpen() const;
    /// Why the stream did not open, or why it failed; "" otherwise.
    const char* error() const;

    /// The program's side, as the options asked.
    std::int32_t sampleRate() const;
    std::int32_t channels() const;  ///< the program's channels
    SampleFormat format() const;    ///< the program's sample format
    /// What the device really runs at; 0 and Float32 while not open.
    std::int32_t deviceRate() const;
    std::int32_t deviceChannels() const;  ///< the device's channels
    SampleFormat deviceFormat() const;    ///< the device's sample format
    /// The device's buffer, in milliseconds, as it granted it.
    std::int32_t latencyMilliseconds() const;

    /// Queues up to frames frames (interleaved, in the program's format)
    /// without blocking; returns how many it took. 0 for null samples, a
    /// pull stream, a stream that is not open or has failed.
    std::int64_t write(const void* samples, std::int64_t frames);
    /// Frames queued and not yet handed to the device.
    std::int64_t queued() const;
    /// The most frames the queue holds.
    std::int64_t capacity() const;
    /// Forgets every queued frame.
    void clear();
    /// Plays silence until resume(); the queue keeps what it has and no
    /// underrun is counted meanwhile.
    void pause();
    void resume();  ///< plays the queue again
    bool isPaused() const;  ///< whether pause() holds

    /// Times the queue ran dry while playing (each dry spell counts once).
    std::uint64_t underruns() const;
    /// Whether the device was lost while playing (the server gone, the
    /// device unplugged); error() says how.
    bool failed() const;

private:
    bool fail(const char* what);

    std::unique_ptr<AudioPlayback> playback;
    AudioOptions asked;
    // Rewritten by error() when the device was lost since.
    mutable char reason[LAST_ERROR_CAPACITY] = {};
};

}  // namespace vxr
