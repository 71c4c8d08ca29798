#include "vxr/console/consoles.h"

#include <new>

#ifdef _WIN32
#include "vxr/console/directx/directx_console.h"
#include "vxr/console/gdi/gdi_console.h"
#endif
#ifdef VXR_WAYLAND_CONSOLE
#include "vxr/console/wayland/wayland_console.h"
#endif
#ifdef VXR_X11_CONSOLE
#include "vxr/console/x11/x11_console.h"
#endif
#ifdef VXR_WEB_CONSOLE
#include "vxr/console/web/web_console.h"
#endif

namespace vxr {

std::unique_ptr<Console> makeX11Console()
{
#ifdef VXR_X11_CONSOLE
    return std::unique_ptr<Console>(new (std::nothrow) X11Console);
#else
    return nullptr;
#endif
}

std::unique_ptr<Console> makeWaylandConsole()
{
#ifdef VXR_WAYLAND_CONSOLE
    return std::unique_ptr<Console>(new (std::nothrow) WaylandConsole);
#else
    return nullptr;
#endif
}

std::unique_ptr<Console> makeGdiConsole()
{
#ifdef _WIN32
    return std::unique_ptr<Console>(new (std::nothrow) GdiConsole(nullptr));
#else
    return nullptr;
#endif
}

std::unique_ptr<Console> makeDirectXConsole()
{
#ifdef _WIN32
    return std::unique_ptr<Console>(new (std::nothrow) DirectXConsole(nullptr));
#else
    return nullptr;
#endif
}

std::unique_ptr<Console> makeWebConsole()
{
#ifdef VXR_WEB_CONSOLE
    return std::unique_ptr<Console>(new (std::nothrow) WebConsole);
#else
    return nullptr;
#endif
}

}  // namespace vxr
