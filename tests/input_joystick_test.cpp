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

constexpr uint32_t kMid = 32767, kHigh = 65535;
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
    // JoyAxis's x after each of `count` frames of `ms`.
    static Ints AxisX(int count, uint32_t ms) {
        Ints seen;
        for (int i = 0; i < count; ++i) {
            Frame(ms);
            seen.push_back(Two(gkSystem::JoyAxis)[0]);
        }
        return seen;
    }
};

TEST_F(Joystick, ThresholdsAtHalfAndOneAndAHalfTheRestPadDigitsAndDeadZone) {
    EXPECT_EQ(Two(gkSystem::JoyGetCenter), (Ints{32767, 32767}));
    Ints directions;
    for (uint32_t position : {0u, 16383u, 16384u, kMid, 49149u, 49150u, kHigh}) {
        Stick(position, position);
        const Ints d = Two(gkSystem::JoyDirection);
        directions.push_back(d[0]);
        EXPECT_EQ(d[1], d[0]) << position;
    }
    EXPECT_EQ(directions, (Ints{-1, -1, 0, 0, 0, 1, 1}));
    Ints digits;
    for (uint32_t y : {0u, kMid, kHigh})
        for (uint32_t x : {0u, kMid, kHigh}) {
            Stick(x, y);
            digits.push_back(gkSystem::JoyPad(0));
        }
    EXPECT_EQ(digits, (Ints{7, 8, 9, 4, 5, 6, 1, 2, 3}));

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

TEST_F(Joystick, ButtonsAndTriggers) {
    Stick(kMid, kMid, 0x8000000Au);
    Ints seen;
    for (int button : {0, 1, 2, 4, 32, 33}) seen.push_back(gkSystem::JoyButton(0, button));
    EXPECT_EQ(seen, (Ints{0, 0, 1, 1, 1, 0}));
    Stick(kMid, kMid, 0b0101);
    EXPECT_EQ(Four(gkSystem::JoyButtons), (Ints{1, 0, 1, 0}));
    for (int button : {0, 5, -1})  // only buttons 1 to 4 keep state
        EXPECT_EQ(gkSystem::JoyButtonState(0, button) + gkSystem::JoyButtonRamp(0, button), 0);

    // Pressed, held, released, idle; the four-at-once form keeps the same state.
    seen.clear();
    for (uint32_t buttons : {1u, 1u, 0u, 0u, 1u}) {
        Stick(kMid, kMid, buttons);
        seen.push_back(gkSystem::JoyButtonState(0, 1));
    }
    Stick(kMid, kMid, 0b0011);
    const Ints both = Four(gkSystem::JoyButtonStates);
    seen.insert(seen.end(), both.begin(), both.end());
    EXPECT_EQ(seen, (Ints{1, 3, 2, 0, 1, 3, 1, 0, 0}));
}

TEST_F(Joystick, AxisAndButtonRampsAndReset) {
    gkSystem::JoySetSpeed(0, 200, 50);
    Stick(0, kMid);  // fully left
    EXPECT_EQ(AxisX(6, 100), (Ints{-20, -40, -60, -80, -100, -100}));
    EXPECT_EQ(Two(gkSystem::JoyAxis)[1], 0);
    Stick(kMid, kMid);                              // released
    EXPECT_EQ(AxisX(3, 200), (Ints{-60, -20, 0}));  // the last step would pass 0
    Stick(kHigh, 0);                                // down-right is +x, up is -y
    Frame(300);
    EXPECT_EQ(Two(gkSystem::JoyAxis), (Ints{60, -60}));
    Frame(700);
    EXPECT_EQ(Two(gkSystem::JoyAxis), (Ints{100, -100}));

    // A held button's ramp reaches 100 in two seconds and drops to 0 on release.
    Ints seen;
    for (uint32_t buttons : {2u, 2u, 2u, 2u, 2u, 0u}) {
        Stick(kMid, kMid, buttons);
        Frame(500);
        seen.push_back(gkSystem::JoyButtonRamp(0, 2));
    }
    EXPECT_EQ(seen, (Ints{25, 50, 75, 100, 100, 0}));
    Stick(kMid, kMid, 0b1001);
    Frame(300);
    EXPECT_EQ(Four(gkSystem::JoyButtonRamps), (Ints{15, 0, 0, 15}));

    gkSystem::JoyButtonState(0, 1);
    gkSystem::JoyReset();  // values go, speeds and triggers stay
    const gkJoystickState& j = gkJoystick[0];
    EXPECT_EQ((std::vector<float>{j.AxisX, j.ButtonRamp[0], j.AxisSpeed, j.ButtonSpeed,
                                  float(j.ButtonState[0])}),
              (std::vector<float>{0, 0, 200, 50, 1}));
    gkSystem::JoyInit();  // zeroes both records
    EXPECT_EQ(std::tuple(j.AxisSpeed, j.ButtonState[0]), std::tuple(0.0f, 0));
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
    EXPECT_EQ(
        (Ints{gkSystem::JoyPad(0), gkSystem::JoyButton(0, 1), gkSystem::JoyButtonState(0, 1)}),
        (Ints{5, 0, 0}));
    // The stored state is left alone, except by the single-button ramp, which drops to 0.
    EXPECT_EQ((std::vector<float>{gkJoystick[0].AxisX, float(gkJoystick[0].ButtonState[0]),
                                  gkJoystick[0].ButtonRamp[0]}),
              (std::vector<float>{-20, 1, 5}));
    EXPECT_EQ(gkSystem::JoyButtonRamp(0, 1), 0);
    EXPECT_EQ(gkJoystick[0].ButtonRamp[0], 0.0f);

    Stick(kHigh, kMid);  // plugged in again, it reads at once
    EXPECT_EQ(gkSystem::JoyPad(0), 6);
    EXPECT_EQ(Two(gkSystem::JoyGetCenter, 1), (Ints{0, 0}));  // joystick 1 was never attached
    // Held right while measuring: thresholds 32767 and 98302, so centred reads as left and
    // full right is never right.
    gkSystem::JoyInit();
    Ints seen = Two(gkSystem::JoyGetCenter);
    for (uint32_t x : {kMid, kHigh}) {
        Stick(x, kMid);
        seen.push_back(Two(gkSystem::JoyDirection)[0]);
    }
    EXPECT_EQ(seen, (Ints{65535, 32767, -1, 0}));
}

}  // namespace
