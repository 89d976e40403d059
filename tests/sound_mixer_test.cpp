// The platform mixer on the headless backend: gains, pan, resampling, formats, buffer cursors and
// regions, the music hook, synchronous playback and the GK_AUDIO_WAV file; every sample layout and
// mixing loop against a plain reference.
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <random>

#include "platform/clock.h"
#include "platform/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
using gktest::Bytes;
using gktest::Samples;

plat::WAVEFORMATEX Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    const auto align = static_cast<uint16_t>(channels * bits / 8);
    return {plat::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// A new buffer in `format` holding `data`.
snd::Buffer* NewBuffer(const Bytes& data, const plat::WAVEFORMATEX& format = Pcm(1, 22050, 16)) {
    snd::Buffer* b = nullptr;
    void *p1 = nullptr, *p2;
    uint32_t n1, n2;
    EXPECT_EQ(snd::CreateBuffer(format, static_cast<uint32_t>(data.size()), &b), plat::DS_OK);
    EXPECT_EQ(snd::Lock(b, 0, 0, &p1, &n1, &p2, &n2), plat::DS_OK);
    std::memcpy(p1, data.data(), data.size());
    return b;
}

// Output frames (stereo 16-bit) in which the left side is not silent.
int SoundingFrames(const std::vector<uint8_t>& bytes) {
    const auto s = Samples(bytes);
    int n = 0;
    for (size_t i = 0; i < s.size(); i += 2) n += s[i] != 0;
    return n;
}

class SoundMixer : public gktest::Framework {
  protected:
    void SetUp() override {
        Framework::SetUp();
        snd::headless::StartCapture();
    }
    // The output of the next `ms` milliseconds.
    static Bytes Mixed(uint32_t ms) {
        plat::headless::AdvanceTime(ms);
        return snd::headless::TakeCapture();
    }
};

TEST_F(SoundMixer, BuffersNeedTheDeviceAndAValidFormatAndGainsAttenuateInDecibels) {
    snd::Buffer* b = nullptr;
    EXPECT_EQ(snd::CreateBuffer(Pcm(1, 22050, 16), 100, &b), plat::DSERR_UNINITIALIZED);
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    EXPECT_EQ(snd::CreateBuffer(Pcm(1, 22050, 24), 100, &b), plat::DSERR_BADFORMAT);
    EXPECT_EQ(snd::CreateBuffer(Pcm(2, 22050, 16), 3, &b), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(b, nullptr);
    b = NewBuffer(gktest::Samples16(22050, 1, 16000));
    snd::Play(b, plat::DSBPLAY_LOOPING);
    ASSERT_EQ(snd::SetVolume(b, plat::DSBVOLUME_MIN), plat::DS_OK);  // the least volume is silence
    ASSERT_EQ(snd::SetPan(b, 600), plat::DS_OK);
    EXPECT_EQ(Mixed(10), Bytes(441 * 4, 0));
    // Out of range settings are refused and change nothing.
    EXPECT_EQ(snd::SetVolume(b, 1), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetPan(b, -10001), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetFrequency(b, 99), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetFrequency(b, 100001), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(std::tuple(snd::GetVolume(b), snd::GetPan(b), snd::GetFrequency(b)),
              std::tuple(plat::DSBVOLUME_MIN, 600, 22050u));
}

TEST_F(SoundMixer, CursorsRegionsAndTheFrequencysPlayingTime) {
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    // 100 ms at 22050 Hz, played at twice the rate.
    snd::Buffer* b = NewBuffer(gktest::Samples16(2205, 1, 1000));
    ASSERT_EQ(snd::SetFrequency(b, 44100), plat::DS_OK);
    snd::Play(b, 0);
    plat::headless::AdvanceTime(49);
    EXPECT_EQ(snd::GetStatus(b), plat::DSBSTATUS_PLAYING);
    plat::headless::AdvanceTime(2);
    // A finished one-shot is back at its start.
    EXPECT_EQ(std::tuple(snd::GetStatus(b), snd::GetCurrentPosition(b)), std::tuple(0u, 0u));
    EXPECT_EQ(SoundingFrames(snd::headless::TakeCapture()), 2205);
    b = NewBuffer(gktest::Samples16(441, 1, 100), Pcm(1, 44100, 16));  // 10 ms
    EXPECT_EQ(snd::SetCurrentPosition(b, 882), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetCurrentPosition(b, 401), plat::DS_OK);
    EXPECT_EQ(snd::GetCurrentPosition(b), 400u);  // whole frames
    snd::Play(b, plat::DSBPLAY_LOOPING);
    EXPECT_EQ(snd::GetStatus(b), plat::DSBSTATUS_PLAYING | plat::DSBSTATUS_LOOPING);
    plat::headless::AdvanceTime(13);  // 573 frames on from frame 200: wraps to frame 332
    EXPECT_EQ(snd::GetCurrentPosition(b), 2u * ((200 + 573) % 441));

    void *p1, *p2, *start = nullptr;
    uint32_t n1, n2;
    ASSERT_EQ(snd::Lock(b, 800, 300, &p1, &n1, &p2, &n2), plat::DS_OK);
    EXPECT_EQ(std::tuple(n1, n2), std::tuple(82u, 218u));
    ASSERT_EQ(snd::Lock(b, 0, 10, &start, &n1, &p2, &n2), plat::DS_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(start) + 800);
    EXPECT_EQ(std::tuple(p2, n2), std::tuple(nullptr, 0u));
    EXPECT_EQ(snd::Lock(b, 882, 2, &p1, &n1, &p2, &n2), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::Lock(b, 0, 883, &p1, &n1, &p2, &n2), plat::DSERR_INVALIDPARAM);
}

TEST_F(SoundMixer, EightBitFormatsInAndOut) {
    ASSERT_EQ(snd::SetPrimaryFormat(Pcm(1, 8000, 8)), plat::DS_OK);
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    Bytes data;
    for (int i = 0; i < 800; ++i) data.insert(data.end(), {0xC0, 0xA0});  // left +64, right +32
    snd::Play(NewBuffer(data, Pcm(2, 8000, 8)), plat::DSBPLAY_LOOPING);
    // 8000 Hz mono 8-bit: one byte per frame, the mean of both sides.
    EXPECT_EQ(Mixed(125), Bytes(1000, 0x80 + 48));
}

int16_t musicLevel = 0;
void Music(int16_t* stereo, uint32_t frames, uint32_t rate) {
    EXPECT_EQ(rate, 44100u);
    for (uint32_t i = 0; i < frames; ++i) stereo[2 * i] = stereo[2 * i + 1] = musicLevel;
}

TEST_F(SoundMixer, MusicIsAddedHalvesRoundAndSumsClip) {
    ASSERT_TRUE(snd::OpenOutput());
    EXPECT_FALSE(snd::HasDevice());
    musicLevel = 300;
    snd::SetMusicSource(Music);
    plat::headless::AdvanceTime(1);
    snd::headless::StartCapture();  // started again: what came before is dropped
    auto s = Samples(Mixed(1));
    ASSERT_EQ(s.size(), 88u);
    EXPECT_EQ(s[0], 300);

    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::Buffer* b = NewBuffer(gktest::Samples16(100, 1, -1000));
    snd::Play(b, plat::DSBPLAY_LOOPING);
    EXPECT_EQ(Samples(Mixed(1))[1], -700);
    // Halves round away from zero: frames 0 1 0 -1 at twice their rate on top of -700.
    snd::Buffer* halves = NewBuffer({0, 0, 1, 0, 0, 0, 0xFF, 0xFF});
    snd::Play(halves, plat::DSBPLAY_LOOPING);
    s = Samples(Mixed(1));
    const int rounded[] = {-700, -700, -699, -700, -700, -701, -701, -701};
    for (size_t i = 0; i < s.size(); i += 2) ASSERT_EQ(s[i], rounded[i / 2 % 8]) << i;
    snd::ReleaseBuffer(halves);
    // Sums clip at both ends of the sample range: two loud voices on each side.
    musicLevel = 0;
    for (int16_t level : {-30000, -30000, 30000, 30000}) {
        snd::Buffer* loud = NewBuffer(gktest::Samples16(100, 1, level));
        snd::SetPan(loud, level < 0 ? plat::DSBPAN_LEFT : plat::DSBPAN_RIGHT);
        snd::Play(loud, plat::DSBPLAY_LOOPING);
    }
    s = Samples(Mixed(1));
    EXPECT_EQ(std::tuple(s[0], s[1]), std::tuple(-32768, 32767));
}

// Its timing: the object tests' synchronous play. The GK_AUDIO_WAV file holds the mixed output.
TEST_F(SoundMixer, PlaySyncAndTheAudioWavFile) {
    std::vector<int16_t> tone(2205, 500);
    EXPECT_TRUE(snd::PlaySync(Pcm(1, 22050, 16), tone.data(), 4410));
    EXPECT_FALSE(snd::IsOutputOpen());
    EXPECT_FALSE(snd::PlaySync(Pcm(1, 22050, 12), tone.data(), 4410));

    const std::string path = ::testing::TempDir() + std::to_string(getpid()) + "capture.wav";
    setenv("GK_AUDIO_WAV", path.c_str(), 1);
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::Play(NewBuffer(gktest::Samples16(100, 1, 1234)), plat::DSBPLAY_LOOPING);
    plat::headless::AdvanceTime(100);
    snd::headless::Reset();
    unsetenv("GK_AUDIO_WAV");
    std::ifstream in(path, std::ios::binary);
    // A plain 44100 Hz stereo 16-bit PCM file of the 100 ms mixed.
    EXPECT_TRUE(Bytes(std::istreambuf_iterator<char>(in), {}) ==
                gktest::Riff({{"fmt ", gktest::Fmt(1, 2, 44100, 16)},
                              {"data", gktest::Samples16(4410, 2, 1234)}}));
    std::remove(path.c_str());
    snd::headless::SetDeviceAvailable(false);
    EXPECT_FALSE(snd::PlaySync(Pcm(1, 22050, 16), tone.data(), 4410));
}

// Random voices in every layout, at rates at and around the output rate, looping and one-shot, of
// lengths that end the four-frame runs on every remainder. The two-frame loops and the fastest
// the processor runs give exactly what the plain per-frame loop gives, and a looping voice what a
// plain computation in double precision gives: the position advances by rate/44100 frames per
// output frame, values interpolate linearly, the last frame leans on the first, and the gains are
// 10^(dB/20), the pan lowering the far side.
TEST_F(SoundMixer, EveryLayoutAndLoopMatchesAPlainReference) {
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    std::mt19937 rng(5);
    using Loop = snd::headless::MixLoop;
    for (int round = 0; round < 48; ++round) {
        const uint16_t bits = round & 1 ? 16 : 8, channels = round & 2 ? 2 : 1;
        const uint32_t rate = round % 3 == 0 ? 44100 : 2000 + rng() % 90000;
        const auto volume = -static_cast<int32_t>(rng() % 1500);
        // One round pans fully left, which silences the right side.
        const auto pan = round == 5 ? plat::DSBPAN_LEFT : static_cast<int32_t>(rng() % 4001) - 2000;
        const size_t count = 3 + rng() % 90;
        Bytes data(count * channels * bits / 8);
        for (auto& v : data) v = static_cast<uint8_t>(rng());
        Bytes out[3];
        for (Loop loop : {Loop::Reference, Loop::TwoFrames, Loop::Fastest}) {
            snd::headless::UseMixLoop(loop);
            snd::Buffer* b = NewBuffer(data, Pcm(channels, 22050, bits));
            snd::SetFrequency(b, rate);
            snd::SetVolume(b, volume);
            snd::SetPan(b, pan);
            snd::Play(b, round & 4 ? plat::DSBPLAY_LOOPING : 0);
            out[static_cast<int>(loop)] = Mixed(20);  // 882 output frames
            snd::ReleaseBuffer(b);
        }
        ASSERT_GT(SoundingFrames(out[0]), 0) << round;
        ASSERT_EQ(out[0], out[1]) << "round " << round << ", " << rate << " Hz";
        ASSERT_EQ(out[0], out[2]) << "round " << round << ", " << rate << " Hz";
        if (!(round & 4)) continue;
        const auto sample = [&](size_t frame, int side) {
            const size_t k = frame % count * channels + (channels == 2 ? side : 0);
            return bits == 8 ? (data[k] - 128) * 256.0
                             : int16_t(data[2 * k] | data[2 * k + 1] << 8);
        };
        const double gains[] = {std::pow(10.0, (volume - std::max(pan, 0)) / 2000.0),
                                std::pow(10.0, (volume + std::min(pan, 0)) / 2000.0)};
        const auto s = Samples(out[0]);
        double position = 0;
        for (size_t i = 0; i < s.size();
             i += 2, position = std::fmod(position + rate / 44100.0, count)) {
            const size_t f = static_cast<size_t>(position);
            for (int side : {0, 1}) {
                const double a = sample(f, side), b = sample(f + 1, side);
                ASSERT_NEAR(s[i + side], gains[side] * (a + (b - a) * (position - f)), 2.0)
                    << bits << "-bit " << channels << " ch, round " << round << ", sample " << i;
            }
        }
    }
}

}  // namespace
