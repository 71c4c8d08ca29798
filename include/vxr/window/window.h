#pragma once

/// @file
/// Window, a frame to draw into and the events of the window showing it.

#include <cstdint>
#include <memory>
#include <optional>

#include "vxr/console/console_front_end.h"
#include "vxr/console/event.h"
#include "vxr/console/presentation.h"
#include "vxr/last_error.h"
#include "vxr/window/frame_lock.h"
#include "vxr/window/window_options.h"

namespace vxr {

class Surface;

/// A window with a frame to draw into: it opens the first console that
/// works, makes the frame surface on it, and reads its events.
///
///     vxr::Window window({.title = "hello"});
///     if (!window.isOpen()) return std::fprintf(stderr, "%s\n", window.error()), 1;
///     { vxr::FrameLock pixels = window.lock(); /* draw */ }
///     window.present();
///     for (vxr::Event event; window.waitEvent(event);) { /* ... */ }
class Window {
public:
    /// Opens the first console that works, in a display mode near the
    /// frame's depth, and makes the frame; check isOpen(), and error() when
    /// it did not open.
    explicit Window(const WindowOptions& options = {});
    /// Frees the frame, then closes the console.
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    /// True from a successful open until a Close event has been read (or the
    /// window went away).
    bool isOpen() const { return opened && !closed; }
    /// Why the window did not open; "" when it did.
    const char* error() const { return reason; }

    /// The frame's width in pixels, as the options asked.
    std::int32_t width() const { return frameWidth; }
    /// The frame's height in pixels, as the options asked.
    std::int32_t height() const { return frameHeight; }
    /// The frame, for what the window layer does not cover; only while the
    /// window opened.
    Surface& frame() { return *surface; }
    /// The console showing the frame; a console without a display when the
    /// window did not open.
    Console& console() { return *display.current(); }

    /// Locks the frame for drawing until the lock goes out of scope.
    FrameLock lock();
    /// Shows the frame; false when it could not be shown. With true it first
    /// waits for the next refresh of the display showing the window, so a
    /// loop of present(true) runs at the display's rate (50, 75, 120 or
    /// 144 Hz), where the console can wait for one.
    bool present(bool waitForRetrace = false);
    /// When the last presented frame reached the screen and the display's
    /// refresh interval, as the platform reported them; empty until one is
    /// reported, and where the platform does not tell. Read after a present
    /// it may still tell of the frame before.
    std::optional<Presentation> lastPresentation();
    /// Shows pixels the program keeps itself, in the frame's size and format
    /// (the frame lock is not used): line y starts at pixels + y * pitch.
    /// The window copies them once, as it shows them, and does not read
    /// them after it returns; for emulators and engines that keep their own
    /// frame. False, with the reason in lastError() and nothing shown, for
    /// null pixels or a pitch shorter than a line (a negative one too).
    bool present(const void* pixels, std::int64_t pitch);
    /// Sets the window's title; false when the window did not open or the
    /// title could not be shown.
    bool setTitle(const char* title);
    /// The scale of the screen the window is on: physical pixels per
    /// logical one (1.5 on a 144-DPI monitor), which the window opened at
    /// and shows the frame at, sharp. A change is followed by a Resize
    /// event; mouse positions stay in frame pixels. 1 where the platform
    /// does not tell, or the window did not open.
    double scale() { return opened ? console().scale() : 1.0; }
    /// Changes how the frame is stretched to the window (Sharp, Integer,
    /// Stretch, or Compositor where the console offers one) from the next
    /// present on; the mouse maps through the new placement at once. False,
    /// with the reason in lastError() and the old way kept, where the
    /// console does not scale that way, for Default (which names no way)
    /// and when the window did not open.
    bool setScaling(WindowOptions::Scaling scaling);

    /// The next event without waiting; false when none is waiting.
    bool pollEvent(Event& event);
    /// Waits up to timeoutMilliseconds (negative: no limit) for an event;
    /// false when none came or the window has gone.
    bool waitEvent(Event& event, int timeoutMilliseconds = -1);
    /// Whether key is held now, as the window's events last said.
    bool keyDown(Key key);
    /// The pointer's last position and the buttons held; all zero for a
    /// window that did not open.
    MouseState mouse();

private:
    bool fail(const char* what);
    bool take(bool got, const Event& event);

    ConsoleFrontEnd display;
    std::unique_ptr<Surface> surface;
    // Stands for the program's own pixels while present() shows them.
    std::unique_ptr<Surface> programPixels;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    bool opened = false;
    bool closed = false;
    char reason[LAST_ERROR_CAPACITY] = {};
};

}  // namespace vxr
