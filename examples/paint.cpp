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

// Draws into the frame, locked for as long as the canvas lives.
struct Canvas {
    vxr::FrameLock pixels;

    void fill(std::uint32_t colour)
    {
        for (int y = 0; y < HEIGHT; ++y) {
            auto row = pixels.row<std::uint32_t>(y);
            std::fill(row.begin(), row.end(), colour);
        }
    }

    // A round dab of the brush at (x, y); what falls outside is cut.
    void dab(int x, int y, int radius, std::uint32_t colour)
    {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (dx * dx + dy * dy <= radius * radius && x + dx >= 0 && x + dx < WIDTH &&
                    y + dy >= 0 && y + dy < HEIGHT)
                    pixels.row<std::uint32_t>(y + dy)[x + dx] = colour;
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
    vxr::Window window({.title = "paint"});  // a close arrives as an event
    if (!window.isOpen()) return std::fprintf(stderr, "%s\n", window.error()), 1;
    Canvas{window.lock()}.fill(PAPER);
    window.present();

    std::uint32_t colour = COLOURS[0];
    int radius = 2, lastX = 0, lastY = 0;
    std::uint32_t held = 0;  // buttons down, as the events so far tell
    for (vxr::Event event; window.waitEvent(event);) {
        const auto& at = event.pointer;
        const std::uint32_t bit = event.button > 0 ? 1u << (event.button - 1) : 0u;
        if (event.type == vxr::EventType::MouseDown) held |= bit;
        if (event.type == vxr::EventType::MouseUp) held &= ~bit;
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
            Canvas{window.lock()}.dab(at.x, at.y, radius,
                                      event.button == vxr::BUTTON_LEFT ? colour : PAPER);
            window.present();
        } else if (event.type == vxr::EventType::MouseMove && (held & 5u)) {
            // Left (bit 0) draws, right (bit 2) erases.
            Canvas{window.lock()}.stroke(lastX, lastY, at.x, at.y, radius,
                                         (held & 1u) ? colour : PAPER);
            window.present();
        }
        if (event.type >= vxr::EventType::MouseMove && event.type <= vxr::EventType::MouseEnter) {
            lastX = at.x;
            lastY = at.y;
        }
    }
    return 1;  // the window went away without a close
}
