// What sound costs: the audio thread's work for a second of 48 kHz stereo
// (rendered straight, and resampled from 44.1 kHz), the whole thread's CPU
// time against ALSA's null device, and a 60 fps frame loop with and
// without a stream playing beside it.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "vxr/audio/audio_playback.h"
#include "vxr/audio/audio_stream.h"

namespace {

using namespace std::chrono_literals;

// A device that never plays: the benchmark calls render itself.
class BenchDevice : public vxr::AudioDevice {
public:
    explicit BenchDevice(vxr::AudioSource** source) : source(source) {}
    bool open(const vxr::DeviceFormat&, vxr::DeviceFormat& granted) override
    {
        granted = {48000, 2, vxr::SampleFormat::Float32, 480, 2400};
        return true;
    }
    bool start(vxr::AudioSource& feed) override
    {
        *source = &feed;
        return true;
    }
    void stop() override {}

private:
    vxr::AudioSource** source;
};

std::vector<float> tone(int rate, std::int64_t frames)
{
    std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i)
        samples[static_cast<std::size_t>(i) * 2] = samples[static_cast<std::size_t>(i) * 2 + 1] =
            0.5f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * static_cast<double>(i) / rate));
    return samples;
}

// One second of device frames, rendered a 10 ms period at a time; the
// counter is the share of one core that second costs.
void renderSecond(benchmark::State& state, int programRate)
{
    vxr::AudioSource* source = nullptr;
    vxr::AudioPlayback playback({.sampleRate = programRate, .queueMilliseconds = 2000});
    playback.start(std::make_unique<BenchDevice>(&source));
    const std::vector<float> second = tone(programRate, programRate);
    std::vector<float> period(480 * 2);
    for (auto _ : state) {
        state.PauseTiming();
        playback.clear();
        playback.write(second.data(), programRate);
        state.ResumeTiming();
        for (int i = 0; i < 100; ++i) source->render(period.data(), 480);
        benchmark::DoNotOptimize(period.data());
    }
    // Seconds of work per second of sound, in percent: 100 x time / iterations.
    state.counters["core_share_percent"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RenderSecondAt48k(benchmark::State& state) { renderSecond(state, 48000); }
void BM_RenderSecondResampledFrom44k(benchmark::State& state) { renderSecond(state, 44100); }
BENCHMARK(BM_RenderSecondAt48k)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderSecondResampledFrom44k)->Unit(benchmark::kMicrosecond);

double processSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void useNullDevice()
{
    const std::string config = "/tmp/vxr_bench_asound.conf";
    std::ofstream(config) << "pcm.!default { type null }\n";
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
}

// The stream's own thread, paced by ALSA's null device, while the program
// sleeps but for its writes: the process's CPU time is the thread's.
void BM_AudioThreadCpuAt48kStereo(benchmark::State& state)
{
    useNullDevice();
    vxr::AudioStream stream({.sampleRate = 48000});
    if (!stream.isOpen()) {
        state.SkipWithError(stream.error());
        return;
    }
    const std::vector<float> second = tone(48000, 48000);
    double share = 0.0;
    for (auto _ : state) {
        const double cpuBefore = processSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        std::int64_t at = 0;
        while (std::chrono::steady_clock::now() - wallBefore < 1s) {
            at = (at + stream.write(second.data() + at * 2, 48000 - at)) % 48000;
            std::this_thread::sleep_for(10ms);
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        share = 100.0 * (processSeconds() - cpuBefore) / wall;
    }
    state.counters["core_share_percent"] = share;
}
BENCHMARK(BM_AudioThreadCpuAt48kStereo)->Iterations(3)->Unit(benchmark::kMillisecond);

// A frame's CPU work: a 320x200 pattern drawn into memory.
void drawFrame(std::vector<std::uint32_t>& frame, int number)
{
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            frame[static_cast<std::size_t>(y) * 320 + x] =
                static_cast<std::uint32_t>((x * x + y * y + number * 7) * 2654435761u);
}

// 120 frames at 60 fps; the time is the frames' own work, without the wait.
void frameLoop(benchmark::State& state, bool withSound)
{
    useNullDevice();
    std::unique_ptr<vxr::AudioStream> stream;
    if (withSound) stream = std::make_unique<vxr::AudioStream>(vxr::AudioOptions{.sampleRate = 48000});
    const std::vector<float> frameOfSound = tone(48000, 800);
    std::vector<std::uint32_t> frame(320 * 200);
    for (auto _ : state) {
        double busy = 0.0;
        auto next = std::chrono::steady_clock::now();
        for (int number = 0; number < 120; ++number) {
            const auto start = std::chrono::steady_clock::now();
            for (int pass = 0; pass < 20; ++pass) drawFrame(frame, number + pass);
            if (stream) stream->write(frameOfSound.data(), 800);
            busy += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            next += std::chrono::microseconds(16667);
            std::this_thread::sleep_until(next);
        }
        state.SetIterationTime(busy / 120);
    }
}
void BM_FrameLoopSilent(benchmark::State& state) { frameLoop(state, false); }
void BM_FrameLoopWithSound(benchmark::State& state) { frameLoop(state, true); }
BENCHMARK(BM_FrameLoopSilent)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameLoopWithSound)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
