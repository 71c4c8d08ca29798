#include "vxr/console/key.h"

#include <array>
#include <cstring>

namespace vxr {
namespace {

// One row per key: every lookup table is derived from these rows, so a key
// is named and placed once.
struct KeyRow {
    Key key;
    const char* name;
    std::uint16_t evdev;     // Linux input event code
    std::uint16_t scanCode;  // Windows scan code, 0xE000 added for extended keys
};

constexpr KeyRow KEY_ROWS[] = {
    {Key::A, "A", 30, 0x001E},
    {Key::B, "B", 48, 0x0030},
    {Key::C, "C", 46, 0x002E},
    {Key::D, "D", 32, 0x0020},
    {Key::E, "E", 18, 0x0012},
    {Key::F, "F", 33, 0x0021},
    {Key::G, "G", 34, 0x0022},
    {Key::H, "H", 35, 0x0023},
    {Key::I, "I", 23, 0x0017},
    {Key::J, "J", 36, 0x0024},
    {Key::K, "K", 37, 0x0025},
    {Key::L, "L", 38, 0x0026},
    {Key::M, "M", 50, 0x0032},
    {Key::N, "N", 49, 0x0031},
    {Key::O, "O", 24, 0x0018},
    {Key::P, "P", 25, 0x0019},
    {Key::Q, "Q", 16, 0x0010},
    {Key::R, "R", 19, 0x0013},
    {Key::S, "S", 31, 0x001F},
    {Key::T, "T", 20, 0x0014},
    {Key::U, "U", 22, 0x0016},
    {Key::V, "V", 47, 0x002F},
    {Key::W, "W", 17, 0x0011},
    {Key::X, "X", 45, 0x002D},
    {Key::Y, "Y", 21, 0x0015},
    {Key::Z, "Z", 44, 0x002C},
    {Key::Digit1, "Digit1", 2, 0x0002},
    {Key::Digit2, "Digit2", 3, 0x0003},
    {Key::Digit3, "Digit3", 4, 0x0004},
    {Key::Digit4, "Digit4", 5, 0x0005},
    {Key::Digit5, "Digit5", 6, 0x0006},
    {Key::Digit6, "Digit6", 7, 0x0007},
    {Key::Digit7, "Digit7", 8, 0x0008},
    {Key::Digit8, "Digit8", 9, 0x0009},
    {Key::Digit9, "Digit9", 10, 0x000A},
    {Key::Digit0, "Digit0", 11, 0x000B},
    {Key::Enter, "Enter", 28, 0x001C},
    {Key::Escape, "Escape", 1, 0x0001},
    {Key::Backspace, "Backspace", 14, 0x000E},
    {Key::Tab, "Tab", 15, 0x000F},
    {Key::Space, "Space", 57, 0x0039},
    {Key::Minus, "Minus", 12, 0x000C},
    {Key::Equal, "Equal", 13, 0x000D},
    {Key::LeftBracket, "LeftBracket", 26, 0x001A},
    {Key::RightBracket, "RightBracket", 27, 0x001B},
    {Key::Backslash, "Backslash", 43, 0x002B},
    {Key::Semicolon, "Semicolon", 39, 0x0027},
    {Key::Apostrophe, "Apostrophe", 40, 0x0028},
    {Key::Grave, "Grave", 41, 0x0029},
    {Key::Comma, "Comma", 51, 0x0033},
    {Key::Period, "Period", 52, 0x0034},
    {Key::Slash, "Slash", 53, 0x0035},
    {Key::CapsLock, "CapsLock", 58, 0x003A},
    {Key::F1, "F1", 59, 0x003B},
    {Key::F2, "F2", 60, 0x003C},
    {Key::F3, "F3", 61, 0x003D},
    {Key::F4, "F4", 62, 0x003E},
    {Key::F5, "F5", 63, 0x003F},
    {Key::F6, "F6", 64, 0x0040},
    {Key::F7, "F7", 65, 0x0041},
    {Key::F8, "F8", 66, 0x0042},
    {Key::F9, "F9", 67, 0x0043},
    {Key::F10, "F10", 68, 0x0044},
    {Key::F11, "F11", 87, 0x0057},
    {Key::F12, "F12", 88, 0x0058},
    {Key::PrintScreen, "PrintScreen", 99, 0xE037},
    {Key::ScrollLock, "ScrollLock", 70, 0x0046},
    {Key::Pause, "Pause", 119, 0x0045},
    {Key::Insert, "Insert", 110, 0xE052},
    {Key::Home, "Home", 102, 0xE047},
    {Key::PageUp, "PageUp", 104, 0xE049},
    {Key::Delete, "Delete", 111, 0xE053},
    {Key::End, "End", 107, 0xE04F},
    {Key::PageDown, "PageDown", 109, 0xE051},
    {Key::Right, "Right", 106, 0xE04D},
    {Key::Left, "Left", 105, 0xE04B},
    {Key::Down, "Down", 108, 0xE050},
    {Key::Up, "Up", 103, 0xE048},
    {Key::NumLock, "NumLock", 69, 0xE045},
    {Key::KeypadDivide, "KeypadDivide", 98, 0xE035},
    {Key::KeypadMultiply, "KeypadMultiply", 55, 0x0037},
    {Key::KeypadMinus, "KeypadMinus", 74, 0x004A},
    {Key::KeypadPlus, "KeypadPlus", 78, 0x004E},
    {Key::KeypadEnter, "KeypadEnter", 96, 0xE01C},
    {Key::Keypad1, "Keypad1", 79, 0x004F},
    {Key::Keypad2, "Keypad2", 80, 0x0050},
    {Key::Keypad3, "Keypad3", 81, 0x0051},
    {Key::Keypad4, "Keypad4", 75, 0x004B},
    {Key::Keypad5, "Keypad5", 76, 0x004C},
    {Key::Keypad6, "Keypad6", 77, 0x004D},
    {Key::Keypad7, "Keypad7", 71, 0x0047},
    {Key::Keypad8, "Keypad8", 72, 0x0048},
    {Key::Keypad9, "Keypad9", 73, 0x0049},
    {Key::Keypad0, "Keypad0", 82, 0x0052},
    {Key::KeypadPeriod, "KeypadPeriod", 83, 0x0053},
    {Key::NonUsBackslash, "NonUsBackslash", 86, 0x0056},
    {Key::Menu, "Menu", 127, 0xE05D},
    {Key::Power, "Power", 116, 0xE05E},
    {Key::KeypadEqual, "KeypadEqual", 117, 0x0059},
    {Key::F13, "F13", 183, 0x0064},
    {Key::F14, "F14", 184, 0x0065},
    {Key::F15, "F15", 185, 0x0066},
    {Key::F16, "F16", 186, 0x0067},
    {Key::F17, "F17", 187, 0x0068},
    {Key::F18, "F18", 188, 0x0069},
    {Key::F19, "F19", 189, 0x006A},
    {Key::F20, "F20", 190, 0x006B},
    {Key::F21, "F21", 191, 0x006C},
    {Key::F22, "F22", 192, 0x006D},
    {Key::F23, "F23", 193, 0x006E},
    {Key::F24, "F24", 194, 0x0076},
    {Key::Mute, "Mute", 113, 0xE020},
    {Key::VolumeUp, "VolumeUp", 115, 0xE030},
    {Key::VolumeDown, "VolumeDown", 114, 0xE02E},
    {Key::KeypadComma, "KeypadComma", 121, 0x007E},
    {Key::International1, "International1", 89, 0x0073},
    {Key::International2, "International2", 93, 0x0070},
    {Key::International3, "International3", 124, 0x007D},
    {Key::International4, "International4", 92, 0x0079},
    {Key::International5, "International5", 94, 0x007B},
    {Key::Lang1, "Lang1", 122, 0x0072},
    {Key::Lang2, "Lang2", 123, 0x0071},
    {Key::LeftControl, "LeftControl", 29, 0x001D},
    {Key::LeftShift, "LeftShift", 42, 0x002A},
    {Key::LeftAlt, "LeftAlt", 56, 0x0038},
    {Key::LeftSuper, "LeftSuper", 125, 0xE05B},
    {Key::RightControl, "RightControl", 97, 0xE01D},
    {Key::RightShift, "RightShift", 54, 0x0036},
    {Key::RightAlt, "RightAlt", 100, 0xE038},
    {Key::RightSuper, "RightSuper", 126, 0xE05C},
};

constexpr int EVDEV_LIMIT = 256;
constexpr int SCAN_CODE_LIMIT = 256;  // 128 plain codes, then 128 extended ones

constexpr int scanCodeSlot(std::uint32_t scanCode)
{
    const std::uint32_t low = scanCode & 0x7Fu;
    const std::uint32_t prefix = scanCode >> 8;
    if (scanCode > 0xFFFFu || (scanCode & 0x80u) != 0) return -1;
    if (prefix == 0) return static_cast<int>(low);
    if (prefix == 0xE0) return static_cast<int>(128 + low);
    return -1;
}

template <typename Index>
constexpr std::array<Key, 256> inverseOf(Index index)
{
    std::array<Key, 256> table{};
    for (const KeyRow& row : KEY_ROWS) {
        const int slot = index(row);
        if (slot >= 0 && slot < 256) table[static_cast<std::size_t>(slot)] = row.key;
    }
    return table;
}

constexpr auto BY_EVDEV = inverseOf([](const KeyRow& row) { return static_cast<int>(row.evdev); });
constexpr auto BY_SCAN_CODE = inverseOf([](const KeyRow& row) { return scanCodeSlot(row.scanCode); });

constexpr std::array<const char*, KEY_VALUE_LIMIT> namesByValue()
{
    std::array<const char*, KEY_VALUE_LIMIT> table{};
    for (const KeyRow& row : KEY_ROWS) table[static_cast<std::size_t>(row.key)] = row.name;
    return table;
}

constexpr auto NAMES = namesByValue();

constexpr struct {
    std::uint32_t bit;
    const char* name;
} MODIFIER_ROWS[] = {
    {MODIFIER_SHIFT, "shift"}, {MODIFIER_CONTROL, "ctrl"},  {MODIFIER_ALT, "alt"},
    {MODIFIER_SUPER, "super"}, {MODIFIER_CAPS_LOCK, "caps"}, {MODIFIER_NUM_LOCK, "num"},
};

}  // namespace

const char* keyName(Key key)
{
    const auto value = static_cast<std::size_t>(key);
    const char* name = value < NAMES.size() ? NAMES[value] : nullptr;
    return name ? name : "Unknown";
}

void modifierNames(std::uint32_t modifiers, char* out)
{
    if (!out) return;
    out[0] = '\0';
    for (const auto& row : MODIFIER_ROWS) {
        if (!(modifiers & row.bit)) continue;
        if (out[0]) std::strcat(out, "+");
        std::strcat(out, row.name);
    }
    if (!out[0]) std::strcpy(out, "none");
}

Key keyFromEvdev(std::uint32_t code)
{
    return code < EVDEV_LIMIT ? BY_EVDEV[code] : Key::Unknown;
}

Key keyFromScanCode(std::uint32_t scanCode)
{
    const int slot = scanCodeSlot(scanCode);
    return slot >= 0 && slot < SCAN_CODE_LIMIT ? BY_SCAN_CODE[static_cast<std::size_t>(slot)]
                                               : Key::Unknown;
}

}  // namespace vxr
