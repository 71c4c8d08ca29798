#include "vxr/console/key.h"
#include "vxr/console/input/native_key_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#if defined(__linux__)
#include <linux/input-event-codes.h>
#endif

namespace vxr {
namespace {

TEST(Key, NamesAreUniqueAndEveryMappedCodeHasOne)
{
    std::set<std::string> names;
    int named = 0;
    for (int value = 1; value < KEY_VALUE_LIMIT; ++value) {
        const std::string name = keyName(static_cast<Key>(value));
        if (name == "Unknown") continue;
        ++named;
        EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
    }
    // Letters, digits, F1-F24, arrows, editing keys, keypad and modifiers.
    EXPECT_GE(named, 120);
    for (std::uint32_t code = 0; code < 256; ++code) {
        const Key key = keyFromEvdev(code);
        if (key != Key::Unknown) {
            EXPECT_STRNE(keyName(key), "Unknown") << code;
        }
    }
    EXPECT_STREQ(keyName(static_cast<Key>(0x03)), "Unknown");
    EXPECT_STREQ(keyName(static_cast<Key>(0xFFFF)), "Unknown");
}

TEST(Key, ValuesFollowTheUsbUsageTable)
{
    EXPECT_EQ(static_cast<int>(Key::A), 0x04);
    EXPECT_EQ(static_cast<int>(Key::Z), 0x1D);
    EXPECT_EQ(static_cast<int>(Key::Digit0), 0x27);
    EXPECT_EQ(static_cast<int>(Key::Escape), 0x29);
    EXPECT_EQ(static_cast<int>(Key::F12), 0x45);
    EXPECT_EQ(static_cast<int>(Key::Up), 0x52);
    EXPECT_EQ(static_cast<int>(Key::KeypadEnter), 0x58);
    EXPECT_EQ(static_cast<int>(Key::F24), 0x73);
    EXPECT_EQ(static_cast<int>(Key::LeftControl), 0xE0);
    EXPECT_EQ(static_cast<int>(Key::RightSuper), 0xE7);
}

#if defined(__linux__)
TEST(Key, LinuxInputCodesFromTheKernelsOwnHeader)
{
    const struct {
        unsigned code;
        Key key;
    } expected[] = {
        {KEY_ESC, Key::Escape},         {KEY_1, Key::Digit1},
        {KEY_0, Key::Digit0},           {KEY_Q, Key::Q},
        {KEY_Y, Key::Y},                {KEY_Z, Key::Z},
        {KEY_ENTER, Key::Enter},        {KEY_LEFTCTRL, Key::LeftControl},
        {KEY_RIGHTALT, Key::RightAlt},  {KEY_LEFTMETA, Key::LeftSuper},
        {KEY_F1, Key::F1},              {KEY_F11, Key::F11},
        {KEY_F13, Key::F13},            {KEY_F24, Key::F24},
        {KEY_KP7, Key::Keypad7},        {KEY_KPENTER, Key::KeypadEnter},
        {KEY_KPSLASH, Key::KeypadDivide}, {KEY_KPDOT, Key::KeypadPeriod},
        {KEY_102ND, Key::NonUsBackslash}, {KEY_COMPOSE, Key::Menu},
        {KEY_HOME, Key::Home},          {KEY_UP, Key::Up},
        {KEY_LEFT, Key::Left},          {KEY_DELETE, Key::Delete},
        {KEY_SYSRQ, Key::PrintScreen},  {KEY_PAUSE, Key::Pause},
        {KEY_NUMLOCK, Key::NumLock},    {KEY_GRAVE, Key::Grave},
        {KEY_APOSTROPHE, Key::Apostrophe}, {KEY_BACKSLASH, Key::Backslash},
    };
    for (const auto& row : expected)
        EXPECT_EQ(keyFromEvdev(row.code), row.key) << "input code " << row.code;
    EXPECT_EQ(keyFromEvdev(KEY_RESERVED), Key::Unknown);
    EXPECT_EQ(keyFromEvdev(KEY_MAX), Key::Unknown);
    EXPECT_EQ(keyFromEvdev(0xFFFFFFFFu), Key::Unknown);
}
#endif

TEST(Key, WindowsScanCodesKeepExtendedKeysApart)
{
    EXPECT_EQ(keyFromScanCode(0x1C), Key::Enter);
    EXPECT_EQ(keyFromScanCode(0xE01C), Key::KeypadEnter);
    EXPECT_EQ(keyFromScanCode(0x1D), Key::LeftControl);
    EXPECT_EQ(keyFromScanCode(0xE01D), Key::RightControl);
    EXPECT_EQ(keyFromScanCode(0x48), Key::Keypad8);
    EXPECT_EQ(keyFromScanCode(0xE048), Key::Up);
    // A key message reports Pause as a plain 0x45 and Num Lock as an extended one.
    EXPECT_EQ(keyFromScanCode(0x45), Key::Pause);
    EXPECT_EQ(keyFromScanCode(0xE045), Key::NumLock);
    EXPECT_EQ(keyFromScanCode(0x2C), Key::Z);
    EXPECT_EQ(keyFromScanCode(0xE15B), Key::Unknown);
    EXPECT_EQ(keyFromScanCode(0x80), Key::Unknown);
    EXPECT_EQ(keyFromScanCode(0x1E01C), Key::Unknown);
}

TEST(Key, BrowserCodesNameThePlaceNotTheLayoutsSymbol)
{
    EXPECT_EQ(keyFromDomCode("KeyA"), Key::A);
    EXPECT_EQ(keyFromDomCode("KeyZ"), Key::Z);
    EXPECT_EQ(keyFromDomCode("Digit0"), Key::Digit0);
    EXPECT_EQ(keyFromDomCode("Quote"), Key::Apostrophe);
    EXPECT_EQ(keyFromDomCode("Backquote"), Key::Grave);
    EXPECT_EQ(keyFromDomCode("IntlBackslash"), Key::NonUsBackslash);
    EXPECT_EQ(keyFromDomCode("Enter"), Key::Enter);
    EXPECT_EQ(keyFromDomCode("NumpadEnter"), Key::KeypadEnter);
    EXPECT_EQ(keyFromDomCode("Numpad7"), Key::Keypad7);
    EXPECT_EQ(keyFromDomCode("NumpadSubtract"), Key::KeypadMinus);
    EXPECT_EQ(keyFromDomCode("ArrowUp"), Key::Up);
    EXPECT_EQ(keyFromDomCode("ShiftRight"), Key::RightShift);
    EXPECT_EQ(keyFromDomCode("MetaLeft"), Key::LeftSuper);
    EXPECT_EQ(keyFromDomCode("F24"), Key::F24);
    // Names are whole and case matters, as the browser spells them.
    EXPECT_EQ(keyFromDomCode("keya"), Key::Unknown);
    EXPECT_EQ(keyFromDomCode("Key"), Key::Unknown);
    EXPECT_EQ(keyFromDomCode(""), Key::Unknown);
    EXPECT_EQ(keyFromDomCode(nullptr), Key::Unknown);
}

TEST(Key, ModifierNamesJoinWithPlusOrSayNone)
{
    char out[MODIFIER_NAMES_CAPACITY];
    modifierNames(0, out);
    EXPECT_STREQ(out, "none");
    modifierNames(MODIFIER_SHIFT | MODIFIER_CONTROL, out);
    EXPECT_STREQ(out, "shift+ctrl");
    modifierNames(0xFFFFFFFFu, out);
    EXPECT_STREQ(out, "shift+ctrl+alt+super+caps+num");
}

}  // namespace
}  // namespace vxr
