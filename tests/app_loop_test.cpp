// Start-up, the message loop and one frame's bookkeeping in order, shutdown through the close
// box and through Quit, the cursor over the game area, and deterministic runs: a scripted
// board-game session recorded and replayed frame-exact, the frame limit and the fixed headless
// frame time, the recording format read back, and malformed recordings.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game/game.h"
#include "gk.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/joystick.h"
#include "platform/window.h"
#include "support/fixture.h"

namespace {

using LoopTest = gktest::Framework;
using gkSystem::RecordKind;
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
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ((Ints{initCalls, frames[0].sceneChanged, frames[1].sceneChanged,
                    int(frames[0].frameStart)}),
              (Ints{1, 1, 0, 300}));
    EXPECT_EQ(frames[0].delta, 0.0f);  // measured from the reset after start-up
    EXPECT_FLOAT_EQ(frames[1].delta, 0.016f);
    EXPECT_EQ((Ints{static_cast<int>(gkApp.WindowFlags), gkApp.FullScreen, gkApp.WindowWidth,
                    gkApp.WindowHeight, gkInput.IMEEnabled, gkApp.CloseState, gkApp.Mutex}),
              (Ints{3, 0, 640, 480, 0, 2, 0}));
    EXPECT_STREQ(gkApp.MutexName, "app_loop_test:GkMutex");  // no title: the executable's name
    EXPECT_STREQ(gkSystem::GetCommandLine(), "-x \"a b\"");
    // No input method, not top-most (WindowFlags bit 0), the window closed.
    EXPECT_EQ((std::vector<bool>{plat::headless::IMEEnabled(), plat::headless::TopMost(),
                                 plat::headless::WindowOpen()}),
              (std::vector<bool>{false, false, false}));
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
    // Each pass: active, WindowFlags, whether a message waits; the frames run so far. Bit 1 of
    // WindowFlags runs frames while inactive.
    const std::tuple<int, uint32_t, bool, size_t> passes[] = {
        {0, 0, false, 0}, {1, 0, true, 0}, {1, 0, false, 1}, {0, 2, false, 2}};
    for (auto [active, flags, message, count] : passes) {
        gkApp.Active = active;
        gkApp.WindowFlags = flags;
        if (message) plat::PostMessage(WM_MOUSEMOVE, 0, plat::MakeLParam(5, 6));
        EXPECT_EQ(gkSystem::RunLoopPass(), 1);
        EXPECT_EQ(frames.size(), count);
    }
    EXPECT_EQ(gkInput.MouseX, 5);

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
    const std::pair<uint32_t, int> steps[] = {{999, 1},  {1000, 0}, {1199, 0}, {1200, 1},
                                              {2199, 1}, {2200, 0}, {2400, 1}};
    for (auto [time, blink] : steps) {
        plat::headless::SetTime(time);
        gkSystem::RunFrame();
        EXPECT_EQ(gkApp.Blink, blink) << "at " << time;
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

// A recording of this process's own: test programs of several checkouts run at once, and so do
// this program's tests, each in a process of its own.
const std::string kFile =
    testing::TempDir() + "gk_replay_test_" + std::to_string(getpid()) + ".txt";

// WinMain's status for a run with these GK_* variables (nullptr: unset); all unset afterwards.
int RunWith(const char* frames, const char* record, const char* replay) {
    const std::pair<const char*, const char*> variables[] = {
        {"GK_FRAMES", frames}, {"GK_RECORD", record}, {"GK_REPLAY", replay}};
    for (auto [name, value] : variables) value ? setenv(name, value, 1) : unsetenv(name);
    const int status = WinMain(nullptr, nullptr, "", 10);
    for (auto [name, value] : variables) unsetenv(name);
    return status;
}

struct Seen {
    std::vector<size_t> hashes;  // of every presented frame
    std::vector<uint32_t> starts;
    std::vector<int> joystickX;
    std::vector<int> keys;  // the platform state of three keys at each frame start
};
Seen seen;
bool otherPlayer;  // the replays are given other input than the recording

// The game's frame, plus input injected as a player would give it: ignored by a replay.
void ScriptedFrame() {
    const int n = static_cast<int>(seen.starts.size());
    seen.starts.push_back(gkApp.FrameStart);
    plat::JOYINFOEX info{};
    info.dwFlags = plat::JOY_RETURNX;
    seen.joystickX.push_back(plat::JoyGetPosEx(0, &info) == 0 ? static_cast<int>(info.dwXpos) : -1);
    seen.keys.push_back(plat::IsKeyDown(VK_RIGHT) | plat::IsKeyDown(VK_UP) << 1 |
                        plat::IsKeyDown('A') << 2);
    GameFrame();
    const plat::Surface* shown = plat::headless::PresentedFrame();
    seen.hashes.push_back(std::hash<std::string_view>{}(
        {reinterpret_cast<const char*>(shown->pixels.data()), shown->pixels.size()}));
    auto key = [](int vk, bool down) {
        if (otherPlayer) vk = vk == VK_RIGHT ? VK_LEFT : vk == VK_UP ? VK_DOWN : vk;
        plat::headless::SetKeyDown(vk, down);
        plat::PostMessage(down ? WM_KEYDOWN : WM_KEYUP, vk, 0);
    };
    const int script[][3] = {{2, VK_RIGHT, 1},   {3, VK_RIGHT, 0},   {6, VK_RETURN, 1},
                             {7, VK_RETURN, 0},  {9, VK_UP, 1},      {10, VK_UP, 0},
                             {12, VK_ESCAPE, 1}, {13, VK_ESCAPE, 0}, {15, VK_RETURN, 1},
                             {16, VK_RETURN, 0}};
    for (auto& step : script)
        if (step[0] == n) key(step[1], step[2]);
    if (n == (otherPlayer ? 14 : 4))
        plat::PostMessage(WM_MOUSEMOVE, 0, plat::MakeLParam(otherPlayer ? 9 : 123, 45));
    if (n == 4 || n == 5) plat::headless::SetKeyDown('A', n == 4 && !otherPlayer);  // no message
    if (n == 8) plat::headless::SetJoystick(0, otherPlayer ? 9 : 0, 2000, 3);
}

// A run from a fresh start; replays are given the other player's input (which they must ignore).
Seen PlayGame(const char* frames, const char* record, const char* replay, int answer) {
    gktest::ResetFramework();
    ResetGame();
    seen = {};
    otherPlayer = replay != nullptr;
    plat::headless::QueueAnswer(answer);
    gkSystem::SetGameHooks({[] { GameInit(); }, ScriptedFrame, GameKeyDown, nullptr});
    EXPECT_EQ(RunWith(frames, record, replay), 0);
    return seen;
}

std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST_F(LoopTest, RecordedSessionReplaysFrameExactAndEndsWithTheRecording) {
    // Escape is answered No in the recording; the replay's own box answers (Yes) are ignored.
    Seen recorded = PlayGame("20", kFile.c_str(), nullptr, IDNO);
    ASSERT_EQ(recorded.hashes.size(), 20u);              // the frame limit
    for (size_t i = 0; i < recorded.starts.size(); ++i)  // frame n at n * 1000 / 60 ms
        EXPECT_EQ(recorded.starts[i] - recorded.starts[0], i * 1000 / 60) << i;
    const GameState final = gGame;
    EXPECT_EQ(final.CursorX, 360);
    EXPECT_EQ(final.CellFlags[5], 1);

    std::string text = ReadFile(kFile);
    const size_t seedLine = text.find("seed ");
    text.replace(seedLine, text.find('\n', seedLine) - seedLine, "seed 4242");
    std::ofstream(kFile) << text;
    EXPECT_EQ(std::count(recorded.keys.begin(), recorded.keys.end(), 0), 17);
    for (int pass = 0; pass < 2; ++pass) {
        testing::internal::CaptureStderr();  // a replay that follows its recording reports nothing
        Seen replayed = PlayGame(nullptr, nullptr, kFile.c_str(), IDYES);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(replayed.keys, recorded.keys);
        EXPECT_EQ(replayed.hashes, recorded.hashes);
        EXPECT_EQ(replayed.starts, recorded.starts);
        EXPECT_EQ(replayed.joystickX, recorded.joystickX);
        EXPECT_EQ((std::vector<int>{gGame.CursorX, gGame.CursorY, gGame.Blocks[0].Active}),
                  (std::vector<int>{final.CursorX, final.CursorY, final.Blocks[0].Active}));
        EXPECT_EQ(gkInput.MouseX, 123);
        EXPECT_EQ(gkSystem::RandomSeed(), 4242u);
    }
    // A frame limit beyond the recording runs on with the clock paced at the headless rate.
    Seen longer = PlayGame("26", nullptr, kFile.c_str(), IDYES);
    ASSERT_EQ(longer.starts.size(), 26u);
    EXPECT_EQ(longer.starts[25] - longer.starts[19], 100u);
    EXPECT_EQ(std::vector<size_t>(longer.hashes.begin(), longer.hashes.begin() + 20),
              recorded.hashes);
    std::remove(kFile.c_str());
}

TEST_F(LoopTest, EveryEventKindReadsBackAsWritten) {
    const std::vector<gkSystem::RecordEvent> events = {
        {0, RecordKind::Time, {4294967295}, 0},
        {0, RecordKind::Message, {WM_MOUSEMOVE, 0, 0x00F00140}, 0},
        {1, RecordKind::Message, {WM_MOUSEMOVE, 0, -5}, 0},
        {1, RecordKind::Message, {WM_SYSKEYDOWN, VK_F4, 1 << 29}, 0},
        {2, RecordKind::Key, {255, 1}, 0},
        {2, RecordKind::Joystick, {1, 65535, 0, 0xFFFFFFFF}, 0},
        {3, RecordKind::Joystick, {0, -1, 0, 0}, 0},
        {3, RecordKind::Cursor, {-2147483648LL, 2147483647}, 0},
        {3, RecordKind::Box, {IDYES}, 0},
    };
    std::string text = "gk-recording 1\n# a comment\nseed 7\n";
    for (const gkSystem::RecordEvent& e : events) text += gkSystem::FormatEvent(e) + "\r\n";
    text += "\nend 9\n";
    gkSystem::Recording recording;
    gkSystem::RecordingError error;
    ASSERT_TRUE(gkSystem::ReadRecording(text, recording, error))
        << error.line << ": " << error.reason;
    EXPECT_EQ((std::vector<uint32_t>{recording.seed, recording.endFrame}),
              (std::vector<uint32_t>{7, 9}));
    ASSERT_EQ(recording.events.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        const gkSystem::RecordEvent &e = recording.events[i], &w = events[i];
        EXPECT_EQ(std::tuple(e.frame, e.kind, std::to_array(e.values), e.line),
                  std::tuple(w.frame, w.kind, std::to_array(w.values), int(i) + 4))
            << gkSystem::FormatEvent(w);
    }
}

TEST_F(LoopTest, MalformedRecordingsNameTheirLine) {
    const std::string head = "gk-recording 1\nseed 1\n";
    // The text, the line named and part of the reason given.
    const std::tuple<std::string, int, const char*> cases[] = {
        {"", 0, "empty"},
        {"gk-recording 2\n", 1, "not a recording"},
        {"gk-recording 1\nseed -1\n", 2, "seed N"},
        {head + "0 time 5\n", 3, "before its end"},
        {head + "0 time 5", 3, "before its end"},
        {head + "0 time 99999999999999999\nend 0\n", 3, "value 1 of time"},
        {head + "x time 5\nend 0\n", 3, "frame number"},
        {head + "7\nend 7\n", 3, "missing"},
        {head + "3 WM_PAINT 0 0\nend 3\n", 3, "unknown event \"WM_PAINT\""},
        {head + "3 WM_KEYDOWN 0x\nend 3\n", 3, "takes 2 values"},
        {head + "3 WM_KEYDOWN 0xg 0\nend 3\n", 3, "value 1 of WM_KEYDOWN"},
        {head + "3 key 256 1\nend 3\n", 3, "value 1 of key"},
        {head + "3 key 5 2\nend 3\n", 3, "value 2 of key"},
        {head + "3 joy 2 off\nend 3\n", 3, "value 1 of joy"},
        {head + "3 joy 0 -1 0 0\nend 3\n", 3, "x is 0 to 65535"},
        {head + "3 box 1 2\nend 3\n", 3, "takes 1 values"},
        {head + "3 time 1\n2 time 1\nend 3\n", 4, "comes after a later frame"},
        {head + "3 time 1\nend 2\n", 4, "before the last event"},
        {head + "end 0\n0 time 1\n", 4, "after the end"},
        {head + std::string("0 time 1\0\nend 0\n", 16), 3, "zero byte"},
    };
    for (const auto& [text, line, reason] : cases) {
        gkSystem::Recording recording;
        gkSystem::RecordingError error{};
        EXPECT_FALSE(gkSystem::ReadRecording(text, recording, error)) << text;
        EXPECT_EQ(std::tuple(error.line, error.reason.find(reason) != std::string::npos),
                  std::tuple(line, true))
            << text << ": " << error.reason;
    }
    // The program reports the file and line, and ends with 1 before opening a window.
    std::ofstream(kFile) << head << "1 nonsense\nend 1\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWith(nullptr, nullptr, kFile.c_str()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "gk: " + kFile + ":3: unknown event \"nonsense\"\n");
    EXPECT_FALSE(plat::headless::WindowOpen());
    std::remove(kFile.c_str());
}

}  // namespace
