#pragma once

#include <atomic>
#include <cstdint>

#include "vxr/console/input/key_repeat.h"
#include "vxr/console/input/xkb_keyboard.h"

struct wl_keyboard;
struct wl_seat;
struct wl_surface;

namespace vxr {

class WaylandInputTarget;

// The seat's keyboard: the keymap the compositor sends, keys and modifiers
// turned into the window's key and text events, focus, and the repeats the
// compositor leaves to its clients. Everything but setTarget runs on the
// thread that dispatches the connection's events.
class WaylandKeyboard {
public:
    WaylandKeyboard();
    ~WaylandKeyboard() { release(); }
    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    void bind(wl_seat* seat, std::uint32_t seatVersion);
    void release();
    bool isBound() const { return keyboard != nullptr; }

    // Where keys go from now on (null drops them); only while no window
    // thread dispatches.
    void setTarget(WaylandInputTarget* target);

    // How long the dispatching thread may wait before the next repeat is
    // due, -1 while no key repeats.
    int millisecondsUntilRepeat() const;
    // Sends the repeats due by now.
    void repeatDueKeys();

    // Called from the protocol listener.
    void keymapSent(std::uint32_t format, int descriptor, std::uint32_t size);
    void entered(wl_surface* surface);
    void left(wl_surface* surface);
    void keyChanged(std::uint32_t key, std::uint32_t state);
    void modifiersChanged(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                          std::uint32_t group);
    void repeatConfigured(std::int32_t rate, std::int32_t delay);

private:
    void loseFocus();

    wl_keyboard* keyboard = nullptr;
    std::uint32_t boundVersion = 0;
    std::atomic<WaylandInputTarget*> target{nullptr};
    XkbKeyboard xkb;
    KeyRepeat repeat;
    bool focused = false;
};

}  // namespace vxr
