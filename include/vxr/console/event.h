#pragma once

/// @file
/// The input and window events a console reports, and the mouse's state.

#include <cstdint>

#include "vxr/console/key.h"

namespace vxr {

/// What an Event reports; each value lists the fields it fills. Mouse and
/// wheel events carry the modifiers too.
enum class EventType : std::uint8_t {
    None = 0,    ///< no event: what an Event holds before it is filled
    KeyDown,     ///< key, nativeCode, symbol, modifiers, repeat
    KeyUp,       ///< key, nativeCode, symbol, modifiers
    Text,        ///< text: what the user typed, after layout, dead keys and compose
    MouseMove,   ///< pointer position
    MouseDown,   ///< button and pointer position
    MouseUp,     ///< button and pointer position
    Wheel,       ///< wheelX, wheelY and pointer position
    MouseEnter,  ///< pointer position
    MouseLeave,  ///< the pointer's last position
    Resize,      ///< width, height: the window's new client size in pixels
    FocusIn,     ///< the window gained the keyboard focus
    FocusOut,    ///< the window lost the focus; each key held got its KeyUp first
    Close,       ///< the user (or the window manager) asked the window to close
};

/// Mouse buttons as events number them.
enum MouseButton : std::int32_t {
    BUTTON_LEFT = 1,     ///< the left (primary) button
    BUTTON_MIDDLE = 2,   ///< the middle button, often the wheel pressed
    BUTTON_RIGHT = 3,    ///< the right button
    BUTTON_BACK = 4,     ///< the side button that goes back
    BUTTON_FORWARD = 5,  ///< the side button that goes forward
};

/// Where the pointer is, in the frame's own pixels and in the window's.
struct PointerPosition {
    /// The frame column under the pointer, through the letterbox and scale the
    /// frame is shown with; outside the frame (over the bars, or beyond the
    /// window) the frame's pixel grid carried on, so values may be negative
    /// or past the frame's size.
    std::int32_t x = 0;
    std::int32_t y = 0;  ///< the frame row under the pointer, like x
    /// The pointer's column in the window's client area, in pixels.
    std::int32_t windowX = 0;
    std::int32_t windowY = 0;  ///< the pointer's row in the client area
    /// Whether (x, y) is a pixel of the frame.
    bool inside = false;
};

/// The mouse as a console last saw it.
struct MouseState {
    PointerPosition position;  ///< where the pointer was last seen
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

    EventType type = EventType::None;  ///< what happened, and so which fields are filled

    Key key = Key::Unknown;  ///< the key pressed or released
    /// The platform's own code for the key: an xkb key code (a Linux input
    /// event code plus 8, as X servers number keys) on X11 and Wayland, a
    /// scan code on Windows (0xE000 added for extended keys), the DOM
    /// keyCode in a browser. It tells
    /// Unknown keys apart.
    std::uint32_t nativeCode = 0;
    /// The character the key types on the current layout with no modifier
    /// held ('z' for the key at the US Y on a German layout), 0 for keys that
    /// type none: what shortcuts should follow.
    char32_t symbol = 0;
    std::uint32_t modifiers = 0;  ///< KeyModifier bits
    bool repeat = false;          ///< a key down made by auto-repeat
    /// On a Close: the connection to the display was lost, not closed by
    /// the user; every later call on the console fails.
    bool displayLost = false;

    char text[TEXT_CAPACITY] = {};  ///< UTF-8, NUL-terminated

    PointerPosition pointer;  ///< where the pointer was
    std::int32_t button = 0;  ///< MouseButton
    /// Wheel steps: one notch up is wheelY 1, one notch right wheelX 1;
    /// fractions where the device scrolls smoothly.
    float wheelX = 0;
    float wheelY = 0;  ///< vertical wheel steps, up positive

    std::int32_t width = 0;   ///< the window's new client width in pixels
    std::int32_t height = 0;  ///< the window's new client height in pixels
};

}  // namespace vxr
