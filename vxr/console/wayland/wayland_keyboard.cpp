#include "vxr/console/wayland/wayland_keyboard.h"

#include <unistd.h>
#include <wayland-client.h>

#include "vxr/console/wayland/wayland_input_target.h"
#include "vxr/console/input/window_input.h"

namespace vxr {
namespace {

// xkb numbers keys from the Linux input event codes moved up by 8.
constexpr std::uint32_t XKB_KEYCODE_OFFSET = 8;
// What a compositor too old to send its repeat settings gets: a common
// desktop's default.
constexpr std::int32_t DEFAULT_REPEAT_RATE = 25;
constexpr std::int32_t DEFAULT_REPEAT_DELAY = 600;

WaylandKeyboard& ownerOf(void* data) { return *static_cast<WaylandKeyboard*>(data); }

void keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t descriptor,
            std::uint32_t size)
{
    ownerOf(data).keymapSent(format, descriptor, size);
}

void enter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*)
{
    ownerOf(data).entered(surface);
}

void leave(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface)
{
    ownerOf(data).left(surface);
}

void key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t code,
         std::uint32_t state)
{
    ownerOf(data).keyChanged(code, state);
}

void modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
               std::uint32_t latched, std::uint32_t locked, std::uint32_t group)
{
    ownerOf(data).modifiersChanged(depressed, latched, locked, group);
}

void repeatInfo(void* data, wl_keyboard*, std::int32_t rate, std::int32_t delay)
{
    ownerOf(data).repeatConfigured(rate, delay);
}

const wl_keyboard_listener KEYBOARD_LISTENER = {keymap, enter, leave, key, modifiers, repeatInfo};

}  // namespace

WaylandKeyboard::WaylandKeyboard()
{
    repeat.configure(DEFAULT_REPEAT_RATE, DEFAULT_REPEAT_DELAY);
}

void WaylandKeyboard::bind(wl_seat* seat, std::uint32_t seatVersion)
{
    if (keyboard || !seat) return;
    keyboard = wl_seat_get_keyboard(seat);
    if (!keyboard) return;
    boundVersion = seatVersion;
    wl_keyboard_add_listener(keyboard, &KEYBOARD_LISTENER, this);
}

void WaylandKeyboard::release()
{
    if (!keyboard) return;
    // Its keys' releases are not coming: nothing may stay held or repeat.
    loseFocus();
    if (boundVersion >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(keyboard);
    else
        wl_keyboard_destroy(keyboard);
    keyboard = nullptr;
}

void WaylandKeyboard::setTarget(WaylandInputTarget* receiver)
{
    repeat.stop();
    focused = false;
    target.store(receiver);
}

void WaylandKeyboard::keymapSent(std::uint32_t format, int descriptor, std::uint32_t size)
{
    // A keymap refused (or of a format xkb does not read) leaves keys
    // reported by their place on the keyboard alone.
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        xkb.loadKeymapFile(descriptor, size);
        return;
    }
    close(descriptor);
    xkb.dropKeymap();
}

void WaylandKeyboard::entered(wl_surface* surface)
{
    WaylandInputTarget* receiver = target.load();
    std::int32_t left = 0, top = 0;
    if (!receiver || !surface || !receiver->placeOfSurface(surface, left, top) || focused) return;
    focused = true;
    receiver->seatInput().focusChanged(true);
}

void WaylandKeyboard::left(wl_surface*)
{
    // The surface may be gone already: the window has only one keyboard focus.
    loseFocus();
}

void WaylandKeyboard::loseFocus()
{
    repeat.stop();
    WaylandInputTarget* receiver = target.load();
    if (!focused || !receiver) return;
    focused = false;
    receiver->seatInput().focusChanged(false);
}

void WaylandKeyboard::keyChanged(std::uint32_t code, std::uint32_t state)
{
    WaylandInputTarget* receiver = target.load();
    if (!receiver) return;
    const std::uint32_t keycode = code + XKB_KEYCODE_OFFSET;
    const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
    // The compositor sends the modifier state itself, after the key.
    xkb.key(receiver->seatInput(), keycode, down, false, false);
    if (!down)
        repeat.released(keycode);
    else if (xkb.repeats(keycode))
        repeat.pressed(keycode, KeyRepeat::Clock::now());
}

void WaylandKeyboard::modifiersChanged(std::uint32_t depressed, std::uint32_t latched,
                                       std::uint32_t locked, std::uint32_t group)
{
    xkb.updateModifiers(depressed, latched, locked, group);
    if (WaylandInputTarget* receiver = target.load())
        receiver->seatInput().setModifiers(xkb.modifiers());
}

void WaylandKeyboard::repeatConfigured(std::int32_t rate, std::int32_t delay)
{
    repeat.configure(rate, delay);
}

int WaylandKeyboard::millisecondsUntilRepeat() const
{
    return repeat.millisecondsUntilNext(KeyRepeat::Clock::now());
}

void WaylandKeyboard::repeatDueKeys()
{
    WaylandInputTarget* receiver = target.load();
    if (!receiver || !repeat.isRepeating()) return;
    const std::int32_t due = repeat.takeDue(KeyRepeat::Clock::now());
    for (std::int32_t i = 0; i < due; ++i)
        xkb.key(receiver->seatInput(), repeat.key(), true, true, false);
}

}  // namespace vxr
