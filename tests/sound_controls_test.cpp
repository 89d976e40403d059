// Playback controls: round-robin starts, channel addressing (-2, -1), clamps of every setter,
// pause and resume, and the echo effect timed by frames on the virtual clock, checked in the
// mixed output.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/sound.h"
#include "sound/sound.h"
#include "support/fixture.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
using Ints = std::vector<int>;

class SoundControls : public gktest::Framework {
  protected:
    void SetUp() override {
        Framework::SetUp();
        ASSERT_EQ(gkSound::Init(), 1);
        gkSound::EmptyObjects();
    }
    void TearDown() override {
        std::remove((gktest::ExeFolder() + gktest::Unique("c.wav")).c_str());
        Framework::TearDown();
    }
    // A 22050 Hz mono sound of `frames` frames, every sample `value`, loaded with `mix`.
    int Load(int mix, uint32_t frames = 22050, int16_t value = 1000) {
        gktest::WriteFile(gktest::ExeFolder() + gktest::Unique("c.wav"),
                          gktest::PcmWav(1, 22050, frames, value));
        return gkSound::LoadObject(gktest::Unique("c.wav").c_str(), mix);
    }
    static bool Playing(int slot, int ch) {
        return snd::GetStatus(gkSoundObjects[slot].Channel[ch].Buffer) & plat::DSBSTATUS_PLAYING;
    }
    // Which of the object's channels play.
    static Ints PlayingOn(int slot) {
        Ints on;
        for (int j = 0; j < gkSoundObjects[slot].ChannelCount; ++j) on.push_back(Playing(slot, j));
        return on;
    }
};

TEST_F(SoundControls, RoundRobinStartsUseTheChannelsInTurn) {
    const int s = Load(3);
    for (Ints expect : {Ints{1, 0, 0}, Ints{0, 1, 0}, Ints{0, 0, 1}, Ints{1, 0, 0}}) {
        gkSound::Stop(s, -1);
        gkSound::Play(s, -1);
        EXPECT_EQ(PlayingOn(s), expect);
    }
    EXPECT_EQ(gkSoundObjects[s].NextChannel, 1);
    // A start on a given channel rewinds it and leaves the turn alone.
    plat::headless::AdvanceTime(100);
    gkSound::PlayLoop(s, 0);
    EXPECT_EQ(snd::GetCurrentPosition(gkSoundObjects[s].Channel[0].Buffer), 0u);
    EXPECT_EQ(snd::GetStatus(gkSoundObjects[s].Channel[0].Buffer),
              plat::DSBSTATUS_PLAYING | plat::DSBSTATUS_LOOPING);
    EXPECT_EQ(std::tuple(gkSoundObjects[s].Loop, gkSoundObjects[s].NextChannel), std::tuple(1, 1));
    // -2 on an object without echo is a plain round-robin start.
    const int single = Load(1);
    gkSound::Play(single, -2);
    EXPECT_TRUE(Playing(single, 0));
    EXPECT_EQ(gkSoundObjects[single].EchoStep, -1);
    gkSound::Echo(single, 0, 3, 6);
    EXPECT_EQ(gkSoundObjects[single].EchoStep, -1);
}

TEST_F(SoundControls, SettersClampStoreAndApply) {
    const int s = Load(2);
    const gkSoundChannel& c = gkSoundObjects[s].Channel[0];
    using namespace gkSound;
    // Each step on channel 0, then its volume, pan and frequency.
    const std::vector<std::pair<std::function<void()>, Ints>> steps = {
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
        {[&] { SetFrequency(s, 0, 0); }, {0, 0, 22050}},
        {[&] { SetPan(s, 150, 0); }, {0, 10000, 22050}},
        {[&] { AddPan(s, -250, 0); }, {0, -10000, 22050}},
        {[&] { PanRight(s, 0); }, {0, 10000, 22050}},
        {[&] { PanLeft(s, 0); }, {0, -10000, 22050}},
        {[&] { ResetPan(s, 0); }, {0, 0, 22050}},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        steps[i].first();
        const Ints stored = {c.Volume, c.Pan, static_cast<int>(c.Frequency)};
        EXPECT_EQ(stored, steps[i].second);
        EXPECT_EQ((Ints{snd::GetVolume(c.Buffer), snd::GetPan(c.Buffer),
                        static_cast<int>(snd::GetFrequency(c.Buffer))}),
                  stored);
    }
    EXPECT_EQ(gkSoundObjects[s].Channel[1].Frequency, 22050u);  // the other channel untouched
}

TEST_F(SoundControls, MinusTwoAddressesTheNextChannelMinusOneAll) {
    const int s = Load(3);
    gkSound::Play(s, -1);  // next channel is now 1
    gkSound::SetVolume(s, -10, -2);
    EXPECT_EQ(std::tuple(gkSoundObjects[s].Channel[0].Volume, gkSoundObjects[s].Channel[1].Volume,
                         gkSoundObjects[s].Channel[2].Volume, gkSoundObjects[s].NextChannel),
              std::tuple(0, -1000, 0, 1));
    gkSound::SetPan(s, -5, -1);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(gkSoundObjects[s].Channel[j].Pan, -500);
    // Stop and pause take every channel for -2 as for -1.
    gkSound::Play(s, 0);
    gkSound::Play(s, 2);
    gkSound::Stop(s, -2);
    EXPECT_EQ(PlayingOn(s), (Ints{0, 0, 0}));
    // Out-of-table numbers address nothing.
    gkSound::SetVolume(s, -10, 3);
    gkSound::Play(s, 7);
    gkSound::Play(70, 0);
    gkSound::SetPan(-1, 3, 0);
    EXPECT_EQ(gkSoundObjects[s].Channel[3].Volume, 0);
}

TEST_F(SoundControls, PauseTwiceResumesWherePaused) {
    const int s = Load(2, 22050 * 2);
    snd::Buffer* b = gkSoundObjects[s].Channel[0].Buffer;
    gkSound::Play(s, 0);
    plat::headless::AdvanceTime(100);
    gkSound::Pause(s, 0);
    EXPECT_FALSE(Playing(s, 0));
    EXPECT_EQ(gkSoundObjects[s].Channel[0].PausedPosition, 2205u * 2);
    plat::headless::AdvanceTime(300);
    EXPECT_EQ(snd::GetCurrentPosition(b), 2205u * 2);
    gkSound::Pause(s, 0);
    EXPECT_EQ(snd::GetStatus(b), plat::DSBSTATUS_PLAYING);  // once, as it was started
    plat::headless::AdvanceTime(100);
    EXPECT_EQ(snd::GetCurrentPosition(b), 4410u * 2);
    // With -1 each channel toggles by itself: the idle one starts from its paused position.
    gkSound::Pause(s, -1);
    EXPECT_EQ(PlayingOn(s), (Ints{0, 1}));
    EXPECT_EQ(snd::GetCurrentPosition(gkSoundObjects[s].Channel[1].Buffer), 0u);
    // A looping start resumes looping.
    gkSound::PlayLoop(s, 1);
    gkSound::Pause(s, 1);
    gkSound::Pause(s, 1);
    EXPECT_EQ(snd::GetStatus(gkSoundObjects[s].Channel[1].Buffer),
              plat::DSBSTATUS_PLAYING | plat::DSBSTATUS_LOOPING);
}

// Output level at frame `f` of the capture (left side).
int16_t LevelAt(const std::vector<int16_t>& s, size_t ms) {
    return s[2 * (ms * 44100 / 1000)];
}

TEST_F(SoundControls, EchoCopiesComeAtTheIntervalEachQuieter) {
    const int s = Load(4, 22050, 10000);
    snd::headless::StartCapture();
    gkSound::SetVolume(s, -20, -1);  // the echo start puts every channel back to full
    gkSystem::FrameDelta = 0.05f;
    gkSound::PlayLoop(s, -2);
    EXPECT_EQ(gkSoundObjects[s].EchoStep, 1);
    for (int frame = 0; frame < 20; ++frame) {
        plat::headless::AdvanceTime(50);
        gkSound::Echo(s, 200, 3, 6);
    }
    EXPECT_EQ(gkSoundObjects[s].EchoStep, 0);
    const auto out = gktest::Samples(snd::headless::TakeCapture());
    // 0 dB from 0 ms, then -6 dB added at 200 ms, -12 dB at 400 ms, -18 dB at 600 ms.
    const double copies[] = {1.0, 0.501187, 0.251189, 0.125893};
    double level = 0;
    for (int k = 0; k < 4; ++k) {
        level += 10000 * copies[k];
        EXPECT_NEAR(LevelAt(out, 200 * k + 1), level, 1.5) << k;
        EXPECT_NEAR(LevelAt(out, 200 * k + 199), level, 1.5) << k;
    }
    EXPECT_NEAR(LevelAt(out, 999), level, 1.5);  // no fifth copy
    EXPECT_EQ(gkSoundObjects[s].Channel[3].Volume, -1800);
}

TEST_F(SoundControls, StopEndsAnEchoAndItsCopies) {
    const int s = Load(3, 22050, 10000);
    snd::headless::StartCapture();
    gkSystem::FrameDelta = 0.05f;
    gkSound::PlayLoop(s, -2);
    for (int frame = 0; frame < 4; ++frame) {
        plat::headless::AdvanceTime(50);
        gkSound::Echo(s, 200, 3, 6);
    }
    EXPECT_EQ(gkSoundObjects[s].EchoStep, 2);
    gkSound::Stop(s, -1);
    EXPECT_EQ(gkSoundObjects[s].EchoStep, 0);
    for (int frame = 0; frame < 20; ++frame) {
        plat::headless::AdvanceTime(50);
        gkSound::Echo(s, 200, 3, 6);
    }
    const auto out = gktest::Samples(snd::headless::TakeCapture());
    for (size_t ms = 201; ms < 1200; ms += 50) EXPECT_EQ(LevelAt(out, ms), 0) << ms;
    EXPECT_EQ(PlayingOn(s), (Ints{0, 0, 0}));
}

TEST_F(SoundControls, EchoPanSwingsBetweenItsBounds) {
    const int s = Load(4);
    gkSystem::FrameDelta = 0.05f;
    std::srand(1);
    gkSound::Play(s, -2);
    const int direction = gkSoundObjects[s].EchoPanDirection;
    ASSERT_TRUE(direction == 1 || direction == -1);
    int pans[3];
    for (int k = 0; k < 3; ++k) {
        for (int frame = 0; frame < 4; ++frame) gkSound::EchoPan(s, 200, 3, 6, 5);
        pans[k] = gkSoundObjects[s].Channel[k + 1].Pan;  // 25 dB a copy: to the bound and back
    }
    EXPECT_EQ(pans[0], direction * 2500);
    EXPECT_EQ(pans[1], direction * 3000);
    EXPECT_EQ(pans[2], direction * 500);
    EXPECT_EQ(gkSoundObjects[s].EchoPanDirection, -direction);
}

}  // namespace
