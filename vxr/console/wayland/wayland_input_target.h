#pragma once

#include <cstdint>

struct wl_surface;

namespace vxr {

class WindowInput;

// The window a connection's seat sends its input to, asked on the thread
// that dispatches the connection's events.
class WaylandInputTarget {
public:
    virtual WindowInput& seatInput() = 0;
    // Whether surface is one of the window's own (the window, or the child
    // its frames go on), and where its origin lies in the window, in
    // surface units.
    virtual bool placeOfSurface(const wl_surface* surface, std::int32_t& left,
                                std::int32_t& top) = 0;
    // Window buffer pixels to one surface unit, in 120ths (180: 1.5).
    virtual std::int32_t pixelsPerUnit120() = 0;
    // Whether the pointer shows its arrow over the window; asked on either
    // thread.
    virtual bool showsPointer() = 0;

protected:
    ~WaylandInputTarget() = default;
};

}  // namespace vxr
