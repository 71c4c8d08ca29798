// A small paint program: draw with the left button, erase with the right,
// the wheel sets the brush size, the number keys 1-9 pick a colour, and
// Escape or the close box quit.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "vxr/vxr.h"

namespace {

constexpr int WIDTH = 320;
constexpr int HEIGHT = 200;
constexpr std::uint32_t PAPER = 0xF0F0E0;
constexpr std::uint32_t COLOURS[9] = {0x000000, 0xD02020, 0x20A020, 0x2040D0, 0xE0C020,
                                      0xC020C0, 0x20C0C0, 0xE08020, 0x808080};

struct Canvas {
    vxr::Surface& frame;
    std::uint32_t* pixels = nullptr;
    int stride = 0;  // pixels per line

    void fill(std::uint32_t colour) { std::fill(pixels, pixels + stride * HEIGHT, colour); }

    // A round dab of the brush at (x, y); what falls outside is cut.
    void dab(int x, int y, int radius, std::uint32_t colour)
    {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (dx * dx + dy * dy <= radius * radius && x + dx >= 0 && x + dx < WIDTH &&
                    y + dy >= 0 && y + dy < HEIGHT)
                    pixels[(y + dy) * stride + x + dx] = colour;
    }

    // Dabs from the last position to this one, so fast strokes stay whole.
    void stroke(int fromX, int fromY, int toX, int toY, int radius, std::uint32_t colour)
    {
        const int steps = std::max({std::abs(toX - fromX), std::abs(toY - fromY), 1});
        for (int i = 0; i <= steps; ++i)
            dab(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps, radius, colour);
    }
};

}  // namespace

int main()
{
    vxr::ConsoleFrontEnd display(WIDTH, HEIGHT, vxr::PREFER32, -1, -1, -1);
    if (!display.isOpen()) {
        display.showError("could not open a display");
        return 1;
    }
    vxr::Console& console = *display.current();
    console.closeAsEvent(1);  // the program says goodbye before it ends
    console.setTitle("paint");
    vxr::Surface frame(display, WIDTH, HEIGHT, vxr::PixelFormat(vxr::ARGB8888),
                       vxr::MEMORY_SYSTEM, -1, -1, -1);
    Canvas canvas{frame, reinterpret_cast<std::uint32_t*>(frame.lock(1)), frame.pitch() / 4};
    canvas.fill(PAPER);
    frame.update();

    std::uint32_t colour = COLOURS[0];
    int radius = 2, lastX = 0, lastY = 0;
    for (;;) {
        vxr::Event event;
        if (!console.waitEvent(&event, -1)) return 1;  // the window has gone
        const auto& at = event.pointer;
        bool drew = false;
        if (event.type == vxr::EventType::Close ||
            (event.type == vxr::EventType::KeyDown && event.key == vxr::Key::Escape)) {
            std::printf("paint: closed\n");
            return 0;
        } else if (event.type == vxr::EventType::KeyDown && event.key >= vxr::Key::Digit1 &&
                   event.key <= vxr::Key::Digit9) {
            colour = COLOURS[static_cast<int>(event.key) - static_cast<int>(vxr::Key::Digit1)];
        } else if (event.type == vxr::EventType::Wheel) {
            radius = std::clamp(radius + static_cast<int>(event.wheelY), 0, 20);
        } else if (event.type == vxr::EventType::MouseDown && event.button <= vxr::BUTTON_RIGHT) {
            canvas.dab(at.x, at.y, radius, event.button == vxr::BUTTON_LEFT ? colour : PAPER);
            drew = true;
        } else if (event.type == vxr::EventType::MouseMove) {
            vxr::MouseState mouse;
            console.mouseState(&mouse);
            if (mouse.buttons & 1u) canvas.stroke(lastX, lastY, at.x, at.y, radius, colour);
            if (mouse.buttons & 4u) canvas.stroke(lastX, lastY, at.x, at.y, radius, PAPER);
            drew = (mouse.buttons & 5u) != 0;
        }
        if (event.type >= vxr::EventType::MouseMove && event.type <= vxr::EventType::MouseEnter) {
            lastX = at.x;
            lastY = at.y;
        }
        if (drew) frame.update();
    }
}
