// Image packs byte by byte: the entry scan and its failures, decoding in every display format,
// reloads after surface loss, the converter's exact bytes, screenshots, and random pack files.
#include <filesystem>
#include <iterator>
#include <random>

#include "support/back_screen.h"
#include "support/draw_files.h"
#include "support/sound_util.h"

namespace {

using namespace plat;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;
using V = std::vector<uint32_t>;
using gktest::PutLE;
using gktest::Raw;

// One pack entry; cut drops that many bytes from its end.
Bytes Entry(int width, int height, const std::string& name, std::vector<uint16_t> pixels = {},
            size_t cut = 0) {
    Bytes b;
    PutLE(b, width | height << 16, 4);
    b.insert(b.end(), name.c_str(), name.c_str() + name.size() + 1);
    for (uint16_t p : pixels) PutLE(b, p, 2);
    b.resize(b.size() - cut);
    return b;
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Packs : public gktest::DrawFiles {
  protected:
    void Start(PixelFormat format = PixelFormat::R5G6B5) {
        Restart();
        headless::UseDisplayFormat(format);
        ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    }
    void Pack(const Bytes& bytes) {
        gktest::WriteFile(folder + "/pack.dat", bytes);
        gkDraw::SetPackFile("pack.dat");
    }
    Bytes Read(const char* name) {
        return Bytes(std::istreambuf_iterator<char>(std::ifstream(folder + "/" + name).rdbuf()),
                     {});
    }
};

TEST_F(Packs, EntriesAreFoundByUpperCasedNameDecodedAndRestoredInPlace) {
    // 0x83 0x61 is a double-byte character whose trail byte reads as 'a'.
    const Bytes pack = Entry(0, 0, "Z.BMP") + Entry(2, 1, "A.BMP", {0x7FFF, 0x7C00}) +
                       Entry(1, 1, "\x83\x61X.BMP", {0x0001}) + Entry(1, 1, "A.BMP", {0x03E0});
    for (auto [format, want] : {std::pair(PixelFormat::X1R5G5B5, V{0x7FFF, 0x7C00, 1}),
                                std::pair(PixelFormat::X8R8G8B8, V{0xFFFFFF, 0xFF0000, 8}),
                                std::pair(PixelFormat::R5G6B5, V{0xFFDF, 0xF800, 1})}) {
        Start(format);
        Pack(pack);
        ASSERT_EQ(gkDraw::LoadPack("a.bmp", 1), 4);
        ASSERT_EQ(gkDraw::LoadPack("\x83\x61x.bmp", 2), 5);
        EXPECT_EQ((V{Raw(gkSprites[4].surface, 0, 0), Raw(gkSprites[4].surface, 1, 0),
                     Raw(gkSprites[5].surface, 0, 0)}),
                  want);
    }
    const SpriteObject& s = gkSprites[4];
    EXPECT_EQ(std::tuple(std::string(s.name), s.fromPack, s.placement, s.width + 10 * s.height),
              std::tuple(std::string("A.BMP"), 1, 2, 12));
    gkDraw::ReleaseObject(4);
    headless::LoseAllSurfaces();
    gkDraw::RestoreObjects();  // the reload stages through the free slot 4
    EXPECT_EQ(Raw(gkSprites[5].surface, 0, 0), 1u);
    EXPECT_EQ(gkSprites[4].name[0] + gkSprites[6].name[0], 0);  // no staging slot left behind
    EXPECT_EQ(gkDraw::SwapPack("a.bmp", 1024, 2), 0);
    EXPECT_EQ(gkDraw::LoadPack("bmp\\a.bmp", 2), 0);  // entry names have no folder part
    EXPECT_EQ(gktest::Reports().Take(), Texts{"gkDraw::LoadPack : BMPファイルを読み込めません"});
}

TEST_F(Packs, EveryFailureAndTheScanLimits) {
    Start();
    EXPECT_EQ(gkDraw::LoadPack("a.bmp", 2), 0);  // no pack path yet
    const Bytes packs[] = {{},
                           Entry(0xFFFF, 0xFFFF, "BIG.BMP") + Entry(1, 1, "A.BMP", {1}),
                           Entry(1, 1, std::string(128, 'N'), {1}) + Entry(1, 1, "A.BMP", {1}),
                           Entry(1, 1, "A.BMP", {}, 1),  // the file ends inside the name
                           Entry(0, 0, "A.BMP")};        // found, but a 0 × 0 surface fails
    for (const Bytes& bytes : packs) {
        Pack(bytes);
        EXPECT_EQ(gkDraw::LoadPack("a.bmp", 2), 0);
    }
    Pack(Entry(2, 2, "A.BMP", std::vector<uint16_t>(4, 0x7FFF), 3));  // 1.5 pixels cut off
    ASSERT_EQ(gkDraw::LoadPack("a.bmp", 2), 5);
    EXPECT_EQ((V{Raw(gkSprites[5].surface, 1, 0), Raw(gkSprites[5].surface, 0, 1)}),
              (V{0xFFDF, 0}));
    EXPECT_EQ(gkDraw::SwapPack(std::string(31, 'n').c_str(), 5, 2), 0);
    headless::FailLocks(-1);
    EXPECT_EQ(gkDraw::LoadPack("a.bmp", 2), 0);  // the staging lock fails: no report
    headless::FailLocks(0);
    for (int lost : {10, 9}) {
        headless::FailBlits(lost, DDERR_SURFACELOST);
        EXPECT_EQ(gkDraw::LoadPack("a.bmp", 2), lost == 10 ? 0 : 8);
    }
    EXPECT_EQ(Raw(gkSprites[8].surface, 0, 0), 0xFFDFu);
    const std::string load = "gkDraw::LoadPack : ", missing = load + "BMPファイルを読み込めません";
    EXPECT_EQ(gktest::Reports().Take(),
              (Texts{load + "パックファイル名が指定されていません", missing, missing, missing,
                     missing, "gkDraw::CreateObject : スプライトを作成できません",
                     "gkDraw::SwapPack : ファイル名またはリソース名が長すぎます",
                     load + "サーフェース間で展開できません"}));
}

TEST_F(Packs, ConvertWritesEntriesThatLoadBackInEveryFormat) {
    Start(PixelFormat::X8R8G8B8);
    std::filesystem::create_directories(folder + "/Bmp/sub.bmp");  // a folder is no image
    const V dark = {0x070707, 0x080808, 0xFFFFFF, 0x3060C0};
    Bmp("Bmp/dark.bmp", 4, 1, dark);
    // On disk in UTF-8: 表.bmp (表 ends in the byte '\\'), and a name Shift-JIS cannot spell.
    for (const char* name : {"RED.BMP", "x.bmpx", "\xE8\xA1\xA8.bmp", "\xF0\x9F\x98\x80.bmp"})
        Bmp(std::string("Bmp/") + name, 2, 1, {0x0000FF, 0});
    EXPECT_EQ(FindFiles((folder + "\\BMP").c_str(), "?.bmp"), Texts{"\x95\x5C.bmp"});
    const Bytes once = Entry(2, 1, "RED.BMP", {0x7C00, 0}) +
                       Entry(4, 1, "DARK.BMP", {0x0001, 0x0421, 0x7FFF, 0x6186}) +
                       Entry(2, 1, "\x95\x5C.BMP", {0x7C00, 0});
    for (auto [fresh, want] : {std::pair(0, once), std::pair(0, once + once), std::pair(1, once)}) {
        ASSERT_EQ(gkDraw::Convert("out.pak", "bmp", fresh), 1);
        EXPECT_EQ(Read("out.pak"), want);
    }
    EXPECT_TRUE(headless::Boxes().empty());
    for (PixelFormat format : {PixelFormat::X8R8G8B8, PixelFormat::X1R5G5B5, PixelFormat::R5G6B5}) {
        Start(format);
        gkDraw::SetPackFile("out.pak");
        ASSERT_EQ(gkDraw::LoadPack("dark.bmp", 2), 4);
        for (int x = 0; x < 4; ++x)  // to 5 bits; the too dark one got blue 1
            EXPECT_EQ(PixelToColor(format, Raw(gkSprites[4].surface, x, 0)) & 0xF8F8F8,
                      x == 0 ? 0x080000 : dark[x] & 0xF8F8F8);
    }
    EXPECT_EQ(gkDraw::Convert("out.pak", "", 1), 0);  // a 16-bit desktop
    EXPECT_EQ(gktest::Reports().Take(), Texts{"gkDraw::Convert : 画面をフルカラーにして下さい"});
}

TEST_F(Packs, ScreenshotsWriteWholeFilesOnly) {
    for (auto [format, color, bgr] :
         {std::tuple(PixelFormat::R5G6B5, 0xFFFFFFu, V{248, 248, 248}),
          std::tuple(PixelFormat::X8R8G8B8, 0x123456u, V{18, 52, 86})}) {
        Start(format);
        gktest::FillBack(color);
        ASSERT_EQ(gkDraw::SaveScreen("shot.bmp", 3, 1000), 1);  // the height is cut to 16
        Bytes want{'B', 'M'};
        for (uint32_t v :
             {58 + 12 * 16, 0, 58, 40, 3, 16, 1 | 24 << 16, 0, 12 * 16, 2834, 2834, 0, 0, 0})
            PutLE(want, v, 4);
        for (int i = 0; i < 12 * 16; ++i) want.push_back(i % 12 < 9 ? bgr[i % 3] : 0);
        EXPECT_EQ(Read("shot.bmp"), want);
    }
    EXPECT_EQ(gkDraw::SaveScreen("none.bmp", 0, 5), 0);
    EXPECT_EQ(gkDraw::SaveScreen("missing\\shot.bmp", 2, 2), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);  // no leftovers
}

TEST_F(Packs, RandomAndTruncatedPacksNeverReadPastTheFile) {
    Start();
    std::mt19937 random(12);
    for (int round = 0; round < 200; ++round) {
        Bytes pack(random() % 64);
        for (uint8_t& b : pack) b = random() % 4 ? uint8_t(random()) : 0;
        const int w = random() % 4, h = random() % 4;
        if (round % 2)
            pack = Entry(w, h, "Q.BMP", std::vector<uint16_t>(w * h, 0xFFFF)) +
                   Entry(3, 3, "A.BMP", std::vector<uint16_t>(9, 0x7FFF));
        pack.resize(pack.size() - random() % (pack.size() + 1) / 2);
        Pack(pack);
        if (int slot = gkDraw::LoadPack("a.bmp", 2)) gkDraw::ReleaseObject(slot);
    }
}

}  // namespace
