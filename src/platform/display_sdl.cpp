// SDL backend of the display: the primary surface is the main window's client area, shown
// through a streaming texture in the display's own pixel format. Full-screen mode makes the
// window desktop-sized and scales the game area onto it. Where the driver does not wait for the
// vertical blank although asked to, the present paces the frames at the display's refresh rate.
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

// Frame pacing in performance-counter ticks: the time the next frame is due and the length of
// one refresh period.
struct Pacer {
    Uint64 period = 0;
    Uint64 due = 0;
};

Pacer pacer;

// The refresh rate of the display showing the window; 60 Hz when the display does not say.
Uint64 RefreshPeriod() {
    SDL_DisplayMode mode;
    SDL_Window* window = sdl::MainWindow();
    int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    int hz =
        SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 ? mode.refresh_rate : 0;
    return SDL_GetPerformanceFrequency() / static_cast<Uint64>(hz > 0 ? hz : 60);
}

// A present asked to wait for the vertical blank that came back within a quarter of a refresh
// period did not wait: sleep until the next frame is due. The schedule restarts after a frame
// that ran late, so a slow frame is not followed by a burst of fast ones.
void PaceAfterPresent(Uint64 presentStart) {
    if (pacer.period == 0) pacer.period = RefreshPeriod();
    Uint64 now = SDL_GetPerformanceCounter();
    if (now - presentStart >= pacer.period / 4) {
        pacer.due = now + pacer.period;
        return;
    }
    if (pacer.due == 0 || now > pacer.due + pacer.period) pacer.due = now;
    Uint64 frequency = SDL_GetPerformanceFrequency();
    while (now < pacer.due) {
        Uint64 waitMs = (pacer.due - now) * 1000 / frequency;
        SDL_Delay(waitMs > 1 ? static_cast<Uint32>(waitMs - 1) : 1);
        now = SDL_GetPerformanceCounter();
    }
    pacer.due += pacer.period;
}

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
    Uint64 presentStart = SDL_GetPerformanceCounter();
    SDL_RenderPresent(presenter.renderer);
    if (vsync) PaceAfterPresent(presentStart);
}

void ReleasePrimary() {
    if (presenter.texture) SDL_DestroyTexture(presenter.texture);
    if (presenter.ownRenderer && presenter.renderer) SDL_DestroyRenderer(presenter.renderer);
    presenter = {};
    pacer = {};
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
