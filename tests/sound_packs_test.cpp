// Sound packs: the entry lookup over well-formed and damaged packs, the bytes ConvertWav writes,
// and SelectFormat rebuilding every kind of sound in place.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
namespace t = gktest;
using t::Bytes;

class SoundPacks : public t::SoundFolder {
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

TEST_F(SoundPacks, LookupFindsTheFirstWholePlayableEntry) {
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

TEST_F(SoundPacks, ConvertWavWritesBareUpperCaseEntries) {
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

TEST_F(SoundPacks, SelectFormatRebuildsEverySoundInPlace) {
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

}  // namespace
