// The sound object table: device creation, slot choice, mixes and channels, names, failures and
// their reports, and rebuilding every object in place after Release or a synchronous play.
#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/clock.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "sound/sound.h"
#include "support/fixture.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;

class SoundObjects : public gktest::Framework {
  protected:
    static std::string A() { return gktest::Unique("a.wav"); }
    static std::string B() { return gktest::Unique("b.wav"); }
    void SetUp() override {
        Framework::SetUp();
        gktest::WriteFile(gktest::ExeFolder() + A(), gktest::PcmWav(1, 22050, 2205));
        ASSERT_EQ(gkSound::Init(), 1);
        gkSound::EmptyObjects();
        reports.Take();
    }
    // Expects exactly one new error report from LoadObject, with `message`.
    void ExpectReport(const std::string& message) {
        EXPECT_EQ(reports.Take(), std::vector<std::string>{"gkSound::LoadObject : " + message});
    }
    gktest::Reports reports;
    void TearDown() override {
        std::remove((gktest::ExeFolder() + A()).c_str());
        Framework::TearDown();
    }
};

TEST_F(SoundObjects, SlotsAreTakenLowestFirstUpTo70) {
    for (int s = 0; s < 70; ++s) ASSERT_EQ(gkSound::LoadObject(A().c_str(), 1), s);
    EXPECT_EQ(gkSound::LoadObject(A().c_str(), 1), -1);
    ExpectReport("オブジェクト数が多過ぎます");
    gkSound::ReleaseObject(5);
    const gkSoundObject& o = gkSoundObjects[5];
    EXPECT_EQ(std::tuple(o.Used, o.Name[0], o.BaseFrequency, o.Channel[0].Buffer),
              std::tuple(0, '\0', 0u, nullptr));
    EXPECT_EQ(gkSound::LoadObject(A().c_str(), 1), 5);
    EXPECT_TRUE(reports.Take().empty());
}

TEST_F(SoundObjects, MixGivesChannelsAndEchoAvailability) {
    struct Case {
        int mix, slot, channels, echo;
    } cases[] = {{10, 0, 10, 0}, {-3, 1, 3, -1}, {3, 2, 3, 0}, {1, 3, 1, -1}};
    for (const Case& c : cases) {
        ASSERT_EQ(gkSound::LoadObject(A().c_str(), c.mix), c.slot) << c.mix;
        const gkSoundObject& o = gkSoundObjects[c.slot];
        EXPECT_EQ(std::tuple(o.ChannelCount, o.EchoStep, o.NextChannel),
                  std::tuple(c.channels, c.echo, 0));
        for (int j = 0; j < 10; ++j) EXPECT_EQ(o.Channel[j].Buffer != nullptr, j < c.channels);
        for (int j = 1; j < c.channels; ++j)
            EXPECT_NE(o.Channel[j].Buffer, o.Channel[j - 1].Buffer);
    }
    // Too many channels either way, and none at all, are refused alike.
    for (int mix : {11, -11, 0}) {
        EXPECT_EQ(gkSound::LoadObject(A().c_str(), mix), -1);
        ExpectReport("ミックス数が多過ぎます");
    }
    EXPECT_EQ(gkSoundObjects[4].Used, 0);
}

TEST_F(SoundObjects, LoadCopiesSamplesAndStartsPlainSettings) {
    gktest::WriteFile(gktest::ExeFolder() + A(), gktest::PcmWav(2, 11025, 1102, 1234));
    ASSERT_EQ(gkSound::LoadObject(A().c_str(), 2), 0);
    const gkSoundObject& o = gkSoundObjects[0];
    EXPECT_EQ(o.Name, A());
    EXPECT_EQ(std::tuple(o.FromPack, o.BaseFrequency, o.Channel[1].Frequency),
              std::tuple(0, 11025u, 11025u));
    snd::headless::StartCapture();
    snd::Play(o.Channel[1].Buffer, 0);
    plat::headless::AdvanceTime(50);
    auto out = gktest::Samples(snd::headless::TakeCapture());
    EXPECT_EQ((std::vector<int16_t>{out[200], out[201]}), (std::vector<int16_t>{1234, 1234}));
}

TEST_F(SoundObjects, NamesUpTo30Bytes) {
    const std::string stem = gktest::Unique("_");
    const std::string name30 = stem + std::string(26 - stem.size(), 'b') + ".wav";
    const std::string name31 = stem + std::string(27 - stem.size(), 'b') + ".wav";
    ASSERT_EQ(name30.size(), 30u);
    gktest::WriteFile(gktest::ExeFolder() + name30, gktest::PcmWav(1, 22050, 100));
    gktest::WriteFile(gktest::ExeFolder() + name31, gktest::PcmWav(1, 22050, 100));
    EXPECT_EQ(gkSound::LoadObject(name30.c_str(), 2), 0);
    EXPECT_EQ(gkSoundObjects[0].Name, name30);
    EXPECT_EQ(gkSound::LoadObject(name31.c_str(), 2), -1);
    ExpectReport("ファイル名またはリソース名が長すぎます");
    // The failed load gives its buffers back and leaves the slot free.
    const gkSoundObject& o = gkSoundObjects[1];
    EXPECT_EQ(std::tuple(o.Used, o.Channel[0].Buffer, o.Channel[1].Buffer),
              std::tuple(0, nullptr, nullptr));
    EXPECT_EQ(gkSound::LoadObject(A().c_str(), 1), 1);
    std::remove((gktest::ExeFolder() + name30).c_str());
    std::remove((gktest::ExeFolder() + name31).c_str());
}

TEST_F(SoundObjects, UnreadableOrUnplayableSoundsAreReported) {
    EXPECT_EQ(gkSound::LoadObject(gktest::Unique("missing.wav").c_str(), 1), -1);
    ExpectReport("WAVEリソースが見つかりません");
    // A format the mixer cannot play, and no samples at all.
    gktest::Bytes adpcm = gktest::Fmt(2, 1, 22050, 4);
    adpcm.insert(adpcm.end(), {0, 0});
    for (const gktest::Bytes& file :
         {gktest::Riff({{"fmt ", adpcm}, {"data", gktest::Bytes(100, 0)}}),
          gktest::Riff({{"fmt ", gktest::Fmt(1, 1, 22050, 16)}, {"data", {}}})}) {
        gktest::WriteFile(gktest::ExeFolder() + A(), file);
        EXPECT_EQ(gkSound::LoadObject(A().c_str(), 3), -1);
        ExpectReport("サウンドバッファが生成できません");
        EXPECT_EQ(std::tuple(gkSoundObjects[0].Used, gkSoundObjects[0].Channel[0].Buffer),
                  std::tuple(0, nullptr));
    }
}

TEST_F(SoundObjects, WithoutADeviceEverythingIsSilent) {
    gkSound::Release();
    snd::headless::SetDeviceAvailable(false);
    EXPECT_EQ(gkSound::Init(), 0);
    EXPECT_EQ(gkSoundStatus.Ready, 0);
    EXPECT_EQ(gkSound::LoadObject(A().c_str(), 1), -1);
    EXPECT_EQ(gkSound::LoadObject(A().c_str(), 11), -1);
    gkSound::Play(0, 0);
    gkSound::RestoreAll();
    EXPECT_TRUE(reports.Take().empty());
    EXPECT_EQ(gkSoundObjects[0].Used, 0);
}

TEST_F(SoundObjects, RebuildsKeepSlotsAndSettings) {
    gktest::WriteFile(gktest::ExeFolder() + B(), gktest::PcmWav(2, 44100, 4410));
    ASSERT_EQ(gkSound::LoadObject(A().c_str(), 1), 0);
    ASSERT_EQ(gkSound::LoadObject(B().c_str(), 3), 1);
    ASSERT_EQ(gkSound::LoadObject(A().c_str(), 1), 2);
    gkSound::ReleaseObject(0);
    gkSound::SetVolume(1, -12, 2);
    gkSound::SetPan(1, 7, 2);
    gkSound::SetFrequency(1, -20, 2);
    gkSound::Play(1, -1);
    gkSound::Play(1, -1);

    auto check = [&] {
        const gkSoundObject& o = gkSoundObjects[1];
        EXPECT_EQ(o.Name, B());
        EXPECT_EQ((std::vector<int>{gkSoundObjects[0].Used, gkSoundObjects[2].Used, o.ChannelCount,
                                    o.NextChannel, int(o.BaseFrequency)}),
                  (std::vector<int>{0, 1, 3, 2, 44100}));
        snd::Buffer* b = o.Channel[2].Buffer;
        ASSERT_NE(b, nullptr);
        EXPECT_EQ((std::vector<int>{snd::GetVolume(b), snd::GetPan(b), int(snd::GetFrequency(b)),
                                    int(snd::GetFrequency(o.Channel[0].Buffer))}),
                  (std::vector<int>{-1200, 700, 42100, 44100}));
    };
    gkSound::Release();
    EXPECT_FALSE(snd::HasDevice());
    EXPECT_EQ(std::tuple(gkSoundObjects[1].Channel[0].Buffer, gkSoundObjects[1].Used),
              std::tuple(nullptr, 1));
    gkSound::RestoreAll();
    EXPECT_TRUE(snd::HasDevice());
    check();

    // A synchronous play of 100 ms holds the program that long, then everything is back.
    plat::headless::SetTime(5000);
    gkSound::PlaySync((gktest::ExeFolder() + A()).c_str());
    EXPECT_GE(plat::Now(), 5100u);
    EXPECT_LE(plat::Now(), 5102u);
    check();
    EXPECT_EQ(gkSoundStatus.ReloadMode, 0);
    EXPECT_TRUE(reports.Take().empty());
    gkSound::Play(1, 2);
    EXPECT_EQ(snd::GetStatus(gkSoundObjects[1].Channel[2].Buffer), plat::DSBSTATUS_PLAYING);
    std::remove((gktest::ExeFolder() + B()).c_str());
}

TEST_F(SoundObjects, PlayPositionOfChannelZeroAndQuitReleasingTheDevice) {
    ASSERT_EQ(gkSound::LoadObject(A().c_str(), 2), 0);
    gkSound::Play(0, 0);
    plat::headless::AdvanceTime(20);
    EXPECT_EQ(gkSound::GetPlayPosition(0), 441u * 2);
    gkSystem::Quit();
    EXPECT_FALSE(snd::HasDevice());
    EXPECT_EQ(gkSound::GetPlayPosition(0), 0u);
    EXPECT_EQ(std::tuple(gkSoundObjects[0].Channel[0].Buffer, gkSoundObjects[0].Used),
              std::tuple(nullptr, 1));
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

using SoundSetUp = gktest::Framework;

TEST_F(SoundSetUp, ScreenSetUpStartsSoundAndSucceedsSilentlyWithoutADevice) {
    gkSoundObjects[7].Channel[2].Volume = -500;
    ASSERT_EQ(gkDraw::Screen(64, 48, 0), 1);
    EXPECT_EQ(gkSoundStatus.Ready, 1);
    EXPECT_TRUE(snd::HasDevice());
    EXPECT_EQ(gkSoundObjects[7].Channel[2].Volume, 0);
    gkSystem::Quit();
    gkDraw::Release();
    snd::headless::SetDeviceAvailable(false);
    ASSERT_EQ(gkDraw::Screen(64, 48, 0), 1);
    EXPECT_EQ(gkSoundStatus.Ready, 0);
    EXPECT_TRUE(plat::headless::Boxes().empty());
}

}  // namespace
