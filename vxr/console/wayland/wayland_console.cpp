#include "vxr/console/wayland/wayland_console.h"

#include <wayland-client.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/placement/output_scale.h"
#include "vxr/console/wayland/viewport_stage.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// Several frames at any real refresh rate; a hidden window may never get
// its frame callback.
constexpr auto RETRACE_LIMIT = std::chrono::milliseconds(250);

// Stretching frame-sized buffers through a viewport costs the program and
// the compositor together several times less than full-size buffers scaled
// here, so the compositor scales unless VXR_WAYLAND_SCALING=library asks
// for the library's own nearest-pixel scaling, which no compositor filters.
bool compositorScalesByDefault()
{
    const char* chosen = std::getenv("VXR_WAYLAND_SCALING");
    return !chosen || std::strcmp(chosen, "library") != 0;
}

}  // namespace

WaylandConsole::WaylandConsole() : presenter(connection, presentLock, presentations)
{
    chosenScaling = compositorScalesByDefault() ? SCALING_COMPOSITOR : SCALING_SHARP;
    presenter.placeBy(chosenScaling);
    nativeDisplay = connection.display();
    constructedOk = connection.isUsable() ? 1 : 0;
    displayFormat = PixelFormat(ARGB8888);
}

WaylandConsole::~WaylandConsole() { closeDisplay(); }

int WaylandConsole::modes(std::vector<ConsoleMode>& list)
{
    list.clear();
    if (!constructedOk) return 0;
    return reportScreenMode(list, connection.screenWidth(), connection.screenHeight());
}

bool WaylandConsole::openWindow(int width, int height, int output)
{
    // Windows are sized in surface units, of outputScale() pixels each: the
    // screen's mode, in pixels, holds fewer of them.
    const std::int32_t outputScale = connection.outputScale();
    const std::int32_t scale =
        FrameScaler::windowScale(width, height, connection.screenWidth() / outputScale,
                                 connection.screenHeight() / outputScale);
    WaylandWindow::Start start;
    start.title = windowTitle.text();
    start.width = width * scale;
    start.height = height * scale;
    start.fullscreen = output == FULLSCREEN;
    start.clientFrame = clientFrames;
    start.limits = limitsFor(start.width, start.height, outputScale, resizableWindows);
    windowResizable = resizableWindows;
    input.windowOpened();
    {
        std::lock_guard<std::mutex> guard(placementLock);
        placement = Placement{};
    }
    // A full-screen program draws its own pointer, if any.
    pointerVisible = output != FULLSCREEN;
    connection.receiveInput(this);
    connection.watchOutput(this);
    return windowThread.open(connection, *this, start);
}

void WaylandConsole::closeWindow()
{
    // The thread ends first, so that no event arrives for what goes next.
    windowThread.close();
    connection.receiveInput(nullptr);
    connection.watchOutput(nullptr);
    {
        std::lock_guard<std::mutex> guard(presentLock);
        presenter.detachSurface();
    }
    input.windowEnded();
}

void WaylandConsole::scaleInCompositor(bool wanted)
{
    // Taken where offered, as it always was: without viewports the library
    // scales onto the same area.
    chosenScaling = wanted ? SCALING_COMPOSITOR : SCALING_SHARP;
    placeBy(chosenScaling);
}

bool WaylandConsole::placeFrameFor(int scaling)
{
    if (scaling == SCALING_COMPOSITOR && !ViewportStage::isOffered(connection)) {
        setLastError("setScaling: the Wayland compositor offers no viewports to scale with");
        return false;
    }
    placeBy(scaling);
    return true;
}

void WaylandConsole::placeBy(int scaling)
{
    std::lock_guard<std::mutex> guard(presentLock);
    presenter.placeBy(scaling);
    // An open window shows the choice at once, from the frame it holds, and
    // the pointer maps through it.
    if (!presenter.hasSurface()) return;
    presenter.repaint();
    notePlacement();
}

int WaylandConsole::setPointerVisible(int visible)
{
    if (displayGone() || !windowRunning()) return 0;
    pointerVisible = visible != 0;
    connection.refreshCursor();
    return 1;
}

int WaylandConsole::setOutput(int output)
{
    if (output != FULLSCREEN && output != WINDOWED) return 0;
    if (displayGone() || !windowRunning()) return 0;
    openOutput = output;
    windowThread.setFullscreen(output == FULLSCREEN);
    // As for a window opened that way: the whole screen hides the pointer.
    pointerVisible = output != FULLSCREEN;
    connection.refreshCursor();
    return 1;
}

bool WaylandConsole::scalesInCompositor()
{
    std::lock_guard<std::mutex> guard(presentLock);
    return presenter.scalesInCompositor();
}

std::int32_t WaylandConsole::clientWidth()
{
    std::lock_guard<std::mutex> guard(presentLock);
    return presenter.clientWidth();
}

std::int32_t WaylandConsole::clientHeight()
{
    std::lock_guard<std::mutex> guard(presentLock);
    return presenter.clientHeight();
}

bool WaylandConsole::displayGone()
{
    if (!input.isDisplayLost()) return false;
    setLastError("the Wayland compositor has gone: nothing can be shown any more");
    return true;
}

bool WaylandConsole::windowRunning()
{
    if (windowThread.isRunning()) return true;
    setLastError("no Wayland window is open");
    return false;
}

// ---- stores and presentation ------------------------------------------------

int WaylandConsole::present(Surface* source, const Rect& sourceArea, const Rect& destinationArea)
{
    input.endIfAsked();
    if (!source || displayGone()) return 0;
    std::unique_lock<std::mutex> guard(presentLock);
    if (presenter.present(guard, *source, sourceArea, destinationArea)) return 1;
    // The presenter's failures: no window, no buffer released in time, no
    // memory, an area outside the frame.
    setLastError(presenter.hasSurface() ? "the frame could not be put on the Wayland window"
                                        : "no Wayland window is open");
    return 0;
}

double WaylandConsole::scale()
{
    std::lock_guard<std::mutex> guard(presentLock);
    if (!presenter.hasSurface()) return 1.0;
    // Settled again here, so that an output's nonsense scale has its reason
    // in the program's lastError, not only in the window thread's.
    if (!presenter.isFractional()) connection.outputScale();
    return presenter.pixelsPerUnit120() / 120.0;
}

int WaylandConsole::lastPresentation(Presentation* out)
{
    if (!WindowedConsole::lastPresentation(out)) return 0;
    // A compositor may keep its times on another clock; the figures are
    // still its own and still increase, so they are given, with the reason
    // they do not match the program's steady clock.
    const std::int64_t clock = connection.presentationClockId();
    if (clock != CLOCK_MONOTONIC)
        setLastError("lastPresentation: the Wayland compositor's times are on clock %lld, not "
                     "CLOCK_MONOTONIC",
                     static_cast<long long>(clock));
    return 1;
}

// ---- retrace ----------------------------------------------------------------

int WaylandConsole::waitRetrace()
{
    input.endIfAsked();
    if (displayGone() || !windowRunning()) return 0;
    std::uint64_t frame = 0;
    {
        std::lock_guard<std::mutex> guard(presentLock);
        if (!presenter.hasSurface()) {
            setLastError("no Wayland window is open");
            return 0;
        }
        // Asked of the surface whose content changes: a compositor may
        // skip the window's own surface while the frame's child covers it.
        wl_surface* content = presenter.frameTarget();
        frame = windowThread.requestFrame(content);
        presenter.commitUnchanged();
        wl_display_flush(nativeDisplay);
    }
    if (windowThread.waitFrame(frame, RETRACE_LIMIT)) return 1;
    setLastError("the Wayland compositor drew no frame of the window in time");
    return 0;
}

// ---- resizing ---------------------------------------------------------------

WaylandWindow::SizeLimits WaylandConsole::limitsFor(std::int32_t width, std::int32_t height,
                                                    double scale, bool resizable) const
{
    if (!resizable) return {width, height, width, height};
    // The frame at one output pixel per frame pixel, in surface units,
    // rounded up, and no larger than the screen where the compositor says
    // how large that is.
    const double settled = scale >= 1.0 && scale <= OutputScale::LARGEST ? scale : 1.0;
    const auto least = [settled](std::int32_t frameSide, std::int32_t screenSide) {
        std::int32_t units = std::max(1, static_cast<std::int32_t>(std::ceil(frameSide / settled)));
        if (screenSide > 0)
            units = std::min(units, std::max(1, static_cast<std::int32_t>(screenSide / settled)));
        return units;
    };
    return {least(frameWidth, connection.screenWidth()),
            least(frameHeight, connection.screenHeight()), 0, 0};
}

bool WaylandConsole::applyResizing()
{
    // Windows opened later read the choice as they open.
    if (!windowThread.isOpen()) return true;
    if (!windowRunning()) return false;
    std::int32_t width = 0, height = 0, scale120 = 120;
    {
        std::lock_guard<std::mutex> guard(presentLock);
        width = presenter.unitWidth();
        height = presenter.unitHeight();
        scale120 = presenter.pixelsPerUnit120();
        windowResizable = resizableWindows;
    }
    windowThread.setSizeLimits(limitsFor(width, height, scale120 / 120.0, resizableWindows));
    return true;
}

void WaylandConsole::windowStateSet()
{
    // Under presentLock: the program's thread may be attaching a frame to
    // the same surface, and this commit must not send it half made.
    std::lock_guard<std::mutex> guard(presentLock);
    if (presenter.hasSurface()) wl_surface_commit(windowThread.surface());
}

// ---- title ------------------------------------------------------------------

bool WaylandConsole::showTitle(const char* text)
{
    if (!windowRunning()) return false;
    windowThread.setTitle(text);
    return true;
}

// ---- the window thread's events ---------------------------------------------

void WaylandConsole::windowConfigured(std::int32_t width, std::int32_t height)
{
    std::lock_guard<std::mutex> guard(presentLock);
    const bool first = !presenter.hasSurface();
    if (first)
        presenter.attachSurface(windowThread.surface(), frameWidth, frameHeight,
                                connection.outputScale());
    const std::int32_t oldWidth = presenter.clientWidth(), oldHeight = presenter.clientHeight();
    presenter.resize(width, height);
    presenter.repaint();
    notePlacement();
    const std::int32_t newWidth = presenter.clientWidth(), newHeight = presenter.clientHeight();
    // The first configure is the window's opening size, not a resize.
    if (!first && (newWidth != oldWidth || newHeight != oldHeight))
        input.resized(newWidth, newHeight);
}

void WaylandConsole::windowScaled(std::uint32_t scale120)
{
    // Settled as any platform's scale: 0, or a factor above the largest,
    // would size no sane buffer.
    const double settled =
        OutputScale::settle(scale120 / 120.0, "the Wayland compositor's preferred scale");
    std::lock_guard<std::mutex> guard(presentLock);
    const std::int32_t oldWidth = presenter.clientWidth(), oldHeight = presenter.clientHeight();
    presenter.scaleBy120ths(static_cast<std::int32_t>(std::lround(settled * 120.0)));
    // Before the first configure the window opens at the new scale.
    if (!presenter.hasSurface() || oldWidth <= 0) return;
    showRescaled(oldWidth, oldHeight);
}

void WaylandConsole::outputScaleChanged()
{
    const std::int32_t factor = connection.outputScale();
    std::lock_guard<std::mutex> guard(presentLock);
    const std::int32_t oldWidth = presenter.clientWidth(), oldHeight = presenter.clientHeight();
    // Before the first configure the window opens at the new scale.
    if (oldWidth <= 0 || !presenter.scaleWhole(factor)) return;
    showRescaled(oldWidth, oldHeight);
    // The least size is the frame at one output pixel a frame pixel, in
    // units of the new scale; a fixed window keeps its size in units,
    // which the compositor keeps across the change.
    windowThread.setSizeLimits(
        limitsFor(presenter.unitWidth(), presenter.unitHeight(), factor, windowResizable));
}

void WaylandConsole::showRescaled(std::int32_t oldWidth, std::int32_t oldHeight)
{
    presenter.repaint();
    notePlacement();
    const std::int32_t newWidth = presenter.clientWidth(), newHeight = presenter.clientHeight();
    if (newWidth != oldWidth || newHeight != oldHeight) input.resized(newWidth, newHeight);
}

void WaylandConsole::notePlacement()
{
    {
        std::lock_guard<std::mutex> guard(placementLock);
        placement.stage = presenter.stageSurface();
        placement.stageArea = presenter.stageArea();
        placement.scale120 = presenter.pixelsPerUnit120();
    }
    input.showFrame(frameWidth, frameHeight, presenter.shownArea());
}

bool WaylandConsole::placeOfSurface(const wl_surface* surface, std::int32_t& left,
                                    std::int32_t& top)
{
    if (surface && surface == windowThread.surface()) {
        left = top = 0;
        return true;
    }
    std::lock_guard<std::mutex> guard(placementLock);
    if (!surface || surface != placement.stage) return false;
    left = placement.stageArea.left;
    top = placement.stageArea.top;
    return true;
}

std::int32_t WaylandConsole::pixelsPerUnit120()
{
    std::lock_guard<std::mutex> guard(placementLock);
    return placement.scale120;
}

void WaylandConsole::windowCloseRequested()
{
    // Ends the program as a normal exit unless it asked for the event.
    input.closeRequested();
}

void WaylandConsole::displayLost()
{
    {
        std::lock_guard<std::mutex> guard(presentLock);
        presenter.markLost();
    }
    // Nothing the program does can bring the window back: it is told, or
    // ends, rather than waiting on a window that shows nothing.
    input.displayLost();
}

void WaylandConsole::windowEnded()
{
    {
        std::lock_guard<std::mutex> guard(presentLock);
        presenter.markLost();
    }
    input.windowEnded();
}

}  // namespace vxr
