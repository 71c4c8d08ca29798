// When frames reached the screen, as an Xvfb's Present extension reports
// it. Xvfb has no real display: its Present runs a fake CRTC, whose MSC
// counts refreshes of a timer and whose UST is the server's CLOCK_MONOTONIC
// in microseconds at each. The test measures that refresh from its own
// connection, the server's figure (about 16.7 ms, 60 Hz, on the Xvfb of
// Debian 12), and checks what the console reports against it.
#include <gtest/gtest.h>
#include <poll.h>
#include <time.h>
#include <xcb/present.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "extension_hiding_proxy.h"
#include "vxr/console/console_mode.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/window/window.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

constexpr int PRESENTS = 40;

std::int64_t monotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// The window's refreshes as the server counts them, asked for on the
// test's own connection.
class ServerRefresh {
public:
    ServerRefresh(xcb_connection_t* connection, xcb_window_t shown)
        : link(connection), window(shown)
    {
        xcb_present_select_input(link, xcb_generate_id(link), window,
                                 XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
    }

    // The server's own interval between refreshes: the time of a refresh
    // and of one `count` refreshes later, over their count.
    std::optional<double> interval(std::uint64_t count)
    {
        std::uint64_t firstTime = 0, firstCount = 0, lastTime = 0, lastCount = 0;
        // The next refresh, then the one `count` after it.
        if (!at(0, 1, firstTime, firstCount) || !at(firstCount + count, 0, lastTime, lastCount) ||
            lastCount <= firstCount)
            return std::nullopt;
        return 1000.0 * static_cast<double>(lastTime - firstTime) /
               static_cast<double>(lastCount - firstCount);
    }

private:
    bool at(std::uint64_t target, std::uint64_t divisor, std::uint64_t& ust, std::uint64_t& msc)
    {
        const std::uint32_t asked = ++serial;
        xcb_present_notify_msc(link, window, asked, target, divisor, 0);
        xcb_flush(link);
        const auto until = test::Clock::now() + test::PATIENCE;
        while (test::Clock::now() < until && !xcb_connection_has_error(link)) {
            pollfd socket{xcb_get_file_descriptor(link), POLLIN, 0};
            poll(&socket, 1, 10);
            while (xcb_generic_event_t* event = xcb_poll_for_event(link)) {
                const auto& notice =
                    *reinterpret_cast<const xcb_present_complete_notify_event_t*>(event);
                const bool ours = (event->response_type & 0x7F) == XCB_GE_GENERIC &&
                                  notice.event_type == XCB_PRESENT_COMPLETE_NOTIFY &&
                                  notice.serial == asked;
                if (ours) {
                    ust = notice.ust;
                    msc = notice.msc;
                }
                std::free(event);
                if (ours) return true;
            }
        }
        return false;
    }

    xcb_connection_t* link;
    xcb_window_t window;
    std::uint32_t serial = 0;
};

class X11PresentationTimes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.start({24, 640, 480, true})); }

    // What the window reports after each of PRESENTS presents paced by
    // the retrace, one entry per refresh reported.
    static std::vector<Presentation> pacedReports(Window& window)
    {
        std::vector<Presentation> reports;
        for (int frame = 0; frame < PRESENTS; ++frame) {
            EXPECT_TRUE(window.present(true)) << lastError();
            const std::optional<Presentation> shown = window.lastPresentation();
            if (shown && (reports.empty() || shown->refresh != reports.back().refresh))
                reports.push_back(*shown);
        }
        return reports;
    }

    X11Session session;
};

TEST_F(X11PresentationTimes, FramesPacedByTheRetraceReportIncreasingTimesAtTheServersRefresh)
{
    Window window({.width = 64, .height = 40});
    ASSERT_TRUE(window.isOpen()) << window.error();
    // Nothing was shown yet, so nothing is reported.
    EXPECT_FALSE(window.lastPresentation());

    const std::vector<Presentation> reports = pacedReports(window);
    // Each present waits for a refresh, so nearly every one is reported on
    // a refresh of its own; a loaded machine may let a few share one.
    ASSERT_GE(reports.size(), static_cast<std::size_t>(PRESENTS / 2));
    for (std::size_t i = 1; i < reports.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(reports[i].time, reports[i - 1].time);
        EXPECT_GT(reports[i].refresh, reports[i - 1].refresh);
        EXPECT_GT(reports[i].refreshInterval, 0);
    }
    // The times are the presentation clock's, CLOCK_MONOTONIC: in the
    // test's past, and not long ago.
    const std::int64_t now = monotonicNow();
    EXPECT_LE(reports.back().time, now);
    EXPECT_GT(reports.back().time, now - std::int64_t{60} * 1000000000);

    ServerRefresh server(session.view.link(), X11Session::windowOf(window.console()));
    const std::optional<double> refresh = server.interval(30);
    ASSERT_TRUE(refresh);
    RecordProperty("server_refresh_ns", std::to_string(static_cast<std::int64_t>(*refresh)));
    RecordProperty("last_reported_interval_ns", std::to_string(reports.back().refreshInterval));
    // The console measures the interval over all the refreshes reported so
    // far, so that a fake CRTC's timer firing late on a loaded machine
    // moves it by a fraction of its lateness: near the server's refresh.
    EXPECT_EQ(reports.front().refreshInterval, 0) << "one report tells no interval";
    EXPECT_NEAR(static_cast<double>(reports.back().refreshInterval), *refresh, *refresh * 0.1);
    // And the times say the same.
    const Presentation& first = reports.front();
    const Presentation& last = reports.back();
    const double reported = static_cast<double>(last.time - first.time) /
                            static_cast<double>(last.refresh - first.refresh);
    EXPECT_NEAR(reported, *refresh, *refresh * 0.1);
}

TEST_F(X11PresentationTimes, FramesFasterThanTheDisplayKeepBeingReported)
{
    X11Console console;
    ASSERT_EQ(console.open(64, 40, PREFER32, WINDOWED, -1, -1), 1) << lastError();
    Surface frame(&console, 64, 40, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    // Presents as fast as they go, never waiting for the retrace: the
    // reports still come, refresh after refresh.
    std::vector<Presentation> reports;
    ASSERT_TRUE(test::eventually([&] {
        for (int burst = 0; burst < 50; ++burst) EXPECT_EQ(frame.update(), 1) << lastError();
        Presentation shown;
        if (console.lastPresentation(&shown) &&
            (reports.empty() || shown.refresh != reports.back().refresh))
            reports.push_back(shown);
        return reports.size() >= 3;
    }));
    EXPECT_GT(reports[2].refresh, reports[1].refresh);
    EXPECT_GT(reports[2].time, reports[1].time);
    EXPECT_GT(reports[2].refreshInterval, 0);
}

TEST_F(X11PresentationTimes, ANewWindowForgetsTheLastWindowsReports)
{
    X11Console console;
    ASSERT_EQ(console.open(64, 40, PREFER32, WINDOWED, -1, -1), 1) << lastError();
    Surface frame(&console, 64, 40, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
    Presentation shown;
    ASSERT_TRUE(test::eventually([&] {
        return console.waitRetrace() == 1 && frame.update() == 1 &&
               console.lastPresentation(&shown) == 1;
    }));
    ASSERT_EQ(console.open(80, 50, PREFER32, WINDOWED, -1, -1), 1) << lastError();
    EXPECT_EQ(console.lastPresentation(&shown), 0);
    EXPECT_NE(std::string(lastError()).find("no frame"), std::string::npos) << lastError();
}

TEST_F(X11PresentationTimes, WithoutPresentNothingIsReportedAndTheReasonSaysWhy)
{
    test::ExtensionHidingProxy proxy;
    ASSERT_TRUE(proxy.start(session.server.display(), "Present"));
    setenv("DISPLAY", proxy.display().c_str(), 1);
    {
        X11Console console;
        ASSERT_EQ(console.open(64, 40, PREFER32, WINDOWED, -1, -1), 1) << lastError();
        EXPECT_GT(proxy.hiddenAnswers(), 0);
        Surface frame(&console, 64, 40, PixelFormat(ARGB8888), MEMORY_SYSTEM, -1, -1, -1);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(frame.update(), 1) << lastError();
        Presentation shown;
        EXPECT_EQ(console.lastPresentation(&shown), 0);
        EXPECT_NE(std::string(lastError()).find("Present"), std::string::npos) << lastError();
    }
    setenv("DISPLAY", session.server.display().c_str(), 1);
}

}  // namespace
}  // namespace vxr
