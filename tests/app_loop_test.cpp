// Start-up, the message loop and one frame's bookkeeping in order, shutdown through the close
// box and through Quit, the single-instance guard, and the cursor over the game area.
#include <tuple>
#include <vector>

#include "gk.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "support/fixture.h"
#include "support/window_util.h"

namespace {

using LoopTest = gktest::Framework;
using gktest::Ints;

struct FrameSeen {
    int sceneChanged;
    float delta;
    uint32_t frameStart;
};
std::vector<FrameSeen> frames;
int initCalls;

void InitAfterSlowStart() {
    ++initCalls;
    gkApp.Scene = 1;
    gkApp.PrevScene = 0;
    plat::headless::AdvanceTime(300);  // start-up time must not count as frame time
}

void RecordFrameThenQuitOnThird() {
    frames.push_back({gkApp.SceneChanged, gkSystem::FrameDelta, gkApp.FrameStart});
    plat::headless::AdvanceTime(16);
    if (frames.size() == 3) gkSystem::Quit();
}

void CountFrame() {
    frames.push_back({gkApp.SceneChanged, gkSystem::FrameDelta, gkApp.FrameStart});
}

void OpenWindow() {
    gkApp.hWnd = plat::CreateMainWindow("Gridkeep", 640, 480, true, gkSystem::WndProc);
    plat::Msg move;
    ASSERT_TRUE(plat::PeekMessage(move));
    plat::DispatchMessage(move);
}

TEST_F(LoopTest, WinMainStartsRunsFramesAndEndsWithZero) {
    frames.clear();
    initCalls = 0;
    gkSystem::SetGameHooks({InitAfterSlowStart, RecordFrameThenQuitOnThird, nullptr, nullptr});
    EXPECT_EQ(WinMain(nullptr, nullptr, "-x \"a b\"", 10), 0);
    EXPECT_EQ(initCalls, 1);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ((Ints{frames[0].sceneChanged, frames[1].sceneChanged}), (Ints{1, 0}));
    EXPECT_EQ(frames[0].delta, 0.0f);  // measured from the reset after start-up
    EXPECT_EQ(frames[0].frameStart, 300u);
    EXPECT_FLOAT_EQ(frames[1].delta, 0.016f);
    EXPECT_EQ((Ints{static_cast<int>(gkApp.WindowFlags), gkApp.FullScreen, gkApp.WindowWidth,
                    gkApp.WindowHeight, gkInput.IMEEnabled, gkApp.CloseState, gkApp.Mutex}),
              (Ints{3, 0, 640, 480, 0, 2, 0}));
    EXPECT_STREQ(gkApp.MutexName, "app_loop_test:GkMutex");  // no title: the executable's name
    EXPECT_STREQ(gkSystem::GetCommandLine(), "-x \"a b\"");
    EXPECT_FALSE(plat::headless::IMEEnabled());
    EXPECT_FALSE(plat::headless::TopMost());  // WindowFlags bit 0
    EXPECT_FALSE(plat::headless::WindowOpen());
    // The client origin came with the window's first WM_MOVE: centred on the desktop.
    EXPECT_EQ((Ints{gkScreen.OriginX, gkScreen.OriginY}),
              (Ints{(1024 - 640) / 2, (768 - 480) / 2}));
    // The lock was released: a new instance may start.
    EXPECT_EQ(gkSystem::CheckMutex("app_loop_test"), 1);

    // A second instance raises the first and returns at once.
    gktest::ResetFramework();
    initCalls = 0;
    gkSystem::SetGameHooks({InitAfterSlowStart, nullptr, nullptr, nullptr});
    gkSystem::SetGameTitle("Gridkeep");
    plat::headless::HoldInstanceLock("Gridkeep:GkMutex");
    EXPECT_EQ(WinMain(nullptr, nullptr, "", 10), 0);
    EXPECT_EQ((Ints{plat::headless::RaiseRequests(), initCalls, gkApp.Mutex,
                    plat::headless::WindowOpen()}),
              (Ints{1, 0, 0, 0}));
}

TEST_F(LoopTest, CloseBoxAndQuitEachCloseTheWindowOnce) {
    OpenWindow();  // the close box runs Quit, which then posts no second WM_CLOSE
    plat::PostMessage(WM_CLOSE, 0, 0);
    EXPECT_EQ(gkSystem::RunLoopPass(), 1);
    EXPECT_EQ(std::tuple(gkApp.CloseState, gkApp.Ended), std::tuple(2, 1));
    EXPECT_FALSE(plat::headless::WindowOpen());
    EXPECT_EQ(gktest::Queued(), Ints{WM_QUIT});

    gktest::ResetFramework();
    OpenWindow();  // Quit first posts one WM_CLOSE, which then only destroys
    gkSystem::LimitMouse(1, 2, 3, 4);
    EXPECT_EQ(gkSystem::Quit() + gkSystem::Quit(), 2);
    EXPECT_EQ((Ints{gkApp.CloseState, gkSystem::IsMouseLimited()}), (Ints{2, 0}));
    EXPECT_EQ(gktest::Clip(), Ints{});
    EXPECT_EQ(gktest::Queued(), Ints{WM_CLOSE});
    plat::DispatchMessage({WM_CLOSE, 0, 0});
    EXPECT_FALSE(plat::headless::WindowOpen());
    EXPECT_EQ(gktest::Queued(), Ints{WM_QUIT});
}

TEST_F(LoopTest, MessagesComeFirstInactiveWindowsWaitAndFramesKeepTheBooks) {
    frames.clear();
    gkSystem::SetGameHooks({nullptr, CountFrame, nullptr, nullptr});
    OpenWindow();
    gkApp.Scene = 1;
    gkApp.WindowFlags = 0;
    gkApp.Active = 0;
    EXPECT_EQ(gkSystem::RunLoopPass(), 1);
    EXPECT_TRUE(frames.empty());
    gkApp.Active = 1;
    plat::PostMessage(WM_MOUSEMOVE, 0, plat::MakeLParam(5, 6));
    gkSystem::RunLoopPass();
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(gkInput.MouseX, 5);
    gkSystem::RunLoopPass();
    EXPECT_EQ(frames.size(), 1u);
    gkApp.Active = 0;
    gkApp.WindowFlags = 2;  // frames run while inactive
    gkSystem::RunLoopPass();
    EXPECT_EQ(frames.size(), 2u);

    frames.clear();
    gkApp.Scene = 0;
    gkInput.MouseX = 30;
    gkInput.MouseY = 40;
    gkInput.PrevMouseX = 10;
    gkInput.PrevMouseY = 45;
    gkInput.LeftClick = gkInput.RightClick = gkInput.LeftDouble = gkInput.RightDouble = 1;
    gkInput.LeftLatch = 1;
    gkSystem::RunFrame();  // scene 0: nothing runs
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(
        (Ints{gkInput.MouseMoveX, gkInput.MouseMoveY, gkInput.PrevMouseX, gkInput.PrevMouseY}),
        (Ints{20, -5, 30, 40}));
    EXPECT_EQ(gkInput.LeftClick + gkInput.RightClick + gkInput.LeftDouble + gkInput.RightDouble, 0);
    EXPECT_EQ(gkInput.LeftLatch, 1);

    gkApp.Scene = 1;
    gkSystem::RunFrame();
    gkApp.Scene = 2;  // changed after a frame: the next frame is the new scene's first
    gkSystem::RunFrame();
    EXPECT_EQ((Ints{gkApp.SceneChanged, gkApp.PrevScene}), (Ints{1, 2}));
    gkSystem::RunFrame();
    EXPECT_EQ(gkApp.SceneChanged, 0);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].sceneChanged, 1);

    gkApp.Scene = 1;
    gkApp.Pause = 1;
    gkSystem::RunFrame();
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_EQ(gkApp.PrevScene, 1);
}

TEST_F(LoopTest, BlinkIsOnForOneSecondAndOffForTwoHundredMilliseconds) {
    EXPECT_EQ(std::tuple(gkApp.Blink, gkApp.BlinkTime), std::tuple(1, 1000u));
    const struct {
        uint32_t time;
        int blink;
    } steps[] = {{999, 1}, {1000, 0}, {1199, 0}, {1200, 1}, {2199, 1}, {2200, 0}, {2400, 1}};
    for (const auto& step : steps) {
        plat::headless::SetTime(step.time);
        gkSystem::RunFrame();
        EXPECT_EQ(gkApp.Blink, step.blink) << "at " << step.time;
    }
}

// Cursor state after two frames with the pointer at (x, y): CursorShown, the show count and
// the number of ShowCursor calls so far.
Ints CursorAfterFrames(int x, int y) {
    plat::SetCursorPos(x, y);
    gkSystem::RunFrame();
    gkSystem::RunFrame();
    return {gkApp.CursorShown, plat::headless::CursorCount(), plat::headless::ShowCursorCalls()};
}

TEST_F(LoopTest, CursorIsHiddenOverTheGameAndTheCountStaysBalanced) {
    gkApp.FullScreen = 0;
    gkApp.WindowWidth = 640;
    gkApp.WindowHeight = 480;
    gkScreen.OriginX = 100;
    gkScreen.OriginY = 50;
    EXPECT_EQ(CursorAfterFrames(100, 50), (Ints{0, -1, 1}));  // top-left pixel: inside
    EXPECT_EQ(CursorAfterFrames(740, 100), (Ints{1, 0, 2}));  // right edge is exclusive
    gkApp.MessageBoxOpen = 1;
    EXPECT_EQ(CursorAfterFrames(739, 529), (Ints{1, 0, 2}));
    gkApp.MessageBoxOpen = 0;
    gkApp.FullScreen = 1;
    EXPECT_EQ(CursorAfterFrames(739, 529), (Ints{1, 0, 2}));
    gkApp.FullScreen = 0;
    EXPECT_EQ(CursorAfterFrames(739, 529), (Ints{0, -1, 3}));
}

}  // namespace
