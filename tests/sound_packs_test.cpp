// Sound packs: the entry lookup over well-formed and damaged packs, LoadPack's reports, the bytes
// ConvertWav writes, and SelectFormat rebuilding every kind of object in place.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "sound/sound.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace snd = plat::sound;
namespace t = gktest;
using t::Bytes;
using Texts = std::vector<std::string>;

Bytes Filled(size_t n, uint8_t v) {
    return Bytes(n, v);
}

// The first bytes of the samples a slot's channel 0 holds.
Bytes Held(int slot, uint32_t n) {
    void *a, *b;
    uint32_t na, nb;
    snd::Lock(gkSoundObjects[slot].Channel[0].Buffer, 0, n, &a, &na, &b, &nb);
    return Bytes(static_cast<uint8_t*>(a), static_cast<uint8_t*>(a) + na);
}

class SoundPacks : public t::SoundFolder {
  protected:
    Bytes Read(const std::string& name) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(SoundPacks, LookupFindsTheFirstWholePlayableEntry) {
    const Bytes mono = t::PcmRecord(1, 8000, 16);
    const auto extra = [](uint16_t tag) {  // a 20-byte record
        Bytes f = t::Fmt(tag, 1, 8000, 16);
        f.insert(f.end(), {2, 0, 7, 7});
        return f;
    };
    const Bytes odd = t::PcmRecord(1, 8000, 12);
    Bytes slow = mono;
    slow[8] ^= 1;  // bytes per second that do not agree with the rate
    Bytes pack;
    for (const Bytes& e :
         {t::PackEntry("A.WAV", mono, Filled(8, 1)), t::PackEntry("B.WAV", extra(2), {}),
          t::PackEntry("C.WAV", mono, Filled(6, 3)), t::PackEntry("A.WAV", mono, {9, 9}),
          t::PackEntry("ODD.WAV", odd, Filled(4, 4)), t::PackEntry("NIL.WAV", mono, {}),
          t::PackEntry("X.WAV", extra(1), {1, 2, 3, 4}), t::PackEntry("AVG.WAV", slow, {4, 4}),
          t::PackEntry(std::string(31, 'L'), mono, {5, 5}),
          t::PackEntry("HUGE.WAV", Bytes(65537, 0), {}), t::PackEntry("D.WAV", mono, {6, 6})})
        pack.insert(pack.end(), e.begin(), e.end());
    t::WriteFile(folder + "/s.pak", pack);
    t::WriteFile(folder + "/cut.pak", Bytes(pack.begin(), pack.begin() + 110));
    t::WriteFile(folder + "/empty.pak", {});
    const std::string tag = "gkSound::LoadPack : ";
    struct Case {
        std::string pack;
        std::string name;
        int mix;
        Bytes samples;  // held by the loaded object; none when the load fails
        Texts reports;
    } cases[] = {
        {"", "a.wav", 1, {}, {tag + "パックファイル名が指定されていません"}},
        {"s.pak", "a.wav", 2, Filled(8, 1), {}},
        {"s.pak", "c.Wav", 1, Filled(6, 3), {}},
        {"s.pak", "b.wav", 1, {}, {tag + "WAVEファイルを読み込めません"}},
        {"s.pak", "odd.wav", 1, {}, {tag + "WAVEファイルを読み込めません"}},
        {"s.pak", "nil.wav", 1, {}, {tag + "サウンドバッファが生成できません"}},
        {"s.pak", std::string(31, 'l'), 1, {}, {tag + "ファイル名が長すぎます"}},
        {"s.pak", "d.wav", 1, {}, {tag + "WAVEファイルを読み込めません"}},
        {"s.pak", "x.wav", 1, {1, 2, 3, 4}, {}},
        {"s.pak", "avg.wav", 1, {}, {tag + "WAVEファイルを読み込めません"}},
        {std::string(300, 'p'), "a.wav", 1, {}, {tag + "パックファイル名が指定されていません"}},
        {"s.pak", "a.wav", 11, {}, {tag + "ミックス数が多過ぎます"}},
        {"cut.pak", "c.wav", 1, {}, {tag + "WAVEファイルを読み込めません"}},
        {"empty.pak", "a.wav", 1, {}, {tag + "WAVEファイルを読み込めません"}},
    };
    for (const Case& c : cases) {
        if (!c.pack.empty()) gkSound::SetPack(c.pack.c_str());
        const int slot = gkSound::LoadPack(c.name.c_str(), c.mix);
        EXPECT_EQ(reports.Take(), c.reports) << c.pack << " " << c.name;
        if (c.samples.empty()) {
            EXPECT_EQ(slot, -1);
            continue;
        }
        EXPECT_EQ(Held(slot, c.samples.size()), c.samples) << c.name;
        EXPECT_EQ(gkSoundObjects[slot].FromPack, 1);
        gkSound::ReleaseObject(slot);
    }
    gkSound::SetPack("s.pak");
    for (int s = 0; s < 70; ++s) gkSound::LoadPack("a.wav", 1);
    EXPECT_EQ(gkSound::LoadPack("a.wav", 1), -1);
    EXPECT_EQ(reports.Take(), Texts{tag + "オブジェクト数が多過ぎます"});
}

TEST_F(SoundPacks, ConvertWavWritesBareUpperCaseEntries) {
    system(("mkdir '" + folder + "/Snd'").c_str());
    t::WriteFile(folder + "/Snd/Mixed.wav", t::PcmWav(1, 8000, 3, 100));
    t::WriteFile(folder + "/Snd/b.WAV", t::PcmWav(2, 8000, 2, -5));
    t::WriteFile(folder + "/Snd/bad.wav", {1, 2, 3});  // not a WAV file: left out
    t::WriteFile(folder + "/Snd/x.txt", t::PcmWav(1, 8000, 3));
    Bytes one = t::PackEntry("MIXED.WAV", t::PcmRecord(1, 8000, 16), t::Samples16(3, 1, 100));
    const Bytes b = t::PackEntry("B.WAV", t::PcmRecord(2, 8000, 16), t::Samples16(2, 2, -5));
    one.insert(one.end(), b.begin(), b.end());
    Bytes two = one;
    two.insert(two.end(), one.begin(), one.end());
    for (auto [overwrite, expect] : {std::pair{1, one}, {1, one}, {0, two}}) {
        EXPECT_EQ(gkSound::ConvertWav("out.pak", "snd", overwrite), 1);
        EXPECT_EQ(Read("out.pak"), expect);
    }
    // The executable's own folder; a folder without WAV files writes nothing.
    t::WriteFile(folder + "/r.wav", t::PcmWav(1, 8000, 3, 100));
    gkSound::ConvertWav("root.pak", "", 0);
    EXPECT_EQ(Read("root.pak"),
              t::PackEntry("R.WAV", t::PcmRecord(1, 8000, 16), t::Samples16(3, 1, 100)));
    gkSound::AppendWav("one.pak", "snd\\b.wav");
    EXPECT_EQ(Read("one.pak"), b);
    EXPECT_EQ(gkSound::ConvertWav("out.pak", "none", 1), 1);
    EXPECT_FALSE(std::ifstream(folder + "/out.pak"));
}

TEST_F(SoundPacks, SelectFormatRebuildsEverySoundInPlace) {
    Bytes pack = t::PackEntry("L.WAV", t::PcmRecord(1, 8000, 16), Filled(80000, 1));
    const Bytes p = t::PackEntry("P.WAV", t::PcmRecord(1, 8000, 16), Filled(800, 2));
    pack.insert(pack.end(), p.begin(), p.end());
    t::WriteFile(folder + "/s.pak", pack);
    t::WriteFile(folder + "/w.wav", t::PcmWav(1, 22050, 100));
    gkSound::SetPack("s.pak");
    const std::string packPath = gkSoundStatus.PackPath;
    ASSERT_EQ(gkSound::LoadStream("l.wav", 0), 0);
    ASSERT_EQ(gkSound::LoadObject("w.wav", 2), 1);
    ASSERT_EQ(gkSound::LoadPack("p.wav", 3), 2);
    for (int s = 0; s < 3; ++s) {
        gkSound::SetVolume(s, -5, -1);
        gkSound::SetPan(s, 3, -1);
        gkSound::SetFrequency(s, 2, -1);
    }
    gkSound::SetPack("other.pak");  // the stream's pack comes back, for the pack object after it
    struct Case {
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        int result;
        std::vector<uint32_t> format;  // channels, rate, block alignment, bytes per second, bits
    } cases[] = {
        {2, 44, 16, 1, {2, 44100, 4, 176400, 16}}, {1, 22, 8, 1, {1, 22050, 1, 22050, 8}},
        {2, 11, 16, 1, {2, 11025, 4, 44100, 16}},  {1, 32000, 8, 1, {1, 32000, 1, 32000, 8}},
        {3, 8000, 16, 0, {1, 32000, 1, 32000, 8}}, {1, 0, 16, 0, {1, 32000, 1, 32000, 8}},
        {2, 11, 12, 0, {1, 32000, 1, 32000, 8}}};
    for (const Case& c : cases) {
        EXPECT_EQ(gkSound::SelectFormat(c.channels, c.rate, c.bits), c.result);
        const plat::WAVEFORMATEX f = snd::GetPrimaryFormat();
        EXPECT_EQ(c.format, (std::vector<uint32_t>{f.nChannels, f.nSamplesPerSec, f.nBlockAlign,
                                                   f.nAvgBytesPerSec, f.wBitsPerSample}));
        EXPECT_EQ(
            reports.Take(),
            c.result ? Texts{} : Texts{"gkSound::SelectFormat : 再生フォーマットを変更できません"});
        EXPECT_EQ(gkSoundStatus.PackPath, packPath);
        for (int s = 0; s < 3; ++s) {
            const gkSoundObject& o = gkSoundObjects[s];
            ASSERT_EQ(o.Used, 1);
            for (int j = 0; j < o.ChannelCount; ++j) {
                snd::Buffer* b = o.Channel[j].Buffer;
                ASSERT_NE(b, nullptr);
                EXPECT_EQ((std::vector<uint32_t>{uint32_t(snd::GetVolume(b)),
                                                 uint32_t(snd::GetPan(b)), snd::GetFrequency(b)}),
                          (std::vector<uint32_t>{uint32_t(-500), 300, o.BaseFrequency + 200}));
            }
            gkSound::Play(s, 0);
            EXPECT_TRUE(snd::GetStatus(o.Channel[0].Buffer) & plat::DSBSTATUS_PLAYING);
        }
    }
    EXPECT_EQ(gkSoundObjects[0].Stream.DataSize, 80000u);
}

}  // namespace
