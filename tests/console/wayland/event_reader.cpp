#include "event_reader.h"

#include <chrono>

#include "console/x11/x11_test_support.h"
#include "vxr/console/console.h"

namespace vxr::test {

std::string describe(const Event& event)
{
    static const char* const NAMES[] = {"None",      "KeyDown",   "KeyUp",      "Text",
                                        "MouseMove", "MouseDown", "MouseUp",    "Wheel",
                                        "MouseEnter", "MouseLeave", "Resize",   "FocusIn",
                                        "FocusOut",  "Close"};
    const auto index = static_cast<std::size_t>(event.type);
    std::string text = index < std::size(NAMES) ? NAMES[index] : "?";
    text += " key " + std::to_string(static_cast<int>(event.key)) + " native " +
            std::to_string(event.nativeCode) + " symbol " + std::to_string(event.symbol) +
            " mods " + std::to_string(event.modifiers) + (event.repeat ? " repeat" : "") +
            " text '" + event.text + "' at " + std::to_string(event.pointer.x) + "," +
            std::to_string(event.pointer.y) + " window " + std::to_string(event.pointer.windowX) +
            "," + std::to_string(event.pointer.windowY) + (event.pointer.inside ? " inside" : "") +
            " button " + std::to_string(event.button) + " wheel " + std::to_string(event.wheelX) +
            "," + std::to_string(event.wheelY) + " size " + std::to_string(event.width) + "x" +
            std::to_string(event.height);
    return text;
}

bool EventReader::read(Event& out, int limitMs)
{
    if (!console.waitEvent(&out, limitMs)) return false;
    log += describe(out) + "\n";
    return true;
}

bool EventReader::next(EventType type, Event& out)
{
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!read(out, static_cast<int>(left.count()) + 1)) return false;
        if (out.type == type) return true;
    }
    return false;
}

bool EventReader::next(Event& out)
{
    return read(out, static_cast<int>(
                         std::chrono::duration_cast<std::chrono::milliseconds>(PATIENCE).count()));
}

bool EventReader::resizedTo(int width, int height)
{
    Event resized;
    while (next(EventType::Resize, resized))
        if (resized.width == width && resized.height == height) return true;
    return false;
}

std::vector<Event> EventReader::until(int quietMs)
{
    // Events that never stop (a key that repeats for ever) end it too.
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    std::vector<Event> events;
    Event event;
    while (std::chrono::steady_clock::now() < deadline && read(event, quietMs))
        events.push_back(event);
    return events;
}

std::string EventReader::textUntil(EventType stop)
{
    std::string text;
    Event event;
    while (next(event)) {
        if (event.type == EventType::Text) text += event.text;
        if (event.type == stop) break;
    }
    return text;
}

}  // namespace vxr::test
