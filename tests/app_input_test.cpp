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

// GetClick's answers, one per call, as messages arrive between the calls.
TEST_F(InputTest, GetClickReportsAKeyOrButtonOnceAfterItsRelease) {
    auto click = [] { return gkSystem::GetClick(VK_RETURN, VK_LBUTTON, 0); };
    Ints seen = {click()};  // arms
    Key(WM_KEYDOWN, VK_RETURN);
    seen.push_back(click());  // tracking, still held
    Key(WM_KEYUP, VK_RETURN);
    seen.push_back(click());
    seen.push_back(gkInput.LastKey);
    seen.push_back(click());  // arms again
    Key(WM_LBUTTONDOWN, 0);
    seen.push_back(click());
    Key(WM_LBUTTONUP, 0);
    seen.push_back(click());
    seen.push_back(gkInput.LastMouseButton);
    EXPECT_EQ(seen, (Ints{0, 0, VK_RETURN, 0, 0, 0, VK_LBUTTON, 0}));

    // Arming waits until nothing is held; another key pressed while Enter is tracked reports
    // Enter on its release.
    Key(WM_KEYDOWN, 'Z');
    seen = {gkSystem::GetClick(VK_RETURN, 0)};
    Key(WM_KEYDOWN, VK_RETURN);
    Key(WM_KEYUP, VK_RETURN);                          // HeldKey was Enter, so it is clear now
    seen.push_back(gkSystem::GetClick(VK_RETURN, 0));  // armed, Enter the last key: at once
    seen.push_back(gkSystem::GetClick(VK_RETURN, 0));
    Key(WM_KEYDOWN, VK_RETURN);
    seen.push_back(gkSystem::GetClick(VK_RETURN, 0));
    Key(WM_KEYDOWN, VK_SPACE);
    Key(WM_KEYUP, VK_SPACE);
    seen.push_back(gkSystem::GetClick(VK_RETURN, 0));
    seen.push_back(gkSystem::GetClick(VK_RETURN, 0));
    EXPECT_EQ(seen, (Ints{0, VK_RETURN, 0, 0, VK_RETURN, 0}));
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
