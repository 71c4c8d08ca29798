#pragma once

#include "vxr/console/console.h"

namespace vxr {

/// What an application holds instead of a concrete display: it opens the
/// first console kind that works here, owns it, and shows fatal errors after
/// taking the display down. While nothing is open it holds the null console,
/// so callers never meet a null pointer.
class ConsoleFrontEnd {
public:
    /// Makes the console of one kind (on Windows 0: DirectDraw, 1: GDI; on
    /// Linux desktops 0: Wayland, 1: X11; the rest up to 4: placeholders); null past the
    /// last kind or when memory runs out.
    using ConsoleMaker = Console* (*)(int consoleKind);

    ConsoleFrontEnd(int width, int height, int request, int output, int parameter, int variant,
                    ConsoleMaker maker = makeConsole);
    ~ConsoleFrontEnd();
    ConsoleFrontEnd(const ConsoleFrontEnd&) = delete;
    ConsoleFrontEnd& operator=(const ConsoleFrontEnd&) = delete;

    int open(int width, int height, int request, int output, int parameter, int variant);
    void close();
    /// Closes the display first, so the notice is seen even after a
    /// full-screen mode change; returns what the notice returned.
    int showError(const char* message);

    Console* current() const { return currentConsole; }
    bool isOpen() const;

    static Console* makeConsole(int consoleKind);

private:
    Console* currentConsole;
    ConsoleMaker makeKind;
};

}  // namespace vxr
