#pragma once

#include <emscripten/html5.h>

#include <cstdint>

namespace vxr {

class WindowInput;

// The browser's input events turned into the console's: keys and typed
// text from the window, the pointer and the wheel from the canvas, focus
// and blur of the window. The browser gives positions in the canvas's CSS
// pixels; they go on in the canvas's own pixels (device pixels), through
// which the console's WindowInput maps them to frame pixels.
class WebInput {
public:
    // Starts listening; every event goes to input, and wakes a program
    // that waits for one.
    void listen(WindowInput& input);
    void stop();
    // Canvas pixels a CSS pixel, from now on.
    void setPixelRatio(double ratio) { pixelRatio = ratio; }

private:
    // Sets every listener to this object's handlers, or takes them all away.
    void route(bool on);
    static EM_BOOL keyDown(int type, const EmscriptenKeyboardEvent* event, void* self);
    static EM_BOOL keyUp(int type, const EmscriptenKeyboardEvent* event, void* self);
    static EM_BOOL mouse(int type, const EmscriptenMouseEvent* event, void* self);
    static EM_BOOL wheel(int type, const EmscriptenWheelEvent* event, void* self);
    static EM_BOOL focus(int type, const EmscriptenFocusEvent* event, void* self);

    // The canvas pixel under the centre of a CSS pixel.
    std::int32_t canvasPixel(long cssPixel) const;

    WindowInput* target = nullptr;
    double pixelRatio = 1.0;
};

}  // namespace vxr
