// MIDI songs on the virtual clock: the command strings sent, the end-of-song notification and
// the looping and closing rules, with small MIDI files the tests write.
#include <stdlib.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/app.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/mci.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "sound/sound.h"
#include "support/fixture.h"
#include "support/sound_util.h"
#include "support/wav.h"
#include "system/system.h"

namespace {

using Commands = std::vector<std::string>;

// A one-track song at 120 beats per minute and 480 ticks per beat: one note held for
// `ms` milliseconds (a multiple of 125), then the end of the track.
std::vector<uint8_t> Song(uint32_t ms) {
    uint32_t ticks = ms * 480 / 500;
    std::vector<uint8_t> track = {0x00, 0x90, 0x3C, 0x64};  // note on, middle C
    uint8_t delta[4];
    int n = 0;
    for (uint32_t v = ticks; n == 0 || v; v >>= 7) delta[n++] = v & 0x7F;
    for (int i = n - 1; i >= 0; --i) track.push_back(delta[i] | (i ? 0x80 : 0));
    for (uint8_t b : {0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}) track.push_back(b);
    std::vector<uint8_t> file = {
        'M', 'T',  'h',  'd', 0,   0,   0,   6, 0, 0, 0,
        1,   0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, static_cast<uint8_t>(track.size())};
    for (uint8_t b : track) file.push_back(b);  // insert() trips a false array-bounds warning
    return file;
}

class Midi : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        char pattern[] = "/tmp/gk_midi_XXXXXX";
        folder = mkdtemp(pattern);
        plat::headless::SetExecutablePath(folder + "/gridkeep");
        gkApp.hWnd = plat::CreateMainWindow("midi", 640, 480, false, gkSystem::WndProc);
        Pump();
        Write("one.mid", Song(1000));
        Write("two.mid", Song(2000));
    }
    void TearDown() override {
        gktest::Framework::TearDown();
        std::system(("rm -rf " + folder).c_str());
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        gktest::WriteFile(folder + "/" + name, bytes);
    }
    // Dispatches every waiting message, as the main loop does.
    static void Pump() {
        plat::Msg msg;
        while (plat::PeekMessage(msg)) plat::DispatchMessage(msg);
    }
    // Lets `ms` pass in steps of 10 ms, dispatching messages after each.
    static void Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10) {
            plat::headless::AdvanceTime(10);
            Pump();
        }
    }
    // Commands sent since the last call.
    Commands Sent() {
        const Commands& all = plat::headless::MciCommands();
        Commands fresh(all.begin() + seen, all.end());
        seen = all.size();
        return fresh;
    }
    std::string Open(const std::string& name) {
        return "open \"" + folder + "/" + name + "\" type sequencer alias midi";
    }
    std::string Mode() {
        char mode[32];
        plat::MciSendString("status midi mode", mode, sizeof mode, nullptr);
        Sent();
        return mode;
    }

    std::string folder;
    size_t seen = 0;
};

const Commands kReplay = {"status midi mode", "seek midi to start", "play midi notify"};
const Commands kClose = {"stop midi", "close midi"};
const Commands kCloseAtEnd = {"status midi mode", "stop midi", "close midi"};

TEST_F(Midi, LoopReplaysUntilEndLoopThenClosesAndASecondPlayClosesTheFirst) {
    gkSound::PlayMidi("one.mid", 1);
    EXPECT_EQ(Sent(), (Commands{Open("one.mid"), "seek midi to start", "play midi notify"}));
    EXPECT_EQ(Mode(), "playing");
    Run(950);
    EXPECT_EQ(Sent(), Commands{});
    Run(100);  // the song ends at 1000 ms
    EXPECT_EQ(Sent(), kReplay);
    Run(900);
    gkSound::EndMidiLoop();  // the pass finishes, then the song closes
    EXPECT_EQ(gkMidi.Loop, 0);
    Run(150);
    EXPECT_EQ(Sent(), kCloseAtEnd);
    EXPECT_EQ(gkMidi.SongOpen, 0);
    // A second song runs on its own time.
    gkSound::PlayMidi("one.mid", 1);
    Run(500);
    Sent();
    gkSound::PlayMidi("two.mid", 0);
    EXPECT_EQ(Sent(), (Commands{"stop midi", "close midi", Open("two.mid"), "seek midi to start",
                                "play midi notify"}));
    Run(1200);  // the first song would have ended here
    EXPECT_EQ(Sent(), Commands{});
    Run(850);
    EXPECT_EQ(Sent(), kCloseAtEnd);
    Run(2000);
    EXPECT_EQ(Sent(), Commands{});
}

TEST_F(Midi, OnlySuccessfulNotificationsOfAStoppedOpenSongCount) {
    gkSound::PlayMidi("one.mid", 1);
    Sent();
    int passedOn = plat::headless::DefWindowProcCalls();
    plat::PostMessage(plat::MM_MCINOTIFY, plat::MCI_NOTIFY_ABORTED, 1);
    Pump();
    EXPECT_EQ(Sent(), Commands{});
    EXPECT_EQ(plat::headless::DefWindowProcCalls(), passedOn + 1);  // then the default handling
    // Success while the song still plays: the status is asked, the answer is not "stopped".
    plat::PostMessage(plat::MM_MCINOTIFY, plat::MCI_NOTIFY_SUCCESSFUL, 1);
    Pump();
    EXPECT_EQ(Sent(), Commands{"status midi mode"});
    // The song ends, its notification waits in the queue while the song is stopped.
    plat::headless::AdvanceTime(1100);
    gkSound::StopMidi();
    EXPECT_EQ(gkMidi.SongOpen, 0);
    Sent();
    Pump();
    EXPECT_EQ(Sent(), Commands{});
}

TEST_F(Midi, NamesFindTheFileWhateverTheCaseAndBadFilesStaySilent) {
    std::vector<uint8_t> cut = Song(1000), timeCode = Song(1000);
    cut.resize(cut.size() - 5);  // the track runs past the end of the file
    timeCode[12] |= 0x80;        // a time-code division
    Write("cut.mid", cut);
    Write("smpte.mid", timeCode);
    Write("text.mid", {'h', 'e', 'l', 'l', 'o'});
    std::system(("mkdir " + folder + "/bgm").c_str());
    Write("bgm/Song.mid", Song(5000));
    const std::string tooLong(240, 'a');
    // The name, whether it is opened, and the song's mode.
    const std::tuple<std::string, bool, std::string> cases[] = {{"BGM\\song.MID", true, "playing"},
                                                                {"none.mid", true, ""},
                                                                {"cut.mid", true, ""},
                                                                {"text.mid", true, ""},
                                                                {"smpte.mid", true, ""},
                                                                {tooLong, false, ""}};
    for (const auto& [name, opened, mode] : cases) {
        gkSound::PlayMidi(name.c_str(), 1);
        Commands expect = {"seek midi to start", "play midi notify"};
        if (opened) expect.insert(expect.begin(), Open(name));
        EXPECT_EQ(Sent(), expect);
        EXPECT_EQ(std::tuple(gkMidi.SongOpen, Mode()), std::tuple(1, mode)) << name;
        Run(3000);
        EXPECT_EQ(Sent(), Commands{});
        EXPECT_EQ(plat::sound::IsOutputOpen(), !mode.empty());
        gkSound::StopMidi();
        EXPECT_EQ(Sent(), kClose);
    }
}

TEST_F(Midi, SoundsAloneSharesTheSoundDevicesOutputAndNeedsNone) {
    plat::sound::headless::StartCapture();
    gkSound::PlayMidi("two.mid", 0);
    Run(500);
    int loud = 0;
    for (int16_t sample : gktest::Samples(plat::sound::headless::TakeCapture()))
        loud += std::abs(sample) > 100;
    EXPECT_GT(loud, 1000);
    gkSound::StopMidi();
    EXPECT_FALSE(plat::sound::IsOutputOpen());
    ASSERT_EQ(gkSound::Init(), 1);
    gkSound::PlayMidi("one.mid", 0);
    gkSound::StopMidi();
    EXPECT_TRUE(plat::sound::IsOutputOpen());  // still held by the sound device
    gkSound::Release();
    EXPECT_FALSE(plat::sound::IsOutputOpen());

    plat::sound::headless::SetDeviceAvailable(false);
    gkSound::PlayMidi("one.mid", 1);
    EXPECT_EQ(Mode(), "");  // the song could not be opened
    Run(1500);
    EXPECT_EQ(Sent(), Commands{});
}

TEST_F(Midi, CommandsAreCheckedAndAnswered) {
    auto send = [](const char* command) {
        return plat::MciSendString(command, nullptr, 0, nullptr);
    };
    std::string path = "open \"" + folder + "/one.mid\" type sequencer alias tune";
    EXPECT_EQ(send("play tune"), plat::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send(path.c_str()), 0u);
    EXPECT_EQ(send(path.c_str()), plat::MCIERR_DUPLICATE_ALIAS);
    EXPECT_EQ(send("dance tune"), plat::MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(send("seek tune to middle"), plat::MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(send("open \"unclosed"), plat::MCIERR_NO_CLOSING_QUOTE);
    EXPECT_EQ(send("PLAY Tune"), 0u);
    char small[4];
    EXPECT_EQ(plat::MciSendString("status tune mode", small, sizeof small, nullptr), 0u);
    EXPECT_STREQ(small, "pla");
    EXPECT_EQ(send("stop tune"), 0u);
    EXPECT_EQ(plat::MciSendString("status tune mode", small, sizeof small, nullptr), 0u);
    EXPECT_STREQ(small, "sto");
    EXPECT_EQ(send("close tune"), 0u);
    EXPECT_EQ(send("close tune"), plat::MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(Midi, StopAndResumeNotifyAbortedThenSuccessful) {
    std::string path = "open \"" + folder + "/one.mid\" alias m";
    ASSERT_EQ(plat::MciSendString(path.c_str(), nullptr, 0, nullptr), 0u);
    plat::MciSendString("play m notify", nullptr, 0, gkApp.hWnd);
    Run(400);
    plat::MciSendString("stop m", nullptr, 0, nullptr);
    plat::Msg msg;
    ASSERT_TRUE(plat::PeekMessage(msg));
    EXPECT_EQ(std::tuple(msg.message, msg.wParam),
              std::tuple(plat::MM_MCINOTIFY, plat::MCI_NOTIFY_ABORTED));
    plat::headless::AdvanceTime(5000);  // stopped: the song does not move on
    plat::MciSendString("play m notify", nullptr, 0, gkApp.hWnd);
    plat::headless::AdvanceTime(550);
    EXPECT_FALSE(plat::PeekMessage(msg));
    plat::headless::AdvanceTime(100);
    ASSERT_TRUE(plat::PeekMessage(msg));
    EXPECT_EQ(msg.wParam, plat::MCI_NOTIFY_SUCCESSFUL);
    plat::MciSendString("close m", nullptr, 0, nullptr);
}

}  // namespace
