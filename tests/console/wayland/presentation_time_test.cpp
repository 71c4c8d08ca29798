// When frames reached the screen, as real compositors tell through their
// presentation feedback: times that only increase, on the program's steady
// clock, with the refresh interval each compositor gives for its output.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "console/x11/x11_test_support.h"
#include "vxr/console/presentation.h"
#include "vxr/surface/surface.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

std::int64_t monotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

class WaylandPresentationTimes : public test::WaylandConsoleFixture {
protected:
    // Presents count frames, each paced by the compositor's next frame
    // callback, and keeps every new report that follows one.
    // A compositor may leave a frame callback unanswered now and then (the
    // retrace suite allows for it); it answers the rest.
    std::vector<Presentation> presentPaced(int count)
    {
        std::vector<Presentation> reports;
        int unanswered = 0;
        for (int i = 0; i < count; ++i) {
            auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 90u + i, true);
            EXPECT_EQ(frame->copy(console->primary(), 0), 1);
            if (console->waitRetrace() != 1) ++unanswered;
            Presentation shown;
            // The feedback may come a little after the frame callback.
            test::eventually(
                [&] {
                return console->lastPresentation(&shown) == 1 &&
                       (reports.empty() || shown.time != reports.back().time);
                },
                std::chrono::milliseconds(500));
            if (console->lastPresentation(&shown) == 1 &&
                (reports.empty() || shown.time != reports.back().time))
                reports.push_back(shown);
        }
        EXPECT_LE(unanswered, 2) << "frame callbacks of " << count;
        return reports;
    }

    // The reports increase, end on CLOCK_MONOTONIC between the window's
    // opening and now, and the last interval is the output's refresh as
    // wl_output tells it, within a tenth.
    void expectPacedAtTheOutputsRefresh(const char* compositorName)
    {
        const std::int64_t before = monotonicNow();
        // The window's first picture, black, is reported as any frame.
        ASSERT_TRUE(open());
        const std::vector<Presentation> reports = presentPaced(12);
        const std::int64_t after = monotonicNow();
        ASSERT_GE(reports.size(), 6u) << "of 12 frames";
        for (std::size_t i = 1; i < reports.size(); ++i) {
            EXPECT_GT(reports[i].time, reports[i - 1].time) << i;
            EXPECT_GE(reports[i].refresh, reports[i - 1].refresh) << i;
        }
        // weston dates the first frame of an idle output from its last
        // refresh, which may lie before the window opened; the later ones
        // follow the program's own steady clock.
        EXPECT_GE(reports.back().time, before);
        EXPECT_LE(reports.back().time, after);
        const int milliHertz = compositor.outputRefresh();
        ASSERT_GT(milliHertz, 0) << compositorName << " tells no refresh rate";
        const double expected = 1e12 / milliHertz;
        const double reported = static_cast<double>(reports.back().refreshInterval);
        std::printf("%s: output at %d mHz (%.0f ns); reported interval %.0f ns, refresh %llu\n",
                    compositorName, milliHertz, expected, reported,
                    static_cast<unsigned long long>(reports.back().refresh));
        EXPECT_NEAR(reported, expected, expected / 10) << compositorName;
    }
};

// weston's headless output runs at 60 Hz and says so in each feedback
// (16666666 ns), with its own count of refreshes.
TEST_F(WaylandPresentationTimes, WestonReportsEachFrameAtItsOutputsRefresh)
{
    ASSERT_TRUE(start(Kind::WESTON));
    expectPacedAtTheOutputsRefresh("weston");
}

// Frames the compositor scales go on a child surface, whose feedback is
// asked for in the same way.
TEST_F(WaylandPresentationTimes, FramesTheCompositorScalesAreReportedToo)
{
    ASSERT_TRUE(start(Kind::WESTON, {800, 480}));
    ASSERT_TRUE(open({320, 240, PREFER32, FULLSCREEN, Scaling::COMPOSITOR}));
    ASSERT_TRUE(test::eventually([&] { return console->scalesInCompositor(); }));
    const std::vector<Presentation> reports = presentPaced(8);
    ASSERT_GE(reports.size(), 4u) << "of 8 frames";
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_GT(reports[i].time, reports[i - 1].time) << i;
}

// sway's headless output shows frames but tells every feedback
// "discarded": what was never reported shown leaves the record empty,
// while the frame callbacks that pace the program still come.
TEST_F(WaylandPresentationTimes, AFrameTheCompositorDiscardsIsNotReported)
{
    ASSERT_TRUE(start(Kind::SWAY));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 3, false);
    ASSERT_TRUE(shows(*frame));
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(frame->copy(console->primary(), 0), 1);
        EXPECT_EQ(console->waitRetrace(), 1) << i;
    }
    Presentation shown;
    EXPECT_EQ(console->lastPresentation(&shown), 0);
}

// sway in a window of weston passes on what weston tells it of when its
// window was shown: each feedback carries weston's refresh (16666666 ns)
// and sequence 0, and sway's own output, a mode made for its window, says
// a refresh of 0 mHz. So the interval is checked against weston's output,
// the frames shown are counted, one each, and, since weston shows sway's
// window at most once a refresh, no two come closer than that. Every paced
// frame is reported, and counted once: the commit that asks for the next
// frame callback supersedes the frame's own before sway draws it, and
// wlroots reports that one discarded, so the console asks for the same
// picture's feedback again with it and records its first answer.
TEST_F(WaylandPresentationTimes, SwayInWestonReportsEachFrameAtWestonsRefresh)
{
    ASSERT_TRUE(start(Kind::SWAY_IN_WESTON));
    ASSERT_TRUE(open({.scaling = Scaling::LIBRARY}));
    const std::vector<Presentation> reports = presentPaced(12);
    ASSERT_GE(reports.size(), 10u) << "of 12 frames";
    EXPECT_EQ(compositor.outputRefresh(), 0) << "sway names a refresh now: compare with it";
    const int westonMilliHertz = compositor.hostOutputRefresh();
    ASSERT_GT(westonMilliHertz, 0) << "weston tells no refresh rate";
    const double westonInterval = 1e12 / westonMilliHertz;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GT(reports[i].time - reports[i - 1].time, westonInterval * 0.9) << i;
        EXPECT_EQ(reports[i].refresh, reports[i - 1].refresh + 1) << i;
        EXPECT_NEAR(static_cast<double>(reports[i].refreshInterval), westonInterval,
                    westonInterval / 10)
            << i;
    }
}

}  // namespace
}  // namespace vxr
