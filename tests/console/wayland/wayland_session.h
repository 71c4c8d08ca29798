#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compositor.h"

namespace vxr {
class Surface;
class WaylandConsole;
}  // namespace vxr

namespace vxr::test {

// The window a frame should make: converted by the library's converters,
// scaled the plain way onto the letterbox of the client area, black bars.
std::vector<std::uint32_t> expectedPixels(Surface& frame, int clientWidth, int clientHeight);
// A frame of random pixels; opaque ones where a screenshot keeps alpha.
std::unique_ptr<Surface> randomFrame(WaylandConsole& console, std::int32_t format, int width,
                                     int height, unsigned seed, bool opaque);
// A frame of opaque blocks of one random colour each, so that a filtering
// compositor's scaling leaves the inside of every block alone.
std::unique_ptr<Surface> blockFrame(WaylandConsole& console, std::int32_t format, int width,
                                    int height, int block, unsigned seed);
// Presents the frame until the screenshot shows exactly the expected
// window at the given place (-1: found anywhere) and the console's client
// size; a failure describes the last mismatch. A filtered window is
// compared where the compositor's filter cannot blend: inside blocks and
// bars, which must then make up at least half the window.
::testing::AssertionResult showsFrame(Compositor& compositor, WaylandConsole& console,
                                      Surface& frame, int left, int top, bool filtered = false);
// The same, with the frame presented before and never again: the window
// redraws it by itself, say after a resize.
::testing::AssertionResult stillShowsFrame(Compositor& compositor, WaylandConsole& console,
                                           Surface& frame, int left, int top,
                                           bool filtered = false);
// Floats the window at sway's output corner at the given client size, and
// waits until the console has it. sway sizes a window that has just become
// floating from the state its last transaction left, so a command sent
// while the window still commits its first tiled size can come back with
// that size instead: the command is sent again until it takes.
bool floatAtCorner(Compositor& sway, WaylandConsole& console, int width, int height);
// Whether the device held for the test (a "keyboard" or a "pointer") shows
// among sway's seat's inputs.
bool seatHas(Compositor& sway, const char* device);

}  // namespace vxr::test
