// A page for the web console's scaling test: a 160x100 frame whose every
// column and row has colours of its own, shown the way ?arg= names
// (sharp, integer or stretch; none leaves the console's own), and switched
// while it shows by the keys 1 to 4 (sharp, integer, stretch, and the
// compositor's, which a page has not). It prints each pointer position as
// "move x=X y=Y inside=I" and each switch as "scaling N ok" or
// "scaling N refused: REASON", and each resize as "resize W H scale S"
// (the canvas's own pixels and the page's pixel ratio).
#include <cstdio>
#include <cstring>

#include "vxr/vxr.h"

namespace {

using Scaling = vxr::WindowOptions::Scaling;

Scaling scalingNamed(const char* name)
{
    if (!name) return Scaling::Default;
    if (std::strcmp(name, "sharp") == 0) return Scaling::Sharp;
    if (std::strcmp(name, "integer") == 0) return Scaling::Integer;
    if (std::strcmp(name, "stretch") == 0) return Scaling::Stretch;
    return Scaling::Default;
}

// Red follows the column and green the row, so neighbours always differ.
void draw(vxr::Window& window)
{
    vxr::FrameLock pixels = window.lock();
    for (int y = 0; y < pixels.height(); ++y) {
        auto row = pixels.row<std::uint32_t>(y);
        for (int x = 0; x < pixels.width(); ++x)
            row[x] = 0xFF000000u | std::uint32_t(x + 64) << 16 | std::uint32_t(2 * y + 28) << 8 | 77u;
    }
}

void switchTo(vxr::Window& window, Scaling scaling)
{
    const int code = static_cast<int>(scaling);
    if (window.setScaling(scaling))
        std::printf("scaling %d ok\n", code);
    else
        std::printf("scaling %d refused: %s\n", code, vxr::lastError());
}

}  // namespace

int main(int argc, char** argv)
{
    vxr::Window window({.title = "scaling",
                        .width = 160,
                        .height = 100,
                        .scaling = scalingNamed(argc > 1 ? argv[1] : nullptr)});
    if (!window.isOpen()) return std::printf("%s\n", window.error()), 1;
    draw(window);
    if (!window.present()) return std::printf("present: %s\n", vxr::lastError()), 1;
    std::printf("ready\n");
    constexpr Scaling BY_KEY[] = {Scaling::Sharp, Scaling::Integer, Scaling::Stretch,
                                  Scaling::Compositor};
    for (vxr::Event event; window.waitEvent(event);) {
        if (event.type == vxr::EventType::MouseMove)
            std::printf("move x=%d y=%d inside=%d\n", event.pointer.x, event.pointer.y,
                        event.pointer.inside ? 1 : 0);
        if (event.type == vxr::EventType::Resize)
            std::printf("resize %d %d scale %g\n", event.width, event.height, window.scale());
        const int digit = static_cast<int>(event.key) - static_cast<int>(vxr::Key::Digit1);
        if (event.type == vxr::EventType::KeyDown && digit >= 0 && digit < 4)
            switchTo(window, BY_KEY[digit]);
    }
    return 0;
}
