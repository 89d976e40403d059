// Joystick queries on injected joystick states: thresholds, keypad digits, triggers, ramps,
// failed reads and the resting position measured at set-up.
#include "app/app.h"
#include "draw/draw.h"
#include "input/input.h"
#include "platform/clock.h"
#include "platform/joystick.h"
#include "support/fixture.h"
#include "support/window_util.h"
#include "system/system.h"

namespace {

constexpr uint32_t kMid = 32767;
using gktest::Ints;

// What a two-value query gives for joystick `n`.
Ints Two(void (*query)(int, int*, int*), int n = 0) {
    int a = 9, b = 9;
    query(n, &a, &b);
    return {a, b};
}

// What a four-button query gives for joystick 0.
Ints Four(void (*query)(int, int*, int*, int*, int*)) {
    int v[4] = {9, 9, 9, 9};
    query(0, &v[0], &v[1], &v[2], &v[3]);
    return Ints(v, v + 4);
}

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
    EXPECT_EQ(Two(gkSystem::JoyGetCenter), (Ints{32767, 32767}));
    struct Case {
        uint32_t position;
        int direction;
    } cases[] = {{0, -1}, {16383, -1}, {16384, 0}, {kMid, 0}, {49149, 0}, {49150, 1}, {65535, 1}};
    for (const Case& c : cases) {
        Stick(c.position, c.position);
        EXPECT_EQ(Two(gkSystem::JoyDirection), (Ints{c.direction, c.direction})) << c.position;
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
    Stick(1234, 60000);
    EXPECT_EQ(Two(gkSystem::JoyPosition), (Ints{1234, 60000}));
    Stick(kMid + 300, kMid - 300);  // a stick that does not quite settle reads centred
    EXPECT_EQ(Two(gkSystem::JoyPosition), (Ints{32767, 32767}));
    plat::JOYINFOEX info{};
    info.dwSize = sizeof info;
    info.dwFlags = plat::JOY_RETURNX;  // no dead zone asked for
    ASSERT_EQ(plat::JoyGetPosEx(0, &info), plat::JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, kMid + 300);
    EXPECT_EQ(plat::JoyGetPosEx(2, &info), plat::JOYERR_PARMS);
}

TEST_F(Joystick, ButtonsAreBitsFromOneAndOnlyOneToFourKeepState) {
    Stick(kMid, kMid, 0x8000000Au);
    Ints seen;
    for (int button : {0, 1, 2, 4, 32, 33}) seen.push_back(gkSystem::JoyButton(0, button));
    EXPECT_EQ(seen, (Ints{0, 0, 1, 1, 1, 0}));
    Stick(kMid, kMid, 0b0101);
    EXPECT_EQ(Four(gkSystem::JoyButtons), (Ints{1, 0, 1, 0}));
    gkSystem::JoySetSpeed(0, 0, 50);
    Stick(kMid, kMid, 0xFF);
    Frame(100);
    EXPECT_EQ(gkSystem::JoyButton(0, 5), 1);
    for (int button : {0, 5, -1}) {
        EXPECT_EQ(gkSystem::JoyButtonState(0, button), 0);
        EXPECT_EQ(gkSystem::JoyButtonRamp(0, button), 0);
    }
}

TEST_F(Joystick, TriggerRunsPressedHeldReleasedIdle) {
    Ints seen;
    for (uint32_t buttons : {1u, 1u, 1u, 0u, 0u, 1u}) {
        Stick(kMid, kMid, buttons);
        seen.push_back(gkSystem::JoyButtonState(0, 1));
    }
    EXPECT_EQ(seen, (Ints{1, 3, 3, 2, 0, 1}));
    // The four-at-once form keeps the same per-button state.
    Stick(kMid, kMid, 0b0011);
    EXPECT_EQ(Four(gkSystem::JoyButtonStates), (Ints{3, 1, 0, 0}));
    Stick(kMid, kMid, 0);
    EXPECT_EQ(Four(gkSystem::JoyButtonStates), (Ints{2, 2, 0, 0}));
}

TEST_F(Joystick, TriggerReadsZeroDuringAFadeAndInKeyCapture) {
    Stick(kMid, kMid, 1);
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 1);
    gkPresent.TransitionStep = 3;  // a fade is running
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
    gkPresent.TransitionStep = 0;  // the fade has ended
    // The forced 0 was stored, so the still-held button counts as a new press.
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 1);
    gkSystem::BeginKeyCapture();
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
    gkSystem::EndKeyCapture();
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 1);
}

// JoyAxis's x after each of `count` frames of `ms`.
Ints AxisX(int count, uint32_t ms) {
    Ints seen;
    for (int i = 0; i < count; ++i) {
        plat::headless::AdvanceTime(ms);
        gkSystem::UpdateFrameTime();
        seen.push_back(Two(gkSystem::JoyAxis)[0]);
    }
    return seen;
}

TEST_F(Joystick, AxisRampsToFullAndBackWithoutOvershoot) {
    gkSystem::JoySetSpeed(0, 200, 0);
    Stick(0, kMid);  // fully left
    EXPECT_EQ(AxisX(6, 100), (Ints{-20, -40, -60, -80, -100, -100}));
    EXPECT_EQ(Two(gkSystem::JoyAxis)[1], 0);
    Stick(kMid, kMid);                              // released
    EXPECT_EQ(AxisX(3, 200), (Ints{-60, -20, 0}));  // the last step would pass 0
    Stick(65535, 0);                                // down-right is +x, up is -y
    Frame(300);
    EXPECT_EQ(Two(gkSystem::JoyAxis), (Ints{60, -60}));
    Frame(700);
    EXPECT_EQ(Two(gkSystem::JoyAxis), (Ints{100, -100}));
}

TEST_F(Joystick, ButtonRampReachesHundredInTwoSecondsAndDropsOnRelease) {
    gkSystem::JoySetSpeed(0, 0, 50);
    Stick(kMid, kMid, 0b10);
    Ints seen;
    for (int i = 0; i < 5; ++i) {
        Frame(500);
        seen.push_back(gkSystem::JoyButtonRamp(0, 2));
    }
    EXPECT_EQ(seen, (Ints{25, 50, 75, 100, 100}));
    Stick(kMid, kMid, 0);
    Frame(500);
    EXPECT_EQ(gkSystem::JoyButtonRamp(0, 2), 0);
    Stick(kMid, kMid, 0b1001);
    Frame(300);
    EXPECT_EQ(Four(gkSystem::JoyButtonRamps), (Ints{15, 0, 0, 15}));
}

TEST_F(Joystick, ResetClearsValuesButKeepsSpeedsAndTriggers) {
    gkSystem::JoySetSpeed(0, 200, 50);
    Stick(0, kMid, 1);
    Frame(100);
    Two(gkSystem::JoyAxis);
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
    Two(gkSystem::JoyAxis);  // -20
    gkSystem::JoyButtonState(0, 1);
    Four(gkSystem::JoyButtonRamps);  // button 1 at 5
    plat::headless::UnplugJoystick(0);
    Frame(100);

    for (auto query : {gkSystem::JoyPosition, gkSystem::JoyDirection, gkSystem::JoyAxis})
        EXPECT_EQ(Two(query), (Ints{0, 0}));
    for (auto query : {gkSystem::JoyButtons, gkSystem::JoyButtonStates, gkSystem::JoyButtonRamps})
        EXPECT_EQ(Four(query), (Ints{0, 0, 0, 0}));
    EXPECT_EQ(gkSystem::JoyPad(0), 5);
    EXPECT_EQ(gkSystem::JoyButton(0, 1), 0);
    EXPECT_EQ(gkSystem::JoyButtonState(0, 1), 0);
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
    EXPECT_EQ(Two(gkSystem::JoyGetCenter, 1), (Ints{0, 0}));
    EXPECT_EQ(gkSystem::JoyPad(1), 5);
}

TEST_F(Joystick, StickMovedDuringSetUpMeasuresAWrongCentre) {
    Stick(65535, kMid);  // held right while the screen is set up
    gkSystem::JoyInit();
    EXPECT_EQ(Two(gkSystem::JoyGetCenter)[0], 65535);
    // Thresholds 32767 and 98302: centred reads as left and full right is never right.
    Stick(kMid, kMid);
    EXPECT_EQ(Two(gkSystem::JoyDirection)[0], -1);
    Stick(65535, kMid);
    EXPECT_EQ(Two(gkSystem::JoyDirection)[0], 0);
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
