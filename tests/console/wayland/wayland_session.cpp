#include "wayland_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "console/x11/x11_test_support.h"
#include "vxr/console/wayland/wayland_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr::test {

std::vector<std::uint32_t> expectedPixels(Surface& frame, int clientWidth, int clientHeight)
{
    const std::vector<std::uint8_t> bytes =
        expectedWindow(frame, PixelFormat(ARGB8888), clientWidth, clientHeight, 0xFF000000u);
    std::vector<std::uint32_t> pixels(bytes.size() / 4);
    if (!bytes.empty()) std::memcpy(pixels.data(), bytes.data(), bytes.size());
    return pixels;
}

std::unique_ptr<Surface> randomFrame(WaylandConsole& console, std::int32_t format, int width,
                                     int height, unsigned seed, bool opaque)
{
    auto frame = std::make_unique<Surface>(&console, width, height, PixelFormat(format),
                                           MEMORY_SYSTEM, -1, -1, -1);
    fillRandom(*frame, seed);
    if (opaque && frame->format().bytes == 4) {
        std::uint8_t* pixels = frame->lock(1);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels[std::int64_t{y} * frame->pitch() + x * 4 + 3] = 0xFF;
        frame->unlock();
    }
    return frame;
}

std::unique_ptr<Surface> blockFrame(WaylandConsole& console, std::int32_t format, int width,
                                    int height, int block, unsigned seed)
{
    auto frame = randomFrame(console, format, width, height, seed, true);
    const int bytes = frame->format().bytes;
    std::uint8_t* pixels = frame->lock(1);
    const auto at = [&](int x, int y) { return pixels + std::int64_t{y} * frame->pitch() + x * bytes; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(at(x, y), at(x - x % block, y - y % block), static_cast<std::size_t>(bytes));
    frame->unlock();
    return frame;
}

namespace {

// Until the screenshot shows the frame as showsFrame describes; present
// presents it before each look.
::testing::AssertionResult screenShows(Compositor& compositor, WaylandConsole& console,
                                       Surface& frame, int left, int top, bool filtered,
                                       bool present)
{
    std::string why;
    const bool shown = eventually([&] {
        // A resize reaches the console's thread a little after the compositor made it.
        if (present) frame.copy(console.primary(), 0);
        const int width = console.clientWidth(), height = console.clientHeight();
        const std::vector<std::uint32_t> expected = expectedPixels(frame, width, height);
        Screenshot shot;
        if (!compositor.screenshot(shot)) {
            why = "no screenshot";
            return false;
        }
        int x = left, y = top;
        if (left < 0 && !findWindow(shot, expected, width, height, x, y)) {
            why = "no exact " + std::to_string(width) + "x" + std::to_string(height) +
                  " window in the screenshot";
            return false;
        }
        int compared = 0;
        const int wrong = differingPixels(shot, expected, width, height, x, y, filtered, &compared);
        why = std::to_string(wrong) + " of " + std::to_string(compared) +
              " pixels differ at client " + std::to_string(width) + "x" + std::to_string(height);
        return wrong == 0 && compared * 2 >= width * height;
    });
    if (shown) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why;
}

}  // namespace

::testing::AssertionResult showsFrame(Compositor& compositor, WaylandConsole& console,
                                      Surface& frame, int left, int top, bool filtered)
{
    return screenShows(compositor, console, frame, left, top, filtered, true);
}

::testing::AssertionResult stillShowsFrame(Compositor& compositor, WaylandConsole& console,
                                           Surface& frame, int left, int top, bool filtered)
{
    return screenShows(compositor, console, frame, left, top, filtered, false);
}

bool floatAtCorner(Compositor& sway, WaylandConsole& console, int width, int height)
{
    const std::string command = "'[app_id=vxr] floating enable, resize set " +
                                std::to_string(width) + " " + std::to_string(height) +
                                ", move position 0 0'";
    const auto arrived = [&] {
        return console.clientWidth() == width && console.clientHeight() == height;
    };
    return eventually([&] {
        return sway.command(command) && eventually(arrived, std::chrono::seconds(3));
    });
}

bool seatHas(Compositor& sway, const char* device)
{
    std::string seats;
    return eventually([&] {
        return sway.command("-t get_inputs", &seats) && seats.find(device) != std::string::npos;
    });
}

}  // namespace vxr::test
