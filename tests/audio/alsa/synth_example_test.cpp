// The synth example on a private X server: a held key plays its note
// through ALSA, and Escape ends it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "audio/alsa/alsa_capture.h"
#include "console/x11/x11_test_support.h"

namespace vxr {
namespace {

TEST(SynthExample, AHeldKeyPlaysItsNoteAndEscapeEndsTheProgram)
{
    // The file gets 16-bit stereo at 48 kHz whatever the example asks.
    test::AlsaCapture capture("format S16_LE; channels 2; rate 48000;");
    test::XvfbServer server;
    ASSERT_TRUE(server.start({24, 640, 480}));
    test::ChildProcess synth;
    ASSERT_TRUE(synth.start({VXR_SYNTH_PROGRAM}, ".", server.display()));
    // Focus the window once it is there: a bare server gives none.
    const bool focused = test::eventually([&] {
        return test::runXdotool(server.display(), {"search", "--name", "^synth$", "windowfocus", "--sync"});
    });
    ASSERT_TRUE(focused) << synth.errors();
    // H is the A above middle C.
    ASSERT_TRUE(test::runXdotool(server.display(), {"keydown", "h", "sleep", "1", "keyup", "h", "sleep", "0.5", "key", "Escape"}));
    EXPECT_EQ(synth.waitForExit(std::chrono::seconds(10)), 0) << synth.errors();
    for (int side = 0; side < 2; ++side) {
        const test::Signal signal = capture.channel(SampleFormat::Int16, 2, side);
        std::size_t first = 0, end = 0;
        test::soundingSpan(signal, first, end);
        ASSERT_GT(end, first + 24000) << "the note was not heard on channel " << side;
        const test::Signal sounding(signal.begin() + static_cast<std::ptrdiff_t>(first),
                                    signal.begin() + static_cast<std::ptrdiff_t>(end));
        EXPECT_NEAR(test::strongestFrequency(sounding, 48000.0), 440.0, 1.0);
    }
}

}  // namespace
}  // namespace vxr
