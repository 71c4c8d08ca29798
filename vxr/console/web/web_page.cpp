#include "vxr/console/web/web_page.h"

#include <emscripten.h>

namespace vxr {
namespace {

EM_ASYNC_JS(void, awaitAnimationFrame, (), {
    await new Promise(resolve => requestAnimationFrame(() => resolve()));
});

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

EM_JS(void, setDocumentTitle, (const char* text), {
    document.title = UTF8ToString(text);
});

EM_JS(void, showPageError, (const char* message), {
    if (typeof Module.vxrShowError === 'function') Module.vxrShowError(UTF8ToString(message));
});

}  // namespace

void WebPage::waitForAnimationFrame() { awaitAnimationFrame(); }

void WebPage::waitForWake(int milliseconds) { awaitWakeOrTimeout(milliseconds < 0 ? 0 : milliseconds); }

void WebPage::wake() { wakeWaiter(); }

void WebPage::setTitle(const char* text)
{
    if (text) setDocumentTitle(text);
}

void WebPage::showError(const char* message) { showPageError(message ? message : ""); }

}  // namespace vxr
