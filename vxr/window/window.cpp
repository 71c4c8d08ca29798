#include "vxr/window/window.h"

#include <cstdio>
#include <new>

#include "vxr/console/console.h"
#include "vxr/console/console_mode.h"
#include "vxr/failure_reason.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

// The display closest to the frame's own depth converts least.
std::int32_t preferenceFor(const PixelFormat& format)
{
    if (format.bits <= 8) return PREFER8;
    if (format.bits <= 16) return PREFER16;
    return PREFER32;
}

}  // namespace

Window::Window(const WindowOptions& options)
    : display(options.width, options.height, preferenceFor(options.format),
              static_cast<int>(options.output), -1, -1),
      frameWidth(options.width),
      frameHeight(options.height)
{
    if (!display.isOpen()) {
        fail("could not open a display");
        return;
    }
    Console& shown = console();
    shown.closeAsEvent(options.closeAsEvent ? 1 : 0);
    if (options.scaling != WindowOptions::Scaling::Default)
        shown.setScaling(static_cast<int>(options.scaling));
    if (options.title) shown.setTitle(options.title);
    // A console that cannot fix its window's size keeps it resizable; the
    // frame is shown the same either way.
    if (!options.resizable) shown.setResizable(0);
    surface.reset(new (std::nothrow) Surface(display, options.width, options.height,
                                             options.format, MEMORY_SYSTEM, -1, -1, -1));
    if (!surface || !surface->isValid()) {
        surface.reset();
        display.close();
        fail("could not make the frame");
        return;
    }
    this->opened = true;
}

Window::~Window()
{
    // The frames let go of their stores before their console goes.
    programPixels.reset();
    surface.reset();
}

bool Window::fail(const char* what)
{
    writeFailureReason(reason, sizeof reason, what);
    return false;
}

FrameLock Window::lock()
{
    // A window that never opened gives a lock that holds nothing.
    return surface ? FrameLock(*surface) : FrameLock();
}

bool Window::present(bool waitForRetrace)
{
    if (!opened) return false;
    if (waitForRetrace) console().waitRetrace();
    return surface->update() != 0;
}

std::optional<Presentation> Window::lastPresentation()
{
    Presentation shown;
    if (!opened || !console().lastPresentation(&shown)) return std::nullopt;
    return shown;
}

bool Window::present(const void* pixels, std::int64_t pitch)
{
    if (!opened) {
        setLastError("present: the window did not open");
        return false;
    }
    if (!programPixels) programPixels.reset(new (std::nothrow) Surface);
    if (!programPixels) {
        setLastError("present: out of memory");
        return false;
    }
    // Only read: the surface is a copy's source alone, never a destination.
    if (!programPixels->createOver(&console(), const_cast<void*>(pixels), pitch, frameWidth,
                                   frameHeight, surface->format()))
        return false;
    // An indexed frame shows through the frame's own palette.
    if (Palette* colours = surface->palette()) programPixels->attachPalette(colours);
    const bool shown = programPixels->update() != 0;
    // Nothing may find the program's memory through the surface any more.
    programPixels->releaseStorage();
    if (!shown && !*lastError()) setLastError("present: the console could not show the frame");
    return shown;
}

bool Window::setTitle(const char* title) { return opened && console().setTitle(title) != 0; }

bool Window::setScaling(WindowOptions::Scaling scaling)
{
    if (!opened) {
        setLastError("setScaling: the window did not open");
        return false;
    }
    if (scaling == WindowOptions::Scaling::Default) {
        setLastError("setScaling: Default names no way of scaling; it is the console's own at open");
        return false;
    }
    clearLastError();
    if (console().setScaling(static_cast<int>(scaling))) return true;
    if (!*lastError()) setLastError("setScaling: the console does not scale that way");
    return false;
}

bool Window::take(bool got, const Event& event)
{
    if (got && event.type == EventType::Close) closed = true;
    return got;
}

bool Window::pollEvent(Event& event)
{
    return opened && take(console().pollEvent(&event) != 0, event);
}

bool Window::waitEvent(Event& event, int timeoutMilliseconds)
{
    if (!opened) return false;
    const bool got = console().waitEvent(&event, timeoutMilliseconds) != 0;
    // A wait without limit that brings nothing means the window has gone.
    if (!got && timeoutMilliseconds < 0) closed = true;
    return take(got, event);
}

bool Window::keyDown(Key key) { return opened && console().keyDown(key) != 0; }

MouseState Window::mouse()
{
    MouseState state;
    if (opened) console().mouseState(&state);
    return state;
}

}  // namespace vxr
