#include "sdl_scaled_renderer.h"

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace {

// Everything the renderer needs, let go of in reverse on every path.
struct Renderer {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;

    ~Renderer()
    {
        if (texture) SDL_DestroyTexture(texture);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
    }
};

}  // namespace

void SdlScaledRenderer::present(benchmark::State& state, const char* driver, bool software,
                                int windowWidth, int windowHeight, int frameWidth,
                                int frameHeight, const vxr::Rect& area)
{
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    // Nearest pixel, as the library scales.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    {
        Renderer made;
        made.window = SDL_CreateWindow("sdl2", 0, 0, windowWidth, windowHeight, SDL_WINDOW_SHOWN);
        if (made.window)
            made.renderer = SDL_CreateRenderer(made.window, -1,
                                               software ? SDL_RENDERER_SOFTWARE : 0);
        // A texture in the window's own format, as the library's frame is
        // in the display's: no conversion on the way, only the scale.
        if (made.renderer)
            made.texture =
                SDL_CreateTexture(made.renderer, SDL_GetWindowPixelFormat(made.window),
                                  SDL_TEXTUREACCESS_STREAMING, frameWidth, frameHeight);
        if (!made.texture) {
            state.SkipWithError(SDL_GetError());
        } else {
            std::vector<std::uint32_t> frame(static_cast<std::size_t>(frameWidth) * frameHeight,
                                             0xFF5A3C1Eu);
            const SDL_Rect target{area.left, area.top, static_cast<int>(area.width()),
                                  static_cast<int>(area.height())};
            // The bars once, as the library fills them once: the window's
            // surface keeps them between frames.
            SDL_SetRenderDrawColor(made.renderer, 0, 0, 0, 255);
            SDL_RenderClear(made.renderer);
            for (auto _ : state) {
                if (SDL_UpdateTexture(made.texture, nullptr, frame.data(), frameWidth * 4) != 0 ||
                    SDL_RenderCopy(made.renderer, made.texture, nullptr, &target) != 0) {
                    state.SkipWithError(SDL_GetError());
                    break;
                }
                SDL_RenderPresent(made.renderer);
            }
        }
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
