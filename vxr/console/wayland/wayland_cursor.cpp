#include "vxr/console/wayland/wayland_cursor.h"

#include <wayland-client.h>
#include <wayland-cursor.h>

#include <cstdlib>

namespace vxr {
namespace {

// The usual pointer size on a desktop of scale 1.
constexpr int DEFAULT_SIZE = 24;
constexpr const char* ARROW_NAMES[] = {"default", "left_ptr"};

int themeSize()
{
    // The desktop's choice, where the session states one.
    const char* chosen = std::getenv("XCURSOR_SIZE");
    const int size = chosen ? std::atoi(chosen) : 0;
    return size > 0 && size <= 256 ? size : DEFAULT_SIZE;
}

}  // namespace

bool WaylandCursor::load(wl_compositor* compositor, wl_shm* shm, std::int32_t scale)
{
    if (picture) return true;
    if (!compositor || !shm) return false;
    const std::int32_t factor = scale > 1 ? scale : 1;
    theme = wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), themeSize() * factor, shm);
    if (!theme) return false;
    wl_cursor* arrow = nullptr;
    for (const char* name : ARROW_NAMES)
        if (!arrow) arrow = wl_cursor_theme_get_cursor(theme, name);
    wl_cursor_image* image = arrow && arrow->image_count > 0 ? arrow->images[0] : nullptr;
    wl_buffer* buffer = image ? wl_cursor_image_get_buffer(image) : nullptr;
    picture = buffer ? wl_compositor_create_surface(compositor) : nullptr;
    if (!picture) {
        release();
        return false;
    }
    // The hotspot is in surface units, the image in buffer pixels.
    hotspotX = static_cast<std::int32_t>(image->hotspot_x) / factor;
    hotspotY = static_cast<std::int32_t>(image->hotspot_y) / factor;
    if (factor > 1) wl_surface_set_buffer_scale(picture, factor);
    wl_surface_attach(picture, buffer, 0, 0);
    wl_surface_damage(picture, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_commit(picture);
    return true;
}

void WaylandCursor::release()
{
    if (picture) wl_surface_destroy(picture);
    picture = nullptr;
    // The theme owns the arrow's buffer: it goes after the surface showing it.
    if (theme) wl_cursor_theme_destroy(theme);
    theme = nullptr;
}

void WaylandCursor::show(wl_pointer* pointer, std::uint32_t serial, bool visible)
{
    if (!pointer) return;
    if (visible && picture)
        wl_pointer_set_cursor(pointer, serial, picture, hotspotX, hotspotY);
    else if (!visible)
        wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
}

}  // namespace vxr
