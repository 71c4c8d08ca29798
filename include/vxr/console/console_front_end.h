#pragma once

/// @file
/// ConsoleFrontEnd, which finds a console that works here.

#include "vxr/console/console.h"

namespace vxr {

/// What an application holds instead of a concrete display: it opens the
/// first console kind that works here, owns it, and shows fatal errors after
/// taking the display down. While nothing is open it holds the null console,
/// so callers never meet a null pointer.
class ConsoleFrontEnd {
public:
    /// Makes a new console of one kind, counted from 0, for the front end
    /// to own; null past the last kind or when memory runs out.
    using ConsoleMaker = Console* (*)(int consoleKind);

    /// Opens as open() does, trying the kinds maker makes (null: makeConsole);
    /// check isOpen().
    ConsoleFrontEnd(int width, int height, int request, int output, int parameter, int variant,
                    ConsoleMaker maker = makeConsole);
    /// Closes and deletes the open console.
    ~ConsoleFrontEnd();
    ConsoleFrontEnd(const ConsoleFrontEnd&) = delete;
    ConsoleFrontEnd& operator=(const ConsoleFrontEnd&) = delete;

    /// Closes what is open, then makes each kind from 0 on and opens the
    /// first that is ok() and takes the request (as Console::open); 1 when
    /// one opened, 0 when the kinds ran out.
    int open(int width, int height, int request, int output, int parameter, int variant);
    /// Deletes the open console; the null console stands in again.
    void close();
    /// Shows message to the user: a message box on Windows, a line on
    /// standard error elsewhere (in a browser also the page's error notice). Closes the display first, so the notice is
    /// seen even after a full-screen mode change; returns what the notice
    /// returned (elsewhere 1 when the line was written).
    int showError(const char* message);

    /// The open console, owned by the front end; the null console, never
    /// null, while none is open.
    Console* current() const { return currentConsole; }
    /// True while a console is open.
    bool isOpen() const;

    /// The kinds this platform has: on Windows 0: DirectDraw, 1: GDI; on
    /// Linux desktops 0: Wayland, 1: X11 (each where the build has it); in
    /// a browser 0: the page's canvas; the
    /// rest up to 4: placeholders that never open. Null past them or when
    /// memory runs out.
    static Console* makeConsole(int consoleKind);

private:
    Console* currentConsole;
    ConsoleMaker makeKind;
};

}  // namespace vxr
