// The sound module: the sound object table and its playback controls (slots, mixes, failures
// and their reports, rebuilds in place, round-robin starts, channel addressing, the setters'
// clamps, pause, the echo heard in the mixed output), the WAV reader, sound packs, streams heard
// through the captured output on the virtual clock, and MIDI songs: the command strings sent,
// the end-of-song notification, the looping and closing rules.
#include "platform/sound.h"

#include <algorithm>
#include <functional>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/clock.h"
#include "platform/mci.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
namespace t = gktest;
using t::Bytes;
using t::Fmt;
using t::Ints;
using t::Riff;
using Texts = std::vector<std::string>;
using Samples = std::vector<int16_t>;
using Sizes = std::vector<uint32_t>;

class Sound : public t::SoundFolder {
  protected:
    void Write(const std::string& name, const Bytes& bytes) {
        t::WriteFile(folder + "/" + name, bytes);
    }
    // Writes the entries, one after the other, as the pack `name`; returns its bytes.
    Bytes Pack(const std::string& name, const std::vector<Bytes>& entries) {
        Bytes pack;
        for (const Bytes& e : entries) pack = t::Cat(pack, e);
        Write(name, pack);
        return pack;
    }
    // Writes `name` (mono, 22050 Hz, `frames` frames of `value`) and loads it with `mix`.
    int Load(int mix, uint32_t frames = 22050, int16_t value = 1000, std::string name = "a.wav") {
        Write(name, t::PcmWav(1, 22050, frames, value));
        return gkSound::LoadObject(name.c_str(), mix);
    }
    static snd::Buffer* Channel(int slot, int ch) {
        return gkSoundObjects[slot].Channel[ch].Buffer;
    }
    static Ints PlayingOn(int slot) {
        Ints on;
        for (int j = 0; j < gkSoundObjects[slot].ChannelCount; ++j)
            on.push_back(snd::GetStatus(Channel(slot, j)) & plat::DSBSTATUS_PLAYING);
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
    // ReadWave's result, format record and data for a file of these bytes.
    std::tuple<int, Bytes, Bytes> ReadWave(const Bytes& file) {
        Write("w.wav", file);
        auto *format = reinterpret_cast<uint8_t*>(1), *data = format;  // every output is set
        uint32_t formatSize = 77, dataSize = 77;
        const int read =
            gkSound::ReadWave((folder + "/w.wav").c_str(), &format, &formatSize, &data, &dataSize);
        std::tuple<int, Bytes, Bytes> w{read, Bytes(format, format ? format + formatSize : format),
                                        Bytes(data, data + dataSize)};
        std::free(format);
        std::free(data);
        return w;
    }
};

// ---- Sound objects and playback controls

TEST_F(Sound, LoadsFailWithAReportOrTakeSlotsLowestFirstUpTo70) {
    const Bytes pcm = t::PcmWav(1, 22050, 100);
    const std::string tooMany = "ミックス数が多過ぎます",
                      noBuffer = "サウンドバッファが生成できません";
    // The file written (if any), its name, the mix and the report.
    const std::tuple<Bytes, std::string, int, std::string> failures[] = {
        {pcm, "a.wav", 11, tooMany},
        {pcm, "a.wav", -11, tooMany},
        {pcm, "a.wav", 0, tooMany},
        {{}, "missing.wav", 1, "WAVEリソースが見つかりません"},
        {Riff({{"fmt ", t::Cat(Fmt(2, 1, 22050, 4), {0, 0})}, {"data", Bytes(100, 0)}}), "a.wav", 3,
         noBuffer},
        {Riff({{"fmt ", Fmt(1, 1, 22050, 16)}, {"data", {}}}), "a.wav", 3, noBuffer},
        {pcm, std::string(27, 'n') + ".wav", 2, "ファイル名またはリソース名が長すぎます"}};
    for (const auto& [file, name, mix, report] : failures) {
        if (!file.empty()) Write(name, file);
        EXPECT_EQ(gkSound::LoadObject(name.c_str(), mix), -1) << name;
        EXPECT_EQ(reports.Take(), Texts{"gkSound::LoadObject : " + report});
        EXPECT_EQ(std::tuple(gkSoundObjects[0].Used, Channel(0, 0), Channel(0, 1)),
                  std::tuple(0, nullptr, nullptr));
    }
    // The mix, then the slot, channels and echo step it gives; names up to 30 bytes.
    const std::string name = std::string(26, 'n') + ".wav";
    const int cases[][4] = {{10, 0, 10, 0}, {-3, 1, 3, -1}, {3, 2, 3, 0}, {1, 3, 1, -1}};
    for (const auto& [mix, slot, channels, echo] : cases) {
        ASSERT_EQ(Load(mix, 100, 1, name), slot) << mix;
        const gkSoundObject& o = gkSoundObjects[slot];
        EXPECT_EQ(std::tuple(o.ChannelCount, o.EchoStep, o.NextChannel, std::string(o.Name)),
                  std::tuple(channels, echo, 0, name));
        for (int j = 0; j < 10; ++j) EXPECT_EQ(Channel(slot, j) != nullptr, j < channels);
    }
    for (int s = 4; s < 70; ++s) ASSERT_EQ(Load(1, 100), s);
    EXPECT_EQ(Load(1, 100), -1);
    gkSound::ReleaseObject(5);
    EXPECT_EQ(Load(1, 100), 5);
    EXPECT_EQ(reports.Take(), Texts{"gkSound::LoadObject : オブジェクト数が多過ぎます"});
}

TEST_F(Sound, ScreenSetUpStartsSoundAndWithoutADeviceAllIsSilentButTheBeep) {
    gkSoundObjects[7].Channel[2].Volume = -500;
    ASSERT_EQ(gkDraw::Screen(64, 48, 0), 1);
    EXPECT_EQ(
        std::tuple(gkSoundStatus.Ready, snd::HasDevice(), gkSoundObjects[7].Channel[2].Volume),
        std::tuple(1, true, 0));
    snd::headless::StartCapture();
    gkSound::Beep();  // a tone on the output
    plat::headless::AdvanceTime(100);
    const auto out = t::Samples(snd::headless::TakeCapture());
    EXPECT_GT(*std::max_element(out.begin(), out.end()), 0);
    gkSystem::Quit();
    gkDraw::Release();
    snd::headless::SetDeviceAvailable(false);
    ASSERT_EQ(gkDraw::Screen(64, 48, 0), 1);
    EXPECT_EQ(std::tuple(gkSoundStatus.Ready, Load(1), Load(11)), std::tuple(0, -1, -1));
    gkSound::RestoreAll();
    gkSound::Beep();  // the system's bell
    EXPECT_EQ(std::tuple(gkSoundObjects[0].Used, plat::headless::Beeps()), std::tuple(0, 1));
    EXPECT_TRUE(plat::headless::Boxes().empty());
}

TEST_F(Sound, RoundRobinStartsAndChannelAddressing) {
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
    // -2 sets the channel the next round-robin start takes, -1 every channel.
    const gkSoundChannel* c = gkSoundObjects[s].Channel;
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
    // -2 on an object without echo is a plain round-robin start.
    const int single = Load(1);
    gkSound::Play(single, -2);
    EXPECT_EQ(PlayingOn(single), Ints{1});
    EchoFrames(single, 4);
    EXPECT_EQ(gkSoundObjects[single].EchoStep, -1);
}

TEST_F(Sound, PauseTwiceResumesWherePausedAndSettersClampStoreAndApply) {
    const int s = Load(2);
    snd::Buffer* b = Channel(s, 0);
    gkSound::Play(s, 0);
    plat::headless::AdvanceTime(100);
    gkSound::Pause(s, 0);
    plat::headless::AdvanceTime(300);
    gkSound::Pause(s, 0);
    plat::headless::AdvanceTime(100);
    // Resumed where it was paused, once, as it was started.
    EXPECT_EQ(std::tuple(snd::GetStatus(b), snd::GetCurrentPosition(b)),
              std::tuple(plat::DSBSTATUS_PLAYING, 4410u * 2));

    const gkSoundChannel& c = gkSoundObjects[s].Channel[0];
    using namespace gkSound;
    // Each step on channel 0, then its volume, pan and frequency.
    const std::pair<std::function<void()>, Ints> steps[] = {
        {[&] { SetVolume(s, -120, 0); }, {-10000, 0, 22050}},
        {[&] { SetVolume(s, 5, 0); }, {0, 0, 22050}},
        {[&] { AddVolume(s, -7, 0); }, {-700, 0, 22050}},
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
        EXPECT_EQ((Ints{c.Volume, c.Pan, int(c.Frequency), snd::GetVolume(c.Buffer),
                        snd::GetPan(c.Buffer), int(snd::GetFrequency(c.Buffer))}),
                  t::Cat(expect, expect));
    }
    EXPECT_EQ(gkSoundObjects[s].Channel[1].Frequency, 22050u);  // the other channel untouched
}

TEST_F(Sound, EchoCopiesComeAtTheIntervalEachQuieter) {
    const int s = Load(4, 22050, 10000);
    snd::headless::StartCapture();
    gkSound::SetVolume(s, -20, -1);  // the echo start puts every channel back to full
    gkSound::PlayLoop(s, -2);
    EchoFrames(s, 10);
    gkSound::Stop(s, -1);
    EchoFrames(s, 10);
    const auto out = t::Samples(snd::headless::TakeCapture());
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

// ---- The WAV reader

TEST_F(Sound, WaveChunksInAnyOrderFormatRecordsWithTheirExtraBytesMalformedFilesFail) {
    const Bytes samples = {1, 2, 3, 4, 5, 6}, pcm = Fmt(1, 2, 22050, 16),
                pcm18 = t::Cat(pcm, {0, 0}), adpcm = Fmt(2, 1, 22050, 4),
                adpcm20 = t::Cat(adpcm, {2, 0, 0xAB, 0xCD});
    const t::Chunk fmt{"fmt ", pcm}, data{"data", samples};
    Bytes truncated = Riff({fmt, data}), rifx = Riff({fmt, data}), cutFmt = Riff({fmt});
    truncated.resize(truncated.size() - 2);
    rifx[3] = 'X';
    cutFmt.resize(cutFmt.size() - 6);
    // The file and the format record read: PCM gets a zero extra size, whatever the chunk holds
    // past 16 bytes; other formats keep their extra bytes. No record: the file fails.
    const std::pair<Bytes, Bytes> files[] = {
        {Riff({fmt, data}), pcm18},
        {Riff({data, fmt}), pcm18},
        {Riff({fmt, {"LIST", {'I', 'N', 'F'}}, data}), pcm18},
        {Riff({{"fmt ", t::Cat(pcm, {9, 9, 9, 9})}, data}), pcm18},
        {Riff({{"fmt ", adpcm20}, data}), adpcm20},
        {truncated, {}},
        // Refused before anything is allocated.
        {Riff({fmt, {"data", samples, 0xFFFFFFF0}}), {}},
        {Riff({{"JUNK", {1, 2}, 0x7FFFFFFF}, fmt, data}), {}},
        {Riff({fmt, data}, "AVI "), {}},
        {rifx, {}},
        {Riff({data}), {}},
        {Riff({fmt}), {}},
        {Riff({{"fmt ", Bytes(pcm.begin(), pcm.begin() + 14)}, data}), {}},
        {cutFmt, {}},
        {Riff({{"fmt ", t::Cat(adpcm, {4, 0, 0xAB, 0xCD})}, data}), {}},  // extra bytes missing
        {Riff({{"fmt ", adpcm}, data}), {}},                              // no extra size
        {{'R', 'I', 'F', 'F'}, {}}};
    for (size_t i = 0; i < std::size(files); ++i) {
        const auto& [file, format] = files[i];
        EXPECT_EQ(ReadWave(file),
                  std::tuple(int(format.empty()), format, format.empty() ? Bytes{} : samples))
            << i;
    }
    EXPECT_EQ(ReadWave(Riff({fmt, {"data", {}}})), std::tuple(0, pcm18, Bytes{}));
}

// ---- Sound packs

TEST_F(Sound, LookupFindsTheFirstWholePlayableEntry) {
    const Bytes mono = t::PcmRecord(1, 8000, 16), bits12 = t::PcmRecord(1, 8000, 12);
    Bytes slow = mono;
    slow[8] ^= 1;  // bytes per second that do not agree with the rate
    const Bytes pack = Pack(
        "s.pak",
        {t::PackEntry("A.WA", t::Cat(Fmt(2, 1, 8000, 4), {2, 0, 7, 7}), {}),  // 20-byte records
         t::PackEntry("A.WAV", t::Cat(mono, {7, 7}), {1, 2}), t::PackEntry("A.WAV", mono, {9, 9}),
         t::PackEntry("C.WAV", mono, {3, 4}), t::PackEntry("BITS.WAV", bits12, {4, 4}),
         t::PackEntry("AVG.WAV", slow, {4, 4}), t::PackEntry(std::string(31, 'L'), mono, {5, 5}),
         t::PackEntry("HUGE.WAV", Bytes(65537, 0), {}), t::PackEntry("D.WAV", mono, {6, 6})});
    Pack("cut.pak", {Bytes(pack.begin(), pack.begin() + 118)});  // ends inside C.WAV
    const std::string tag = "gkSound::LoadPack : ",
                      gone = tag + "パックファイル名が指定されていません",
                      none = tag + "WAVEファイルを読み込めません";
    // The pack set before (if any), the name, and the first samples or the report.
    const std::string cases[][3] = {
        {"", "a.wav", gone},
        {"s.pak", "a.Wav", "\1\2"},
        {"", "c.wav", "\3\4"},
        {"", "bits.wav", none},
        {"", "avg.wav", none},
        {"", "d.wav", none},
        {"cut.pak", "c.wav", none},
        {"s.pak", std::string(31, 'l'), tag + "ファイル名が長すぎます"}};
    for (const auto& c : cases) {
        if (!c[0].empty()) gkSound::SetPack(c[0].c_str());
        const int slot = gkSound::LoadPack(c[1].c_str(), 1);
        void *a = nullptr, *b;
        uint32_t na, nb;
        if (slot >= 0) snd::Lock(gkSoundObjects[slot].Channel[0].Buffer, 0, 2, &a, &na, &b, &nb);
        EXPECT_EQ(slot < 0 ? reports.Take().at(0) : std::string(static_cast<char*>(a), 2), c[2])
            << c[1];
    }
}

// Release and RestoreAll, and SelectFormat, rebuild every kind of sound in place.
TEST_F(Sound, RebuildsKeepSlotsAndSettingsUntilQuit) {
    Pack("s.pak", {t::PackEntry("L.WAV", t::PcmRecord(1, 8000, 16), Bytes(80000, 1)),
                   t::PackEntry("P.WAV", t::PcmRecord(1, 8000, 16), Bytes(800, 2))});
    Write("w.wav", t::PcmWav(2, 44100, 4410));
    gkSound::SetPack("s.pak");
    const std::string packPath = gkSoundStatus.PackPath;
    ASSERT_EQ(Load(1, 2205), 0);  // released below: the slot stays free
    const int slots[] = {gkSound::LoadStream("l.wav", 0), gkSound::LoadObject("w.wav", 2),
                         gkSound::LoadPack("p.wav", 3)};
    ASSERT_EQ(gkSoundObjects[slots[0]].Stream.DataSize + slots[0] + slots[1] + slots[2], 80006u);
    gkSound::ReleaseObject(0);
    for (int s : slots) {
        gkSound::SetVolume(s, -5, -1);
        gkSound::SetPan(s, 3, -1);
        gkSound::SetFrequency(s, 2, -1);
        gkSound::Play(s, -1);
    }
    gkSound::SetPack("other.pak");  // the stream's pack comes back, for the pack object after it
    const auto check = [&] {
        EXPECT_EQ(
            std::tuple(gkSoundStatus.PackPath, gkSoundObjects[0].Used, gkSoundStatus.ReloadMode),
            std::tuple(packPath, 0, 0));
        for (int s : slots) {  // each kept its slot, turn and the settings of its last channel
            const gkSoundObject& o = gkSoundObjects[s];
            snd::Buffer* b = o.Channel[o.ChannelCount - 1].Buffer;
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(
                (std::vector<int64_t>{o.Used, o.NextChannel, snd::GetVolume(b), snd::GetPan(b),
                                      snd::GetFrequency(b)}),
                (std::vector<int64_t>{1, 1 % o.ChannelCount, -500, 300, o.BaseFrequency + 200}));
        }
    };
    gkSound::Release();
    EXPECT_EQ(std::tuple(snd::HasDevice(), Channel(2, 0), gkSoundObjects[2].Used),
              std::tuple(false, nullptr, 1));
    gkSound::RestoreAll();
    check();
    gkSound::ResetFrequency(2, 0);
    gkSound::Play(2, 0);
    plat::headless::AdvanceTime(20);
    EXPECT_EQ(gkSound::GetPlayPosition(2), 882u * 4);  // channel 0, in bytes
    // 11 and 44 stand for 11025 and 44100 Hz; a refused format leaves the one in force.
    for (auto [channels, rate, result, perSecond] :
         {std::tuple(2, 11, 1, 44100u), {1, 44, 1, 88200u}, {3, 8000, 0, 88200u}}) {
        EXPECT_EQ(gkSound::SelectFormat(channels, rate, 16), result);
        EXPECT_EQ(snd::GetPrimaryFormat().nAvgBytesPerSec, perSecond);
        check();
    }
    EXPECT_EQ(reports.Take(), Texts{"gkSound::SelectFormat : 再生フォーマットを変更できません"});
    gkSystem::Quit();
    EXPECT_EQ(std::tuple(snd::HasDevice(), gkSound::GetPlayPosition(2), Channel(2, 0),
                         gkSoundObjects[2].Used),
              std::tuple(false, 0u, nullptr, 1));
}

// ---- Streams

// Frames [from, to) of a ramp whose 40000 frames (5 seconds) are all told apart.
Samples Part(int from, int to) {
    Samples s;
    for (int i = from; i < to; ++i) s.push_back(static_cast<int16_t>(i - 20000));
    return s;
}

class SoundStream : public Sound {
  protected:
    void SetUp() override {
        Sound::SetUp();
        gkSound::SelectFormat(1, 8, 16);
        snd::headless::StartCapture();
    }
    // Streams "E.WAV" of "s.pak": `bytes` bytes of 0x80, else the ramp (2 s = 32000 bytes).
    int Load(uint32_t loop = 0, uint32_t bytes = 0, uint16_t bits = 16, uint16_t channels = 1) {
        const Samples ramp = Part(0, 40000);
        const auto* r = reinterpret_cast<const uint8_t*>(ramp.data());
        Write("s.pak",
              t::PackEntry("E.WAV", t::PcmRecord(channels, bytes > 800000 ? 44100 : 8000, bits),
                           bytes ? Bytes(bytes, 0x80) : Bytes(r, r + 80000)));
        gkSound::SetPack("s.pak");
        return gkSound::LoadStream("e.wav", loop);
    }
    // `ms` of frames of 10 ms, each ending with a successful Streaming; the output since the
    // last call.
    static Samples Run(uint32_t ms) {
        for (uint32_t done = 0; done < ms; done += 10) {
            plat::headless::AdvanceTime(10);
            EXPECT_EQ(gkSound::Streaming(), 1);
        }
        return t::Samples(snd::headless::TakeCapture());
    }
    static const gkSoundStream& Record(int slot) { return gkSoundObjects[slot].Stream; }
};

TEST_F(SoundStream, RingSizesAndLoopsFromTheLoopPointWithoutAGap) {
    EXPECT_EQ(Record(Load(0, 78400)).DataSize, 0u);  // 4.9 seconds load whole
    const gkSoundStream& s = Record(Load(~0u, 882000, 16, 2));
    EXPECT_EQ((Sizes{s.BufferSize, s.HalfSize, s.LoopStart - s.DataStart}),
              (Sizes{705600, 352800, 0}));
    gkSound::PlayLoop(Load(2 * 12345 + 1), -1);
    Samples expect = Part(0, 40000);
    while (expect.size() < 104000) expect = t::Cat(expect, Part(12345, 40000));
    expect.resize(104000);
    EXPECT_EQ(Run(13000), expect);
}

TEST_F(SoundStream, PlayedToTheEndThroughSilenceThenStartedOver) {
    const int slot = Load(79998);  // a loop point near the end must not keep it going
    snd::Buffer* b = gkSoundObjects[slot].Channel[0].Buffer;
    gkSound::Play(slot, 0);
    const Samples start = Run(4990);
    const uint32_t playing = snd::GetStatus(b) & plat::DSBSTATUS_PLAYING;
    const Samples out = t::Cat(start, Run(1000));
    Samples expect = Part(0, 40000);
    expect.resize(out.size(), 0);
    EXPECT_EQ(out, expect);
    EXPECT_EQ((Sizes{playing, snd::GetStatus(b), gkSound::GetPlayPosition(slot)}),
              (Sizes{1, 0, 0}));
    gkSound::Play(slot, -1);
    EXPECT_EQ(Run(1000), Part(0, 8000));
}

// ---- MIDI songs

// A one-track song at 120 beats per minute and 480 ticks per beat: one note held for
// `ms` milliseconds (a multiple of 125, under 8 seconds), then the end of the track.
Bytes Song(uint32_t ms) {
    const uint32_t ticks = ms * 480 / 500;
    const uint8_t high = 0x80 | ticks >> 7, low = ticks & 0x7F;
    // Format 0, one track, 480 ticks a beat; the track: note on, the held time, note off, end.
    return {'M',  'T',  'h',  'd', 0,    0,    0,    6, 0,    0,    0, 1,
            0x01, 0xE0, 'M',  'T', 'r',  'k',  0,    0, 0,    13,   0, 0x90,
            0x3C, 0x64, high, low, 0x80, 0x3C, 0x40, 0, 0xFF, 0x2F, 0};
}

// MIDI songs next to the executable, played without the sound device.
class Midi : public Sound {
  protected:
    void SetUp() override {
        Sound::SetUp();
        gkSound::Release();
        gkApp.hWnd = plat::CreateMainWindow("midi", 640, 480, false, gkSystem::WndProc);
        Pump();
        Write("one.mid", Song(1000));
        Write("two.mid", Song(2000));
    }
    // Dispatches every waiting message, as the main loop does.
    static void Pump() {
        plat::Msg msg;
        while (plat::PeekMessage(msg)) plat::DispatchMessage(msg);
    }
    // Lets `ms` pass in steps of 10 ms, dispatching messages after each; the commands sent.
    Texts Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10) {
            plat::headless::AdvanceTime(10);
            Pump();
        }
        return Sent();
    }
    // Commands sent since the last call.
    Texts Sent() {
        const Texts& all = plat::headless::MciCommands();
        Texts fresh(all.begin() + seen, all.end());
        seen = all.size();
        return fresh;
    }
    std::string Open(const std::string& name, const std::string& alias = "midi") {
        return "open \"" + folder + "/" + name + "\" type sequencer alias " + alias;
    }
    std::string Mode() {
        char mode[32];
        plat::MciSendString("status midi mode", mode, sizeof mode, nullptr);
        Sent();
        return mode;
    }
    size_t seen = 0;
};

const Texts kStart = {"seek midi to start", "play midi notify"};
const Texts kClose = {"stop midi", "close midi"};
const Texts kCloseAtEnd = {"status midi mode", "stop midi", "close midi"};

TEST_F(Midi, LoopEndLoopAndASecondSong) {
    gkSound::PlayMidi("one.mid", 1);
    EXPECT_EQ(Sent(), (Texts{Open("one.mid"), kStart[0], kStart[1]}));
    EXPECT_EQ(Run(950), Texts{});
    EXPECT_EQ(Run(100),
              (Texts{"status midi mode", kStart[0], kStart[1]}));  // the song ends at 1000 ms
    EXPECT_EQ(Run(900), Texts{});
    gkSound::EndMidiLoop();  // the pass finishes, then the song closes
    EXPECT_EQ(gkMidi.Loop, 0);
    EXPECT_EQ(Run(150), kCloseAtEnd);
    EXPECT_EQ(gkMidi.SongOpen, 0);
    // A second song runs on its own time.
    gkSound::PlayMidi("one.mid", 1);
    Run(500);
    gkSound::PlayMidi("two.mid", 0);
    EXPECT_EQ(Sent(), (Texts{kClose[0], kClose[1], Open("two.mid"), kStart[0], kStart[1]}));
    EXPECT_EQ(Run(1200), Texts{});  // the first song would have ended here
    EXPECT_EQ(Run(850), kCloseAtEnd);
    EXPECT_EQ(Run(2000), Texts{});
}

TEST_F(Midi, NamesFindTheFileWhateverTheCaseBadFilesStaySilentAndSongsSoundAlone) {
    Bytes cut = Song(1000), timeCode = Song(1000);
    cut.resize(cut.size() - 5);  // the track runs past the end of the file
    timeCode[12] |= 0x80;        // a time-code division
    Write("cut.mid", cut);
    Write("smpte.mid", timeCode);
    Write("text.mid", {'h', 'e', 'l', 'l', 'o'});
    std::system(("mkdir " + folder + "/bgm").c_str());
    Write("bgm/Song.mid", Song(5000));
    // Only the first name plays; the one too long for a command is not even opened.
    for (const std::string& name : Texts{"BGM\\song.MID", "none.mid", "cut.mid", "text.mid",
                                         "smpte.mid", std::string(240, 'a')}) {
        const std::string mode = name[0] == 'B' ? "playing" : "";
        gkSound::PlayMidi(name.c_str(), 1);
        Texts expect = kStart;
        if (name.size() < 240) expect.insert(expect.begin(), Open(name));
        EXPECT_EQ(Sent(), expect);
        EXPECT_EQ(std::tuple(gkMidi.SongOpen, Mode()), std::tuple(1, mode)) << name;
        EXPECT_EQ(Run(3000), Texts{});
        EXPECT_EQ(plat::sound::IsOutputOpen(), !mode.empty());
        gkSound::StopMidi();
        EXPECT_EQ(Sent(), kClose);
    }
    // A song sounds on its own and holds the output only while nothing else does; with no
    // output it cannot be opened.
    plat::sound::headless::StartCapture();
    gkSound::PlayMidi("two.mid", 0);
    Run(500);
    int loud = 0;
    for (int16_t sample : t::Samples(plat::sound::headless::TakeCapture()))
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
}

}  // namespace
