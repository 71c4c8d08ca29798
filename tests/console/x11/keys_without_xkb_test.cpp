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

// A console on a display whose server has no XKB, as far as the console
// can tell: the test's own Xvfb behind a proxy that hides it.
class KeysWithoutXkb : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.start({24, 640, 480, true}));
        ASSERT_TRUE(proxy.start(session.server.display(), "XKEYBOARD"));
        setenv("DISPLAY", proxy.display().c_str(), 1);
        console = std::make_unique<X11Console>();
        ASSERT_EQ(console->open(80, 50, PREFER32, -1, -1, -1), 1);
        // The console asked for XKB and was told there is none.
        EXPECT_GT(proxy.hiddenAnswers(), 0);
        ASSERT_TRUE(session.hasFocus(X11Session::windowOf(*console)));
    }

    void TearDown() override
    {
        console.reset();
        setenv("DISPLAY", session.server.display().c_str(), 1);
    }

    X11Session session;
    test::ExtensionHidingProxy proxy;
    std::unique_ptr<X11Console> console;
};

TEST_F(KeysWithoutXkb, ComeByTheirPlaceThroughTheCoreMapping)
{
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
    EXPECT_EQ(test::readAllKeys(*console), 6);
}

TEST_F(KeysWithoutXkb, AHeldKeyRepeatsWithoutReleases)
{
    // The server sends each repeat as a release and a press at one time.
    // B afterwards marks the end: every event of A comes before it.
    ASSERT_TRUE(test::runXdotool(session.server.display(),
                                 {"keydown", "a", "sleep", "1.5", "keyup", "a", "key", "b"}));
    std::vector<Event> downs;
    int ups = 0;
    Event event;
    while (console->waitEvent(&event, 20000) &&
           !(event.type == EventType::KeyDown && event.key == Key::B)) {
        if (event.type == EventType::KeyDown) downs.push_back(event);
        if (event.type == EventType::KeyUp) ++ups;
    }
    ASSERT_EQ(event.key, Key::B);
    ASSERT_GE(downs.size(), 3u);
    EXPECT_FALSE(downs[0].repeat);
    for (std::size_t i = 1; i < downs.size(); ++i) EXPECT_TRUE(downs[i].repeat) << i;
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(test::readAllKeys(*console), static_cast<int>(downs.size()) + 1);
}

}  // namespace
}  // namespace vxr
