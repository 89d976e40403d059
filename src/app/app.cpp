// Process entry, start-up, the message loop with its per-frame bookkeeping, and shutdown.
#include "app/app.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "draw/draw.h"
#include "effects/effects.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "sound/sound.h"
#include "system/system.h"
#include "text/text.h"

gkAppState gkApp;
gkInputState gkInput;

namespace gkSystem {

void ResetClickDetector();  // input.cpp
// replay.cpp: the recorded or replayed run's part in each loop pass and frame.
void BeginLoopPass();
bool TakeMessage(const plat::Msg& msg);
bool FeedReplay();
bool RunEnds();
void BeginFrame();
void EndFrame();

static GameHooks game{};
static std::string gameTitle;

void SetGameHooks(const GameHooks& hooks) {
    game = hooks;
}

void SetGameTitle(const char* title) {
    gameTitle = title ? title : "";
}

// The game's title, else the executable's file name (which is native UTF-8 and, for the names
// games have, ASCII and so Shift-JIS as well).
static std::string GameTitle() {
    if (!gameTitle.empty()) return gameTitle;
    std::string path = plat::ExecutablePath();
    return path.substr(path.find_last_of('/') + 1);
}

void Init() {
    HINSTANCE instance = gkApp.hInstance;
    gkApp = gkAppState{};
    gkApp.hInstance = instance;
    gkApp.FullScreen = 1;
    gkApp.Blink = 1;
    gkApp.BlinkTime = plat::Now() + 1000;
    gkApp.CursorShown = 1;
    gkInput = gkInputState{};
    ResetClickDetector();
    ResetFrameTime();
}

int CheckMutex(const char* title) {
    std::snprintf(gkApp.MutexName, sizeof gkApp.MutexName, "%s:GkMutex", title);
    if (!plat::AcquireInstanceLock(gkApp.MutexName)) return 0;
    gkApp.Mutex = 1;
    return 1;
}

int Quit() {
    if (gkApp.Ended) return 1;
    gkApp.Ended = 1;
    FreeMouse();
    gkDraw::FreeFonts();
    gkSound::Release();
    gkDraw::Release();
    if (gkApp.Mutex) {
        plat::ReleaseInstanceLock();
        gkApp.Mutex = 0;
    }
    if (gkApp.CloseState == 0) plat::PostMessage(WM_CLOSE, 0, 0);
    gkApp.CloseState = 2;
    return 1;
}

void OnActivate(int flag) {
    if (game.activate) game.activate(flag);
}

void RouteKeyToGame(int key) {
    if (game.keyDown) {
        game.keyDown(key);
    } else {
        RouteKey(key);
    }
}

// The system cursor is hidden over the game area and shown elsewhere; every change goes
// through CursorShown so the display count stays balanced.
static void UpdateCursorOverGame() {
    if (gkApp.FullScreen || gkApp.MessageBoxOpen) return;
    int x, y;
    CursorPosition(x, y);
    bool inside = x >= gkScreen.OriginX && x < gkScreen.OriginX + gkApp.WindowWidth &&
                  y >= gkScreen.OriginY && y < gkScreen.OriginY + gkApp.WindowHeight;
    if (!inside && !gkApp.CursorShown) {
        plat::ShowCursor(true);
        gkApp.CursorShown = 1;
    } else if (inside && gkApp.CursorShown) {
        plat::ShowCursor(false);
        gkApp.CursorShown = 0;
    }
}

static void RunScene() {
    if (gkDraw::FadingOut()) {
        gkDraw::Present();
        if (!gkDraw::FadingOut()) gkApp.Scene = gkApp.NextScene;
        return;
    }
    gkApp.FrameStart = plat::Now();
    if (gkApp.Scene == 1 && game.frame) game.frame();
}

void RunFrame() {
    UpdateFrameTime();
    gkInput.MouseMoveX = gkInput.MouseX - gkInput.PrevMouseX;
    gkInput.MouseMoveY = gkInput.MouseY - gkInput.PrevMouseY;
    if (gkApp.PrevScene == 0 && gkApp.Scene != 0) {
        gkApp.SceneChanged = 1;
        gkApp.PrevScene = gkApp.Scene;
    }
    if (!gkApp.Pause) RunScene();
    gkApp.SceneChanged = gkApp.Scene != gkApp.PrevScene;
    if (gkApp.SceneChanged) gkDraw::CancelWipe();  // a new scene starts with its full screen
    gkApp.PrevScene = gkApp.Scene;
    if (plat::Now() >= gkApp.BlinkTime) {
        gkApp.Blink = !gkApp.Blink;
        gkApp.BlinkTime = plat::Now() + (gkApp.Blink ? 1000 : 200);
    }
    gkInput.PrevMouseX = gkInput.MouseX;
    gkInput.PrevMouseY = gkInput.MouseY;
    gkInput.LeftClick = gkInput.RightClick = 0;
    gkInput.LeftDouble = gkInput.RightDouble = 0;
    UpdateCursorOverGame();
}

int RunLoopPass() {
    BeginLoopPass();
    plat::Msg msg;
    if (plat::PeekMessage(msg)) {
        if (msg.message == WM_QUIT) return 0;
        if (TakeMessage(msg)) plat::DispatchMessage(msg);
    } else if (FeedReplay()) {
    } else if (!gkApp.Active && !(gkApp.WindowFlags & 2)) {
        plat::WaitMessage();
    } else if (!RunEnds()) {
        BeginFrame();
        RunFrame();
        EndFrame();
    }
    return 1;
}

}  // namespace gkSystem

// Returns 0, or 1 when the run the GK_* variables ask for cannot be made (the reason is on
// stderr): an unreadable or malformed replay, a recording that cannot be written.
int WinMain(HINSTANCE hInstance, HINSTANCE, const char* lpCmdLine, int nCmdShow) {
    if (!gkSystem::StartRun(gkSystem::ReadRunOptions())) return 1;
    gkSystem::Init();
    std::string title = gkSystem::GameTitle();
    if (!gkSystem::CheckMutex(title.c_str())) {
        std::fprintf(stderr, "%s is already running: its window was brought forward\n",
                     plat::SjisToUtf8(title.c_str()).c_str());
        gkSystem::EndRun();
        return 0;
    }
    if (!gkSystem::OpenRecording()) {
        plat::ReleaseInstanceLock();
        gkSystem::EndRun();
        return 1;
    }
    gkApp.CommandLine = lpCmdLine ? lpCmdLine : "";
    gkApp.WindowFlags = 3;
    gkApp.FullScreen = 0;
    gkApp.WindowWidth = 640;
    gkApp.WindowHeight = 480;
    gkApp.ClipMouse = 0;
    bool visible = !(gkApp.WindowFlags & 4) && nCmdShow != 0;
    gkApp.hWnd = plat::CreateMainWindow(title.c_str(), gkApp.WindowWidth, gkApp.WindowHeight,
                                        visible, gkSystem::WndProc);
    if (!gkApp.hWnd) {
        gkSystem::EndRun();
        return 0;
    }
    if (!gkApp.FullScreen && !(gkApp.WindowFlags & 1)) plat::SetTopMost();
    gkApp.hInstance = hInstance;
    std::srand(gkSystem::RandomSeed());
    gkSystem::EnableIME(0);
    if (gkSystem::game.init) gkSystem::game.init();
    gkSystem::ResetFrameTime();
    gkSystem::OnActivate(0);
    while (gkSystem::RunLoopPass()) {
    }
    gkSystem::EndRun();
    return 0;
}
