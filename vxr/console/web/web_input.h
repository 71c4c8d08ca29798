#pragma once

#include <emscripten/html5.h>

namespace vxr {

class WindowInput;

// The browser's input events turned into the console's: keys and typed
// text from the window, the pointer and the wheel from the canvas, focus
// and blur of the window. Positions are the canvas's CSS pixels; the
// console's WindowInput maps them to frame pixels through the CSS scale.
class WebInput {
public:
    // Starts listening; every event goes to input, and wakes a program
    // that waits for one.
    void listen(WindowInput& input);
    void stop();

private:
    // Sets every listener to this object's handlers, or takes them all away.
    void route(bool on);
    static EM_BOOL keyDown(int type, const EmscriptenKeyboardEvent* event, void* self);
    static EM_BOOL keyUp(int type, const EmscriptenKeyboardEvent* event, void* self);
    static EM_BOOL mouse(int type, const EmscriptenMouseEvent* event, void* self);
    static EM_BOOL wheel(int type, const EmscriptenWheelEvent* event, void* self);
    static EM_BOOL focus(int type, const EmscriptenFocusEvent* event, void* self);

    WindowInput* target = nullptr;
};

}  // namespace vxr
