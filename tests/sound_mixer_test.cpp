// The platform mixer on the headless backend: gains, pan, resampling, formats, buffer cursors and
// regions, the music hook, synchronous playback and the GK_AUDIO_WAV file; every sample layout
// against a plain reference.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>

#include "platform/clock.h"
#include "platform/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
using plat::WAVEFORMATEX;

WAVEFORMATEX Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    const auto align = static_cast<uint16_t>(channels * bits / 8);
    return {plat::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// A new buffer of `bytes` bytes in `format`, and its whole memory.
std::pair<snd::Buffer*, uint8_t*> NewBuffer(const WAVEFORMATEX& format, uint32_t bytes) {
    snd::Buffer* b = nullptr;
    void *p1 = nullptr, *p2;
    uint32_t n1, n2;
    EXPECT_EQ(snd::CreateBuffer(format, bytes, &b), plat::DS_OK);
    EXPECT_EQ(snd::Lock(b, 0, 0, &p1, &n1, &p2, &n2), plat::DS_OK);
    return {b, static_cast<uint8_t*>(p1)};
}

// A 16-bit mono buffer of `frames` frames all holding `value`.
snd::Buffer* Constant(int16_t value, uint32_t frames, uint32_t rate = 22050) {
    auto [b, bytes] = NewBuffer(Pcm(1, rate, 16), frames * 2);
    for (uint32_t i = 0; i < frames; ++i) std::memcpy(bytes + 2 * i, &value, 2);
    return b;
}

using gktest::Samples;

// Output frames (stereo 16-bit) in which the left side is not silent.
int SoundingFrames(const std::vector<int16_t>& s) {
    int n = 0;
    for (size_t i = 0; i < s.size(); i += 2) n += s[i] != 0;
    return n;
}

using SoundMixer = gktest::Framework;

TEST_F(SoundMixer, VolumeAndPanAttenuateInDecibels) {
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::headless::StartCapture();
    snd::Buffer* b = Constant(16000, 22050);
    snd::Play(b, plat::DSBPLAY_LOOPING);
    // The bounds silence exactly (other gains: the reference test below): a full-left pan the
    // right side, the least volume both.
    for (auto [volume, pan] : {std::pair(0, plat::DSBPAN_LEFT), {plat::DSBVOLUME_MIN, 600}}) {
        ASSERT_EQ(snd::SetVolume(b, volume), plat::DS_OK);
        ASSERT_EQ(snd::SetPan(b, pan), plat::DS_OK);
        plat::headless::AdvanceTime(10);
        const auto out = Samples(snd::headless::TakeCapture());
        ASSERT_EQ(out.size(), 441u * 2);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], i % 2 || volume ? 0 : 16000) << volume << " " << i;
    }
    // Out of range settings are refused and change nothing.
    EXPECT_EQ(snd::SetVolume(b, 1), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetPan(b, -10001), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetFrequency(b, 99), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetFrequency(b, 100001), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::GetVolume(b), plat::DSBVOLUME_MIN);
    EXPECT_EQ(snd::GetPan(b), 600);
    EXPECT_EQ(snd::GetFrequency(b), 22050u);
}

TEST_F(SoundMixer, DoublingTheFrequencyHalvesThePlayingTime) {
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::headless::StartCapture();
    snd::Buffer* b = Constant(1000, 2205);  // 100 ms at 22050 Hz
    for (uint32_t rate : {22050u, 44100u}) {
        SCOPED_TRACE(rate);
        const uint32_t ms = 100 * 22050 / rate;
        ASSERT_EQ(snd::SetFrequency(b, rate), plat::DS_OK);
        snd::Play(b, 0);
        plat::headless::AdvanceTime(ms - 1);
        EXPECT_EQ(snd::GetStatus(b), plat::DSBSTATUS_PLAYING);
        plat::headless::AdvanceTime(2);
        EXPECT_EQ(snd::GetStatus(b), 0u);
        EXPECT_EQ(snd::GetCurrentPosition(b), 0u);  // a finished one-shot is back at its start
        EXPECT_EQ(SoundingFrames(Samples(snd::headless::TakeCapture())),
                  static_cast<int>(ms * 441 / 10));
    }
}

TEST_F(SoundMixer, EightBitFormatsInAndOut) {
    ASSERT_EQ(snd::SetPrimaryFormat(Pcm(1, 8000, 8)), plat::DS_OK);
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::headless::StartCapture();
    auto [b, bytes] = NewBuffer(Pcm(2, 8000, 8), 2 * 800);
    for (uint32_t i = 0; i < 800; ++i) {
        bytes[2 * i] = 0xC0;      // left +64
        bytes[2 * i + 1] = 0xA0;  // right +32
    }
    snd::Play(b, plat::DSBPLAY_LOOPING);
    plat::headless::AdvanceTime(125);
    auto out = snd::headless::TakeCapture();
    ASSERT_EQ(out.size(), 1000u);  // 8000 Hz mono 8-bit: one byte per frame
    EXPECT_EQ(out[0], 0x80 + 48);  // the mono output is the mean of both sides
    EXPECT_EQ(out[999], 0x80 + 48);
}

TEST_F(SoundMixer, CursorLoopingAndLockRegions) {
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::Buffer* b = Constant(100, 441, 44100);  // 10 ms
    EXPECT_EQ(snd::SetCurrentPosition(b, 882), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::SetCurrentPosition(b, 401), plat::DS_OK);
    EXPECT_EQ(snd::GetCurrentPosition(b), 400u);  // whole frames
    snd::Play(b, plat::DSBPLAY_LOOPING);
    EXPECT_EQ(snd::GetStatus(b), plat::DSBSTATUS_PLAYING | plat::DSBSTATUS_LOOPING);
    plat::headless::AdvanceTime(13);  // 573 frames on from frame 200: wraps to frame 332
    EXPECT_EQ(snd::GetCurrentPosition(b), 2u * ((200 + 573) % 441));
    snd::Stop(b);
    plat::headless::AdvanceTime(5);
    EXPECT_EQ(snd::GetCurrentPosition(b), 2u * 332);

    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(snd::Lock(b, 800, 300, &p1, &n1, &p2, &n2), plat::DS_OK);
    EXPECT_EQ(std::tuple(n1, n2), std::tuple(82u, 218u));
    void* start = nullptr;
    ASSERT_EQ(snd::Lock(b, 0, 10, &start, &n1, &p2, &n2), plat::DS_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(start) + 800);
    EXPECT_EQ(std::tuple(p2, n2), std::tuple(nullptr, 0u));
    EXPECT_EQ(snd::Lock(b, 882, 2, &p1, &n1, &p2, &n2), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd::Lock(b, 0, 883, &p1, &n1, &p2, &n2), plat::DSERR_INVALIDPARAM);
}

TEST_F(SoundMixer, BuffersNeedTheDeviceAndAValidFormat) {
    snd::Buffer* b = nullptr;
    EXPECT_EQ(snd::CreateBuffer(Pcm(1, 22050, 16), 100, &b), plat::DSERR_UNINITIALIZED);
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    EXPECT_EQ(snd::CreateBuffer(Pcm(1, 22050, 24), 100, &b), plat::DSERR_BADFORMAT);
    EXPECT_EQ(snd::CreateBuffer(Pcm(2, 22050, 16), 3, &b), plat::DSERR_INVALIDPARAM);
    EXPECT_EQ(b, nullptr);
}

int16_t musicLevel = 0;
void Music(int16_t* stereo, uint32_t frames, uint32_t rate) {
    EXPECT_EQ(rate, 44100u);
    for (uint32_t i = 0; i < frames; ++i) stereo[2 * i] = stereo[2 * i + 1] = musicLevel;
}

TEST_F(SoundMixer, MusicIsAddedSumsClipAndMusicCanHoldTheOutputAlone) {
    ASSERT_TRUE(snd::OpenOutput());
    EXPECT_FALSE(snd::HasDevice());
    snd::headless::StartCapture();
    musicLevel = 300;
    snd::SetMusicSource(Music);
    plat::headless::AdvanceTime(1);
    auto s = Samples(snd::headless::TakeCapture());
    ASSERT_EQ(s.size(), 88u);
    EXPECT_EQ(s[0], 300);

    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::Buffer* b = Constant(-1000, 100);
    snd::Play(b, plat::DSBPLAY_LOOPING);
    plat::headless::AdvanceTime(1);
    EXPECT_EQ(Samples(snd::headless::TakeCapture())[1], -700);
    // Halves round away from zero: frames 0 1 0 -1 at twice their rate on top of -700.
    auto [halves, bytes] = NewBuffer(Pcm(1, 22050, 16), 8);
    const int16_t frames[] = {0, 1, 0, -1};
    std::memcpy(bytes, frames, sizeof frames);
    snd::Play(halves, plat::DSBPLAY_LOOPING);
    plat::headless::AdvanceTime(1);
    s = Samples(snd::headless::TakeCapture());
    const int rounded[] = {-700, -700, -699, -700, -700, -701, -701, -701};
    for (size_t i = 0; i < s.size(); i += 2) ASSERT_EQ(s[i], rounded[i / 2 % 8]) << i;
    snd::ReleaseBuffer(halves);
    // Sums clip at both ends of the sample range: two loud voices on each side.
    musicLevel = 0;
    for (int16_t level : {-30000, -30000, 30000, 30000}) {
        snd::Buffer* loud = Constant(level, 100);
        snd::SetPan(loud, level < 0 ? plat::DSBPAN_LEFT : plat::DSBPAN_RIGHT);
        snd::Play(loud, plat::DSBPLAY_LOOPING);
    }
    plat::headless::AdvanceTime(1);
    s = Samples(snd::headless::TakeCapture());
    EXPECT_EQ(std::tuple(s[0], s[1]), std::tuple(-32768, 32767));

    // The output stays open while the music holds it.
    snd::ReleaseBuffer(b);
    snd::ReleaseDevice();
    EXPECT_TRUE(snd::IsOutputOpen());
    snd::CloseOutput();
    EXPECT_FALSE(snd::IsOutputOpen());
}

// Its timing: the object tests' synchronous play.
TEST_F(SoundMixer, PlaySyncClosesTheOutputAndRefusesBadFormatsAndNoDevice) {
    std::vector<int16_t> tone(2205, 500);
    EXPECT_TRUE(snd::PlaySync(Pcm(1, 22050, 16), tone.data(), 4410));
    EXPECT_FALSE(snd::IsOutputOpen());
    EXPECT_FALSE(snd::PlaySync(Pcm(1, 22050, 12), tone.data(), 4410));
    snd::headless::SetDeviceAvailable(false);
    EXPECT_FALSE(snd::PlaySync(Pcm(1, 22050, 16), tone.data(), 4410));
}

TEST_F(SoundMixer, AudioWavFileHoldsTheOutput) {
    const std::string path = ::testing::TempDir() + std::to_string(getpid()) + "capture.wav";
    setenv("GK_AUDIO_WAV", path.c_str(), 1);
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    snd::Play(Constant(1234, 100), plat::DSBPLAY_LOOPING);
    plat::headless::AdvanceTime(100);
    snd::headless::Reset();
    unsetenv("GK_AUDIO_WAV");

    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    // A plain 44100 Hz stereo 16-bit PCM file of the 100 ms mixed.
    EXPECT_TRUE(file == gktest::Riff({{"fmt ", gktest::Fmt(1, 2, 44100, 16)},
                                      {"data", gktest::Samples16(4410, 2, 1234)}}));
    std::remove(path.c_str());
}

// Random bytes of `frames` frames in a `bits`-bit `channels`-channel layout.
std::vector<uint8_t> Noise(std::mt19937& rng, uint32_t frames, uint16_t channels, uint16_t bits) {
    std::vector<uint8_t> data(frames * channels * bits / 8);
    for (auto& v : data) v = static_cast<uint8_t>(rng());
    return data;
}

// A looping buffer of `data` played at `rate` Hz with the volume and pan for 20 ms; its output.
std::vector<uint8_t> Mix(const std::vector<uint8_t>& data, uint16_t channels, uint16_t bits,
                         uint32_t rate, int32_t volume, int32_t pan, uint32_t flags) {
    auto [b, p1] = NewBuffer(Pcm(channels, 22050, bits), static_cast<uint32_t>(data.size()));
    std::memcpy(p1, data.data(), data.size());
    snd::SetFrequency(b, rate);
    snd::SetVolume(b, volume);
    snd::SetPan(b, pan);
    snd::headless::StartCapture();
    snd::Play(b, flags);
    plat::headless::AdvanceTime(20);  // 882 output frames
    snd::ReleaseBuffer(b);
    return snd::headless::TakeCapture();
}

// The mix of one looping buffer computed plainly in double precision: position advances by
// rate/44100 frames per output frame, values interpolate linearly, the last frame leans on the
// first, and the gains are 10^(dB/20).
TEST_F(SoundMixer, EveryLayoutMatchesAPlainReference) {
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    std::mt19937 rng(3);
    for (uint16_t bits : {8, 16}) {
        for (uint16_t channels : {1, 2}) {
            const size_t count = 37;  // odd, so runs end on every parity
            const auto data = Noise(rng, count, channels, bits);
            const auto sample = [&](size_t frame, int side) {
                const size_t k = frame % count * channels + (channels == 2 ? side : 0);
                return bits == 8 ? (data[k] - 128) * 256.0
                                 : int16_t(data[2 * k] | data[2 * k + 1] << 8);
            };
            const double rate = 30011,
                         gains[] = {std::pow(10.0, -5.5 / 20), std::pow(10.0, -3.0 / 20)};
            const auto out =
                Samples(Mix(data, channels, bits, 30011, -300, 250, plat::DSBPLAY_LOOPING));
            double position = 0;
            for (size_t i = 0; i < out.size(); i += 2) {
                const size_t f = static_cast<size_t>(position);
                for (int side : {0, 1}) {
                    const double a = sample(f, side), b = sample(f + 1, side);
                    ASSERT_NEAR(out[i + side], gains[side] * (a + (b - a) * (position - f)), 2.0)
                        << bits << "-bit " << channels << " ch, sample " << i + side;
                }
                position += rate / 44100;
                if (position >= count) position -= count;
            }
        }
    }
}

// The two-frame loops and the fastest ones the processor runs against the plain per-frame loop on
// random voices: every layout, rates at and around the output rate, looping and one-shot,
// lengths that end the four-frame runs on every remainder.
TEST_F(SoundMixer, FastLoopsMatchTheReferenceLoopExactly) {
    ASSERT_EQ(snd::CreateDevice(), plat::DS_OK);
    std::mt19937 rng(5);
    for (int round = 0; round < 48; ++round) {
        const uint16_t bits = round & 1 ? 16 : 8, channels = round & 2 ? 2 : 1;
        const uint32_t rate = round % 3 == 0 ? 44100 : 2000 + rng() % 90000;
        const auto volume = -static_cast<int32_t>(rng() % 1500);
        const auto pan = static_cast<int32_t>(rng() % 4001) - 2000;
        const auto data = Noise(rng, 3 + rng() % 90, channels, bits);
        const uint32_t flags = round & 4 ? plat::DSBPLAY_LOOPING : 0;
        using Loop = snd::headless::MixLoop;
        const Loop loops[] = {Loop::Reference, Loop::TwoFrames, Loop::Fastest};
        std::vector<uint8_t> out[3];
        for (int k = 0; k < 3; ++k) {
            snd::headless::UseMixLoop(loops[k]);
            out[k] = Mix(data, channels, bits, rate, volume, pan, flags);
        }
        ASSERT_GT(SoundingFrames(Samples(out[0])), 0) << round;
        for (int k = 1; k < 3; ++k)
            ASSERT_EQ(out[0], out[k])
                << "loop " << k << ", round " << round << ", " << rate << " Hz";
    }
}

}  // namespace
