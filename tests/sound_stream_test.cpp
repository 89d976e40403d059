// Streaming playback through the captured output on the virtual clock: what streams and how big
// its ring is, the chunk sizes up to the entry's end, looping, running out, pausing, a late
// refill, and the reports of a pack that has gone.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sound.h"
#include "sound/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
namespace t = gktest;
using Texts = std::vector<std::string>;
using Samples = std::vector<int16_t>;

// Frame i of a mono 16-bit ramp: every frame of a 5-second entry at 8000 Hz is told apart.
Samples Ramp(uint32_t frames) {
    Samples s(frames);
    for (uint32_t i = 0; i < frames; ++i) s[i] = static_cast<int16_t>(i - 20000);
    return s;
}

class SoundStream : public t::SoundFolder {
  protected:
    // Output and entries at 8000 Hz mono 16-bit: 2 seconds are 32000 bytes.
    void SetUp() override {
        SoundFolder::SetUp();
        gkSound::SelectFormat(1, 8, 16);
    }
    // A pack "s.pak" of one entry "E.WAV"; returns the stream's slot.
    int Load(const t::Bytes& format, const t::Bytes& samples, uint32_t loopOffset = 0) {
        t::WriteFile(folder + "/s.pak", t::PackEntry("E.WAV", format, samples));
        gkSound::SetPack("s.pak");
        return gkSound::LoadStream("e.wav", loopOffset);
    }
    int LoadRamp(uint32_t loopOffset = 0) {
        const Samples r = Ramp(40000);
        const auto* bytes = reinterpret_cast<const uint8_t*>(r.data());
        return Load(t::PcmRecord(1, 8000, 16), t::Bytes(bytes, bytes + 80000), loopOffset);
    }
    // `ms` of frames of 10 ms, each ending with Streaming; the output meanwhile.
    static Samples Run(uint32_t ms) {
        for (uint32_t done = 0; done < ms; done += 10) {
            plat::headless::AdvanceTime(10);
            EXPECT_EQ(gkSound::Streaming(), 1);
        }
        return t::Samples(snd::headless::TakeCapture());
    }
    static void Append(Samples& to, const Samples& from, size_t first, size_t end) {
        to.insert(to.end(), from.begin() + first, from.begin() + end);
    }
};

TEST_F(SoundStream, FiveSecondsOrMoreStreamFromAFourSecondRing) {
    EXPECT_EQ(Load(t::PcmRecord(1, 8000, 16), t::Bytes(78400, 0)), 0);  // 4.9 s: loaded whole
    EXPECT_EQ((std::vector<uint32_t>{gkSoundObjects[0].Stream.DataSize,
                                     uint32_t(gkSoundObjects[0].ChannelCount),
                                     uint32_t(gkSoundObjects[0].FromPack)}),
              (std::vector<uint32_t>{0, 1, 1}));
    EXPECT_EQ(Load(t::PcmRecord(2, 44100, 16), t::Bytes(882000, 0)), 1);
    const gkSoundStream& s = gkSoundObjects[1].Stream;
    EXPECT_EQ((std::vector<uint32_t>{s.DataSize, s.BufferSize, s.HalfSize, s.WritePosition}),
              (std::vector<uint32_t>{882000, 705600, 352800, 352800}));
    // The loop point is a whole frame inside the entry.
    for (auto [asked, kept] : {std::pair{6u, 4u}, {881999u, 881996u}, {882000u, 0u}, {~0u, 0u}}) {
        const int slot = Load(t::PcmRecord(2, 44100, 16), t::Bytes(882000, 0), asked);
        EXPECT_EQ(gkSoundObjects[slot].Stream.LoopStart - gkSoundObjects[slot].Stream.DataStart,
                  kept);
    }
    EXPECT_TRUE(reports.Take().empty());
}

TEST_F(SoundStream, TheLastTwoChunksShareTheRest) {
    struct Case {
        t::Bytes format;
        uint32_t bytes;
        std::vector<uint32_t> chunks;  // after the first 2 seconds, up to the next pass
    } cases[] = {
        {t::PcmRecord(1, 8000, 8), 56000, {16000, 12000, 12000, 16000}},  // 2.5 halves remain
        {t::PcmRecord(1, 8000, 8), 40000, {12000, 12000, 16000}},
        {t::PcmRecord(1, 8000, 8), 64000, {16000, 16000, 8000, 8000, 16000}},
        {t::PcmRecord(2, 8000, 16), 160004, {48000, 48004, 64000}},  // split on a frame
        {t::PcmRecord(2, 8000, 16), 160006, {48000, 48004, 64000}},  // a part frame is dropped
    };
    for (const Case& c : cases) {
        const int slot = Load(c.format, t::Bytes(c.bytes, 0x80));
        const gkSoundStream& s = gkSoundObjects[slot].Stream;
        gkSound::PlayLoop(slot, -1);
        std::vector<uint32_t> chunks;
        for (int frame = 0; frame < 1500; ++frame) {
            const uint32_t read = s.DataRead;
            plat::headless::AdvanceTime(10);
            gkSound::Streaming();
            if (s.DataRead != read)
                chunks.push_back((s.DataRead > read ? s.DataRead : s.DataSize) - read);
        }
        chunks.resize(c.chunks.size());
        EXPECT_EQ(chunks, c.chunks) << c.bytes;
    }
}

TEST_F(SoundStream, ALoopingStreamGoesOnAtTheLoopPointWithoutAGap) {
    const int slot = LoadRamp(2 * 12345 + 1);
    snd::headless::StartCapture();
    gkSound::PlayLoop(slot, -1);
    const Samples out = Run(13000);
    const Samples r = Ramp(40000);
    Samples expect;
    Append(expect, r, 0, 40000);
    while (expect.size() < out.size()) Append(expect, r, 12345, 40000);
    expect.resize(out.size());
    EXPECT_EQ(out, expect);
}

TEST_F(SoundStream, AStreamPlayedOnceEndsThroughSilence) {
    const int slot = LoadRamp(79998);  // a loop point near the end must not keep it going
    snd::headless::StartCapture();
    gkSound::Play(slot, 0);
    Samples out = Run(4990);
    snd::Buffer* b = gkSoundObjects[slot].Channel[0].Buffer;
    EXPECT_TRUE(snd::GetStatus(b) & plat::DSBSTATUS_PLAYING);
    Append(out, Run(1000), 0, 8000);
    EXPECT_EQ(snd::GetStatus(b), 0u);
    EXPECT_EQ(gkSound::GetPlayPosition(slot), 0u);
    Samples expect = Ramp(40000);
    expect.resize(out.size(), 0);
    EXPECT_EQ(out, expect);
    // The silence after the end is heard when the stop comes late: 8-bit silence is 0x80.
    gkSound::Play(Load(t::PcmRecord(1, 8000, 8), t::Bytes(40000, 0x80)), 0);
    plat::headless::AdvanceTime(5);
    const Samples quiet = Run(5100);
    EXPECT_EQ(quiet, Samples(quiet.size(), 0));
}

TEST_F(SoundStream, APausedStreamKeepsItsPlaceAndAPlayStartsOver) {
    const int slot = LoadRamp();
    snd::headless::StartCapture();
    gkSound::Play(slot, 0);
    Run(1990);
    plat::headless::AdvanceTime(10);  // a refill is due, but the stream is paused first
    snd::headless::TakeCapture();
    gkSound::Pause(slot, 0);
    const gkSoundStream kept = gkSoundObjects[slot].Stream;
    EXPECT_EQ(Run(5000), Samples(40000, 0));
    EXPECT_EQ(gkSoundObjects[slot].Stream.DataRead, kept.DataRead);
    EXPECT_EQ(gkSoundObjects[slot].Stream.WritePosition, kept.WritePosition);
    gkSound::Pause(slot, 0);
    const Samples r = Ramp(40000);
    EXPECT_EQ(Run(3000), Samples(r.begin() + 16000, r.end()));
    gkSound::Play(slot, -1);
    EXPECT_EQ(Run(1000), Samples(r.begin(), r.begin() + 8000));
}

TEST_F(SoundStream, WithoutRefillsTheRingRepeatsOldSound) {
    const int slot = LoadRamp();
    snd::headless::StartCapture();
    gkSound::PlayLoop(slot, 0);
    plat::headless::AdvanceTime(500);
    EXPECT_EQ(gkSound::Streaming(), 1);
    plat::headless::AdvanceTime(3950);
    const Samples out = t::Samples(snd::headless::TakeCapture());
    const Samples r = Ramp(40000);
    EXPECT_EQ(Samples(out.begin() + 32000, out.end()), Samples(r.begin(), r.begin() + 3600));
    // The cursor is behind where it was at the last refill: it has gone round, so refill.
    EXPECT_EQ(gkSound::Streaming(), 1);
    EXPECT_EQ(gkSoundObjects[slot].Stream.DataRead, 0u);
    EXPECT_TRUE(reports.Take().empty());
}

TEST_F(SoundStream, EveryFailureIsReported) {
    const std::string load = "gkSound::LoadStream : ";
    const std::string missing = "パックファイル名が指定されていません";
    const std::string shortened = "ストリーミング再生できません";
    EXPECT_EQ(gkSound::LoadStream("e.wav", 0), -1);
    EXPECT_EQ(Load(t::PcmRecord(1, 200000, 8), t::Bytes(1000000, 0)), -1);  // no buffer that fast
    EXPECT_EQ(gkSound::LoadStream("x.wav", 0), -1);
    const std::string longName(31, 'E');
    t::WriteFile(folder + "/long.pak",
                 t::PackEntry(longName, t::PcmRecord(1, 8000, 8), t::Bytes(40000, 0)));
    gkSound::SetPack("long.pak");
    EXPECT_EQ(gkSound::LoadStream(longName.c_str(), 0), -1);
    // The pack gone, then shortened, under a playing stream.
    const int slot = LoadRamp();
    gkSound::PlayLoop(slot, 0);
    for (const std::function<int()>& act :
         {std::function<int()>(gkSound::Streaming),
          std::function<int()>([slot] { return gkSound::ResetStream(slot); })}) {
        std::remove((folder + "/s.pak").c_str());
        EXPECT_EQ(act(), 0);
        t::WriteFile(folder + "/s.pak", t::Bytes(10, 0));
        EXPECT_EQ(act(), 0);
    }
    for (gkSoundObject& o : gkSoundObjects) o.Used = 1;
    EXPECT_EQ(gkSound::LoadStream("e.wav", 0), -1);
    const std::string refill = "gkSound::Streaming : ", rewind = "gkSound::ResetStream : ";
    EXPECT_EQ(reports.Take(),
              (Texts{load + missing, load + "サウンドバッファが生成できません",
                     load + "WAVEファイルを読み込めません", load + "ファイル名が長すぎます",
                     refill + missing, refill + shortened, rewind + missing, rewind + shortened,
                     load + "オブジェクト数が多過ぎます"}));
}

}  // namespace
