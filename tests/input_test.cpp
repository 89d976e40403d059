// The window procedure row by row (the gkInput fields each message sets, what it returns, whether
// the message went on to the default procedure), key triggers, the press-and-release detector,
// pointer positioning and confinement, and joystick queries on injected joystick states:
// thresholds, keypad digits, triggers, ramps, failed reads and the resting position.
#include <cstdlib>

#include "gk.h"
#include "platform/clock.h"
#include "platform/joystick.h"
#include "platform/window.h"
#include "support/fixture.h"

namespace {

using gktest::Clip;
using gktest::Ints;

gkInputState& in = gkInput;
int activations[2];

constexpr uint32_t kMid = 32767, kHigh = 65535;

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

void Stick(uint32_t x, uint32_t y, uint32_t buttons = 0) {
    plat::headless::SetJoystick(0, x, y, buttons);
}

// Lets `ms` of virtual time pass as one frame.
void Frame(uint32_t ms) {
    plat::headless::AdvanceTime(ms);
    gkSystem::UpdateFrameTime();
}

// JoyAxis's x and y after each of `count` frames of `ms`.
Ints Axis(int count, uint32_t ms) {
    Ints seen;
    for (int i = 0; i < count; ++i) {
        Frame(ms);
        for (int value : Two(gkSystem::JoyAxis)) seen.push_back(value);
    }
    return seen;
}

class InputTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        activations[0] = activations[1] = 0;
        gkSystem::SetGameHooks({nullptr, nullptr, nullptr, [](int flag) { ++activations[flag]; }});
        gkScreen.Width = 640;
        gkScreen.Height = 480;
        Stick(kMid, kMid);  // joystick 0 at rest, measured
        gkSystem::JoyInit();
    }
    // Sends one message; remembers whether the default procedure ran.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        int before = plat::headless::DefWindowProcCalls();
        LRESULT result = gkSystem::WndProc(nullptr, message, wParam, lParam);
        reachedDefault = plat::headless::DefWindowProcCalls() != before;
        return result;
    }
    bool reachedDefault = false;
};

TEST_F(InputTest, ResultsAndDefaultProcedureByAltModeAndScreen) {
    // Message, wParam, Alt mode, full screen, box open; the result, whether the message went on
    // and the last key the game was given. Alt mode 0 swallows every Alt key, mode 2 only the Alt
    // key itself; hot keys become key presses; the cursor is hidden only in full screen without a
    // box. Other system commands (here minimise, 0xF020) and unknown messages (0x400, the first
    // user message) go on.
    const std::tuple<UINT, WPARAM, int, int, int, Ints> rows[] = {
        {WM_SYSKEYDOWN, VK_F4, 0, 0, 0, {0, 0, 0}},
        {WM_SYSKEYDOWN, VK_MENU, 2, 0, 0, {0, 0, 0}},
        {WM_SYSKEYDOWN, 'X', 2, 0, 0, {0, 1, 'X'}},
        {WM_SYSKEYDOWN, VK_MENU, 1, 0, 0, {0, 1, VK_MENU}},
        {WM_HOTKEY, 0xBF02, 0, 0, 0, {0, 0, 0x101}},
        {WM_HOTKEY, 0xBF01, 0, 0, 0, {0, 0, VK_SNAPSHOT}},
        {WM_SYSCOMMAND, SC_SCREENSAVE | 0x5, 0, 0, 0, {0, 0, VK_SNAPSHOT}},
        {WM_SYSCOMMAND, 0xF020, 0, 0, 0, {0, 1, VK_SNAPSHOT}},
        {0x0400, 0, 0, 0, 0, {0, 1, VK_SNAPSHOT}},
        {WM_DESTROY, 0, 0, 0, 0, {0, 0, VK_SNAPSHOT}},
        {WM_SETCURSOR, 0, 0, 0, 0, {1, 1, VK_SNAPSHOT}},
        {WM_SETCURSOR, 0, 0, 1, 1, {1, 1, VK_SNAPSHOT}},
        {WM_SETCURSOR, 0, 0, 1, 0, {1, 0, VK_SNAPSHOT}}};
    for (const auto& [message, wParam, alt, fullScreen, boxOpen, answer] : rows) {
        gkSystem::SetAltKey(alt);
        gkApp.FullScreen = fullScreen;
        gkApp.MessageBoxOpen = boxOpen;
        const int result = static_cast<int>(Send(message, wParam, kKeyContextAlt));
        EXPECT_EQ((Ints{result, reachedDefault, in.LastKey}), answer)
            << std::hex << message << " " << wParam;
    }
    EXPECT_FALSE(plat::headless::CursorImageShown());
    EXPECT_EQ(gktest::Queued(), Ints{WM_QUIT});  // posted by WM_DESTROY
    // Alt+F4 reaching the default procedure is the close box: it runs Quit, which then posts no
    // second WM_CLOSE, and closes the window.
    plat::CreateMainWindow("Gridkeep", 640, 480, true, gkSystem::WndProc);
    gkSystem::SetAltKey(1);
    Send(WM_SYSKEYDOWN, VK_F4, kKeyContextAlt);
    EXPECT_FALSE(plat::headless::WindowOpen());
    EXPECT_EQ((Ints{gkApp.Ended, gkApp.CloseState}), (Ints{1, 2}));
    EXPECT_EQ(gktest::Queued(), (Ints{WM_MOVE, WM_QUIT}));  // the window's first move, no WM_CLOSE
}

TEST_F(InputTest, MouseMovesButtonsAndDoubleClicks) {
    Send(WM_MOUSEMOVE, 0, plat::MakeLParam(0xFFFF, 300));  // both halves zero-extended
    EXPECT_EQ((Ints{in.MouseX, in.MouseY, reachedDefault}), (Ints{0xFFFF, 300, 1}));
    gkApp.FullScreen = 0;
    Send(WM_MOVE, 0, plat::MakeLParam(-20, 35));  // the client origin is signed
    const plat::Rect& c = gkScreen.ClientRect;
    EXPECT_EQ((Ints{gkScreen.OriginX, gkScreen.OriginY, c.left, c.top, c.right, c.bottom}),
              (Ints{-20, 35, -20, 35, 620, 515}));
    EXPECT_EQ(Clip(), Ints{});
    gkApp.ClipMouse = 1;
    Send(WM_MOVE, 0, plat::MakeLParam(100, 50));
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(Clip(), (Ints{100, 50, 740, 530}));

    // After each message: its result, whether it went on; Left Down, Click, Latch, Double, the
    // same for the right button, MouseButton and LastMouseButton. A release clears only its own
    // button number, the second press of a double click sets only LeftDouble.
    const std::pair<UINT, Ints> steps[] = {{WM_LBUTTONDBLCLK, {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}},
                                           {WM_LBUTTONDOWN, {0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1, 1}},
                                           {WM_RBUTTONDOWN, {0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 2, 2}},
                                           {WM_LBUTTONUP, {0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 2, 2}},
                                           {WM_RBUTTONUP, {0, 1, 0, 1, 1, 1, 0, 1, 1, 0, 0, 2}}};
    for (const auto& [message, fields] : steps) {
        const int result = static_cast<int>(Send(message));
        EXPECT_EQ((Ints{result, reachedDefault, in.LeftDown, in.LeftClick, in.LeftLatch,
                        in.LeftDouble, in.RightDown, in.RightClick, in.RightLatch, in.RightDouble,
                        in.MouseButton, in.LastMouseButton}),
                  fields)
            << message;
    }
    // A right double click toggles the confinement, only with ClipMouse; it is not passed on.
    Ints limited;
    for (int clip : {1, 1, 0}) {
        gkApp.ClipMouse = clip;
        limited.push_back(static_cast<int>(Send(WM_RBUTTONDBLCLK)));
        limited.push_back(in.MouseLimited);
    }
    EXPECT_EQ((Ints{reachedDefault, in.RightDouble}), (Ints{0, 1}));
    EXPECT_EQ(limited, (Ints{0, 0, 0, 1, 0, 1}));
}

TEST_F(InputTest, KeysGoToTheGameTheViewerOrTheCapture) {
    Send(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ((Ints{reachedDefault, in.HeldKey, in.LastKey}), (Ints{1, VK_RETURN, VK_RETURN}));
    gkPresent.ViewerOn = 1;
    Send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ((Ints{in.ViewerKey, in.HeldKey}), (Ints{VK_UP, VK_RETURN}));
    gkPresent.ViewerOn = 0;

    // The capture takes the key and the left click; the game (its last key stays Enter), the
    // buttons and hot keys get none.
    gkSystem::BeginKeyCapture();
    for (UINT message : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK, WM_HOTKEY})
        Send(message, message == WM_HOTKEY ? 0xBF01 : 'A');
    EXPECT_EQ((Ints{in.CapturedKey, in.CapturedClick, in.LeftDown + in.RightDown + in.LeftDouble,
                    in.LastKey}),
              (Ints{'A', 1, 0, VK_RETURN}));
    Send(WM_KEYUP, 'A');
    Send(WM_LBUTTONUP);
    gkSystem::EndKeyCapture();  // and clears the held key
    EXPECT_EQ((Ints{in.CapturedKey, in.CapturedClick, in.HeldKey}), (Ints{0, 0, 0}));

    // A release clears the fields holding its key and counts for the watched key.
    in.HeldKey = in.ViewerKey = 'A';
    in.CapturedKey = 'B';
    gkSystem::WatchKey('A');
    Send(WM_KEYUP, 'A');
    Send(WM_KEYUP, 'A');
    EXPECT_EQ(
        (Ints{reachedDefault, in.HeldKey, in.ViewerKey, in.CapturedKey, gkSystem::GetWatchCount()}),
        (Ints{1, 0, 0, 'B', 2}));
    gkSystem::WatchKey('C');
    EXPECT_EQ(gkSystem::GetWatchCount(), 0);
    Send(WM_KEYDOWN, VK_SHIFT);  // Shift flips on release only
    Send(WM_KEYUP, VK_SHIFT);
    EXPECT_EQ(in.ShiftToggle, 1);
}

TEST_F(InputTest, ActivationConfinementPointerAndReset) {
    gkApp.ClipMouse = 1;
    gkApp.CursorShown = 0;
    plat::ShowCursor(false);
    gkSystem::LimitMouse(0, 0, 10, 10);
    EXPECT_EQ(Send(WM_ACTIVATEAPP, 0), 0);
    EXPECT_EQ((Ints{reachedDefault, gkApp.Active, gkApp.CursorShown, plat::headless::CursorCount(),
                    in.MouseLimited}),
              (Ints{0, 0, 1, 0, 0}));
    plat::headless::AdvanceTime(5000);
    gkSystem::FrameDelta = 3.0f;
    EXPECT_EQ(Send(WM_ACTIVATEAPP, 1), 0);
    EXPECT_EQ((Ints{gkApp.Active, in.MouseLimited, activations[1], activations[0]}),
              (Ints{1, 1, 1, 0}));
    EXPECT_EQ(std::tuple(gkSystem::LastFrameTime, gkSystem::FrameDelta), std::tuple(5000u, 0.0f));

    // The pointer is placed relative to the client area.
    gkScreen.OriginX = -5;
    gkScreen.OriginY = 7;
    gkSystem::SetMousePos(10, 20);
    int x, y;
    plat::GetCursorPos(x, y);
    EXPECT_EQ((Ints{x, y}), (Ints{5, 27}));
    // Reset clears the capture and the Alt mode, and confines only in full screen, to the
    // whole screen (the windowed confinement is the client area, see the WM_MOVE case).
    gkSystem::FreeMouse();
    gkApp.FullScreen = 0;
    gkSystem::BeginKeyCapture();
    in.HeldKey = 'Q';
    gkSystem::SetAltKey(1);
    EXPECT_EQ(gkSystem::Reset(), 1);
    EXPECT_EQ((Ints{in.CaptureMode, in.HeldKey, in.AltKeyMode, gkSystem::IsMouseLimited()}),
              (Ints{0, 0, 0, 0}));
    gkApp.FullScreen = 1;
    gkSystem::Reset();
    EXPECT_EQ(Clip(), (Ints{0, 0, 640, 480}));
}

TEST_F(InputTest, TriggersReadZeroDuringTransitionViewerOrCaptureAndClicksReportOnce) {
    Ints seen;
    int state = 0;
    for (bool down : {false, true, true, false, false, true, false, true, false, false}) {
        plat::headless::SetKeyDown(VK_UP, down);
        gkSystem::KeyState(VK_UP, &state);
        seen.push_back(state);
    }
    // Pressed again on the frame right after the release: held, not pressed.
    EXPECT_EQ(seen, (Ints{0, 1, 3, 2, 0, 1, 2, 3, 2, 0}));
    // The forced 0 is stored: the key still held reads as a new press.
    plat::headless::SetKeyDown(VK_RETURN, true);
    seen.clear();
    for (int* condition : {&gkPresent.TransitionStep, &gkPresent.ViewerOn, &in.CaptureMode})
        for (int on : {0, 1, 0}) {
            *condition = on;
            gkSystem::KeyState(VK_RETURN, &state);
            seen.push_back(state);
        }
    EXPECT_EQ(seen, (Ints{1, 0, 1, 3, 0, 1, 3, 0, 1}));

    // GetClick reports a key or button once after its release.
    // Keys pressed (+) and released (-) between the calls (0: a call). Arming waits until nothing
    // is held; another key pressed while Enter is tracked reports Enter on its release.
    const Ints script = {0,           VK_RETURN, 0, -VK_RETURN, 0,         0,         VK_LBUTTON, 0,
                         -VK_LBUTTON, 0,         0, 'Z',        0,         VK_RETURN, -VK_RETURN, 0,
                         0,           VK_RETURN, 0, VK_SPACE,   -VK_SPACE, 0,         0};
    Ints answers;
    for (int step : script) {
        const bool down = step > 0, button = std::abs(step) == VK_LBUTTON;
        const UINT message =
            button ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP) : (down ? WM_KEYDOWN : WM_KEYUP);
        if (step)
            gkSystem::WndProc(nullptr, message, static_cast<WPARAM>(std::abs(step)), 0);
        else
            answers.push_back(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0));
    }
    EXPECT_EQ(answers,
              (Ints{0, 0, VK_RETURN, 0, 0, VK_LBUTTON, 0, 0, VK_RETURN, 0, 0, VK_RETURN, 0}));
}

TEST_F(InputTest, JoystickThresholdsPadDigitsDeadZoneButtonsAndTriggers) {
    EXPECT_EQ(Two(gkSystem::JoyGetCenter), (Ints{32767, 32767}));
    Ints digits;
    for (uint32_t y : {0u, kMid, kHigh})
        for (uint32_t x : {0u, 16383u, 16384u, kMid, 49149u, 49150u, kHigh}) {
            Stick(x, y);
            digits.push_back(gkSystem::JoyPad(0));
        }
    EXPECT_EQ(digits, (Ints{7, 7, 8, 8, 8, 9, 9, 4, 4, 5, 5, 5, 6, 6, 1, 1, 2, 2, 2, 3, 3}));

    Stick(1234, 60000);
    EXPECT_EQ(Two(gkSystem::JoyPosition), (Ints{1234, 60000}));
    Stick(kMid + 300, kMid - 300);  // a stick that does not quite settle reads centred
    EXPECT_EQ(Two(gkSystem::JoyPosition), (Ints{32767, 32767}));

    // Buttons 0 to 33 of 0x8000000A; then buttons 0, 5 and -1, which keep no state or ramp.
    Stick(kMid, kMid, 0x8000000Au);
    Ints seen;
    for (int button : {0, 1, 2, 4, 32, 33}) seen.push_back(gkSystem::JoyButton(0, button));
    for (int button : {0, 5, -1})
        seen.push_back(gkSystem::JoyButtonState(0, button) + gkSystem::JoyButtonRamp(0, button));
    // Pressed, held, released, idle; the four-at-once form keeps the same state.
    for (uint32_t buttons : {1u, 1u, 0u, 0u, 1u}) {
        Stick(kMid, kMid, buttons);
        seen.push_back(gkSystem::JoyButtonState(0, 1));
    }
    EXPECT_EQ(seen, (Ints{0, 0, 1, 1, 1, 0, 0, 0, 0, 1, 3, 2, 0, 1}));
    Stick(kMid, kMid, 0b0011);
    EXPECT_EQ(Four(gkSystem::JoyButtonStates), (Ints{3, 1, 0, 0}));
    Stick(kMid, kMid, 0b0101);
    EXPECT_EQ(Four(gkSystem::JoyButtons), (Ints{1, 0, 1, 0}));
}

TEST_F(InputTest, JoystickAxisAndButtonRampsFailedReadsAndReset) {
    gkSystem::JoySetSpeed(0, 200, 50);
    Stick(0, kMid);  // fully left
    EXPECT_EQ(Axis(6, 100), (Ints{-20, 0, -40, 0, -60, 0, -80, 0, -100, 0, -100, 0}));
    Stick(kMid, kMid);                                      // released
    EXPECT_EQ(Axis(3, 200), (Ints{-60, 0, -20, 0, 0, 0}));  // the last step would pass 0
    Stick(kHigh, 0);                                        // down-right is +x, up is -y
    EXPECT_EQ(Axis(3, 200), (Ints{40, -40, 80, -80, 100, -100}));

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

    // Unplugged, every query gives zeros (the pad 5) and leaves the stored state alone, except
    // the single-button ramp, which drops to 0.
    plat::headless::UnplugJoystick(0);
    Frame(100);
    for (auto query : {gkSystem::JoyPosition, gkSystem::JoyDirection, gkSystem::JoyAxis})
        EXPECT_EQ(Two(query), (Ints{0, 0}));
    for (auto query : {gkSystem::JoyButtons, gkSystem::JoyButtonStates, gkSystem::JoyButtonRamps})
        EXPECT_EQ(Four(query), (Ints{0, 0, 0, 0}));
    EXPECT_EQ(
        (Ints{gkSystem::JoyPad(0), gkSystem::JoyButton(0, 1), gkSystem::JoyButtonState(0, 1)}),
        (Ints{5, 0, 0}));
    const gkJoystickState& j = gkJoystick[0];
    EXPECT_EQ((Ints{int(j.AxisX), j.ButtonState[0], int(j.ButtonRamp[0])}), (Ints{100, 1, 15}));
    EXPECT_EQ((Ints{gkSystem::JoyButtonRamp(0, 1), int(j.ButtonRamp[0])}), (Ints{0, 0}));

    gkSystem::JoyReset();  // values go, speeds and triggers stay
    EXPECT_EQ((Ints{int(j.AxisX), int(j.ButtonRamp[3]), int(j.AxisSpeed), int(j.ButtonSpeed),
                    j.ButtonState[0]}),
              (Ints{0, 0, 200, 50, 1}));
    EXPECT_EQ(Two(gkSystem::JoyGetCenter, 1), (Ints{0, 0}));  // joystick 1 was never attached
    gkSystem::JoyInit();                                      // zeroes both records
    EXPECT_EQ(std::tuple(j.AxisSpeed, j.ButtonState[0]), std::tuple(0.0f, 0));
}

}  // namespace
