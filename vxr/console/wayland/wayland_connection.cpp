#include "vxr/console/wayland/wayland_connection.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "fractional-scale-v1-client-protocol.h"
#include "presentation-time-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "vxr/console/placement/output_scale.h"
#include "vxr/console/wayland/wayland_proxy.h"
#include "vxr/set_last_error.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace vxr {
namespace {

// The newest versions whose requests and events the console handles.
constexpr std::uint32_t COMPOSITOR_VERSION = 4;  // damage in buffer pixels
constexpr std::uint32_t SEAT_VERSION = 5;        // pointer frames and wheel notches
constexpr std::uint32_t OUTPUT_VERSION = 2;      // scale
constexpr std::uint32_t SHELL_VERSION = 2;

WaylandConnection& ownerOf(void* data) { return *static_cast<WaylandConnection*>(data); }

void announced(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
               std::uint32_t version)
{
    ownerOf(data).offerGlobal(registry, name, interface, version);
}

void withdrawn(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener REGISTRY_LISTENER = {announced, withdrawn};

void formatOffered(void* data, wl_shm*, std::uint32_t format) { ownerOf(data).offerFormat(format); }

const wl_shm_listener SHM_LISTENER = {formatOffered};

// A client that does not answer pings is taken for hung.
void pinged(void*, xdg_wm_base* shell, std::uint32_t serial) { xdg_wm_base_pong(shell, serial); }

const xdg_wm_base_listener SHELL_LISTENER = {pinged};

void outputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    std::int32_t, const char*, const char*, std::int32_t)
{
}

void outputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                std::int32_t height, std::int32_t)
{
    ownerOf(data).outputMode(flags, width, height);
}

void outputDone(void* data, wl_output*) { ownerOf(data).outputDone(); }

void outputScale(void* data, wl_output*, std::int32_t factor) { ownerOf(data).outputScaled(factor); }

void outputText(void*, wl_output*, const char*) {}

const wl_output_listener OUTPUT_LISTENER = {outputGeometry, outputMode, outputDone,
                                            outputScale,    outputText, outputText};

// Sent once, as the presentation clock is bound, before any feedback.
void presentationClock(void* data, wp_presentation*, std::uint32_t clock)
{
    ownerOf(data).presentationClockNamed(clock);
}

const wp_presentation_listener PRESENTATION_LISTENER = {presentationClock};

void seatCapabilities(void* data, wl_seat*, std::uint32_t capabilities)
{
    ownerOf(data).seatChanged(capabilities);
}

void seatName(void*, wl_seat*, const char*) {}

const wl_seat_listener SEAT_LISTENER = {seatCapabilities, seatName};

template <typename Proxy>
Proxy* bindGlobal(wl_registry* registry, std::uint32_t name, const wl_interface& interface,
                  std::uint32_t offered, std::uint32_t newest)
{
    return static_cast<Proxy*>(
        wl_registry_bind(registry, name, &interface, std::min(offered, newest)));
}

}  // namespace

WaylandConnection::WaylandConnection()
{
    // wl_display_connect(nullptr) would fall back to "wayland-0".
    const char* named = namedServer("WAYLAND_DISPLAY", "Wayland compositor");
    if (!named) return;
    link = wl_display_connect(nullptr);
    if (!link) {
        setLastError("could not connect to the Wayland compositor '%s': %s", named,
                     std::strerror(errno));
        return;
    }
    registry = wl_display_get_registry(link);
    if (!registry) return;
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, this);
    // The first trip brings the globals, the second their first events.
    if (!roundTrip() || !roundTrip()) {
        destroyGlobals();
        setLastError("the Wayland compositor '%s' closed the connection", named);
        return;
    }
    explainMissing(named);
}

void WaylandConnection::explainMissing(const char* named) const
{
    const char* missing = !surfaces ? "wl_compositor"
                          : !sharedMemory ? "wl_shm"
                          : !desktop ? "xdg_wm_base (the desktop shell)"
                          : !(hasXrgb || hasArgb) ? "an XRGB8888 or ARGB8888 shared-memory format"
                                                  : nullptr;
    if (missing)
        setLastError("the Wayland compositor '%s' offers no %s", named, missing);
    else if (!viewports || !childSurfaces)
        setLastError("the Wayland compositor '%s' offers no viewports: the library scales frames",
                     named);
}

WaylandConnection::~WaylandConnection()
{
    destroyGlobals();
    if (link) wl_display_disconnect(link);
}

void WaylandConnection::destroyGlobals()
{
    destroyProxy(decorationManager, zxdg_decoration_manager_v1_destroy);
    destroyProxy(fractionalScaleManager, wp_fractional_scale_manager_v1_destroy);
    destroyProxy(presentationClock, wp_presentation_destroy);
    destroyProxy(viewports, wp_viewporter_destroy);
    destroyProxy(childSurfaces, wl_subcompositor_destroy);
    destroyProxy(firstOutput, wl_output_destroy);
    keys.release();
    mouse.release();
    destroyProxy(inputSeat, wl_seat_destroy);
    destroyProxy(desktop, xdg_wm_base_destroy);
    destroyProxy(sharedMemory, wl_shm_destroy);
    destroyProxy(surfaces, wl_compositor_destroy);
    destroyProxy(registry, wl_registry_destroy);
    chosenFormat = 0;
}

bool WaylandConnection::isUsable() const
{
    return link && surfaces && sharedMemory && desktop && (hasXrgb || hasArgb) &&
           wl_display_get_error(link) == 0;
}

bool WaylandConnection::roundTrip() { return link && wl_display_roundtrip(link) >= 0; }

void WaylandConnection::offerGlobal(wl_registry* from, std::uint32_t name, const char* interface,
                                    std::uint32_t version)
{
    const auto is = [interface](const wl_interface& wanted) {
        return std::strcmp(interface, wanted.name) == 0;
    };
    if (is(wl_compositor_interface) && !surfaces) {
        surfaces = bindGlobal<wl_compositor>(from, name, wl_compositor_interface, version,
                                             COMPOSITOR_VERSION);
        surfacesVersion = std::min(version, COMPOSITOR_VERSION);
    } else if (is(wl_shm_interface) && !sharedMemory) {
        sharedMemory = bindGlobal<wl_shm>(from, name, wl_shm_interface, version, 1);
        wl_shm_add_listener(sharedMemory, &SHM_LISTENER, this);
    } else if (is(xdg_wm_base_interface) && !desktop) {
        desktop = bindGlobal<xdg_wm_base>(from, name, xdg_wm_base_interface, version, SHELL_VERSION);
        xdg_wm_base_add_listener(desktop, &SHELL_LISTENER, this);
    } else if (is(wl_seat_interface) && !inputSeat) {
        inputSeat = bindGlobal<wl_seat>(from, name, wl_seat_interface, version, SEAT_VERSION);
        seatVersion = std::min(version, SEAT_VERSION);
        wl_seat_add_listener(inputSeat, &SEAT_LISTENER, this);
    } else if (is(wl_output_interface) && !firstOutput) {
        firstOutput = bindGlobal<wl_output>(from, name, wl_output_interface, version, OUTPUT_VERSION);
        outputVersion = std::min(version, OUTPUT_VERSION);
        wl_output_add_listener(firstOutput, &OUTPUT_LISTENER, this);
    } else if (is(wl_subcompositor_interface) && !childSurfaces) {
        childSurfaces = bindGlobal<wl_subcompositor>(from, name, wl_subcompositor_interface, version, 1);
    } else if (is(wp_viewporter_interface) && !viewports) {
        viewports = bindGlobal<wp_viewporter>(from, name, wp_viewporter_interface, version, 1);
    } else if (is(wp_presentation_interface) && !presentationClock) {
        presentationClock =
            bindGlobal<wp_presentation>(from, name, wp_presentation_interface, version, 1);
        wp_presentation_add_listener(presentationClock, &PRESENTATION_LISTENER, this);
    } else if (is(wp_fractional_scale_manager_v1_interface) && !fractionalScaleManager) {
        fractionalScaleManager = bindGlobal<wp_fractional_scale_manager_v1>(
            from, name, wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is(zxdg_decoration_manager_v1_interface) && !decorationManager) {
        decorationManager = bindGlobal<zxdg_decoration_manager_v1>(
            from, name, zxdg_decoration_manager_v1_interface, version, 1);
    }
}

void WaylandConnection::offerFormat(std::uint32_t format)
{
    // Both carry the library's 32-bit ARGB layout; XRGB tells the compositor
    // that the top byte means nothing, so a frame's alpha never shows.
    if (format == WL_SHM_FORMAT_XRGB8888) hasXrgb = true;
    if (format == WL_SHM_FORMAT_ARGB8888) hasArgb = true;
    chosenFormat = hasXrgb ? WL_SHM_FORMAT_XRGB8888 : WL_SHM_FORMAT_ARGB8888;
}

void WaylandConnection::outputMode(std::uint32_t flags, std::int32_t width, std::int32_t height)
{
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    outputWidth = width;
    outputHeight = height;
}

void WaylandConnection::outputScaled(std::int32_t factor)
{
    announcedScale = factor;
    // An output without done events applies each one as it comes.
    if (outputVersion < 2) outputDone();
}

void WaylandConnection::outputDone()
{
    // The output's other properties may have changed alone.
    if (announcedScale == reportedScale.load()) return;
    reportedScale.store(announcedScale);
    if (outputWatcher) outputWatcher->outputScaleChanged();
}

std::int32_t WaylandConnection::outputScale() const
{
    // A whole factor in 1..8: a compositor's nonsense sizes nothing.
    return static_cast<std::int32_t>(OutputScale::settle(reportedScale.load(), "the Wayland output"));
}

void WaylandConnection::seatChanged(std::uint32_t capabilities)
{
    // Devices come and go while the program runs (a virtual keyboard
    // appears when something starts typing).
    if (capabilities & WL_SEAT_CAPABILITY_KEYBOARD)
        keys.bind(inputSeat, seatVersion);
    else
        keys.release();
    if (capabilities & WL_SEAT_CAPABILITY_POINTER)
        mouse.bind(inputSeat, seatVersion, surfaces, sharedMemory);
    else
        mouse.release();
}

void WaylandConnection::receiveInput(WaylandInputTarget* target)
{
    keys.setTarget(target);
    mouse.setTarget(target);
}

void WaylandConnection::refreshCursor()
{
    mouse.refreshCursor();
    if (link) wl_display_flush(link);
}

void WaylandConnection::inputSettled()
{
    keys.repeatDueKeys();
    mouse.settle();
}

}  // namespace vxr
