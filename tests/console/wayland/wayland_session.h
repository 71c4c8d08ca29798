#pragma once

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
// Presents the frame until the screenshot shows exactly the expected
// window at the given place (-1: found anywhere) and the console's client
// size; why describes the last mismatch.
bool showsFrame(Compositor& compositor, WaylandConsole& console, Surface& frame, int left,
                int top, std::string& why);

}  // namespace vxr::test
