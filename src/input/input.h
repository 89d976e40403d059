// Joystick input: raw reads of joysticks 0 and 1, four-state button triggers, digital
// directions against the resting position measured at set-up, a numeric-keypad direction code,
// ramped axis values and per-button hold ramps. Every query reads the device when it is called.
#pragma once

#include "gk_limits.h"

// Per joystick: the ramped values and their speeds, and the state of buttons 1-4.
struct gkJoystickState {
    float AxisX, AxisY;                      // ramped axis values in [-100, 100]
    float AxisSpeed;                         // change of AxisX/AxisY per second
    float ButtonRamp[gk::kJoyStateButtons];  // hold ramps in [0, 100]
    float ButtonSpeed;                       // rise of the hold ramps per second
    int ButtonState[gk::kJoyStateButtons];   // triggers: 0 idle, 1 pressed, 3 held, 2 released
};
extern gkJoystickState gkJoystick[gk::kJoysticks];

// Resting position per joystick, measured by gkSystem::JoyInit (0, 0 when the read failed).
struct gkJoystickCenter {
    int CenterX, CenterY;
};
extern gkJoystickCenter gkJoyCenter[gk::kJoysticks];

// A failed read (no joystick, unplugged) gives 0 in every result (JoyPad: 5) and leaves the
// stored state alone, except that JoyButtonRamp then resets the ramp. Buttons are numbered
// from 1; the per-button trigger and ramp exist for buttons 1-4 only and other numbers read 0.
namespace gkSystem {
// Measures both resting positions and zeroes both records. Run by the screen set-up, with the
// sticks at rest.
void JoyInit();
// Both joysticks' axis values and hold ramps back to 0 (speeds and triggers kept).
void JoyReset();
void JoySetSpeed(int joy, float axisSpeed, float buttonSpeed);
void JoyGetCenter(int joy, int* x, int* y);  // no device read
int JoyButton(int joy, int button);          // 1 while the button is down
int JoyButtonState(int joy, int button);     // updated four-state trigger
void JoyButtons(int joy, int* b1, int* b2, int* b3, int* b4);
void JoyButtonStates(int joy, int* s1, int* s2, int* s3, int* s4);
int JoyButtonRamp(int joy, int button);  // updated hold ramp, truncated
void JoyButtonRamps(int joy, int* r1, int* r2, int* r3, int* r4);
void JoyDirection(int joy, int* x, int* y);  // -1 (left/up), 0 or +1 per axis
int JoyPad(int joy);                         // 7 8 9 / 4 5 6 / 1 2 3 like a numeric keypad
void JoyPosition(int joy, int* x, int* y);   // raw positions 0..65535
void JoyAxis(int joy, int* x, int* y);       // updated ramped axis values, truncated
}  // namespace gkSystem
