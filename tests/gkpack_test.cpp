// The pack tool run as a program: its packs agree byte for byte with the framework's converters,
// list and extract give back what went in, and bad input ends with one message and a failure
// status while a good pack stays in place.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/display.h"
#include "platform/sjis.h"
#include "support/bmp.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

namespace t = gktest;
using t::Bytes;

class Gkpack : public t::SoundFolder {
  protected:
    // The tool's stdout and stderr, then its exit status as "exit N".
    std::string Run(const std::string& args) {
        const std::string command = "cd '" + folder + "' && " GKPACK " " + args + " 2>&1";
        std::FILE* p = popen(command.c_str(), "r");
        std::string out;
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
        const int status = pclose(p);
        return out + "exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    Bytes Read(const std::string& name) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // Writes a file by its path in the folder, making the folders on the way.
    void Put(const std::string& name, const Bytes& bytes) {
        std::filesystem::create_directories(
            std::filesystem::path(folder + "/" + name).parent_path());
        t::WriteFile(folder + "/" + name, bytes);
    }
};

TEST_F(Gkpack, SoundPacksMatchTheGameWriterAndComeBackOut) {
    const Bytes mono = t::PcmWav(1, 22050, 5, 300),
                stereo = t::Riff({{"fmt ", t::Fmt(1, 2, 8000, 8)}, {"data", {1, 2, 3}}});
    Put("snd/a.wav", mono);
    Put("snd/Stereo.WAV", stereo);
    EXPECT_EQ(Run("sounds tool.pak snd"),  // a line per file, in name order, then the count
              "         0  STEREO.WAV                      8000 Hz 8-bit stereo, 3 bytes\n"
              "        40  A.WAV                           22050 Hz 16-bit mono, 10 bytes\n"
              "2 of 2 files packed into tool.pak, 0 failed\nexit 0");
    gkSound::ConvertWav("game.pak", "snd", 1);
    EXPECT_EQ(Read("tool.pak"), Read("game.pak"));

    // Files that cannot be packed are listed and counted; the others are packed.
    const std::string longName = std::string(27, 'l') + ".wav";
    Put("bad/a.wav", mono);
    Put("bad/" + longName, mono);
    Bytes adpcm = t::Fmt(2, 1, 8000, 4);
    adpcm.insert(adpcm.end(), {0, 0});
    Put("bad/adpcm.wav", t::Riff({{"fmt ", adpcm}, {"data", {9}}}));
    EXPECT_EQ(Run("sounds bad.pak bad -q"),
              "gkpack: adpcm.wav: format 2, 1 channels, 4-bit (not playable), which a game cannot "
              "load\ngkpack: " +
                  longName + ": name longer than 30 bytes, which a game cannot load\nexit 1");
    const Bytes pack = Read("tool.pak");
    EXPECT_EQ(Read("bad.pak"), Bytes(pack.begin() + 40, pack.begin() + 82));

    for (const char* name : {"a.wav", "Stereo.WAV"}) {
        EXPECT_EQ(Run(std::string("extract tool.pak ") + name + " out.wav"), "exit 0");
        EXPECT_EQ(Read("out.wav"), Read(std::string("snd/") + name));
    }
}

TEST_F(Gkpack, ImagePacksMatchTheGameConverterAndComeBackOut) {
    std::vector<uint32_t> mix = {0x0000FF, 0xFFFFFF, 0x123456, 0x00FF00, 0x804020, 0xC8640A};
    Put("img/red.bmp", t::EncodeBmp(2, 1, 24, {0x0000FF, 0}));
    Put("img/Mix.BMP", t::EncodeBmp(3, 2, 24, mix));
    Put("img/bad.bmp", {'B', 'M'});
    EXPECT_EQ(Run("images tool.pak img -q"),
              "gkpack: bad.bmp: cannot be loaded: " +
                  plat::SjisToUtf8("gkDraw::LoadObject : BMPファイルを読み込めません") +
                  "\nexit 1");
    plat::headless::UseDisplayFormat(plat::PixelFormat::X8R8G8B8);
    gkApp.FullScreen = 0;
    ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    EXPECT_EQ(gkDraw::Convert("game.pak", "img", 1), 1);
    const Bytes pack = Read("tool.pak");
    EXPECT_EQ(pack, Read("game.pak"));
    Put("cut.pak", Bytes(pack.begin(), pack.end() - 1));  // a damaged pack lists what it can
    EXPECT_EQ(Run("list cut.pak"),
              "cut.pak: image pack, 1 entries\n"
              "         0  MIX.BMP                         3 x 2\n"
              "gkpack: cut.pak: damaged: reading stopped at offset 24 of 39\nexit 1");
    EXPECT_EQ(Run("extract tool.pak mix.bmp out.bmp"), "exit 0");
    const auto out = plat::LoadBitmapFile((folder + "/out.bmp").c_str());
    ASSERT_TRUE(out);
    for (uint32_t& c : mix) c &= 0xF8F8F8;  // 5 bits per channel
    EXPECT_EQ(out->pixels, mix);
}

TEST_F(Gkpack, BadInputFailsWithOneMessageAndKeepsTheGoodPack) {
    std::filesystem::create_directory(folder + "/empty");
    Put("snd/a.wav", t::PcmWav(1, 8000, 4));
    Put("junk/a.wav", {1});
    ASSERT_EQ(Run("sounds good.pak snd -q"), "exit 0");
    const Bytes good = Read("good.pak");
    Put("junk.bin", Bytes(100, 0xFF));
    // The command line and the one message it ends with.
    const std::pair<std::string, std::string> cases[] = {
        {"sounds good.pak none", "gkpack: none: no such folder\nexit 1"},
        {"sounds good.pak empty",
         "gkpack: empty: no WAV files; the pack is left as it was\nexit 1"},
        {"sounds good.pak junk -q",
         "gkpack: a.wav: not a WAV file that can be read\n"
         "gkpack: no file could be packed; the pack is left as it was\nexit 1"},
        {"list junk.bin", "gkpack: junk.bin: not a pack\nexit 1"},
        {"extract good.pak b.wav out.wav", "gkpack: good.pak: no playable entry b.wav\nexit 1"}};
    for (const auto& [args, message] : cases) EXPECT_EQ(Run(args), message) << args;
    EXPECT_EQ(Read("good.pak"), good);
    size_t files = 0;
    for (const auto& f : std::filesystem::directory_iterator(folder)) files += f.is_regular_file();
    EXPECT_EQ(files, 2u);  // no temporary file or output left behind
}

}  // namespace
