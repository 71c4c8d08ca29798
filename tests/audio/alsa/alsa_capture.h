#pragma once

// The tests' own ALSA configuration: the default output a file plugin over
// the null device, so that every sample a stream plays lands in a file the
// test reads back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/signal_analysis.h"
#include "vxr/audio/audio_stream.h"
#include "vxr/audio/sample_converter.h"

namespace vxr::test {

// One configuration file for the process, rewritten for each case: ALSA
// reads its configuration again when the file changes.
class AlsaCapture {
public:
    // slaveSettings, where given, puts a plug before the file with those
    // settings ("rate 48000;"), which the stream's device must then meet.
    explicit AlsaCapture(const std::string& slaveSettings = "")
    {
        const std::string folder = ::testing::TempDir();
        config = folder + "vxr_asound.conf";
        capture = folder + "vxr_capture_" + std::to_string(++cases) + ".raw";
        std::remove(capture.c_str());
        const std::string file = "{ type file; slave.pcm { type null }; file \"" + capture +
                                 "\"; format \"raw\" }";
        std::ofstream out(config, std::ios::trunc);
        if (!slaveSettings.empty())
            out << "pcm.!default { type plug; slave { pcm " << file << "; " << slaveSettings
                << " } }\n";
        else
            out << "pcm.!default " << file << "\n";
        out.close();
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    }

    // Every sample captured, as floats of one channel, in the format the
    // stream's device took.
    Signal channel(const AudioStream& stream, int which) const
    {
        return channel(stream.deviceFormat(), stream.deviceChannels(), which);
    }
    Signal channel(SampleFormat format, int channels, int which) const
    {
        std::ifstream in(capture, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        const auto count = static_cast<std::int64_t>(bytes.size()) /
                           SampleConverter::bytesPerSample(format);
        std::vector<float> all(static_cast<std::size_t>(count));
        SampleConverter::toFloat(bytes.data(), format, all.data(), count);
        return channelOf(all, channels, which);
    }

private:
    static inline int cases = 0;
    std::string config;
    std::string capture;
};

}  // namespace vxr::test
