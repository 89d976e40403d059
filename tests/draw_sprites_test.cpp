// The sprite object table on the headless display: slots, names, colour keys, reloads after lost
// surfaces, load failures; image packs byte by byte, the converter's exact bytes, screenshots.
#include <filesystem>
#include <iterator>
#include <tuple>

#include "support/back_screen.h"
#include "support/draw_files.h"
#include "support/sound_util.h"

namespace {

using namespace plat;
using namespace gktest;
using V = std::vector<uint32_t>;
using Texts = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kWhite = 0xFFFFFF, kCorner = 0xFFFFFFFF;

// One pack entry; cut drops that many bytes from its end.
Bytes Entry(int width, int height, const std::string& name, std::vector<uint16_t> pixels = {},
            size_t cut = 0) {
    Bytes b;
    gktest::PutLE(b, width | height << 16, 4);
    for (char c : name + '\0') b.push_back(c);
    for (uint16_t p : pixels) gktest::PutLE(b, p, 2);
    b.resize(b.size() - cut);
    return b;
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Sprites : public gktest::DrawFiles {
  protected:
    void SetUp() override {
        DrawFiles::SetUp();
        Start(PixelFormat::R5G6B5);
        // 2x2: green at the top-left, black, white, green.
        image = Bmp("img.bmp", 2, 2, {kGreen, 0, kWhite, kGreen});
    }
    void Start(PixelFormat format) {
        Restart();
        headless::UseDisplayFormat(format);
        ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    }
    static uint32_t Pixel(uint32_t color) { return ColorToPixel(DisplayFormat(), color); }
    static uint32_t At(int slot, int x, int y) { return Raw(gkSprites[slot].surface, x, y); }
    // The slot's stored key field and the raw key its surface uses.
    static std::tuple<uint32_t, uint32_t> Keys(int slot) {
        return {gkSprites[slot].colorKey, gkSprites[slot].surface->colorKey};
    }
    void Pack(const Bytes& bytes) {
        gktest::WriteFile(folder + "/pack.dat", bytes);
        gkDraw::SetPackFile("pack.dat");
    }
    Bytes Read(const char* name) {
        return Bytes(std::istreambuf_iterator<char>(std::ifstream(folder + "/" + name).rdbuf()),
                     {});
    }
    std::string image;
};

TEST_F(Sprites, SlotsNamesTheFullTableAndLoadFailures) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2), 4 + i);
    gkDraw::ReleaseObject(5);
    EXPECT_EQ(gkDraw::CreateObject(3, 5, 1), 5);  // the lowest free slot
    const SpriteObject &four = gkSprites[4], &five = gkSprites[5];
    EXPECT_EQ(std::tuple(four.width, four.height, five.width, five.surface->height),
              std::tuple(2, 2, 3, 5));

    // Failed loads keep their slot claimed (7, 8, 9), without a surface; releasing such a slot
    // changes nothing, and a key set on it is only stored.
    EXPECT_EQ(
        (Ints{gkDraw::LoadObject("missing.bmp", 2),
              (headless::FailSurfaceCreation(1), gkDraw::LoadObject(image.c_str(), 2)),
              (headless::FailSurfaceCreation(1), gkDraw::CreateObject(8, 8, 2)),
              gkDraw::LoadObject(image.c_str(), 2), gkDraw::SwapObject("missing.bmp", 10, 2)}),
        (Ints{0, 0, 0, 10, 0}));
    gkDraw::ReleaseObject(7);
    gkDraw::SetObjectColorKey(7, kWhite);
    EXPECT_EQ(std::tuple(std::string(gkSprites[7].name), gkSprites[7].surface,
                         gkSprites[7].colorKey, std::string(gkSprites[9].name), gkSprites[9].width,
                         std::string(gkSprites[10].name), gkSprites[10].surface),
              std::tuple(std::string("missing.bmp"), nullptr, kWhite, std::string("*"), 8,
                         std::string("missing.bmp"), nullptr));

    // Names up to 30 characters.
    const std::string thirty = Bmp(std::string(26, 'n') + ".bmp", 1, 1, {kWhite});
    const std::string longer = Bmp(std::string(27, 'n') + ".bmp", 1, 1, {kWhite});
    EXPECT_EQ((Ints{gkDraw::LoadObject(thirty.c_str(), 2), gkDraw::LoadObject(longer.c_str(), 2),
                    gkDraw::SwapObject(longer.c_str(), 11, 2), gkSprites[12].name[0]}),
              (Ints{11, 0, 0, 0}));  // nothing claimed

    for (int slot = 12; slot < 1024; ++slot) ASSERT_EQ(gkDraw::CreateObject(1, 1, 1), slot);
    EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2) + gkDraw::CreateObject(1, 1, 1), 0);
    // Every failure above was reported, each once.
    EXPECT_EQ(gktest::Reports().Take().size(), 8u);
}

TEST_F(Sprites, KeysBlackByDefaultTheCornerKeyAndCopiedKeys_RestoreReloadsFileObjects) {
    const int black = gkDraw::LoadObject(image.c_str(), 2);
    EXPECT_EQ(Keys(black), std::tuple(0u, 0u));  // raw black
    gkDraw::UseCornerColorKey();
    const int corner = gkDraw::LoadObject(image.c_str(), 2);
    EXPECT_EQ(Keys(corner), std::tuple(kCorner, Pixel(kGreen)));
    // A blank object keys on whatever its new surface holds at the top-left.
    const int blank = gkDraw::CreateObject(2, 2, 2);
    EXPECT_EQ(Keys(blank), std::tuple(kCorner, 0u));

    gkDraw::SetDefaultColorKey(kWhite);  // ends the corner mode
    const int white = gkDraw::LoadObject(image.c_str(), 2);
    EXPECT_EQ(Keys(white), std::tuple(kWhite, Pixel(kWhite)));
    gkDraw::SetObjectColorKey(white, kGreen);
    EXPECT_EQ(Keys(white), std::tuple(kGreen, Pixel(kGreen)));
    gkDraw::SetObjectCornerColorKey(white);
    // Matching a colour borrows the top-left pixel and puts it back.
    EXPECT_EQ(std::pair(gkSprites[white].colorKey, At(white, 0, 0)),
              std::pair(kCorner, Pixel(kGreen)));

    // A copied key is used but not stored.
    gkDraw::SetObjectColorKey(white, kWhite);
    gkDraw::CopyColorKey(corner, white);
    EXPECT_EQ(Keys(corner), std::tuple(kCorner, Pixel(kWhite)));

    // Restored, file objects reload and key by their stored keys; the blank one is usable again
    // but not redrawn.
    gkDraw::SetDefaultColorKey(kGreen);
    Blt(gkSprites[blank].surface, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 5);
    headless::LoseAllSurfaces();

    gkDraw::RestoreObjects();
    for (Surface* s :
         {gkScreen.Primary, gkScreen.Back, gkSprites[3].surface, gkSprites[blank].surface})
        EXPECT_EQ(IsLost(s), DD_OK);
    for (int slot : {black, corner})
        EXPECT_EQ((V{At(slot, 0, 0), At(slot, 0, 1)}), (V{Pixel(kGreen), Pixel(kWhite)}));
    EXPECT_EQ(std::tuple(Keys(black), Keys(corner), At(blank, 0, 0) == 5),
              std::tuple(std::tuple(0u, 0u), std::tuple(kCorner, Pixel(kGreen)), false));
    // The default key is now the last reloaded object's (white), not green.
    EXPECT_EQ(gkSprites[gkDraw::LoadObject(image.c_str(), 2)].colorKey, kWhite);

    // A swap keeps the slot number and takes this time's placement; Windows paths and 8-bit
    // files load in the display format.
    std::filesystem::create_directory(folder + "/bmp");
    Bmp("bmp/Other.bmp", 3, 1, {kRed, kGreen, kWhite}, 8);
    ASSERT_EQ(gkDraw::SwapObject("bmp\\other.bmp", black, 1), 1);
    const Surface* s = gkSprites[black].surface;
    EXPECT_EQ(
        std::tuple(std::string(gkSprites[black].name), gkSprites[black].width, s->width,
                   gkSprites[black].placement, (s->caps & DDSCAPS_SYSTEMMEMORY) != 0, Raw(s, 1, 0)),
        std::tuple(std::string("bmp\\other.bmp"), 3, 3, 2, true, 0x07E0u));
    EXPECT_TRUE(headless::Boxes().empty());
}

TEST_F(Sprites, PackFailuresScanLimitsAndEntriesFoundByUpperCasedNameDecodedAndRestored) {
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
    EXPECT_EQ((V{At(5, 1, 0), At(5, 0, 1)}), (V{0xFFDF, 0}));
    EXPECT_EQ(gkDraw::SwapPack(std::string(31, 'n').c_str(), 5, 2), 0);
    headless::FailLocks(-1);
    EXPECT_EQ(gkDraw::LoadPack("a.bmp", 2), 0);  // the staging lock fails: no report
    headless::FailLocks(0);
    for (int lost : {10, 9}) {
        headless::FailBlits(lost, DDERR_SURFACELOST);
        EXPECT_EQ(gkDraw::LoadPack("a.bmp", 2), lost == 10 ? 0 : 8);
    }
    EXPECT_EQ(At(8, 0, 0), 0xFFDFu);
    // Every failure reported once but the failed staging lock.
    EXPECT_EQ(gktest::Reports().Take().size(), 8u);

    // Entries are found by their upper-cased name, decoded and restored in place.
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
        EXPECT_EQ((V{At(4, 0, 0), At(4, 1, 0), At(5, 0, 0)}), want);
    }
    const SpriteObject& s = gkSprites[4];
    EXPECT_EQ(std::tuple(std::string(s.name), s.fromPack, s.placement, s.width + 10 * s.height),
              std::tuple(std::string("A.BMP"), 1, 2, 12));
    gkDraw::ReleaseObject(4);
    headless::LoseAllSurfaces();
    gkDraw::RestoreObjects();  // the reload stages through the free slot 4
    EXPECT_EQ(At(5, 0, 0), 1u);
    EXPECT_EQ(gkSprites[4].name[0] + gkSprites[6].name[0], 0);  // no staging slot left behind
    EXPECT_EQ(gkDraw::SwapPack("a.bmp", 1024, 2), 0);
    EXPECT_TRUE(Reports().Take().empty());
}

TEST_F(Sprites, ScreenshotsAndTheConverterWriteWholeFiles) {
    for (auto [format, color, bgr] :
         {std::tuple(PixelFormat::R5G6B5, 0xFFFFFFu, V{248, 248, 248}),
          std::tuple(PixelFormat::X8R8G8B8, 0x123456u, V{18, 52, 86})}) {
        Start(format);
        gktest::FillBack(color);
        ASSERT_EQ(gkDraw::SaveScreen("shot.bmp", 3, 1000), 1);  // the height is cut to 16
        Bytes want{'B', 'M'};
        for (uint32_t v :
             {58 + 12 * 16, 0, 58, 40, 3, 16, 1 | 24 << 16, 0, 12 * 16, 2834, 2834, 0, 0, 0})
            gktest::PutLE(want, v, 4);
        for (int i = 0; i < 12 * 16; ++i) want.push_back(i % 12 < 9 ? bgr[i % 3] : 0);
        EXPECT_EQ(Read("shot.bmp"), want);
    }
    EXPECT_EQ(gkDraw::SaveScreen("none.bmp", 0, 5), 0);
    EXPECT_EQ(gkDraw::SaveScreen("missing\\shot.bmp", 2, 2), 0);
    // No leftovers: the image, the screenshot.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);

    // The converter writes an entry for each image in the folder.
    Start(PixelFormat::X8R8G8B8);
    std::filesystem::create_directories(folder + "/Bmp/sub.bmp");  // a folder is no image
    Bmp("Bmp/dark.bmp", 4, 1, {0x070707, 0x080808, 0xFFFFFF, 0x3060C0});
    // On disk in UTF-8: 表.bmp (表 ends in the byte '\\'), and a name Shift-JIS cannot spell.
    for (const char* name : {"RED.BMP", "x.bmpx", "\xE8\xA1\xA8.bmp", "\xF0\x9F\x98\x80.bmp"})
        Bmp(std::string("Bmp/") + name, 2, 1, {0x0000FF, 0});
    // To 5 bits a channel; the too dark one gets blue 1 so as not to turn into the key.
    const Bytes once = Entry(2, 1, "RED.BMP", {0x7C00, 0}) +
                       Entry(4, 1, "DARK.BMP", {0x0001, 0x0421, 0x7FFF, 0x6186}) +
                       Entry(2, 1, "\x95\x5C.BMP", {0x7C00, 0});
    for (auto [fresh, want] : {std::pair(0, once), std::pair(0, once + once), std::pair(1, once)}) {
        ASSERT_EQ(gkDraw::Convert("out.pak", "bmp", fresh), 1);
        EXPECT_EQ(Read("out.pak"), want);
    }
    EXPECT_TRUE(headless::Boxes().empty());
    Start(PixelFormat::R5G6B5);
    EXPECT_EQ(gkDraw::Convert("out.pak", "", 1), 0);  // a 16-bit desktop
    EXPECT_EQ(gktest::Reports().Take(), Texts{"gkDraw::Convert : 画面をフルカラーにして下さい"});
}

}  // namespace
