#include "vxr/console/wayland/wayland_console.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>

#include "vxr/console/frame_scaler.h"
#include "vxr/console/present_store.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// Several frames at any real refresh rate; a hidden window may never get
// its frame callback.
constexpr auto RETRACE_LIMIT = std::chrono::milliseconds(250);

}  // namespace

WaylandConsole::WaylandConsole() : presenter(connection, *this, presentLock)
{
    nativeDisplay = connection.display();
    constructedOk = connection.isUsable() ? 1 : 0;
    displayFormat = PixelFormat(ARGB8888);
}

WaylandConsole::~WaylandConsole()
{
    closeWindow();
    delete primarySurface;
    primarySurface = nullptr;
    releaseSurfaces();
}

int WaylandConsole::modes(std::vector<ConsoleMode>& list)
{
    list.clear();
    if (!constructedOk) return 0;
    return reportScreenMode(list, connection.screenWidth(), connection.screenHeight());
}

int WaylandConsole::open(int width, int height, int request, int output, int parameter,
                         int variant)
{
    return openRequestInDisplayFormat(width, height, request, output, parameter, variant);
}

int WaylandConsole::openFormat(int width, int height, const PixelFormat& format, int output,
                               int parameter, int variant)
{
    return openFormatInDisplayFormat(width, height, format, output, parameter, variant);
}

int WaylandConsole::openDisplayFormat(int width, int height, int output, int parameter,
                                      int variant)
{
    if (!constructedOk || !connection.isUsable()) return 0;
    if (!settleWindowRequest(width, height, output, parameter, variant)) return 0;

    closeWindow();
    frameWidth = width;
    frameHeight = height;
    if (!openWindow(width, height, output)) return 0;
    openOutput = output;
    openParameter = parameter;
    if (!createPrimary()) {
        closeWindow();
        return 0;
    }
    return 1;
}

bool WaylandConsole::openWindow(int width, int height, int output)
{
    const std::int32_t scale = FrameScaler::windowScale(width, height, connection.screenWidth(),
                                                        connection.screenHeight());
    WaylandWindow::Start start;
    start.title = titleText;
    start.width = width * scale;
    start.height = height * scale;
    start.fullscreen = output == FULLSCREEN;
    {
        std::lock_guard<std::mutex> keys(keyLock);
        windowRunning = true;
    }
    connection.receiveKeys(this);
    if (windowThread.open(connection, *this, start)) return true;
    closeWindow();
    return false;
}

void WaylandConsole::closeWindow()
{
    // The thread ends first, so that no event arrives for what goes next.
    windowThread.close();
    connection.receiveKeys(nullptr);
    {
        std::lock_guard<std::recursive_mutex> guard(presentLock);
        presenter.detachSurface();
    }
    std::lock_guard<std::mutex> keys(keyLock);
    windowRunning = false;
}

bool WaylandConsole::createPrimary()
{
    delete primarySurface;
    primarySurface = nullptr;
    creatingPrimary = 1;
    auto* surface = new (std::nothrow)
        Surface(this, frameWidth, frameHeight, displayFormat, MEMORY_DISPLAY, -1, -1, -1);
    creatingPrimary = 0;
    if (surface && surface->isValid()) {
        primarySurface = surface;
        return true;
    }
    delete surface;
    return false;
}

std::int32_t WaylandConsole::clientWidth()
{
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    return presenter.clientWidth();
}

std::int32_t WaylandConsole::clientHeight()
{
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    return presenter.clientHeight();
}

// ---- stores and presentation ------------------------------------------------

SurfaceStore* WaylandConsole::createStore(int* width, int* height, const PixelFormat* format,
                                          int* memoryKind, int* orientation, int* linePadding,
                                          int* variant)
{
    if (!width || !height || !format || !memoryKind || !orientation || !linePadding || !variant)
        return nullptr;
    if (*memoryKind != MEMORY_DISPLAY || !creatingPrimary)
        return Console::createStore(width, height, format, memoryKind, orientation, linePadding,
                                    variant);
    auto* store = new (std::nothrow) PresentStore(this, *width, *height, *format, *memoryKind,
                                                  *orientation, *linePadding, *variant);
    if (store && store->isValid()) return store;
    delete store;
    return nullptr;
}

int WaylandConsole::present(Surface* source, const Rect& sourceArea, const Rect& destinationArea)
{
    if (!source) return 0;
    std::unique_lock<std::recursive_mutex> guard(presentLock);
    return presenter.present(guard, *source, sourceArea, destinationArea);
}

int WaylandConsole::detach(Surface* surface)
{
    surfaceLeaving(surface);
    return Console::detach(surface);
}

void WaylandConsole::surfaceLeaving(Surface* surface)
{
    // Under presentLock, so a repaint drawing from the surface finishes
    // before its store goes, and none starts after.
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    presenter.forgetSurface(surface);
}

// ---- retrace ----------------------------------------------------------------

int WaylandConsole::waitRetrace()
{
    std::uint64_t frame = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(presentLock);
        if (!windowThread.isRunning() || !presenter.hasSurface()) return 0;
        frame = windowThread.requestFrame();
        // The frame request takes effect with a commit.
        wl_surface_commit(windowThread.surface());
        wl_display_flush(nativeDisplay);
    }
    return windowThread.waitFrame(frame, RETRACE_LIMIT) ? 1 : 0;
}

// ---- title and keys ---------------------------------------------------------

int WaylandConsole::setTitle(const char* text)
{
    if (!text) return 0;
    const std::size_t length = strnlen(text, TITLE_CAPACITY - 1);
    std::memcpy(titleText, text, length);
    titleText[length] = '\0';
    if (!windowThread.isRunning()) return 0;
    windowThread.setTitle(titleText);
    return 1;
}

int WaylandConsole::title(char* out)
{
    if (!out) return 0;
    std::memcpy(out, titleText, std::strlen(titleText) + 1);
    return 1;
}

int WaylandConsole::readKey()
{
    if (!windowThread.isOpen()) return Console::readKey();
    std::unique_lock<std::mutex> guard(keyLock);
    keyArrived.wait(guard, [this] { return keyQueue.hasItems() || !windowRunning; });
    // 0 once the window has gone: no key is coming.
    std::int32_t key = 0;
    keyQueue.pop(&key);
    return key;
}

int WaylandConsole::keyPressed()
{
    if (!windowThread.isOpen()) return Console::keyPressed();
    std::lock_guard<std::mutex> guard(keyLock);
    return keyQueue.hasItems();
}

// ---- the window thread's events ---------------------------------------------

void WaylandConsole::windowConfigured(std::int32_t width, std::int32_t height)
{
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    if (!presenter.hasSurface())
        presenter.attachSurface(windowThread.surface(), frameWidth, frameHeight,
                                connection.outputScale());
    presenter.resize(width, height);
    presenter.repaint();
}

void WaylandConsole::seatKeyPressed()
{
    std::lock_guard<std::mutex> keys(keyLock);
    // Every key counts the same; a full queue drops the press.
    keyQueue.push(1);
    keyArrived.notify_all();
}

void WaylandConsole::windowCloseRequested()
{
    // The compositor's close ends the program as a normal exit.
    std::exit(0);
}

void WaylandConsole::windowEnded()
{
    {
        std::lock_guard<std::recursive_mutex> guard(presentLock);
        presenter.markLost();
    }
    std::lock_guard<std::mutex> keys(keyLock);
    windowRunning = false;
    keyArrived.notify_all();
}

}  // namespace vxr
