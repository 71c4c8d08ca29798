// vxr-events: opens a 320x200 frame on the first console that opens and
// prints one line per input or window event, as the library reports it,
// until the window is closed. Run it to see what a keyboard and mouse give.
//
//   key-down key=A symbol=U+0061 mods=shift repeat=0
//   text "a"
//   mouse-move x=12 y=34 inside=1
//   wheel dx=0 dy=1
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "vxr/vxr.h"

namespace {

constexpr int FRAME_WIDTH = 320;
constexpr int FRAME_HEIGHT = 200;

// A pattern that shows the frame's edges and its scale: 8x8 checks, a
// frame one pixel wide around the edge, and a colour for each quarter.
std::uint32_t patternAt(int x, int y)
{
    if (x == 0 || y == 0 || x == FRAME_WIDTH - 1 || y == FRAME_HEIGHT - 1) return 0xFFFFFF;
    const std::uint32_t quarter[4] = {0x2050C0, 0x20A040, 0xC04020, 0xA0A020};
    const std::uint32_t base = quarter[(y >= FRAME_HEIGHT / 2) * 2 + (x >= FRAME_WIDTH / 2)];
    return ((x / 8 + y / 8) % 2) ? base : (base >> 1) & 0x7F7F7F;
}

void drawPattern(vxr::Surface& frame)
{
    std::uint8_t* pixels = frame.lock(1);
    if (!pixels) return;
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels + std::int64_t{y} * frame.pitch());
        for (int x = 0; x < FRAME_WIDTH; ++x) row[x] = patternAt(x, y);
    }
    frame.unlock();
}

// A wheel step as a whole number where it is one.
void printSteps(const char* name, float steps)
{
    if (steps == static_cast<float>(static_cast<int>(steps)))
        std::printf(" %s=%d", name, static_cast<int>(steps));
    else
        std::printf(" %s=%.3g", name, static_cast<double>(steps));
}

void printKey(const char* what, const vxr::Event& event)
{
    char modifiers[vxr::MODIFIER_NAMES_CAPACITY];
    vxr::modifierNames(event.modifiers, modifiers);
    std::printf("%s key=%s", what, vxr::keyName(event.key));
    if (event.key == vxr::Key::Unknown) std::printf(" native=%" PRIu32, event.nativeCode);
    std::printf(" symbol=U+%04" PRIX32 " mods=%s", static_cast<std::uint32_t>(event.symbol),
                modifiers);
    if (event.type == vxr::EventType::KeyDown) std::printf(" repeat=%d", event.repeat ? 1 : 0);
}

// Quotes and backslashes are escaped, so a line reads back unambiguously.
void printText(const char* text)
{
    std::printf("text \"");
    for (const char* at = text; *at; ++at) {
        if (*at == '"' || *at == '\\') std::putchar('\\');
        std::putchar(*at);
    }
    std::putchar('"');
}

void printPointer(const char* what, const vxr::Event& event)
{
    std::printf("%s", what);
    if (event.button) std::printf(" button=%d", event.button);
    std::printf(" x=%d y=%d", event.pointer.x, event.pointer.y);
    if (event.type == vxr::EventType::MouseMove) std::printf(" inside=%d", event.pointer.inside);
}

// Prints the event's line; false once the program should end.
bool printEvent(const vxr::Event& event)
{
    using vxr::EventType;
    switch (event.type) {
        case EventType::KeyDown: printKey("key-down", event); break;
        case EventType::KeyUp: printKey("key-up", event); break;
        case EventType::Text: printText(event.text); break;
        case EventType::MouseMove: printPointer("mouse-move", event); break;
        case EventType::MouseDown: printPointer("mouse-down", event); break;
        case EventType::MouseUp: printPointer("mouse-up", event); break;
        case EventType::Wheel:
            std::printf("wheel");
            printSteps("dx", event.wheelX);
            printSteps("dy", event.wheelY);
            break;
        case EventType::MouseEnter: std::printf("enter"); break;
        case EventType::MouseLeave: std::printf("leave"); break;
        case EventType::Resize:
            std::printf("resize width=%d height=%d", event.width, event.height);
            break;
        case EventType::FocusIn: std::printf("focus-in"); break;
        case EventType::FocusOut: std::printf("focus-out"); break;
        case EventType::Close: std::printf("close"); break;
        case EventType::None: return true;
    }
    std::printf("\n");
    std::fflush(stdout);
    return event.type != EventType::Close;
}

}  // namespace

int main()
{
    vxr::ConsoleFrontEnd display(FRAME_WIDTH, FRAME_HEIGHT, vxr::PREFER32, -1, -1, -1);
    if (!display.isOpen()) {
        display.showError("could not open a display");
        return 1;
    }
    vxr::Console& console = *display.current();
    console.closeAsEvent(1);
    console.setTitle("vxr-events");
    vxr::Surface frame(display, FRAME_WIDTH, FRAME_HEIGHT, vxr::PixelFormat(vxr::ARGB8888),
                       vxr::MEMORY_SYSTEM, -1, -1, -1);
    drawPattern(frame);
    frame.update();

    vxr::Event event;
    for (;;) {
        // A wait without limit ends without an event only when the window
        // has gone.
        if (!console.waitEvent(&event, -1)) {
            std::fprintf(stderr, "vxr-events: the window has gone\n");
            return 1;
        }
        if (const std::uint64_t lost = console.droppedEvents())
            std::printf("dropped count=%" PRIu64 "\n", lost);
        if (!printEvent(event)) return 0;
    }
}
