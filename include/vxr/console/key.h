#pragma once

/// @file
/// Keys by their place on the keyboard, the modifier bits, and their names.

#include <cstdint>

namespace vxr {

/// A key by its place on the keyboard, whatever the layout: named after what
/// the US layout prints there and numbered by the USB HID keyboard usage
/// table, so the values stay the same across platforms and releases. What
/// the key types on the user's layout is the event's symbol, not this.
/// Letters, digits and function keys are named for themselves.
enum class Key : std::uint16_t {
    /// A key the library has no name for; the event's native code says which.
    Unknown = 0,
    A = 0x04,
    B = 0x05,
    C = 0x06,
    D = 0x07,
    E = 0x08,
    F = 0x09,
    G = 0x0A,
    H = 0x0B,
    I = 0x0C,
    J = 0x0D,
    K = 0x0E,
    L = 0x0F,
    M = 0x10,
    N = 0x11,
    O = 0x12,
    P = 0x13,
    Q = 0x14,
    R = 0x15,
    S = 0x16,
    T = 0x17,
    U = 0x18,
    V = 0x19,
    W = 0x1A,
    X = 0x1B,
    Y = 0x1C,
    Z = 0x1D,
    Digit1 = 0x1E,
    Digit2 = 0x1F,
    Digit3 = 0x20,
    Digit4 = 0x21,
    Digit5 = 0x22,
    Digit6 = 0x23,
    Digit7 = 0x24,
    Digit8 = 0x25,
    Digit9 = 0x26,
    Digit0 = 0x27,
    Enter = 0x28,
    Escape = 0x29,
    Backspace = 0x2A,
    Tab = 0x2B,
    Space = 0x2C,
    Minus = 0x2D,
    Equal = 0x2E,
    LeftBracket = 0x2F,
    RightBracket = 0x30,
    Backslash = 0x31,
    Semicolon = 0x33,
    Apostrophe = 0x34,
    Grave = 0x35,  ///< the grave accent and tilde key, left of 1
    Comma = 0x36,
    Period = 0x37,
    Slash = 0x38,
    CapsLock = 0x39,
    F1 = 0x3A,
    F2 = 0x3B,
    F3 = 0x3C,
    F4 = 0x3D,
    F5 = 0x3E,
    F6 = 0x3F,
    F7 = 0x40,
    F8 = 0x41,
    F9 = 0x42,
    F10 = 0x43,
    F11 = 0x44,
    F12 = 0x45,
    PrintScreen = 0x46,
    ScrollLock = 0x47,
    Pause = 0x48,
    Insert = 0x49,
    Home = 0x4A,
    PageUp = 0x4B,
    Delete = 0x4C,
    End = 0x4D,
    PageDown = 0x4E,
    Right = 0x4F,
    Left = 0x50,
    Down = 0x51,
    Up = 0x52,
    NumLock = 0x53,
    KeypadDivide = 0x54,
    KeypadMultiply = 0x55,
    KeypadMinus = 0x56,
    KeypadPlus = 0x57,
    KeypadEnter = 0x58,
    Keypad1 = 0x59,
    Keypad2 = 0x5A,
    Keypad3 = 0x5B,
    Keypad4 = 0x5C,
    Keypad5 = 0x5D,
    Keypad6 = 0x5E,
    Keypad7 = 0x5F,
    Keypad8 = 0x60,
    Keypad9 = 0x61,
    Keypad0 = 0x62,
    KeypadPeriod = 0x63,
    NonUsBackslash = 0x64,  ///< the extra key beside the left Shift on ISO keyboards
    Menu = 0x65,            ///< the context-menu (Application) key
    Power = 0x66,           ///< the power key, where a keyboard has one
    KeypadEqual = 0x67,
    F13 = 0x68,
    F14 = 0x69,
    F15 = 0x6A,
    F16 = 0x6B,
    F17 = 0x6C,
    F18 = 0x6D,
    F19 = 0x6E,
    F20 = 0x6F,
    F21 = 0x70,
    F22 = 0x71,
    F23 = 0x72,
    F24 = 0x73,
    Mute = 0x7F,
    VolumeUp = 0x80,
    VolumeDown = 0x81,
    KeypadComma = 0x85,     ///< the keypad comma of some keyboards (Brazilian)
    International1 = 0x87,  ///< Japanese Ro
    International2 = 0x88,  ///< Japanese Katakana/Hiragana
    International3 = 0x89,  ///< Japanese Yen
    International4 = 0x8A,  ///< Japanese Henkan (convert)
    International5 = 0x8B,  ///< Japanese Muhenkan (no convert)
    Lang1 = 0x90,           ///< Korean Hangul/English
    Lang2 = 0x91,           ///< Korean Hanja
    LeftControl = 0xE0,
    LeftShift = 0xE1,
    LeftAlt = 0xE2,
    LeftSuper = 0xE3,  ///< the left Windows / Command key
    RightControl = 0xE4,
    RightShift = 0xE5,
    RightAlt = 0xE6,
    RightSuper = 0xE7,  ///< the right Windows / Command key
};

/// The modifier keys and locks held with a key or a button, as bits.
enum KeyModifier : std::uint32_t {
    MODIFIER_SHIFT = 1u << 0,      ///< a Shift key is held
    MODIFIER_CONTROL = 1u << 1,    ///< a Control key is held
    MODIFIER_ALT = 1u << 2,        ///< an Alt key is held
    MODIFIER_SUPER = 1u << 3,      ///< a Super (Windows, Command) key is held
    MODIFIER_CAPS_LOCK = 1u << 4,  ///< Caps Lock is on
    MODIFIER_NUM_LOCK = 1u << 5,   ///< Num Lock is on
};

/// Keys take values below this: a table indexed by a key's value has this many rows.
inline constexpr int KEY_VALUE_LIMIT = 256;

/// The key's name as written in the enum ("A", "Escape", "KeypadEnter"),
/// "Unknown" for a value without one.
const char* keyName(Key key);

/// Room modifierNames() needs, terminator included.
inline constexpr int MODIFIER_NAMES_CAPACITY = 48;
/// The modifier bits' names joined by '+' ("shift+ctrl"), or "none", written
/// into out with its terminator; out needs room for MODIFIER_NAMES_CAPACITY.
void modifierNames(std::uint32_t modifiers, char* out);

}  // namespace vxr
