// Joystick reads: SDL joysticks by device index, or the states a test injected.
#include "platform/joystick.h"

#include <SDL.h>

#include <bit>
#include <cstdlib>

#include "platform/backend.h"

namespace plat {

namespace {

constexpr uint32_t kCentre = 32767;
// A stick this close to its middle reads as centred when the caller asks for a dead zone.
constexpr int kDeadZone = 4096;

JoyReading injected[gk::kJoysticks];
JoyReading fed[gk::kJoysticks];
bool feeding;
SDL_Joystick* opened[gk::kJoysticks];
bool sdlTried, sdlReady;

bool SdlReady() {
    if (!sdlTried) {
        sdlTried = true;
        sdlReady = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    }
    return sdlReady;
}

// The open handle of device index `id`, opened on demand. A handle whose device went away, or
// whose index now belongs to another device, is closed first.
SDL_Joystick* Device(int id) {
    SDL_Joystick*& joy = opened[id];
    if (joy && (!SDL_JoystickGetAttached(joy) || id >= SDL_NumJoysticks() ||
                SDL_JoystickInstanceID(joy) != SDL_JoystickGetDeviceInstanceID(id))) {
        SDL_JoystickClose(joy);
        joy = nullptr;
    }
    if (!joy && id < SDL_NumJoysticks()) joy = SDL_JoystickOpen(id);
    return joy;
}

bool SdlRead(int id, JoyReading* r) {
    if (!SdlReady()) return false;
    SDL_JoystickUpdate();  // also notices devices plugged in or out
    SDL_Joystick* joy = Device(id);
    if (!joy) return false;
    r->x = static_cast<uint32_t>(SDL_JoystickGetAxis(joy, 0) + 32768);
    r->y = static_cast<uint32_t>(SDL_JoystickGetAxis(joy, 1) + 32768);
    r->buttons = 0;
    int count = SDL_JoystickNumButtons(joy);
    for (int i = 0; i < count && i < 32; ++i)
        if (SDL_JoystickGetButton(joy, i)) r->buttons |= 1u << i;
    return true;
}

uint32_t Axis(uint32_t value, bool deadZone) {
    if (deadZone && std::abs(static_cast<int>(value) - static_cast<int>(kCentre)) < kDeadZone)
        return kCentre;
    return value;
}

}  // namespace

uint32_t JoyGetPosEx(int id, JOYINFOEX* info) {
    if (id < 0 || id >= gk::kJoysticks) return JOYERR_PARMS;
    JoyReading r = feeding ? fed[id] : ReadJoystickDevice(id);
    if (!r.attached) return JOYERR_UNPLUGGED;
    bool deadZone = info->dwFlags & JOY_USEDEADZONE;
    if (info->dwFlags & JOY_RETURNX) info->dwXpos = Axis(r.x, deadZone);
    if (info->dwFlags & JOY_RETURNY) info->dwYpos = Axis(r.y, deadZone);
    if (info->dwFlags & JOY_RETURNBUTTONS) {
        info->dwButtons = r.buttons;
        info->dwButtonNumber = static_cast<uint32_t>(std::popcount(r.buttons));
    }
    return JOYERR_NOERROR;
}

JoyReading ReadJoystickDevice(int id) {
    if (id < 0 || id >= gk::kJoysticks) return {};
    if (IsHeadless()) return injected[id];
    JoyReading r{};
    r.attached = SdlRead(id, &r);
    return r;
}

void FeedJoysticks(bool on) {
    feeding = on;
    for (JoyReading& r : fed) r = {};
}

void SetFedJoystick(int id, const JoyReading& reading) {
    if (id >= 0 && id < gk::kJoysticks) fed[id] = reading;
}

void JoyConfigChanged() {
    if (IsHeadless() || !SdlReady()) return;
    SDL_JoystickUpdate();
    for (int id = 0; id < gk::kJoysticks; ++id) Device(id);
}

namespace headless {
void SetJoystick(int id, uint32_t x, uint32_t y, uint32_t buttons) {
    injected[id] = {true, x, y, buttons};
}
void UnplugJoystick(int id) {
    injected[id].attached = false;
}
void ResetJoysticks() {
    for (JoyReading& r : injected) r = {};
    FeedJoysticks(false);
}
}  // namespace headless

}  // namespace plat
