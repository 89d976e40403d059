// Deterministic runs: a scripted board-game session recorded and replayed frame-exact, the frame
// limit and the fixed headless frame time, the recording format read back, and malformed files.
#include <unistd.h>

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
#include "platform/display.h"
#include "platform/joystick.h"
#include "platform/window.h"
#include "support/fixture.h"

namespace {

using ReplayTest = gktest::Framework;
using gkSystem::FormatEvent;
using gkSystem::ReadRecording;
using gkSystem::RecordEvent;
using gkSystem::Recording;
using gkSystem::RecordingError;
using gkSystem::RecordKind;

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
    if (n == 8) plat::headless::SetJoystick(0, otherPlayer ? 9 : 1000, 2000, 3);
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

TEST_F(ReplayTest, RecordedSessionReplaysFrameExactAndEndsWithTheRecording) {
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
    for (int pass = 0; pass < 2; ++pass) {
        Seen replayed = PlayGame(nullptr, nullptr, kFile.c_str(), IDYES);
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

TEST_F(ReplayTest, EveryEventKindReadsBackAsWritten) {
    const std::vector<RecordEvent> events = {
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
    for (const RecordEvent& e : events) text += FormatEvent(e) + "\r\n";
    text += "\nend 9\n";
    Recording recording;
    RecordingError error;
    ASSERT_TRUE(ReadRecording(text, recording, error)) << error.line << ": " << error.reason;
    EXPECT_EQ((std::vector<uint32_t>{recording.seed, recording.endFrame}),
              (std::vector<uint32_t>{7, 9}));
    ASSERT_EQ(recording.events.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        const RecordEvent &e = recording.events[i], &w = events[i];
        EXPECT_EQ(std::tuple(e.frame, e.kind, std::to_array(e.values), e.line),
                  std::tuple(w.frame, w.kind, std::to_array(w.values), int(i) + 4))
            << FormatEvent(w);
    }
}

TEST_F(ReplayTest, MalformedRecordingsNameTheirLine) {
    const std::string head = "gk-recording 1\nseed 1\n";
    const struct {
        std::string text;
        int line;
        const char* reason;
    } cases[] = {
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
    for (const auto& c : cases) {
        Recording recording;
        RecordingError error{};
        EXPECT_FALSE(ReadRecording(c.text, recording, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
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
