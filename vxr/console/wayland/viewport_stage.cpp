#include "vxr/console/wayland/viewport_stage.h"

#include <wayland-client.h>

#include <cstring>

#include "viewporter-client-protocol.h"
#include "vxr/console/wayland/wayland_connection.h"
#include "vxr/console/wayland/wayland_proxy.h"

namespace vxr {
namespace {

// Opaque black in both wl_shm formats the console uses.
constexpr std::uint32_t BLACK = 0xFF000000u;

bool isEmpty(const Rect& area) { return area.width() <= 0 || area.height() <= 0; }

}  // namespace

bool ViewportStage::isOffered(const WaylandConnection& connection)
{
    return connection.viewporter() && connection.subcompositor();
}

bool ViewportStage::create(WaylandConnection& display, wl_surface* parent)
{
    destroy();
    if (!parent || !isOffered(display)) return false;
    connection = &display;
    window = parent;
    if (!blackPixel.create(display.shm(), display.frameFormat(), 1, 1, *this)) return false;
    std::memcpy(blackPixel.pixels(), &BLACK, sizeof BLACK);
    windowViewport = wp_viewporter_get_viewport(display.viewporter(), parent);
    frameSurface = wl_compositor_create_surface(display.compositor());
    if (frameSurface)
        frameChild = wl_subcompositor_get_subsurface(display.subcompositor(), frameSurface, parent);
    if (frameSurface) frameViewport = wp_viewporter_get_viewport(display.viewporter(), frameSurface);
    if (!windowViewport || !frameChild || !frameViewport) {
        destroy();
        return false;
    }
    wl_subsurface_set_desync(frameChild);
    return true;
}

void ViewportStage::destroy()
{
    destroyProxy(frameViewport, wp_viewport_destroy);
    destroyProxy(frameChild, wl_subsurface_destroy);
    destroyProxy(frameSurface, wl_surface_destroy);
    destroyProxy(windowViewport, wp_viewport_destroy);
    blackPixel.release();
    blackShown = false;
    window = nullptr;
    connection = nullptr;
}

void ViewportStage::arrange(std::int32_t windowWidth, std::int32_t windowHeight,
                            const Rect& letterbox)
{
    // A viewport of no size is a protocol error that would end the connection.
    if (!frameSurface || windowWidth <= 0 || windowHeight <= 0 || isEmpty(letterbox)) return;
    wp_viewport_set_destination(frameViewport, static_cast<std::int32_t>(letterbox.width()),
                                static_cast<std::int32_t>(letterbox.height()));
    wl_subsurface_set_position(frameChild, letterbox.left, letterbox.top);
    wp_viewport_set_destination(windowViewport, windowWidth, windowHeight);
    if (!blackShown) {
        wl_surface_attach(window, blackPixel.handle(), 0, 0);
        blackShown = true;
    }
    wl_surface_damage(window, 0, 0, windowWidth, windowHeight);
    wl_surface_commit(window);
    wl_display_flush(connection->display());
}

}  // namespace vxr
