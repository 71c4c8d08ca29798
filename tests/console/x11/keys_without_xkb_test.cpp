// A server without the XKB extension: the console reads the core keyboard
// mapping instead, and keys still come by their place, with their symbols,
// modifiers and text, and still count.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "extension_hiding_proxy.h"
#include "vxr/console/event.h"
#include "vxr/console/x11/x11_console.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

TEST(KeysWithoutXkb, ComeByTheirPlaceThroughTheCoreMapping)
{
    X11Session session;
    ASSERT_TRUE(session.start({24, 640, 480, true}));
    test::ExtensionHidingProxy proxy;
    ASSERT_TRUE(proxy.start(session.server.display(), "XKEYBOARD"));
    setenv("DISPLAY", proxy.display().c_str(), 1);
    auto console = std::make_unique<X11Console>();
    ASSERT_EQ(console->open(80, 50, PREFER32, -1, -1, -1), 1);
    // The console asked for XKB and was told there is none.
    EXPECT_GT(proxy.hiddenAnswers(), 0);
    const xcb_window_t window = X11Session::windowOf(*console);
    ASSERT_TRUE(session.hasFocus(window));

    ASSERT_TRUE(
        test::runXdotool(session.server.display(), {"key", "a", "shift+b", "ctrl+c", "2"}));
    struct Expected {
        Key key;
        char32_t symbol;
        std::uint32_t modifiers;
        const char* text;  // null: types nothing
    };
    const Expected keys[] = {{Key::A, U'a', 0, "a"},
                             {Key::LeftShift, 0, 0, nullptr},
                             {Key::B, U'b', MODIFIER_SHIFT, "B"},
                             {Key::LeftControl, 0, 0, nullptr},
                             {Key::C, U'c', MODIFIER_CONTROL, nullptr},
                             {Key::Digit2, U'2', 0, "2"}};
    std::vector<Event> downs, typed;
    Event event;
    while (console->waitEvent(&event, 20000)) {
        if (event.type == EventType::KeyDown) downs.push_back(event);
        if (event.type == EventType::Text) typed.push_back(event);
        if (event.type == EventType::KeyUp && event.key == Key::Digit2) break;
    }
    ASSERT_EQ(downs.size(), std::size(keys));
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < downs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(downs[i].key, keys[i].key);
        EXPECT_EQ(downs[i].symbol, keys[i].symbol);
        EXPECT_EQ(downs[i].modifiers, keys[i].modifiers);
        if (keys[i].text) texts.push_back(keys[i].text);
    }
    ASSERT_EQ(typed.size(), texts.size());
    for (std::size_t i = 0; i < typed.size(); ++i) EXPECT_EQ(typed[i].text, texts[i]);
    int counted = 0;
    while (console->keyPressed()) counted += console->readKey();
    EXPECT_EQ(counted, 6);
    console.reset();
    setenv("DISPLAY", session.server.display().c_str(), 1);
}

}  // namespace
}  // namespace vxr
