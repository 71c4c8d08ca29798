#include "vxr/console/windows/gdi_console.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "vxr/console/core/present_store.h"
#include "vxr/console/placement/frame_placement.h"
#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/placement/letterbox_bars.h"
#include "vxr/console/placement/output_scale.h"
#include "vxr/console/windows/dib_store.h"
#include "vxr/console/windows/display_dpi.h"
#include "vxr/console/windows/owned_resource.h"
#include "vxr/console/windows/section_guard.h"
#include "vxr/console/windows/system_error.h"
#include "vxr/console/windows/window_device_context.h"
#include "vxr/format/immortal.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

const char* const WINDOWED_CLASS = "VXR_GDI_WINDOWED";
const char* const DRIVER_NAME = "GDI";
constexpr DWORD WINDOWED_STYLE = WS_OVERLAPPEDWINDOW;
// What a fixed window lacks: the sizing border and the maximise box.
constexpr DWORD RESIZING_STYLE = WS_THICKFRAME | WS_MAXIMIZEBOX;

// The model codes ask for the best direct or indexed mode, like the
// preferences.
bool isPreference(int request)
{
    return request == PREFER8 || request == PREFER16 || request == PREFER32 || request == DIRECT ||
           request == INDEXED;
}

// One edge scaled onto the client area: the product is taken to single
// precision and rounded up, so an edge never falls short of the area it
// stands for.
std::int32_t scaledEdge(std::int32_t edge, double scale)
{
    const double rounded = std::ceil(static_cast<double>(static_cast<float>(edge * scale)));
    const double held = std::clamp(rounded, double{INT32_MIN}, double{INT32_MAX});
    return static_cast<std::int32_t>(held);
}

// A palette's colours as a DIB colour table: ARGB8888 entries already hold
// blue, green, red and a spare byte in that order.
void toColourTable(const std::uint32_t* colours, RGBQUAD (&table)[256])
{
    std::memcpy(table, colours, sizeof table);
}

}  // namespace

WindowRegistry& GdiConsole::registry()
{
    static Immortal<WindowRegistry> instance;
    return instance.get();
}

GdiConsole::GdiConsole(HWND given) : WindowConsole(given)
{
    displayFormat = desktopFormat();
    if (ownsWindow()) {
        registerWindowClass();
        ConsoleMode windowed = desktopMode();
        windowed.output = WINDOWED;
        addMode(windowed);
    } else {
        // A given window is drawn into at the size it already has.
        if (!replacePrimary(frameWidth, frameHeight)) gdiOk = 0;
        if (!createCopies()) gdiOk = 0;
    }
    drawDibBinding.reset(new (std::nothrow) DrawDibBinding);
}

GdiConsole::~GdiConsole()
{
    closeWindow();
    releaseCopies();
    {
        SectionGuard guard(paletteLock);
        releasePalette();
    }
    // The application's surfaces hold DIB sections made for this console:
    // they are emptied now, while everything they were made with exists.
    closeDisplay();
}

int GdiConsole::screenCapability(int index)
{
    WindowDeviceContext screen(nullptr);
    return screen ? GetDeviceCaps(screen.get(), index) : 0;
}

PixelFormat GdiConsole::desktopFormat()
{
    switch (screenCapability(BITSPIXEL)) {
    case 8: return PixelFormat(INDEX8);
    // A 5-5-5 desktop is taken as 5-6-5 too: GDI converts on the way.
    case 16: return PixelFormat(RGB565);
    case 24: return PixelFormat(RGB888);
    case 32: return PixelFormat(ARGB8888);
    default: return PixelFormat();
    }
}

ConsoleMode GdiConsole::desktopMode()
{
    ConsoleMode desktop;
    std::strcpy(desktop.driver, DRIVER_NAME);
    desktop.width = GetSystemMetrics(SM_CXSCREEN);
    desktop.height = GetSystemMetrics(SM_CYSCREEN);
    desktop.format = desktopFormat();
    desktop.output = FULLSCREEN;
    const int refresh = screenCapability(VREFRESH);
    // 0 and 1 both stand for the device's default rate.
    desktop.parameter = refresh > 1 ? refresh : 0;
    desktop.variant = VARIANT_DEFAULT;
    return desktop;
}

void GdiConsole::registerWindowClass()
{
    // The whole screen is the same window without its frame (setOutput).
    registerClass(WINDOWED_CLASS, windowedProcedure, true);
}

int GdiConsole::name(char* out) { return writeName(out, DRIVER_NAME); }

int GdiConsole::open(int width, int height, int request, int output, int parameter, int variant)
{
    // The desktop's format is the only one there is, whatever is preferred.
    if (isPreference(request) || (displayFormat.isValid() && request == displayFormat.bits))
        return openDisplayFormat(width, height, output, parameter, variant);
    return openFormat(width, height, PixelFormat(request), output, parameter, variant);
}

int GdiConsole::openFormat(int width, int height, const PixelFormat& format, int output,
                           int parameter, int variant)
{
    if (!displayFormat.isValid()) {
        setLastError("the desktop's %d bits per pixel are no format GDI frames are made in",
                     screenCapability(BITSPIXEL));
        return 0;
    }
    if (!format.isValid() || format != displayFormat) {
        setLastError("GDI opens only in the desktop's own format, %d bits per pixel",
                     displayFormat.bits);
        return 0;
    }
    return openDisplayFormat(width, height, output, parameter, variant);
}

// Checked before the open window is touched, so that a request GDI cannot
// take leaves it as it is.
bool GdiConsole::canOpenWindow(int output)
{
    if (!ownsWindow()) {
        setLastError("a window given to the GDI console is drawn into as it is, never opened");
        return false;
    }
    if (output != WINDOWED) {
        setLastError("GDI opens in a window; setOutput takes it over the whole screen");
        return false;
    }
    return true;
}

// The window opens at the frame's size times the scale of the monitor it
// opens on: first the system's, then, once the window is there, its own.
bool GdiConsole::openWindow(int width, int height, int)
{
    monitorDpi.store(DisplayDpi::of(nullptr));
    const SIZE outer = windowSizeFor(width, height);
    if (!createWindow(WINDOWED_CLASS, windowedStyle(), SW_SHOWNORMAL, outer.cx, outer.cy, false))
        return false;
    const int shownAt = DisplayDpi::of(windowHandle);
    if (shownAt != monitorDpi.load()) {
        monitorDpi.store(shownAt);
        const SIZE fitted = windowSizeFor(width, height);
        resizeWindow(fitted.cx, fitted.cy);
    }
    return showFrames();
}

SIZE GdiConsole::windowSizeFor(int width, int height) const
{
    const int dpi = monitorDpi.load();
    const double factor = OutputScale::settle(static_cast<double>(dpi) / DisplayDpi::BASE,
                                              "the monitor's DPI");
    return DisplayDpi::outerSize(OutputScale::physical(width, factor),
                                 OutputScale::physical(height, factor), windowedStyle(), dpi);
}

DWORD GdiConsole::windowedStyle() const
{
    return resizableWindows ? WINDOWED_STYLE : WINDOWED_STYLE & ~RESIZING_STYLE;
}

// The style changes where the window stands, its client area kept; one on
// the whole screen takes it when it comes back.
bool GdiConsole::applyResizing()
{
    if (!ownsWindow()) {
        setLastError("setResizable: a window given to the GDI console keeps its own frame");
        return false;
    }
    if (!windowHandle || openOutput != WINDOWED) return true;
    if (!resizableWindows && IsZoomed(windowHandle)) ShowWindow(windowHandle, SW_RESTORE);
    const LONG_PTR style = GetWindowLongPtrA(windowHandle, GWL_STYLE);
    const LONG_PTR resizing = resizableWindows ? RESIZING_STYLE : 0;
    SetWindowLongPtrA(windowHandle, GWL_STYLE, (style & ~LONG_PTR{RESIZING_STYLE}) | resizing);
    UINT flags = SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED;
    RECT client{};
    SIZE outer{};
    if (IsIconic(windowHandle) || !GetClientRect(windowHandle, &client)) {
        flags |= SWP_NOSIZE;
    } else {
        outer = DisplayDpi::outerSize(client.right, client.bottom, windowedStyle(), monitorDpi.load());
    }
    SetWindowPos(windowHandle, nullptr, 0, 0, outer.cx, outer.cy, flags);
    return true;
}

// The user may make the window no smaller than the frame at one screen
// pixel a pixel, or than the monitor's work area where that is smaller.
bool GdiConsole::limitTracking(HWND window, MINMAXINFO* limits)
{
    if (!limits || frameWidth <= 0 || frameHeight <= 0) return false;
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    const SIZE least = DisplayDpi::outerSize(frameWidth, frameHeight, style, monitorDpi.load());
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    LONG roomWidth = least.cx, roomHeight = least.cy;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        roomWidth = monitor.rcWork.right - monitor.rcWork.left;
        roomHeight = monitor.rcWork.bottom - monitor.rcWork.top;
    }
    limits->ptMinTrackSize.x = std::max(limits->ptMinTrackSize.x, std::min(least.cx, roomWidth));
    limits->ptMinTrackSize.y = std::max(limits->ptMinTrackSize.y, std::min(least.cy, roomHeight));
    return true;
}

double GdiConsole::scale()
{
    if (!windowHandle) return 1.0;
    return OutputScale::settle(static_cast<double>(monitorDpi.load()) / DisplayDpi::BASE,
                               "the monitor's DPI");
}

void GdiConsole::dpiChanged(int dpi) { monitorDpi.store(dpi); }

// The window stays where it fits the new frame: a window switched to the
// whole screen, or one that would run off the desktop where it stands, is
// made anew.
bool GdiConsole::refitWindow(int width, int height, int output)
{
    if (openOutput != output) return false;
    const SIZE outer = windowSizeFor(width, height);
    RECT frame{};
    GetWindowRect(windowHandle, &frame);
    const ConsoleMode desktop = desktopMode();
    if (std::int64_t{frame.left} + outer.cx > desktop.width ||
        std::int64_t{frame.top} + outer.cy > desktop.height)
        return false;
    {
        // Before the resize: the smallest size the window may take follows
        // the new frame.
        SectionGuard guard(windowLock);
        frameWidth = width;
        frameHeight = height;
    }
    resizeWindow(outer.cx, outer.cy);
    return showFrames();
}

// Both copies are made with the window, so that an open that cannot have
// them fails and presents make none.
bool GdiConsole::showFrames()
{
    if (!activateWindow() || !createCopies()) return false;
    placeFrame();
    return true;
}

Rect GdiConsole::frameArea(int clientAreaWidth, int clientAreaHeight)
{
    return FramePlacement::place(placement.load(), frameWidth, frameHeight, clientAreaWidth,
                                 clientAreaHeight);
}

// The library scales every frame itself; the placement takes effect in the
// next present, and the window shows it at once.
bool GdiConsole::placeFrameFor(int scaling)
{
    if (scaling == SCALING_COMPOSITOR) {
        setLastError("setScaling: GDI has no compositor's scaling; the library scales");
        return false;
    }
    placement.store(scaling);
    if (!windowHandle) return true;
    placeFrame();
    InvalidateRect(windowHandle, nullptr, FALSE);
    return true;
}

int GdiConsole::setOutput(int output)
{
    endIfAsked();
    if (!ownsWindow() || !windowHandle || !primarySurface) {
        setLastError("no window of the console's own is open to change the output of");
        return 0;
    }
    if (output != WINDOWED && output != FULLSCREEN) {
        setLastError("the output is WINDOWED or FULLSCREEN, not %d", output);
        return 0;
    }
    if (output == openOutput) return 1;
    return output == FULLSCREEN ? coverScreen() : restoreWindow();
}

int GdiConsole::coverScreen()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT place{};
    if (!GetWindowRect(windowHandle, &place) ||
        !GetMonitorInfoA(MonitorFromWindow(windowHandle, MONITOR_DEFAULTTONEAREST), &monitor)) {
        setSystemError("could not find the monitor the window is on", GetLastError());
        return 0;
    }
    windowedPlace = place;
    openOutput = FULLSCREEN;
    const RECT& screen = monitor.rcMonitor;
    SetWindowLongPtrA(windowHandle, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(windowHandle, HWND_TOP, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    InvalidateRect(windowHandle, nullptr, FALSE);
    return 1;
}

int GdiConsole::restoreWindow()
{
    openOutput = WINDOWED;
    const SIZE outer = windowSizeFor(frameWidth, frameHeight);
    SetWindowLongPtrA(windowHandle, GWL_STYLE, windowedStyle() | WS_VISIBLE);
    SetWindowPos(windowHandle, HWND_TOP, windowedPlace.left, windowedPlace.top, outer.cx,
                 outer.cy, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    InvalidateRect(windowHandle, nullptr, FALSE);
    return 1;
}

int GdiConsole::activateWindow()
{
    if (!windowHandle) return 0;
    // A window reused by a later open is listed once.
    if (findConsole(registry(), windowHandle) == this) return 1;
    if (registerWindow(registry(), windowHandle, this)) return 1;
    setLastError("no memory to note the new window");
    return 0;
}

void GdiConsole::closeWindow()
{
    if (!ownsWindow()) return;
    if (displayPalette && windowHandle) {
        // Leave the window black rather than showing stale palette colours.
        forgetShown();
        PostMessageA(windowHandle, WM_PAINT, 0, 0);
    }
    WindowConsole::closeWindow();
}

// Only frames bound for GDI's dithering on an 8-bit desktop remake the
// copies in their own format.
int GdiConsole::createCopies()
{
    releaseCopies();
    Surface* shown = makeCopy(displayFormat);
    nextCopy = shown ? makeCopy(displayFormat) : nullptr;
    if (!nextCopy) {
        delete shown;
        return 0;
    }
    SectionGuard guard(presentLock);
    shownCopy = shown;
    return 1;
}

Surface* GdiConsole::makeCopy(const PixelFormat& format)
{
    clearLastError();
    auto* copy = new (std::nothrow)
        Surface(this, frameWidth, frameHeight, format, MEMORY_SYSTEM, -1, -1, -1);
    if (copy && copy->isValid() && copy->backing() == BACKING_DIB) return copy;
    delete copy;
    // The DIB section's own reason, where it gave one, says why.
    char detail[LAST_ERROR_CAPACITY];
    std::snprintf(detail, sizeof detail, "%s", *lastError() ? lastError() : "no memory");
    setLastError("could not make a %d x %d DIB section of %d bits per pixel: %s", frameWidth,
                 frameHeight, format.bits, detail);
    return nullptr;
}

void GdiConsole::releaseCopies()
{
    Surface* shown;
    {
        SectionGuard guard(presentLock);
        shown = shownCopy;
        shownCopy = nullptr;
        holdsShownFrame = false;
    }
    delete shown;
    delete nextCopy;
    nextCopy = nullptr;
}

SurfaceStore* GdiConsole::makeScreenStore(StoreRequest& request)
{
    // Bottom-up, like the DIB sections the frames are drawn from.
    return new (std::nothrow)
        PresentStore(this, request.width, request.height, request.format, request.memoryKind,
                     request.orientation, request.linePadding, request.variant, BOTTOM_UP);
}

SurfaceStore* GdiConsole::makeProgramStore(StoreRequest& request)
{
    return new (std::nothrow)
        DibStore(request.width, request.height, request.format, request.memoryKind,
                 request.orientation, request.linePadding, request.variant);
}

int GdiConsole::setPalette(const Palette& palette)
{
    endIfAsked();
    SectionGuard guard(paletteLock);
    if (!takesPalette(&palette)) return 0;
    {
        // present reads the console palette under presentLock alone.
        SectionGuard present(presentLock);
        consolePalette.copyFrom(palette);
    }
    return buildPalette();
}

int GdiConsole::getPalette(Palette& palette)
{
    SectionGuard guard(paletteLock);
    if (!takesPalette(nullptr)) return 0;
    palette.copyFrom(consolePalette);
    return 1;
}

int GdiConsole::buildPalette()
{
    SectionGuard guard(paletteLock);
    std::unique_ptr<LogicalPalette> colours(new (std::nothrow) LogicalPalette{});
    const std::uint32_t* entries = colours ? consolePalette.lock() : nullptr;
    if (!entries) {
        setLastError("no memory for the desktop's palette");
        SectionGuard present(presentLock);
        releasePalette();
        return 0;
    }
    colours->version = 0x300;
    colours->entryCount = 256;
    for (int i = 0; i < 256; ++i) {
        colours->entries[i].peRed = static_cast<BYTE>(entries[i] >> 16 & 0xFF);
        colours->entries[i].peGreen = static_cast<BYTE>(entries[i] >> 8 & 0xFF);
        colours->entries[i].peBlue = static_cast<BYTE>(entries[i] & 0xFF);
        colours->entries[i].peFlags = 0;
    }
    consolePalette.unlock();
    HPALETTE handle = CreatePalette(reinterpret_cast<const LOGPALETTE*>(colours.get()));
    if (!handle) setSystemError("CreatePalette could not make the desktop's palette", GetLastError());
    {
        // Swap under presentLock so that no presentation draws with a
        // palette that is being deleted.
        SectionGuard present(presentLock);
        releasePalette();
        logicalColours = std::move(colours);
        displayPalette.reset(handle);
    }
    // Word parameter 0 names no window: the window realises the palette in
    // the background. Without a window there is nothing to tell (a null
    // window would post the message to this thread instead).
    if (windowHandle) PostMessageA(windowHandle, WM_PALETTECHANGED, 0, 0);
    return handle ? 1 : 0;
}

void GdiConsole::releasePalette()
{
    logicalColours.reset();
    displayPalette.reset();
}

LRESULT GdiConsole::realisePalette(BOOL background)
{
    HDC context = GetWindowDC(windowHandle);
    if (!context) return 0;
    HPALETTE previous = SelectPalette(context, displayPalette.get(), background);
    const UINT changed = RealizePalette(context);
    if (changed != 0 && changed != GDI_ERROR) SendMessageA(windowHandle, WM_PAINT, 0, 0);
    if (previous) SelectPalette(context, previous, TRUE);
    ReleaseDC(windowHandle, context);
    return 0;
}

LRESULT CALLBACK GdiConsole::windowedProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam)
{
    auto* console = static_cast<GdiConsole*>(findConsole(registry(), window));
    const bool paletteMessage = message == WM_QUERYNEWPALETTE || message == WM_PALETTECHANGED;
    // Everything else is the shared handling, which takes windowLock itself
    // for only as long as the console's own handling runs.
    if (!console || !paletteMessage) return handleMessage(console, window, message, wParam, lParam);

    SectionGuard windowGuard(console->windowLock);
    SectionGuard paletteGuard(console->paletteLock);
    if (!console->displayPalette) return 0;
    if (message == WM_QUERYNEWPALETTE) return console->realisePalette(FALSE);
    if (reinterpret_cast<HWND>(wParam) == window) return 0;
    return console->realisePalette(TRUE);
}

// ---- presentation -----------------------------------------------------------

Rect GdiConsole::scaleToClient(const Rect& area, int windowWidth, int windowHeight)
{
    const std::int64_t areaWidth = area.width();
    const std::int64_t areaHeight = area.height();
    if (areaWidth <= 0 || areaHeight <= 0) return Rect{};
    // The factors come from the area's own size, so a part of the screen
    // surface fills the whole client area.
    const double scaleX = static_cast<double>(windowWidth) / static_cast<double>(areaWidth);
    const double scaleY = static_cast<double>(windowHeight) / static_cast<double>(areaHeight);
    Rect target{scaledEdge(area.left, scaleX), scaledEdge(area.top, scaleY),
                scaledEdge(area.right, scaleX), scaledEdge(area.bottom, scaleY)};
    target.right = std::min(target.right, windowWidth);
    target.bottom = std::min(target.bottom, windowHeight);
    return target;
}

int GdiConsole::present(Surface* source, const Rect& sourceArea, const Rect& destinationArea)
{
    return presentCopy(source, sourceArea, destinationArea, 0);
}

int GdiConsole::presentCopy(Surface* source, const Rect& sourceArea, const Rect& destinationArea,
                            int flags)
{
    endIfAsked();
    Surface* copy = source ? copyFrame(*source, sourceArea, destinationArea, flags) : nullptr;
    if (!copy) return 0;
    int result;
    std::uint32_t repaintTurn;
    {
        SectionGuard guard(presentLock);
        bool whole = false;
        result = drawLocked(*copy, destinationArea, &whole);
        if (result && whole) keepShown(destinationArea);
        repaintTurn = repaintHandoff.turn();
    }
    repaintHandoff.letRepaintIn(repaintTurn);
    if (result) notePresented();
    return result;
}

// GDI draws on the screen at once: the frame is seen from the next refresh.
// A minimised window shows nothing, so nothing reached the screen.
void GdiConsole::notePresented()
{
    if (!IsIconic(windowHandle)) noteShownAtNextRefresh();
}

// The library converts into the desktop's format; only direct colours
// bound for an 8-bit desktop keep theirs, for GDI to dither.
Surface* GdiConsole::copyFrame(Surface& source, const Rect& sourceArea,
                               const Rect& destinationArea, int flags)
{
    const bool indexed = source.format().model == INDEXED;
    if (indexed && displayFormat.model != INDEXED && !source.palette()) {
        setLastError("an indexed frame without a palette has no colours to show");
        return nullptr;
    }
    const bool dithered = displayFormat.model == INDEXED && !indexed;
    if (!prepareNextCopy(dithered ? source.format() : displayFormat)) return nullptr;
    if (source.copyArea(nextCopy, &sourceArea, &destinationArea, flags)) return nextCopy;
    setLastError("the frame could not be converted to the desktop's %d bits per pixel",
                 displayFormat.bits);
    return nullptr;
}

bool GdiConsole::prepareNextCopy(const PixelFormat& format)
{
    if (nextCopy && nextCopy->format() == format && nextCopy->width() == frameWidth &&
        nextCopy->height() == frameHeight)
        return true;
    delete nextCopy;
    nextCopy = makeCopy(format);
    return nextCopy != nullptr;
}

// Under presentLock: the copy just drawn is what the window shows now.
void GdiConsole::keepShown(const Rect& area)
{
    std::swap(shownCopy, nextCopy);
    shownArea = area;
    holdsShownFrame = true;
}

void GdiConsole::forgetShown()
{
    SectionGuard guard(presentLock);
    holdsShownFrame = false;
}

bool GdiConsole::repaintFrame()
{
    repaintHandoff.repaintWaits();
    SectionGuard guard(presentLock);
    repaintHandoff.repaintHasLock();
    bool whole = false;
    return holdsShownFrame && shownCopy && drawLocked(*shownCopy, shownArea, &whole);
}

int GdiConsole::drawLocked(Surface& copy, const Rect& area, bool* whole)
{
    auto* store = dynamic_cast<DibStore*>(copy.store());
    RECT client{};
    if (!deviceContext || !store || !GetClientRect(windowHandle, &client)) {
        setLastError("no window is open to draw the frame in");
        return 0;
    }
    const int windowWidth = client.right - client.left;
    const int windowHeight = client.bottom - client.top;
    // A minimised window shows nothing, and that is no failure: the frame
    // is kept and shown when the window is restored.
    if (windowWidth <= 0 || windowHeight <= 0) {
        *whole = area == Rect{0, 0, frameWidth, frameHeight};
        return 1;
    }
    const Rect place = FramePlacement::place(placement.load(), frameWidth, frameHeight,
                                             windowWidth, windowHeight);
    Rect target = scaleToClient(area, static_cast<int>(place.width()),
                                static_cast<int>(place.height()));
    // An area clamped away to nothing, or turned inside out, would be drawn
    // mirrored by GDI.
    if (target.right <= target.left || target.bottom <= target.top) {
        setLastError("the area lands outside the window's client area");
        return 0;
    }
    target = Rect{target.left + place.left, target.top + place.top, target.right + place.left,
                  target.bottom + place.top};

    const int result = copy.format().model == INDEXED ? drawIndexed(*store, target, area)
                                                      : drawDirect(copy, *store, target, area);
    *whole = target == place;
    if (result && *whole) fillBars(place, windowWidth, windowHeight);
    return result;
}

// The client area around the frame, painted black with every
// whole frame, so that nothing the window showed before stays there.
void GdiConsole::fillBars(const Rect& area, int windowWidth, int windowHeight)
{
    auto* black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (const Rect& band : LetterboxBars::around(area, windowWidth, windowHeight)) {
        const RECT bar{band.left, band.top, band.right, band.bottom};
        FillRect(deviceContext.get(), &bar, black);
    }
}

// Only the 8-bit desktop keeps indices: they mean the console palette's
// colours, realised in the window.
int GdiConsole::drawIndexed(DibStore& store, const Rect& target, const Rect& area)
{
    if (!logicalColours || !displayPalette) {
        setLastError("the 8-bit desktop has no palette yet: setPalette gives it one");
        return 0;
    }
    const std::uint32_t* colours = consolePalette.lock();
    if (!colours) {
        setLastError("the console palette has no colours");
        return 0;
    }
    const int result = drawThroughStretchBlt(store, target, area, colours, true);
    consolePalette.unlock();
    return result;
}

int GdiConsole::drawDirect(Surface& copy, DibStore& store, const Rect& target, const Rect& area)
{
    if (drawDibBinding && copy.orientation() == BOTTOM_UP) {
        // Dithering keeps a direct-colour frame readable on a palettised desktop.
        const UINT flags = displayFormat.model == INDEXED ? DDF_HALFTONE_FLAG : 0;
        if (int result = drawThroughDrawDib(store, target, area, flags)) return result;
    }
    return drawThroughStretchBlt(store, target, area, nullptr, false);
}

int GdiConsole::drawThroughDrawDib(DibStore& store, const Rect& target, const Rect& area,
                                   UINT flags)
{
    if (!drawDibBinding) return 0;
    return drawDibBinding->draw(deviceContext.get(), target.left, target.top,
                                static_cast<int>(target.width()),
                                static_cast<int>(target.height()), store.info(),
                                store.pixelMemory(), area.left, area.top,
                                static_cast<int>(area.width()), static_cast<int>(area.height()),
                                flags);
}

int GdiConsole::drawThroughStretchBlt(DibStore& store, const Rect& target, const Rect& area,
                                      const std::uint32_t* colours, bool selectPalette)
{
    MemoryDeviceContext memory(CreateCompatibleDC(deviceContext.get()));
    if (!memory) {
        setSystemError("CreateCompatibleDC could not make a context to draw from", GetLastError());
        return 0;
    }
    int result = 0;
    HGDIOBJ previousBitmap = SelectObject(memory.get(), store.bitmapHandle());
    if (previousBitmap && previousBitmap != HGDI_ERROR) {
        if (colours) {
            RGBQUAD table[256];
            toColourTable(colours, table);
            SetDIBColorTable(memory.get(), 0, 256, table);
        }
        HPALETTE previousPalette =
            selectPalette ? SelectPalette(deviceContext.get(), displayPalette.get(), FALSE) : nullptr;
        if (!selectPalette || previousPalette) {
            // Each client pixel takes one source pixel, so shrinking never
            // blends colours into ones the frame does not have.
            SetStretchBltMode(deviceContext.get(), COLORONCOLOR);
            result = StretchBlt(deviceContext.get(), target.left, target.top,
                                static_cast<int>(target.width()),
                                static_cast<int>(target.height()), memory.get(), area.left, area.top,
                                static_cast<int>(area.width()), static_cast<int>(area.height()),
                                SRCCOPY)
                         ? 1
                         : 0;
        }
        if (previousPalette) SelectPalette(deviceContext.get(), previousPalette, TRUE);
        SelectObject(memory.get(), previousBitmap);
    }
    if (!result) setSystemError("StretchBlt could not draw the frame", GetLastError());
    return result;
}

}  // namespace vxr
