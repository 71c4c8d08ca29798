#include "vxr/console/core/windowed_console.h"

#include <new>

#include "vxr/console/core/present_store.h"
#include "vxr/surface/surface.h"

namespace vxr {

int WindowedConsole::openDisplayFormat(int width, int height, int output, int parameter,
                                       int variant)
{
    if (displayGone() || !canOpenWindow()) return 0;
    if (!settleWindowRequest(width, height, output, parameter, variant)) return 0;
    closeWindow();
    // The window's thread may place the frame while the window opens.
    frameWidth = width;
    frameHeight = height;
    if (!openWindow(width, height, output)) {
        closeWindow();
        return 0;
    }
    openOutput = output;
    openParameter = parameter;
    if (replacePrimary(frameWidth, frameHeight)) return 1;
    closeWindow();
    return 0;
}

void WindowedConsole::closeDisplay()
{
    closeWindow();
    delete primarySurface;
    primarySurface = nullptr;
    releaseSurfaces();
}

SurfaceStore* WindowedConsole::makeScreenStore(StoreRequest& request)
{
    return new (std::nothrow)
        PresentStore(this, request.width, request.height, request.format, request.memoryKind,
                     request.orientation, request.linePadding, request.variant);
}

int WindowedConsole::setTitle(const char* text)
{
    if (!windowTitle.set(text) || displayGone()) return 0;
    return showTitle(windowTitle.text()) ? 1 : 0;
}

int WindowedConsole::title(char* out) { return windowTitle.copyTo(out) ? 1 : 0; }

int WindowedConsole::readKey()
{
    input.endIfAsked();
    // No key comes from a display that is gone, and the terminal is not
    // where this program's keys were coming from.
    if (displayGone()) return 0;
    if (!hasWindow()) return hasTerminal() ? Console::readKey() : 0;
    const int key = waitForKey();
    // A loss that woke the wait says so.
    if (key == 0) displayGone();
    return key;
}

int WindowedConsole::keyPressed()
{
    input.endIfAsked();
    if (displayGone()) return 0;
    if (!hasWindow()) return hasTerminal() ? Console::keyPressed() : 0;
    return input.hasKeys();
}

}  // namespace vxr
