#include "vxr/console/web/web_input.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "vxr/console/input/native_key_codes.h"
#include "vxr/console/input/utf8_text.h"
#include "vxr/console/web/web_page.h"
#include "vxr/console/input/window_input.h"

namespace vxr {
namespace {

constexpr const char* CANVAS = "#canvas";

template <typename Event>
std::uint32_t modifiersOf(const Event& event)
{
    std::uint32_t bits = 0;
    if (event.shiftKey) bits |= MODIFIER_SHIFT;
    if (event.ctrlKey) bits |= MODIFIER_CONTROL;
    if (event.altKey) bits |= MODIFIER_ALT;
    if (event.metaKey) bits |= MODIFIER_SUPER;
    return bits;
}

// KeyboardEvent.key is one character for a key that types one, and a name
// ("Shift", "ArrowLeft", "Dead") for the others.
char32_t typedCharacter(const char* key)
{
    const std::size_t length = std::strlen(key);
    std::size_t consumed = 0;
    const char32_t first = Utf8Text::decode(key, length, consumed);
    return consumed == length && length > 0 ? first : 0;
}

// The browser tells what the key typed with the modifiers held; a letter
// Shift made capital is the same key's symbol in lower case.
char32_t unshifted(char32_t character)
{
    return character >= U'A' && character <= U'Z' ? character + (U'a' - U'A') : character;
}

// The keys that would scroll or leave the page go to the program only;
// shortcuts with Ctrl or Meta, and the browser's own function keys, stay
// the browser's.
bool keepFromBrowser(const EmscriptenKeyboardEvent& event, Key key)
{
    if (event.ctrlKey || event.metaKey) return false;
    return key != Key::F5 && key != Key::F11 && key != Key::F12;
}

// A DOM wheel delta in steps of one notch: 100 pixels, 3 lines or a page.
float wheelSteps(double delta, unsigned long mode)
{
    const double perStep = mode == DOM_DELTA_PIXEL ? 100.0 : mode == DOM_DELTA_LINE ? 3.0 : 1.0;
    return static_cast<float>(-delta / perStep);
}

}  // namespace

void WebInput::listen(WindowInput& input)
{
    target = &input;
    route(true);
}

void WebInput::stop()
{
    if (!target) return;
    route(false);
    target = nullptr;
}

void WebInput::route(bool on)
{
    // Null data and handler take each listener away again.
    void* self = on ? this : nullptr;
    const auto handler = [on](auto function) { return on ? function : nullptr; };
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, self, 1, handler(keyDown));
    emscripten_set_keyup_callback(window, self, 1, handler(keyUp));
    emscripten_set_mousemove_callback(CANVAS, self, 1, handler(mouse));
    emscripten_set_mousedown_callback(CANVAS, self, 1, handler(mouse));
    emscripten_set_mouseup_callback(CANVAS, self, 1, handler(mouse));
    emscripten_set_mouseenter_callback(CANVAS, self, 1, handler(mouse));
    emscripten_set_mouseleave_callback(CANVAS, self, 1, handler(mouse));
    emscripten_set_wheel_callback(CANVAS, self, 1, handler(wheel));
    emscripten_set_focus_callback(window, self, 1, handler(focus));
    emscripten_set_blur_callback(window, self, 1, handler(focus));
}

std::int32_t WebInput::canvasPixel(long cssPixel) const
{
    // No page is 2^24 pixels wide; the bound keeps the result an int.
    constexpr double REACH = 16777216.0;
    double pixel = std::floor((static_cast<double>(cssPixel) + 0.5) * pixelRatio);
    if (!(pixel > -REACH)) pixel = -REACH;
    if (pixel > REACH) pixel = REACH;
    return static_cast<std::int32_t>(pixel);
}

EM_BOOL WebInput::keyDown(int, const EmscriptenKeyboardEvent* event, void* self)
{
    WindowInput* input = static_cast<WebInput*>(self)->target;
    if (!input) return 0;
    const Key key = keyFromDomCode(event->code);
    const char32_t typed = typedCharacter(event->key);
    input->keyDown(key, static_cast<std::uint32_t>(event->keyCode), unshifted(typed),
                   modifiersOf(*event), event->repeat != 0);
    // Ctrl and Meta make shortcuts, not text.
    if (typed && !event->ctrlKey && !event->metaKey) input->textCodePoint(typed);
    WebPage::wake();
    return keepFromBrowser(*event, key) ? 1 : 0;
}

EM_BOOL WebInput::keyUp(int, const EmscriptenKeyboardEvent* event, void* self)
{
    WindowInput* input = static_cast<WebInput*>(self)->target;
    if (!input) return 0;
    const Key key = keyFromDomCode(event->code);
    input->keyUp(key, static_cast<std::uint32_t>(event->keyCode),
                 unshifted(typedCharacter(event->key)), modifiersOf(*event));
    WebPage::wake();
    return keepFromBrowser(*event, key) ? 1 : 0;
}

EM_BOOL WebInput::mouse(int type, const EmscriptenMouseEvent* event, void* self)
{
    const auto* listener = static_cast<WebInput*>(self);
    WindowInput* input = listener->target;
    if (!input) return 0;
    const std::int32_t x = listener->canvasPixel(event->targetX);
    const std::int32_t y = listener->canvasPixel(event->targetY);
    input->setModifiers(modifiersOf(*event));
    switch (type) {
        case EMSCRIPTEN_EVENT_MOUSEMOVE: input->pointerMoved(x, y); break;
        case EMSCRIPTEN_EVENT_MOUSEENTER: input->pointerEntered(x, y); break;
        case EMSCRIPTEN_EVENT_MOUSELEAVE: input->pointerLeft(); break;
        case EMSCRIPTEN_EVENT_MOUSEDOWN:
        case EMSCRIPTEN_EVENT_MOUSEUP:
            // The pointer's place first, so the press lands where it was made.
            input->pointerMoved(x, y);
            // DOM buttons count from 0 in the order the library numbers them.
            input->pointerButton(event->button + 1, type == EMSCRIPTEN_EVENT_MOUSEDOWN);
            break;
        default: return 0;
    }
    WebPage::wake();
    return type == EMSCRIPTEN_EVENT_MOUSEDOWN ? 1 : 0;
}

EM_BOOL WebInput::wheel(int, const EmscriptenWheelEvent* event, void* self)
{
    const auto* listener = static_cast<WebInput*>(self);
    WindowInput* input = listener->target;
    if (!input) return 0;
    input->pointerMoved(listener->canvasPixel(event->mouse.targetX),
                        listener->canvasPixel(event->mouse.targetY));
    input->wheel(wheelSteps(event->deltaX, event->deltaMode) * -1.0f,
                 wheelSteps(event->deltaY, event->deltaMode));
    WebPage::wake();
    // The wheel over the frame is the program's, not the page's scroll.
    return 1;
}

EM_BOOL WebInput::focus(int type, const EmscriptenFocusEvent*, void* self)
{
    WindowInput* input = static_cast<WebInput*>(self)->target;
    if (!input) return 0;
    input->focusChanged(type == EMSCRIPTEN_EVENT_FOCUS);
    WebPage::wake();
    return 0;
}

}  // namespace vxr
