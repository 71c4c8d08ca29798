#pragma once

#include <memory>

#include "vxr/console/console.h"

namespace vxr {

/// @file
/// The display consoles by name, for a program that picks one itself
/// instead of letting ConsoleFrontEnd try each in turn. Each returns a
/// console that is not open yet (open() it), or null where this build has
/// no such console; a console that cannot reach its display reports 0 from
/// ok().

/// A window on the X server that DISPLAY names (Linux and other Unixes).
std::unique_ptr<Console> makeX11Console();
/// A window of the Wayland compositor that WAYLAND_DISPLAY names.
std::unique_ptr<Console> makeWaylandConsole();
/// A GDI desktop window (Windows).
std::unique_ptr<Console> makeGdiConsole();
/// A full-screen DirectDraw display (Windows).
std::unique_ptr<Console> makeDirectXConsole();
/// The page's canvas element (a WebAssembly build in a browser); ok() is 0 on a
/// page without one.
std::unique_ptr<Console> makeWebConsole();

}  // namespace vxr
