// SDL backend of the display: the primary surface is the main window's client area, shown
// through a streaming texture in the display's own pixel format. Full-screen mode makes the
// window desktop-sized and scales the game area onto it.
#include <SDL.h>

#include "platform/display_backend.h"
#include "platform/sdl_window.h"

namespace plat {

namespace {

struct Presenter {
    SDL_Renderer* renderer = nullptr;
    bool ownRenderer = false;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
    PixelFormat format = PixelFormat::R5G6B5;
    bool vsync = true;
};

Presenter presenter;

Uint32 TextureFormat(PixelFormat format) {
    switch (format) {
        case PixelFormat::X1R5G5B5:
            return SDL_PIXELFORMAT_RGB555;
        case PixelFormat::X8R8G8B8:
            return SDL_PIXELFORMAT_RGB888;
        case PixelFormat::R5G6B5:
            break;
    }
    return SDL_PIXELFORMAT_RGB565;
}

void ClientSize(int* width, int* height) {
    *width = 640;
    *height = 480;
    SDL_Window* window = sdl::MainWindow();
    if (!window) return;
    SDL_GetWindowSize(window, width, height);
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) {
        *width /= sdl::WindowScale();
        *height /= sdl::WindowScale();
    }
}

void ClientOrigin(int* x, int* y) {
    *x = *y = 0;
    SDL_Window* window = sdl::MainWindow();
    if (window && !(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN))
        SDL_GetWindowPosition(window, x, y);
}

bool SetFullScreen(bool on, int, int) {
    SDL_Window* window = sdl::MainWindow();
    if (!window) return false;
    return SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
}

bool PrepareTexture(const Surface& primary) {
    SDL_Window* window = sdl::MainWindow();
    if (!window) return false;
    if (!presenter.renderer) {
        presenter.renderer = SDL_GetRenderer(window);
        presenter.ownRenderer = !presenter.renderer;
        if (!presenter.renderer)
            presenter.renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
        if (!presenter.renderer) return false;
        presenter.vsync = true;
    }
    if (presenter.texture && presenter.width == primary.width &&
        presenter.height == primary.height && presenter.format == primary.format)
        return true;
    if (presenter.texture) SDL_DestroyTexture(presenter.texture);
    presenter.texture =
        SDL_CreateTexture(presenter.renderer, TextureFormat(primary.format),
                          SDL_TEXTUREACCESS_STREAMING, primary.width, primary.height);
    presenter.width = primary.width;
    presenter.height = primary.height;
    presenter.format = primary.format;
    // Scaled windows and full-screen show the whole game area, letterboxed.
    SDL_RenderSetLogicalSize(presenter.renderer, primary.width, primary.height);
    return presenter.texture != nullptr;
}

void Present(const Surface& primary, bool vsync) {
    if (!PrepareTexture(primary)) return;
    if (vsync != presenter.vsync && SDL_RenderSetVSync(presenter.renderer, vsync) == 0)
        presenter.vsync = vsync;
    SDL_UpdateTexture(presenter.texture, nullptr, primary.pixels.data(), primary.pitch);
    SDL_SetRenderDrawColor(presenter.renderer, 0, 0, 0, 255);
    SDL_RenderClear(presenter.renderer);
    SDL_RenderCopy(presenter.renderer, presenter.texture, nullptr, nullptr);
    SDL_RenderPresent(presenter.renderer);
}

void ReleasePrimary() {
    if (presenter.texture) SDL_DestroyTexture(presenter.texture);
    if (presenter.ownRenderer && presenter.renderer) SDL_DestroyRenderer(presenter.renderer);
    presenter = {};
}

void Minimize() {
    if (SDL_Window* window = sdl::MainWindow()) SDL_MinimizeWindow(window);
}

}  // namespace

const detail::DisplayBackend& detail::SdlDisplay() {
    static const DisplayBackend backend{ClientSize, ClientOrigin,   SetFullScreen,
                                        Present,    ReleasePrimary, Minimize};
    return backend;
}

}  // namespace plat
