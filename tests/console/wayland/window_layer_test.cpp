// The window layer on a real compositor: it opens on Wayland, its typed
// rows reach the screen exactly, its scaling choice reaches the console, a
// close ends it, and a failure says why.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/wayland/wayland_console_fixture.h"
#include "console/wayland/wayland_session.h"
#include "console/x11/x11_test_support.h"
#include "vxr/window/window.h"

namespace vxr {
namespace {

using WaylandWindowLayer = test::WaylandConsoleFixture;

// The window opens its own console, so the fixture's compositor alone
// serves here.
TEST_F(WaylandWindowLayer, TypedRowsReachTheScreenExactlyAndACloseEndsTheWindow)
{
    ASSERT_TRUE(compositor.start(Kind::SWAY, 320, 200));
    Window window({.title = "rows", .scaling = WindowOptions::Scaling::Sharp});
    ASSERT_TRUE(window.isOpen()) << window.error();
    auto* shown = dynamic_cast<WaylandConsole*>(&window.console());
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->scalesInCompositor());
    {
        FrameLock pixels = window.lock();
        for (int y = 0; y < pixels.height(); ++y) {
            int x = 0;
            for (std::uint32_t& pixel : pixels.row<std::uint32_t>(y))
                pixel = std::uint32_t(x++ * 7 % 256) << 16 | std::uint32_t(y * 5 % 256) << 8 | 0x33;
        }
    }
    ASSERT_TRUE(window.present());
    EXPECT_TRUE(test::showsFrame(compositor, *shown, window.frame(), 0, 0));

    ASSERT_TRUE(compositor.command("'[app_id=vxr] kill'"));
    EXPECT_TRUE(test::waitForClose(window));
    EXPECT_FALSE(window.isOpen());
}

TEST_F(WaylandWindowLayer, TheScalingChoiceAndAFailureReason)
{
    ASSERT_TRUE(start(Kind::SWAY));
    ASSERT_TRUE(open());
    EXPECT_EQ(console->setScaling(SCALING_SHARP), 1);
    EXPECT_FALSE(console->scalesInCompositor());
    EXPECT_EQ(console->setScaling(SCALING_COMPOSITOR), 1);
    // sway tiles the window over the output: the frame is scaled there.
    EXPECT_TRUE(test::eventually([&] { return console->scalesInCompositor(); }));
    EXPECT_EQ(console->setScaling(12345), 0);

    // With no compositor named, a window says why it did not open.
    unsetenv("WAYLAND_DISPLAY");
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    Window window;
    EXPECT_FALSE(window.isOpen());
    EXPECT_NE(std::string(window.error())
                  .find("Wayland: no Wayland compositor is named: WAYLAND_DISPLAY is not set"),
              std::string::npos)
        << window.error();
    if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
}  // namespace vxr
