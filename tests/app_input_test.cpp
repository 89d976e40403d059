// Key triggers, the press-and-release detector, pointer positioning and confinement, and the
// input method switch.
#include "gk.h"
#include "platform/window.h"
#include "support/fixture.h"

namespace {

using InputTest = gktest::Framework;

// Trigger states after each frame for a key held over the given frames.
std::vector<int> Trigger(const std::vector<bool>& down) {
    std::vector<int> seen;
    int state = 0;
    for (bool d : down) {
        plat::headless::SetKeyDown(VK_UP, d);
        gkSystem::KeyState(VK_UP, &state);
        seen.push_back(state);
    }
    return seen;
}

TEST_F(InputTest, TriggerSequences) {
    EXPECT_EQ(Trigger({true, true, true, false, false}), (std::vector<int>{1, 3, 3, 2, 0}));
    // Pressed again on the frame right after the release: held, not pressed.
    EXPECT_EQ(Trigger({true, false, true, false}), (std::vector<int>{1, 2, 3, 2}));
    EXPECT_EQ(Trigger({false, false}), (std::vector<int>{0, 0}));
}

TEST_F(InputTest, TriggerReadsZeroDuringTransitionViewerOrCapture) {
    int* conditions[] = {&gkPresent.TransitionStep, &gkPresent.ViewerOn, &gkInput.CaptureMode};
    for (int* condition : conditions) {
        int state = 0;
        plat::headless::SetKeyDown(VK_RETURN, true);
        gkSystem::KeyState(VK_RETURN, &state);
        EXPECT_EQ(state, 1);
        *condition = 1;
        gkSystem::KeyState(VK_RETURN, &state);
        EXPECT_EQ(state, 0);
        *condition = 0;
        // The forced 0 is stored: the key still held reads as a new press.
        gkSystem::KeyState(VK_RETURN, &state);
        EXPECT_EQ(state, 1);
    }
}

void Key(UINT message, int vk) {
    gkSystem::WndProc(nullptr, message, static_cast<WPARAM>(vk), 0);
}

TEST_F(InputTest, GetClickReportsAKeyOnceAfterItsRelease) {
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0), 0);  // arms
    Key(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0), 0);  // tracking, still held
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0), 0);
    Key(WM_KEYUP, VK_RETURN);
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0), VK_RETURN);
    EXPECT_EQ(gkInput.LastKey, 0);
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0), 0);
}

TEST_F(InputTest, GetClickReportsAButtonAfterItsRelease) {
    gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0);
    gkSystem::WndProc(nullptr, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0), 0);
    gkSystem::WndProc(nullptr, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0), VK_LBUTTON);
    EXPECT_EQ(gkInput.LastMouseButton, 0);
}

TEST_F(InputTest, GetClickArmsOnlyWhileNothingIsHeld) {
    Key(WM_KEYDOWN, 'Z');  // held while the detector would arm
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, 0), 0);
    Key(WM_KEYDOWN, VK_RETURN);
    Key(WM_KEYUP, VK_RETURN);  // HeldKey was Enter, so it is clear now
    // Armed only now; Enter was the last key, so it is reported at once.
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, 0), VK_RETURN);
}

TEST_F(InputTest, GetClickCancelsWhenAnotherKeyIsPressed) {
    gkSystem::GetClick(VK_RETURN, 0);
    Key(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, 0), 0);
    Key(WM_KEYDOWN, VK_SPACE);  // LastKey changes while Enter is tracked
    Key(WM_KEYUP, VK_SPACE);
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, 0), VK_RETURN);  // released in the same call
    EXPECT_EQ(gkSystem::GetClick(VK_RETURN, 0), 0);
}

TEST_F(InputTest, MousePositionIsClientRelative) {
    gkScreen.OriginX = 192;
    gkScreen.OriginY = 144;
    gkSystem::SetMousePos(10, 20);
    int x, y;
    plat::GetCursorPos(x, y);
    EXPECT_EQ(x, 202);
    EXPECT_EQ(y, 164);
}

TEST_F(InputTest, ConfinementToScreenDependsOnMode) {
    gkScreen.OriginX = -5;
    gkScreen.OriginY = 7;
    gkScreen.Width = 640;
    gkScreen.Height = 480;
    plat::Rect clip;
    gkApp.FullScreen = 1;
    gkSystem::LimitMouseToScreen();
    ASSERT_TRUE(plat::headless::CursorClip(clip));
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.right, 640);
    gkApp.FullScreen = 0;
    gkSystem::LimitMouseToScreen();
    plat::headless::CursorClip(clip);
    EXPECT_EQ(clip.left, -5);
    EXPECT_EQ(clip.top, 7);
    EXPECT_EQ(clip.right, 635);
    EXPECT_EQ(clip.bottom, 487);
    EXPECT_EQ(gkSystem::IsMouseLimited(), 1);
    gkSystem::FreeMouse();
    EXPECT_FALSE(plat::headless::CursorClip(clip));
    EXPECT_EQ(gkSystem::IsMouseLimited(), 0);
}

TEST_F(InputTest, ResetClearsCaptureAndAltModeAndConfinesOnlyInFullScreen) {
    gkScreen.Width = 640;
    gkScreen.Height = 480;
    gkSystem::BeginKeyCapture();
    gkInput.HeldKey = 'Q';
    gkSystem::SetAltKey(1);
    gkApp.FullScreen = 0;
    EXPECT_EQ(gkSystem::Reset(), 1);
    EXPECT_EQ(gkInput.CaptureMode, 0);
    EXPECT_EQ(gkInput.HeldKey, 0);
    EXPECT_EQ(gkInput.AltKeyMode, 0);
    EXPECT_EQ(gkSystem::IsMouseLimited(), 0);
    gkApp.FullScreen = 1;
    gkSystem::Reset();
    EXPECT_EQ(gkSystem::IsMouseLimited(), 1);
}

TEST_F(InputTest, InputMethodSwitch) {
    gkSystem::EnableIME(0);
    EXPECT_FALSE(plat::headless::IMEEnabled());
    EXPECT_EQ(gkInput.IMEEnabled, 0);
    gkSystem::EnableIME(1);
    EXPECT_TRUE(plat::headless::IMEEnabled());
    EXPECT_EQ(gkInput.IMEEnabled, 1);
}

}  // namespace
