#include "vxr/console/wayland/wayland_pointer.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include "vxr/console/event.h"
#include "vxr/console/wayland/wayland_input_target.h"
#include "vxr/console/input/window_input.h"

namespace vxr {
namespace {

// A wheel without notches scrolls about this many surface units a notch.
constexpr double UNITS_PER_STEP = 10.0;
// wl_fixed_t holds 8 fraction bits.
constexpr int FIXED_FRACTION_BITS = 8;
// A scale is told in 120ths of a pixel a unit.
constexpr std::int64_t SCALE_UNIT = 120;
// One window pixel in a position in fixed point times a scale in 120ths.
constexpr std::int64_t FIXED_PIXEL = SCALE_UNIT << FIXED_FRACTION_BITS;

// Rounded down, also for a position left of or above the window.
std::int64_t floorDivide(std::int64_t value, std::int64_t by)
{
    const std::int64_t quotient = value / by;
    return quotient * by > value ? quotient - 1 : quotient;
}

WaylandPointer& ownerOf(void* data) { return *static_cast<WaylandPointer*>(data); }

void enter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
           wl_fixed_t y)
{
    ownerOf(data).entered(surface, serial, x, y);
}

void leave(void* data, wl_pointer*, std::uint32_t, wl_surface*) { ownerOf(data).left(); }

void motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    ownerOf(data).moved(x, y);
}

void button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t code,
            std::uint32_t state)
{
    ownerOf(data).buttonChanged(code, state);
}

void axis(void* data, wl_pointer*, std::uint32_t, std::uint32_t which, wl_fixed_t value)
{
    ownerOf(data).scrolled(which, value);
}

void frame(void* data, wl_pointer*) { ownerOf(data).frameEnded(); }
void axisSource(void*, wl_pointer*, std::uint32_t) {}
void axisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}

void axisDiscrete(void* data, wl_pointer*, std::uint32_t which, std::int32_t steps)
{
    ownerOf(data).scrolledDiscrete(which, steps);
}

// Newer than the seat version bound: never sent.
void axisValue120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

const wl_pointer_listener POINTER_LISTENER = {enter, leave,      motion,   button,       axis,
                                              frame, axisSource, axisStop, axisDiscrete,
                                              axisValue120};

std::int32_t buttonNumber(std::uint32_t code)
{
    switch (code) {
        case BTN_LEFT: return BUTTON_LEFT;
        case BTN_MIDDLE: return BUTTON_MIDDLE;
        case BTN_RIGHT: return BUTTON_RIGHT;
        case BTN_SIDE: return BUTTON_BACK;
        case BTN_EXTRA: return BUTTON_FORWARD;
        default: return 0;
    }
}

}  // namespace

void WaylandPointer::bind(wl_seat* seat, std::uint32_t seatVersion, wl_compositor* compositor,
                          wl_shm* shm)
{
    if (pointer || !seat) return;
    surfaces = compositor;
    sharedMemory = shm;
    pointer = wl_seat_get_pointer(seat);
    if (!pointer) return;
    boundVersion = seatVersion;
    wl_pointer_add_listener(pointer, &POINTER_LISTENER, this);
}

void WaylandPointer::release()
{
    if (!pointer) return;
    left();
    settle();
    {
        std::lock_guard<std::mutex> guard(cursorLock);
        cursor.release();
    }
    if (boundVersion >= WL_POINTER_RELEASE_SINCE_VERSION)
        wl_pointer_release(pointer);
    else
        wl_pointer_destroy(pointer);
    pointer = nullptr;
}

void WaylandPointer::setTarget(WaylandInputTarget* receiver)
{
    over = nullptr;
    overWindow = leavePending = false;
    vertical = horizontal = Scroll{};
    target.store(receiver);
}

void WaylandPointer::showCursor(WaylandInputTarget& receiver)
{
    std::lock_guard<std::mutex> guard(cursorLock);
    const bool visible = receiver.showsPointer();
    // Drawn at the window's scale, which is the output's, rounded up to
    // whole pixels: a compositor scales a cursor by whole factors.
    if (visible)
        cursor.load(surfaces, sharedMemory,
                    static_cast<std::int32_t>((receiver.pixelsPerUnit120() + SCALE_UNIT - 1) /
                                              SCALE_UNIT));
    cursor.show(pointer, enterSerial.load(), visible);
}

void WaylandPointer::refreshCursor()
{
    WaylandInputTarget* receiver = target.load();
    if (!receiver || !pointer || !inside.load()) return;
    showCursor(*receiver);
}

bool WaylandPointer::groupsInFrames() const
{
    return boundVersion >= WL_POINTER_FRAME_SINCE_VERSION;
}

void WaylandPointer::windowPixel(std::int32_t x, std::int32_t y, std::int32_t& windowX,
                                 std::int32_t& windowY) const
{
    // In 64 bits, then floored, so that a position left of the window stays
    // left of it.
    const std::int64_t fixedX = (std::int64_t{originLeft} << FIXED_FRACTION_BITS) + x;
    const std::int64_t fixedY = (std::int64_t{originTop} << FIXED_FRACTION_BITS) + y;
    windowX = static_cast<std::int32_t>(floorDivide(fixedX * scale120, FIXED_PIXEL));
    windowY = static_cast<std::int32_t>(floorDivide(fixedY * scale120, FIXED_PIXEL));
}

void WaylandPointer::entered(wl_surface* surface, std::uint32_t serial, std::int32_t x,
                             std::int32_t y)
{
    WaylandInputTarget* receiver = target.load();
    if (!receiver || !surface || !receiver->placeOfSurface(surface, originLeft, originTop)) return;
    over = surface;
    // Each entry, into the window or its child, takes a picture of its own.
    enterSerial = serial;
    inside = true;
    showCursor(*receiver);
    scale120 = receiver->pixelsPerUnit120();
    std::int32_t windowX = 0, windowY = 0;
    windowPixel(x, y, windowX, windowY);
    // From the window onto its child (or back) the pointer only moved.
    if (overWindow)
        receiver->seatInput().pointerMoved(windowX, windowY);
    else
        receiver->seatInput().pointerEntered(windowX, windowY);
    overWindow = true;
    leavePending = false;
}

void WaylandPointer::left()
{
    over = nullptr;
    inside = false;
    if (overWindow) leavePending = true;
}

void WaylandPointer::settle()
{
    if (!leavePending) return;
    leavePending = overWindow = false;
    if (WaylandInputTarget* receiver = target.load()) receiver->seatInput().pointerLeft();
}

void WaylandPointer::moved(std::int32_t x, std::int32_t y)
{
    WaylandInputTarget* receiver = target.load();
    if (!receiver || !over) return;
    // The child moves within the window when the window's size changes.
    std::int32_t left = 0, top = 0;
    if (!receiver->placeOfSurface(over, left, top)) return;
    originLeft = left;
    originTop = top;
    std::int32_t windowX = 0, windowY = 0;
    windowPixel(x, y, windowX, windowY);
    receiver->seatInput().pointerMoved(windowX, windowY);
}

void WaylandPointer::buttonChanged(std::uint32_t code, std::uint32_t state)
{
    WaylandInputTarget* receiver = target.load();
    const std::int32_t number = buttonNumber(code);
    if (!receiver || !overWindow || number == 0) return;
    receiver->seatInput().pointerButton(number, state == WL_POINTER_BUTTON_STATE_PRESSED);
}

void WaylandPointer::scrolled(std::uint32_t which, std::int32_t value)
{
    Scroll& scroll = which == WL_POINTER_AXIS_HORIZONTAL_SCROLL ? horizontal : vertical;
    scroll.value += wl_fixed_to_double(value);
    if (!groupsInFrames()) sendWheel();
}

void WaylandPointer::scrolledDiscrete(std::uint32_t which, std::int32_t steps)
{
    Scroll& scroll = which == WL_POINTER_AXIS_HORIZONTAL_SCROLL ? horizontal : vertical;
    scroll.steps += steps;
    scroll.stepped = true;
}

void WaylandPointer::frameEnded() { sendWheel(); }

void WaylandPointer::sendWheel()
{
    const auto steps = [](const Scroll& scroll) {
        return scroll.stepped ? static_cast<double>(scroll.steps) : scroll.value / UNITS_PER_STEP;
    };
    // The axis grows downward and rightward; a notch up is one step up.
    const float stepsX = static_cast<float>(steps(horizontal));
    const float stepsY = static_cast<float>(0.0 - steps(vertical));
    vertical = horizontal = Scroll{};
    WaylandInputTarget* receiver = target.load();
    if (!receiver || !overWindow || (stepsX == 0 && stepsY == 0)) return;
    receiver->seatInput().wheel(stepsX, stepsY);
}

}  // namespace vxr
