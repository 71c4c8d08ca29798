#pragma once

#include <cstdint>

#include "vxr/non_copyable.h"

struct wl_compositor;
struct wl_cursor_theme;
struct wl_pointer;
struct wl_shm;
struct wl_surface;

namespace vxr {

// The pointer's picture over a window: the cursor theme's default arrow,
// drawn at the output's scale so that it is as large as elsewhere on the
// desktop, or nothing at all.
class WaylandCursor : NonCopyable {
public:
    WaylandCursor() = default;
    ~WaylandCursor() { release(); }

    // Loads the arrow once; false where no theme (nor the built-in
    // fallback) has one, and the pointer then keeps the compositor's.
    bool load(wl_compositor* compositor, wl_shm* shm, std::int32_t scale);
    void release();

    // Sets the arrow, or no picture, for the pointer that entered with
    // serial.
    void show(wl_pointer* pointer, std::uint32_t serial, bool visible);

private:
    wl_cursor_theme* theme = nullptr;
    wl_surface* picture = nullptr;
    std::int32_t hotspotX = 0;
    std::int32_t hotspotY = 0;
};

}  // namespace vxr
