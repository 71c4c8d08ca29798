// Window frames: drawn by the compositor where it offers to, by libdecor
// where it does not, and none at all where neither can.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface.h"
#include "wayland_console_fixture.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;
using test::Screenshot;

std::uint32_t pixelAt(const Screenshot& shot, int x, int y)
{
    const std::uint8_t* p = &shot.rgb[(static_cast<std::size_t>(y) * shot.width + x) * 3];
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

// Whether a title bar lies on the rows just above a window's content: a
// band of one colour across its width, as no desktop background is.
bool titleBarAbove(const Screenshot& shot, int left, int top, int width)
{
    const int row = top - 2;
    if (row < 0) return false;
    std::map<std::uint32_t, int> colours;
    for (int x = left; x < left + width; ++x) ++colours[pixelAt(shot, x, row)];
    int most = 0;
    for (const auto& [colour, count] : colours) most = std::max(most, count);
    return most * 10 >= width * 9;
}

// hello_frame's picture: red across, green down, a little blue.
std::vector<std::uint32_t> helloFramePixels()
{
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            pixels.push_back(std::uint32_t(x * 255 / 319) << 16 | std::uint32_t(y * 255 / 199) << 8 |
                             0x60);
    return pixels;
}

// Waits for hello_frame's window on the compositor's screen.
bool findHelloFrame(Compositor& compositor, Screenshot& shot, int& left, int& top)
{
    const std::vector<std::uint32_t> expected = helloFramePixels();
    return test::eventually([&] {
        return compositor.screenshot(shot) && test::findWindow(shot, expected, 320, 200, left, top);
    });
}

using WaylandDecorations = test::WaylandConsoleFixture;

TEST_F(WaylandDecorations, TheCompositorDrawsTheFrameWhereItOffersTo)
{
    ASSERT_TRUE(start(Kind::SWAY));
    ASSERT_TRUE(open());
    // The compositor's answer comes with the first configure, before open returns.
    EXPECT_TRUE(console->decoratedByCompositor());
    EXPECT_FALSE(console->decoratedByClient());
    // A second window asks again.
    ASSERT_TRUE(open());
    EXPECT_TRUE(console->decoratedByCompositor());
}

TEST_F(WaylandDecorations, LibdecorFramesTheWindowOutsideEveryPixelOfTheFrame)
{
    ASSERT_TRUE(start(Kind::WESTON));
    ASSERT_TRUE(open());
    EXPECT_FALSE(console->decoratedByCompositor());
    ASSERT_TRUE(console->decoratedByClient());
    console->setTitle("Framed");

    auto frame = test::randomFrame(*console, ARGB8888, 320, 200, 7, true);
    ASSERT_TRUE(shows(*frame, -1, -1));
    Screenshot shot;
    int left = 0, top = 0;
    ASSERT_TRUE(compositor.screenshot(shot));
    ASSERT_TRUE(test::findWindow(shot, test::expectedPixels(*frame, 320, 200), 320, 200, left, top));
    EXPECT_TRUE(titleBarAbove(shot, left, top, 320)) << "no title bar above the frame at " << left
                                                      << "," << top;

    // Full-screen and back: the frame goes with the window, and returns.
    ASSERT_EQ(console->setOutput(FULLSCREEN), 1);
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 640; }));
    ASSERT_EQ(console->setOutput(WINDOWED), 1);
    ASSERT_TRUE(test::eventually([&] { return console->clientWidth() == 320; }));
    ASSERT_TRUE(shows(*frame, -1, -1));
    ASSERT_TRUE(compositor.screenshot(shot));
    ASSERT_TRUE(test::findWindow(shot, test::expectedPixels(*frame, 320, 200), 320, 200, left, top));
    EXPECT_TRUE(titleBarAbove(shot, left, top, 320));
}

TEST_F(WaylandDecorations, WithoutLibdecorTheWindowOpensUndecorated)
{
    ASSERT_TRUE(startNestedWeston());
    // libdecor made unloadable for one child alone: a file that is no
    // library over it, in a mount namespace of the child's own.
    const std::string hidden =
        "mount --bind /dev/null /usr/lib/x86_64-linux-gnu/libdecor-0.so.0 && exec " +
        std::string(VXR_HELLO_FRAME_PROGRAM);
    test::ChildProcess child;
    ASSERT_TRUE(child.start({"/usr/bin/unshare", "--mount", "/bin/sh", "-c", hidden}, ".", ""));
    Screenshot shot;
    int left = 0, top = 0;
    ASSERT_TRUE(findHelloFrame(compositor, shot, left, top)) << child.errors();
    EXPECT_FALSE(titleBarAbove(shot, left, top, 320));
}

// Whether libdecor draws its close button lit, as it does while the pointer
// is over it: a corner of the button, clear of its cross and of the arrow,
// no longer has the bar's colour.
bool closeButtonLit(const Screenshot& shot, int left, int top, int x, int y)
{
    const std::uint32_t bar = pixelAt(shot, left + 4, top - 12);
    const std::uint32_t corner = pixelAt(shot, x - 9, y + 8);
    int difference = 0;
    for (int shift = 0; shift < 24; shift += 8)
        difference += std::abs(int((bar >> shift) & 0xFF) - int((corner >> shift) & 0xFF));
    return difference > 60;
}

TEST_F(WaylandDecorations, TheFramesCloseButtonEndsTheProgram)
{
    ASSERT_TRUE(startNestedWeston());
    test::ChildProcess child;
    // The exit code is what is checked, and under AddressSanitizer a leak
    // check at exit would set it: the program ends while libdecor's plugin
    // may be going, and fontconfig's caches, which pango made for the
    // title, are then now and again reported without the library's name
    // that the suppressions match.
    const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
    const std::string withoutLeakCheck = "ASAN_OPTIONS=" +
                                         std::string(sanitizerOptions ? sanitizerOptions : "") +
                                         ":detect_leaks=0";
    ASSERT_TRUE(child.start({"/usr/bin/env", withoutLeakCheck, VXR_HELLO_FRAME_PROGRAM}, ".", ""));
    Screenshot shot;
    int left = 0, top = 0;
    ASSERT_TRUE(findHelloFrame(compositor, shot, left, top)) << child.errors();
    ASSERT_TRUE(titleBarAbove(shot, left, top, 320));
    // The close button is the last of the bar's buttons, at its right end.
    const int x = left + 320 - 16, y = top - 12;
    ASSERT_GE(y, 0) << "the title bar lies off the screen";
    // With the pointer parked away the button is not lit, so that being lit
    // says where the pointer is.
    ASSERT_FALSE(closeButtonLit(shot, left, top, x, y));
    // The click goes only to a button that shows it has the pointer: the
    // pointer's arrival has then reached the frame, whatever the client was
    // busy with when it came. Each try moves the pointer anew.
    int tries = 0;
    const bool lit = test::eventually([&] {
        const int from = x - 1 - tries++ % 2;
        return test::runXdotool(xServer.display(),
                                {"mousemove", std::to_string(from), std::to_string(y), "mousemove",
                                 std::to_string(x), std::to_string(y)}) &&
               compositor.screenshot(shot) && closeButtonLit(shot, left, top, x, y);
    });
    ASSERT_TRUE(lit) << "the close button never showed the pointer over it; " << child.errors();
    ASSERT_TRUE(test::runXdotool(xServer.display(), {"click", "1"}));
    const bool ended = test::eventually([&] { return child.hasExited(); }, std::chrono::seconds(10));
    // Which side failed: a window still there never took the click.
    const bool shown = !ended && findHelloFrame(compositor, shot, left, top);
    EXPECT_EQ(child.waitForExit(), 0)
        << (ended ? "" : shown ? "the window is still there; " : "the window went, the process stayed; ")
        << child.errors();
}

}  // namespace
}  // namespace vxr
