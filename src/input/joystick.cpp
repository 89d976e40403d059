// Joystick queries over the platform's joystick reads. There is no per-frame gathering: each
// query reads the device, and the ramps advance by the frame time of the current frame.
#include "platform/joystick.h"

#include <algorithm>

#include "app/app.h"
#include "draw/draw.h"
#include "input/input.h"
#include "system/system.h"

gkJoystickState gkJoystick[gk::kJoysticks];
gkJoystickCenter gkJoyCenter[gk::kJoysticks];

namespace {

// Read requests: everything for the resting position, buttons only, position only.
constexpr uint32_t kReadAll = plat::JOY_RETURNALL | plat::JOY_USEDEADZONE;
constexpr uint32_t kReadButtons = plat::JOY_RETURNBUTTONS;
constexpr uint32_t kReadPosition = plat::JOY_RETURNX | plat::JOY_RETURNY | plat::JOY_USEDEADZONE;

// The one information record every query fills.
plat::JOYINFOEX info;

bool Known(int joy) {
    return joy >= 0 && joy < gk::kJoysticks;
}

// A joystick number outside the table reads as a failed read.
bool Read(int joy, uint32_t flags) {
    info = {};
    if (!Known(joy)) return false;
    info.dwSize = sizeof info;
    info.dwFlags = flags;
    return plat::JoyGetPosEx(joy, &info) == plat::JOYERR_NOERROR;
}

bool HasState(int button) {
    return button >= 1 && button <= gk::kJoyStateButtons;
}

bool Down(int button) {
    return button >= 1 && button <= 32 && (info.dwButtons >> (button - 1) & 1);
}

// Low/centre/high of a position against a resting value c: low at or below c/2, high at or
// above c/2 + c.
int Direction(uint32_t position, int c) {
    long p = position;
    if (p <= c / 2) return -1;
    if (p >= c / 2 + c) return 1;
    return 0;
}

void Directions(int joy, int* x, int* y) {
    *x = Direction(info.dwXpos, gkJoyCenter[joy].CenterX);
    *y = Direction(info.dwYpos, gkJoyCenter[joy].CenterY);
}

// Moves a ramped axis value towards d * 100, or back to 0 when d is 0 without overshooting.
void StepAxis(float* value, int d, float step) {
    if (d != 0) {
        *value = std::clamp(*value + d * step, -100.0f, 100.0f);
        return;
    }
    if (*value > 0) *value = std::max(*value - step, 0.0f);
    if (*value < 0) *value = std::min(*value + step, 0.0f);
}

int Trigger(int joy, int button) {
    int* state = &gkJoystick[joy].ButtonState[button - 1];
    gkSystem::StepTrigger(state, Down(button));
    return *state;
}

int Ramp(int joy, int button) {
    gkJoystickState& j = gkJoystick[joy];
    float& ramp = j.ButtonRamp[button - 1];
    ramp = Down(button) ? std::min(ramp + gkSystem::FrameDelta * j.ButtonSpeed, 100.0f) : 0.0f;
    return static_cast<int>(ramp);
}

// Fills four outs from buttons 1-4 with `each`, or zeros when the read fails.
template <class Each>
void FourButtons(int joy, int* out[4], Each each) {
    bool ok = Read(joy, kReadButtons);
    for (int b = 1; b <= 4; ++b) *out[b - 1] = ok ? each(b) : 0;
}

}  // namespace

namespace gkSystem {

void JoyInit() {
    plat::JoyConfigChanged();
    for (int joy = 0; joy < gk::kJoysticks; ++joy) {
        bool ok = Read(joy, kReadAll);
        gkJoyCenter[joy] = {ok ? static_cast<int>(info.dwXpos) : 0,
                            ok ? static_cast<int>(info.dwYpos) : 0};
        gkJoystick[joy] = {};
    }
}

void JoyReset() {
    for (gkJoystickState& j : gkJoystick) {
        j.AxisX = j.AxisY = 0;
        std::fill(std::begin(j.ButtonRamp), std::end(j.ButtonRamp), 0.0f);
    }
}

void JoySetSpeed(int joy, float axisSpeed, float buttonSpeed) {
    if (!Known(joy)) return;
    gkJoystick[joy].AxisSpeed = axisSpeed;
    gkJoystick[joy].ButtonSpeed = buttonSpeed;
}

void JoyGetCenter(int joy, int* x, int* y) {
    if (!Known(joy)) {
        *x = *y = 0;
        return;
    }
    *x = gkJoyCenter[joy].CenterX;
    *y = gkJoyCenter[joy].CenterY;
}

int JoyButton(int joy, int button) {
    return Read(joy, kReadButtons) && Down(button);
}

int JoyButtonState(int joy, int button) {
    if (!HasState(button) || !Read(joy, kReadButtons)) return 0;
    return Trigger(joy, button);
}

void JoyButtons(int joy, int* b1, int* b2, int* b3, int* b4) {
    int* out[4] = {b1, b2, b3, b4};
    FourButtons(joy, out, [](int b) { return Down(b) ? 1 : 0; });
}

void JoyButtonStates(int joy, int* s1, int* s2, int* s3, int* s4) {
    int* out[4] = {s1, s2, s3, s4};
    FourButtons(joy, out, [joy](int b) { return Trigger(joy, b); });
}

int JoyButtonRamp(int joy, int button) {
    if (!HasState(button) || !Known(joy)) return 0;
    if (!JoyButton(joy, button)) {
        gkJoystick[joy].ButtonRamp[button - 1] = 0;
        return 0;
    }
    return Ramp(joy, button);
}

void JoyButtonRamps(int joy, int* r1, int* r2, int* r3, int* r4) {
    int* out[4] = {r1, r2, r3, r4};
    FourButtons(joy, out, [joy](int b) { return Ramp(joy, b); });
}

void JoyDirection(int joy, int* x, int* y) {
    *x = *y = 0;
    if (Read(joy, kReadPosition)) Directions(joy, x, y);
}

int JoyPad(int joy) {
    int x, y;
    JoyDirection(joy, &x, &y);
    // Rows of a numeric keypad: up is 7 8 9, down is 1 2 3.
    return 5 + x - 3 * y;
}

void JoyPosition(int joy, int* x, int* y) {
    bool ok = Read(joy, kReadPosition);
    *x = ok ? static_cast<int>(info.dwXpos) : 0;
    *y = ok ? static_cast<int>(info.dwYpos) : 0;
}

void JoyAxis(int joy, int* x, int* y) {
    *x = *y = 0;
    if (!Read(joy, kReadPosition)) return;
    gkJoystickState& j = gkJoystick[joy];
    int dx, dy;
    Directions(joy, &dx, &dy);
    float step = j.AxisSpeed * gkSystem::FrameDelta;
    StepAxis(&j.AxisX, dx, step);
    StepAxis(&j.AxisY, dy, step);
    *x = static_cast<int>(j.AxisX);
    *y = static_cast<int>(j.AxisY);
}

}  // namespace gkSystem
