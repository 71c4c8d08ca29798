#pragma once

#include <cstddef>
#include <cstdint>

struct xkb_compose_state;
struct xkb_compose_table;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace vxr {

class WindowInput;

// A keyboard read through xkbcommon, shared by the X11 and Wayland
// consoles: it keeps the keymap and its state, turns key codes into the
// library's keys, symbols and modifiers, and the typed keys into text
// through the locale's compose table (dead keys and compose sequences).
// Key codes are xkb's: a Linux input event code plus 8, which is also what
// an X server sends.
//
// Without a keymap (none was sent, or the one sent was refused) keys are
// still reported by their place on the keyboard, with no symbol and no text.
class XkbKeyboard {
public:
    // Keymaps larger than this are refused: real ones are a few tens of KiB.
    static constexpr std::size_t MAX_KEYMAP_BYTES = 4u << 20;

    XkbKeyboard();
    ~XkbKeyboard();
    XkbKeyboard(const XkbKeyboard&) = delete;
    XkbKeyboard& operator=(const XkbKeyboard&) = delete;

    bool hasKeymap() const { return keymap != nullptr; }
    xkb_context* context() const { return xkb; }

    // Takes a keymap in the text format; false (the old keymap dropped) for
    // an empty, oversized or unreadable one.
    bool loadKeymapText(const char* text, std::size_t length);
    // Maps a keymap the compositor sent as a descriptor and loads it; the
    // descriptor is closed either way.
    bool loadKeymapFile(int descriptor, std::uint32_t size);
    // Takes a keymap and state made elsewhere (the X server's), owning both.
    void adopt(xkb_keymap* newKeymap, xkb_state* newState);
    void dropKeymap();

    // The server's word on the modifiers (Wayland's modifiers event, X's
    // state notify).
    void updateModifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                         std::uint32_t group);
    // A key went down or up: reports it to input as a key event and, for a
    // down that types something, as text. trackState: the key also moves
    // the keymap's state (when the server sends no modifier state of its own).
    void key(WindowInput& input, std::uint32_t keycode, bool down, bool repeat, bool trackState);
    // Whether the keymap says the key repeats (modifiers do not); true
    // without a keymap.
    bool repeats(std::uint32_t keycode) const;
    std::uint32_t modifiers() const;
    // The code point the key types on the current layout with no modifier
    // held, 0 when it types none.
    char32_t symbolOf(std::uint32_t keycode) const;

private:
    void loadCompose();
    // What the key types, after compose; length 0 for nothing.
    std::size_t typedText(std::uint32_t keycode, char* out, std::size_t capacity);

    xkb_context* xkb = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    xkb_compose_table* composeTable = nullptr;
    xkb_compose_state* compose = nullptr;
};

}  // namespace vxr
