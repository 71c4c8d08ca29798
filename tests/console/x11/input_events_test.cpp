// Input on the X11 console as a user makes it: keys, layouts and pointer
// injected through the server's XTEST (xdotool, or the test's own requests
// for floods), window changes made on the server, and every event read
// back through the console.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "vxr/console/event.h"
#include "vxr/console/input/event_queue.h"
#include "vxr/console/x11/x11_console.h"
#include "x11_session.h"
#include "xtest_input.h"

namespace vxr {
namespace {

using test::X11Session;

constexpr int FRAME_WIDTH = 80;
constexpr int FRAME_HEIGHT = 50;
constexpr int PATIENCE_MS = 20000;
// The X key code of the key at the US A position.
constexpr std::uint8_t KEYCODE_A = 38;

bool runTool(const std::string& display, const std::vector<std::string>& command)
{
    test::ChildProcess tool;
    return tool.start(command, "", display) && tool.waitForExit() == 0;
}

// The largest area of the frame's aspect in the client, centred; worked
// out here on its own, width first.
struct Box {
    int x, y, width, height;
};

Box letterboxOf(int clientWidth, int clientHeight)
{
    int width = clientWidth, height = clientWidth * FRAME_HEIGHT / FRAME_WIDTH;
    if (height > clientHeight) {
        height = clientHeight;
        width = clientHeight * FRAME_WIDTH / FRAME_HEIGHT;
    }
    return Box{(clientWidth - width) / 2, (clientHeight - height) / 2, width, height};
}

class InputEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The compose table (dead keys) is the locale's.
        setenv("LANG", "en_US.UTF-8", 1);
        ASSERT_TRUE(session.start({24, 640, 480, true}));
        console = std::make_unique<X11Console>();
        ASSERT_EQ(console->open(FRAME_WIDTH, FRAME_HEIGHT, PREFER32, -1, -1, -1), 1);
        window = X11Session::windowOf(*console);
        ASSERT_TRUE(session.hasFocus(window));
    }

    bool xdotool(const std::vector<std::string>& arguments)
    {
        return test::runXdotool(session.server.display(), arguments);
    }

    bool setLayout(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> command = {"/usr/bin/setxkbmap"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return runTool(session.server.display(), command);
    }

    // Reads events until one of the type that also passes the check comes;
    // the ones before it are kept in skipped.
    template <class Check>
    bool nextWhere(EventType type, Event& found, Check check)
    {
        skipped.clear();
        Event event;
        while (console->waitEvent(&event, PATIENCE_MS)) {
            if (event.type == type && check(event)) {
                found = event;
                return true;
            }
            skipped.push_back(event);
        }
        return false;
    }
    bool next(EventType type, Event& found)
    {
        return nextWhere(type, found, [](const Event&) { return true; });
    }
    bool nextKey(EventType type, Key key, Event& found)
    {
        return nextWhere(type, found, [key](const Event& event) { return event.key == key; });
    }

    // Taps a key by its X name: where it sits, the symbol it gives and the
    // one text it types on the layout the server has now.
    void expectTap(const char* name, Key key, char32_t symbol, const char* text)
    {
        ASSERT_TRUE(xdotool({"key", name}));
        Event down, up;
        ASSERT_TRUE(next(EventType::KeyDown, down));
        EXPECT_EQ(down.key, key);
        EXPECT_EQ(down.symbol, symbol);
        ASSERT_TRUE(next(EventType::KeyUp, up));
        const auto typed = skippedOf(EventType::Text);
        ASSERT_EQ(typed.size(), 1u);
        EXPECT_STREQ(typed[0].text, text);
    }

    // The events of a type among those skipped on the way to the last one found.
    std::vector<Event> skippedOf(EventType type) const
    {
        std::vector<Event> kept;
        for (const Event& event : skipped)
            if (event.type == type) kept.push_back(event);
        return kept;
    }

    // Moves the pointer to a place in the window and reads the motion back.
    PointerPosition pointerAt(int x, int y)
    {
        PointerPosition at;
        EXPECT_TRUE(session.pointerAt(*console, window, x, y, at))
            << "no motion to " << x << ", " << y;
        return at;
    }

    X11Session session;
    std::unique_ptr<X11Console> console;
    xcb_window_t window = 0;
    std::vector<Event> skipped;
};

// ---- keys ---------------------------------------------------------------------

TEST_F(InputEvents, KeysGoDownAndUpWithTheirSymbolModifiersAndText)
{
    ASSERT_TRUE(xdotool({"key", "a"}));
    Event down, up;
    ASSERT_TRUE(nextKey(EventType::KeyDown, Key::A, down));
    EXPECT_EQ(down.nativeCode, KEYCODE_A);
    EXPECT_EQ(down.symbol, U'a');
    EXPECT_EQ(down.modifiers, 0u);
    EXPECT_FALSE(down.repeat);
    ASSERT_TRUE(nextKey(EventType::KeyUp, Key::A, up));
    const auto typed = skippedOf(EventType::Text);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_STREQ(typed[0].text, "a");

    ASSERT_TRUE(xdotool({"key", "shift+ctrl+a"}));
    ASSERT_TRUE(nextKey(EventType::KeyDown, Key::A, down));
    EXPECT_EQ(down.modifiers, std::uint32_t(MODIFIER_SHIFT | MODIFIER_CONTROL));
    // Its symbol is what the key types unmodified: what shortcuts follow.
    EXPECT_EQ(down.symbol, U'a');
    ASSERT_TRUE(nextKey(EventType::KeyUp, Key::A, up));
    EXPECT_TRUE(skippedOf(EventType::Text).empty()) << "Ctrl+Shift+A types nothing";

    ASSERT_TRUE(xdotool({"key", "shift+b"}));
    ASSERT_TRUE(nextKey(EventType::KeyUp, Key::B, up));
    const auto shifted = skippedOf(EventType::Text);
    ASSERT_EQ(shifted.size(), 1u);
    EXPECT_STREQ(shifted[0].text, "B");
    // xdotool lets go of Shift first; then no key is held.
    const auto released = skippedOf(EventType::KeyUp);
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0].key, Key::LeftShift);
    EXPECT_EQ(up.modifiers, 0u);
    EXPECT_EQ(console->keyDown(Key::LeftShift), 0);
    EXPECT_EQ(console->keyDown(Key::B), 0);

    // Every press counted once: a; shift, ctrl, a; shift, b.
    EXPECT_EQ(test::readAllKeys(*console), 6);
}

TEST_F(InputEvents, AHeldKeyRepeatsAsKeyDownsWithoutReleases)
{
    // The server repeats a held key after its delay (660 ms on Xvfb).
    // B afterwards marks the end: every event of A comes before it.
    ASSERT_TRUE(xdotool({"keydown", "a", "sleep", "1.5", "keyup", "a", "key", "b"}));
    Event marker;
    ASSERT_TRUE(nextKey(EventType::KeyDown, Key::B, marker));
    const auto downs = skippedOf(EventType::KeyDown);
    ASSERT_GE(downs.size(), 3u);
    EXPECT_FALSE(downs[0].repeat);
    for (std::size_t i = 1; i < downs.size(); ++i) {
        EXPECT_EQ(downs[i].key, Key::A);
        EXPECT_TRUE(downs[i].repeat) << "key down " << i;
    }
    EXPECT_EQ(skippedOf(EventType::KeyUp).size(), 1u) << "a release between repeats";
    // The text comes with every repeat, as the key types again.
    EXPECT_EQ(skippedOf(EventType::Text).size(), downs.size());
    EXPECT_EQ(test::readAllKeys(*console), static_cast<int>(downs.size()) + 1);
    EXPECT_EQ(console->keyDown(Key::A), 0);
}

TEST_F(InputEvents, KeysFollowALayoutChangedWhileTheWindowIsOpen)
{
    ASSERT_TRUE(setLayout({"-layout", "de"}));
    // On a German keyboard Z and Y trade places.
    ASSERT_NO_FATAL_FAILURE(expectTap("z", Key::Y, U'z', "z"));
    ASSERT_TRUE(setLayout({"-layout", "us"}));
    ASSERT_NO_FATAL_FAILURE(expectTap("z", Key::Z, U'z', "z"));
}

TEST_F(InputEvents, TextComesAfterTheLayoutDeadKeysAndCompose)
{
    ASSERT_TRUE(setLayout({"-layout", "fr"}));
    ASSERT_NO_FATAL_FAILURE(expectTap("eacute", Key::Digit2, U'\u00E9', "\xC3\xA9"));

    // A dead acute then e: one character, and nothing for the dead key.
    ASSERT_TRUE(setLayout({"-layout", "us", "-variant", "intl"}));
    ASSERT_TRUE(xdotool({"key", "dead_acute", "e"}));
    Event up;
    ASSERT_TRUE(nextKey(EventType::KeyUp, Key::E, up));
    const auto typed = skippedOf(EventType::Text);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_STREQ(typed[0].text, "\xC3\xA9");
}

// ---- the pointer --------------------------------------------------------------

TEST_F(InputEvents, PointerPositionsAreFramePixelsThroughTheLetterbox)
{
    // Odd sizes, one with bars above and below, one with bars beside.
    const int sizes[][2] = {{333, 271}, {401, 150}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1];
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        session.view.resize(window, width, height);
        Event resized;
        ASSERT_TRUE(next(EventType::Resize, resized));
        EXPECT_EQ(resized.width, width);
        EXPECT_EQ(resized.height, height);

        const Box area = letterboxOf(width, height);
        const int right = area.x + area.width - 1, bottom = area.y + area.height - 1;
        struct Corner {
            int windowX, windowY, frameX, frameY;
        };
        const Corner corners[] = {{area.x, area.y, 0, 0},
                                  {right, area.y, FRAME_WIDTH - 1, 0},
                                  {area.x, bottom, 0, FRAME_HEIGHT - 1},
                                  {right, bottom, FRAME_WIDTH - 1, FRAME_HEIGHT - 1}};
        for (const Corner& corner : corners) {
            const PointerPosition at = pointerAt(corner.windowX, corner.windowY);
            EXPECT_EQ(at.x, corner.frameX) << corner.windowX << ", " << corner.windowY;
            EXPECT_EQ(at.y, corner.frameY) << corner.windowX << ", " << corner.windowY;
            EXPECT_TRUE(at.inside);
        }
        // Just past the frame's edges, in the bars.
        const bool barsAbove = area.y > 0;
        const PointerPosition before =
            barsAbove ? pointerAt(area.x + 7, area.y - 1) : pointerAt(area.x - 1, area.y + 7);
        const PointerPosition after = barsAbove ? pointerAt(area.x + 7, bottom + 1)
                                                : pointerAt(right + 1, area.y + 7);
        EXPECT_FALSE(before.inside);
        EXPECT_FALSE(after.inside);
        EXPECT_LT(barsAbove ? before.y : before.x, 0);
        EXPECT_GE(barsAbove ? after.y : after.x, barsAbove ? FRAME_HEIGHT : FRAME_WIDTH);
        MouseState mouse;
        ASSERT_EQ(console->mouseState(&mouse), 1);
        EXPECT_TRUE(mouse.overWindow);
        EXPECT_EQ(mouse.position.windowX, after.windowX);
        EXPECT_FALSE(mouse.position.inside);
    }
}

TEST_F(InputEvents, ThePointerLeavesAndEntersTheWindow)
{
    // As opened, the window shows the frame at a whole scale, without bars.
    int width = 0, height = 0;
    ASSERT_TRUE(session.view.geometry(window, width, height));
    const int scale = width / FRAME_WIDTH;
    ASSERT_EQ(height, FRAME_HEIGHT * scale);
    const PointerPosition at = pointerAt(3 * scale + scale - 1, 2 * scale);
    EXPECT_EQ(at.x, 3);
    EXPECT_EQ(at.y, 2);
    EXPECT_TRUE(at.inside);
    // The window is at the screen's corner; the screen's far corner is outside.
    ASSERT_TRUE(xdotool({"mousemove", "630", "470"}));
    Event left, entered;
    ASSERT_TRUE(next(EventType::MouseLeave, left));
    MouseState mouse;
    ASSERT_EQ(console->mouseState(&mouse), 1);
    EXPECT_FALSE(mouse.overWindow);
    ASSERT_TRUE(xdotool({"mousemove", "30", "40"}));
    ASSERT_TRUE(next(EventType::MouseEnter, entered));
    EXPECT_EQ(entered.pointer.windowX, 30);
    EXPECT_EQ(entered.pointer.windowY, 40);
}

TEST_F(InputEvents, AFullScreenFrameIsPlacedBetweenItsBars)
{
    // 640x480 shows 80x50 at 640x400, 40 lines of bars above and below.
    ASSERT_EQ(console->open(FRAME_WIDTH, FRAME_HEIGHT, PREFER32, FULLSCREEN, -1, -1), 1);
    window = X11Session::windowOf(*console);
    ASSERT_TRUE(session.hasFocus(window));
    PointerPosition at = pointerAt(639, 40);
    EXPECT_EQ(at.x, FRAME_WIDTH - 1);
    EXPECT_EQ(at.y, 0);
    EXPECT_TRUE(at.inside);
    at = pointerAt(0, 439);
    EXPECT_EQ(at.x, 0);
    EXPECT_EQ(at.y, FRAME_HEIGHT - 1);
    EXPECT_TRUE(at.inside);
    at = pointerAt(0, 39);
    EXPECT_FALSE(at.inside);
    EXPECT_LT(at.y, 0);
}

TEST_F(InputEvents, ButtonsAndWheelNotches)
{
    pointerAt(100, 60);
    // Left, middle, right, then the side buttons back and forward.
    ASSERT_TRUE(xdotool({"click", "1", "click", "2", "click", "3", "click", "8", "click", "9"}));
    for (int button = BUTTON_LEFT; button <= BUTTON_FORWARD; ++button) {
        Event down, up;
        ASSERT_TRUE(next(EventType::MouseDown, down)) << button;
        EXPECT_EQ(down.button, button);
        EXPECT_EQ(down.pointer.windowX, 100);
        ASSERT_TRUE(next(EventType::MouseUp, up)) << button;
        EXPECT_EQ(up.button, button);
    }
    // Up, down, left, right: one step each, and no button.
    ASSERT_TRUE(xdotool({"click", "4", "click", "5", "click", "6", "click", "7"}));
    const float steps[][2] = {{0, 1}, {0, -1}, {-1, 0}, {1, 0}};
    for (const auto& step : steps) {
        Event notch;
        ASSERT_TRUE(next(EventType::Wheel, notch));
        EXPECT_EQ(notch.wheelX, step[0]);
        EXPECT_EQ(notch.wheelY, step[1]);
        EXPECT_TRUE(skippedOf(EventType::MouseDown).empty());
        EXPECT_TRUE(skippedOf(EventType::MouseUp).empty());
    }
    MouseState mouse;
    ASSERT_EQ(console->mouseState(&mouse), 1);
    EXPECT_EQ(mouse.buttons, 0u);
}

TEST_F(InputEvents, AFloodOfMotionStaysBoundedAndLosesNoKey)
{
    test::XtestInput input;
    ASSERT_TRUE(input.connect(session.server.display()));
    constexpr int MOTIONS = 100000;
    // Every step moves, inside the window: each one is a motion event.
    for (int i = 0; i < MOTIONS; ++i)
        input.movePointer(static_cast<std::int16_t>(10 + i % 200),
                          static_cast<std::int16_t>(10 + i / 200 % 200));
    input.key(KEYCODE_A, true);
    input.key(KEYCODE_A, false);
    ASSERT_TRUE(input.sync());
    // Nothing is read while the window thread takes the flood: once the key
    // is counted, every motion before it has been posted.
    ASSERT_TRUE(test::eventually([&] { return console->keyPressed() != 0; }));
    Event down, up;
    ASSERT_TRUE(nextKey(EventType::KeyDown, Key::A, down));
    EXPECT_LE(skipped.size(), std::size_t(EventQueue::CAPACITY));
    const auto moves = skippedOf(EventType::MouseMove);
    ASSERT_FALSE(moves.empty());
    const int last = MOTIONS - 1;
    EXPECT_EQ(moves.back().pointer.windowX, 10 + last % 200);
    EXPECT_EQ(moves.back().pointer.windowY, 10 + last / 200 % 200);
    ASSERT_TRUE(nextKey(EventType::KeyUp, Key::A, up));
    EXPECT_EQ(console->droppedEvents(), 0u);
    EXPECT_EQ(test::readAllKeys(*console), 1);
}

// ---- the window ---------------------------------------------------------------

TEST_F(InputEvents, AMoveIsNoResize)
{
    const std::uint32_t place[] = {40, 30};
    xcb_configure_window(session.view.link(), window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                         place);
    session.view.resize(window, 200, 100);
    Event resized;
    ASSERT_TRUE(next(EventType::Resize, resized));
    EXPECT_EQ(resized.width, 200);
    EXPECT_EQ(resized.height, 100);
}

TEST_F(InputEvents, FocusMovesToAnotherWindowAndBack)
{
    xcb_connection_t* link = session.view.link();
    const xcb_window_t other = xcb_generate_id(link);
    xcb_create_window(link, XCB_COPY_FROM_PARENT, other, session.view.root(), 500, 400, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(link, other);
    xcb_flush(link);
    Event focus;
    ASSERT_TRUE(next(EventType::FocusIn, focus));  // the window's own, as it opened

    // A key held as the focus goes is let go of.
    ASSERT_TRUE(xdotool({"keydown", "a"}));
    Event down, released;
    ASSERT_TRUE(nextKey(EventType::KeyDown, Key::A, down));
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", std::to_string(other)}));
    ASSERT_TRUE(next(EventType::FocusOut, focus));
    ASSERT_EQ(skippedOf(EventType::KeyUp).size(), 1u);
    EXPECT_EQ(skippedOf(EventType::KeyUp)[0].key, Key::A);
    EXPECT_EQ(console->keyDown(Key::A), 0);
    ASSERT_TRUE(xdotool({"keyup", "a"}));

    ASSERT_TRUE(xdotool({"windowfocus", "--sync", std::to_string(window)}));
    ASSERT_TRUE(next(EventType::FocusIn, focus));
    // The key went up elsewhere: no second release reaches the window.
    EXPECT_TRUE(skippedOf(EventType::KeyUp).empty());
    xcb_destroy_window(link, other);
    xcb_flush(link);
}

TEST_F(InputEvents, TheWindowManagersCloseIsAnEventWhenAsked)
{
    ASSERT_EQ(console->closeAsEvent(1), 1);
    session.view.sendDelete(window);
    Event close;
    ASSERT_TRUE(next(EventType::Close, close));
    // The program goes on with its window.
    EXPECT_EQ(X11Session::windowOf(*console), window);
    ASSERT_TRUE(xdotool({"key", "a"}));
    Event down;
    EXPECT_TRUE(nextKey(EventType::KeyDown, Key::A, down));
}

}  // namespace
}  // namespace vxr
