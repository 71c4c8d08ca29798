#include "vxr/console/x11/x11_console.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include <xcb/present.h>

#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/placement/output_scale.h"
#include "vxr/console/x11/shared_memory_store.h"
#include "vxr/console/x11/x11_resources.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {

X11Console::X11Console() : presenter(connection, *this)
{
    nativeConnection = connection.connection();
    constructedOk = connection.isUsable() && presenter.isReady() ? 1 : 0;
    connection.recordPresentationsIn(presentations);
    displayFormat = connection.frameFormat();
    icon.readProjectIcon();
}

// The application's surfaces hold images of this display: they are emptied
// while the connection they were attached on is still open.
X11Console::~X11Console() { closeDisplay(); }

int X11Console::modes(std::vector<ConsoleMode>& list)
{
    list.clear();
    if (!constructedOk) return 0;
    return reportScreenMode(list, connection.screenWidth(), connection.screenHeight());
}

bool X11Console::canOpenWindow(int) { return constructedOk && displayFormat.isValid(); }

bool X11Console::openWindow(int width, int height, int output)
{
    const bool fullscreen = output == FULLSCREEN;
    // Read at every open: a session may load other resources between windows.
    reportedScale.store(
        X11Resources::readReportedScale(connection.connection(), connection.root()));
    const double scale = X11Resources::settle(reportedScale.load());
    X11Window::Start start;
    start.title = windowTitle.text();
    if (fullscreen) {
        start.width = connection.screenWidth();
        start.height = connection.screenHeight();
    } else {
        windowedSize(width, height, scale, start.width, start.height);
    }
    start.fullscreen = fullscreen;
    start.limits = sizeLimits(fullscreen, start.width, start.height);
    start.managed = connection.hasWindowManager();
    start.icon = icon.data();
    start.iconLength = icon.length();
    {
        std::lock_guard<std::recursive_mutex> present(presentLock);
        start.colormap = presenter.windowColormap();
        start.backgroundPixel = presenter.barPixel();
    }
    input.windowOpened();
    std::lock_guard<std::mutex> guard(windowLock);
    if (!windowThread.open(connection, *this, input, start)) return false;
    windowThread.showPointer(pointerShownFor(output));
    std::lock_guard<std::recursive_mutex> present(presentLock);
    presenter.attachWindow(windowThread.id(), start.managed, width, height);
    placeFrame();
    watchRetrace();
    return true;
}

void X11Console::closeWindow()
{
    {
        std::lock_guard<std::mutex> guard(windowLock);
        std::lock_guard<std::recursive_mutex> present(presentLock);
        retraceWatched = false;
        connection.recordFramesOf(XCB_NONE);
        presenter.detachWindow();
    }
    // Outside the lock, so the thread can finish the events that need it.
    windowThread.close();
    input.windowEnded();
}

void X11Console::windowedSize(int width, int height, double scale, std::int32_t& windowWidth,
                              std::int32_t& windowHeight) const
{
    // The whole multiple is chosen as on a screen of scale 1, so that a
    // frame opens as large to the eye on a high-DPI screen as on another.
    const std::int32_t multiple = FrameScaler::windowScale(
        width, height, OutputScale::physical(connection.screenWidth(), 1.0 / scale),
        OutputScale::physical(connection.screenHeight(), 1.0 / scale));
    windowWidth = OutputScale::physical(width * multiple, scale);
    windowHeight = OutputScale::physical(height * multiple, scale);
}

X11Window::SizeLimits X11Console::sizeLimits(bool fullscreen, std::int32_t width,
                                             std::int32_t height) const
{
    if (fullscreen) return {};
    if (!resizableWindows) return {width, height, width, height};
    return {std::min(frameWidth, connection.screenWidth()),
            std::min(frameHeight, connection.screenHeight()), 0, 0};
}

bool X11Console::windowSize(std::int32_t& width, std::int32_t& height)
{
    xcb_connection_t* link = connection.connection();
    xcb_get_geometry_reply_t* reply =
        xcb_get_geometry_reply(link, xcb_get_geometry(link, windowThread.id()), nullptr);
    if (reply) {
        width = reply->width;
        height = reply->height;
    }
    std::free(reply);
    return reply != nullptr;
}

bool X11Console::applyResizing()
{
    std::lock_guard<std::mutex> guard(windowLock);
    // Without a window the choice waits for the next; one over the whole
    // screen takes it when it comes back as a window.
    if (!windowThread.isOpen() || openOutput == FULLSCREEN) return true;
    std::int32_t width = 0, height = 0;
    if (!windowSize(width, height)) {
        setLastError("setResizable: the X display '%s' did not say the window's size",
                     connection.name());
        return false;
    }
    if (showSizeLimits(false, width, height)) return true;
    setLastError("setResizable: the X display '%s' refused the window's size hints",
                 connection.name());
    return false;
}

bool X11Console::showSizeLimits(bool fullscreen, std::int32_t width, std::int32_t height)
{
    xcb_connection_t* link = connection.connection();
    xcb_generic_error_t* error =
        xcb_request_check(link, X11Window::setSizeHints(link, windowThread.id(), width, height,
                                                        sizeLimits(fullscreen, width, height)));
    std::free(error);
    return error == nullptr && connection.isUsable();
}

double X11Console::scale()
{
    return windowThread.isOpen() ? X11Resources::settle(reportedScale.load()) : 1.0;
}

int X11Console::setOutput(int output)
{
    if ((output != FULLSCREEN && output != WINDOWED) || displayGone()) return 0;
    std::lock_guard<std::mutex> guard(windowLock);
    if (!windowThread.isOpen()) return 0;
    if (output == openOutput) return 1;
    const bool fullscreen = output == FULLSCREEN;
    std::int32_t width = connection.screenWidth(), height = connection.screenHeight();
    if (!fullscreen)
        windowedSize(frameWidth, frameHeight, X11Resources::settle(reportedScale.load()), width,
                     height);
    // Limits first: a window manager sizes a fixed window to the screen
    // only once it may, and one back from the screen gets its own again.
    if (!showSizeLimits(fullscreen, width, height) ||
        !windowThread.switchOutput(connection, fullscreen, connection.hasWindowManager(), width,
                                   height))
        return 0;
    openOutput = output;
    windowThread.showPointer(pointerShownFor(output));
    return 1;
}

bool X11Console::pointerShownFor(int output) const
{
    return pointerChoice >= 0 ? pointerChoice == 1 : output != FULLSCREEN;
}

int X11Console::setPointerVisible(int visible)
{
    if ((visible != 0 && visible != 1) || displayGone()) return 0;
    std::lock_guard<std::mutex> guard(windowLock);
    if (!windowThread.isOpen()) return 0;
    pointerChoice = visible;
    return windowThread.showPointer(visible == 1) ? 1 : 0;
}

void* X11Console::window()
{
    if (!windowThread.isOpen()) return nullptr;
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(windowThread.id()));
}

// ---- stores and presentation ------------------------------------------------

bool X11Console::isShownFormat(const PixelFormat& format) const
{
    // The 3-3-2 pixels of an 8-bit display's direct-colour map go out as
    // they are, like its indices.
    return format.isValid() && (format == connection.format() ||
                                (connection.isPseudoColor() && format == PixelFormat(RGB332)));
}

SurfaceStore* X11Console::makeProgramStore(StoreRequest& request)
{
    if (!constructedOk || !isShownFormat(request.format) || !connection.hasSharedMemory())
        return nullptr;
    return new (std::nothrow)
        SharedMemoryStore(*this, request.width, request.height, request.format,
                          request.memoryKind, request.orientation, request.linePadding,
                          request.variant);
}

bool X11Console::createImage(SharedImage& image, std::int32_t width, std::int32_t height)
{
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    return image.create(connection, width, height, true, true);
}

void X11Console::waitForImage(SharedImage& image)
{
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    image.waitIdle();
}

void X11Console::releaseImage(SharedImage& image)
{
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    image.release();
}

int X11Console::present(Surface* source, const Rect& sourceArea, const Rect& destinationArea)
{
    input.endIfAsked();
    if (!source || displayGone()) return 0;
    // An indexed frame may bring its palette to an 8-bit display.
    std::lock_guard<std::mutex> palette(paletteLock);
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    const int shown = presenter.present(*source, sourceArea, destinationArea);
    // The frame reaches the screen at the window's next refresh.
    if (shown && retraceWatched &&
        connection.askForNextRefresh(windowThread.id(), X11Display::Refresh::FrameShown))
        xcb_flush(connection.connection());
    return displayGone() ? 0 : shown;
}

bool X11Console::displayGone()
{
    // A connection that fails while a window shows means the server is gone:
    // the window thread may not have seen it yet, and the program must not
    // go on presenting into nothing.
    if (!input.isDisplayLost()) {
        if (!windowThread.isOpen() || connection.isUsable()) return false;
        input.displayLost();
    }
    setLastError("the X display '%s' has gone away", connection.name());
    return true;
}

// ---- palettes ---------------------------------------------------------------

int X11Console::setPalette(const Palette& palette)
{
    if (displayGone()) return 0;
    std::lock_guard<std::mutex> guard(paletteLock);
    if (displayFormat.model != INDEXED || !palette.isValid()) return 0;
    // lock() is not const: read the colours through a copy.
    Palette copy;
    copy.copyFrom(palette);
    const std::uint32_t* colours = copy.lock();
    if (!colours) return 0;
    std::lock_guard<std::recursive_mutex> present(presentLock);
    const bool stored = presenter.storePalette(colours);
    copy.unlock();
    return stored ? 1 : 0;
}

int X11Console::getPalette(Palette& palette)
{
    if (displayGone()) return 0;
    std::lock_guard<std::mutex> guard(paletteLock);
    if (displayFormat.model != INDEXED) return 0;
    std::uint32_t* entries = palette.lock();
    if (!entries) return 0;
    std::lock_guard<std::recursive_mutex> present(presentLock);
    const bool read = presenter.readPalette(entries);
    palette.unlock();
    return read ? 1 : 0;
}

// ---- retrace ----------------------------------------------------------------

void X11Console::watchRetrace()
{
    // The window's completion events come to this connection; they go with
    // the window.
    retraceWatched = connection.hasPresent();
    if (!retraceWatched) return;
    connection.recordFramesOf(windowThread.id());
    xcb_connection_t* link = connection.connection();
    xcb_present_select_input(link, xcb_generate_id(link), windowThread.id(),
                             XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
}

int X11Console::waitRetrace()
{
    input.endIfAsked();
    // Under presentLock: it reads the connection's events.
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    if (displayGone() || !retraceWatched) return 0;
    const std::uint32_t serial =
        connection.askForNextRefresh(windowThread.id(), X11Display::Refresh::Retrace);
    xcb_flush(connection.connection());
    const bool waited = connection.waitForRetrace(serial);
    return !displayGone() && waited ? 1 : 0;
}

int X11Console::lastPresentation(Presentation* out)
{
    if (constructedOk && !connection.hasPresent()) {
        setLastError(
            "lastPresentation: the X server offers no Present extension, which is "
            "what says when a frame was shown");
        return 0;
    }
    {
        // Reports that came since the last reader of the events.
        std::lock_guard<std::recursive_mutex> guard(presentLock);
        if (connection.isUsable()) connection.takeArrivedEvents();
    }
    return WindowedConsole::lastPresentation(out);
}

// ---- title ------------------------------------------------------------------

bool X11Console::showTitle(const char* text)
{
    std::lock_guard<std::mutex> guard(windowLock);
    if (!windowThread.isOpen() || !connection.isUsable()) return false;
    X11Window::setTitle(connection.connection(), windowThread.id(), connection, text);
    xcb_flush(connection.connection());
    return true;
}

// ---- the window thread's events ---------------------------------------------

void X11Console::windowExposed()
{
    std::lock_guard<std::mutex> guard(windowLock);
    std::lock_guard<std::mutex> palette(paletteLock);
    std::lock_guard<std::recursive_mutex> present(presentLock);
    presenter.repaint();
}

void X11Console::windowResized(std::int32_t width, std::int32_t height)
{
    std::lock_guard<std::mutex> guard(windowLock);
    std::lock_guard<std::recursive_mutex> present(presentLock);
    presenter.resize(width, height);
    placeFrame();
}

void X11Console::placeFrame()
{
    input.showFrame(presenter.shownWidth(), presenter.shownHeight(), presenter.shownArea());
}

bool X11Console::placeFrameFor(int scaling)
{
    if (scaling == SCALING_COMPOSITOR) {
        setLastError("setScaling: an X11 window has no compositor's scaling; the library scales");
        return false;
    }
    // In the window thread's order, as an exposure takes them: the window
    // shows the new placement at once, and the pointer maps through it.
    std::lock_guard<std::mutex> guard(windowLock);
    std::lock_guard<std::mutex> palette(paletteLock);
    std::lock_guard<std::recursive_mutex> present(presentLock);
    presenter.placeBy(scaling);
    if (windowThread.isOpen()) {
        placeFrame();
        presenter.repaint();
    }
    return true;
}

void X11Console::resourcesChanged(std::int32_t width, std::int32_t height)
{
    // The frame's size stays as it is while this window's thread runs.
    const double before = X11Resources::settle(reportedScale.load());
    reportedScale.store(
        X11Resources::readReportedScale(connection.connection(), connection.root()));
    const double after = X11Resources::settle(reportedScale.load());
    if (after == before) return;
    std::int32_t givenWidth = 0, givenHeight = 0, newWidth = 0, newHeight = 0;
    windowedSize(frameWidth, frameHeight, before, givenWidth, givenHeight);
    windowedSize(frameWidth, frameHeight, after, newWidth, newHeight);
    // Its ConfigureNotify brings the Resize.
    if (width == givenWidth && height == givenHeight &&
        windowThread.resizeIfResizable(newWidth, newHeight))
        return;
    input.resized(width, height);
}

void X11Console::windowEnded()
{
    input.windowEnded();
}

}  // namespace vxr
