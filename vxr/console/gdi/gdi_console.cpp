#include "vxr/console/gdi/gdi_console.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "vxr/console/win32/section_guard.h"
#include "vxr/console/win32/window_device_context.h"
#include "vxr/console/gdi/dib_store.h"
#include "vxr/console/win32/owned_resource.h"
#include "vxr/console/gdi/window_store.h"
#include "vxr/format/immortal.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

const char* const WINDOWED_CLASS = "VXR_GDI_WINDOWED";
const char* const FULLSCREEN_CLASS = "VXR_GDI_FULLSCREEN";
const char* const DRIVER_NAME = "GDI";
constexpr DWORD WINDOWED_STYLE = WS_OVERLAPPEDWINDOW;
constexpr DWORD FULLSCREEN_STYLE = WS_POPUP | WS_BORDER | WS_SYSMENU;
// GDI coordinates are 16-bit on some paths; no window gets larger.
constexpr int LARGEST_CLIENT = 32767;

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
        registerClasses();
        ConsoleMode windowed = desktopMode();
        windowed.output = WINDOWED;
        addMode(windowed);
    } else {
        // A given window is drawn into at the size it already has.
        if (!createPrimary()) gdiOk = 0;
        if (!createStaging()) gdiOk = 0;
    }
    drawDibBinding.reset(new (std::nothrow) DrawDibBinding);
}

GdiConsole::~GdiConsole()
{
    if (!ownsWindow()) releaseScreenSurfaces();
    closeGdiWindow();
    releaseScreenSurfaces();
    {
        SectionGuard guard(paletteLock);
        releasePalette();
    }
    // The application's surfaces hold DIB sections made for this console:
    // empty them now, while everything they were made with still exists.
    releaseSurfaces();
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

void GdiConsole::registerClasses()
{
    WindowConsole::registerClasses(WINDOWED_CLASS, windowedProcedure, FULLSCREEN_CLASS,
                                   fullscreenProcedure);
}

int GdiConsole::name(char* out) { return writeName(out, DRIVER_NAME); }

int GdiConsole::open(int width, int height, int request, int output, int parameter, int variant)
{
    // The desktop's format is the only one there is, whatever is preferred.
    if (isPreference(request)) return openWindowed(width, height, output, parameter, variant);
    if (openFormat(width, height, PixelFormat(request), output, parameter, variant)) return 1;
    if (displayFormat.isValid() && request == displayFormat.bits)
        return openWindowed(width, height, output, parameter, variant);
    return 0;
}

int GdiConsole::openFormat(int width, int height, const PixelFormat& format, int output,
                           int parameter, int variant)
{
    if (!format.isValid() || format != displayFormat) return 0;
    return openWindowed(width, height, output, parameter, variant);
}

int GdiConsole::openWindowed(int width, int height, int output, int parameter, int variant)
{
    if (!ownsWindow()) return 0;
    if (output == -1) output = WINDOWED;
    if (output != WINDOWED) return 0;
    if (parameter == -1) parameter = 0;
    if (parameter != openParameter) return 0;
    if (variant != VARIANT_DEFAULT && variant != -1) return 0;
    // Sizes no window can have are refused before the frame is added to them.
    if (width <= 0 || height <= 0 || width > LARGEST_CLIENT || height > LARGEST_CLIENT) return 0;

    if (!prepareWindow(width, height, output) || !activateWindow(output)) {
        closeGdiWindow();
        return 0;
    }
    clientWidth = width;
    clientHeight = height;
    openOutput = output;
    openParameter = parameter;
    if (!createPrimary() || !createStaging()) {
        closeGdiWindow();
        return 0;
    }
    placeFrame();
    return 1;
}

Rect GdiConsole::frameArea(int clientAreaWidth, int clientAreaHeight)
{
    if (!primarySurface) return Rect{0, 0, 0, 0};
    return shownArea(clientWidth, clientHeight, clientAreaWidth, clientAreaHeight,
                     openOutput == FULLSCREEN);
}

Rect GdiConsole::shownArea(int frameWidth, int frameHeight, int clientAreaWidth,
                           int clientAreaHeight, bool letterboxed)
{
    const Rect whole{0, 0, clientAreaWidth, clientAreaHeight};
    if (!letterboxed || frameWidth <= 0 || frameHeight <= 0) return whole;
    const std::int64_t areaWidth = clientAreaWidth, areaHeight = clientAreaHeight;
    // The side that runs out first sets the scale; the other gets bars.
    std::int64_t width = areaWidth, height = areaHeight;
    if (areaWidth * frameHeight <= areaHeight * frameWidth)
        height = areaWidth * frameHeight / frameWidth;
    else
        width = areaHeight * frameWidth / frameHeight;
    const auto left = static_cast<std::int32_t>((areaWidth - width) / 2);
    const auto top = static_cast<std::int32_t>((areaHeight - height) / 2);
    return Rect{left, top, left + static_cast<std::int32_t>(width),
                top + static_cast<std::int32_t>(height)};
}

int GdiConsole::setOutput(int output)
{
    if (!ownsWindow() || !windowHandle || !primarySurface) return 0;
    if (output != WINDOWED && output != FULLSCREEN) return 0;
    if (output == openOutput) return 1;
    return output == FULLSCREEN ? coverScreen() : restoreWindow();
}

// Set before the window changes, so that the WM_SIZE it brings places the
// frame for the new output; presentations read it under presentLock.
void GdiConsole::setOutputState(int output)
{
    SectionGuard guard(windowLock);
    SectionGuard present(presentLock);
    openOutput = output;
}

int GdiConsole::coverScreen()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT place{};
    if (!GetWindowRect(windowHandle, &place) ||
        !GetMonitorInfoA(MonitorFromWindow(windowHandle, MONITOR_DEFAULTTONEAREST), &monitor))
        return 0;
    windowedPlace = place;
    setOutputState(FULLSCREEN);
    const RECT& screen = monitor.rcMonitor;
    SetWindowLongPtrA(windowHandle, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(windowHandle, HWND_TOP, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    InvalidateRect(windowHandle, nullptr, FALSE);
    return 1;
}

int GdiConsole::restoreWindow()
{
    setOutputState(WINDOWED);
    int outerWidth = clientWidth, outerHeight = clientHeight;
    addFrameSize(&outerWidth, &outerHeight, WINDOWED);
    SetWindowLongPtrA(windowHandle, GWL_STYLE, WINDOWED_STYLE | WS_VISIBLE);
    SetWindowPos(windowHandle, HWND_TOP, windowedPlace.left, windowedPlace.top, outerWidth,
                 outerHeight, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    InvalidateRect(windowHandle, nullptr, FALSE);
    return 1;
}

int GdiConsole::prepareWindow(int width, int height, int output)
{
    if (windowHandle && output == WINDOWED && fitWindow(width, height, output)) return 1;
    closeGdiWindow();
    int outerWidth = width, outerHeight = height;
    addFrameSize(&outerWidth, &outerHeight, output);
    if (output == WINDOWED)
        return openWindow(WINDOWED_CLASS, WINDOWED_STYLE, SW_SHOWNORMAL, outerWidth, outerHeight,
                          false);
    if (output == FULLSCREEN)
        return openWindow(FULLSCREEN_CLASS, FULLSCREEN_STYLE, SW_HIDE, outerWidth, outerHeight,
                          true);
    return 0;
}

int GdiConsole::fitWindow(int width, int height, int output)
{
    int outerWidth = width, outerHeight = height;
    addFrameSize(&outerWidth, &outerHeight, output);
    if (!windowHandle) return 0;
    // A window switched to the whole screen is made anew, frame and all.
    if (openOutput != output) return 0;
    if (output == WINDOWED) {
        // A window that would run off the desktop where it stands is made anew.
        RECT frame{};
        GetWindowRect(windowHandle, &frame);
        const ConsoleMode desktop = desktopMode();
        if (std::int64_t{frame.left} + outerWidth > desktop.width ||
            std::int64_t{frame.top} + outerHeight > desktop.height)
            return 0;
    }
    return resizeWindow(outerWidth, outerHeight);
}

int GdiConsole::activateWindow(int output)
{
    if (!windowHandle) return 0;
    if (output == FULLSCREEN) ShowWindow(windowHandle, SW_SHOWMAXIMIZED);
    // A window reused by a later open is listed once.
    if (findConsole(registry(), windowHandle) == this) return 1;
    if (!registerWindow(registry(), windowHandle, this)) {
        closeGdiWindow();
        return 0;
    }
    return 1;
}

void GdiConsole::closeGdiWindow()
{
    if (!ownsWindow()) return;
    if (displayPalette && windowHandle) {
        // Leave the window black rather than showing stale palette colours.
        clearPresented();
        PostMessageA(windowHandle, WM_PAINT, 0, 0);
    }
    closeWindow();
}

int GdiConsole::createPrimary()
{
    SectionGuard guard(windowLock);
    return replacePrimary(clientWidth, clientHeight) ? 1 : 0;
}

int GdiConsole::createStaging()
{
    SectionGuard guard(windowLock);
    delete stagingSurface;
    stagingSurface = nullptr;
    auto* surface = new (std::nothrow)
        Surface(this, clientWidth, clientHeight, displayFormat, MEMORY_SYSTEM, -1, -1, -1);
    if (!surface || !surface->isValid() || surface->backing() != BACKING_DIB) {
        delete surface;
        return 0;
    }
    stagingSurface = surface;
    SectionGuard palette(paletteLock);
    shareStagingPalette();
    return 1;
}

void GdiConsole::releaseScreenSurfaces()
{
    SectionGuard guard(windowLock);
    delete stagingSurface;
    stagingSurface = nullptr;
    delete primarySurface;
    primarySurface = nullptr;
}

void GdiConsole::shareStagingPalette()
{
    // Frames converted into the staging surface on an 8-bit desktop keep
    // their indices, which mean the console palette's colours. Called with
    // paletteLock held.
    if (!stagingSurface || !logicalColours || displayFormat.model != INDEXED) return;
    SectionGuard guard(presentLock);
    stagingSurface->setPalette(consolePalette);
}

SurfaceStore* GdiConsole::createStore(int* width, int* height, const PixelFormat* format,
                                      int* memoryKind, int* orientation, int* linePadding,
                                      int* variant)
{
    if (!width || !height || !format || !memoryKind || !orientation || !linePadding || !variant)
        return nullptr;
    SurfaceStore* store;
    if (*memoryKind == MEMORY_DISPLAY && creatingPrimary)
        store = new (std::nothrow) WindowStore(this, *width, *height, *format, *memoryKind,
                                               *orientation, *linePadding, *variant);
    else
        store = new (std::nothrow) DibStore(*width, *height, *format, *memoryKind, *orientation,
                                            *linePadding, *variant);
    if (store && store->isValid()) return store;
    delete store;
    return Console::createStore(width, height, format, memoryKind, orientation, linePadding,
                                variant);
}

int GdiConsole::setPalette(const Palette& palette)
{
    SectionGuard guard(paletteLock);
    if (displayFormat.model != INDEXED || !palette.isValid()) return 0;
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
    if (displayFormat.model != INDEXED) return 0;
    palette.copyFrom(consolePalette);
    return 1;
}

int GdiConsole::buildPalette()
{
    SectionGuard guard(paletteLock);
    std::unique_ptr<LogicalPalette> colours(new (std::nothrow) LogicalPalette{});
    const std::uint32_t* entries = colours ? consolePalette.lock() : nullptr;
    if (!entries) {
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
    {
        // Swap under presentLock so that no presentation draws with a
        // palette that is being deleted.
        SectionGuard present(presentLock);
        releasePalette();
        logicalColours = std::move(colours);
        displayPalette.reset(handle);
        shareStagingPalette();
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
    // Everything else is the shared handling, which holds windowLock itself
    // and must not hold it when the close box ends the process.
    if (!console || !paletteMessage) return handleMessage(console, window, message, wParam, lParam);

    SectionGuard windowGuard(console->windowLock);
    SectionGuard paletteGuard(console->paletteLock);
    if (!console->displayPalette) return 0;
    if (message == WM_QUERYNEWPALETTE) return console->realisePalette(FALSE);
    if (reinterpret_cast<HWND>(wParam) == window) return 0;
    return console->realisePalette(TRUE);
}

LRESULT CALLBACK GdiConsole::fullscreenProcedure(HWND window, UINT, WPARAM, LPARAM)
{
    if (auto* console = findConsole(registry(), window)) {
        SectionGuard guard(static_cast<GdiConsole*>(console)->windowLock);
    }
    return 0;
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
    int result;
    {
        SectionGuard guard(presentLock);
        result = drawLocked(source, sourceArea, destinationArea);
    }
    Sleep(0);
    return result;
}

int GdiConsole::presentConverted(Surface* source, const Rect& sourceArea,
                                 const Rect& destinationArea, int flags)
{
    int result = 0;
    {
        // Held across the conversion too, so a repaint never draws a half
        // converted staging surface.
        SectionGuard guard(presentLock);
        if (source && stagingSurface &&
            source->copyArea(stagingSurface, &sourceArea, &destinationArea, flags))
            result = drawLocked(stagingSurface, destinationArea, destinationArea);
    }
    Sleep(0);
    return result;
}

int GdiConsole::drawLocked(Surface* source, const Rect& sourceArea, const Rect& destinationArea)
{
    if (!source || !deviceContext || source->backing() != BACKING_DIB) return 0;
    auto* store = dynamic_cast<DibStore*>(source->store());
    if (!store || !store->bitmapHandle()) return 0;
    RECT client{};
    if (!GetClientRect(windowHandle, &client)) return 0;
    const int windowWidth = client.right - client.left;
    const int windowHeight = client.bottom - client.top;
    const Rect area = shownArea(clientWidth, clientHeight, windowWidth, windowHeight,
                                openOutput == FULLSCREEN);
    const int areaWidth = static_cast<int>(area.width());
    const int areaHeight = static_cast<int>(area.height());
    Rect target = scaleToClient(destinationArea, areaWidth, areaHeight);
    // An area clamped away to nothing, or turned inside out, would be drawn
    // mirrored by GDI.
    if (target.right <= target.left || target.bottom <= target.top) return 0;
    target = Rect{target.left + area.left, target.top + area.top, target.right + area.left,
                  target.bottom + area.top};

    const int result = source->format().model == INDEXED
                           ? drawIndexed(*source, *store, target, sourceArea)
                           : drawDirect(*source, *store, target, sourceArea);
    const bool fullCover = target.left == area.left && target.top == area.top &&
                           target.right == area.right && target.bottom == area.bottom;
    if (result && fullCover) {
        fillBars(area, windowWidth, windowHeight);
        remember(source, sourceArea, destinationArea);
    }
    return result;
}

// The client area around a letterboxed frame, painted black with every
// whole frame, so that nothing the window showed before stays there.
void GdiConsole::fillBars(const Rect& area, int windowWidth, int windowHeight)
{
    const RECT bars[] = {{0, 0, windowWidth, area.top},
                         {0, area.bottom, windowWidth, windowHeight},
                         {0, area.top, area.left, area.bottom},
                         {area.right, area.top, windowWidth, area.bottom}};
    auto* black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (const RECT& bar : bars)
        if (bar.right > bar.left && bar.bottom > bar.top)
            FillRect(deviceContext.get(), &bar, black);
}

void GdiConsole::remember(Surface* source, const Rect& sourceArea, const Rect& destinationArea)
{
    // Only a surface of this console tells the console when it goes away;
    // any other could leave the repaint with a dangling surface.
    if (source->console() == this) setPresented(source, sourceArea, destinationArea);
}

int GdiConsole::drawIndexed(Surface& source, DibStore& store, const Rect& target,
                            const Rect& area)
{
    Palette* own = source.palette();
    const bool bottomUp = source.orientation() == BOTTOM_UP;
    if (displayFormat.model != INDEXED) {
        // A frame without colours cannot be shown on a direct-colour desktop.
        const std::uint32_t* colours = own ? own->lock() : nullptr;
        if (!colours) return 0;
        int result = 0;
        if (bottomUp) {
            store.setColourTable(colours);
            result = drawThroughDrawDib(store, target, area, 0);
        }
        if (!result) result = drawThroughStretchBlt(store, target, area, colours, false);
        own->unlock();
        return result;
    }

    // On an 8-bit desktop the indices go through the console palette.
    if (!logicalColours || !displayPalette) return 0;
    if (bottomUp && own) {
        if (const std::uint32_t* colours = own->lock()) {
            store.setColourTable(colours);
            own->unlock();
            if (int result = drawThroughDrawDib(store, target, area, 0)) return result;
        }
    }
    const std::uint32_t* colours = consolePalette.lock();
    if (!colours) return 0;
    const int result = drawThroughStretchBlt(store, target, area, colours, true);
    consolePalette.unlock();
    return result;
}

int GdiConsole::drawDirect(Surface& source, DibStore& store, const Rect& target,
                           const Rect& area)
{
    if (drawDibBinding && source.orientation() == BOTTOM_UP) {
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
    if (!memory) return 0;
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
    return result;
}

}  // namespace vxr
