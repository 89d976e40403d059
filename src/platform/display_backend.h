// Internal to the display: the few entry points in which the SDL and headless backends differ.
// Everything else (surface memory, blits, locks, keys) is shared in display.cpp.
#pragma once

#include "platform/display.h"

namespace plat::detail {

struct DisplayBackend {
    // Size of the window's client area in game pixels, and its screen position.
    void (*clientSize)(int* width, int* height);
    void (*clientOrigin)(int* x, int* y);
    // Full-screen on or off; the mode size is the game area shown on the whole screen.
    bool (*setFullScreen)(bool on, int width, int height);
    // Shows the primary surface; vsync = wait for the vertical blank before showing.
    void (*present)(const Surface& primary, bool vsync);
    // The primary surface is gone: drop what shows it.
    void (*releasePrimary)();
    void (*minimize)();
};

const DisplayBackend& SdlDisplay();
const DisplayBackend& HeadlessDisplay();

}  // namespace plat::detail
