// Internal to the platform layer: the SDL main window, for the display, sound and joystick
// pieces of the SDL backend. Null while no window is open.
#pragma once

#include <SDL.h>

namespace plat::sdl {

SDL_Window* MainWindow();
// Window pixels per game pixel (GK_WINDOW_SCALE).
int WindowScale();

}  // namespace plat::sdl
