#pragma once

#include <cstdint>

#include "vxr/console/wayland/shm_buffer.h"
#include "vxr/format/rect.h"

struct wl_subsurface;
struct wl_surface;
struct wp_viewport;

namespace vxr {

class WaylandConnection;

// Scaling left to the compositor: frames go, at their own size, on a child
// surface whose viewport stretches them over the letterbox, and the window
// itself shows one black pixel stretched over all of it, so the bars cost
// nothing per frame. The child is desynchronised, so that a frame's commit
// shows at once without a commit of the window.
class ViewportStage : private ShmBuffer::Listener {
public:
    ViewportStage() = default;
    ~ViewportStage() { destroy(); }
    ViewportStage(const ViewportStage&) = delete;
    ViewportStage& operator=(const ViewportStage&) = delete;

    // Whether the compositor offers what the stage needs.
    static bool isOffered(const WaylandConnection& connection);
    // False, with nothing left behind, when a protocol object cannot be made.
    bool create(WaylandConnection& connection, wl_surface* window);
    void destroy();
    bool isCreated() const { return frameSurface != nullptr; }
    // Where frames are committed.
    wl_surface* surface() const { return frameSurface; }

    // Stretches the bars over a window of the given size and the frame over
    // letterbox, in surface units, and commits the window. The frame's new
    // size shows with its next commit.
    void arrange(std::int32_t windowWidth, std::int32_t windowHeight, const Rect& letterbox);

private:
    // The black pixel is never written again, so its releases change nothing.
    void bufferReleased(ShmBuffer&) override {}

    WaylandConnection* connection = nullptr;
    wl_surface* window = nullptr;
    wp_viewport* windowViewport = nullptr;
    wl_surface* frameSurface = nullptr;
    wl_subsurface* frameChild = nullptr;
    wp_viewport* frameViewport = nullptr;
    ShmBuffer blackPixel;
    bool blackShown = false;
};

}  // namespace vxr
