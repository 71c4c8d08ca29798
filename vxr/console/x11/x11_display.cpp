#include "vxr/console/x11/x11_display.h"

#include <poll.h>
#include <xcb/present.h>
#include <xcb/shm.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "vxr/console/core/presentation_record.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// How long a server may take to finish one image before it is taken to be
// gone: far beyond any real frame, short enough that nothing seems hung.
constexpr auto COMPLETION_LIMIT = std::chrono::milliseconds(2000);
// Several frames at any real refresh rate; a retrace that takes longer is
// not coming.
constexpr auto RETRACE_LIMIT = std::chrono::milliseconds(250);
constexpr int POLL_SLICE_MS = 5;
constexpr std::uint32_t REQUEST_HEADER_BYTES = 32;
// The serials of frames' reports have the top bit set, those of retraces
// not, so that one look at a report says what it stands for.
constexpr std::uint32_t FRAME_SERIAL_BIT = 0x80000000u;
// Frames presented while a report is still to come before it is taken as
// lost: several refreshes' worth of frames at any rate that needs the saving.
constexpr int FRAMES_BEFORE_ASKING_AGAIN = 240;
// The Present extension's times are microseconds of CLOCK_MONOTONIC; a
// time this large would not fit in nanoseconds.
constexpr std::uint64_t LARGEST_UST = static_cast<std::uint64_t>(INT64_MAX) / 1000;

std::uint32_t swapBytes(std::uint32_t value)
{
    return (value >> 24) | (value >> 8 & 0xFF00u) | (value << 8 & 0xFF0000u) | (value << 24);
}

// The mask's top 8 bits: the converters write channels of up to 8 bits, so
// a wider channel (a 30-bit visual's 10) gets its top bits, the rest 0.
std::uint32_t topEightBits(std::uint32_t mask)
{
    const Channel channel = PixelFormat::analyseMask(mask);
    if (channel.size <= 8) return mask;
    return mask & ~((std::uint32_t{1} << (channel.shift + channel.size - 8)) - 1u);
}

bool channelsFit(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    for (std::uint32_t mask : {red, green, blue})
        if (PixelFormat::analyseMask(mask).size < 1) return false;
    return true;
}

xcb_atom_t replyAtom(xcb_connection_t* link, xcb_intern_atom_cookie_t cookie)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(link, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

xcb_window_t windowProperty(xcb_connection_t* link, xcb_window_t window, xcb_atom_t property)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        link, xcb_get_property(link, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t value = XCB_NONE;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
    std::free(reply);
    return value;
}

}  // namespace

X11Display::X11Display()
{
    const char* given = namedServer("DISPLAY", "X display");
    if (!given) return;
    if (std::strlen(given) >= sizeof displayName) {
        setLastError("the X display name in DISPLAY is too long");
        return;
    }
    std::strcpy(displayName, given);
    int screenNumber = 0;
    link = xcb_connect(displayName, &screenNumber);
    const int failure = xcb_connection_has_error(link);
    if (failure || !readScreen(screenNumber)) {
        if (failure)
            setLastError("could not connect to the X display '%s': %s", displayName,
                         connectionFailure(failure));
        else
            setLastError("the X display '%s' has no screen %d in a visual the library can "
                         "draw into (class %d, depth %d)",
                         displayName, screenNumber, rootVisualClass, rootDepth);
        xcb_disconnect(link);
        link = nullptr;
        return;
    }
    readExtensions();
    internAtoms();
}

X11Display::~X11Display()
{
    if (link) xcb_disconnect(link);
}

bool X11Display::isUsable() const
{
    return link && !xcb_connection_has_error(link);
}

bool X11Display::readScreen(int screenNumber)
{
    const xcb_setup_t* setup = xcb_get_setup(link);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) return false;
    const xcb_screen_t& screen = *screens.data;
    rootWindow = screen.root;
    rootVisual = screen.root_visual;
    rootDepth = screen.root_depth;
    widthInPixels = screen.width_in_pixels;
    heightInPixels = screen.height_in_pixels;
    black = screen.black_pixel;

    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem;
         xcb_format_next(&f)) {
        if (f.data->depth != rootDepth) continue;
        bitsPerPixel = f.data->bits_per_pixel;
        scanlinePad = f.data->scanline_pad;
    }
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(&screen); d.rem;
         xcb_depth_next(&d)) {
        for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
             xcb_visualtype_next(&v)) {
            if (v.data->visual_id != rootVisual) continue;
            rootVisualClass = v.data->_class;
            rootVisualType = *v.data;
            pixelFormat = formatOf(*v.data, rootDepth, bitsPerPixel, setup->image_byte_order);
        }
    }
    const std::uint64_t largest = std::uint64_t{xcb_get_maximum_request_length(link)} * 4;
    largestRequest = static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(largest, 2 * REQUEST_HEADER_BYTES, UINT32_MAX) -
        REQUEST_HEADER_BYTES);
    return bitsPerPixel > 0 && scanlinePad > 0 && scanlinePad % 8 == 0 && pixelFormat.bytes > 0;
}

const char* X11Display::connectionFailure(int code)
{
    switch (code) {
        case XCB_CONN_CLOSED_EXT_NOTSUPPORTED: return "an extension it needs is missing";
        case XCB_CONN_CLOSED_MEM_INSUFFICIENT: return "out of memory";
        case XCB_CONN_CLOSED_REQ_LEN_EXCEED: return "a request was too long";
        case XCB_CONN_CLOSED_PARSE_ERR: return "the name in DISPLAY cannot be read";
        case XCB_CONN_CLOSED_INVALID_SCREEN: return "it has no such screen";
        default: return "no server answers there, or it refused the connection";
    }
}

void X11Display::readExtensions()
{
    // A server that has MIT-SHM may still be unable to reach this process's
    // memory (a remote display): each image finds that out when it attaches.
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(link, &xcb_shm_id);
    sharedMemory = shm && shm->present;
    if (sharedMemory) completionEvent = shm->first_event + XCB_SHM_COMPLETION;
    const xcb_query_extension_reply_t* present = xcb_get_extension_data(link, &xcb_present_id);
    presentExtension = present && present->present;
    if (presentExtension) presentOpcode = present->major_opcode;
    // Not failures: the console works without them, and says how.
    if (!sharedMemory)
        setLastError("the X server offers no MIT-SHM: frames go to it through the connection");
    else if (!presentExtension)
        setLastError("the X server offers no Present extension: waitRetrace returns at once");
}

void X11Display::internAtoms()
{
    struct Wanted {
        const char* text;
        xcb_atom_t* atom;
        xcb_intern_atom_cookie_t cookie;
    } wanted[] = {{"WM_PROTOCOLS", &names.protocols, {}},
                  {"WM_DELETE_WINDOW", &names.deleteWindow, {}},
                  {"_NET_WM_NAME", &names.name, {}},
                  {"UTF8_STRING", &names.utf8String, {}},
                  {"_NET_WM_ICON", &names.icon, {}},
                  {"_NET_WM_STATE", &names.state, {}},
                  {"_NET_WM_STATE_FULLSCREEN", &names.stateFullscreen, {}},
                  {"_NET_SUPPORTING_WM_CHECK", &names.supportingCheck, {}}};
    // All requests first, then all replies: one round trip instead of eight.
    for (Wanted& item : wanted)
        item.cookie =
            xcb_intern_atom(link, 0, static_cast<std::uint16_t>(std::strlen(item.text)), item.text);
    for (Wanted& item : wanted) *item.atom = replyAtom(link, item.cookie);
}

PixelFormat X11Display::formatOf(const xcb_visualtype_t& visual, std::uint8_t depth,
                                 std::int32_t bitsPerPixel, std::uint8_t imageByteOrder)
{
    if (visual._class == XCB_VISUAL_CLASS_PSEUDO_COLOR && depth == 8 && bitsPerPixel == 8)
        return PixelFormat(INDEX8);
    // A DirectColor visual lays its pixels out as TrueColor does; its
    // colormap is made to show them the same way.
    if (visual._class != XCB_VISUAL_CLASS_TRUE_COLOR &&
        visual._class != XCB_VISUAL_CLASS_DIRECT_COLOR)
        return {};
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return {};
    std::uint32_t red = visual.red_mask, green = visual.green_mask, blue = visual.blue_mask;
    if (!channelsFit(red, green, blue)) return {};
    const std::uint32_t pixelMask =
        bitsPerPixel == 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << bitsPerPixel) - 1u;
    // From the full masks: the low bits of a wide channel are colour, not alpha.
    std::uint32_t alpha = pixelMask & ~(red | green | blue);
    red = topEightBits(red);
    green = topEightBits(green);
    blue = topEightBits(blue);
    if (imageByteOrder != XCB_IMAGE_ORDER_LSB_FIRST) {
        // Only whole 32-bit pixels can be described with their bytes turned.
        if (bitsPerPixel != 32) return {};
        red = swapBytes(red);
        green = swapBytes(green);
        blue = swapBytes(blue);
        alpha = swapBytes(alpha);
    }
    PixelFormat format;
    format.setMasks(red, green, blue, alpha, RGB, bitsPerPixel);
    return format;
}

PixelFormat X11Display::frameFormat() const
{
    // Surfaces need a format of the library's table; a visual whose layout
    // is not one gets frames in the table format of its pixel size, which
    // the presenter converts to the visual's own.
    if (pixelFormat.isValid() || !pixelFormat.bytes) return pixelFormat;
    switch (pixelFormat.bytes) {
        case 1: return PixelFormat(RGB332);
        case 2: return PixelFormat(RGB565);
        case 3: return PixelFormat(RGB888);
        default: return PixelFormat(ARGB8888);
    }
}

std::int64_t X11Display::imageStride(std::int32_t width) const
{
    if (width < 0 || bitsPerPixel <= 0) return -1;
    const std::int64_t bits = std::int64_t{width} * bitsPerPixel;
    const std::int64_t padded = (bits + scanlinePad - 1) / scanlinePad * scanlinePad;
    const std::int64_t stride = padded / 8;
    return stride <= INT32_MAX ? stride : -1;
}

bool X11Display::hasWindowManager() const
{
    if (!isUsable() || names.supportingCheck == XCB_NONE) return false;
    // The root names a window that names itself, as long as the manager runs.
    const xcb_window_t check = windowProperty(link, rootWindow, names.supportingCheck);
    return check != XCB_NONE && windowProperty(link, check, names.supportingCheck) == check;
}

void X11Display::noteEvent(const xcb_generic_event_t& event)
{
    // An error ends its request as surely as a completion does, and both
    // arrive in request order.
    const std::uint8_t type = event.response_type & 0x7F;
    if (type == XCB_GE_GENERIC) {
        const auto& notice = reinterpret_cast<const xcb_present_complete_notify_event_t&>(event);
        if (notice.extension == presentOpcode && notice.event_type == XCB_PRESENT_COMPLETE_NOTIFY)
            notePresentEvent(notice);
        return;
    }
    const bool finishesRequest = type == 0 || (completionEvent != 0 && type == completionEvent);
    if (finishesRequest && static_cast<std::int32_t>(event.full_sequence - completedThrough) > 0)
        completedThrough = event.full_sequence;
}

void X11Display::notePresentEvent(const xcb_present_complete_notify_event_t& notice)
{
    if (!(notice.serial & FRAME_SERIAL_BIT)) {
        lastRetrace = notice.serial;
        return;
    }
    if (notice.serial == (frameSerial | FRAME_SERIAL_BIT)) frameReportPending = false;
    // A server may report nonsense; a time that does not fit is no report.
    if (notice.kind != XCB_PRESENT_COMPLETE_KIND_NOTIFY_MSC || notice.window != shownWindow ||
        !presentations || notice.ust == 0 || notice.ust > LARGEST_UST)
        return;
    const std::int64_t time = static_cast<std::int64_t>(notice.ust) * 1000;
    presentations->record(time, notice.msc);
}

void X11Display::recordFramesOf(xcb_window_t window)
{
    shownWindow = window;
    frameReportPending = false;
}

std::uint32_t X11Display::askForNextRefresh(xcb_window_t window, Refresh meaning)
{
    std::uint32_t serial = 0;
    if (meaning == Refresh::FrameShown) {
        // A report still to come is of the refresh that shows this frame
        // too: frames faster than the display ask once a refresh, not once
        // a frame. One that never comes is asked again after a while.
        if (frameReportPending && ++framesSinceAsked < FRAMES_BEFORE_ASKING_AGAIN) return 0;
        frameReportPending = true;
        framesSinceAsked = 0;
        serial = ++frameSerial | FRAME_SERIAL_BIT;
    } else {
        // Serial 0 would be the retrace seen before any was asked for.
        do serial = ++retraceSerial & ~FRAME_SERIAL_BIT;
        while (serial == 0);
    }
    // The next refresh of the window's screen: target 0 with divisor 1.
    xcb_present_notify_msc(link, window, serial, 0, 1, 0);
    return serial;
}

void X11Display::takeArrivedEvents()
{
    if (!link) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(link)) {
        noteEvent(*event);
        std::free(event);
    }
}

bool X11Display::isCompleted(std::uint32_t sequence) const
{
    return static_cast<std::int32_t>(sequence - completedThrough) <= 0;
}

template <class Condition>
bool X11Display::waitUntil(Condition reached, std::chrono::milliseconds limit)
{
    if (!link) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // What has been read already first: most often the answer is there.
    noteQueuedEvents();
    while (!reached()) {
        if (xcb_connection_has_error(link) || std::chrono::steady_clock::now() > deadline)
            return false;
        // Sliced, since a reply read on another thread may take the event off
        // the socket before this poll sees it.
        pollfd socket{xcb_get_file_descriptor(link), POLLIN, 0};
        poll(&socket, 1, POLL_SLICE_MS);
        // One read takes all that has come; the rest is in the queue.
        if (xcb_generic_event_t* event = xcb_poll_for_event(link)) {
            noteEvent(*event);
            std::free(event);
            noteQueuedEvents();
        }
    }
    return true;
}

void X11Display::noteQueuedEvents()
{
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(link)) {
        noteEvent(*event);
        std::free(event);
    }
}

bool X11Display::waitForCompletion(std::uint32_t sequence)
{
    return waitUntil([&] { return isCompleted(sequence); }, COMPLETION_LIMIT);
}

bool X11Display::waitForRetrace(std::uint32_t serial)
{
    return waitUntil([&] { return lastRetrace == serial; }, RETRACE_LIMIT);
}

}  // namespace vxr
