#include "vxr/console/x11/x11_keyboard.h"

// The XKB protocol header names a field "explicit", a C++ keyword.
#define explicit explicit_components
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

#include "vxr/console/input/native_key_codes.h"
#include "vxr/console/input/window_input.h"

namespace vxr {
namespace {

// X key codes are Linux input event codes moved up by 8.
constexpr xcb_keycode_t EVDEV_OFFSET = 8;

// The parts of the keymap, and of its state, that xkbcommon reads.
constexpr std::uint16_t MAP_PARTS =
    XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
    XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
    XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
constexpr std::uint16_t STATE_PARTS =
    XCB_XKB_STATE_PART_MODIFIER_BASE | XCB_XKB_STATE_PART_MODIFIER_LATCH |
    XCB_XKB_STATE_PART_MODIFIER_LOCK | XCB_XKB_STATE_PART_GROUP_BASE |
    XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;
constexpr std::uint16_t XKB_EVENTS = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                     XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                     XCB_XKB_EVENT_TYPE_STATE_NOTIFY;

// What every XKB event starts with: its own kind follows the event code.
struct XkbEventHead {
    std::uint8_t responseType;
    std::uint8_t xkbType;
    std::uint16_t sequence;
    xcb_timestamp_t time;
    std::uint8_t deviceId;
};

// The core modifier masks, with the roles a desktop gives Mod1, Mod2 and Mod4.
std::uint32_t modifiersOf(std::uint16_t state)
{
    std::uint32_t bits = 0;
    if (state & XCB_MOD_MASK_SHIFT) bits |= MODIFIER_SHIFT;
    if (state & XCB_MOD_MASK_LOCK) bits |= MODIFIER_CAPS_LOCK;
    if (state & XCB_MOD_MASK_CONTROL) bits |= MODIFIER_CONTROL;
    if (state & XCB_MOD_MASK_1) bits |= MODIFIER_ALT;
    if (state & XCB_MOD_MASK_2) bits |= MODIFIER_NUM_LOCK;
    if (state & XCB_MOD_MASK_4) bits |= MODIFIER_SUPER;
    return bits;
}

// What a key symbol prints, 0 for none; control characters are keys.
char32_t printableOf(xcb_keysym_t symbol)
{
    if (symbol == XCB_NO_SYMBOL) return 0;
    const std::uint32_t codePoint = xkb_keysym_to_utf32(symbol);
    return codePoint >= 0x20 && codePoint != 0x7F ? codePoint : 0;
}

}  // namespace

bool X11Keyboard::attach(xcb_connection_t* connection)
{
    link = connection;
    held.reset();
    xkbUsed = setUpXkb();
    if (xkbUsed) return true;
    xkb.dropKeymap();
    return loadCoreMapping();
}

bool X11Keyboard::setUpXkb()
{
    std::uint8_t eventBase = 0, errorBase = 0;
    if (!xkb.context() ||
        !xkb_x11_setup_xkb_extension(link, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                     XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                     &eventBase, &errorBase))
        return false;
    xkbEventBase = eventBase;
    deviceId = xkb_x11_get_core_keyboard_device_id(link);
    if (deviceId < 0 || !loadXkbKeymap()) return false;
    selectXkbEvents();
    // A held key comes as presses only, so a repeat is told from a new press
    // without looking ahead for a release with the same time.
    const std::uint32_t detectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    std::free(xcb_xkb_per_client_flags_reply(
        link,
        xcb_xkb_per_client_flags(link, static_cast<xcb_xkb_device_spec_t>(deviceId), detectable,
                                 detectable, 0, 0, 0),
        nullptr));
    return true;
}

bool X11Keyboard::loadXkbKeymap()
{
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(xkb.context(), link, deviceId,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state* state = keymap ? xkb_x11_state_new_from_device(keymap, link, deviceId) : nullptr;
    xkb.adopt(keymap, state);
    return xkb.hasKeymap();
}

void X11Keyboard::selectXkbEvents()
{
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = STATE_PARTS;
    details.stateDetails = STATE_PARTS;
    xcb_xkb_select_events_aux(link, static_cast<xcb_xkb_device_spec_t>(deviceId), XKB_EVENTS, 0,
                              0, MAP_PARTS, MAP_PARTS, &details);
}

bool X11Keyboard::loadCoreMapping()
{
    coreSymbols.clear();
    symbolsPerKey = 0;
    const xcb_setup_t* setup = xcb_get_setup(link);
    firstCode = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        link, xcb_get_keyboard_mapping(link, firstCode, static_cast<std::uint8_t>(count)),
        nullptr);
    if (!reply) return false;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(reply);
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply);
    coreSymbols.assign(symbols, symbols + length);
    symbolsPerKey = reply->keysyms_per_keycode;
    std::free(reply);
    return symbolsPerKey > 0;
}

xcb_keysym_t X11Keyboard::coreSymbol(xcb_keycode_t keycode, int column) const
{
    if (keycode < firstCode || column >= symbolsPerKey) return XCB_NO_SYMBOL;
    const std::size_t at = std::size_t(keycode - firstCode) * symbolsPerKey + std::size_t(column);
    return at < coreSymbols.size() ? coreSymbols[at] : XCB_NO_SYMBOL;
}

void X11Keyboard::key(WindowInput& input, const xcb_key_press_event_t& event, bool down)
{
    const xcb_keycode_t code = event.detail;
    // A press of a key already down is the server's auto-repeat.
    const bool repeat = down && held.test(code);
    held.set(code, down);
    if (xkbUsed)
        xkb.key(input, code, down, repeat, false);
    else
        coreKey(input, event, down, repeat);
}

void X11Keyboard::coreKey(WindowInput& input, const xcb_key_press_event_t& event, bool down,
                          bool repeat)
{
    const xcb_keycode_t code = event.detail;
    const Key place = code >= EVDEV_OFFSET ? keyFromEvdev(code - EVDEV_OFFSET) : Key::Unknown;
    const char32_t symbol = printableOf(coreSymbol(code, 0));
    // The state is the modifiers as they were before this key.
    const std::uint32_t modifiers = modifiersOf(event.state);
    if (!down) {
        input.keyUp(place, code, symbol, modifiers);
        return;
    }
    input.keyDown(place, code, symbol, modifiers, repeat);
    if (modifiers & (MODIFIER_CONTROL | MODIFIER_ALT)) return;  // a shortcut, not text
    // The second column is the shifted symbol; Caps Lock shifts letters only.
    const xcb_keysym_t plain = coreSymbol(code, 0);
    const xcb_keysym_t shifted = coreSymbol(code, 1);
    const bool isLetter = shifted != XCB_NO_SYMBOL && printableOf(plain) != printableOf(shifted);
    bool shift = (modifiers & MODIFIER_SHIFT) != 0;
    if ((modifiers & MODIFIER_CAPS_LOCK) && isLetter) shift = !shift;
    const char32_t typed = printableOf(shift && shifted != XCB_NO_SYMBOL ? shifted : plain);
    if (typed) input.textCodePoint(typed);
}

bool X11Keyboard::handle(WindowInput& input, const xcb_generic_event_t& event)
{
    const std::uint8_t type = event.response_type & 0x7F;
    if (!xkbUsed) {
        if (type != XCB_MAPPING_NOTIFY) return false;
        const auto& mapping = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
        if (mapping.request == XCB_MAPPING_KEYBOARD) loadCoreMapping();
        return true;
    }
    if (type != xkbEventBase) return false;
    const auto& head = reinterpret_cast<const XkbEventHead&>(event);
    if (head.deviceId != deviceId) return true;
    switch (head.xkbType) {
        case XCB_XKB_NEW_KEYBOARD_NOTIFY: {
            const auto& keyboard =
                reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t&>(event);
            if (keyboard.changed & XCB_XKB_NKN_DETAIL_KEYCODES) loadXkbKeymap();
            break;
        }
        case XCB_XKB_MAP_NOTIFY:
            // A new layout (setxkbmap) while the window is open.
            loadXkbKeymap();
            break;
        case XCB_XKB_STATE_NOTIFY: {
            const auto& state = reinterpret_cast<const xcb_xkb_state_notify_event_t&>(event);
            xkb.updateModifiers(state.baseMods, state.latchedMods, state.lockedMods, state.group);
            input.setModifiers(xkb.modifiers());
            break;
        }
        default:
            break;
    }
    return true;
}

}  // namespace vxr
