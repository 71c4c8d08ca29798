#pragma once

#include <xcb/xcb.h>

#include <bitset>
#include <cstdint>
#include <vector>

#include "vxr/console/input/xkb_keyboard.h"

namespace vxr {

class WindowInput;

// The keyboard of an X11 console's window thread, on that thread's own
// connection. Where the server has the XKB extension the keymap and its
// state come from the server through xkbcommon, follow a layout change made
// while the window is open, and the server reports held keys as repeated
// presses without releases. Without XKB the core keyboard mapping gives
// each key's symbols, and the modifiers come from the events themselves.
class X11Keyboard {
public:
    X11Keyboard() = default;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    // Reads the keyboard of a newly made connection and asks for the events
    // that keep it current. False only when neither way gives a mapping;
    // keys are then still reported by their place.
    bool attach(xcb_connection_t* link);
    bool usesXkb() const { return xkbUsed; }

    // A key press or release from the server.
    void key(WindowInput& input, const xcb_key_press_event_t& event, bool down);
    // Handles the event when it is the keyboard's own (an XKB notification
    // or a core mapping change); false for every other event.
    bool handle(WindowInput& input, const xcb_generic_event_t& event);
    // The keyboard's focus went: no key is held any more.
    void forgetHeldKeys() { held.reset(); }

private:
    bool setUpXkb();
    bool loadXkbKeymap();
    void selectXkbEvents();
    bool loadCoreMapping();
    void coreKey(WindowInput& input, const xcb_key_press_event_t& event, bool down,
                 bool repeat);
    xcb_keysym_t coreSymbol(xcb_keycode_t keycode, int column) const;

    xcb_connection_t* link = nullptr;
    XkbKeyboard xkb;
    bool xkbUsed = false;
    std::uint8_t xkbEventBase = 0;
    std::int32_t deviceId = -1;

    // The core mapping: symbolsPerKey symbols for each code from firstCode.
    std::vector<xcb_keysym_t> coreSymbols;
    xcb_keycode_t firstCode = 0;
    std::uint8_t symbolsPerKey = 0;

    // Keys down as the server reported them, to tell repeats from presses.
    std::bitset<256> held;
};

}  // namespace vxr
