#include "vxr/console/key.h"

#include <array>
#include <cstring>

#include "vxr/console/input/native_key_codes.h"

namespace vxr {
namespace {

// One row per key: every lookup table is derived from these rows, so a key
// is named and placed once.
struct KeyRow {
    Key key;
    const char* name;
    std::uint16_t evdev;     // Linux input event code
    std::uint16_t scanCode;  // Windows scan code, 0xE000 added for extended keys
    const char* domCode;     // the browser's KeyboardEvent.code
};

constexpr KeyRow KEY_ROWS[] = {
    {Key::A, "A", 30, 0x001E, "KeyA"},
    {Key::B, "B", 48, 0x0030, "KeyB"},
    {Key::C, "C", 46, 0x002E, "KeyC"},
    {Key::D, "D", 32, 0x0020, "KeyD"},
    {Key::E, "E", 18, 0x0012, "KeyE"},
    {Key::F, "F", 33, 0x0021, "KeyF"},
    {Key::G, "G", 34, 0x0022, "KeyG"},
    {Key::H, "H", 35, 0x0023, "KeyH"},
    {Key::I, "I", 23, 0x0017, "KeyI"},
    {Key::J, "J", 36, 0x0024, "KeyJ"},
    {Key::K, "K", 37, 0x0025, "KeyK"},
    {Key::L, "L", 38, 0x0026, "KeyL"},
    {Key::M, "M", 50, 0x0032, "KeyM"},
    {Key::N, "N", 49, 0x0031, "KeyN"},
    {Key::O, "O", 24, 0x0018, "KeyO"},
    {Key::P, "P", 25, 0x0019, "KeyP"},
    {Key::Q, "Q", 16, 0x0010, "KeyQ"},
    {Key::R, "R", 19, 0x0013, "KeyR"},
    {Key::S, "S", 31, 0x001F, "KeyS"},
    {Key::T, "T", 20, 0x0014, "KeyT"},
    {Key::U, "U", 22, 0x0016, "KeyU"},
    {Key::V, "V", 47, 0x002F, "KeyV"},
    {Key::W, "W", 17, 0x0011, "KeyW"},
    {Key::X, "X", 45, 0x002D, "KeyX"},
    {Key::Y, "Y", 21, 0x0015, "KeyY"},
    {Key::Z, "Z", 44, 0x002C, "KeyZ"},
    {Key::Digit1, "Digit1", 2, 0x0002, "Digit1"},
    {Key::Digit2, "Digit2", 3, 0x0003, "Digit2"},
    {Key::Digit3, "Digit3", 4, 0x0004, "Digit3"},
    {Key::Digit4, "Digit4", 5, 0x0005, "Digit4"},
    {Key::Digit5, "Digit5", 6, 0x0006, "Digit5"},
    {Key::Digit6, "Digit6", 7, 0x0007, "Digit6"},
    {Key::Digit7, "Digit7", 8, 0x0008, "Digit7"},
    {Key::Digit8, "Digit8", 9, 0x0009, "Digit8"},
    {Key::Digit9, "Digit9", 10, 0x000A, "Digit9"},
    {Key::Digit0, "Digit0", 11, 0x000B, "Digit0"},
    {Key::Enter, "Enter", 28, 0x001C, "Enter"},
    {Key::Escape, "Escape", 1, 0x0001, "Escape"},
    {Key::Backspace, "Backspace", 14, 0x000E, "Backspace"},
    {Key::Tab, "Tab", 15, 0x000F, "Tab"},
    {Key::Space, "Space", 57, 0x0039, "Space"},
    {Key::Minus, "Minus", 12, 0x000C, "Minus"},
    {Key::Equal, "Equal", 13, 0x000D, "Equal"},
    {Key::LeftBracket, "LeftBracket", 26, 0x001A, "BracketLeft"},
    {Key::RightBracket, "RightBracket", 27, 0x001B, "BracketRight"},
    {Key::Backslash, "Backslash", 43, 0x002B, "Backslash"},
    {Key::Semicolon, "Semicolon", 39, 0x0027, "Semicolon"},
    {Key::Apostrophe, "Apostrophe", 40, 0x0028, "Quote"},
    {Key::Grave, "Grave", 41, 0x0029, "Backquote"},
    {Key::Comma, "Comma", 51, 0x0033, "Comma"},
    {Key::Period, "Period", 52, 0x0034, "Period"},
    {Key::Slash, "Slash", 53, 0x0035, "Slash"},
    {Key::CapsLock, "CapsLock", 58, 0x003A, "CapsLock"},
    {Key::F1, "F1", 59, 0x003B, "F1"},
    {Key::F2, "F2", 60, 0x003C, "F2"},
    {Key::F3, "F3", 61, 0x003D, "F3"},
    {Key::F4, "F4", 62, 0x003E, "F4"},
    {Key::F5, "F5", 63, 0x003F, "F5"},
    {Key::F6, "F6", 64, 0x0040, "F6"},
    {Key::F7, "F7", 65, 0x0041, "F7"},
    {Key::F8, "F8", 66, 0x0042, "F8"},
    {Key::F9, "F9", 67, 0x0043, "F9"},
    {Key::F10, "F10", 68, 0x0044, "F10"},
    {Key::F11, "F11", 87, 0x0057, "F11"},
    {Key::F12, "F12", 88, 0x0058, "F12"},
    {Key::PrintScreen, "PrintScreen", 99, 0xE037, "PrintScreen"},
    {Key::ScrollLock, "ScrollLock", 70, 0x0046, "ScrollLock"},
    {Key::Pause, "Pause", 119, 0x0045, "Pause"},
    {Key::Insert, "Insert", 110, 0xE052, "Insert"},
    {Key::Home, "Home", 102, 0xE047, "Home"},
    {Key::PageUp, "PageUp", 104, 0xE049, "PageUp"},
    {Key::Delete, "Delete", 111, 0xE053, "Delete"},
    {Key::End, "End", 107, 0xE04F, "End"},
    {Key::PageDown, "PageDown", 109, 0xE051, "PageDown"},
    {Key::Right, "Right", 106, 0xE04D, "ArrowRight"},
    {Key::Left, "Left", 105, 0xE04B, "ArrowLeft"},
    {Key::Down, "Down", 108, 0xE050, "ArrowDown"},
    {Key::Up, "Up", 103, 0xE048, "ArrowUp"},
    {Key::NumLock, "NumLock", 69, 0xE045, "NumLock"},
    {Key::KeypadDivide, "KeypadDivide", 98, 0xE035, "NumpadDivide"},
    {Key::KeypadMultiply, "KeypadMultiply", 55, 0x0037, "NumpadMultiply"},
    {Key::KeypadMinus, "KeypadMinus", 74, 0x004A, "NumpadSubtract"},
    {Key::KeypadPlus, "KeypadPlus", 78, 0x004E, "NumpadAdd"},
    {Key::KeypadEnter, "KeypadEnter", 96, 0xE01C, "NumpadEnter"},
    {Key::Keypad1, "Keypad1", 79, 0x004F, "Numpad1"},
    {Key::Keypad2, "Keypad2", 80, 0x0050, "Numpad2"},
    {Key::Keypad3, "Keypad3", 81, 0x0051, "Numpad3"},
    {Key::Keypad4, "Keypad4", 75, 0x004B, "Numpad4"},
    {Key::Keypad5, "Keypad5", 76, 0x004C, "Numpad5"},
    {Key::Keypad6, "Keypad6", 77, 0x004D, "Numpad6"},
    {Key::Keypad7, "Keypad7", 71, 0x0047, "Numpad7"},
    {Key::Keypad8, "Keypad8", 72, 0x0048, "Numpad8"},
    {Key::Keypad9, "Keypad9", 73, 0x0049, "Numpad9"},
    {Key::Keypad0, "Keypad0", 82, 0x0052, "Numpad0"},
    {Key::KeypadPeriod, "KeypadPeriod", 83, 0x0053, "NumpadDecimal"},
    {Key::NonUsBackslash, "NonUsBackslash", 86, 0x0056, "IntlBackslash"},
    {Key::Menu, "Menu", 127, 0xE05D, "ContextMenu"},
    {Key::Power, "Power", 116, 0xE05E, "Power"},
    {Key::KeypadEqual, "KeypadEqual", 117, 0x0059, "NumpadEqual"},
    {Key::F13, "F13", 183, 0x0064, "F13"},
    {Key::F14, "F14", 184, 0x0065, "F14"},
    {Key::F15, "F15", 185, 0x0066, "F15"},
    {Key::F16, "F16", 186, 0x0067, "F16"},
    {Key::F17, "F17", 187, 0x0068, "F17"},
    {Key::F18, "F18", 188, 0x0069, "F18"},
    {Key::F19, "F19", 189, 0x006A, "F19"},
    {Key::F20, "F20", 190, 0x006B, "F20"},
    {Key::F21, "F21", 191, 0x006C, "F21"},
    {Key::F22, "F22", 192, 0x006D, "F22"},
    {Key::F23, "F23", 193, 0x006E, "F23"},
    {Key::F24, "F24", 194, 0x0076, "F24"},
    {Key::Mute, "Mute", 113, 0xE020, "AudioVolumeMute"},
    {Key::VolumeUp, "VolumeUp", 115, 0xE030, "AudioVolumeUp"},
    {Key::VolumeDown, "VolumeDown", 114, 0xE02E, "AudioVolumeDown"},
    {Key::KeypadComma, "KeypadComma", 121, 0x007E, "NumpadComma"},
    {Key::International1, "International1", 89, 0x0073, "IntlRo"},
    {Key::International2, "International2", 93, 0x0070, "KanaMode"},
    {Key::International3, "International3", 124, 0x007D, "IntlYen"},
    {Key::International4, "International4", 92, 0x0079, "Convert"},
    {Key::International5, "International5", 94, 0x007B, "NonConvert"},
    {Key::Lang1, "Lang1", 122, 0x0072, "Lang1"},
    {Key::Lang2, "Lang2", 123, 0x0071, "Lang2"},
    {Key::LeftControl, "LeftControl", 29, 0x001D, "ControlLeft"},
    {Key::LeftShift, "LeftShift", 42, 0x002A, "ShiftLeft"},
    {Key::LeftAlt, "LeftAlt", 56, 0x0038, "AltLeft"},
    {Key::LeftSuper, "LeftSuper", 125, 0xE05B, "MetaLeft"},
    {Key::RightControl, "RightControl", 97, 0xE01D, "ControlRight"},
    {Key::RightShift, "RightShift", 54, 0x0036, "ShiftRight"},
    {Key::RightAlt, "RightAlt", 100, 0xE038, "AltRight"},
    {Key::RightSuper, "RightSuper", 126, 0xE05C, "MetaRight"},
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

Key keyFromDomCode(const char* code)
{
    // Key events are rare enough that a walk over the rows costs nothing.
    if (!code) return Key::Unknown;
    for (const KeyRow& row : KEY_ROWS)
        if (std::strcmp(row.domCode, code) == 0) return row.key;
    return Key::Unknown;
}

Key keyFromScanCode(std::uint32_t scanCode)
{
    const int slot = scanCodeSlot(scanCode);
    return slot >= 0 && slot < SCAN_CODE_LIMIT ? BY_SCAN_CODE[static_cast<std::size_t>(slot)]
                                               : Key::Unknown;
}

}  // namespace vxr
