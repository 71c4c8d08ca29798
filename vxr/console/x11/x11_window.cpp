#include "vxr/console/x11/x11_window.h"

#include <poll.h>
#include <xcb/xcb_icccm.h>

#include <cstdlib>
#include <cstring>

#include "vxr/console/event.h"
#include "vxr/console/input/window_input.h"
#include "vxr/console/x11/x11_display.h"

namespace vxr {
namespace {

constexpr char WINDOW_CLASS[] = "vxr\0VXR";  // instance and class, each ending in NUL

constexpr std::uint32_t EVENTS =
    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
    XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
    XCB_EVENT_MASK_FOCUS_CHANGE;

// X's buttons 4 to 7 are the wheel's notches: up, down, left, right.
constexpr xcb_button_t WHEEL_UP = 4;
constexpr xcb_button_t WHEEL_RIGHT = 7;
// Buttons 8 and 9 are the side buttons, back and forward.
constexpr xcb_button_t SIDE_BACK = 8;
constexpr xcb_button_t SIDE_FORWARD = 9;

// How long a release waits for the press that would make it a repeat; a
// real release is reported this much later, only where XKB is missing.
constexpr int REPEAT_PAIR_WAIT_MS = 10;

std::uint32_t lengthOf(const char* text)
{
    return static_cast<std::uint32_t>(std::strlen(text));
}

// The event that follows, when it comes at once: the press of a repeat is
// sent with its release, though not always in the same read.
xcb_generic_event_t* nextEventSoon(xcb_connection_t* link)
{
    if (xcb_generic_event_t* event = xcb_poll_for_event(link)) return event;
    pollfd readable{xcb_get_file_descriptor(link), POLLIN, 0};
    if (poll(&readable, 1, REPEAT_PAIR_WAIT_MS) <= 0) return nullptr;
    return xcb_poll_for_event(link);
}

// Whether a press is the server's repeat of the key just released.
bool isRepeatPress(const xcb_generic_event_t& release, const xcb_generic_event_t& press)
{
    if ((press.response_type & 0x7F) != XCB_KEY_PRESS) return false;
    const auto& up = reinterpret_cast<const xcb_key_release_event_t&>(release);
    const auto& down = reinterpret_cast<const xcb_key_press_event_t&>(press);
    return down.detail == up.detail && down.time == up.time && down.event == up.event;
}

}  // namespace

X11Window::~X11Window()
{
    close();
}

bool X11Window::open(const X11Display& display, Handler& handler, WindowInput& input,
                     const Start& start)
{
    close();
    const bool made =
        thread.start([this, &display, &handler, &input, &start] {
            run(display, handler, input, start);
        });
    if (!made) close();
    return made;
}

void X11Window::close()
{
    if (thread.isStarted()) {
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
    blankCursor = XCB_NONE;
}

xcb_cursor_t X11Window::makeBlankCursor(xcb_window_t root)
{
    // A new pixmap's contents are undefined: the mask is cleared on purpose.
    const xcb_pixmap_t pixels = xcb_generate_id(link);
    xcb_create_pixmap(link, 1, pixels, root, 1, 1);
    const xcb_gcontext_t clear = xcb_generate_id(link);
    const std::uint32_t zero = 0;
    xcb_create_gc(link, clear, pixels, XCB_GC_FOREGROUND, &zero);
    const xcb_rectangle_t whole{0, 0, 1, 1};
    xcb_poly_fill_rectangle(link, pixels, clear, 1, &whole);
    xcb_free_gc(link, clear);
    const xcb_cursor_t cursor = xcb_generate_id(link);
    xcb_create_cursor(link, cursor, pixels, pixels, 0, 0, 0, 0, 0, 0, 0, 0);
    xcb_free_pixmap(link, pixels);
    return cursor;
}

bool X11Window::showPointer(bool visible)
{
    if (!isOpen() || !link || window == XCB_NONE || xcb_connection_has_error(link)) return false;
    // Shown, the window takes its parent's cursor again.
    const std::uint32_t cursor = visible ? XCB_NONE : blankCursor;
    xcb_generic_error_t* error = xcb_request_check(
        link, xcb_change_window_attributes_checked(link, window, XCB_CW_CURSOR, &cursor));
    std::free(error);
    return error == nullptr;
}

void X11Window::run(const X11Display& display, Handler& handler, WindowInput& input,
                    const Start& start)
{
    clientWidth = start.width;
    clientHeight = start.height;
    pointerX = pointerY = -1;
    focused = false;
    const bool made = create(display, start);
    thread.signalStarted(made);  // start lives on the opener's stack: not used from here on
    if (!made) return;
    bool destroyed = false;
    while (xcb_generic_event_t* event = nextEvent()) {
        destroyed = !dispatch(*event, display, handler, input);
        std::free(event);
        if (destroyed) break;
    }
    std::free(following);
    following = nullptr;
    // A window that close() destroyed ends quietly; a connection that failed
    // under it means the server went away, which nobody asked for. The Close
    // that says so is posted before the waits end, so a waiting reader gets it.
    if (!destroyed && xcb_connection_has_error(link)) input.displayLost();
    handler.windowEnded();
}

xcb_generic_event_t* X11Window::nextEvent()
{
    for (;;) {
        xcb_generic_event_t* event = following ? following : xcb_wait_for_event(link);
        following = nullptr;
        if (!event || keyboard.usesXkb() || (event->response_type & 0x7F) != XCB_KEY_RELEASE)
            return event;
        // Without XKB a held key repeats as a release and a press at the
        // same time: the release is dropped, so that the press finds the key
        // still down and counts as a repeat.
        following = nextEventSoon(link);
        if (!following || !isRepeatPress(*event, *following)) return event;
        std::free(event);
    }
}

bool X11Window::switchOutput(const X11Display& display, bool fullscreen, bool managed,
                             std::int32_t width, std::int32_t height)
{
    if (!isOpen() || !link || window == XCB_NONE || xcb_connection_has_error(link)) return false;
    if (managed)
        askForFullscreen(display, fullscreen);
    else
        placeUnmanaged(fullscreen, width, height);
    // A round trip: the change has been made when the caller goes on.
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(link, xcb_get_input_focus(link), nullptr);
    const bool answered = reply != nullptr;
    std::free(reply);
    return answered && !xcb_connection_has_error(link);
}

void X11Window::askForFullscreen(const X11Display& display, bool fullscreen)
{
    // The desktop conventions' request to a window manager: a client message
    // to the root, which only the manager listens for.
    constexpr std::uint32_t REMOVE = 0, ADD = 1, FROM_APPLICATION = 1;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = display.atoms().state;
    message.data.data32[0] = fullscreen ? ADD : REMOVE;
    message.data.data32[1] = display.atoms().stateFullscreen;
    message.data.data32[3] = FROM_APPLICATION;
    xcb_send_event(link, 0, display.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

void X11Window::placeUnmanaged(bool fullscreen, std::int32_t width, std::int32_t height)
{
    // Override-redirect only takes effect when the window is mapped: the
    // window leaves the screen, changes, and comes back.
    xcb_unmap_window(link, window);
    const std::uint32_t overrideRedirect = fullscreen ? 1 : 0;
    xcb_change_window_attributes(link, window, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    const std::uint32_t place[] = {0, 0, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height)};
    xcb_configure_window(link, window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT,
                         place);
    xcb_map_window(link, window);
}

bool X11Window::create(const X11Display& display, const Start& start)
{
    link = xcb_connect(display.name(), nullptr);
    if (xcb_connection_has_error(link)) return false;
    // The keyboard first, so that its events are asked for before any key
    // can reach the window.
    keyboard.attach(link);
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
    // The session's resources live on the root: this connection hears when
    // they change, as the scale may have.
    root = display.root();
    const std::uint32_t rootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(link, root, XCB_CW_EVENT_MASK, &rootEvents);
    blankCursor = makeBlankCursor(display.root());
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
    setTitle(link, window, display, start.shownTitle());
    xcb_icccm_set_wm_class(link, window, sizeof WINDOW_CLASS, WINDOW_CLASS);
    xcb_atom_t deleteWindow = atoms.deleteWindow;
    xcb_icccm_set_wm_protocols(link, window, atoms.protocols, 1, &deleteWindow);
    // The round trip at the end of the window's making covers these.
    xcb_discard_reply(link,
                      setSizeHints(link, window, start.width, start.height, start.limits).sequence);
    if (start.icon && start.iconLength > 0)
        xcb_change_property(link, XCB_PROP_MODE_REPLACE, window, atoms.icon, XCB_ATOM_CARDINAL, 32,
                            static_cast<std::uint32_t>(start.iconLength), start.icon);
    if (start.fullscreen && start.managed) {
        xcb_atom_t state = atoms.stateFullscreen;
        xcb_change_property(link, XCB_PROP_MODE_REPLACE, window, atoms.state, XCB_ATOM_ATOM, 32, 1,
                            &state);
    }
}

xcb_void_cookie_t X11Window::setSizeHints(xcb_connection_t* target, xcb_window_t id,
                                          std::int32_t width, std::int32_t height,
                                          const SizeLimits& limits)
{
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_size(&hints, 0, width, height);
    if (limits.minWidth > 0 && limits.minHeight > 0)
        xcb_icccm_size_hints_set_min_size(&hints, limits.minWidth, limits.minHeight);
    if (limits.maxWidth > 0 && limits.maxHeight > 0)
        xcb_icccm_size_hints_set_max_size(&hints, limits.maxWidth, limits.maxHeight);
    return xcb_icccm_set_wm_normal_hints_checked(target, id, &hints);
}

void X11Window::setTitle(xcb_connection_t* target, xcb_window_t id, const X11Display& display,
                         const char* text)
{
    xcb_icccm_set_wm_name(target, id, XCB_ATOM_STRING, 8, lengthOf(text), text);
    xcb_change_property(target, XCB_PROP_MODE_REPLACE, id, display.atoms().name,
                        display.atoms().utf8String, 8, lengthOf(text), text);
}

bool X11Window::dispatch(const xcb_generic_event_t& event, const X11Display& display,
                         Handler& handler, WindowInput& input)
{
    switch (event.response_type & 0x7F) {
        case XCB_MOTION_NOTIFY: {
            const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
            pointerAt(motion.event_x, motion.event_y, input);
            return true;
        }
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE:
            button(reinterpret_cast<const xcb_button_press_event_t&>(event),
                   (event.response_type & 0x7F) == XCB_BUTTON_PRESS, input);
            return true;
        case XCB_KEY_PRESS:
        case XCB_KEY_RELEASE:
            keyboard.key(input, reinterpret_cast<const xcb_key_press_event_t&>(event),
                         (event.response_type & 0x7F) == XCB_KEY_PRESS);
            return true;
        case XCB_ENTER_NOTIFY: {
            const auto& crossing = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
            if (crossing.mode != XCB_NOTIFY_MODE_NORMAL) return true;
            pointerX = crossing.event_x;
            pointerY = crossing.event_y;
            input.pointerEntered(pointerX, pointerY);
            return true;
        }
        case XCB_LEAVE_NOTIFY:
            if (reinterpret_cast<const xcb_leave_notify_event_t&>(event).mode ==
                XCB_NOTIFY_MODE_NORMAL)
                input.pointerLeft();
            return true;
        case XCB_FOCUS_IN:
        case XCB_FOCUS_OUT:
            focusChanged(reinterpret_cast<const xcb_focus_in_event_t&>(event),
                         (event.response_type & 0x7F) == XCB_FOCUS_IN, input);
            return true;
        case XCB_EXPOSE:
            // The last of a series stands for all of them: the whole window is redrawn.
            if (reinterpret_cast<const xcb_expose_event_t&>(event).count == 0)
                handler.windowExposed();
            return true;
        case XCB_CONFIGURE_NOTIFY:
            configured(reinterpret_cast<const xcb_configure_notify_event_t&>(event), handler,
                       input);
            return true;
        case XCB_PROPERTY_NOTIFY:
            propertyChanged(reinterpret_cast<const xcb_property_notify_event_t&>(event), handler);
            return true;
        case XCB_CLIENT_MESSAGE: {
            const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
            if (message.type == display.atoms().protocols &&
                message.data.data32[0] == display.atoms().deleteWindow)
                input.closeRequested();
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
            keyboard.handle(input, event);
            return true;
    }
}

void X11Window::configured(const xcb_configure_notify_event_t& event, Handler& handler,
                           WindowInput& input)
{
    // A move alone changes nothing for the frame.
    if (event.window != window || (event.width == clientWidth && event.height == clientHeight))
        return;
    clientWidth = event.width;
    clientHeight = event.height;
    handler.windowResized(clientWidth, clientHeight);
    input.resized(clientWidth, clientHeight);
}

void X11Window::propertyChanged(const xcb_property_notify_event_t& event, Handler& handler)
{
    if (event.window == root && event.atom == XCB_ATOM_RESOURCE_MANAGER)
        handler.resourcesChanged(clientWidth, clientHeight);
}

bool X11Window::resizeIfResizable(std::int32_t width, std::int32_t height)
{
    xcb_size_hints_t hints{};
    const bool read = xcb_icccm_get_wm_normal_hints_reply(
        link, xcb_icccm_get_wm_normal_hints(link, window), &hints, nullptr);
    if (!read || (hints.flags & XCB_ICCCM_SIZE_HINT_P_MAX_SIZE)) return false;
    const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height)};
    xcb_configure_window(link, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(link);
    return true;
}

void X11Window::focusChanged(const xcb_focus_in_event_t& event, bool gained, WindowInput& input)
{
    // Grabs moving the focus for a moment (a window manager's key binding)
    // and the notes about the window under the pointer are no change.
    if (event.mode != XCB_NOTIFY_MODE_NORMAL && event.mode != XCB_NOTIFY_MODE_WHILE_GRABBED)
        return;
    if (event.detail == XCB_NOTIFY_DETAIL_POINTER || gained == focused) return;
    focused = gained;
    if (!gained) keyboard.forgetHeldKeys();
    input.focusChanged(gained);
}

void X11Window::pointerAt(std::int16_t x, std::int16_t y, WindowInput& input)
{
    pointerX = x;
    pointerY = y;
    input.pointerMoved(x, y);
}

void X11Window::button(const xcb_button_press_event_t& event, bool down, WindowInput& input)
{
    // A button event carries where it happened: the pointer may have come
    // there without a motion event for this window.
    if (event.event_x != pointerX || event.event_y != pointerY)
        pointerAt(event.event_x, event.event_y, input);
    const xcb_button_t pressed = event.detail;
    if (pressed >= WHEEL_UP && pressed <= WHEEL_RIGHT) {
        // A notch is a press and its release at once; the press is the step.
        if (!down) return;
        static constexpr float STEPS[][2] = {{0, 1}, {0, -1}, {-1, 0}, {1, 0}};
        const float* step = STEPS[pressed - WHEEL_UP];
        input.wheel(step[0], step[1]);
        return;
    }
    std::int32_t number = 0;
    if (pressed >= XCB_BUTTON_INDEX_1 && pressed <= XCB_BUTTON_INDEX_3)
        number = pressed;  // left, middle, right in the same order
    else if (pressed == SIDE_BACK)
        number = BUTTON_BACK;
    else if (pressed == SIDE_FORWARD)
        number = BUTTON_FORWARD;
    if (number) input.pointerButton(number, down);
}

}  // namespace vxr
