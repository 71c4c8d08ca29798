#include "kwin_screenshot.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace vxr::test {
namespace {

// Qt's image formats whose pixels are 32-bit 0xAARRGGBB words.
constexpr std::uint32_t FORMAT_RGB32 = 4;
constexpr std::uint32_t FORMAT_ARGB32 = 5;
constexpr std::uint32_t FORMAT_ARGB32_PREMULTIPLIED = 6;

std::uint32_t numberIn(GVariant* results, const char* key)
{
    std::uint32_t value = 0;
    g_variant_lookup(results, key, "u", &value);
    return value;
}

// kwin writes the image as it finishes it, after or while it answers:
// read on another thread, so that a full pipe cannot stop it.
void readAll(int from, std::vector<std::uint8_t>& into)
{
    std::uint8_t chunk[65536];
    for (ssize_t got; (got = read(from, chunk, sizeof chunk)) > 0;)
        into.insert(into.end(), chunk, chunk + got);
}

bool convert(GVariant* results, const std::vector<std::uint8_t>& image, Screenshot& shot)
{
    const std::uint32_t width = numberIn(results, "width"), height = numberIn(results, "height");
    const std::uint32_t stride = numberIn(results, "stride"), format = numberIn(results, "format");
    if (format != FORMAT_RGB32 && format != FORMAT_ARGB32 && format != FORMAT_ARGB32_PREMULTIPLIED)
        return false;
    if (width == 0 || height == 0 || stride < width * 4 ||
        image.size() < std::size_t{stride} * height)
        return false;
    shot.width = static_cast<int>(width);
    shot.height = static_cast<int>(height);
    shot.rgb.resize(std::size_t{width} * height * 3);
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x) {
            // Little-endian words: blue, green, red, alpha.
            const std::uint8_t* from = &image[y * stride + x * 4];
            std::uint8_t* to = &shot.rgb[(y * width + x) * 3];
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    return true;
}

}  // namespace

bool kwinScreenshot(const std::string& busAddress, Screenshot& shot)
{
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    int ends[2] = {-1, -1};
    if (!bus || pipe(ends) != 0) {
        if (bus) g_object_unref(bus);
        return false;
    }
    std::vector<std::uint8_t> image;
    std::thread reader([&] { readAll(ends[0], image); });
    // The list owns the writing end from here on; kwin gets its own copy.
    GUnixFDList* handed = g_unix_fd_list_new_from_array(&ends[1], 1);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&options, "{sv}", "native-resolution", g_variant_new_boolean(TRUE));
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
        "CaptureWorkspace", g_variant_new("(a{sv}h)", &options, 0), G_VARIANT_TYPE("(a{sv})"),
        G_DBUS_CALL_FLAGS_NONE, 10000, handed, nullptr, nullptr, nullptr);
    // Our writing end closes with the list: the read ends once kwin's does,
    // or at once where kwin never took a copy.
    g_object_unref(handed);
    reader.join();
    close(ends[0]);
    bool made = false;
    if (reply) {
        GVariant* results = g_variant_get_child_value(reply, 0);
        made = convert(results, image, shot);
        g_variant_unref(results);
        g_variant_unref(reply);
    }
    g_object_unref(bus);
    return made;
}

}  // namespace vxr::test
