// Sound through a real PulseAudio server, reached the way desktop programs
// reach it: ALSA's pulse plugin. The server runs as the tests' own user
// with a null sink, and parec records the sink's monitor.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/signal_analysis.h"
#include "vxr/audio/audio_stream.h"
#include "vxr/audio/sample_converter.h"

namespace vxr {
namespace {

using namespace std::chrono_literals;

constexpr char TEST_USER[] = "vxrtest";

// A program in a process group of its own, ended with the whole group.
class Spawned {
public:
    bool start(const std::vector<std::string>& arguments)
    {
        process = fork();
        if (process == 0) {
            setpgid(0, 0);
            std::vector<char*> argv;
            for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        if (process > 0) setpgid(process, process);
        return process > 0;
    }
    void stop()
    {
        if (process <= 0) return;
        kill(-process, SIGKILL);
        waitpid(process, nullptr, 0);
        process = -1;
    }
    ~Spawned() { stop(); }

private:
    pid_t process = -1;
};

bool userExists()
{
    return std::system((std::string("id -u ") + TEST_USER + " >/dev/null 2>&1 || useradd -m " +
                        TEST_USER + " >/dev/null 2>&1").c_str()) == 0;
}

class PulseServer {
public:
    bool start()
    {
        // A folder of each server's own: one that was killed may still be
        // letting go of the last.
        static int servers = 0;
        folder = ::testing::TempDir() + "vxr_pulse_" + std::to_string(getpid()) + "_" +
                 std::to_string(++servers);
        std::system(("rm -rf " + folder).c_str());
        if (!userExists() || mkdir(folder.c_str(), 0755) != 0) return false;
        if (std::system(("chown " + std::string(TEST_USER) + " " + folder).c_str()) != 0) return false;
        socket = folder + "/native";
        const std::string protocol = "module-native-protocol-unix socket=" + socket + " auth-anonymous=1";
        if (!server.start({"runuser", "-u", TEST_USER, "--", "env", "HOME=" + folder,
                           "XDG_RUNTIME_DIR=" + folder, "pulseaudio", "-n", "--daemonize=no",
                           "--exit-idle-time=-1", "--disable-shm=yes", "--load=" + protocol,
                           "--load=module-null-sink sink_name=null rate=48000 channels=2"}))
            return false;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        struct stat info {};
        while (stat(socket.c_str(), &info) != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        const std::string config = folder + "/asound.conf";
        std::ofstream(config) << "pcm.!default { type pulse; server \"unix:" << socket << "\" }\n"
                              << "ctl.!default { type pulse; server \"unix:" << socket << "\" }\n";
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        return stat(socket.c_str(), &info) == 0;
    }
    // Returns once the monitor's samples reach the file: a tone played
    // before that would lose its start to the recorder's own start-up.
    bool record(const std::string& file)
    {
        recording = file;
        if (!recorder.start({"parec", "--server=unix:" + socket, "-d", "null.monitor",
                             "--format=float32le", "--rate=48000", "--channels=2", "--raw",
                             "--latency-msec=20", file}))
            return false;
        return recordedGrows(100ms);
    }
    // Stops once the monitor has gone on for a while past this call, so that
    // nothing played before it is still on its way to the file.
    void stopRecordingAfter(std::chrono::milliseconds further)
    {
        recordedGrows(further);
        recorder.stop();
    }
    void kill() { server.stop(); }
    const std::string& directory() const { return folder; }

private:
    static constexpr std::int64_t BYTES_PER_SECOND = 48000 * 2 * sizeof(float);

    std::int64_t recordedBytes() const
    {
        struct stat info {};
        return stat(recording.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
    }
    bool recordedGrows(std::chrono::milliseconds by) const
    {
        const std::int64_t wanted = recordedBytes() + BYTES_PER_SECOND * by.count() / 1000;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (recordedBytes() < wanted && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        return recordedBytes() >= wanted;
    }
    std::string folder;
    std::string socket;
    std::string recording;
    Spawned server;
    Spawned recorder;
};

std::vector<float> readFloats(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

TEST(PulseServer, ASecondOfToneReachesTheSinkWholeInPitchAndOnItsSide)
{
    PulseServer pulse;
    ASSERT_TRUE(pulse.start());
    const std::string recording = pulse.directory() + "/monitor.raw";
    ASSERT_TRUE(pulse.record(recording)) << "the monitor's samples never reached " << recording;
    {
        AudioStream stream({.sampleRate = 44100, .channels = 2, .format = SampleFormat::Int16});
        ASSERT_TRUE(stream.isOpen()) << stream.error();
        const std::vector<float> tone = test::sineFrames({440.0, 660.0}, 44100, 44100);
        std::vector<std::int16_t> samples(tone.size());
        SampleConverter::fromFloat(tone.data(), samples.data(), SampleFormat::Int16,
                                   static_cast<std::int64_t>(tone.size()));
        std::int64_t written = 0;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (written < 44100 && std::chrono::steady_clock::now() < deadline) {
            written += stream.write(samples.data() + written * 2, 44100 - written);
            std::this_thread::sleep_for(5ms);
        }
        ASSERT_EQ(written, 44100);
        while (stream.queued() > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(stream.failed()) << stream.error();
    }
    pulse.stopRecordingAfter(500ms);
    const std::vector<float> monitor = readFloats(recording);
    for (int side = 0; side < 2; ++side) {
        const test::Signal signal = test::channelOf(monitor, 2, side);
        std::size_t first = 0, end = 0;
        test::soundingSpan(signal, first, end);
        ASSERT_GT(end, first) << "nothing reached the sink on channel " << side;
        EXPECT_NEAR(static_cast<double>(end - first), 48000.0, 48000.0 * 0.05) << side;
        const test::Signal sounding(signal.begin() + static_cast<std::ptrdiff_t>(first),
                                    signal.begin() + static_cast<std::ptrdiff_t>(end));
        EXPECT_NEAR(test::strongestFrequency(sounding, 48000.0), side == 0 ? 440.0 : 660.0, 1.0);
    }
}

TEST(PulseServer, AServerThatGoesAwayMakesTheStreamFailAndWritesTakeNothing)
{
    PulseServer pulse;
    ASSERT_TRUE(pulse.start());
    AudioStream stream({.sampleRate = 48000});
    ASSERT_TRUE(stream.isOpen()) << stream.error();
    const std::vector<float> tone = test::sineFrames({440.0, 440.0}, 48000, 4800);
    EXPECT_GT(stream.write(tone.data(), 4800), 0);
    std::this_thread::sleep_for(200ms);
    pulse.kill();
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!stream.failed() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(stream.failed());
    EXPECT_NE(std::string(stream.error()), "");
    EXPECT_EQ(stream.write(tone.data(), 4800), 0);
    // And the stream closes without waiting for the server.
}

}  // namespace
}  // namespace vxr
