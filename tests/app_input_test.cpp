// Key triggers, the press-and-release detector, pointer positioning and confinement, and the
// input method switch.
#include "gk.h"
#include "platform/window.h"
#include "support/fixture.h"
#include "support/window_util.h"

namespace {

using InputTest = gktest::Framework;
using gktest::Clip;
using gktest::Ints;

// Trigger states after each frame for a key held over the given frames.
Ints Trigger(const std::vector<bool>& down) {
    Ints seen;
    int state = 0;
    for (bool d : down) {
        plat::headless::SetKeyDown(VK_UP, d);
        gkSystem::KeyState(VK_UP, &state);
        seen.push_back(state);
    }
    return seen;
}

TEST_F(InputTest, TriggerSequences) {
    EXPECT_EQ(Trigger({true, true, true, false, false, false}), (Ints{1, 3, 3, 2, 0, 0}));
    // Pressed again on the frame right after the release: held, not pressed.
    EXPECT_EQ(Trigger({true, false, true, false}), (Ints{1, 2, 3, 2}));
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

TEST_F(InputTest, MousePositionAndConfinementAreClientRelative) {
    gkScreen.OriginX = -5;
    gkScreen.OriginY = 7;
    gkScreen.Width = 640;
    gkScreen.Height = 480;
    gkSystem::SetMousePos(10, 20);
    int x, y;
    plat::GetCursorPos(x, y);
    EXPECT_EQ((Ints{x, y}), (Ints{5, 27}));
    gkApp.FullScreen = 1;
    gkSystem::LimitMouseToScreen();
    EXPECT_EQ(Clip(), (Ints{0, 0, 640, 480}));
    gkApp.FullScreen = 0;
    gkSystem::LimitMouseToScreen();
    EXPECT_EQ(Clip(), (Ints{-5, 7, 635, 487}));
    EXPECT_EQ(gkSystem::IsMouseLimited(), 1);
    gkSystem::FreeMouse();
    EXPECT_EQ(Clip(), Ints{});
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
    EXPECT_EQ((Ints{gkInput.CaptureMode, gkInput.HeldKey, gkInput.AltKeyMode,
                    gkSystem::IsMouseLimited()}),
              (Ints{0, 0, 0, 0}));
    gkApp.FullScreen = 1;
    gkSystem::Reset();
    EXPECT_EQ(gkSystem::IsMouseLimited(), 1);
}

}  // namespace
