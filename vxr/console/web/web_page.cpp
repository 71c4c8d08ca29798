#include "vxr/console/web/web_page.h"

#include <emscripten.h>

#include "vxr/console/web/frame_pace.h"

namespace vxr {
namespace {

// One waiter at most: the program's single thread is the one waiting.
EM_ASYNC_JS(void, awaitWakeOrTimeout, (int milliseconds), {
    await new Promise(resolve => {
        const timer = setTimeout(() => { Module.vxrWake = null; resolve(); }, milliseconds);
        Module.vxrWake = () => { clearTimeout(timer); Module.vxrWake = null; resolve(); };
    });
});

EM_JS(void, wakeWaiter, (), {
    if (Module.vxrWake) Module.vxrWake();
});

EM_ASYNC_JS(void, awaitAnimationFrame, (), {
    await new Promise(resolve => requestAnimationFrame(time => {
        _vxr_web_animation_frame(time);
        resolve();
    }));
});

// The animation frame after a change of the canvas is the rendering update
// that paints it; its callback's time is that frame's. One more callback
// notes the time to the next frame, so that the interval is known even for
// a program that presents seldom. For a wait that asks for no animation
// frame itself.
EM_JS(void, awaitFrameShown, (), {
    if (Module.vxrFrameShownArmed) return;
    Module.vxrFrameShownArmed = true;
    requestAnimationFrame(time => {
        Module.vxrFrameShownArmed = false;
        _vxr_web_animation_frame(time);
        requestAnimationFrame(next => _vxr_web_animation_frame(next));
    });
});

EM_JS(void, setDocumentTitle, (const char* text), {
    document.title = UTF8ToString(text);
});

EM_JS(void, showPageError, (const char* message), {
    if (typeof Module.vxrShowError === 'function') Module.vxrShowError(UTF8ToString(message));
});

WebPage::FrameShown frameShown = nullptr;
void* frameShownListener = nullptr;
// The canvas was given a frame that no animation frame has painted yet.
bool framePending = false;

// Every animation frame the page hears of.
FramePace pace;

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void vxr_web_animation_frame(double timeMilliseconds)
{
    pace.note(timeMilliseconds);
    if (!framePending) return;
    framePending = false;
    if (frameShown) frameShown(frameShownListener, timeMilliseconds, pace.interval());
}

void WebPage::whenFrameShows(FrameShown shown, void* listener)
{
    frameShown = shown;
    frameShownListener = listener;
    // The browser paints only while the program waits: the wait asks for
    // the animation frame, so that giving the canvas a frame costs no call
    // into the page.
    framePending = shown != nullptr;
}

void WebPage::waitForAnimationFrame() { awaitAnimationFrame(); }

void WebPage::waitForWake(int milliseconds)
{
    // A wait for input paints the frame too: its time comes from an
    // animation frame of its own.
    if (framePending) awaitFrameShown();
    awaitWakeOrTimeout(milliseconds < 0 ? 0 : milliseconds);
}

void WebPage::wake() { wakeWaiter(); }

void WebPage::setTitle(const char* text)
{
    if (text) setDocumentTitle(text);
}

void WebPage::showError(const char* message) { showPageError(message ? message : ""); }

}  // namespace vxr
