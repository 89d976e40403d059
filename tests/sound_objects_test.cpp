// The sound object table and its playback controls: slots, mixes, failures and their reports,
// rebuilds in place after Release or a synchronous play, round-robin starts, channel addressing,
// the setters' clamps, pause, and the echo effect heard in the mixed output.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/clock.h"
#include "platform/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
using Ints = std::vector<int>;

class SoundObjects : public gktest::SoundFolder {
  protected:
    // Writes `name` (mono, 22050 Hz, `frames` frames of `value`) and loads it with `mix`.
    int Load(int mix, uint32_t frames = 22050, int16_t value = 1000, std::string name = "a.wav") {
        gktest::WriteFile(folder + "/" + name, gktest::PcmWav(1, 22050, frames, value));
        return gkSound::LoadObject(name.c_str(), mix);
    }
    static snd::Buffer* Channel(int slot, int ch) {
        return gkSoundObjects[slot].Channel[ch].Buffer;
    }
    static bool Playing(int slot, int ch) {
        return snd::GetStatus(Channel(slot, ch)) & plat::DSBSTATUS_PLAYING;
    }
    static Ints PlayingOn(int slot) {
        Ints on;
        for (int j = 0; j < gkSoundObjects[slot].ChannelCount; ++j) on.push_back(Playing(slot, j));
        return on;
    }
    // `frames` frames of 50 ms, each ending with an echo step.
    static void EchoFrames(int slot, int frames) {
        gkSystem::FrameDelta = 0.05f;
        for (int f = 0; f < frames; ++f) {
            plat::headless::AdvanceTime(50);
            gkSound::Echo(slot, 200, 3, 6);
        }
    }
};

TEST_F(SoundObjects, SlotsAreTakenLowestFirstUpTo70) {
    for (int s = 0; s < 70; ++s) ASSERT_EQ(Load(1, 100), s);
    EXPECT_EQ(Load(1, 100), -1);
    gkSound::ReleaseObject(5);
    const gkSoundObject& o = gkSoundObjects[5];
    EXPECT_EQ(std::tuple(o.Used, o.Name[0], o.BaseFrequency, o.Channel[0].Buffer),
              std::tuple(0, '\0', 0u, nullptr));
    EXPECT_EQ(Load(1, 100), 5);
    EXPECT_EQ(reports.Take(),
              std::vector<std::string>{"gkSound::LoadObject : オブジェクト数が多過ぎます"});
}

TEST_F(SoundObjects, MixGivesChannelsAndEchoAvailabilityNamesUpTo30Bytes) {
    const std::string name30 = std::string(26, 'n') + ".wav";
    const struct {
        int mix, slot, channels, echo;
        std::string name;
    } cases[] = {{10, 0, 10, 0, "a.wav"},
                 {-3, 1, 3, -1, name30},
                 {3, 2, 3, 0, "a.wav"},
                 {1, 3, 1, -1, "a.wav"}};
    for (const auto& c : cases) {
        ASSERT_EQ(Load(c.mix, 100, 1, c.name), c.slot) << c.mix;
        const gkSoundObject& o = gkSoundObjects[c.slot];
        EXPECT_EQ(std::tuple(o.ChannelCount, o.EchoStep, o.NextChannel, std::string(o.Name)),
                  std::tuple(c.channels, c.echo, 0, c.name));
        for (int j = 0; j < 10; ++j) EXPECT_EQ(Channel(c.slot, j) != nullptr, j < c.channels);
        for (int j = 1; j < c.channels; ++j) EXPECT_NE(Channel(c.slot, j), Channel(c.slot, j - 1));
    }
}

TEST_F(SoundObjects, FailedLoadsAreReportedAndLeaveTheSlotFree) {
    gktest::Bytes adpcm = gktest::Fmt(2, 1, 22050, 4);
    adpcm.insert(adpcm.end(), {0, 0});
    const gktest::Bytes pcm = gktest::PcmWav(1, 22050, 100);
    const std::string tooMany = "ミックス数が多過ぎます",
                      noBuffer = "サウンドバッファが生成できません";
    // The file written (if any), its name, the mix and the report.
    const std::tuple<gktest::Bytes, std::string, int, std::string> cases[] = {
        {pcm, "a.wav", 11, tooMany},
        {pcm, "a.wav", -11, tooMany},
        {pcm, "a.wav", 0, tooMany},
        {{}, "missing.wav", 1, "WAVEリソースが見つかりません"},
        {gktest::Riff({{"fmt ", adpcm}, {"data", gktest::Bytes(100, 0)}}), "a.wav", 3, noBuffer},
        {gktest::Riff({{"fmt ", gktest::Fmt(1, 1, 22050, 16)}, {"data", {}}}), "a.wav", 3,
         noBuffer},
        {pcm, std::string(27, 'n') + ".wav", 2, "ファイル名またはリソース名が長すぎます"}};
    for (const auto& [file, name, mix, report] : cases) {
        if (!file.empty()) gktest::WriteFile(folder + "/" + name, file);
        EXPECT_EQ(gkSound::LoadObject(name.c_str(), mix), -1) << name;
        EXPECT_EQ(reports.Take(), std::vector<std::string>{"gkSound::LoadObject : " + report});
        const gkSoundObject& o = gkSoundObjects[0];
        EXPECT_EQ(std::tuple(o.Used, o.Channel[0].Buffer, o.Channel[1].Buffer),
                  std::tuple(0, nullptr, nullptr));
    }
}

TEST_F(SoundObjects, RebuildsKeepSlotsAndSettingsUntilQuit) {
    gktest::WriteFile(folder + "/b.wav", gktest::PcmWav(2, 44100, 4410));
    ASSERT_EQ(Load(1, 2205), 0);
    ASSERT_EQ(gkSound::LoadObject("b.wav", 3), 1);
    ASSERT_EQ(gkSound::LoadObject("a.wav", 1), 2);
    gkSound::ReleaseObject(0);
    gkSound::SetVolume(1, -12, 2);
    gkSound::SetPan(1, 7, 2);
    gkSound::SetFrequency(1, -20, 2);
    gkSound::Play(1, -1);
    gkSound::Play(1, -1);
    auto check = [&] {
        const gkSoundObject& o = gkSoundObjects[1];
        EXPECT_EQ(o.Name, std::string("b.wav"));
        snd::Buffer* b = o.Channel[2].Buffer;
        ASSERT_NE(b, nullptr);
        EXPECT_EQ((Ints{gkSoundObjects[0].Used, gkSoundObjects[2].Used, o.ChannelCount,
                        o.NextChannel, int(o.BaseFrequency), snd::GetVolume(b), snd::GetPan(b),
                        int(snd::GetFrequency(b)), int(snd::GetFrequency(o.Channel[0].Buffer))}),
                  (Ints{0, 1, 3, 2, 44100, -1200, 700, 42100, 44100}));
    };
    gkSound::Release();
    EXPECT_FALSE(snd::HasDevice());
    EXPECT_EQ(std::tuple(Channel(1, 0), gkSoundObjects[1].Used), std::tuple(nullptr, 1));
    gkSound::RestoreAll();
    check();
    // A synchronous play of 100 ms holds the program that long, then everything is back.
    plat::headless::SetTime(5000);
    gkSound::PlaySync((folder + "/a.wav").c_str());
    EXPECT_NEAR(plat::Now(), 5101, 1);
    check();
    EXPECT_EQ(gkSoundStatus.ReloadMode, 0);
    gkSound::Play(1, 0);
    plat::headless::AdvanceTime(20);
    EXPECT_EQ(gkSound::GetPlayPosition(1), 882u * 4);  // channel 0, in bytes
    gkSystem::Quit();
    EXPECT_FALSE(snd::HasDevice());
    EXPECT_EQ(std::tuple(gkSound::GetPlayPosition(1), Channel(1, 0), gkSoundObjects[1].Used),
              std::tuple(0u, nullptr, 1));
    EXPECT_TRUE(reports.Take().empty());
}

TEST_F(SoundObjects, BeepSoundsOnTheOutputElseTheSystemBeeps) {
    snd::headless::StartCapture();
    gkSound::Beep();
    plat::headless::AdvanceTime(100);
    const auto out = gktest::Samples(snd::headless::TakeCapture());
    EXPECT_NE(*std::max_element(out.begin(), out.end()), 0);
    EXPECT_EQ(plat::headless::Beeps(), 0);
    gkSound::Release();
    gkSound::Beep();
    EXPECT_EQ(plat::headless::Beeps(), 1);
}

TEST_F(SoundObjects, ScreenSetUpStartsSoundAndWithoutADeviceAllIsSilent) {
    gkSoundObjects[7].Channel[2].Volume = -500;
    ASSERT_EQ(gkDraw::Screen(64, 48, 0), 1);
    EXPECT_EQ(
        std::tuple(gkSoundStatus.Ready, snd::HasDevice(), gkSoundObjects[7].Channel[2].Volume),
        std::tuple(1, true, 0));
    gkSystem::Quit();
    gkDraw::Release();
    snd::headless::SetDeviceAvailable(false);
    ASSERT_EQ(gkDraw::Screen(64, 48, 0), 1);
    EXPECT_EQ(gkSoundStatus.Ready, 0);
    EXPECT_EQ(Load(1), -1);
    EXPECT_EQ(Load(11), -1);
    gkSound::RestoreAll();
    EXPECT_EQ(gkSoundObjects[0].Used, 0);
    EXPECT_TRUE(plat::headless::Boxes().empty());
}

TEST_F(SoundObjects, RoundRobinStartsUseTheChannelsInTurn) {
    const int s = Load(3);
    for (Ints expect : {Ints{1, 0, 0}, Ints{0, 1, 0}, Ints{0, 0, 1}, Ints{1, 0, 0}}) {
        gkSound::Stop(s, -1);
        gkSound::Play(s, -1);
        EXPECT_EQ(PlayingOn(s), expect);
    }
    // A start on a given channel rewinds it and leaves the turn alone.
    plat::headless::AdvanceTime(100);
    gkSound::PlayLoop(s, 0);
    EXPECT_EQ(snd::GetCurrentPosition(Channel(s, 0)), 0u);
    EXPECT_EQ(snd::GetStatus(Channel(s, 0)), plat::DSBSTATUS_PLAYING | plat::DSBSTATUS_LOOPING);
    EXPECT_EQ(std::tuple(gkSoundObjects[s].Loop, gkSoundObjects[s].NextChannel), std::tuple(1, 1));
    // -2 on an object without echo is a plain round-robin start.
    const int single = Load(1);
    gkSound::Play(single, -2);
    EXPECT_TRUE(Playing(single, 0));
    EchoFrames(single, 4);
    EXPECT_EQ(gkSoundObjects[single].EchoStep, -1);
}

TEST_F(SoundObjects, SettersClampStoreAndApply) {
    const int s = Load(2);
    const gkSoundChannel& c = gkSoundObjects[s].Channel[0];
    using namespace gkSound;
    // Each step on channel 0, then its volume, pan and frequency.
    const std::pair<std::function<void()>, Ints> steps[] = {
        {[&] { SetVolume(s, -120, 0); }, {-10000, 0, 22050}},
        {[&] { SetVolume(s, 5, 0); }, {0, 0, 22050}},
        {[&] { AddVolume(s, -7, 0); }, {-700, 0, 22050}},
        {[&] { AddVolume(s, -7, 0); }, {-1400, 0, 22050}},
        {[&] { ResetVolume(s, 0); }, {0, 0, 22050}},
        {[&] { AddFrequency(s, -300, 0); }, {0, 0, 100}},
        {[&] { ResetFrequency(s, 0); }, {0, 0, 22050}},
        {[&] { AddFrequency(s, 900, 0); }, {0, 0, 100000}},
        {[&] { AddFrequency(s, -2000000000, 0); }, {0, 0, 100}},  // the bound, not a wrap
        {[&] { SetFrequency(s, 10, 0); }, {0, 0, 23050}},
        {[&] { SetPan(s, 150, 0); }, {0, 10000, 23050}},
        {[&] { AddPan(s, -250, 0); }, {0, -10000, 23050}},
        {[&] { PanRight(s, 0); }, {0, 10000, 23050}},
        {[&] { PanLeft(s, 0); }, {0, -10000, 23050}},
        {[&] { ResetPan(s, 0); }, {0, 0, 23050}},
    };
    for (const auto& [step, expect] : steps) {
        step();
        const Ints stored = {c.Volume, c.Pan, static_cast<int>(c.Frequency)};
        EXPECT_EQ(stored, expect);
        EXPECT_EQ((Ints{snd::GetVolume(c.Buffer), snd::GetPan(c.Buffer),
                        static_cast<int>(snd::GetFrequency(c.Buffer))}),
                  stored);
    }
    EXPECT_EQ(gkSoundObjects[s].Channel[1].Frequency, 22050u);  // the other channel untouched
}

TEST_F(SoundObjects, MinusTwoAddressesTheNextChannelMinusOneAll) {
    const int s = Load(3);
    const gkSoundChannel* c = gkSoundObjects[s].Channel;
    gkSound::Play(s, -1);  // next channel is now 1
    gkSound::SetVolume(s, -10, -2);
    gkSound::SetPan(s, -5, -1);
    EXPECT_EQ((Ints{c[0].Volume, c[1].Volume, c[2].Volume, c[0].Pan, c[1].Pan, c[2].Pan}),
              (Ints{0, -1000, 0, -500, -500, -500}));
    // Stop takes every channel for -2 as for -1.
    gkSound::Play(s, 2);
    gkSound::Stop(s, -2);
    EXPECT_EQ(PlayingOn(s), (Ints{0, 0, 0}));
    // Out-of-table numbers address nothing.
    gkSound::SetVolume(s, -10, 3);
    gkSound::Play(s, 7);
    gkSound::Play(70, 0);
    gkSound::SetPan(-1, 3, 0);
    EXPECT_EQ(std::tuple(c[3].Volume, gkSoundObjects[s].NextChannel), std::tuple(0, 1));
}

TEST_F(SoundObjects, PauseTwiceResumesWherePaused) {
    const int s = Load(2, 22050 * 2);
    snd::Buffer* b = Channel(s, 0);
    gkSound::Play(s, 0);
    plat::headless::AdvanceTime(100);
    gkSound::Pause(s, 0);
    EXPECT_EQ(gkSoundObjects[s].Channel[0].PausedPosition, 2205u * 2);
    plat::headless::AdvanceTime(300);
    EXPECT_EQ(std::tuple(Playing(s, 0), snd::GetCurrentPosition(b)), std::tuple(false, 4410u));
    gkSound::Pause(s, 0);
    EXPECT_EQ(snd::GetStatus(b), plat::DSBSTATUS_PLAYING);  // once, as it was started
    plat::headless::AdvanceTime(100);
    EXPECT_EQ(snd::GetCurrentPosition(b), 4410u * 2);
    // With -1 each channel toggles by itself: the idle one starts from its paused position.
    gkSound::Pause(s, -1);
    EXPECT_EQ(PlayingOn(s), (Ints{0, 1}));
    EXPECT_EQ(snd::GetCurrentPosition(Channel(s, 1)), 0u);
    // A looping start resumes looping.
    gkSound::PlayLoop(s, 1);
    gkSound::Pause(s, 1);
    gkSound::Pause(s, 1);
    EXPECT_EQ(snd::GetStatus(Channel(s, 1)), plat::DSBSTATUS_PLAYING | plat::DSBSTATUS_LOOPING);
}

TEST_F(SoundObjects, EchoCopiesComeAtTheIntervalEachQuieterUntilStopped) {
    const int s = Load(4, 22050, 10000);
    snd::headless::StartCapture();
    gkSound::SetVolume(s, -20, -1);  // the echo start puts every channel back to full
    gkSound::PlayLoop(s, -2);
    EchoFrames(s, 10);
    EXPECT_EQ(gkSoundObjects[s].EchoStep, 3);
    gkSound::Stop(s, -1);
    EXPECT_EQ(gkSoundObjects[s].EchoStep, 0);
    EchoFrames(s, 10);
    const auto out = gktest::Samples(snd::headless::TakeCapture());
    const auto levelAt = [&](size_t ms) { return out[2 * (ms * 441 / 10)]; };
    // 0 dB from 0 ms, then -6 dB added at 200 ms and -12 dB at 400 ms; nothing after the stop.
    const double copies[] = {1.0, 0.501187, 0.251189};
    double level = 0;
    for (int k = 0; k < 3; ++k) {
        level += 10000 * copies[k];
        EXPECT_NEAR(levelAt(200 * k + 1), level, 1.5) << k;
        EXPECT_NEAR(levelAt(200 * k + 99), level, 1.5) << k;
    }
    for (size_t ms = 501; ms < 1000; ms += 50) EXPECT_EQ(levelAt(ms), 0) << ms;
    EXPECT_EQ(PlayingOn(s), (Ints{0, 0, 0, 0}));
}

TEST_F(SoundObjects, EchoPanSwingsBetweenItsBoundsForTheRepeatsOnly) {
    const int s = Load(4);
    gkSystem::FrameDelta = 0.05f;
    std::srand(1);
    gkSound::Play(s, -2);
    const int direction = gkSoundObjects[s].EchoPanDirection;
    ASSERT_TRUE(direction == 1 || direction == -1);
    for (int frame = 0; frame < 20; ++frame) gkSound::EchoPan(s, 200, 3, 6, 5);
    // 25 dB a copy: to the bound and back; each copy 6 dB quieter; no copy after the third.
    Ints pans, volumes;
    for (const gkSoundChannel& c : gkSoundObjects[s].Channel) {
        pans.push_back(c.Pan);
        volumes.push_back(c.Volume);
    }
    EXPECT_EQ(Ints(pans.begin() + 1, pans.begin() + 4),
              (Ints{direction * 2500, direction * 3000, direction * 500}));
    EXPECT_EQ(Ints(volumes.begin(), volumes.begin() + 4), (Ints{0, -600, -1200, -1800}));
    EXPECT_EQ(std::tuple(gkSoundObjects[s].EchoPanDirection, gkSoundObjects[s].EchoStep,
                         gkSoundObjects[s].NextChannel),
              std::tuple(-direction, 0, 0));
}

}  // namespace
