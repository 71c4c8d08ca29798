#include "vxr/console/core/display_console.h"

#include <cstring>
#include <new>

#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

// The model codes ask for the best direct or indexed mode, like the
// preferences.
bool isPreference(int request)
{
    return request == PREFER8 || request == PREFER16 || request == PREFER32 || request == DIRECT ||
           request == INDEXED;
}

}  // namespace

int DisplayConsole::openMode(const ConsoleMode& requested)
{
    // A mode reported by one console cannot open another.
    char own[8] = {};
    name(own);
    if (std::strncmp(requested.driver, own, sizeof own) != 0) return 0;
    return openFormat(requested.width, requested.height, requested.format, requested.output,
                      requested.parameter, requested.variant);
}

ConsoleMode DisplayConsole::mode()
{
    ConsoleMode current;
    name(current.driver);
    current.width = width();
    current.height = height();
    current.format = displayFormat;
    current.output = openOutput;
    current.parameter = openParameter;
    current.variant = variant();
    return current;
}

int DisplayConsole::openRequestInDisplayFormat(int width, int height, int request, int output,
                                               int parameter, int variant)
{
    if (isPreference(request)) return openDisplayFormat(width, height, output, parameter, variant);
    if (openFormat(width, height, PixelFormat(request), output, parameter, variant)) return 1;
    // A request may also name the display's bit depth.
    if (displayFormat.isValid() && request == displayFormat.bits)
        return openDisplayFormat(width, height, output, parameter, variant);
    return 0;
}

int DisplayConsole::openFormatInDisplayFormat(int width, int height, const PixelFormat& format,
                                              int output, int parameter, int variant)
{
    if (!format.isValid() || format != displayFormat) return 0;
    return openDisplayFormat(width, height, output, parameter, variant);
}

bool DisplayConsole::settleWindowRequest(int width, int height, int& output, int& parameter,
                                         int variant)
{
    // The largest size a window system takes for a window's side.
    constexpr int LARGEST_WINDOW = 32767;
    if (output == -1) output = WINDOWED;
    if (output != WINDOWED && output != FULLSCREEN) {
        setLastError("output %d is neither WINDOWED (%d) nor FULLSCREEN (%d)", output, WINDOWED,
                     FULLSCREEN);
        return false;
    }
    if (parameter == -1) parameter = 0;
    if (parameter != 0) {
        setLastError("a refresh rate of %d Hz cannot be chosen: a window shows the display's own",
                     parameter);
        return false;
    }
    if (variant != 10 && variant != -1) {
        setLastError("variant %d is not the default (10)", variant);
        return false;
    }
    if (width > 0 && height > 0 && width <= LARGEST_WINDOW && height <= LARGEST_WINDOW) return true;
    setLastError("no window is %d x %d pixels: each side runs from 1 to %d", width, height,
                 LARGEST_WINDOW);
    return false;
}

int DisplayConsole::reportScreenMode(std::vector<ConsoleMode>& list, std::int32_t screenWidth,
                                     std::int32_t screenHeight)
{
    list.clear();
    ConsoleMode screen;
    name(screen.driver);
    screen.width = screenWidth;
    screen.height = screenHeight;
    screen.format = displayFormat;
    screen.output = WINDOWED;
    screen.parameter = 0;
    screen.variant = variant();
    try {
        list.push_back(screen);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

SurfaceStore* DisplayConsole::createStore(int* width, int* height, const PixelFormat* format,
                                          int* memoryKind, int* orientation, int* linePadding,
                                          int* variant)
{
    if (!width || !height || !format || !memoryKind || !orientation || !linePadding || !variant)
        return nullptr;
    StoreRequest request{*width, *height, *format, *memoryKind, *orientation, *linePadding,
                         *variant};
    SurfaceStore* store = *memoryKind == MEMORY_DISPLAY && creatingPrimary
                              ? makeScreenStore(request)
                              : makeProgramStore(request);
    if (store && store->isValid()) return store;
    delete store;
    return Console::createStore(width, height, format, memoryKind, orientation, linePadding,
                                variant);
}

Surface* DisplayConsole::makeScreenSurface(std::int32_t width, std::int32_t height)
{
    creatingPrimary = 1;
    auto* surface = new (std::nothrow)
        Surface(this, width, height, displayFormat, MEMORY_DISPLAY, -1, -1, -1);
    creatingPrimary = 0;
    if (surface && surface->isValid()) return surface;
    delete surface;
    return nullptr;
}

bool DisplayConsole::replacePrimary(std::int32_t width, std::int32_t height)
{
    delete primarySurface;
    primarySurface = nullptr;
    primarySurface = makeScreenSurface(width, height);
    if (!primarySurface && !*lastError())
        setLastError("the screen surface of %d x %d pixels could not be made", width, height);
    return primarySurface != nullptr;
}

}  // namespace vxr
