#include "vxr/console/x11/x11_window.h"

#include <xcb/xcb_icccm.h>

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "vxr/console/x11/x11_display.h"

namespace vxr {
namespace {

constexpr char WINDOW_CLASS[] = "vxr\0VXR";  // instance and class, each ending in NUL

constexpr std::uint32_t EVENTS =
    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY;

std::uint32_t lengthOf(const char* text)
{
    return static_cast<std::uint32_t>(std::strlen(text));
}

}  // namespace

X11Window::~X11Window()
{
    close();
}

bool X11Window::open(const X11Display& display, Handler& handler, const Start& start)
{
    close();
    {
        std::lock_guard<std::mutex> guard(startLock);
        started = startedOk = false;
    }
    try {
        thread = std::thread([this, &display, &handler, &start] { run(display, handler, start); });
    } catch (const std::system_error&) {
        return false;
    }
    std::unique_lock<std::mutex> guard(startLock);
    startSignal.wait(guard, [this] { return started; });
    const bool made = startedOk;
    guard.unlock();
    if (!made) close();
    return made;
}

void X11Window::close()
{
    if (thread.joinable()) {
        // The thread ends when it sees its window destroyed, or when the
        // connection fails (the display went away).
        if (window && link && !xcb_connection_has_error(link)) {
            xcb_destroy_window(link, window);
            xcb_flush(link);
        }
        thread.join();
    }
    if (link) xcb_disconnect(link);
    link = nullptr;
    window = 0;
}

void X11Window::run(const X11Display& display, Handler& handler, const Start& start)
{
    const bool made = create(display, start);
    signalStarted(made);  // start lives on the opener's stack: not used from here on
    if (!made) return;
    while (xcb_generic_event_t* event = xcb_wait_for_event(link)) {
        const bool goesOn = dispatch(*event, display, handler);
        std::free(event);
        if (!goesOn) break;
    }
    handler.windowEnded();
}

void X11Window::signalStarted(bool made)
{
    std::lock_guard<std::mutex> guard(startLock);
    started = true;
    startedOk = made;
    startSignal.notify_all();
}

bool X11Window::create(const X11Display& display, const Start& start)
{
    link = xcb_connect(display.name(), nullptr);
    if (xcb_connection_has_error(link)) return false;
    window = xcb_generate_id(link);
    const bool coverUnmanaged = start.fullscreen && !start.managed;
    // Values in the order of their mask bits.
    std::uint32_t values[5];
    std::uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK;
    int count = 0;
    values[count++] = start.backgroundPixel;
    values[count++] = start.backgroundPixel;
    if (coverUnmanaged) {
        mask |= XCB_CW_OVERRIDE_REDIRECT;
        values[count++] = 1;
    }
    values[count++] = EVENTS;
    if (start.colormap != XCB_NONE) {
        mask |= XCB_CW_COLORMAP;
        values[count++] = start.colormap;
    }
    xcb_generic_error_t* error = xcb_request_check(
        link, xcb_create_window_checked(
                  link, display.depth(), window, display.root(), 0, 0,
                  static_cast<std::uint16_t>(start.width), static_cast<std::uint16_t>(start.height),
                  0, XCB_WINDOW_CLASS_INPUT_OUTPUT, display.visual(), mask, values));
    if (error) {
        std::free(error);
        window = 0;
        return false;
    }
    describe(display, start);
    xcb_map_window(link, window);
    // A round trip, so that the window is there for the presenting
    // connection once the opener goes on.
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(link, xcb_get_input_focus(link), nullptr);
    const bool answered = reply != nullptr;
    std::free(reply);
    return answered && !xcb_connection_has_error(link);
}

void X11Window::describe(const X11Display& display, const Start& start)
{
    const X11Display::Atoms& atoms = display.atoms();
    setTitle(link, window, display, start.title ? start.title : "");
    xcb_icccm_set_wm_class(link, window, sizeof WINDOW_CLASS, WINDOW_CLASS);
    xcb_atom_t deleteWindow = atoms.deleteWindow;
    xcb_icccm_set_wm_protocols(link, window, atoms.protocols, 1, &deleteWindow);
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_size(&hints, 0, start.width, start.height);
    xcb_icccm_set_wm_normal_hints(link, window, &hints);
    if (start.icon && start.iconLength > 0)
        xcb_change_property(link, XCB_PROP_MODE_REPLACE, window, atoms.icon, XCB_ATOM_CARDINAL, 32,
                            static_cast<std::uint32_t>(start.iconLength), start.icon);
    if (start.fullscreen && start.managed) {
        xcb_atom_t state = atoms.stateFullscreen;
        xcb_change_property(link, XCB_PROP_MODE_REPLACE, window, atoms.state, XCB_ATOM_ATOM, 32, 1,
                            &state);
    }
}

void X11Window::setTitle(xcb_connection_t* target, xcb_window_t id, const X11Display& display,
                         const char* text)
{
    xcb_icccm_set_wm_name(target, id, XCB_ATOM_STRING, 8, lengthOf(text), text);
    xcb_change_property(target, XCB_PROP_MODE_REPLACE, id, display.atoms().name,
                        display.atoms().utf8String, 8, lengthOf(text), text);
}

bool X11Window::dispatch(const xcb_generic_event_t& event, const X11Display& display,
                         Handler& handler)
{
    switch (event.response_type & 0x7F) {
        case XCB_EXPOSE:
            // The last of a series stands for all of them: the whole window is redrawn.
            if (reinterpret_cast<const xcb_expose_event_t&>(event).count == 0)
                handler.windowExposed();
            return true;
        case XCB_CONFIGURE_NOTIFY: {
            const auto& configure = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
            if (configure.window == window)
                handler.windowResized(configure.width, configure.height);
            return true;
        }
        case XCB_KEY_PRESS:
            handler.windowKeyPressed();
            return true;
        case XCB_CLIENT_MESSAGE: {
            const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
            if (message.type == display.atoms().protocols &&
                message.data.data32[0] == display.atoms().deleteWindow)
                handler.windowCloseRequested();
            return true;
        }
        case XCB_MAP_NOTIFY:
            // Keys go to the window once it shows, as a newly opened window
            // takes the focus on any desktop.
            xcb_set_input_focus(link, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
            xcb_flush(link);
            return true;
        case XCB_DESTROY_NOTIFY:
            return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window != window;
        default:
            return true;
    }
}

}  // namespace vxr
