#include "vxr/console/input/window_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vxr/console/core/library_thread.h"
#include "vxr/console/input/utf8_text.h"

namespace vxr {
namespace {

std::size_t slotOf(Key key) { return static_cast<std::size_t>(key); }

bool isNamed(Key key) { return key != Key::Unknown && slotOf(key) < KEY_VALUE_LIMIT; }

std::uint32_t buttonBit(std::int32_t button)
{
    return button >= 1 && button <= 32 ? 1u << (button - 1) : 0u;
}

Event keyEvent(EventType type, Key key, std::uint32_t nativeCode, char32_t symbol,
               std::uint32_t modifiers)
{
    Event event;
    event.type = type;
    event.key = key;
    event.nativeCode = nativeCode;
    event.symbol = symbol;
    event.modifiers = modifiers;
    return event;
}

}  // namespace

WindowInput::WindowInput(bool countPresses) : countsPresses(countPresses) {}

void WindowInput::windowOpened()
{
    // A close still to be carried out ends the program before it reopens.
    endIfAsked();
    {
        std::lock_guard<std::mutex> guard(stateLock);
        mapping = FrameMapping();
        held.reset();
        mouseNow = MouseState();
        modifierBits = 0;
    }
    lost.store(false);
    events.clear();
    events.reopen();
    keys.windowOpened();
}

void WindowInput::windowEnded()
{
    events.close();
    keys.windowEnded();
}

void WindowInput::keyDown(Key key, std::uint32_t nativeCode, char32_t symbol,
                          std::uint32_t modifiers, bool repeat)
{
    Event event = keyEvent(EventType::KeyDown, key, nativeCode, symbol, modifiers);
    event.repeat = repeat;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        if (isNamed(key)) {
            held.set(slotOf(key));
            heldNative[slotOf(key)] = nativeCode;
        }
        modifierBits = modifiers;
    }
    post(event);
    // Every press counts as the value 1, repeats included.
    if (countsPresses) keys.press();
}

void WindowInput::keyUp(Key key, std::uint32_t nativeCode, char32_t symbol,
                        std::uint32_t modifiers)
{
    const Event event = keyEvent(EventType::KeyUp, key, nativeCode, symbol, modifiers);
    {
        std::lock_guard<std::mutex> guard(stateLock);
        if (isNamed(key)) held.reset(slotOf(key));
        modifierBits = modifiers;
    }
    post(event);
}

void WindowInput::text(const char* utf8, std::size_t length)
{
    if (!utf8) return;
    Event event;
    event.type = EventType::Text;
    std::size_t used = 0;
    std::size_t at = 0;
    while (at < length) {
        std::size_t consumed = 0;
        const char32_t codePoint = Utf8Text::decode(utf8 + at, length - at, consumed);
        at += consumed;
        // Control characters (Enter, Tab, Backspace, Ctrl+letter) are keys,
        // read from key events; text carries what prints.
        if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0)) continue;
        char encoded[4];
        const int size = Utf8Text::encode(codePoint, encoded);
        if (used + static_cast<std::size_t>(size) >= Event::TEXT_CAPACITY) {
            post(event);
            std::memset(event.text, 0, sizeof event.text);
            used = 0;
        }
        std::memcpy(event.text + used, encoded, static_cast<std::size_t>(size));
        used += static_cast<std::size_t>(size);
    }
    if (used > 0) post(event);
}

void WindowInput::textCodePoint(char32_t codePoint)
{
    char encoded[4];
    const int size = Utf8Text::encode(codePoint, encoded);
    text(encoded, static_cast<std::size_t>(size));
}

void WindowInput::setModifiers(std::uint32_t modifiers)
{
    std::lock_guard<std::mutex> guard(stateLock);
    modifierBits = modifiers;
}

Event WindowInput::pointerEvent(EventType type)
{
    Event event;
    event.type = type;
    event.pointer = mouseNow.position;
    event.modifiers = modifierBits;
    return event;
}

void WindowInput::pointerArrived(EventType type, std::int32_t windowX, std::int32_t windowY)
{
    Event event;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        mouseNow.position = mapping.map(windowX, windowY);
        mouseNow.overWindow = true;
        event = pointerEvent(type);
    }
    post(event);
}

void WindowInput::pointerMoved(std::int32_t windowX, std::int32_t windowY)
{
    pointerArrived(EventType::MouseMove, windowX, windowY);
}

void WindowInput::pointerButton(std::int32_t button, bool down)
{
    Event event;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        if (down)
            mouseNow.buttons |= buttonBit(button);
        else
            mouseNow.buttons &= ~buttonBit(button);
        event = pointerEvent(down ? EventType::MouseDown : EventType::MouseUp);
        event.button = button;
    }
    post(event);
}

void WindowInput::wheel(float stepsX, float stepsY)
{
    Event event;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        event = pointerEvent(EventType::Wheel);
    }
    event.wheelX = stepsX;
    event.wheelY = stepsY;
    post(event);
}

void WindowInput::pointerEntered(std::int32_t windowX, std::int32_t windowY)
{
    pointerArrived(EventType::MouseEnter, windowX, windowY);
}

void WindowInput::pointerLeft()
{
    Event event;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        mouseNow.overWindow = false;
        event = pointerEvent(EventType::MouseLeave);
    }
    post(event);
}

void WindowInput::resized(std::int32_t width, std::int32_t height)
{
    Event event;
    event.type = EventType::Resize;
    event.width = width;
    event.height = height;
    post(event);
}

void WindowInput::releaseHeldKeys()
{
    Event released[KEY_VALUE_LIMIT];
    int count = 0;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        for (std::size_t slot = 0; slot < held.size(); ++slot) {
            if (!held.test(slot)) continue;
            Event& event = released[count++];
            event.type = EventType::KeyUp;
            event.key = static_cast<Key>(slot);
            event.nativeCode = heldNative[slot];
            event.modifiers = modifierBits;
        }
        held.reset();
    }
    for (int i = 0; i < count; ++i) post(released[i]);
}

void WindowInput::focusChanged(bool focused)
{
    if (!focused) releaseHeldKeys();
    Event event;
    event.type = focused ? EventType::FocusIn : EventType::FocusOut;
    post(event);
}

void WindowInput::closeRequested()
{
    // Without the program's request the close box ends it as a normal exit.
    if (!closeEvents.load()) return askToEnd(0);
    Event event;
    event.type = EventType::Close;
    post(event);
}

void WindowInput::displayLost()
{
    if (lost.exchange(true)) return;
    if (!closeEvents.load()) return askToEnd(1);
    Event event;
    event.type = EventType::Close;
    event.displayLost = true;
    post(event);
}

void WindowInput::askToEnd(int code)
{
    // A loss outranks a close: the program did not end well.
    int expected = -1;
    if (!endCode.compare_exchange_strong(expected, code) && code > expected)
        endCode.store(code);
    // A program waiting for a key or an event wakes to end.
    events.close();
    keys.windowEnded();
}

void WindowInput::endIfAsked()
{
    const int code = endCode.load();
    if (code < 0 || LibraryThread::isCurrent()) return;
    if (code != 0) std::fputs("vxr error: lost the display\n", stderr);
    std::exit(code);
}

int WindowInput::readKey()
{
    endIfAsked();
    const int key = keys.read();
    endIfAsked();
    return key;
}

int WindowInput::hasKeys()
{
    endIfAsked();
    return keys.hasKeys();
}

bool WindowInput::poll(Event& out)
{
    endIfAsked();
    return events.poll(out);
}

bool WindowInput::wait(Event& out, std::chrono::milliseconds limit)
{
    endIfAsked();
    const bool got = events.wait(out, limit);
    endIfAsked();
    return got;
}

void WindowInput::showFrame(std::int32_t frameWidth, std::int32_t frameHeight,
                            const Rect& shownArea)
{
    std::lock_guard<std::mutex> guard(stateLock);
    mapping = FrameMapping(frameWidth, frameHeight, shownArea);
}

bool WindowInput::isKeyDown(Key key)
{
    std::lock_guard<std::mutex> guard(stateLock);
    return isNamed(key) && held.test(slotOf(key));
}

MouseState WindowInput::mouse()
{
    std::lock_guard<std::mutex> guard(stateLock);
    return mouseNow;
}

std::uint32_t WindowInput::modifiers()
{
    std::lock_guard<std::mutex> guard(stateLock);
    return modifierBits;
}

}  // namespace vxr
