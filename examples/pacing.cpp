// A bar that moves one step a refresh: present(true) waits for the display's
// next refresh, so the loop runs at the display's own rate, whatever it is.
// At the end the program says at what rate the platform reported its frames
// reaching the screen. An argument gives the number of frames (120).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "vxr/vxr.h"

namespace {

void drawBar(vxr::FrameLock& pixels, int at)
{
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; auto& pixel : pixels.row<std::uint32_t>(y))
            pixel = (x++ / 8 == at) ? 0xFFFFFF : 0x203050;
}

void reportRate(int frames, const vxr::Presentation& first, const vxr::Presentation& last)
{
    if (last.refresh <= first.refresh || last.time <= first.time) {
        std::printf("the platform did not say when the frames were shown\n");
        return;
    }
    const double seconds = static_cast<double>(last.time - first.time) / 1e9;
    const std::uint64_t refreshes = last.refresh - first.refresh;
    std::printf("%d frames were shown over %" PRIu64 " refreshes in %.3f s (%.2f refreshes a second)",
                frames, refreshes, seconds, static_cast<double>(refreshes) / seconds);
    if (last.refreshInterval > 0)
        std::printf("; the display refreshes at %.2f Hz", 1e9 / static_cast<double>(last.refreshInterval));
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 120;
    vxr::Window window({.title = "pacing"});
    if (!window.isOpen()) return std::fprintf(stderr, "%s\n", window.error()), 1;
    std::optional<vxr::Presentation> first, last;
    int shownFrames = 0;
    for (int frame = 0; frame < frames && window.isOpen(); ++frame) {
        {
            vxr::FrameLock pixels = window.lock();
            drawBar(pixels, frame % (window.width() / 8));
        }
        if (!window.present(true)) return std::fprintf(stderr, "%s\n", vxr::lastError()), 1;
        if (const auto shown = window.lastPresentation()) {
            if (!first) first = shown;
            else if (shown->refresh != last->refresh) ++shownFrames;
            last = shown;
        }
        for (vxr::Event event; window.pollEvent(event);)
            if (event.type == vxr::EventType::KeyDown) frame = frames;
    }
    if (first && last) reportRate(shownFrames, *first, *last);
    else std::printf("the platform did not say when the frames were shown\n");
}
