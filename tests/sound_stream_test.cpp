// Streams heard through the captured output (8000 Hz mono 16-bit) on the virtual clock.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
namespace t = gktest;
using Samples = std::vector<int16_t>;
using Sizes = std::vector<uint32_t>;

// Frames [from, to) of a ramp whose 40000 frames (5 seconds) are all told apart.
Samples Part(int from, int to) {
    Samples s;
    for (int i = from; i < to; ++i) s.push_back(static_cast<int16_t>(i - 20000));
    return s;
}

class SoundStream : public t::SoundFolder {
  protected:
    void SetUp() override {
        SoundFolder::SetUp();
        gkSound::SelectFormat(1, 8, 16);
        snd::headless::StartCapture();
    }
    // Streams "E.WAV" of "s.pak": `bytes` bytes of 0x80, else the ramp (2 s = 32000 bytes).
    int Load(uint32_t loop = 0, uint32_t bytes = 0, uint16_t bits = 16, uint16_t channels = 1) {
        const Samples ramp = Part(0, 40000);
        const auto* r = reinterpret_cast<const uint8_t*>(ramp.data());
        t::WriteFile(
            folder + "/s.pak",
            t::PackEntry("E.WAV", t::PcmRecord(channels, bytes > 800000 ? 44100 : 8000, bits),
                         bytes ? t::Bytes(bytes, 0x80) : t::Bytes(r, r + 80000)));
        gkSound::SetPack("s.pak");
        return gkSound::LoadStream("e.wav", loop);
    }
    // `ms` of frames of 10 ms, each ending with Streaming; the output since the last call.
    static Samples Run(uint32_t ms) {
        for (uint32_t done = 0; done < ms; done += 10) {
            plat::headless::AdvanceTime(10);
            gkSound::Streaming();
        }
        return t::Samples(snd::headless::TakeCapture());
    }
    static const gkSoundStream& Record(int slot) { return gkSoundObjects[slot].Stream; }
};

TEST_F(SoundStream, RingSizesAndChunks) {
    EXPECT_EQ(Record(Load(0, 78400)).DataSize, 0u);  // 4.9 seconds load whole
    const gkSoundStream& s = Record(Load(~0u, 882000, 16, 2));
    EXPECT_EQ((Sizes{s.BufferSize, s.HalfSize, s.LoopStart - s.DataStart}),
              (Sizes{705600, 352800, 0}));
    // The chunks after the first 2 seconds up to the next pass.
    const std::pair<int, Sizes> cases[] = {
        {Load(0, 56000, 8), {16000, 12000, 12000, 16000}},  // 2.5 halves left
        {Load(0, 160006, 16, 2), {48000, 48004, 64000}}};   // split on a frame
    for (const auto& [slot, expect] : cases) {
        gkSound::PlayLoop(slot, -1);
        Sizes chunks;
        for (int i = 0; i < 2000 && chunks.size() < expect.size(); ++i) {
            const uint32_t read = Record(slot).DataRead;
            Run(10);
            const gkSoundStream& r = Record(slot);
            if (r.DataRead != read)
                chunks.push_back((r.DataRead > read ? r.DataRead : r.DataSize) - read);
        }
        gkSound::Stop(slot, -1);
        EXPECT_EQ(chunks, expect);
    }
}

TEST_F(SoundStream, LoopsFromTheLoopPointWithoutAGap) {
    gkSound::PlayLoop(Load(2 * 12345 + 1), -1);
    Samples expect = Part(0, 40000);
    for (const Samples pass = Part(12345, 40000); expect.size() < 104000;)
        expect.insert(expect.end(), pass.begin(), pass.end());
    expect.resize(104000);
    EXPECT_EQ(Run(13000), expect);
}

TEST_F(SoundStream, PausedThenPlayedToTheEndThroughSilenceThenStartedOver) {
    const int slot = Load(79998);  // a loop point near the end must not keep it going
    snd::Buffer* b = gkSoundObjects[slot].Channel[0].Buffer;
    gkSound::Play(slot, 0);
    Samples out = Run(1990), expect = Part(0, 16000);
    plat::headless::AdvanceTime(10);  // a refill is due, but the stream is paused first
    gkSound::Pause(slot, 0);
    const auto add = [](Samples& to, const Samples& more) {
        to.insert(to.end(), more.begin(), more.end());
    };
    add(out, Run(5000));
    gkSound::Pause(slot, 0);
    add(out, Run(2990));
    const uint32_t playing = snd::GetStatus(b) & plat::DSBSTATUS_PLAYING;
    add(out, Run(1000));
    expect.resize(56000, 0);
    add(expect, Part(16000, 40000));
    expect.resize(out.size(), 0);
    EXPECT_EQ(out, expect);
    EXPECT_EQ((Sizes{playing, snd::GetStatus(b), gkSound::GetPlayPosition(slot)}),
              (Sizes{1, 0, 0}));
    gkSound::Play(slot, -1);
    EXPECT_EQ(Run(1000), Part(0, 8000));
    gkSound::Stop(slot, -1);
    // 8-bit silence is 0x80: heard here, as the stop comes 5 ms after the end.
    gkSound::Play(Load(0, 40000, 8), 0);
    plat::headless::AdvanceTime(5);
    EXPECT_EQ(Run(5100), Samples(40840, 0));
}

TEST_F(SoundStream, WithoutRefillsTheRingRepeatsOldSound) {
    const int slot = Load();
    gkSound::PlayLoop(slot, 0);
    plat::headless::AdvanceTime(500);
    gkSound::Streaming();
    plat::headless::AdvanceTime(3950);
    const Samples out = t::Samples(snd::headless::TakeCapture());
    EXPECT_EQ(Samples(out.begin() + 32000, out.end()), Part(0, 3600));
    // The cursor is behind where it was at the last refill: it has gone round, so refill.
    EXPECT_EQ(gkSound::Streaming(), 1);
    EXPECT_EQ(Record(slot).DataRead, 0u);
}

TEST_F(SoundStream, EveryFailureIsReported) {
    const std::string load = "gkSound::LoadStream : ", refill = "gkSound::Streaming : ",
                      rewind = "gkSound::ResetStream : ",
                      gone = "パックファイル名が指定されていません";
    EXPECT_EQ(gkSound::LoadStream("e.wav", 0), -1);
    const int slot = Load();
    gkSound::LoadStream("x.wav", 0);
    gkSound::PlayLoop(slot, 0);
    for (int rewinding : {0, 1}) {  // the pack gone, then shortened, under a playing stream
        std::remove((folder + "/s.pak").c_str());
        EXPECT_EQ(rewinding ? gkSound::ResetStream(slot) : gkSound::Streaming(), 0);
        t::WriteFile(folder + "/s.pak", t::Bytes(10, 0));
        EXPECT_EQ(rewinding ? gkSound::ResetStream(slot) : gkSound::Streaming(), 0);
    }
    EXPECT_EQ(reports.Take(),
              (std::vector<std::string>{load + gone, load + "WAVEファイルを読み込めません",
                                        refill + gone, refill + "ストリーミング再生できません",
                                        rewind + gone, rewind + "ストリーミング再生できません"}));
}

}  // namespace
