// The keys of key messages, against the scan codes Wine's own keyboard
// layout gives for each virtual key: the scan code table and the virtual key
// table used where a message has no scan code must name the same key.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "vxr/console/key.h"
#include "vxr/console/windows/window_console.h"

namespace vxr {
namespace {

constexpr LPARAM EXTENDED_BIT = LPARAM{1} << 24;

// The keys Windows documents as extended: the right Alt and Ctrl, the
// cluster between the main block and the keypad, NumLock, Print Screen, the
// keypad's divide, and the Windows and menu keys. Their messages carry the
// extended bit.
const std::set<unsigned> EXTENDED_VIRTUAL_KEYS = {
    VK_RMENU, VK_RCONTROL, VK_INSERT, VK_DELETE, VK_HOME,    VK_END,  VK_PRIOR, VK_NEXT,
    VK_LEFT,  VK_RIGHT,    VK_UP,     VK_DOWN,   VK_NUMLOCK, VK_SNAPSHOT, VK_DIVIDE,
    VK_LWIN,  VK_RWIN,     VK_APPS,
};

// A key message's lParam for a virtual key's scan code as
// MAPVK_VK_TO_VSC_EX gives it: 0xE0 in the high byte for an extended key.
// Wine's layout leaves that prefix off; the documented list puts it back.
LPARAM messageFor(unsigned virtualKey, UINT scanCode)
{
    LPARAM lParam = 1 | static_cast<LPARAM>(scanCode & 0xFF) << 16;
    if ((scanCode >> 8) == 0xE0 || EXTENDED_VIRTUAL_KEYS.count(virtualKey))
        lParam |= EXTENDED_BIT;
    return lParam;
}

// Keys whose virtual keys a plain PC keyboard has not, or whose virtual key
// stands for more than one key on the layouts that have it.
const std::set<Key> WITHOUT_VIRTUAL_KEY = {
    Key::Power,          Key::KeypadEqual,    Key::International1, Key::International2,
    Key::International3, Key::Lang1,          Key::Lang2,          Key::KeypadEnter,
};

TEST(KeyMapping, EveryKeyWithAVirtualKeyHasOne)
{
    std::set<Key> covered;
    for (unsigned virtualKey = 0; virtualKey < 256; ++virtualKey)
        covered.insert(WindowConsole::keyFromVirtualKey(virtualKey));
    for (int value = 1; value < 256; ++value) {
        const Key key = static_cast<Key>(value);
        if (std::string(keyName(key)) == "Unknown" || WITHOUT_VIRTUAL_KEY.count(key)) continue;
        EXPECT_TRUE(covered.count(key)) << keyName(key) << " has no virtual key";
    }
}

TEST(KeyMapping, TheLayoutsScanCodesNameTheKeysOfTheirVirtualKeys)
{
    int compared = 0;
    for (unsigned virtualKey = 1; virtualKey < 256; ++virtualKey) {
        const Key expected = WindowConsole::keyFromVirtualKey(virtualKey);
        if (expected == Key::Unknown) continue;
        const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC_EX);
        if (scanCode == 0) continue;  // not on this layout
        std::uint32_t native = 0;
        const Key found =
            WindowConsole::keyFromKeyMessage(virtualKey, messageFor(virtualKey, scanCode), &native);
        EXPECT_EQ(found, expected) << "virtual key 0x" << std::hex << virtualKey
                                   << ", scan code 0x" << scanCode << ": " << keyName(found)
                                   << " for " << keyName(expected);
        ++compared;
    }
    // A layout that named few keys would prove little.
    EXPECT_GE(compared, 90);
}

TEST(KeyMapping, AMessageWithoutAScanCodeFallsBackOnItsVirtualKey)
{
    std::uint32_t native = 0;
    EXPECT_EQ(WindowConsole::keyFromKeyMessage('K', 1, &native), Key::K);
    EXPECT_EQ(native, static_cast<std::uint32_t>('K'));
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(VK_RETURN, 1 | EXTENDED_BIT, &native),
              Key::KeypadEnter);
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(VK_RSHIFT, 1, &native), Key::RightShift);
    // A scan code no key has: the virtual key still names it.
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(VK_F5, 1 | LPARAM{0x7F} << 16, &native), Key::F5);
    EXPECT_EQ(native, 0x7Fu);
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(0xFF, 1, &native), Key::Unknown);
}

TEST(KeyMapping, PauseAndNumLockGoByVirtualKeyWhateverTheExtendedBitSays)
{
    const LPARAM plain = 1 | LPARAM{0x45} << 16;
    std::uint32_t native = 0;
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(VK_NUMLOCK, plain, &native), Key::NumLock);
    EXPECT_EQ(native, 0xE045u);
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(VK_PAUSE, plain | EXTENDED_BIT, &native),
              Key::Pause);
    EXPECT_EQ(native, 0x45u);
    // The left and right modifiers come as one virtual key and differ by scan code.
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(VK_SHIFT, 1 | LPARAM{0x36} << 16, &native),
              Key::RightShift);
    EXPECT_EQ(WindowConsole::keyFromKeyMessage(VK_MENU, 1 | LPARAM{0x38} << 16 | EXTENDED_BIT,
                                               &native),
              Key::RightAlt);
}

}  // namespace
}  // namespace vxr
