// Start-up, the message loop and one frame's bookkeeping in order, shutdown through Quit, the
// cursor over the game area, and deterministic runs: a scripted session recorded and replayed
// frame-exact, the frame limit and the fixed headless frame time, the recording format read
// back, and malformed recordings.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

std::vector<Ints> seen;  // what each frame saw, filled by the frame hooks below
int initCalls;

void InitAfterSlowStart() {
    ++initCalls;
    gkApp.Scene = 1;
    plat::headless::AdvanceTime(300);  // start-up time must not count as frame time
}

// SceneChanged, the frame time in whole milliseconds and the frame's start.
void CountFrame() {
    seen.push_back({gkApp.SceneChanged, static_cast<int>(std::lround(gkSystem::FrameDelta * 1000)),
                    static_cast<int>(gkApp.FrameStart)});
}

void CountFrameThenQuitOnThird() {
    CountFrame();
    plat::headless::AdvanceTime(16);
    if (seen.size() == 3) gkSystem::Quit();
}

TEST_F(LoopTest, WinMainStartsRunsFramesAndEndsWithZero) {
    seen.clear();
    initCalls = 0;
    gkSystem::SetGameHooks({InitAfterSlowStart, CountFrameThenQuitOnThird, nullptr, nullptr});
    EXPECT_EQ(WinMain(nullptr, nullptr, "-x \"a b\"", 10), 0);
    // The first frame is the scene's first, its time measured from the reset after start-up; the
    // game takes 16 ms a frame and the pacing holds frame n to n * 1000 / 60 ms.
    EXPECT_EQ(seen, (std::vector<Ints>{{1, 0, 300}, {0, 16, 316}, {0, 17, 333}}));
    EXPECT_EQ(
        (Ints{initCalls, static_cast<int>(gkApp.WindowFlags), gkApp.FullScreen, gkApp.WindowWidth,
              gkApp.WindowHeight, gkInput.IMEEnabled, gkApp.CloseState, gkApp.Mutex}),
        (Ints{1, 3, 0, 640, 480, 0, 2, 0}));
    EXPECT_STREQ(gkApp.MutexName, "app_loop_test:GkMutex");  // no title: the executable's name
    EXPECT_STREQ(gkSystem::GetCommandLine(), "-x \"a b\"");
    // No input method, not top-most (WindowFlags bit 0), the window closed.
    EXPECT_FALSE(plat::headless::IMEEnabled() || plat::headless::TopMost() ||
                 plat::headless::WindowOpen());
    // The client origin came with the window's first WM_MOVE: centred on the 1024x768 desktop.
    EXPECT_EQ((Ints{gkScreen.OriginX, gkScreen.OriginY}), (Ints{192, 144}));
    // The lock was released: a new instance may start (a second one meanwhile only raises the
    // first, as the end-to-end window test shows).
    EXPECT_EQ(gkSystem::CheckMutex("app_loop_test"), 1);
}

TEST_F(LoopTest, MessagesComeFirstInactiveWindowsWaitFramesKeepTheBooksQuitClosesOnce) {
    seen.clear();
    gkSystem::SetGameHooks({nullptr, CountFrame, nullptr, nullptr});
    plat::CreateMainWindow("Gridkeep", 640, 480, true, gkSystem::WndProc);
    gktest::Queued();  // its first WM_MOVE
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
        EXPECT_EQ(seen.size(), count);
    }

    // A frame measures the mouse move since the last one (at 5, 6: the message came first) and
    // ends the clicks, not the latches.
    seen.clear();
    gkApp.Scene = 0;
    plat::DispatchMessage({WM_MOUSEMOVE, 0, plat::MakeLParam(30, 1)});
    gkInput.LeftClick = gkInput.RightClick = gkInput.LeftDouble = gkInput.RightDouble = 1;
    gkInput.LeftLatch = 1;
    gkSystem::RunFrame();  // scene 0: no game frame
    EXPECT_EQ(
        (Ints{gkInput.MouseMoveX, gkInput.MouseMoveY, gkInput.PrevMouseX, gkInput.PrevMouseY,
              gkInput.LeftClick + gkInput.RightClick + gkInput.LeftDouble + gkInput.RightDouble,
              gkInput.LeftLatch, int(seen.size())}),
        (Ints{25, -5, 30, 1, 0, 1, 0}));

    // Scene and Pause for a frame; then SceneChanged, PrevScene and the game frames so far. A
    // scene changed after a frame makes the next frame the new scene's first; only scene 1 is
    // the game's, and a pause runs none.
    const std::tuple<int, int, Ints> steps[] = {
        {1, 0, {0, 1, 1}}, {2, 0, {1, 2, 1}}, {2, 0, {0, 2, 1}}, {1, 1, {1, 1, 1}}};
    for (const auto& [scene, pause, books] : steps) {
        gkApp.Scene = scene;
        gkApp.Pause = pause;
        gkSystem::RunFrame();
        EXPECT_EQ((Ints{gkApp.SceneChanged, gkApp.PrevScene, int(seen.size())}), books) << scene;
    }

    // Quit frees the mouse and posts one WM_CLOSE, which then only destroys the window.
    gkSystem::LimitMouse(1, 2, 3, 4);
    EXPECT_EQ(gkSystem::Quit() + gkSystem::Quit(), 2);
    EXPECT_EQ(std::tuple(gkApp.CloseState, gktest::Clip()), std::tuple(2, Ints{}));
    EXPECT_EQ(gkSystem::RunLoopPass(), 1);
    EXPECT_FALSE(plat::headless::WindowOpen());
    EXPECT_EQ(gktest::Queued(), Ints{WM_QUIT});
}

TEST_F(LoopTest, BlinkOnForOneSecondOffForAFifthAndTheCursorHiddenOverTheGame) {
    const std::pair<uint32_t, int> steps[] = {{999, 1},  {1000, 0}, {1199, 0}, {1200, 1},
                                              {2199, 1}, {2200, 0}, {2400, 1}};
    for (auto [time, blink] : steps) {
        plat::headless::SetTime(time);
        gkSystem::RunFrame();
        EXPECT_EQ(gkApp.Blink, blink) << "at " << time;
    }

    // The cursor is hidden over the game and the count stays balanced.
    gkApp.WindowWidth = 640;
    gkApp.WindowHeight = 480;
    gkScreen.OriginX = 100;
    gkScreen.OriginY = 50;
    // Full screen, box open, the pointer; then CursorShown, the show count and the ShowCursor
    // calls so far after two frames. The top-left pixel is inside, the right edge outside.
    const std::tuple<int, int, int, int, Ints> pointer[] = {{0, 0, 100, 50, {0, -1, 1}},
                                                            {0, 0, 740, 100, {1, 0, 2}},
                                                            {0, 1, 739, 529, {1, 0, 2}},
                                                            {1, 0, 739, 529, {1, 0, 2}},
                                                            {0, 0, 739, 529, {0, -1, 3}}};
    for (const auto& [fullScreen, boxOpen, x, y, cursor] : pointer) {
        gkApp.FullScreen = fullScreen;
        gkApp.MessageBoxOpen = boxOpen;
        plat::SetCursorPos(x, y);
        gkSystem::RunFrame();
        gkSystem::RunFrame();
        EXPECT_EQ((Ints{gkApp.CursorShown, plat::headless::CursorCount(),
                        plat::headless::ShowCursorCalls()}),
                  cursor)
            << x << "," << y;
    }
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

bool otherPlayer;  // the replays are given other input than the recording

// The frame hook of a recorded or replayed run: what the frame sees (its start, the mouse x, the
// held key, the keys Right, Left and A down as bits 0-2, the joystick's x or -1 while unplugged,
// and the box answer of frame 12), then input injected as a player would give it (and a replay
// must ignore).
void ScriptedFrame() {
    const int n = static_cast<int>(seen.size());
    plat::JOYINFOEX info{};
    info.dwFlags = plat::JOY_RETURNX;
    const int joystickX = plat::JoyGetPosEx(0, &info) == 0 ? static_cast<int>(info.dwXpos) : -1;
    const int keys =
        plat::IsKeyDown(VK_RIGHT) | plat::IsKeyDown(VK_LEFT) << 1 | plat::IsKeyDown('A') << 2;
    seen.push_back({static_cast<int>(gkApp.FrameStart), gkInput.MouseX, gkInput.HeldKey, keys,
                    joystickX, n == 12 ? gkSystem::Question("?") : -1});
    if (n == 2 || n == 3) {
        const int vk = otherPlayer ? VK_LEFT : VK_RIGHT;
        plat::headless::SetKeyDown(vk, n == 2);
        plat::PostMessage(n == 2 ? WM_KEYDOWN : WM_KEYUP, vk, 0);
    }
    if (n == (otherPlayer ? 14 : 4))
        plat::PostMessage(WM_MOUSEMOVE, 0, plat::MakeLParam(otherPlayer ? 9 : 123, 45));
    if (n == 4 || n == 5) plat::headless::SetKeyDown('A', n == 4 && !otherPlayer);  // no message
    if (n == 8) plat::headless::SetJoystick(0, otherPlayer ? 9 : 0, 2000, 3);
}

// A run from a fresh start; replays are given the other player's input.
std::vector<Ints> Play(const char* frames, const char* record, const char* replay, int answer) {
    gktest::ResetFramework();
    seen.clear();
    otherPlayer = replay != nullptr;
    plat::headless::QueueAnswer(answer);
    gkSystem::SetGameHooks({[] { gkApp.Scene = 1; }, ScriptedFrame, nullptr, nullptr});
    EXPECT_EQ(RunWith(frames, record, replay), 0);
    return seen;
}

TEST_F(LoopTest, RecordedSessionReplaysFrameExactAndEndsWithTheRecording) {
    // The box is answered No in the recording; the replay's own answers (Yes) are ignored.
    const std::vector<Ints> recorded = Play("20", kFile.c_str(), nullptr, IDNO);
    ASSERT_EQ(recorded.size(), 20u);              // the frame limit
    for (size_t i = 0; i < recorded.size(); ++i)  // frame n at n * 1000 / 60 ms
        EXPECT_EQ(recorded[i][0] - recorded[0][0], int(i * 1000 / 60)) << i;
    // Frames 3, 5, 9 and 12 (their start aside): Right pressed, the mouse moved and A held
    // without a message, the joystick attached, the box answered.
    const std::pair<int, Ints> inputs[] = {{3, {0, VK_RIGHT, 1, -1, -1}},
                                           {5, {123, 0, 4, -1, -1}},
                                           {9, {123, 0, 0, 0, -1}},
                                           {12, {123, 0, 0, 0, 0}}};
    for (const auto& [n, row] : inputs)
        EXPECT_EQ(Ints(recorded[n].begin() + 1, recorded[n].end()), row) << n;

    std::stringstream file;
    file << std::ifstream(kFile).rdbuf();
    const std::string text = file.str();
    const size_t seed = text.find("seed ");
    std::ofstream(kFile) << text.substr(0, seed) << "seed 4242"
                         << text.substr(text.find('\n', seed));
    for (int pass = 0; pass < 2; ++pass) {
        testing::internal::CaptureStderr();  // a replay that follows its recording reports nothing
        EXPECT_EQ(Play(nullptr, nullptr, kFile.c_str(), IDYES), recorded);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(gkSystem::RandomSeed(), 4242u);
    }
    // A frame limit beyond the recording runs on with the clock paced at the headless rate.
    const std::vector<Ints> longer = Play("26", nullptr, kFile.c_str(), IDYES);
    ASSERT_EQ(longer.size(), 26u);
    EXPECT_EQ(longer[25][0] - longer[19][0], 100);
    EXPECT_EQ(std::vector<Ints>(longer.begin(), longer.begin() + 20), recorded);
    std::remove(kFile.c_str());
}

TEST_F(LoopTest, RecordingsReadBackAsWrittenAndMalformedOnesNameTheirLine) {
    const std::string head = "gk-recording 1\nseed 7\n";
    const std::vector<gkSystem::RecordEvent> events = {
        {0, RecordKind::Time, {4294967295}, 0},
        {1, RecordKind::Message, {WM_MOUSEMOVE, 0, -5}, 0},
        {2, RecordKind::Key, {255, 1}, 0},
        {2, RecordKind::Joystick, {1, 65535, 0, 0xFFFFFFFF}, 0},
        {3, RecordKind::Joystick, {0, -1, 0, 0}, 0},
        {3, RecordKind::Cursor, {-2147483648LL, 2147483647}, 0},
        {3, RecordKind::Box, {IDYES}, 0}};
    std::string text = head + "# a comment\n", back = text;
    for (const gkSystem::RecordEvent& e : events) text += gkSystem::FormatEvent(e) + "\r\n";
    gkSystem::Recording recording;
    gkSystem::RecordingError error;
    ASSERT_TRUE(gkSystem::ReadRecording(text + "\nend 9\n", recording, error)) << error.reason;
    // Every event comes back with its frame, kind and values, and the line it stands on.
    for (const gkSystem::RecordEvent& e : recording.events)
        back += gkSystem::FormatEvent(e) + "\r\n";
    EXPECT_EQ(back, text);
    EXPECT_EQ(std::tuple(recording.seed, recording.endFrame, recording.events.back().line),
              std::tuple(7u, 9u, 10));

    // The text, the line named and part of the reason given.
    const std::tuple<std::string, int, const char*> cases[] = {
        {"", 0, "empty"},
        {"gk-recording 2\n", 1, "not a recording"},
        {"gk-recording 1\nseed -1\n", 2, "seed N"},
        {head + "0 time 5", 3, "before its end"},
        {head + "0 time 99999999999999999\nend 0\n", 3, "value 1 of time"},
        {head + "x time 5\nend 0\n", 3, "frame number"},
        {head + "7\nend 7\n", 3, "missing"},
        {head + "3 WM_PAINT 0 0\nend 3\n", 3, "unknown event \"WM_PAINT\""},
        {head + "3 WM_KEYDOWN 0x\nend 3\n", 3, "takes 2 values"},
        {head + "3 WM_KEYDOWN 0xg 0\nend 3\n", 3, "value 1 of WM_KEYDOWN"},
        {head + "3 key 0XfF 2\nend 3\n", 3, "value 2 of key"},  // hexadecimal in either case
        {head + "3 joy 2 off\nend 3\n", 3, "value 1 of joy"},
        {head + "3 joy 0 -1 0 0\nend 3\n", 3, "x is 0 to 65535"},
        {head + "3 box 1 2\nend 3\n", 3, "takes 1 values"},
        {head + "3 time 1\n2 time 1\nend 3\n", 4, "comes after a later frame"},
        {head + "3 time 1\nend 2\n", 4, "before the last event"},
        {head + "end 0\n0 time 1\n", 4, "after the end"},
        {head + std::string("0 time 1\0\nend 0\n", 16), 3, "zero byte"},
    };
    for (const auto& [text, line, reason] : cases) {
        error = {};
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
    std::remove(kFile.c_str());
}

}  // namespace
