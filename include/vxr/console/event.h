#pragma once

#include <cstdint>

#include "vxr/console/key.h"

namespace vxr {

enum class EventType : std::uint8_t {
    None = 0,
    KeyDown,     ///< key, nativeCode, symbol, modifiers, repeat
    KeyUp,       ///< key, nativeCode, symbol, modifiers
    Text,        ///< text: what the user typed, after layout, dead keys and compose
    MouseMove,   ///< pointer position
    MouseDown,   ///< button and pointer position
    MouseUp,     ///< button and pointer position
    Wheel,       ///< wheelX, wheelY and pointer position
    MouseEnter,  ///< pointer position
    MouseLeave,
    Resize,      ///< width, height: the window's new client size in pixels
    FocusIn,
    FocusOut,
    Close,       ///< the user (or the window manager) asked the window to close
};

/// Mouse buttons as events number them.
enum MouseButton : std::int32_t {
    BUTTON_LEFT = 1,
    BUTTON_MIDDLE = 2,
    BUTTON_RIGHT = 3,
    BUTTON_BACK = 4,
    BUTTON_FORWARD = 5,
};

/// Where the pointer is, in the frame's own pixels and in the window's.
struct PointerPosition {
    /// The frame pixel under the pointer, through the letterbox and scale the
    /// frame is shown with; outside the frame (over the bars, or beyond the
    /// window) the frame's pixel grid carried on, so values may be negative
    /// or past the frame's size.
    std::int32_t x = 0;
    std::int32_t y = 0;
    /// The pointer in the window's client area, in pixels.
    std::int32_t windowX = 0;
    std::int32_t windowY = 0;
    /// Whether (x, y) is a pixel of the frame.
    bool inside = false;
};

/// The mouse as a console last saw it.
struct MouseState {
    PointerPosition position;
    /// Bit (button - 1) is set while that button is held.
    std::uint32_t buttons = 0;
    /// Whether the pointer is over the window.
    bool overWindow = false;
};

/// One input or window event. Fields that an event type does not list keep
/// their zero values.
struct Event {
    /// Room for the text of one event, terminator included; longer text
    /// arrives as several events, split between characters.
    static constexpr int TEXT_CAPACITY = 32;

    EventType type = EventType::None;

    Key key = Key::Unknown;
    /// The platform's own code for the key: an X key code, a Linux input
    /// event code on Wayland, a scan code on Windows (0xE000 added for
    /// extended keys). It tells Unknown keys apart.
    std::uint32_t nativeCode = 0;
    /// The character the key types on the current layout with no modifier
    /// held ('z' for the key at the US Y on a German layout), 0 for keys that
    /// type none: what shortcuts should follow.
    char32_t symbol = 0;
    std::uint32_t modifiers = 0;  ///< KeyModifier bits
    bool repeat = false;          ///< a key down made by auto-repeat

    char text[TEXT_CAPACITY] = {};  ///< UTF-8, NUL-terminated

    PointerPosition pointer;
    std::int32_t button = 0;  ///< MouseButton
    /// Wheel steps: one notch up is wheelY 1, one notch right wheelX 1;
    /// fractions where the device scrolls smoothly.
    float wheelX = 0;
    float wheelY = 0;

    std::int32_t width = 0;
    std::int32_t height = 0;
};

}  // namespace vxr
