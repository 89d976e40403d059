// Sound files: the WAV reader over well-formed and malformed files, sound packs (the entry
// lookup, the packs ConvertWav writes, SelectFormat rebuilding every kind of sound in place) and
// streams heard through the captured output (8000 Hz mono 16-bit) on the virtual clock.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
namespace t = gktest;
using t::Bytes;
using t::Chunk;
using t::Fmt;
using t::Riff;
using Samples = std::vector<int16_t>;
using Sizes = std::vector<uint32_t>;

class SoundFiles : public t::SoundFolder {
  protected:
    Bytes Read(const std::string& name) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // Writes the entries, one after the other, as the pack `name`; returns its bytes.
    Bytes Pack(const std::string& name, const std::vector<Bytes>& entries) {
        Bytes pack;
        for (const Bytes& e : entries) pack.insert(pack.end(), e.begin(), e.end());
        t::WriteFile(folder + "/" + name, pack);
        return pack;
    }
};

// ---- The WAV reader

// What ReadWave gives: its result, the format record and the data.
struct Wave {
    int result;
    Bytes format, data;
};

// Reads a file of these bytes.
Wave ReadBytes(const std::string& folder, const Bytes& file) {
    t::WriteFile(folder + "/w.wav", file);
    uint8_t* format = reinterpret_cast<uint8_t*>(1);  // every output is set at entry
    uint8_t* data = reinterpret_cast<uint8_t*>(1);
    uint32_t formatSize = 77, dataSize = 77;
    const std::string path = folder + "/w.wav";
    Wave w{gkSound::ReadWave(path.c_str(), &format, &formatSize, &data, &dataSize), {}, {}};
    if (w.result == 0) {
        w.format.assign(format, format + formatSize);
        w.data.assign(data, data + dataSize);
    } else {
        EXPECT_EQ(std::tuple(format, data, dataSize), std::tuple(nullptr, nullptr, 0u));
    }
    std::free(format);
    std::free(data);
    return w;
}

Bytes Plus(Bytes bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

TEST_F(SoundFiles, WaveChunksInAnyOrderFormatRecordsWithTheirExtraBytesMalformedFilesFail) {
    const Bytes samples = {1, 2, 3, 4, 5, 6}, pcm = Fmt(1, 2, 22050, 16), pcm18 = Plus(pcm, {0, 0}),
                adpcm = Fmt(2, 1, 22050, 4), adpcm20 = Plus(adpcm, {2, 0, 0xAB, 0xCD});
    const Chunk fmt{"fmt ", pcm}, data{"data", samples};
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
        {Riff({{"fmt ", Plus(pcm, {9, 9, 9, 9})}, data}), pcm18},
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
        {Riff({{"fmt ", Plus(adpcm, {4, 0, 0xAB, 0xCD})}, data}), {}},  // extra bytes missing
        {Riff({{"fmt ", adpcm}, data}), {}},                            // no extra size
        {{'R', 'I', 'F', 'F'}, {}},
        {{}, {}}};
    for (size_t i = 0; i < std::size(files); ++i) {
        const auto& [file, format] = files[i];
        const Wave w = ReadBytes(folder, file);
        EXPECT_EQ(std::tuple(w.result, w.format, w.data),
                  std::tuple(format.empty(), format, format.empty() ? Bytes{} : samples))
            << i;
    }
    const Wave empty = ReadBytes(folder, Riff({fmt, {"data", {}}}));
    EXPECT_EQ(std::tuple(empty.result, empty.data), std::tuple(0, Bytes{}));
}

// ---- Sound packs

TEST_F(SoundFiles, LookupFindsTheFirstWholePlayableEntry) {
    const Bytes mono = t::PcmRecord(1, 8000, 16), bits12 = t::PcmRecord(1, 8000, 12);
    Bytes adpcm = t::Fmt(2, 1, 8000, 4), extra = mono, slow = mono;
    adpcm.insert(adpcm.end(), {2, 0, 7, 7});  // 20-byte records
    extra.insert(extra.end(), {7, 7});
    slow[8] ^= 1;  // bytes per second that do not agree with the rate
    const Bytes pack =
        Pack("s.pak",
             {t::PackEntry("A.WA", adpcm, {}), t::PackEntry("A.WAV", extra, {1, 2}),
              t::PackEntry("A.WAV", mono, {9, 9}), t::PackEntry("C.WAV", mono, {3, 4}),
              t::PackEntry("BITS.WAV", bits12, {4, 4}), t::PackEntry("AVG.WAV", slow, {4, 4}),
              t::PackEntry(std::string(31, 'L'), mono, {5, 5}),
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
        {std::string(300, 'p'), "a.wav", gone},
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

TEST_F(SoundFiles, ConvertWavWritesBareUpperCaseEntries) {
    std::system(("mkdir '" + folder + "/Snd'").c_str());
    t::WriteFile(folder + "/Snd/Mixed.wav", t::PcmWav(1, 8000, 3, 100));
    t::WriteFile(folder + "/Snd/b.WAV", t::PcmWav(2, 8000, 2, -5));
    t::WriteFile(folder + "/b.wav", t::PcmWav(2, 8000, 2, -5));
    t::WriteFile(folder + "/Snd/bad.wav", {1, 2, 3});  // not a WAV file: left out
    const Bytes b = t::PackEntry("B.WAV", t::PcmRecord(2, 8000, 16), t::Samples16(2, 2, -5)),
                one = Pack("one", {t::PackEntry("MIXED.WAV", t::PcmRecord(1, 8000, 16),
                                                t::Samples16(3, 1, 100)),
                                   b});
    for (auto [overwrite, expect] : {std::pair{1, one}, {1, one}, {0, Pack("two", {one, one})}}) {
        EXPECT_EQ(gkSound::ConvertWav("out.pak", "snd", overwrite), 1);
        EXPECT_EQ(Read("out.pak"), expect);
    }
    gkSound::AppendWav("one.pak", "snd\\b.wav");
    gkSound::ConvertWav("b.pak", "", 1);  // the executable's own folder
    EXPECT_EQ(std::pair(Read("one.pak"), Read("b.pak")), std::pair(b, b));
    EXPECT_EQ(gkSound::ConvertWav("out.pak", "none", 1), 1);
    EXPECT_FALSE(std::ifstream(folder + "/out.pak"));
}

TEST_F(SoundFiles, SelectFormatRebuildsEverySoundInPlace) {
    Pack("s.pak", {t::PackEntry("L.WAV", t::PcmRecord(1, 8000, 16), Bytes(80000, 1)),
                   t::PackEntry("P.WAV", t::PcmRecord(1, 8000, 16), Bytes(800, 2))});
    t::WriteFile(folder + "/w.wav", t::PcmWav(1, 22050, 100));
    gkSound::SetPack("s.pak");
    const std::string packPath = gkSoundStatus.PackPath;
    const int slots[] = {gkSound::LoadStream("l.wav", 0), gkSound::LoadObject("w.wav", 2),
                         gkSound::LoadPack("p.wav", 3)};
    ASSERT_EQ(gkSoundObjects[slots[0]].Stream.DataSize + slots[1] + slots[2], 80003u);
    for (int s : slots) {
        gkSound::SetVolume(s, -5, -1);
        gkSound::SetPan(s, 3, -1);
        gkSound::SetFrequency(s, 2, -1);
    }
    gkSound::SetPack("other.pak");  // the stream's pack comes back, for the pack object after it
    const std::vector<uint32_t> cases[] = {
        // channels, rate, bits, result, then channels, rate, alignment, bytes per second, bits
        {2, 44, 16, 1, 2, 44100, 4, 176400, 16}, {1, 22, 8, 1, 1, 22050, 1, 22050, 8},
        {2, 11, 16, 1, 2, 11025, 4, 44100, 16},  {1, 32000, 8, 1, 1, 32000, 1, 32000, 8},
        {3, 8000, 16, 0, 1, 32000, 1, 32000, 8}, {1, 0, 16, 0, 1, 32000, 1, 32000, 8},
        {2, 11, 12, 0, 1, 32000, 1, 32000, 8}};
    for (const auto& c : cases) {
        const auto result = uint32_t(gkSound::SelectFormat(uint16_t(c[0]), c[1], uint16_t(c[2])));
        const plat::WAVEFORMATEX f = snd::GetPrimaryFormat();
        EXPECT_EQ(c, (std::vector<uint32_t>{c[0], c[1], c[2], result, f.nChannels, f.nSamplesPerSec,
                                            f.nBlockAlign, f.nAvgBytesPerSec, f.wBitsPerSample}));
        EXPECT_EQ(reports.Take(),
                  std::vector<std::string>(
                      1 - result, "gkSound::SelectFormat : 再生フォーマットを変更できません"));
        EXPECT_EQ(gkSoundStatus.PackPath, packPath);
        for (int s : slots) {  // each kept its slot and the settings of its last channel
            const gkSoundObject& o = gkSoundObjects[s];
            snd::Buffer* b = o.Channel[o.ChannelCount - 1].Buffer;
            ASSERT_NE(b, nullptr);
            EXPECT_EQ((std::vector<int64_t>{o.Used, snd::GetVolume(b), snd::GetPan(b),
                                            snd::GetFrequency(b)}),
                      (std::vector<int64_t>{1, -500, 300, o.BaseFrequency + 200}));
        }
    }
}

// ---- Streams

// Frames [from, to) of a ramp whose 40000 frames (5 seconds) are all told apart.
Samples Part(int from, int to) {
    Samples s;
    for (int i = from; i < to; ++i) s.push_back(static_cast<int16_t>(i - 20000));
    return s;
}

class SoundStream : public SoundFiles {
  protected:
    void SetUp() override {
        SoundFiles::SetUp();
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
