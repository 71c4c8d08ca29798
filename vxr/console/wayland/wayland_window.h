#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "vxr/console/wayland/libdecor_frame.h"
#include "vxr/console/desktop/window_start.h"
#include "vxr/console/desktop/window_thread.h"

struct wl_callback;
struct wl_surface;
struct xdg_surface;
struct xdg_toplevel;
struct wp_fractional_scale_v1;
struct zxdg_toplevel_decoration_v1;

namespace vxr {

class WaylandConnection;

// A toplevel surface on the desktop shell, and the thread that dispatches
// the connection's events while it is open. The thread makes the surface,
// waits for the compositor's first configure, signals the opener, and then
// dispatches until the window is closed or the compositor goes away.
//
// Where the compositor draws window frames, it is asked to; elsewhere
// libdecor draws one around the surface when it is installed; failing
// both, the window has none.
class WaylandWindow : private LibdecorFrame::Listener {
public:
    // What the window thread reports, on that thread.
    class Handler {
    public:
        // The surface is there and the compositor has settled its size, in
        // surface coordinates; a frame of that size may be committed now.
        virtual void windowConfigured(std::int32_t width, std::int32_t height) = 0;
        virtual void windowCloseRequested() = 0;
        // The connection failed while the window was open: the compositor
        // is gone. Comes once, before windowEnded.
        virtual void displayLost() = 0;
        // The loop has ended: the window was closed or the compositor is gone.
        virtual void windowEnded() = 0;
        // The window's own state changed (its size limits) and takes effect
        // with a commit of its surface, made under the console's lock.
        virtual void windowStateSet() = 0;
        // The compositor prefers the window's buffers at this many pixels a
        // surface unit, in 120ths (180: 1.5); where it says so, buffers are
        // sized by it and a viewport gives their size in units.
        virtual void windowScaled(std::uint32_t scale120) = 0;

    protected:
        ~Handler() = default;
    };

    // How small and large the user may make the window, in surface units;
    // 0 leaves a side unlimited.
    struct SizeLimits {
        std::int32_t minWidth = 0;
        std::int32_t minHeight = 0;
        std::int32_t maxWidth = 0;
        std::int32_t maxHeight = 0;
    };

    // The size asked for is used while the compositor leaves it to us.
    struct Start : WindowStart {
        SizeLimits limits;
        // Whether libdecor may frame the window where the compositor does not.
        bool clientFrame = true;
    };

    WaylandWindow() = default;
    ~WaylandWindow();
    WaylandWindow(const WaylandWindow&) = delete;
    WaylandWindow& operator=(const WaylandWindow&) = delete;

    // Closes any window first. Returns once the first configure has been
    // handled, or the window failed.
    bool open(WaylandConnection& connection, Handler& handler, const Start& start);
    // Ends the thread, then destroys the surface.
    void close();

    bool isOpen() const { return thread.isStarted(); }
    // Whether the thread still dispatches: false once the compositor is gone.
    bool isRunning() const;
    wl_surface* surface() const { return baseSurface; }
    // Both are carried out on the window thread, which owns the frame.
    void setTitle(const char* text);
    // Asks the compositor to show the window over its whole output or as a
    // window again; its configure brings the new size.
    void setFullscreen(bool wanted);
    // Gives the window new size limits, carried out on the window thread.
    void setSizeLimits(const SizeLimits& limits);
    // Whether the compositor said it draws the window's frame itself.
    bool isDecoratedByCompositor() const { return compositorDecorates.load(); }
    // Whether libdecor draws the window's frame.
    bool isDecoratedByClient() const { return clientDecorates.load(); }

    // Asks for the next frame callback of content, the window's surface or
    // a child of it whose content changes (one at most is outstanding: a
    // second request for the same surface shares it); the caller commits
    // content. The result is the number waitFrame waits for, 0 when none
    // could be made.
    std::uint64_t requestFrame(wl_surface* content);
    // Whether frame callback number serial, or a later one, arrived within
    // the limit. One that did not is given up, so that the next request
    // asks again: a compositor need not answer for a surface it did not
    // draw.
    bool waitFrame(std::uint64_t serial, std::chrono::milliseconds limit);

    // A frame callback's user data: its number, which its answer is
    // matched by (a callback's address may come again for a later one).
    struct FrameTicket {
        WaylandWindow* window = nullptr;
        std::uint64_t number = 0;
        // Null once destroyed.
        wl_callback* callback = nullptr;
        FrameTicket* next = nullptr;
    };

    // Called from the protocol listeners, on the window thread.
    void toplevelConfigured(std::int32_t width, std::int32_t height);
    void surfaceConfigured(std::uint32_t serial);
    void closeRequested();
    void frameDone(FrameTicket& ticket);
    void decorationConfigured(std::uint32_t mode);
    void preferredScale(std::uint32_t scale120) { handler->windowScaled(scale120); }

private:
    void frameConfigured(std::int32_t width, std::int32_t height) override;
    void frameCloseRequested() override { closeRequested(); }
    void frameCommitNeeded() override;
    void run(const Start& start);
    bool create(const Start& start);
    bool createShellSurface(const Start& start);
    void askForDecorations();
    // Where the compositor offers fractional scales and viewports to show
    // them with: its preferred scale for the surface, from now on.
    void askForFractionalScale();
    // To the shell's toplevel, or libdecor's frame, for the next commit.
    void applyLimits(const SizeLimits& limits);
    // Wakes the thread: to stop, or to carry out what was asked.
    void wake();
    // Notes what change asks for, under stateLock, for the running thread
    // to carry out; nothing once it has ended.
    template <typename Change>
    void request(Change change);
    void applyRequests();
    bool awaitFirstConfigure();
    // True when close() stopped it, false when the connection failed.
    bool dispatchUntilStopped();
    // One pass: read what the compositor sent, waiting up to timeoutMs
    // (-1: no limit); false once the connection has failed.
    bool dispatchOnce(int timeoutMs);
    void signalStarted(bool made);
    void markEnded();
    void destroySurface();

    WaylandConnection* connection = nullptr;
    Handler* handler = nullptr;
    WindowThread thread;
    // Written to wake the thread from its wait on the compositor.
    int wakePipe[2] = {-1, -1};

    wl_surface* baseSurface = nullptr;
    xdg_surface* shellSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zxdg_toplevel_decoration_v1* decoration = nullptr;
    wp_fractional_scale_v1* fractionalScale = nullptr;
    std::atomic<bool> compositorDecorates{false};
    LibdecorFrame clientFrame;
    std::atomic<bool> clientDecorates{false};
    std::atomic<bool> stopping{false};
    std::int32_t requestedWidth = 0;
    std::int32_t requestedHeight = 0;
    std::int32_t pendingWidth = 0;
    std::int32_t pendingHeight = 0;
    bool configured = false;

    // Taken after the console's presentLock where both are (a frame is
    // asked for under it), and never held while the handler is called.
    mutable std::mutex stateLock;
    std::condition_variable stateChanged;
    bool running = false;
    std::uint64_t framesRequested = 0;
    // The number of the last callback answered.
    std::uint64_t frameAnswered = 0;
    // The callback waited for, by number (0: none), and its surface.
    std::uint64_t outstandingFrame = 0;
    wl_surface* outstandingFor = nullptr;
    // Every ticket not yet freed. One whose callback the program's thread
    // destroyed may still be in the window thread's hands, in a listener
    // that has not yet taken stateLock: it is freed by the window thread
    // between dispatches, or once the thread has ended.
    FrameTicket* tickets = nullptr;
    void dropOutstandingFrame();
    void destroyTicket(FrameTicket& ticket);
    // Frees the tickets whose callbacks are gone; all of them with
    // everything, once no listener can run.
    void freeTickets(bool everything);

    // What the program asked for since the thread last looked, under stateLock.
    struct Requests {
        bool title = false;
        char titleText[1024] = {};
        bool output = false;
        bool fullscreen = false;
        bool limited = false;
        SizeLimits limits;
    } requests;
};

}  // namespace vxr
