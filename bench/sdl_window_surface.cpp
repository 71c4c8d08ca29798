#include "sdl_window_surface.h"

#include <SDL.h>

#include <cstddef>
#include <cstring>

void SdlWindowSurface::present(benchmark::State& state, const char* driver,
                               const char* acceleration, int width, int height)
{
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    if (acceleration) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, acceleration);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    SDL_Window* window = SDL_CreateWindow("sdl2", 0, 0, width, height, SDL_WINDOW_SHOWN);
    SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
    if (surface) {
        std::memset(surface->pixels, 0x5A, std::size_t(surface->pitch) * surface->h);
        for (auto _ : state) {
            if (SDL_UpdateWindowSurface(window) != 0) {
                state.SkipWithError(SDL_GetError());
                break;
            }
        }
    } else {
        state.SkipWithError(SDL_GetError());
    }
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
