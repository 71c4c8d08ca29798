#include "vxr/console/core/windowed_console.h"

#include <new>

#include "vxr/console/core/present_store.h"
#include "vxr/console/placement/frame_placement.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {

int WindowedConsole::openDisplayFormat(int width, int height, int output, int parameter,
                                       int variant)
{
    if (displayGone()) return 0;
    if (!settleWindowRequest(width, height, output, parameter, variant)) return 0;
    if (!canOpenWindow(output)) return 0;
    if (!hasWindow() || !refitWindow(width, height, output)) {
        closeWindow();
        presentations.clear();
        // The window's thread may place the frame while the window opens.
        frameWidth = width;
        frameHeight = height;
        if (!openWindow(width, height, output)) {
            closeWindow();
            return 0;
        }
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
    FramePresenter* presenter = framePresenter();
    if (!presenter) return nullptr;
    return new (std::nothrow)
        PresentStore(presenter, request.width, request.height, request.format, request.memoryKind,
                     request.orientation, request.linePadding, request.variant);
}

int WindowedConsole::setTitle(const char* text)
{
    if (!windowTitle.set(text)) {
        setLastError("the title is null");
        return 0;
    }
    if (displayGone()) return 0;
    return showTitle(windowTitle.text()) ? 1 : 0;
}

int WindowedConsole::title(char* out)
{
    if (windowTitle.copyTo(out)) return 1;
    setLastError("no room was given for the title");
    return 0;
}

int WindowedConsole::setScaling(int scaling)
{
    if (!FramePlacement::isKnown(scaling)) {
        setLastError("setScaling: %d is none of SCALING_SHARP, SCALING_COMPOSITOR, "
                     "SCALING_INTEGER and SCALING_STRETCH",
                     scaling);
        return 0;
    }
    if (displayGone() || !placeFrameFor(scaling)) return 0;
    chosenScaling = scaling;
    return 1;
}

bool WindowedConsole::placeFrameFor(int scaling)
{
    if (scaling == SCALING_SHARP) return true;
    setLastError("setScaling: this console scales its frames the sharp way alone");
    return false;
}

int WindowedConsole::lastPresentation(Presentation* out)
{
    if (!out) {
        setLastError("lastPresentation: no room was given for the presentation");
        return 0;
    }
    if (presentations.read(*out)) return 1;
    setLastError("lastPresentation: no frame has been reported shown yet");
    return 0;
}

int WindowedConsole::setResizable(int resizable)
{
    if (displayGone()) return 0;
    const bool was = resizableWindows;
    resizableWindows = resizable != 0;
    if (applyResizing()) return 1;
    resizableWindows = was;
    return 0;
}

bool WindowedConsole::applyResizing()
{
    setLastError("setResizable: this console's windows keep the size it gives them");
    return false;
}

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
