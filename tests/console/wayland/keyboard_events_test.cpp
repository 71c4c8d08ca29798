// Keys, text, modifiers and key repeat on a real sway, typed through its
// virtual keyboard and read back as the console's events.
#include <gtest/gtest.h>

#include <string>

#include "console/x11/x11_test_support.h"
#include "vxr/surface/surface_store.h"
#include "wayland_console_fixture.h"

namespace vxr {
namespace {

using test::Compositor;
using test::EventReader;

// sway with a keyboard on its seat, and a window that has the focus: keys
// typed from the start reach it.
class FocusedWindow : public test::WaylandConsoleFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startWithKeyboard());
        ASSERT_TRUE(openFocused());
    }
};

using WaylandKeyboardEvents = FocusedWindow;
using WaylandKeyRepeat = FocusedWindow;

TEST_F(WaylandKeyboardEvents, KeysTextAndModifiersFollowTheCompositorsKeymap)
{
    ASSERT_TRUE(compositor.type("a"));
    Event down, typed, up;
    ASSERT_TRUE(events->next(EventType::KeyDown, down)) << events->seen();
    ASSERT_TRUE(events->next(EventType::Text, typed)) << events->seen();
    ASSERT_TRUE(events->next(EventType::KeyUp, up)) << events->seen();
    EXPECT_EQ(down.symbol, U'a');
    EXPECT_FALSE(down.repeat);
    EXPECT_EQ(down.modifiers, 0u);
    EXPECT_STREQ(typed.text, "a");
    EXPECT_EQ(up.symbol, U'a');
    EXPECT_EQ(up.nativeCode, down.nativeCode);
    EXPECT_EQ(up.key, down.key);
    EXPECT_EQ(console->keyDown(down.key), 0);
    EXPECT_EQ(test::readAllKeys(*console), 1);

    // Control held: the key reports it, and a control character is no text.
    ASSERT_TRUE(compositor.typeWith("-M ctrl c -m ctrl"));
    ASSERT_TRUE(events->next(EventType::KeyDown, down)) << events->seen();
    EXPECT_EQ(down.symbol, U'c');
    EXPECT_EQ(down.modifiers, std::uint32_t{MODIFIER_CONTROL});
    EXPECT_EQ(events->textUntil(EventType::KeyUp), "") << events->seen();

    ASSERT_TRUE(compositor.typeWith("-M shift -M alt k -m alt -m shift"));
    ASSERT_TRUE(events->next(EventType::KeyDown, down)) << events->seen();
    EXPECT_EQ(down.symbol, U'k');
    EXPECT_EQ(down.modifiers, std::uint32_t{MODIFIER_SHIFT | MODIFIER_ALT});
    ASSERT_TRUE(events->next(EventType::KeyUp, up)) << events->seen();
    EXPECT_EQ(test::readAllKeys(*console), 2);
}

TEST_F(WaylandKeyboardEvents, TextBeyondAsciiAndBeyondTheFirstLayoutArrivesWhole)
{
    // wtype makes a keymap of its own for what it types, one key a character.
    const std::string typed = "é ß ж € 日";
    ASSERT_TRUE(compositor.type(typed));
    std::string text;
    Event event;
    while (text.size() < typed.size() && events->next(EventType::Text, event)) text += event.text;
    EXPECT_EQ(text, typed) << events->seen();
    // One press a character, spaces included.
    EXPECT_EQ(test::readAllKeys(*console), 9);
}

struct HeldKey {
    int repeats = 0;
    int texts = 0;
    bool released = false;
};

// Presses a, holds it for holdMs, releases it, and counts what arrived.
HeldKey holdA(Compositor& sway, EventReader& events, int holdMs)
{
    HeldKey held;
    if (!sway.typeWith("-P a -s " + std::to_string(holdMs) + " -p a")) return held;
    Event event;
    while (!held.released && events.next(event)) {
        if (event.type == EventType::KeyDown && event.repeat) ++held.repeats;
        if (event.type == EventType::Text) ++held.texts;
        held.released = event.type == EventType::KeyUp;
    }
    return held;
}

TEST_F(WaylandKeyRepeat, AHeldKeyRepeatsAtTheCompositorsRateAfterItsDelayAndStopsOnRelease)
{
    // sway's test configuration: a 300 ms delay, then 20 a second. Held for
    // a second, a key repeats at 300, 350, ... 1000 ms: 15 times, give or
    // take what a loaded machine shifts.
    const HeldKey second = holdA(compositor, *events, 1000);
    ASSERT_TRUE(second.released) << events->seen();
    EXPECT_GE(second.repeats, 10) << events->seen();
    EXPECT_LE(second.repeats, 20) << events->seen();
    EXPECT_EQ(second.texts, second.repeats + 1);
    // Each repeat counts as a press.
    EXPECT_EQ(test::readAllKeys(*console), second.repeats + 1);
    // Released, it repeats no more.
    for (const Event& event : events->until(500))
        EXPECT_NE(event.type, EventType::KeyDown) << test::describe(event);

    // Held past the compositor's delay but not the usual 600 ms default: it
    // repeats, about four times, only at the delay the compositor gave.
    const HeldKey brief = holdA(compositor, *events, 450);
    ASSERT_TRUE(brief.released) << events->seen();
    EXPECT_GE(brief.repeats, 1) << events->seen();
    EXPECT_LE(brief.repeats, 8) << events->seen();
}

}  // namespace
}  // namespace vxr
