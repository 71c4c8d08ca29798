#include "vxr/console/wayland/wayland_window.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <wayland-client.h>

#include "vxr/console/wayland/wayland_connection.h"
#include "fractional-scale-v1-client-protocol.h"
#include "vxr/console/wayland/wayland_proxy.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vxr {
namespace {

// A compositor that has not configured a new window by then never will.
constexpr auto START_LIMIT = std::chrono::seconds(10);
constexpr char APPLICATION_ID[] = "vxr";

WaylandWindow& ownerOf(void* data) { return *static_cast<WaylandWindow*>(data); }

void toplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                       wl_array*)
{
    ownerOf(data).toplevelConfigured(width, height);
}

void toplevelClose(void* data, xdg_toplevel*) { ownerOf(data).closeRequested(); }

void toplevelBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void toplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener TOPLEVEL_LISTENER = {toplevelConfigure, toplevelClose, toplevelBounds,
                                                 toplevelCapabilities};

void surfaceConfigure(void* data, xdg_surface*, std::uint32_t serial)
{
    ownerOf(data).surfaceConfigured(serial);
}

const xdg_surface_listener SURFACE_LISTENER = {surfaceConfigure};

void frameCallbackDone(void* data, wl_callback*, std::uint32_t)
{
    auto& ticket = *static_cast<WaylandWindow::FrameTicket*>(data);
    ticket.window->frameDone(ticket);
}

const wl_callback_listener FRAME_LISTENER = {frameCallbackDone};

void decorationConfigure(void* data, zxdg_toplevel_decoration_v1*, std::uint32_t mode)
{
    ownerOf(data).decorationConfigured(mode);
}

const zxdg_toplevel_decoration_v1_listener DECORATION_LISTENER = {decorationConfigure};

void scalePreferred(void* data, wp_fractional_scale_v1*, std::uint32_t scale120)
{
    ownerOf(data).preferredScale(scale120);
}

const wp_fractional_scale_v1_listener FRACTIONAL_SCALE_LISTENER = {scalePreferred};

}  // namespace

WaylandWindow::~WaylandWindow() { close(); }

bool WaylandWindow::open(WaylandConnection& target, Handler& events, const Start& start)
{
    close();
    connection = &target;
    handler = &events;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        running = false;
        framesRequested = frameAnswered = 0;
        requests = Requests{};
    }
    stopping = false;
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        wakePipe[0] = wakePipe[1] = -1;
        return false;
    }
    // start lives on this stack: the thread uses it only until it signals.
    const bool made = thread.start([this, &start] { run(start); });
    if (!made) close();
    return made;
}

void WaylandWindow::close()
{
    stopping = true;
    if (thread.isStarted()) wake();
    thread.join();
    destroySurface();
    for (int& end : wakePipe) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

void WaylandWindow::destroySurface()
{
    {
        // A frame the compositor never drew (a hidden window) is not coming
        // now, and with the thread ended no listener holds a ticket.
        std::lock_guard<std::mutex> guard(stateLock);
        dropOutstandingFrame();
        freeTickets(true);
    }
    destroyProxy(decoration, zxdg_toplevel_decoration_v1_destroy);
    destroyProxy(fractionalScale, wp_fractional_scale_v1_destroy);
    compositorDecorates = false;
    // The frame's shell surface and its own surfaces go before the content.
    clientFrame.release();
    clientDecorates = false;
    destroyProxy(toplevel, xdg_toplevel_destroy);
    destroyProxy(shellSurface, xdg_surface_destroy);
    destroyProxy(baseSurface, wl_surface_destroy);
    configured = false;
    if (connection && connection->display()) wl_display_flush(connection->display());
}

bool WaylandWindow::isRunning() const
{
    std::lock_guard<std::mutex> guard(stateLock);
    return running;
}

void WaylandWindow::run(const Start& start)
{
    const bool made = create(start) && awaitFirstConfigure();
    signalStarted(made);  // start lives on the opener's stack: not used from here on
    const bool closed = !made || dispatchUntilStopped();
    markEnded();
    if (!closed) handler->displayLost();
    if (made) handler->windowEnded();
}

bool WaylandWindow::create(const Start& start)
{
    requestedWidth = start.width;
    requestedHeight = start.height;
    pendingWidth = pendingHeight = 0;
    baseSurface = wl_compositor_create_surface(connection->compositor());
    if (!baseSurface) return false;
    askForFractionalScale();
    // A compositor that draws frames is asked for one below; elsewhere
    // libdecor frames the window, and maps it with its first commit.
    if (!connection->decorations() && start.clientFrame) {
        const LibdecorFrame::Start framing = {start.shownTitle(), APPLICATION_ID,
                                              start.fullscreen, start.width, start.height};
        clientDecorates = clientFrame.decorate(connection->display(), baseSurface, framing, *this);
    }
    if (clientDecorates) applyLimits(start.limits);
    if (!clientDecorates && !createShellSurface(start)) return false;
    return wl_display_flush(connection->display()) >= 0 || errno == EAGAIN;
}

bool WaylandWindow::createShellSurface(const Start& start)
{
    shellSurface = xdg_wm_base_get_xdg_surface(connection->shell(), baseSurface);
    if (!shellSurface) return false;
    xdg_surface_add_listener(shellSurface, &SURFACE_LISTENER, this);
    toplevel = xdg_surface_get_toplevel(shellSurface);
    if (!toplevel) return false;
    xdg_toplevel_add_listener(toplevel, &TOPLEVEL_LISTENER, this);
    xdg_toplevel_set_title(toplevel, start.shownTitle());
    xdg_toplevel_set_app_id(toplevel, APPLICATION_ID);
    if (start.fullscreen) xdg_toplevel_set_fullscreen(toplevel, nullptr);
    applyLimits(start.limits);
    askForDecorations();
    // The first commit carries no buffer: it asks the compositor to
    // configure the window.
    wl_surface_commit(baseSurface);
    return true;
}

bool WaylandWindow::awaitFirstConfigure()
{
    const auto deadline = std::chrono::steady_clock::now() + START_LIMIT;
    while (!configured) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !dispatchOnce(static_cast<int>(left.count()))) return false;
    }
    return true;
}

bool WaylandWindow::dispatchUntilStopped()
{
    for (;;) {
        // A held key's next repeat is due by then.
        if (!dispatchOnce(connection->millisecondsUntilInputDue())) return false;
        {
            std::lock_guard<std::mutex> guard(stateLock);
            freeTickets(false);
        }
        connection->inputSettled();
        char drained[16];
        while (read(wakePipe[0], drained, sizeof drained) > 0) {
        }
        if (stopping.load()) return true;
        applyRequests();
    }
}

void WaylandWindow::wake()
{
    if (wakePipe[1] < 0) return;
    const char signal = 0;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = write(wakePipe[1], &signal, 1);
}

bool WaylandWindow::dispatchOnce(int timeoutMs)
{
    wl_display* display = connection->display();
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0) return false;
    // What the presenting thread asked for goes out before waiting.
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return false;
    }
    pollfd watched[2] = {{wl_display_get_fd(display), POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    const int ready = poll(watched, 2, timeoutMs);
    if (ready > 0 && (watched[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        if (wl_display_read_events(display) < 0) return false;
    } else {
        wl_display_cancel_read(display);
    }
    return wl_display_dispatch_pending(display) >= 0;
}

void WaylandWindow::signalStarted(bool made)
{
    {
        std::lock_guard<std::mutex> guard(stateLock);
        running = made;
    }
    thread.signalStarted(made);
}

void WaylandWindow::markEnded()
{
    std::lock_guard<std::mutex> guard(stateLock);
    running = false;
    stateChanged.notify_all();
}

template <typename Change>
void WaylandWindow::request(Change change)
{
    {
        std::lock_guard<std::mutex> guard(stateLock);
        if (!running) return;
        change(requests);
    }
    wake();
}

void WaylandWindow::setTitle(const char* text)
{
    request([text](Requests& asked) {
        asked.title = true;
        std::snprintf(asked.titleText, sizeof asked.titleText, "%s", text ? text : "");
    });
}

void WaylandWindow::setFullscreen(bool wanted)
{
    request([wanted](Requests& asked) {
        asked.output = true;
        asked.fullscreen = wanted;
    });
}

void WaylandWindow::setSizeLimits(const SizeLimits& limits)
{
    request([&limits](Requests& asked) {
        asked.limited = true;
        asked.limits = limits;
    });
}

void WaylandWindow::applyLimits(const SizeLimits& limits)
{
    if (clientDecorates) {
        clientFrame.setSizeLimits(limits.minWidth, limits.minHeight, limits.maxWidth,
                                  limits.maxHeight);
    } else if (toplevel) {
        xdg_toplevel_set_min_size(toplevel, limits.minWidth, limits.minHeight);
        xdg_toplevel_set_max_size(toplevel, limits.maxWidth, limits.maxHeight);
    }
}

void WaylandWindow::applyRequests()
{
    Requests taken;
    {
        std::lock_guard<std::mutex> guard(stateLock);
        taken = requests;
        requests = Requests{};
    }
    if (taken.title && clientDecorates)
        clientFrame.setTitle(taken.titleText);
    else if (taken.title && toplevel)
        xdg_toplevel_set_title(toplevel, taken.titleText);
    if (taken.output && clientDecorates)
        clientFrame.setFullscreen(taken.fullscreen);
    else if (taken.output && taken.fullscreen && toplevel)
        xdg_toplevel_set_fullscreen(toplevel, nullptr);
    else if (taken.output && toplevel)
        xdg_toplevel_unset_fullscreen(toplevel);
    if (taken.limited) {
        applyLimits(taken.limits);
        handler->windowStateSet();
    }
}

void WaylandWindow::toplevelConfigured(std::int32_t width, std::int32_t height)
{
    pendingWidth = width;
    pendingHeight = height;
}

void WaylandWindow::surfaceConfigured(std::uint32_t serial)
{
    xdg_surface_ack_configure(shellSurface, serial);
    configured = true;
    // Zero leaves the size to the client: the one it asked for.
    const std::int32_t width = pendingWidth > 0 ? pendingWidth : requestedWidth;
    const std::int32_t height = pendingHeight > 0 ? pendingHeight : requestedHeight;
    // Said outright, the window's extent does not depend on the frame's
    // child surface, whose new place and size apply with its own commit,
    // after the window's: the compositor would take the old child's
    // outline for the window's.
    if (width > 0 && height > 0) xdg_surface_set_window_geometry(shellSurface, 0, 0, width, height);
    handler->windowConfigured(width, height);
}

void WaylandWindow::frameConfigured(std::int32_t width, std::int32_t height)
{
    configured = true;
    handler->windowConfigured(width, height);
}

void WaylandWindow::frameCommitNeeded()
{
    wl_surface_commit(baseSurface);
}

void WaylandWindow::askForDecorations()
{
    // A window the compositor frames looks like its neighbours, and the
    // frame area keeps every pixel. Asked before the first commit, as the
    // protocol requires.
    zxdg_decoration_manager_v1* manager = connection->decorations();
    if (!manager) return;
    decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(manager, toplevel);
    if (!decoration) return;
    zxdg_toplevel_decoration_v1_add_listener(decoration, &DECORATION_LISTENER, this);
    zxdg_toplevel_decoration_v1_set_mode(decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
}

void WaylandWindow::askForFractionalScale()
{
    wp_fractional_scale_manager_v1* manager = connection->fractionalScales();
    if (!manager || !connection->viewporter()) return;
    fractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(manager, baseSurface);
    if (fractionalScale)
        wp_fractional_scale_v1_add_listener(fractionalScale, &FRACTIONAL_SCALE_LISTENER, this);
}

void WaylandWindow::decorationConfigured(std::uint32_t mode)
{
    compositorDecorates = mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE;
}

void WaylandWindow::closeRequested() { handler->windowCloseRequested(); }

std::uint64_t WaylandWindow::requestFrame(wl_surface* content)
{
    std::lock_guard<std::mutex> guard(stateLock);
    if (outstandingFrame && outstandingFor == content) return outstandingFrame;
    // The frame moved to another surface (the stage came or went): the old
    // one's callback may never come.
    dropOutstandingFrame();
    if (!content || !running) return 0;
    auto* ticket = new (std::nothrow) FrameTicket;
    if (!ticket) return 0;
    ticket->callback = wl_surface_frame(content);
    if (!ticket->callback) {
        delete ticket;
        return 0;
    }
    ticket->window = this;
    ticket->number = ++framesRequested;
    ticket->next = tickets;
    tickets = ticket;
    wl_callback_add_listener(ticket->callback, &FRAME_LISTENER, ticket);
    outstandingFrame = ticket->number;
    outstandingFor = content;
    return outstandingFrame;
}

void WaylandWindow::dropOutstandingFrame()
{
    // Under stateLock: a listener for the dropped callback that is already
    // running finds its ticket without a callback and leaves it alone.
    for (FrameTicket* ticket = tickets; ticket; ticket = ticket->next)
        if (ticket->number == outstandingFrame) destroyTicket(*ticket);
    outstandingFrame = 0;
    outstandingFor = nullptr;
}

void WaylandWindow::destroyTicket(FrameTicket& ticket)
{
    if (ticket.callback) wl_callback_destroy(ticket.callback);
    ticket.callback = nullptr;
}

void WaylandWindow::freeTickets(bool everything)
{
    FrameTicket** link = &tickets;
    while (FrameTicket* ticket = *link) {
        if (!everything && ticket->callback) {
            link = &ticket->next;
            continue;
        }
        destroyTicket(*ticket);
        *link = ticket->next;
        delete ticket;
    }
}

void WaylandWindow::frameDone(FrameTicket& ticket)
{
    std::lock_guard<std::mutex> guard(stateLock);
    if (!ticket.callback) return;
    // Freed after this dispatch, with the others whose callbacks are gone.
    destroyTicket(ticket);
    if (ticket.number != outstandingFrame) return;
    outstandingFrame = 0;
    outstandingFor = nullptr;
    frameAnswered = ticket.number;
    stateChanged.notify_all();
}

bool WaylandWindow::waitFrame(std::uint64_t serial, std::chrono::milliseconds limit)
{
    if (serial == 0) return false;
    std::unique_lock<std::mutex> guard(stateLock);
    const bool answered = stateChanged.wait_for(
        guard, limit, [this, serial] { return frameAnswered >= serial || !running; });
    if (frameAnswered >= serial) return true;
    if (answered) return false;  // the window ended
    // Kept waiting for, an unanswered callback would make every later wait
    // run into the limit as well.
    if (outstandingFrame == serial) dropOutstandingFrame();
    return false;
}

}  // namespace vxr
