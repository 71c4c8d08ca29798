#include "vxr/console/wayland/libdecor_frame.h"

#include <wayland-client.h>

#include "vxr/console/wayland/libdecor_library.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

LibdecorFrame& ownerOf(void* data) { return *static_cast<LibdecorFrame*>(data); }

// libdecor reports what it cannot do on this compositor (no desktop shell,
// say); the window then stays as it is, and the reason is kept.
void contextError(libdecor*, libdecor_error, const char* message)
{
    setLastError("window frames: %s", message ? message : "libdecor failed");
}

// Filled by name: the interfaces end in reserved slots that stay empty.
libdecor_interface contextInterface()
{
    libdecor_interface made{};
    made.error = contextError;
    return made;
}

libdecor_interface CONTEXT_INTERFACE = contextInterface();

void frameConfigure(libdecor_frame*, libdecor_configuration* configuration, void* data)
{
    ownerOf(data).configured(configuration);
}

void frameClose(libdecor_frame*, void* data) { ownerOf(data).closeRequested(); }
void frameCommit(libdecor_frame*, void* data) { ownerOf(data).commitNeeded(); }
// The frame opens no popups of the window's own.
void framePopupDismissed(libdecor_frame*, const char*, void*) {}

libdecor_frame_interface frameInterface()
{
    libdecor_frame_interface made{};
    made.configure = frameConfigure;
    made.close = frameClose;
    made.commit = frameCommit;
    made.dismiss_popup = framePopupDismissed;
    return made;
}

libdecor_frame_interface FRAME_INTERFACE = frameInterface();

}  // namespace

bool LibdecorFrame::decorate(wl_display* display, wl_surface* content, const Start& start,
                             Listener& events)
{
    release();
    library = LibdecorLibrary::load();
    if (!library) return false;
    listener = &events;
    chosenWidth = start.width;
    chosenHeight = start.height;
    context = library->create(display, &CONTEXT_INTERFACE);
    // libdecor learns the compositor's globals and picks its plugin over a
    // round trip; a frame made before that gets its shell surface late.
    if (context && wl_display_roundtrip(display) >= 0)
        frame = library->decorate(context, content, &FRAME_INTERFACE, this);
    if (!frame) {
        release();
        return false;
    }
    library->setTitle(frame, start.title ? start.title : "");
    library->setApplicationId(frame, start.applicationId);
    // Mapping makes the shell's toplevel, which full-screen needs (libdecor
    // dereferences it), and the first commit, which asks the compositor to
    // configure the window; the full-screen request joins that configure.
    library->map(frame);
    if (start.fullscreen) setFullscreen(true);
    return true;
}

void LibdecorFrame::release()
{
    if (frame) library->releaseFrame(frame);
    if (context) library->release(context);
    frame = nullptr;
    context = nullptr;
    contentWidth = contentHeight = 0;
}

void LibdecorFrame::setTitle(const char* text)
{
    if (frame) library->setTitle(frame, text ? text : "");
}

void LibdecorFrame::setFullscreen(bool wanted)
{
    if (!frame) return;
    // Without its toplevel yet, libdecor would fail on the request: it is
    // made once the toplevel is there, at the first configure.
    fullscreenPending = !library->toplevel(frame);
    fullscreenWanted = wanted;
    if (fullscreenPending) return;
    if (wanted)
        library->setFullscreen(frame, nullptr);
    else
        library->unsetFullscreen(frame);
}

void LibdecorFrame::setSizeLimits(std::int32_t minWidth, std::int32_t minHeight,
                                  std::int32_t maxWidth, std::int32_t maxHeight)
{
    if (!frame) return;
    // libdecor keeps a fixed window's limits at its size and gives back
    // the ones it had as the window becomes resizable again: the
    // capability changes first, so that the limits set next are the ones
    // that stay.
    const bool fixed = maxWidth > 0 && maxWidth == minWidth && maxHeight == minHeight;
    if (fixed)
        library->unsetCapabilities(frame, LIBDECOR_ACTION_RESIZE);
    else
        library->setCapabilities(frame, LIBDECOR_ACTION_RESIZE);
    library->setMinContentSize(frame, minWidth, minHeight);
    library->setMaxContentSize(frame, maxWidth, maxHeight);
    // libdecor hands the limits to the shell as it commits a state; before
    // the first configure there is none to commit, and that one carries them.
    if (contentWidth <= 0 || contentHeight <= 0) return;
    libdecor_state* state = library->newState(contentWidth, contentHeight);
    if (!state) return;
    library->commit(frame, state, nullptr);
    library->freeState(state);
}

void LibdecorFrame::configured(libdecor_configuration* configuration)
{
    if (fullscreenPending) setFullscreen(fullscreenWanted);
    int width = 0, height = 0;
    // Without a size the client keeps the one it chose.
    if (!library->contentSize(configuration, frame, &width, &height) || width <= 0 ||
        height <= 0) {
        width = chosenWidth;
        height = chosenHeight;
    }
    libdecor_state* state = library->newState(width, height);
    if (!state) return;
    // Acknowledges the configure and sets the window's outline, frame
    // included, before the content of that size is committed.
    library->commit(frame, state, configuration);
    library->freeState(state);
    contentWidth = width;
    contentHeight = height;
    listener->frameConfigured(width, height);
}

}  // namespace vxr
