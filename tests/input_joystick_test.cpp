// Joystick queries on injected joystick states: thresholds, keypad digits, triggers, ramps,
// failed reads and the resting position measured at set-up.
#include "app/app.h"
#include "draw/draw.h"
#include "input/input.h"
#include "platform/clock.h"
#include "platform/joystick.h"
#include "support/fixture.h"
#include "system/system.h"

namespace {

constexpr uint32_t kMid = 32767;

class Joystick : public gktest::Framework {
  protected:
    // Attaches joystick 0 at rest and measures it.
    void SetUp() override {
        gktest::Framework::SetUp();
        plat::headless::SetJoystick(0, kMid, kMid, 0);
        gkSystem::JoyInit();
        gkSystem::ResetFrameTime();
    }
    static void Stick(uint32_t x, uint32_t y, uint32_t buttons = 0) {
        plat::headless::SetJoystick(0, x, y, buttons);
    }
    // Lets `ms` of virtual time pass as one frame.
    static void Frame(uint32_t ms) {
        plat::headless::AdvanceTime(ms);
        gkSystem::UpdateFrameTime();
    }
};

TEST_F(Joystick, RestingValueGivesThresholdsAtHalfAndOneAndAHalf) {
    int cx, cy;
    gkSystem::JoyGetCenter(0, &cx, &cy);
    EXPECT_EQ(cx, 32767);
    EXPECT_EQ(cy, 32767);
    struct Case {
        uint32_t position;
        int direction;
    } cases[] = {{0, -1}, {16383, -1}, {16384, 0}, {kMid, 0}, {49149, 0}, {49150, 1}, {65535, 1}};
    for (const Case& c : cases) {
        Stick(c.position, c.position);
        int x, y;
        gkSystem::JoyDirection(0, &x, &y);
        EXPECT_EQ(x, c.direction) << c.position;
        EXPECT_EQ(y, c.direction) << c.position;
    }
}

TEST_F(Joystick, PadGivesTheNineKeypadDigits) {
    const uint32_t low = 0, high = 65535;
    struct Case {
        uint32_t x, y;
        int digit;
    } cases[] = {{low, low, 7},   {kMid, low, 8}, {high, low, 9},  {low, kMid, 4}, {kMid, kMid, 5},
                 {high, kMid, 6}, {low, high, 1}, {kMid, high, 2}, {high, high, 3}};
    for (const Case& c : cases) {
        Stick(c.x, c.y);
        EXPECT_EQ(gkSystem::JoyPad(0), c.digit) << c.x << "," << c.y;
    }
}

TEST_F(Joystick, PositionIsRawExceptInsideTheDeadZone) {
    int x, y;
    Stick(1234, 60000);
    gkSystem::JoyPosition(0, &x, &y);
    EXPECT_EQ(x, 1234);
    EXPECT_EQ(y, 60000);
    Stick(kMid + 300, kMid - 300);  // a stick that does not quite settle reads centred
    gkSystem::JoyPosition(0, &x, &y);
    EXPECT_EQ(x, 32767);
    EXPECT_EQ(y, 32767);
    plat::JOYINFOEX info{};
    info.dwSize = sizeof info;
    info.dwFlags = plat::JOY_RETURNX;  // no dead zone asked for
    ASSERT_EQ(plat::JoyGetPosEx(0, &info), plat::JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, kMid + 300);
    EXPECT_EQ(plat::JoyGetPosEx(2, &info), plat::JOYERR_PARMS);
}

TEST_F(Joystick, ButtonsAreBitsFromOne) {
    Stick(kMid, kMid, 0b1010);
    EXPECT_EQ(gkSystem::JoyButton(0, 1), 0);
    EXPECT_EQ(gkSystem::JoyButton(0, 2), 1);
    EXPECT_EQ(gkSystem::JoyButton(0, 4), 1);
    EXPECT_EQ(gkSystem::JoyButton(0, 0), 0);
    EXPECT_EQ(gkSystem::JoyButton(0, 33), 0);
    Stick(kMid, kMid, 0x80000000u);
    EXPECT_EQ(gkSystem::JoyButton(0, 32), 1);
    int b[4];
    Stick(kMid, kMid, 0b0101);
    gkSystem::JoyButtons(0, &b[0], &b[1], &b[2], &b[3]);
    EXPECT_EQ((std::vector<int>(b, b + 4)), (std::vector<int>{1, 0, 1, 0}));
}

TEST_F(Joystick, TriggerRunsPressedHeldReleasedIdle) {
    std::vector<int> seen;
    for (uint32_t buttons : {1u, 1u, 1u, 0u, 0u, 1u}) {
        Stick(kMid, kMid, buttons);
        seen.push_back(gkSystem::JoyButtonState(0, 1));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 3, 2, 0, 1}));
    EXPECT_EQ(gkJoystick[0].ButtonState[0], 1);

    // The four-at-once form keeps the same per-button state.
    int s[4];
    Stick(kMid, kMid, 0b0011);
    gkSystem::JoyButtonStates(0, &s[0], &s[1], &s[2], &s[3]);
    EXPECT_EQ((std::vector<int>(s, s + 4)), (std::vector<int>{3, 1, 0, 0}));
    Stick(kMid, kMid, 0);
    gkSystem::JoyButtonStates(0, &s[0], &s[1], &s[2], &s[3]);
    EXPECT_EQ((std::vector<int>(s, s + 4)), (std::vector<int>{2, 2, 0, 0}));
}

TEST_F(Joystick, TriggerReadsZeroDuringAFadeAndInKeyCapture) {
    Stick(kMid, kMid, 1);
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 1);
    gkPresent.TransitionStep = 3;  // a fade is running
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
    EXPECT_EQ(gkJoystick[0].ButtonState[0], 0);
    gkPresent.TransitionStep = 0;  // the fade has ended
    // The forced 0 was stored, so the still-held button counts as a new press.
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 1);
    gkSystem::BeginKeyCapture();
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
    gkSystem::EndKeyCapture();
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 1);
}

TEST_F(Joystick, AxisRampsToFullAndBackWithoutOvershoot) {
    gkSystem::JoySetSpeed(0, 200, 0);
    int x, y;
    Stick(0, kMid);  // fully left
    std::vector<int> seen;
    for (int i = 0; i < 6; ++i) {
        Frame(100);
        gkSystem::JoyAxis(0, &x, &y);
        seen.push_back(x);
        EXPECT_EQ(y, 0);
    }
    EXPECT_EQ(seen, (std::vector<int>{-20, -40, -60, -80, -100, -100}));
    Stick(kMid, kMid);  // released
    seen.clear();
    for (int i = 0; i < 3; ++i) {
        Frame(200);
        gkSystem::JoyAxis(0, &x, &y);
        seen.push_back(x);
    }
    EXPECT_EQ(seen, (std::vector<int>{-60, -20, 0}));  // the last step would pass 0
    EXPECT_EQ(gkJoystick[0].AxisX, 0.0f);

    Stick(65535, 0);  // down-right is +x, up is -y
    Frame(300);
    gkSystem::JoyAxis(0, &x, &y);
    EXPECT_EQ(x, 60);
    EXPECT_EQ(y, -60);
    Frame(700);
    gkSystem::JoyAxis(0, &x, &y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, -100);
}

TEST_F(Joystick, ButtonRampReachesHundredInTwoSecondsAndDropsOnRelease) {
    gkSystem::JoySetSpeed(0, 0, 50);
    Stick(kMid, kMid, 0b10);
    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) {
        Frame(500);
        seen.push_back(gkSystem::JoyButtonRamp(0, 2));
    }
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100, 100}));
    EXPECT_EQ(gkJoystick[0].ButtonRamp[1], 100.0f);
    Stick(kMid, kMid, 0);
    Frame(500);
    EXPECT_EQ(gkSystem::JoyButtonRamp(0, 2), 0);

    int r[4];
    Stick(kMid, kMid, 0b1001);
    Frame(300);
    gkSystem::JoyButtonRamps(0, &r[0], &r[1], &r[2], &r[3]);
    EXPECT_EQ((std::vector<int>(r, r + 4)), (std::vector<int>{15, 0, 0, 15}));
}

TEST_F(Joystick, ResetClearsValuesButKeepsSpeedsAndTriggers) {
    gkSystem::JoySetSpeed(0, 200, 50);
    Stick(0, kMid, 1);
    Frame(100);
    int x, y;
    gkSystem::JoyAxis(0, &x, &y);
    gkSystem::JoyButtonRamp(0, 1);
    gkSystem::JoyButtonState(0, 1);
    gkSystem::JoyReset();
    const gkJoystickState& j = gkJoystick[0];
    EXPECT_EQ(j.AxisX, 0.0f);
    EXPECT_EQ(j.ButtonRamp[0], 0.0f);
    EXPECT_EQ(j.AxisSpeed, 200.0f);
    EXPECT_EQ(j.ButtonSpeed, 50.0f);
    EXPECT_EQ(j.ButtonState[0], 1);
}

TEST_F(Joystick, WithoutAJoystickEveryQueryGivesZerosAndPadFive) {
    gkSystem::JoySetSpeed(0, 200, 50);
    Stick(0, kMid, 1);
    Frame(100);
    int x, y;
    gkSystem::JoyAxis(0, &x, &y);  // -20
    gkSystem::JoyButtonState(0, 1);
    int r[4];
    gkSystem::JoyButtonRamps(0, &r[0], &r[1], &r[2], &r[3]);  // button 1 at 5
    plat::headless::UnplugJoystick(0);
    Frame(100);

    int out[4] = {9, 9, 9, 9};
    gkSystem::JoyPosition(0, &out[0], &out[1]);
    gkSystem::JoyDirection(0, &out[2], &out[3]);
    EXPECT_EQ((std::vector<int>(out, out + 4)), (std::vector<int>{0, 0, 0, 0}));
    gkSystem::JoyAxis(0, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(gkSystem::JoyPad(0), 5);
    EXPECT_EQ(gkSystem::JoyButton(0, 1), 0);
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
    gkSystem::JoyButtons(0, &out[0], &out[1], &out[2], &out[3]);
    EXPECT_EQ(out[0], 0);
    gkSystem::JoyButtonStates(0, &out[0], &out[1], &out[2], &out[3]);
    EXPECT_EQ(out[0], 0);
    gkSystem::JoyButtonRamps(0, &out[0], &out[1], &out[2], &out[3]);
    EXPECT_EQ(out[0], 0);
    // The stored state is left alone ...
    EXPECT_EQ(gkJoystick[0].AxisX, -20.0f);
    EXPECT_EQ(gkJoystick[0].ButtonState[0], 1);
    EXPECT_EQ(gkJoystick[0].ButtonRamp[0], 5.0f);
    // ... except by the single-button ramp, which drops to 0.
    EXPECT_EQ(gkSystem::JoyButtonRamp(0, 1), 0);
    EXPECT_EQ(gkJoystick[0].ButtonRamp[0], 0.0f);

    // Plugged in again, it reads at once.
    Stick(65535, kMid);
    EXPECT_EQ(gkSystem::JoyPad(0), 6);
    // Joystick 1 was never attached: its centre measured 0.
    int cx, cy;
    gkSystem::JoyGetCenter(1, &cx, &cy);
    EXPECT_EQ(cx, 0);
    EXPECT_EQ(cy, 0);
    EXPECT_EQ(gkSystem::JoyPad(1), 5);
}

TEST_F(Joystick, ButtonsOutsideOneToFourKeepNoState) {
    gkSystem::JoySetSpeed(0, 0, 50);
    Stick(kMid, kMid, 0xFF);
    Frame(100);
    for (int button : {0, 5, -1}) {
        EXPECT_EQ(gkSystem::JoyButtonState(0, button), 0);
        EXPECT_EQ(gkSystem::JoyButtonRamp(0, button), 0);
    }
    EXPECT_EQ(gkSystem::JoyButton(0, 5), 1);
}

TEST_F(Joystick, StickMovedDuringSetUpMeasuresAWrongCentre) {
    Stick(65535, kMid);  // held right while the screen is set up
    gkSystem::JoyInit();
    int cx, cy;
    gkSystem::JoyGetCenter(0, &cx, &cy);
    EXPECT_EQ(cx, 65535);
    // Thresholds 32767 and 98302: centred reads as left and full right is never right.
    int x, y;
    Stick(kMid, kMid);
    gkSystem::JoyDirection(0, &x, &y);
    EXPECT_EQ(x, -1);
    Stick(65535, kMid);
    gkSystem::JoyDirection(0, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(gkSystem::JoyPad(0), 5);
}

TEST_F(Joystick, InitZeroesBothRecords) {
    gkSystem::JoySetSpeed(1, 10, 20);
    gkJoystick[0].ButtonState[2] = 3;
    gkSystem::JoyInit();
    EXPECT_EQ(gkJoystick[1].AxisSpeed, 0.0f);
    EXPECT_EQ(gkJoystick[1].ButtonSpeed, 0.0f);
    EXPECT_EQ(gkJoystick[0].ButtonState[2], 0);
}

}  // namespace
