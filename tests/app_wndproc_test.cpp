// The window procedure row by row: the gkInput fields each message sets, what it returns,
// and whether the message went on to the default procedure.
#include <tuple>
#include <vector>

#include "gk.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "support/fixture.h"
#include "support/window_util.h"

namespace {

using gktest::Clip;
using gktest::Ints;

Ints keysSeen;
void RecordKey(int key) {
    keysSeen.push_back(key);
    gkSystem::RouteKey(key);
}

int activations[2];
void CountActivation(int flag) {
    ++activations[flag];
}

class WndProcTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        keysSeen.clear();
        activations[0] = activations[1] = 0;
        gkSystem::SetGameHooks({nullptr, nullptr, RecordKey, CountActivation});
        gkScreen.Width = 640;
        gkScreen.Height = 480;
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

// Left button fields: Down, Click, Latch, Double, then MouseButton and LastMouseButton.
Ints Left() {
    return {gkInput.LeftDown,   gkInput.LeftClick,   gkInput.LeftLatch,
            gkInput.LeftDouble, gkInput.MouseButton, gkInput.LastMouseButton};
}

TEST_F(WndProcTest, MouseMoveAndWindowMove) {
    Send(WM_MOUSEMOVE, 0, plat::MakeLParam(0xFFFF, 300));  // both halves zero-extended
    EXPECT_EQ((Ints{gkInput.MouseX, gkInput.MouseY}), (Ints{0xFFFF, 300}));
    EXPECT_TRUE(reachedDefault);

    gkApp.FullScreen = 0;
    Send(WM_MOVE, 0, plat::MakeLParam(-20, 35));  // the client origin is signed
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ((Ints{gkScreen.OriginX, gkScreen.OriginY}), (Ints{-20, 35}));
    const plat::Rect& c = gkScreen.ClientRect;
    EXPECT_EQ((Ints{c.left, c.top, c.right, c.bottom}), (Ints{-20, 35, 620, 515}));
    EXPECT_EQ(Clip(), Ints{});
    gkApp.ClipMouse = 1;
    Send(WM_MOVE, 0, plat::MakeLParam(100, 50));
    EXPECT_EQ(Clip(), (Ints{100, 50, 740, 530}));
    EXPECT_EQ(gkInput.MouseLimited, 1);
}

TEST_F(WndProcTest, ButtonsAndDoubleClicks) {
    EXPECT_EQ(Send(WM_LBUTTONDOWN), 0);
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(Left(), (Ints{1, 1, 1, 0, 1, 1}));
    Send(WM_RBUTTONDOWN);
    Send(WM_LBUTTONUP);  // clears only its own button number
    EXPECT_EQ(Left(), (Ints{0, 1, 1, 0, 2, 2}));
    Send(WM_RBUTTONUP);
    EXPECT_EQ((Ints{gkInput.MouseButton, gkInput.RightDown, gkInput.RightClick, gkInput.RightLatch,
                    gkInput.LastMouseButton}),
              (Ints{0, 0, 1, 1, 2}));
    gkInput.LeftClick = gkInput.LeftLatch = gkInput.LastMouseButton = 0;
    // The second press of a double click sets only LeftDouble.
    EXPECT_EQ(Send(WM_LBUTTONDBLCLK), 0);
    EXPECT_FALSE(reachedDefault);
    EXPECT_EQ(Left(), (Ints{0, 0, 0, 1, 0, 0}));
    // A right double click toggles the confinement, only with ClipMouse.
    Ints limited;
    for (int clip : {0, 1, 1}) {
        gkApp.ClipMouse = clip;
        EXPECT_EQ(Send(WM_RBUTTONDBLCLK), 0);
        limited.push_back(gkInput.MouseLimited);
    }
    EXPECT_FALSE(reachedDefault);
    EXPECT_EQ(gkInput.RightDouble, 1);
    EXPECT_EQ(limited, (Ints{0, 1, 0}));
    EXPECT_EQ(Clip(), Ints{});
}

TEST_F(WndProcTest, KeyDownGoesToTheGameOrTheCapture) {
    Send(WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ(keysSeen, Ints{VK_RETURN});
    EXPECT_EQ((Ints{gkInput.HeldKey, gkInput.LastKey}), (Ints{VK_RETURN, VK_RETURN}));

    gkPresent.ViewerOn = 1;
    Send(WM_KEYDOWN, VK_UP);
    EXPECT_EQ((Ints{gkInput.ViewerKey, gkInput.HeldKey}), (Ints{VK_UP, VK_RETURN}));
    gkPresent.ViewerOn = 0;

    gkSystem::BeginKeyCapture();
    Send(WM_KEYDOWN, 'A');
    Send(WM_LBUTTONDOWN);
    Send(WM_RBUTTONDOWN);
    Send(WM_LBUTTONDBLCLK);
    Send(WM_HOTKEY, 0xBF01);
    EXPECT_EQ((Ints{gkInput.CapturedKey, gkInput.CapturedClick}), (Ints{'A', 1}));
    EXPECT_EQ(gkInput.LeftDown + gkInput.RightDown + gkInput.LeftDouble, 0);
    EXPECT_EQ(keysSeen.size(), 2u);
    Send(WM_KEYUP, 'A');
    Send(WM_LBUTTONUP);
    EXPECT_EQ((Ints{gkInput.CapturedKey, gkInput.CapturedClick}), (Ints{0, 0}));
    gkSystem::EndKeyCapture();
    EXPECT_EQ(gkInput.HeldKey, 0);
}

TEST_F(WndProcTest, SystemKeysFollowTheAltPolicy) {
    // Mode 0: Alt+F4 and F10 are swallowed. Mode 2: only the Alt key itself. Others: like
    // WM_KEYDOWN.
    const struct {
        int mode, key;
        bool passed;
    } rows[] = {{0, VK_F4, false},
                {0, VK_F10, false},
                {2, VK_MENU, false},
                {2, 'X', true},
                {1, VK_MENU, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << row.mode << " key " << row.key);
        gkSystem::SetAltKey(row.mode);
        EXPECT_EQ(Send(WM_SYSKEYDOWN, row.key, kKeyContextAlt), 0);
        EXPECT_EQ(reachedDefault, row.passed);
    }
    EXPECT_EQ(Send(WM_HOTKEY, 0xBF01), 0);  // hot keys become key presses
    EXPECT_FALSE(reachedDefault);
    Send(WM_HOTKEY, 0xBF02);
    Send(WM_HOTKEY, 0x1234);
    EXPECT_EQ(keysSeen, (Ints{'X', VK_MENU, VK_SNAPSHOT, 0x101}));
}

TEST_F(WndProcTest, AltF4ClosesOnlyWhenItReachesTheDefaultProcedure) {
    plat::CreateMainWindow("Gridkeep", 640, 480, true, gkSystem::WndProc);
    Send(WM_SYSKEYDOWN, VK_F4, kKeyContextAlt);
    EXPECT_TRUE(plat::headless::WindowOpen());
    gkSystem::SetAltKey(1);
    Send(WM_SYSKEYDOWN, VK_F4, kKeyContextAlt);
    EXPECT_FALSE(plat::headless::WindowOpen());
    EXPECT_EQ((Ints{gkApp.Ended, gkApp.CloseState}), (Ints{1, 2}));
}

TEST_F(WndProcTest, KeyUpClearsMatchingFieldsTogglesShiftCountsWatchedKey) {
    gkInput.HeldKey = gkInput.ViewerKey = 'A';
    gkInput.CapturedKey = 'B';
    gkSystem::WatchKey('A');
    Send(WM_KEYUP, 'A');
    EXPECT_TRUE(reachedDefault);
    EXPECT_EQ((Ints{gkInput.HeldKey, gkInput.ViewerKey, gkInput.CapturedKey}), (Ints{0, 0, 'B'}));
    Send(WM_KEYUP, 'A');
    EXPECT_EQ(gkSystem::GetWatchCount(), 2);
    gkSystem::WatchKey('C');
    EXPECT_EQ(gkSystem::GetWatchCount(), 0);
    // Shift flips on release only; two presses leave it where it started.
    Ints toggles;
    for (UINT message : {WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_KEYUP}) {
        Send(message, VK_SHIFT);
        toggles.push_back(gkInput.ShiftToggle);
    }
    EXPECT_EQ(toggles, (Ints{0, 1, 1, 0}));
}

TEST_F(WndProcTest, PlainRows) {
    const struct {
        UINT message;
        WPARAM wParam;
        bool passed;
    } rows[] = {{WM_SYSCOMMAND, SC_SCREENSAVE | 0x5, false},  // the screen saver is refused
                {WM_SYSCOMMAND, 0xF020, true},                // minimise
                {0x0400, 0, true},                            // WM_USER
                {WM_DESTROY, 0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.message << " " << row.wParam);
        LRESULT result = Send(row.message, row.wParam);
        EXPECT_EQ(reachedDefault, row.passed);
        if (!row.passed) {
            EXPECT_EQ(result, 0);
        }
    }
    EXPECT_EQ(gktest::Queued(), Ints{WM_QUIT});  // posted by WM_DESTROY
}

TEST_F(WndProcTest, SetCursorHidesOnlyInFullScreenWithoutBox) {
    const struct {
        int fullScreen, boxOpen;
        bool hidden;
    } rows[] = {{0, 0, false}, {1, 0, true}, {1, 1, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.fullScreen << row.boxOpen);
        gkApp.FullScreen = row.fullScreen;
        gkApp.MessageBoxOpen = row.boxOpen;
        LRESULT result = Send(WM_SETCURSOR);
        EXPECT_EQ(reachedDefault, !row.hidden);
        EXPECT_EQ(plat::headless::CursorImageShown(), !row.hidden);
        if (row.hidden) {
            EXPECT_EQ(result, 1);
        }
    }
}

TEST_F(WndProcTest, ActivationTracksActiveCursorConfinementAndFrameTime) {
    gkApp.ClipMouse = 1;
    gkApp.CursorShown = 0;
    plat::ShowCursor(false);
    gkSystem::LimitMouse(0, 0, 10, 10);

    EXPECT_EQ(Send(WM_ACTIVATEAPP, 0), 0);
    EXPECT_FALSE(reachedDefault);
    EXPECT_EQ((Ints{gkApp.Active, gkApp.CursorShown, plat::headless::CursorCount(),
                    gkInput.MouseLimited}),
              (Ints{0, 1, 0, 0}));

    plat::headless::AdvanceTime(5000);
    gkSystem::FrameDelta = 3.0f;
    EXPECT_EQ(Send(WM_ACTIVATEAPP, 1), 0);
    EXPECT_EQ((Ints{gkApp.Active, gkInput.MouseLimited, activations[1], activations[0]}),
              (Ints{1, 1, 1, 0}));
    EXPECT_EQ(std::tuple(gkSystem::LastFrameTime, gkSystem::FrameDelta), std::tuple(5000u, 0.0f));
}

}  // namespace
