// The sprite object table on the headless display: slot numbering, names, the full table,
// colour keys and their defaults, reloading after lost surfaces, and every load failure.
#include <filesystem>
#include <string>
#include <tuple>

#include "app/app.h"
#include "platform/window.h"
#include "support/back_screen.h"
#include "support/draw_files.h"

namespace {

using namespace plat;
using gktest::Raw;
using gktest::Raws;
using V = std::vector<uint32_t>;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kWhite = 0xFFFFFF, kCorner = 0xFFFFFFFF;

class Sprites : public gktest::DrawFiles {
  protected:
    void SetUp() override {
        DrawFiles::SetUp();
        ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
        // 2x2: green at the top-left, black, white, green.
        image = Bmp("img.bmp", 2, 2, {kGreen, 0, kWhite, kGreen});
    }
    static uint32_t Pixel(uint32_t color) { return ColorToPixel(DisplayFormat(), color); }
    // Fills the back screen with red and puts the slot's image at (0, 0) with its key.
    void PutKeyed(int slot) {
        Blt(gkScreen.Back, nullptr, nullptr, nullptr, DDBLT_COLORFILL, Pixel(kRed));
        ASSERT_EQ(BltFast(gkScreen.Back, 0, 0, gkSprites[slot].surface, nullptr,
                          DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
                  DD_OK);
    }
    // The slot's stored key field and the raw key its surface uses.
    static std::pair<uint32_t, uint32_t> Keys(int slot) {
        return {gkSprites[slot].colorKey, gkSprites[slot].surface->colorKey};
    }
    std::vector<std::string> Errors() {
        std::vector<std::string> texts;
        for (const auto& box : headless::Boxes()) texts.push_back(box.text);
        return texts;
    }
    std::string image;
};

TEST_F(Sprites, SlotsAreHandedOutLowestFreeFirst) {
    for (int i = 0; i < 6; ++i) EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2), 4 + i);
    const SpriteObject& s = gkSprites[4];
    EXPECT_STREQ(s.name, "img.bmp");
    EXPECT_EQ(std::tuple(s.width, s.height), std::tuple(2, 2));
    gkDraw::ReleaseObject(5);
    EXPECT_EQ(std::tuple(gkSprites[5].surface, gkSprites[5].name[0]), std::tuple(nullptr, '\0'));
    EXPECT_EQ(gkDraw::CreateObject(3, 5, 1), 5);
    EXPECT_STREQ(gkSprites[5].name, "*");
    EXPECT_EQ(std::tuple(gkSprites[5].width, gkSprites[5].surface->height), std::tuple(3, 5));
    EXPECT_TRUE(gkSprites[5].surface->caps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_FALSE(gkSprites[4].surface->caps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_EQ(gkDraw::CreateObject(1, 1, 2), 10);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Sprites, ImagesLoadInTheDisplayFormatThroughWindowsPaths) {
    std::filesystem::create_directory(folder + "/bmp");
    Bmp("bmp/Block.bmp", 2, 2, {kRed, kGreen, kWhite, 0}, 8);
    int slot = gkDraw::LoadObject("bmp\\block.bmp", 2);
    ASSERT_EQ(slot, 4);
    const Surface* s = gkSprites[slot].surface;
    EXPECT_EQ(Raws(s, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}), (V{0xF800, 0x07E0, 0xFFFF, 0}));
}

TEST_F(Sprites, NamesUpToThirtyCharacters) {
    std::string thirty = Bmp(std::string(26, 'n') + ".bmp", 1, 1, {kWhite});
    ASSERT_EQ(thirty.size(), 30u);
    EXPECT_EQ(gkDraw::LoadObject(thirty.c_str(), 2), 4);
    std::string longer = Bmp(std::string(27, 'n') + ".bmp", 1, 1, {kWhite});
    EXPECT_EQ(gkDraw::LoadObject(longer.c_str(), 2), 0);
    EXPECT_EQ(gkDraw::SwapObject(longer.c_str(), 4, 2), 0);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "gkDraw::LoadObject : ファイル名またはリソース名が長すぎます",
                            "gkDraw::SwapObject : ファイル名またはリソース名が長すぎます"}));
    EXPECT_EQ(gkSprites[5].name[0], '\0');  // nothing claimed
    EXPECT_STREQ(gkSprites[4].name, thirty.c_str());
    EXPECT_NE(gkSprites[4].surface, nullptr);
}

TEST_F(Sprites, FullTable) {
    for (int slot = 4; slot < 1024; ++slot) ASSERT_EQ(gkDraw::CreateObject(1, 1, 1), slot);
    EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2), 0);
    EXPECT_EQ(gkDraw::CreateObject(1, 1, 1), 0);
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{"gkDraw::LoadObject : オブジェクト数が多過ぎます",
                                        "gkDraw::CreateObject : オブジェクト数が多過ぎます"}));
}

TEST_F(Sprites, LoadFailuresAreReportedAndKeepTheSlotClaimed) {
    Bmp("bad.bmp", 4, 4, std::vector<uint32_t>(16, kWhite));
    std::filesystem::resize_file(folder + "/bad.bmp", 60);  // truncated
    gktest::WriteFile(folder + "/text.bmp", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(gkDraw::LoadObject("missing.bmp", 2), 0);
    EXPECT_EQ(gkDraw::LoadObject("bad.bmp", 2), 0);
    EXPECT_EQ(gkDraw::LoadObject("text.bmp", 2), 0);
    headless::FailSurfaceCreation(1);
    EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2), 0);
    headless::FailSurfaceCreation(1);
    EXPECT_EQ(gkDraw::CreateObject(8, 8, 2), 0);
    ASSERT_EQ(gkDraw::LoadObject(image.c_str(), 2), 9);
    EXPECT_EQ(gkDraw::SwapObject("missing.bmp", 9, 2), 0);
    const std::string load = "gkDraw::LoadObject : BMPファイルを読み込めません";
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{load, load, load, load,
                                        "gkDraw::CreateObject : スプライトを作成できません",
                                        "gkDraw::SwapObject : BMPファイルを読み込めません"}));
    // Claimed without a surface; releasing such a slot changes nothing.
    EXPECT_STREQ(gkSprites[4].name, "missing.bmp");
    EXPECT_EQ(gkSprites[4].surface, nullptr);
    gkDraw::ReleaseObject(4);
    EXPECT_STREQ(gkSprites[4].name, "missing.bmp");
    EXPECT_STREQ(gkSprites[8].name, "*");
    EXPECT_EQ(gkSprites[8].width, 8);
    EXPECT_STREQ(gkSprites[9].name, "missing.bmp");
    EXPECT_EQ(gkSprites[9].surface, nullptr);
    // Key operations on a slot without an image store the field and touch nothing else.
    gkDraw::SetObjectColorKey(4, kWhite);
    EXPECT_EQ(gkSprites[4].colorKey, kWhite);
    gkDraw::SetObjectCornerColorKey(9);
    gkDraw::CopyColorKey(4, 9);
    gkDraw::CopyColorKey(0, 4);
    EXPECT_EQ(gkSprites[0].surface->colorKey, 0u);
}

TEST_F(Sprites, BlackIsTransparentByDefault) {
    for (PixelFormat format : {PixelFormat::R5G6B5, PixelFormat::X8R8G8B8}) {
        Restart();
        headless::UseDisplayFormat(format);
        ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
        int slot = gkDraw::LoadObject(image.c_str(), 2);
        EXPECT_EQ(Keys(slot), std::pair(0u, 0u));  // raw black
        PutKeyed(slot);
        // Black left the red showing.
        EXPECT_EQ(Raws(gkScreen.Back, {{0, 0}, {1, 0}, {0, 1}}),
                  (V{Pixel(kGreen), Pixel(kRed), Pixel(kWhite)}));
        gkDraw::Release();
    }
}

TEST_F(Sprites, CornerKeyAndItsSwitch) {
    gkDraw::UseCornerColorKey();
    int corner = gkDraw::LoadObject(image.c_str(), 2);
    EXPECT_EQ(Keys(corner), std::pair(kCorner, Pixel(kGreen)));
    PutKeyed(corner);
    EXPECT_EQ(Raws(gkScreen.Back, {{0, 0}, {1, 0}, {1, 1}}), (V{Pixel(kRed), 0, Pixel(kRed)}));
    // A blank object keys on whatever its new surface holds at the top-left.
    int blank = gkDraw::CreateObject(2, 2, 2);
    EXPECT_EQ(Keys(blank), std::pair(kCorner, 0u));

    gkDraw::SetDefaultColorKey(kWhite);  // ends the corner mode
    int white = gkDraw::LoadObject(image.c_str(), 2);
    EXPECT_EQ(Keys(white), std::pair(kWhite, Pixel(kWhite)));
    gkDraw::SetDefaultColorKey(kCorner);  // -1 acts as the corner key
    EXPECT_EQ(gkSprites[gkDraw::LoadObject(image.c_str(), 2)].surface->colorKey, Pixel(kGreen));

    gkDraw::SetObjectColorKey(white, kGreen);
    EXPECT_EQ(Keys(white), std::pair(kGreen, Pixel(kGreen)));
    gkDraw::SetObjectCornerColorKey(white);
    EXPECT_EQ(gkSprites[white].colorKey, kCorner);
    // Matching a colour borrows the top-left pixel and puts it back.
    EXPECT_EQ(Raw(gkSprites[white].surface, 0, 0), Pixel(kGreen));
    // A surface that cannot be locked keys on all ones.
    headless::FailLocks(-1);
    gkDraw::SetObjectColorKey(white, kWhite);
    EXPECT_EQ(gkSprites[white].surface->colorKey, 0xFFFFFFFFu);
}

TEST_F(Sprites, CopiedKeysAreNotStoredAndRestoreBringsBackTheOwnKey) {
    int red = gkDraw::LoadObject(image.c_str(), 2);
    gkDraw::SetObjectColorKey(red, kWhite);
    int plain = gkDraw::LoadObject(image.c_str(), 2);
    gkDraw::CopyColorKey(plain, red);
    EXPECT_EQ(Keys(plain), std::pair(0u, Pixel(kWhite)));
    PutKeyed(plain);
    EXPECT_EQ(Raws(gkScreen.Back, {{0, 1}, {1, 0}}), (V{Pixel(kRed), 0}));  // white is keyed

    headless::LoseAllSurfaces();
    gkDraw::RestoreObjects();
    EXPECT_EQ(gkSprites[plain].surface->colorKey, 0u);
    EXPECT_EQ(gkSprites[red].surface->colorKey, Pixel(kWhite));
}

TEST_F(Sprites, RestoreReloadsFileObjectsIntoTheirSlots) {
    int a = gkDraw::LoadObject(image.c_str(), 2);
    int blank = gkDraw::CreateObject(2, 2, 1);
    gkDraw::UseCornerColorKey();
    int b = gkDraw::LoadObject(image.c_str(), 2);
    gkDraw::SetDefaultColorKey(kWhite);
    Blt(gkSprites[blank].surface, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 5);
    headless::LoseAllSurfaces();

    gkDraw::RestoreObjects();
    for (Surface* s : {gkScreen.Primary, gkScreen.Back}) EXPECT_EQ(IsLost(s), DD_OK);
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(IsLost(gkSprites[slot].surface), DD_OK);
    for (int slot : {a, b}) {
        ASSERT_NE(gkSprites[slot].surface, nullptr);
        EXPECT_STREQ(gkSprites[slot].name, "img.bmp");
        EXPECT_EQ(Raws(gkSprites[slot].surface, {{0, 0}, {0, 1}}),
                  (V{Pixel(kGreen), Pixel(kWhite)}));
    }
    EXPECT_EQ(Keys(a), std::pair(0u, 0u));
    EXPECT_EQ(Keys(b), std::pair(kCorner, Pixel(kGreen)));
    // The blank object is usable again but not redrawn.
    EXPECT_EQ(IsLost(gkSprites[blank].surface), DD_OK);
    EXPECT_STREQ(gkSprites[blank].name, "*");
    EXPECT_NE(Raw(gkSprites[blank].surface, 0, 0), 5u);
    // The default key is now the last reloaded object's (the corner key), not white.
    EXPECT_EQ(gkSprites[gkDraw::LoadObject(image.c_str(), 2)].colorKey, kCorner);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Sprites, SwapKeepsTheSlotNumber) {
    int slot = gkDraw::LoadObject(image.c_str(), 1);
    std::string other = Bmp("other.bmp", 3, 1, {kRed, kRed, kRed});
    ASSERT_EQ(gkDraw::SwapObject(other.c_str(), slot, 1), 1);
    EXPECT_STREQ(gkSprites[slot].name, "other.bmp");
    EXPECT_EQ(std::tuple(gkSprites[slot].width, gkSprites[slot].surface->width,
                         gkSprites[slot].placement),
              std::tuple(3, 3, 2));
    EXPECT_TRUE(gkSprites[slot].surface->caps & DDSCAPS_SYSTEMMEMORY);  // as asked this time
    EXPECT_EQ(Raw(gkSprites[slot].surface, 2, 0), Pixel(kRed));
    EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2), slot + 1);
}

}  // namespace
