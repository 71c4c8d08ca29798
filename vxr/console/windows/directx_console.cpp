#include "vxr/console/windows/directx_console.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <span>

#include "vxr/console/windows/direct_draw_entry.h"
#include "vxr/console/windows/direct_draw_error.h"
#include "vxr/console/windows/directx_store.h"
#include "vxr/console/windows/section_guard.h"
#include "vxr/console/windows/system_error.h"
#include "vxr/format/immortal.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

constexpr char FULLSCREEN_CLASS[] = "VXR_DIRECTX_FULLSCREEN";
constexpr DWORD EXCLUSIVE_FULLSCREEN = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;
constexpr UINT RUN_ON_WINDOW_THREAD = WM_APP + 0x0D0;
constexpr char CALL_PROPERTY[] = "VXR_DIRECTX_CALL";

// The second DirectDraw interface, spelt out so that the library needs no
// GUID library.
constexpr GUID DIRECT_DRAW2_INTERFACE = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

// Bit depths each preference tries, best first.
constexpr int PREFER8_DEPTHS[] = {8, 32, 24, 16};
constexpr int PREFER16_DEPTHS[] = {16, 32, 24};
constexpr int PREFER32_DEPTHS[] = {32, 24, 16};

// DirectDraw reports any spare bits beside the colour masks as unused; they
// count as alpha here, so that X8R8G8B8 is ARGB8888 and X1R5G5B5 ARGB1555.
bool formatFromDirectDraw(const DDPIXELFORMAT& description, PixelFormat& format)
{
    if (description.dwFlags == DDPF_RGB) {
        const DWORD bitCount = description.dwRGBBitCount;
        const std::uint32_t pixelBits = bitCount >= 32 ? 0xFFFFFFFFu : (1u << bitCount) - 1u;
        const std::uint32_t colourBits =
            description.dwRBitMask | description.dwGBitMask | description.dwBBitMask;
        return format.setMasks(description.dwRBitMask, description.dwGBitMask,
                               description.dwBBitMask, pixelBits & ~colourBits, RGB, -1);
    }
    if (description.dwFlags & DDPF_PALETTEINDEXED8) return format.setId(INDEX8);
    return false;
}

bool meetsRequest(const PixelFormat& format, int request)
{
    switch (request) {
    case PREFER8:
        return format.id == INDEX8 ||
               (format.model == DIRECT && format.bits >= 1 && format.bits <= 4);
    case PREFER16:
    case PREFER32:
        return format.id >= ARGB8888 && format.id <= ABGR1555;
    default:
        return format.bits == request;
    }
}

std::span<const int> depthsFor(const int& request)
{
    switch (request) {
    case PREFER8: return PREFER8_DEPTHS;
    case PREFER16: return PREFER16_DEPTHS;
    case PREFER32: return PREFER32_DEPTHS;
    default: return std::span<const int>(&request, 1);
    }
}

}  // namespace

DirectXConsole::DirectXConsole(HWND given) : WindowConsole(given)
{
    registry();  // made before the console, so that it outlives it
    if (!loadDirectDraw()) return;
    if (ownsWindow()) {
        registerWindowClass();
        enumerateModes();
    }
    ready = 1;
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
}

DirectXConsole::~DirectXConsole()
{
    // Only a console that raised the priority lowers it again.
    if (ready) SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    close();
    // Every store of this console holds a surface of the DirectDraw object:
    // they go before it does.
    closeDisplay();
    releaseDirectDraw();
}

WindowRegistry& DirectXConsole::registry()
{
    static Immortal<WindowRegistry> instance;
    return instance.get();
}

// DirectDraw moves and restyles its cooperative window as the display mode
// and level change. For a window of another thread, Wine does that from a
// helper thread of its own, at the same time as the next display change,
// and the two can deadlock inside the window system; on the window's own
// thread it happens in order. So the calls on the DirectDraw object run
// there, as a message the window procedure carries out. The request is
// also hung on the window as a property, so that a stray message carrying
// the same number runs nothing.
struct DirectXConsole::WindowThreadCall {
    HRESULT (*run)(void* context);
    void* context;
    HRESULT result;
};

template <class Call>
HRESULT DirectXConsole::onWindowThread(Call call)
{
    HWND window = windowHandle;
    if (!window || GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        return call();
    WindowThreadCall request{[](void* context) { return (*static_cast<Call*>(context))(); },
                             &call, DDERR_GENERIC};
    if (!SetPropA(window, CALL_PROPERTY, &request)) return DDERR_GENERIC;
    SendMessageA(window, RUN_ON_WINDOW_THREAD, 0, reinterpret_cast<LPARAM>(&request));
    RemovePropA(window, CALL_PROPERTY);
    return request.result;
}

bool DirectXConsole::runWindowThreadCall(HWND window, UINT message, LPARAM lParam)
{
    if (message != RUN_ON_WINDOW_THREAD) return false;
    auto* request = reinterpret_cast<WindowThreadCall*>(lParam);
    if (request && GetPropA(window, CALL_PROPERTY) == request)
        request->result = request->run(request->context);
    return true;
}

template <class Call>
HRESULT DirectXConsole::useDirectDraw(Call call)
{
    if (directDraw2) return call(directDraw2.get());
    if (directDraw) return call(directDraw.get());
    return DDERR_GENERIC;
}

template <class Call>
HRESULT DirectXConsole::callDirectDraw(Call call)
{
    return onWindowThread([&] { return useDirectDraw(call); });
}

int DirectXConsole::loadDirectDraw()
{
    releaseDirectDraw();
    DirectDrawEntry::CreateFunction create = DirectDrawEntry::substituted();
    if (!create) {
        directDrawLibrary.reset(LoadLibraryA("ddraw.dll"));
        if (!directDrawLibrary) {
            setSystemError("DirectDraw is not there: ddraw.dll could not be loaded",
                           GetLastError());
            return 0;
        }
        // A function pointer of unknown type passes through the generic one.
        const auto found = reinterpret_cast<void (*)()>(
            GetProcAddress(directDrawLibrary.get(), "DirectDrawCreate"));
        create = reinterpret_cast<DirectDrawEntry::CreateFunction>(found);
        if (!create) {
            setLastError("DirectDraw is not there: ddraw.dll has no DirectDrawCreate");
            return 0;
        }
    }
    const HRESULT created = create(nullptr, directDraw.receive(), nullptr);
    if (created != DD_OK) {
        setDirectDrawError("DirectDrawCreate could not make a DirectDraw object", created);
        directDraw.reset();
        return 0;
    }
    void* second = nullptr;
    if (directDraw->QueryInterface(DIRECT_DRAW2_INTERFACE, &second) == S_OK)
        directDraw2.reset(static_cast<IDirectDraw2*>(second));
    return 1;
}

void DirectXConsole::releaseDirectDraw()
{
    leaveDisplay();
    // No surface of the old object may outlive it; the surfaces stay listed
    // and can be created again.
    for (Surface* surface : attachedSurfaces()) surface->releaseStorage();
    directDraw2.reset();
    directDraw.reset();
    directDrawLibrary.reset();
}

void DirectXConsole::registerWindowClass()
{
    // DirectDraw shows frames over the whole screen only: a window is GDI's.
    registerClass(FULLSCREEN_CLASS, fullscreenProcedure, false);
}

void DirectXConsole::enumerateModes()
{
    clearModes();
    if (!directDraw2) return;
    if (directDraw2->EnumDisplayModes(0, nullptr, this, addReportedMode) == DD_OK) return;
    clearModes();
    directDraw->EnumDisplayModes(0, nullptr, this, addReportedMode);
}

HRESULT CALLBACK DirectXConsole::addReportedMode(LPDDSURFACEDESC description, LPVOID context)
{
    auto* console = static_cast<DirectXConsole*>(context);
    PixelFormat format;
    if (description && formatFromDirectDraw(description->ddpfPixelFormat, format)) {
        ConsoleMode reported;
        console->name(reported.driver);
        reported.width = static_cast<std::int32_t>(description->dwWidth);
        reported.height = static_cast<std::int32_t>(description->dwHeight);
        reported.format = format;
        reported.output = FULLSCREEN;
        reported.parameter = 0;
        reported.variant = VARIANT_DEFAULT;
        console->addMode(reported);
    }
    return DDENUMRET_OK;
}

HRESULT DirectXConsole::createSurface(DDSURFACEDESC* description, IDirectDrawSurface** created)
{
    return callDirectDraw(
        [&](auto* object) { return object->CreateSurface(description, created, nullptr); });
}

PixelFormat DirectXConsole::readDisplayFormat()
{
    DDSURFACEDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    ComPointer<IDirectDrawSurface> temporary;
    const HRESULT created = createSurface(&description, temporary.receive());
    if (created != DD_OK || !temporary) {
        setDirectDrawError("could not make a primary surface to read the display's format",
                           created);
        return {};
    }
    DDPIXELFORMAT pixelFormat{};
    pixelFormat.dwSize = sizeof pixelFormat;
    const HRESULT read = temporary->GetPixelFormat(&pixelFormat);
    PixelFormat format;
    if (read != DD_OK) {
        setDirectDrawError("could not read the display's pixel format", read);
        return {};
    }
    if (formatFromDirectDraw(pixelFormat, format)) return format;
    setLastError("the display's pixels are in no format the library knows");
    return {};
}

int DirectXConsole::name(char* out) { return writeName(out, "DirectX"); }

int DirectXConsole::open(int width, int height, int request, int output, int parameter,
                         int variant)
{
    if (request == DIRECT) request = PREFER32;
    if (request == INDEXED) request = PREFER8;
    // A request is first a preference or a bit depth, then a format id.
    if (openPreferred(width, height, request, output, parameter, variant)) return 1;
    // A preference that failed keeps its own reason.
    const PixelFormat exact(request);
    if (!exact.isValid()) return 0;
    return openExact(width, height, exact, output, parameter, variant);
}

int DirectXConsole::openFormat(int width, int height, const PixelFormat& format, int output,
                               int parameter, int variant)
{
    return openExact(width, height, format, output, parameter, variant);
}

int DirectXConsole::openPreferred(int width, int height, int request, int output, int parameter,
                                  int variant)
{
    if (!settleRequest(width, height, output, parameter, variant)) return 0;
    if (!modeAvailable(width, height, request)) return 0;
    if (!beginOpen(width, height, output, parameter, variant)) return 0;
    const PixelFormat display =
        setPreferredMode(width, height, request) ? readDisplayFormat() : PixelFormat();
    return endOpen(width, height, display, output, parameter);
}

int DirectXConsole::openExact(int width, int height, const PixelFormat& format, int output,
                              int parameter, int variant)
{
    if (!format.isValid()) {
        setLastError("the request names no pixel format DirectDraw could show");
        return 0;
    }
    if (!settleRequest(width, height, output, parameter, variant)) return 0;
    if (!exactModeAvailable(width, height, format)) return 0;
    if (!beginOpen(width, height, output, parameter, variant)) return 0;
    return endOpen(width, height, setExactMode(width, height, format) ? format : PixelFormat(),
                   output, parameter);
}

// Checked before anything happens, so that a request an open console cannot
// take leaves it as it is.
bool DirectXConsole::settleRequest(int width, int height, int& output, int& parameter,
                                   int variant)
{
    if (width <= 0 || height <= 0) {
        setLastError("no display mode is %d x %d pixels", width, height);
        return false;
    }
    if (output == -1) output = FULLSCREEN;
    if (output != FULLSCREEN) {
        setLastError("DirectDraw shows frames over the whole screen only; a window is GDI's");
        return false;
    }
    if (variant != VARIANT_DEFAULT && variant != -1) {
        setLastError("DirectDraw has no variant %d", variant);
        return false;
    }
    if (parameter == -1) parameter = 0;
    return true;
}

// An open console keeps its window and its exclusive level for the new mode;
// only its screen surface goes, since it belongs to the old mode (and one
// primary surface at a time is all DirectDraw gives). A closed console gets
// its full-screen window first.
int DirectXConsole::beginOpen(int width, int height, int output, int parameter, int variant)
{
    if (isOpen()) {
        destroyPrimary();
        return 1;
    }
    (void)parameter;  // every mode is set at the default rate; it is only reported
    (void)variant;    // settled already: the default is the only one
    if (openWindow(width, height, output)) return 1;
    close();
    return 0;
}

int DirectXConsole::endOpen(int width, int height, const PixelFormat& display, int output,
                            int parameter)
{
    if (display.isValid()) {
        int outerWidth = width;
        int outerHeight = height;
        addFrameSize(&outerWidth, &outerHeight, output);
        if (windowHandle) resizeWindow(outerWidth, outerHeight);
        if (finishOpen(width, height, display, output, parameter)) return 1;
    }
    close();
    return 0;
}

// An empty list means nothing is known about the display: everything is tried.
int DirectXConsole::modeAvailable(int width, int height, int request) const
{
    const std::vector<ConsoleMode>& list = displayModes();
    if (list.empty()) return 1;
    for (const ConsoleMode& listed : list) {
        if (listed.width == width && listed.height == height &&
            meetsRequest(listed.format, request))
            return 1;
    }
    setLastError("the display lists no %d x %d mode for request %d", width, height, request);
    return 0;
}

int DirectXConsole::exactModeAvailable(int width, int height, const PixelFormat& format) const
{
    const std::vector<ConsoleMode>& list = displayModes();
    if (list.empty()) return 1;
    for (const ConsoleMode& listed : list) {
        if (listed.width == width && listed.height == height && listed.format == format) return 1;
    }
    setLastError("the display lists no %d x %d mode in that %d-bit format", width, height,
                 format.bits);
    return 0;
}

int DirectXConsole::setPreferredMode(int width, int height, int request)
{
    if (!setExclusive()) return 0;
    for (int depth : depthsFor(request)) {
        if (setDisplayMode(width, height, depth)) return 1;
    }
    return 0;
}

int DirectXConsole::setExactMode(int width, int height, const PixelFormat& format)
{
    if (!format.isValid()) return 0;
    if (!setExclusive()) return 0;
    if (!setDisplayMode(width, height, format.bits)) return 0;
    const PixelFormat display = readDisplayFormat();
    if (!display.isValid()) return 0;
    if (display == format) return 1;
    setLastError("the display took %d bits per pixel in another format than the one asked for",
                 format.bits);
    return 0;
}

int DirectXConsole::setDisplayMode(int width, int height, int bits)
{
    const auto w = static_cast<DWORD>(width);
    const auto h = static_cast<DWORD>(height);
    const auto depth = static_cast<DWORD>(bits);
    const HRESULT result = onWindowThread([&]() -> HRESULT {
        if (directDraw2) return directDraw2->SetDisplayMode(w, h, depth, 0, 0);
        if (directDraw) return directDraw->SetDisplayMode(w, h, depth);
        return DDERR_GENERIC;
    });
    if (result == DD_OK) return 1;
    char what[96];
    std::snprintf(what, sizeof what, "SetDisplayMode(%d x %d, %d bits) failed", width, height,
                  bits);
    setDirectDrawError(what, result);
    return 0;
}

HRESULT DirectXConsole::setCooperativeLevel(HWND window, DWORD flags)
{
    return callDirectDraw([&](auto* object) { return object->SetCooperativeLevel(window, flags); });
}

// DirectDraw refuses a new level window while its old one still has
// surfaces: a fresh DirectDraw object takes it. The window stays, so the
// second request names a window that exists.
int DirectXConsole::setExclusive()
{
    if (!windowHandle) {
        setLastError("no window to hold the display through");
        return 0;
    }
    HRESULT result = setCooperativeLevel(windowHandle, EXCLUSIVE_FULLSCREEN);
    if (result == DDERR_HWNDALREADYSET) {
        if (!loadDirectDraw()) return 0;
        result = setCooperativeLevel(windowHandle, EXCLUSIVE_FULLSCREEN);
    }
    if (result == DD_OK) return 1;
    setDirectDrawError("SetCooperativeLevel could not take the display for itself", result);
    return 0;
}

// The hidden popup that holds the exclusive level; the output is settled.
bool DirectXConsole::openWindow(int width, int height, int output)
{
    if (!ownsWindow()) {
        setLastError("a window given to the DirectDraw console is never opened");
        return false;
    }
    closeWindow();
    addFrameSize(&width, &height, output);
    return createWindow(FULLSCREEN_CLASS, WS_POPUP, SW_HIDE, width, height, true) != 0;
}

int DirectXConsole::finishOpen(int width, int height, const PixelFormat& format, int output,
                               int parameter)
{
    frameWidth = width;
    frameHeight = height;
    displayFormat = format;
    openOutput = output;
    openParameter = parameter;
    if (!createPrimary()) return 0;
    if (!windowHandle) return 0;
    placeFrame();
    // A re-opened console keeps its window, which is listed already.
    if (findConsole(registry(), windowHandle) == this) return 1;
    if (registerWindow(registry(), windowHandle, this)) return 1;
    setLastError("no memory to note the new window");
    return 0;
}

// The screen is made and destroyed outside windowLock, since DirectDraw
// may send messages to the window meanwhile and the window procedure takes
// that lock; only the finished screen is published under it, so the window
// procedure sees either no screen or a whole one.
int DirectXConsole::createPrimary()
{
    destroyPrimary();
    clearLastError();
    Surface* screen = makeScreenSurface(frameWidth, frameHeight);
    if (!screen) {
        // The primary surface's own reason, where it gave one, says why.
        if (!*lastError()) setLastError("could not make the screen surface");
        return 0;
    }
    SectionGuard guard(windowLock);
    primarySurface = screen;
    return 1;
}

void DirectXConsole::destroyPrimary()
{
    Surface* screen;
    {
        SectionGuard guard(windowLock);
        screen = primarySurface;
        primarySurface = nullptr;
    }
    if (!screen) return;
    screen->releaseStorage();
    delete screen;
}

void DirectXConsole::restoreDisplay()
{
    if (!directDraw) return;
    callDirectDraw([](auto* object) { return object->RestoreDisplayMode(); });
    setCooperativeLevel(nullptr, DDSCL_NORMAL);
}

void DirectXConsole::leaveDisplay()
{
    restoreDisplay();
    destroyPrimary();
}

// A closed console reports no display: what it reports is what it has.
void DirectXConsole::close()
{
    leaveDisplay();
    if (!ownsWindow()) return;
    closeWindow();
    frameWidth = frameHeight = 0;
    displayFormat = PixelFormat();
    openOutput = openParameter = 0;
}

SurfaceStore* DirectXConsole::makeStore(StoreRequest& request)
{
    return new (std::nothrow)
        DirectXStore(*this, request.width, request.height, request.format, request.memoryKind,
                     request.orientation, request.linePadding, request.variant);
}

Rect DirectXConsole::frameArea(int, int)
{
    POINT origin{0, 0};
    if (!primarySurface || !windowHandle || !ScreenToClient(windowHandle, &origin))
        return Rect{0, 0, 0, 0};
    return Rect{origin.x, origin.y, origin.x + frameWidth, origin.y + frameHeight};
}

DirectXStore* DirectXConsole::screenStore() const
{
    if (!primarySurface || primarySurface->backing() != BACKING_DIRECTX) return nullptr;
    return static_cast<DirectXStore*>(primarySurface->store());
}

DirectXStore* DirectXConsole::openScreenStore(const char* missing) const
{
    DirectXStore* screen = screenStore();
    if (screen && screen->hasSurface()) return screen;
    setLastError("the display is not open: %s", missing);
    return nullptr;
}

int DirectXConsole::setPalette(const Palette& palette)
{
    endIfAsked();
    SectionGuard guard(paletteLock);
    if (!takesPalette(&palette)) return 0;
    // DirectDraw's palette entries are red, green, blue, flags: ABGR8888.
    Palette colours;
    colours.copyFrom(palette);
    const void* table = colours.lookup(PixelFormat(ABGR8888), 4);
    if (!table) {
        setLastError("no memory for the palette's entries");
        return 0;
    }
    PALETTEENTRY entries[Palette::SIZE];
    std::memcpy(entries, table, sizeof entries);

    DirectXStore* screen = openScreenStore("there is no screen to hang a palette on");
    if (!screen) return 0;
    // The surface keeps its own reference to the palette; this one is ours.
    ComPointer<IDirectDrawPalette> attached;
    const HRESULT found = screen->attachedPalette(attached.receive());
    if (found == DDERR_NOPALETTEATTACHED) {
        // A palette object leaves the window alone: made on this thread, which
        // holds paletteLock that the window's palette messages wait for.
        const HRESULT created = useDirectDraw([&](auto* object) {
            return object->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries,
                                         attached.receive(), nullptr);
        });
        if (created != DD_OK || !attached) {
            setDirectDrawError("CreatePalette failed", created);
            return 0;
        }
        const HRESULT hung = screen->attachPalette(attached.get());
        if (hung != DD_OK) {
            setDirectDrawError("SetPalette could not hang the palette on the screen", hung);
            return 0;
        }
    } else if (found != DD_OK || !attached) {
        setDirectDrawError("GetPalette could not read the screen's palette", found);
        return 0;
    }
    const HRESULT set = attached->SetEntries(0, 0, Palette::SIZE, entries);
    if (set == DD_OK) return 1;
    setDirectDrawError("SetEntries could not change the palette", set);
    return 0;
}

int DirectXConsole::getPalette(Palette& palette)
{
    SectionGuard guard(paletteLock);
    if (!takesPalette(nullptr)) return 0;
    DirectXStore* screen = openScreenStore("there is no palette to read");
    if (!screen) return 0;
    ComPointer<IDirectDrawPalette> attached;
    const HRESULT found = screen->attachedPalette(attached.receive());
    if (found != DD_OK || !attached) {
        setDirectDrawError("GetPalette could not read the screen's palette", found);
        return 0;
    }
    PALETTEENTRY entries[Palette::SIZE] = {};
    const HRESULT read = attached->GetEntries(0, 0, Palette::SIZE, entries);
    if (read != DD_OK) {
        setDirectDrawError("GetEntries could not read the palette", read);
        return 0;
    }
    std::uint32_t* colours = palette.lock();
    if (!colours) {
        setLastError("the palette to read into has no room (it ran out of memory)");
        return 0;
    }
    // Red, green, blue, flags become ARGB8888 with the flags in the alpha byte.
    for (int i = 0; i < Palette::SIZE; ++i) {
        colours[i] = std::uint32_t{entries[i].peFlags} << 24 |
                     std::uint32_t{entries[i].peRed} << 16 |
                     std::uint32_t{entries[i].peGreen} << 8 | entries[i].peBlue;
    }
    palette.unlock();
    return 1;
}

// Once a frame: on the caller's thread, since it leaves the window alone.
int DirectXConsole::waitRetrace()
{
    endIfAsked();
    const HRESULT result = useDirectDraw(
        [](auto* object) { return object->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr); });
    if (result == DD_OK) return 1;
    setDirectDrawError("WaitForVerticalBlank failed", result);
    return 0;
}

// The picture lives in the primary surface: the window draws nothing and
// shows no pointer unless the application asks for it. Its palette messages
// wait for a palette change in progress; everything else is the shared
// handling, which sets the pointer over the client area.
LRESULT CALLBACK DirectXConsole::fullscreenProcedure(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam)
{
    if (runWindowThreadCall(window, message, lParam)) return 0;
    auto* console = static_cast<DirectXConsole*>(findConsole(registry(), window));
    switch (message) {
    case WM_CREATE:
        // Not registered yet: the pointer starts hidden, as the window opens.
        SetCursor(nullptr);
        return 0;
    case WM_PAINT:
        if (console) {
            SectionGuard guard(console->windowLock);
            if (console->hidesPointer()) SetCursor(nullptr);
        }
        // Nothing is drawn, but the window must count as painted, or the
        // message would come back at once, for ever.
        ValidateRect(window, nullptr);
        return 0;
    case WM_ACTIVATE:
        if (console && LOWORD(wParam) == WA_ACTIVE) {
            SectionGuard guard(console->windowLock);
            if (console->hidesPointer()) SetCursor(nullptr);
        }
        break;
    default:
        break;
    }
    return handlePaletteMessage(console, window, message, wParam, lParam);
}

// The shared handling takes windowLock itself for the whole message.
LRESULT DirectXConsole::handlePaletteMessage(DirectXConsole* console, HWND window, UINT message,
                                             WPARAM wParam, LPARAM lParam)
{
    if (console && (message == WM_QUERYNEWPALETTE || message == WM_PALETTECHANGED)) {
        SectionGuard windowGuard(console->windowLock);
        SectionGuard paletteGuard(console->paletteLock);
        return 0;
    }
    return handleMessage(console, window, message, wParam, lParam);
}

}  // namespace vxr
