// A page for the web console's presentation times: before any frame it
// prints "before none"; then it presents frames, each after the next
// animation frame (present(true)), and prints what lastPresentation says
// after each as "frame N time T interval I refresh R" (nanoseconds of the
// browser's clock), or "frame N none", and "done" at the end.
#include <cinttypes>
#include <cstdio>

#include "vxr/vxr.h"

namespace {

constexpr int FRAMES = 12;

void draw(vxr::Window& window, int frame)
{
    vxr::FrameLock pixels = window.lock();
    for (int y = 0; y < pixels.height(); ++y)
        for (std::uint32_t& pixel : pixels.row<std::uint32_t>(y))
            pixel = 0xFF000000u | std::uint32_t(frame * 20) << 16 | std::uint32_t(y) << 8;
}

}  // namespace

int main()
{
    vxr::Window window({.title = "presentation", .width = 64, .height = 48});
    if (!window.isOpen()) return std::printf("%s\n", window.error()), 1;
    if (!window.lastPresentation()) std::printf("before none\n");
    for (int frame = 1; frame <= FRAMES; ++frame) {
        draw(window, frame);
        if (!window.present(true)) return std::printf("present: %s\n", vxr::lastError()), 1;
        const std::optional<vxr::Presentation> shown = window.lastPresentation();
        if (shown)
            std::printf("frame %d time %" PRId64 " interval %" PRId64 " refresh %" PRIu64 "\n",
                        frame, shown->time, shown->refreshInterval, shown->refresh);
        else
            std::printf("frame %d none\n", frame);
    }
    std::printf("done\n");
    return 0;
}
