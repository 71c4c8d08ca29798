// The pointer on a real sway, moved by wlroots' virtual pointer example and
// clicked and scrolled by a virtual pointer the test holds, read back as the
// console's events, with positions in the frame's pixels whoever scales the
// frame.
#include <gtest/gtest.h>

#include <string>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"

namespace vxr {
namespace {

using test::Compositor;
using test::EventReader;

class WaylandPointerEvents : public test::WaylandConsoleFixture {
protected:
    // sway with a pointer on its 640x480 output at the scale given, and a
    // 320x200 frame in a window sway tiles over the whole output: shown at
    // twice its size, 640x400 pixels, between bars 40 pixels high.
    void openTiled(int scale, bool compositorScales)
    {
        ASSERT_TRUE(startWithPointer({640, 480, static_cast<double>(scale)}));
        ASSERT_TRUE(open({.scaling = compositorScales ? Scaling::COMPOSITOR : Scaling::LIBRARY}));
        ASSERT_TRUE(test::eventually([&] {
            return console->clientWidth() == 640 && console->clientHeight() == 480;
        }));
        ASSERT_EQ(console->scalesInCompositor(), compositorScales);
    }
};

// Puts the pointer on the screen pixel (x, y) of the 640x480 output,
// whatever its scale, and reads events until one reports the pointer
// there. The pointer is the seat's held one: sway now and then drops the
// one event of a device that comes and goes. A move that still never
// shows is made again, from a pixel beside it, so that it is a move.
bool pointAt(Compositor& sway, EventReader& events, int x, int y, Event& out)
{
    constexpr int ATTEMPTS = 5;
    constexpr int PATIENCE_MS = 4000;
    for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
        if (attempt > 0 && !sway.placePointer(x > 0 ? x - 1 : x + 1, y, 640, 480)) return false;
        if (!sway.placePointer(x, y, 640, 480)) return false;
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

// Where the frame lies in the window, and who scales it there.
struct TiledCase {
    int outputScale;
    bool compositorScales;
    const char* name;
};

class WaylandPointerPositions : public WaylandPointerEvents,
                                public ::testing::WithParamInterface<TiledCase> {};

TEST_P(WaylandPointerPositions, AreFramePixels)
{
    ASSERT_NO_FATAL_FAILURE(openTiled(GetParam().outputScale, GetParam().compositorScales));
    expectPositionsMapped(compositor, *console);
}

// At scale 2 the window is 320x240 units of two pixels each; the pointer's
// positions come in units, half units included.
INSTANTIATE_TEST_SUITE_P(Scales, WaylandPointerPositions,
                         ::testing::Values(TiledCase{1, true, "compositor_scales"},
                                           TiledCase{1, false, "library_scales"},
                                           TiledCase{2, true, "compositor_scales_at_scale_2"},
                                           TiledCase{2, false, "library_scales_at_scale_2"}),
                         [](const auto& info) { return std::string(info.param.name); });

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

TEST_F(WaylandPointerEvents, ButtonsAndTheWheelArriveWhereThePointerIs)
{
    ASSERT_NO_FATAL_FAILURE(openTiled(1, true));
    Event event;
    ASSERT_TRUE(pointAt(compositor, *events, 100, 140, event)) << events->seen();

    for (const ButtonCase& button : BUTTONS) {
        SCOPED_TRACE(button.code);
        ASSERT_TRUE(compositor.click(button.code, true));
        ASSERT_TRUE(events->next(EventType::MouseDown, event)) << events->seen();
        EXPECT_EQ(event.button, button.button);
        expectFramePixel(event, 50, 50, true);
        MouseState mouse;
        ASSERT_EQ(console->mouseState(&mouse), 1);
        EXPECT_EQ(mouse.buttons, 1u << (button.button - 1));
        ASSERT_TRUE(compositor.click(button.code, false));
        ASSERT_TRUE(events->next(EventType::MouseUp, event)) << events->seen();
        EXPECT_EQ(event.button, button.button);
        ASSERT_EQ(console->mouseState(&mouse), 1);
        EXPECT_EQ(mouse.buttons, 0u);
    }

    // The vertical axis grows downward: a notch up is a step up.
    ASSERT_TRUE(compositor.scroll(0, -15, -1));
    ASSERT_TRUE(events->next(EventType::Wheel, event)) << events->seen();
    EXPECT_EQ(event.wheelY, 1.0f);
    EXPECT_EQ(event.wheelX, 0.0f);
    expectFramePixel(event, 50, 50, true);
    ASSERT_TRUE(compositor.scroll(0, 30, 2));
    ASSERT_TRUE(events->next(EventType::Wheel, event)) << events->seen();
    EXPECT_EQ(event.wheelY, -2.0f);
    ASSERT_TRUE(compositor.scroll(1, 15, 1));
    ASSERT_TRUE(events->next(EventType::Wheel, event)) << events->seen();
    EXPECT_EQ(event.wheelX, 1.0f);
    EXPECT_EQ(event.wheelY, 0.0f);
    // Without notches, smooth scrolling counts ten units a step.
    ASSERT_TRUE(compositor.scroll(0, 15, 0));
    ASSERT_TRUE(events->next(EventType::Wheel, event)) << events->seen();
    EXPECT_EQ(event.wheelY, -1.5f);
}

}  // namespace
}  // namespace vxr
