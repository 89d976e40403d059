// Joystick reads (joyGetPosEx's role) for the platform's first and second joystick.
// SDL backend: SDL joysticks by device index, re-examined on every read so that plugging and
// unplugging while running is safe. Headless backend: joystick states injected by tests.
#pragma once

#include <cstdint>

#include "gk_limits.h"

namespace plat {

// Request flags and results, with their WinMM values.
constexpr uint32_t JOY_RETURNX = 0x1;
constexpr uint32_t JOY_RETURNY = 0x2;
constexpr uint32_t JOY_RETURNBUTTONS = 0x80;
constexpr uint32_t JOY_RETURNALL = 0xFF;
constexpr uint32_t JOY_USEDEADZONE = 0x800;
constexpr uint32_t JOYERR_NOERROR = 0;
constexpr uint32_t JOYERR_PARMS = 165;
constexpr uint32_t JOYERR_UNPLUGGED = 167;

// The 52-byte joystick information record. Positions are 0..65535 with the centre at 32767;
// button n (from 1) is bit n - 1 of dwButtons.
struct JOYINFOEX {
    uint32_t dwSize;
    uint32_t dwFlags;
    uint32_t dwXpos;
    uint32_t dwYpos;
    uint32_t dwZpos;
    uint32_t dwRpos;
    uint32_t dwUpos;
    uint32_t dwVpos;
    uint32_t dwButtons;
    uint32_t dwButtonNumber;
    uint32_t dwPOV;
    uint32_t dwReserved1;
    uint32_t dwReserved2;
};
static_assert(sizeof(JOYINFOEX) == 52);

// Reads joystick `id` (0 or 1) into the fields that info->dwFlags asks for (X, Y, buttons and
// the number of buttons down; the other axes are left alone: nothing here uses them).
// JOY_USEDEADZONE reports a stick near its middle as exactly centred. Returns JOYERR_NOERROR,
// JOYERR_UNPLUGGED for an absent or unplugged joystick, JOYERR_PARMS for another id.
uint32_t JoyGetPosEx(int id, JOYINFOEX* info);

// Looks again at which joysticks are attached (joyConfigChanged's role).
void JoyConfigChanged();

// One joystick as its device reports it.
struct JoyReading {
    bool attached;
    uint32_t x, y, buttons;
};
// Reads the device itself (the injected state on the headless backend), also while fed.
JoyReading ReadJoystickDevice(int id);  // id 0 or 1
// While fed, JoyGetPosEx reads the states given here instead of the devices: a recorded or
// replayed run takes the joysticks once per frame, so every read within a frame agrees.
void FeedJoysticks(bool on);
void SetFedJoystick(int id, const JoyReading& reading);  // id 0 or 1

namespace headless {
// Attaches joystick `id` with this position and these button bits (replacing an earlier state).
void SetJoystick(int id, uint32_t x, uint32_t y, uint32_t buttons);
// Unplugs joystick `id`: its reads fail until SetJoystick attaches it again.
void UnplugJoystick(int id);
// Both joysticks unplugged.
void ResetJoysticks();
}  // namespace headless

}  // namespace plat
