#include "x11_session.h"

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "vxr/console/console.h"
#include "vxr/surface/surface.h"

namespace vxr::test {

bool X11Session::start(const XvfbServer::Options& options)
{
    // Programs started from here try a Wayland compositor before the X
    // server; there is none in these tests.
    unsetenv("WAYLAND_DISPLAY");
    return server.start(options) && view.connect(server.display());
}

xcb_window_t X11Session::windowOf(Console& console)
{
    return static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(console.window()));
}

bool X11Session::resizeReported(Console& console, int width, int height)
{
    const auto patience = std::chrono::duration_cast<std::chrono::milliseconds>(PATIENCE);
    Event event;
    while (console.waitEvent(&event, static_cast<int>(patience.count())))
        if (event.type == EventType::Resize && event.width == width && event.height == height)
            return true;
    return false;
}

bool X11Session::showsExactly(xcb_window_t window, const std::vector<std::uint8_t>& expected,
                              int width, int height, std::string& why)
{
    const int bytes = view.bitsPerPixel() / 8;
    return eventually([&] {
        const int wrong =
            differences(view.image(window, width, height), expected, width, bytes, &why);
        if (wrong) why = std::to_string(wrong) + " pixels differ, first at " + why;
        return wrong == 0;
    });
}

bool X11Session::presentsExactly(Surface& frame, const PixelFormat& shown, xcb_window_t window,
                                 std::uint32_t barPixel, std::string& why)
{
    return presentsUntilShown(frame, window, why, [&](int width, int height) {
        return expectedWindow(frame, shown, width, height, barPixel);
    });
}

bool X11Session::presentsExactlyAt(Surface& frame, const PixelFormat& shown, xcb_window_t window,
                                   const Rect& area, std::uint32_t barPixel, std::string& why)
{
    return presentsUntilShown(frame, window, why, [&](int width, int height) {
        return expectedWindowAt(frame, shown, width, height, area, barPixel);
    });
}

bool X11Session::presentsUntilShown(
    Surface& frame, xcb_window_t window, std::string& why,
    const std::function<std::vector<std::uint8_t>(int width, int height)>& expectedAt)
{
    const int bytes = view.bitsPerPixel() / 8;
    return eventually([&] {
        int width = 0, height = 0;
        if (!view.geometry(window, width, height) || !frame.update()) {
            why = "no geometry, or the update failed";
            return false;
        }
        const auto expected = expectedAt(width, height);
        const int wrong =
            differences(view.image(window, width, height), expected, width, bytes, &why);
        if (wrong)
            why = std::to_string(wrong) + " pixels differ at " + std::to_string(width) + "x" +
                  std::to_string(height) + ", first at " + why;
        return wrong == 0;
    });
}

bool X11Session::pointerAt(Console& console, xcb_window_t window, int x, int y,
                           PointerPosition& at)
{
    if (!runXdotool(server.display(), {"mousemove", "--window", std::to_string(window),
                                       std::to_string(x), std::to_string(y)}))
        return false;
    const int patience =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(PATIENCE).count());
    Event event;
    while (console.waitEvent(&event, patience)) {
        if (event.type != EventType::MouseMove || event.pointer.windowX != x ||
            event.pointer.windowY != y)
            continue;
        at = event.pointer;
        return true;
    }
    return false;
}

bool X11Session::hasFocus(xcb_window_t window)
{
    return eventually([&] { return view.focus() == window; });
}

bool X11Session::loadResources(const std::string& lines)
{
    const std::string file =
        std::filesystem::temp_directory_path() / ("vxr-resources-" + std::to_string(getpid()));
    std::ofstream(file) << lines << '\n';
    // -nocpp: the lines are taken as written, without the C preprocessor.
    ChildProcess xrdb;
    const bool loaded =
        xrdb.start({"/usr/bin/xrdb", "-nocpp", "-merge", file}, "", server.display()) &&
        xrdb.waitForExit() == 0;
    if (!loaded) std::fprintf(stderr, "xrdb failed: %s\n", xrdb.errors().c_str());
    std::filesystem::remove(file);
    return loaded;
}

bool X11Session::startWindowManager(ChildProcess& manager)
{
    // The manager runs its start-up command once it manages windows; its
    // desktop property comes earlier, while a window mapped then is lost.
    const std::string ready = std::filesystem::temp_directory_path() /
                              ("vxr-manager-ready-" + std::to_string(getpid()));
    std::filesystem::remove(ready);
    const bool started =
        manager.start({"/usr/bin/openbox", "--sm-disable", "--startup", "touch " + ready}, ".",
                      server.display()) &&
        eventually([&] { return std::filesystem::exists(ready); });
    std::filesystem::remove(ready);
    return started;
}

}  // namespace vxr::test
