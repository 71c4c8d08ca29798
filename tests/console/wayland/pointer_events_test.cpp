// The pointer on a real sway, moved by wlroots' virtual pointer example and
// clicked and scrolled by a virtual pointer the test holds, read back as the
// console's events, with positions in the frame's pixels whoever scales the
// frame.
#include <gtest/gtest.h>

#include <string>

#include "console/x11/x11_test_support.h"
#include "event_reader.h"
#include "vxr/console/wayland/wayland_console.h"
#include "vxr/surface/surface_store.h"
#include "wayland_session.h"

namespace vxr {
namespace {

using test::Compositor;
using test::EventReader;

// A 320x200 frame in a window sway tiles over the whole output: shown at
// twice its size, 640x400 pixels, between bars 40 pixels high.
void openTiled(WaylandConsole& console, bool compositorScales)
{
    console.scaleInCompositor(compositorScales);
    ASSERT_EQ(console.open(320, 200, PREFER32, -1, -1, -1), 1);
    ASSERT_TRUE(test::eventually([&] {
        return console.clientWidth() == 640 && console.clientHeight() == 480;
    }));
    ASSERT_EQ(console.scalesInCompositor(), compositorScales);
}

// Puts the pointer on the screen pixel (x, y) of the 640x480 output,
// whatever its scale, and reads events until one reports the pointer
// there. Each command is a device of its own, and now and then sway drops
// the one event of a device that comes and goes: a move that never shows
// is made again.
bool pointAt(Compositor& sway, EventReader& events, int x, int y, Event& out)
{
    constexpr int ATTEMPTS = 5;
    constexpr int PATIENCE_MS = 4000;
    for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
        if (!sway.pointer("absolute " + std::to_string(x) + " " + std::to_string(y) + " 640 480"))
            return false;
        while (events.next(out, PATIENCE_MS))
            if ((out.type == EventType::MouseMove || out.type == EventType::MouseEnter) &&
                out.pointer.windowX == x && out.pointer.windowY == y)
                return true;
    }
    return false;
}

void expectFramePixel(const Event& event, int x, int y, bool inside)
{
    EXPECT_EQ(event.pointer.x, x) << test::describe(event);
    EXPECT_EQ(event.pointer.y, y) << test::describe(event);
    EXPECT_EQ(event.pointer.inside, inside) << test::describe(event);
}

// Screen pixels, at output scale 1 and 2 alike, and the frame pixel under
// each: the frame's pixel under the centre of the screen pixel.
void expectPositionsMapped(Compositor& sway, WaylandConsole& console)
{
    EventReader events(console);
    int left = -1, top = -1, width = 0, height = 0;
    ASSERT_TRUE(sway.windowPlace("", left, top, width, height));
    ASSERT_EQ(left, 0);
    ASSERT_EQ(top, 0);
    Event event;
    ASSERT_TRUE(pointAt(sway, events, 100, 140, event)) << events.seen();
    expectFramePixel(event, 50, 50, true);
    // Over the top bar, outside the frame: its grid carries on upward.
    ASSERT_TRUE(pointAt(sway, events, 101, 21, event)) << events.seen();
    expectFramePixel(event, 50, -10, false);
    ASSERT_TRUE(pointAt(sway, events, 639, 439, event)) << events.seen();
    expectFramePixel(event, 319, 199, true);
    ASSERT_TRUE(pointAt(sway, events, 3, 41, event)) << events.seen();
    expectFramePixel(event, 1, 0, true);
    MouseState mouse;
    ASSERT_EQ(console.mouseState(&mouse), 1);
    EXPECT_TRUE(mouse.overWindow);
    EXPECT_EQ(mouse.position.x, 1);
    EXPECT_EQ(mouse.position.y, 0);
}

// The same at an output scale, with the frame scaled by the compositor or
// by the library.
void expectPositionsMappedAt(int scale, bool compositorScales)
{
    Compositor sway;
    ASSERT_NO_FATAL_FAILURE(test::startWithPointer(sway, scale));
    WaylandConsole console;
    ASSERT_NO_FATAL_FAILURE(openTiled(console, compositorScales));
    expectPositionsMapped(sway, console);
}

TEST(WaylandPointerEvents, PositionsAreFramePixelsWhenTheCompositorScalesTheFrame)
{
    expectPositionsMappedAt(1, true);
}

TEST(WaylandPointerEvents, PositionsAreFramePixelsWhenTheLibraryScalesTheFrame)
{
    expectPositionsMappedAt(1, false);
}

TEST(WaylandPointerEvents, PositionsAreFramePixelsOnAnOutputOfScaleTwo)
{
    // The window is 320x240 units of two pixels each; the pointer's
    // positions come in units, half units included.
    for (const bool compositorScales : {true, false}) {
        SCOPED_TRACE(compositorScales ? "scaled by the compositor" : "scaled by the library");
        expectPositionsMappedAt(2, compositorScales);
    }
}

// Linux input event codes of the buttons, as a virtual pointer sends them.
struct ButtonCase {
    int code;
    std::int32_t button;
};

constexpr ButtonCase BUTTONS[] = {{0x110, BUTTON_LEFT},
                                  {0x111, BUTTON_RIGHT},
                                  {0x112, BUTTON_MIDDLE},
                                  {0x113, BUTTON_BACK},
                                  {0x114, BUTTON_FORWARD}};

TEST(WaylandPointerEvents, ButtonsAndTheWheelArriveWhereThePointerIs)
{
    Compositor sway;
    ASSERT_NO_FATAL_FAILURE(test::startWithPointer(sway, 1));
    WaylandConsole console;
    ASSERT_NO_FATAL_FAILURE(openTiled(console, true));
    EventReader events(console);
    Event event;
    ASSERT_TRUE(pointAt(sway, events, 100, 140, event)) << events.seen();

    for (const ButtonCase& button : BUTTONS) {
        SCOPED_TRACE(button.code);
        ASSERT_TRUE(sway.click(button.code, true));
        ASSERT_TRUE(events.next(EventType::MouseDown, event)) << events.seen();
        EXPECT_EQ(event.button, button.button);
        expectFramePixel(event, 50, 50, true);
        MouseState mouse;
        ASSERT_EQ(console.mouseState(&mouse), 1);
        EXPECT_EQ(mouse.buttons, 1u << (button.button - 1));
        ASSERT_TRUE(sway.click(button.code, false));
        ASSERT_TRUE(events.next(EventType::MouseUp, event)) << events.seen();
        EXPECT_EQ(event.button, button.button);
        ASSERT_EQ(console.mouseState(&mouse), 1);
        EXPECT_EQ(mouse.buttons, 0u);
    }

    // The vertical axis grows downward: a notch up is a step up.
    ASSERT_TRUE(sway.scroll(0, -15, -1));
    ASSERT_TRUE(events.next(EventType::Wheel, event)) << events.seen();
    EXPECT_EQ(event.wheelY, 1.0f);
    EXPECT_EQ(event.wheelX, 0.0f);
    expectFramePixel(event, 50, 50, true);
    ASSERT_TRUE(sway.scroll(0, 30, 2));
    ASSERT_TRUE(events.next(EventType::Wheel, event)) << events.seen();
    EXPECT_EQ(event.wheelY, -2.0f);
    ASSERT_TRUE(sway.scroll(1, 15, 1));
    ASSERT_TRUE(events.next(EventType::Wheel, event)) << events.seen();
    EXPECT_EQ(event.wheelX, 1.0f);
    EXPECT_EQ(event.wheelY, 0.0f);
    // Without notches, smooth scrolling counts ten units a step.
    ASSERT_TRUE(sway.scroll(0, 15, 0));
    ASSERT_TRUE(events.next(EventType::Wheel, event)) << events.seen();
    EXPECT_EQ(event.wheelY, -1.5f);
}

}  // namespace
}  // namespace vxr
