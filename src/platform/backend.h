// Which platform backend runs this process: the SDL one (a real window, audio and joysticks)
// or the headless one (virtual clock, injected input, recorded output) that the tests use.
#pragma once

namespace plat {

enum class Backend { Sdl, Headless };

// The backend in use: the one set with UseBackend, else GK_BACKEND ("sdl" or "headless"),
// else SDL.
Backend CurrentBackend();
void UseBackend(Backend backend);
inline bool IsHeadless() {
    return CurrentBackend() == Backend::Headless;
}

}  // namespace plat
