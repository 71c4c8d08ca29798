// A page for the browser's sound test: a stream opened at 48 kHz stereo
// float plays a second of a 440 Hz sine, written as the queue takes it,
// while the program keeps its own blocking loop and yields between writes.
// It waits for the test to tap the worklet's output first, says when the
// queue has run dry, then writes nothing for a while (the worklet plays
// silence and the stream counts an underrun) and prints what it saw.
#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "vxr/audio/audio_stream.h"

namespace {

constexpr int RATE = 48000;
constexpr double TONE = 440.0;

EM_JS(int, tapped, (), { return Module.vxrAudioTap ? 1 : 0; });

// The program's loop yields to the page as a drawing loop would.
void yieldFor(int milliseconds) { emscripten_sleep(static_cast<unsigned>(milliseconds)); }

bool waitFor(bool (*done)(const vxr::AudioStream&), const vxr::AudioStream& sound, int milliseconds)
{
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (done(sound)) return true;
        yieldFor(10);
    }
    return done(sound);
}

std::vector<float> sine(int frames)
{
    std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const float value = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * TONE * i / RATE));
        samples[2 * static_cast<std::size_t>(i)] = value;
        samples[2 * static_cast<std::size_t>(i) + 1] = value;
    }
    return samples;
}

}  // namespace

int main()
{
    vxr::AudioStream sound({.sampleRate = RATE, .channels = 2, .format = vxr::SampleFormat::Float32});
    if (!sound.isOpen()) {
        std::printf("not open: %s\n", sound.error());
        return 1;
    }
    std::printf("device %d Hz, %d channels\n", sound.deviceRate(), sound.deviceChannels());
    if (!waitFor([](const vxr::AudioStream&) { return tapped() != 0; }, sound, 20000)) return 2;
    const std::vector<float> samples = sine(RATE);
    for (std::int64_t written = 0; written < RATE;) {
        written += sound.write(samples.data() + 2 * written, RATE - written);
        yieldFor(5);
    }
    std::printf("sine written\n");
    if (!waitFor([](const vxr::AudioStream& s) { return s.queued() == 0; }, sound, 5000)) return 3;
    std::printf("queue drained\n");
    yieldFor(1500);
    std::printf("underruns %llu\n", static_cast<unsigned long long>(sound.underruns()));
    return sound.failed() ? 4 : 0;
}
