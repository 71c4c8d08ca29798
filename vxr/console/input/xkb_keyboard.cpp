#include "vxr/console/input/xkb_keyboard.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>

#include "vxr/console/input/native_key_codes.h"
#include "vxr/console/input/window_input.h"

namespace vxr {
namespace {

// xkb key codes are Linux input event codes moved up by 8, as X's are.
constexpr std::uint32_t EVDEV_OFFSET = 8;

// The locale whose compose table applies, as the C library would choose it.
const char* composeLocale()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "C";
}

struct ModifierName {
    std::uint32_t bit;
    const char* name;
    bool isLock;
};

constexpr ModifierName MODIFIER_NAMES[] = {
    {MODIFIER_SHIFT, XKB_MOD_NAME_SHIFT, false}, {MODIFIER_CONTROL, XKB_MOD_NAME_CTRL, false},
    {MODIFIER_ALT, XKB_MOD_NAME_ALT, false},     {MODIFIER_SUPER, XKB_MOD_NAME_LOGO, false},
    {MODIFIER_CAPS_LOCK, XKB_MOD_NAME_CAPS, true}, {MODIFIER_NUM_LOCK, XKB_MOD_NAME_NUM, true},
};

}  // namespace

XkbKeyboard::XkbKeyboard() : xkb(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) { loadCompose(); }

XkbKeyboard::~XkbKeyboard()
{
    dropKeymap();
    if (compose) xkb_compose_state_unref(compose);
    if (composeTable) xkb_compose_table_unref(composeTable);
    if (xkb) xkb_context_unref(xkb);
}

void XkbKeyboard::loadCompose()
{
    if (!xkb) return;
    composeTable =
        xkb_compose_table_new_from_locale(xkb, composeLocale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (composeTable) compose = xkb_compose_state_new(composeTable, XKB_COMPOSE_STATE_NO_FLAGS);
}

void XkbKeyboard::dropKeymap()
{
    if (state) xkb_state_unref(state);
    if (keymap) xkb_keymap_unref(keymap);
    state = nullptr;
    keymap = nullptr;
    if (compose) xkb_compose_state_reset(compose);
}

void XkbKeyboard::adopt(xkb_keymap* newKeymap, xkb_state* newState)
{
    dropKeymap();
    if (!newKeymap || !newState) {
        if (newState) xkb_state_unref(newState);
        if (newKeymap) xkb_keymap_unref(newKeymap);
        return;
    }
    keymap = newKeymap;
    state = newState;
}

bool XkbKeyboard::loadKeymapText(const char* text, std::size_t length)
{
    dropKeymap();
    if (!xkb || !text || length == 0 || length > MAX_KEYMAP_BYTES) return false;
    // The protocol counts the terminator; a text without one ends at length.
    const std::size_t used = strnlen(text, length);
    if (used == 0) return false;
    xkb_keymap* made = xkb_keymap_new_from_buffer(xkb, text, used, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!made) return false;
    adopt(made, xkb_state_new(made));
    return hasKeymap();
}

bool XkbKeyboard::loadKeymapFile(int descriptor, std::uint32_t size)
{
    if (descriptor < 0) return false;
    bool loaded = false;
    // Reading a mapping past the file's end faults: the file must hold
    // all the size it was sent with.
    struct stat file {};
    const bool holdsSize = fstat(descriptor, &file) == 0 && file.st_size >= 0 &&
                           static_cast<std::uint64_t>(file.st_size) >= size;
    if (holdsSize && size > 0 && size <= MAX_KEYMAP_BYTES) {
        void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapped != MAP_FAILED) {
            loaded = loadKeymapText(static_cast<const char*>(mapped), size);
            munmap(mapped, size);
        } else {
            dropKeymap();
        }
    } else {
        dropKeymap();
    }
    close(descriptor);
    return loaded;
}

void XkbKeyboard::updateModifiers(std::uint32_t depressed, std::uint32_t latched,
                                  std::uint32_t locked, std::uint32_t group)
{
    if (state) xkb_state_update_mask(state, depressed, latched, locked, 0, 0, group);
}

std::uint32_t XkbKeyboard::modifiers() const
{
    if (!state) return 0;
    std::uint32_t bits = 0;
    for (const ModifierName& modifier : MODIFIER_NAMES) {
        const auto kind = modifier.isLock ? XKB_STATE_MODS_LOCKED : XKB_STATE_MODS_EFFECTIVE;
        if (xkb_state_mod_name_is_active(state, modifier.name, kind) > 0) bits |= modifier.bit;
    }
    return bits;
}

char32_t XkbKeyboard::symbolOf(std::uint32_t keycode) const
{
    if (!state) return 0;
    const xkb_layout_index_t layout = xkb_state_key_get_layout(state, keycode);
    if (layout == XKB_LAYOUT_INVALID) return 0;
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, 0, &symbols);
    if (count != 1) return 0;
    const std::uint32_t codePoint = xkb_keysym_to_utf32(symbols[0]);
    // Control characters (Enter, Tab, Escape) are keys, not symbols.
    return codePoint >= 0x20 && codePoint != 0x7F ? codePoint : 0;
}

bool XkbKeyboard::repeats(std::uint32_t keycode) const
{
    return !keymap || xkb_keymap_key_repeats(keymap, keycode) != 0;
}

std::size_t XkbKeyboard::typedText(std::uint32_t keycode, char* out, std::size_t capacity)
{
    const xkb_keysym_t symbol = xkb_state_key_get_one_sym(state, keycode);
    if (compose && symbol != XKB_KEY_NoSymbol &&
        xkb_compose_state_feed(compose, symbol) == XKB_COMPOSE_FEED_ACCEPTED) {
        switch (xkb_compose_state_get_status(compose)) {
            case XKB_COMPOSE_COMPOSING:
                return 0;
            case XKB_COMPOSE_CANCELLED:
                xkb_compose_state_reset(compose);
                return 0;
            case XKB_COMPOSE_COMPOSED: {
                const int length = xkb_compose_state_get_utf8(compose, out, capacity);
                xkb_compose_state_reset(compose);
                return length > 0 && static_cast<std::size_t>(length) < capacity
                           ? static_cast<std::size_t>(length)
                           : 0;
            }
            case XKB_COMPOSE_NOTHING:
                break;
        }
    }
    const int length = xkb_state_key_get_utf8(state, keycode, out, capacity);
    return length > 0 && static_cast<std::size_t>(length) < capacity
               ? static_cast<std::size_t>(length)
               : 0;
}

void XkbKeyboard::key(WindowInput& input, std::uint32_t keycode, bool down, bool repeat,
                      bool trackState)
{
    const Key place = keycode >= EVDEV_OFFSET ? keyFromEvdev(keycode - EVDEV_OFFSET) : Key::Unknown;
    const char32_t symbol = symbolOf(keycode);
    if (!down) {
        if (state && trackState) xkb_state_update_key(state, keycode, XKB_KEY_UP);
        input.keyUp(place, keycode, symbol, modifiers());
        return;
    }
    // The modifiers in force as the key went down, before it changes them.
    const std::uint32_t held = modifiers();
    char typed[64];
    const std::size_t length = state ? typedText(keycode, typed, sizeof typed) : 0;
    if (state && trackState && !repeat) xkb_state_update_key(state, keycode, XKB_KEY_DOWN);
    input.keyDown(place, keycode, symbol, held, repeat);
    if (length > 0) input.text(typed, length);
}

}  // namespace vxr
