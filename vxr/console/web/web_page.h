#pragma once

namespace vxr {

// What the web console asks of the page around its canvas: the document's
// title, a place to show a start-up error, and the turns the program's own
// loop gives the browser. A program keeps its blocking loop: Asyncify
// suspends it at each wait and resumes it from the browser's event loop, so
// frames get painted and input arrives while it waits.
class WebPage {
public:
    // Suspends the program until the browser's next animation frame.
    static void waitForAnimationFrame();
    // Suspends the program until wake() or until milliseconds have passed.
    static void waitForWake(int milliseconds);
    // Ends a waitForWake early: input has arrived.
    static void wake();

    // What whenFrameShows() tells: the animation frame's time (the
    // browser's clock, performance.now(), in milliseconds) and the time to
    // the next one.
    using FrameShown = void (*)(void* listener, double timeMilliseconds,
                                double intervalMilliseconds);
    // Tells the listener of the next animation frame, the one that paints
    // what the canvas has just been given (during the program's next wait);
    // once, however many frames are given before it. One listener at a
    // time; null stops telling.
    static void whenFrameShows(FrameShown shown, void* listener);

    static void setTitle(const char* text);
    // Shows the error as the page's "vxr error" notice, where the page has
    // one; the message also goes to standard error.
    static void showError(const char* message);
};

}  // namespace vxr
