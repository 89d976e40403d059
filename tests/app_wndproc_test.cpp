// The window procedure row by row: the gkInput fields each message sets, what it returns,
// and whether the message went on to the default procedure.
#include <vector>

#include "gk.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "support/fixture.h"

namespace {

class WndProcTest : public gktest::Framework {
  protected:
    // Sends one message; remembers whether the default procedure ran.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        int before = plat::headless::DefWindowProcCalls();
        LRESULT result = gkSystem::WndProc(nullptr, message, wParam, lParam);
        reachedDefault = plat::headless::DefWindowProcCalls() != before;
        return result;
    }
    bool reachedDefault = false;
};

std::vector<int> keysSeen;
void RecordKey(int key) {
    keysSeen.push_back(key);
    gkSystem::RouteKey(key);
}

TEST_F(WndProcTest, MouseMoveTakesBothHalvesZeroExtended) {
    Send(WM_MOUSEMOVE, 0, plat::MakeLParam(0xFFFF, 300));
    EXPECT_EQ(gkInput.MouseX, 0xFFFF);
    EXPECT_EQ(gkInput.MouseY, 300);
    EXPECT_TRUE(reachedDefault);
}

TEST_F(WndProcTest, MoveKeepsSignedClientOriginAndRectangle) {
    gkApp.FullScreen = 0;
    gkScreen.Width = 640;
    gkScreen.Height = 480;
    Send(WM_MOVE, 0, plat::MakeLParam(-20, 35));
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(gkScreen.OriginX, -20);
    EXPECT_EQ(gkScreen.OriginY, 35);
    EXPECT_EQ(gkScreen.ClientRect.left, -20);
    EXPECT_EQ(gkScreen.ClientRect.right, 620);
    EXPECT_EQ(gkScreen.ClientRect.bottom, 515);
    plat::Rect clip;
    EXPECT_FALSE(plat::headless::CursorClip(clip));

    gkApp.ClipMouse = 1;
    Send(WM_MOVE, 0, plat::MakeLParam(100, 50));
    ASSERT_TRUE(plat::headless::CursorClip(clip));
    EXPECT_EQ(clip.left, 100);
    EXPECT_EQ(clip.top, 50);
    EXPECT_EQ(clip.right, 740);
    EXPECT_EQ(clip.bottom, 530);
    EXPECT_EQ(gkInput.MouseLimited, 1);
}

TEST_F(WndProcTest, LeftButtonSequenceWithDoubleClick) {
    EXPECT_EQ(Send(WM_LBUTTONDOWN), 0);
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(gkInput.LeftDown, 1);
    EXPECT_EQ(gkInput.LeftClick, 1);
    EXPECT_EQ(gkInput.LeftLatch, 1);
    EXPECT_EQ(gkInput.MouseButton, 1);
    EXPECT_EQ(gkInput.LastMouseButton, 1);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(gkInput.LeftDown, 0);
    EXPECT_EQ(gkInput.MouseButton, 0);
    gkInput.LeftClick = gkInput.LeftLatch = gkInput.LastMouseButton = 0;

    // The second press of a double click sets only LeftDouble.
    EXPECT_EQ(Send(WM_LBUTTONDBLCLK), 0);
    EXPECT_FALSE(reachedDefault);
    EXPECT_EQ(gkInput.LeftDouble, 1);
    EXPECT_EQ(gkInput.LeftDown, 0);
    EXPECT_EQ(gkInput.LeftClick, 0);
    EXPECT_EQ(gkInput.LeftLatch, 0);
    EXPECT_EQ(gkInput.MouseButton, 0);
    EXPECT_EQ(gkInput.LastMouseButton, 0);
}

TEST_F(WndProcTest, ButtonUpClearsOnlyItsOwnButtonNumber) {
    Send(WM_LBUTTONDOWN);
    Send(WM_RBUTTONDOWN);
    EXPECT_EQ(gkInput.MouseButton, 2);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(gkInput.MouseButton, 2);
    EXPECT_EQ(gkInput.RightDown, 1);
    Send(WM_RBUTTONUP);
    EXPECT_EQ(gkInput.MouseButton, 0);
    EXPECT_EQ(gkInput.RightClick, 1);
    EXPECT_EQ(gkInput.RightLatch, 1);
    EXPECT_EQ(gkInput.LastMouseButton, 2);
}

TEST_F(WndProcTest, RightDoubleClickTogglesConfinementOnlyWithClipMouse) {
    gkScreen.Width = 640;
    gkScreen.Height = 480;
    EXPECT_EQ(Send(WM_RBUTTONDBLCLK), 0);
    EXPECT_FALSE(reachedDefault);
    EXPECT_EQ(gkInput.RightDouble, 1);
    EXPECT_EQ(gkInput.MouseLimited, 0);
    gkApp.ClipMouse = 1;
    Send(WM_RBUTTONDBLCLK);
    EXPECT_EQ(gkInput.MouseLimited, 1);
    Send(WM_RBUTTONDBLCLK);
    EXPECT_EQ(gkInput.MouseLimited, 0);
    plat::Rect clip;
    EXPECT_FALSE(plat::headless::CursorClip(clip));
}

TEST_F(WndProcTest, KeyDownGoesToTheGameOrTheCapture) {
    keysSeen.clear();
    gkSystem::SetGameHooks({nullptr, nullptr, RecordKey, nullptr});
    Send(WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(keysSeen, std::vector<int>{VK_RETURN});
    EXPECT_EQ(gkInput.HeldKey, VK_RETURN);
    EXPECT_EQ(gkInput.LastKey, VK_RETURN);

    gkPresent.ViewerOn = 1;
    Send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ(gkInput.ViewerKey, VK_UP);
    EXPECT_EQ(gkInput.HeldKey, VK_RETURN);
    gkPresent.ViewerOn = 0;

    gkSystem::BeginKeyCapture();
    Send(WM_KEYDOWN, 'A');
    Send(WM_LBUTTONDOWN);
    Send(WM_RBUTTONDOWN);
    Send(WM_LBUTTONDBLCLK);
    Send(WM_HOTKEY, 0xBF01);
    EXPECT_EQ(gkInput.CapturedKey, 'A');
    EXPECT_EQ(gkInput.CapturedClick, 1);
    EXPECT_EQ(gkInput.LeftDown + gkInput.RightDown + gkInput.LeftDouble, 0);
    EXPECT_EQ(keysSeen.size(), 2u);
    Send(WM_KEYUP, 'A');
    Send(WM_LBUTTONUP);
    EXPECT_EQ(gkInput.CapturedKey, 0);
    EXPECT_EQ(gkInput.CapturedClick, 0);
    gkSystem::EndKeyCapture();
    EXPECT_EQ(gkInput.HeldKey, 0);
}

TEST_F(WndProcTest, HotKeysBecomeKeyPresses) {
    keysSeen.clear();
    gkSystem::SetGameHooks({nullptr, nullptr, RecordKey, nullptr});
    EXPECT_EQ(Send(WM_HOTKEY, 0xBF01), 0);
    EXPECT_FALSE(reachedDefault);
    Send(WM_HOTKEY, 0xBF02);
    Send(WM_HOTKEY, 0x1234);
    EXPECT_EQ(keysSeen, (std::vector<int>{VK_SNAPSHOT, 0x101}));
}

TEST_F(WndProcTest, SystemKeysFollowTheAltPolicy) {
    keysSeen.clear();
    gkSystem::SetGameHooks({nullptr, nullptr, RecordKey, nullptr});
    // Mode 0: Alt+F4 and F10 are swallowed; nothing reaches the default procedure.
    EXPECT_EQ(Send(WM_SYSKEYDOWN, VK_F4, kKeyContextAlt), 0);
    EXPECT_FALSE(reachedDefault);
    Send(WM_SYSKEYDOWN, VK_F10);
    EXPECT_FALSE(reachedDefault);
    EXPECT_TRUE(keysSeen.empty());
    // Mode 2: only the Alt key itself is swallowed.
    gkSystem::SetAltKey(2);
    Send(WM_SYSKEYDOWN, VK_MENU, kKeyContextAlt);
    EXPECT_FALSE(reachedDefault);
    Send(WM_SYSKEYDOWN, 'X', kKeyContextAlt);
    EXPECT_TRUE(reachedDefault);
    // Other modes: like WM_KEYDOWN.
    gkSystem::SetAltKey(1);
    Send(WM_SYSKEYDOWN, VK_MENU, kKeyContextAlt);
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(keysSeen, (std::vector<int>{'X', VK_MENU}));
}

TEST_F(WndProcTest, AltF4ClosesOnlyWhenItReachesTheDefaultProcedure) {
    plat::CreateMainWindow("Gridkeep", 640, 480, true, gkSystem::WndProc);
    Send(WM_SYSKEYDOWN, VK_F4, kKeyContextAlt);
    EXPECT_TRUE(plat::headless::WindowOpen());
    gkSystem::SetAltKey(1);
    Send(WM_SYSKEYDOWN, VK_F4, kKeyContextAlt);
    EXPECT_FALSE(plat::headless::WindowOpen());
    EXPECT_EQ(gkApp.Ended, 1);
    EXPECT_EQ(gkApp.CloseState, 2);
}

TEST_F(WndProcTest, KeyUpClearsMatchingFieldsTogglesShiftCountsWatchedKey) {
    gkInput.HeldKey = 'A';
    gkInput.ViewerKey = 'A';
    gkInput.CapturedKey = 'B';
    gkSystem::WatchKey('A');
    Send(WM_KEYUP, 'A');
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(gkInput.HeldKey, 0);
    EXPECT_EQ(gkInput.ViewerKey, 0);
    EXPECT_EQ(gkInput.CapturedKey, 'B');
    Send(WM_KEYUP, 'A');
    EXPECT_EQ(gkSystem::GetWatchCount(), 2);
    gkSystem::WatchKey('C');
    EXPECT_EQ(gkSystem::GetWatchCount(), 0);

    // Shift flips on release only; two presses leave it where it started.
    Send(WM_KEYDOWN, VK_SHIFT);
    EXPECT_EQ(gkInput.ShiftToggle, 0);
    Send(WM_KEYUP, VK_SHIFT);
    EXPECT_EQ(gkInput.ShiftToggle, 1);
    Send(WM_KEYDOWN, VK_SHIFT);
    Send(WM_KEYUP, VK_SHIFT);
    EXPECT_EQ(gkInput.ShiftToggle, 0);
}

TEST_F(WndProcTest, ScreenSaverIsRefusedOtherCommandsPassOn) {
    EXPECT_EQ(Send(WM_SYSCOMMAND, SC_SCREENSAVE | 0x5), 0);
    EXPECT_FALSE(reachedDefault);
    Send(WM_SYSCOMMAND, 0xF020);  // minimise
    EXPECT_TRUE(reachedDefault);
}

TEST_F(WndProcTest, SetCursorHidesOnlyInFullScreenWithoutBox) {
    gkApp.FullScreen = 0;
    Send(WM_SETCURSOR);
    EXPECT_TRUE(reachedDefault);
    EXPECT_TRUE(plat::headless::CursorImageShown());
    gkApp.FullScreen = 1;
    EXPECT_EQ(Send(WM_SETCURSOR), 1);
    EXPECT_FALSE(reachedDefault);
    EXPECT_FALSE(plat::headless::CursorImageShown());
    gkApp.MessageBoxOpen = 1;
    Send(WM_SETCURSOR);
    EXPECT_TRUE(reachedDefault);
    EXPECT_TRUE(plat::headless::CursorImageShown());
}

int activations[2];
void CountActivation(int flag) {
    ++activations[flag];
}

TEST_F(WndProcTest, ActivationTracksActiveCursorConfinementAndFrameTime) {
    activations[0] = activations[1] = 0;
    gkSystem::SetGameHooks({nullptr, nullptr, nullptr, CountActivation});
    gkApp.ClipMouse = 1;
    gkApp.CursorShown = 0;
    plat::ShowCursor(false);
    gkSystem::LimitMouse(0, 0, 10, 10);

    EXPECT_EQ(Send(WM_ACTIVATEAPP, 0), 0);
    EXPECT_FALSE(reachedDefault);
    EXPECT_EQ(gkApp.Active, 0);
    EXPECT_EQ(gkApp.CursorShown, 1);
    EXPECT_EQ(plat::headless::CursorCount(), 0);
    EXPECT_EQ(gkInput.MouseLimited, 0);

    plat::headless::AdvanceTime(5000);
    gkSystem::FrameDelta = 3.0f;
    EXPECT_EQ(Send(WM_ACTIVATEAPP, 1), 0);
    EXPECT_EQ(gkApp.Active, 1);
    EXPECT_EQ(gkSystem::LastFrameTime, 5000u);
    EXPECT_EQ(gkSystem::FrameDelta, 0.0f);
    EXPECT_EQ(gkInput.MouseLimited, 1);
    EXPECT_EQ(activations[1], 1);
    EXPECT_EQ(activations[0], 0);
}

TEST_F(WndProcTest, DestroyPostsQuit) {
    EXPECT_EQ(Send(WM_DESTROY), 0);
    EXPECT_FALSE(reachedDefault);
    plat::Msg msg;
    ASSERT_TRUE(plat::PeekMessage(msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(WndProcTest, OtherMessagesGoToTheDefaultProcedure) {
    Send(0x0400);  // WM_USER
    EXPECT_TRUE(reachedDefault);
}

}  // namespace
