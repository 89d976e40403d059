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
using Texts = std::vector<std::string>;

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
    // Fills the back screen with red, puts the slot's image at (0, 0) with its key and gives
    // the four pixels.
    static V PutKeyed(int slot) {
        Blt(gkScreen.Back, nullptr, nullptr, nullptr, DDBLT_COLORFILL, Pixel(kRed));
        EXPECT_EQ(BltFast(gkScreen.Back, 0, 0, gkSprites[slot].surface, nullptr,
                          DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
                  DD_OK);
        return Raws(gkScreen.Back, {{0, 0}, {1, 0}, {0, 1}, {1, 1}});
    }
    // The slot's stored key field and the raw key its surface uses.
    static std::tuple<uint32_t, uint32_t> Keys(int slot) {
        return {gkSprites[slot].colorKey, gkSprites[slot].surface->colorKey};
    }
    static Texts Errors() {
        Texts texts;
        for (const auto& box : headless::Boxes()) texts.push_back(box.text);
        return texts;
    }
    std::string image;
};

TEST_F(Sprites, SlotsNamesAndTheFullTable) {
    for (int i = 0; i < 6; ++i) EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2), 4 + i);
    EXPECT_STREQ(gkSprites[4].name, "img.bmp");
    EXPECT_EQ(std::tuple(gkSprites[4].width, gkSprites[4].height), std::tuple(2, 2));
    gkDraw::ReleaseObject(5);
    EXPECT_EQ(std::tuple(gkSprites[5].surface, gkSprites[5].name[0]), std::tuple(nullptr, 0));
    EXPECT_EQ(gkDraw::CreateObject(3, 5, 1), 5);  // the lowest free slot
    EXPECT_STREQ(gkSprites[5].name, "*");
    EXPECT_EQ(std::tuple(gkSprites[5].width, gkSprites[5].surface->height), std::tuple(3, 5));
    EXPECT_TRUE(gkSprites[5].surface->caps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_FALSE(gkSprites[4].surface->caps & DDSCAPS_SYSTEMMEMORY);

    // Names up to 30 characters.
    const std::string thirty = Bmp(std::string(26, 'n') + ".bmp", 1, 1, {kWhite});
    const std::string longer = Bmp(std::string(27, 'n') + ".bmp", 1, 1, {kWhite});
    EXPECT_EQ(gkDraw::LoadObject(thirty.c_str(), 2), 10);
    EXPECT_EQ(gkDraw::LoadObject(longer.c_str(), 2), 0);
    EXPECT_EQ(gkDraw::SwapObject(longer.c_str(), 10, 2), 0);
    EXPECT_STREQ(gkSprites[10].name, thirty.c_str());
    EXPECT_EQ(gkSprites[11].name[0], '\0');  // nothing claimed

    for (int slot = 11; slot < 1024; ++slot) ASSERT_EQ(gkDraw::CreateObject(1, 1, 1), slot);
    EXPECT_EQ(gkDraw::LoadObject(image.c_str(), 2), 0);
    EXPECT_EQ(gkDraw::CreateObject(1, 1, 1), 0);
    const std::string tooLong = "ファイル名またはリソース名が長すぎます";
    const std::string full = "オブジェクト数が多過ぎます";
    EXPECT_EQ(Errors(), (Texts{"gkDraw::LoadObject : " + tooLong, "gkDraw::SwapObject : " + tooLong,
                               "gkDraw::LoadObject : " + full, "gkDraw::CreateObject : " + full}));
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
              (Texts{load, load, load, load, "gkDraw::CreateObject : スプライトを作成できません",
                     "gkDraw::SwapObject : BMPファイルを読み込めません"}));
    // Claimed without a surface; releasing such a slot changes nothing.
    gkDraw::ReleaseObject(4);
    EXPECT_STREQ(gkSprites[4].name, "missing.bmp");
    EXPECT_EQ(gkSprites[4].surface, nullptr);
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

TEST_F(Sprites, KeysBlackByDefaultTheCornerKeyAndCopiedKeys) {
    for (PixelFormat format : {PixelFormat::X8R8G8B8, PixelFormat::R5G6B5}) {
        Restart();
        headless::UseDisplayFormat(format);
        ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
        const int slot = gkDraw::LoadObject(image.c_str(), 2);
        EXPECT_EQ(Keys(slot), std::tuple(0u, 0u));  // raw black: the red shows through
        EXPECT_EQ(PutKeyed(slot), (V{Pixel(kGreen), Pixel(kRed), Pixel(kWhite), Pixel(kGreen)}));
    }
    gkDraw::UseCornerColorKey();
    const int corner = gkDraw::LoadObject(image.c_str(), 2);
    EXPECT_EQ(Keys(corner), std::tuple(kCorner, Pixel(kGreen)));
    EXPECT_EQ(PutKeyed(corner), (V{Pixel(kRed), 0, Pixel(kWhite), Pixel(kRed)}));
    // A blank object keys on whatever its new surface holds at the top-left.
    EXPECT_EQ(Keys(gkDraw::CreateObject(2, 2, 2)), std::tuple(kCorner, 0u));

    gkDraw::SetDefaultColorKey(kWhite);  // ends the corner mode
    const int white = gkDraw::LoadObject(image.c_str(), 2);
    EXPECT_EQ(Keys(white), std::tuple(kWhite, Pixel(kWhite)));
    gkDraw::SetDefaultColorKey(kCorner);  // -1 acts as the corner key
    EXPECT_EQ(gkSprites[gkDraw::LoadObject(image.c_str(), 2)].surface->colorKey, Pixel(kGreen));
    gkDraw::SetObjectColorKey(white, kGreen);
    EXPECT_EQ(Keys(white), std::tuple(kGreen, Pixel(kGreen)));
    gkDraw::SetObjectCornerColorKey(white);
    EXPECT_EQ(gkSprites[white].colorKey, kCorner);
    // Matching a colour borrows the top-left pixel and puts it back.
    EXPECT_EQ(Raw(gkSprites[white].surface, 0, 0), Pixel(kGreen));

    // A copied key is used but not stored: a restore brings back the own key.
    gkDraw::SetObjectColorKey(white, kWhite);
    gkDraw::CopyColorKey(corner, white);
    EXPECT_EQ(Keys(corner), std::tuple(kCorner, Pixel(kWhite)));
    headless::LoseAllSurfaces();
    gkDraw::RestoreObjects();
    EXPECT_EQ(Keys(corner), std::tuple(kCorner, Pixel(kGreen)));
    EXPECT_EQ(Keys(white), std::tuple(kWhite, Pixel(kWhite)));
    // A surface that cannot be locked keys on all ones.
    headless::FailLocks(-1);
    gkDraw::SetObjectColorKey(white, kGreen);
    EXPECT_EQ(gkSprites[white].surface->colorKey, 0xFFFFFFFFu);
}

TEST_F(Sprites, RestoreReloadsFileObjectsIntoTheirSlots) {
    const int a = gkDraw::LoadObject(image.c_str(), 2);
    const int blank = gkDraw::CreateObject(2, 2, 1);
    gkDraw::UseCornerColorKey();
    const int b = gkDraw::LoadObject(image.c_str(), 2);
    gkDraw::SetDefaultColorKey(kWhite);
    Blt(gkSprites[blank].surface, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 5);
    headless::LoseAllSurfaces();

    gkDraw::RestoreObjects();
    for (Surface* s : {gkScreen.Primary, gkScreen.Back, gkSprites[3].surface})
        EXPECT_EQ(IsLost(s), DD_OK);
    for (int slot : {a, b}) {
        EXPECT_STREQ(gkSprites[slot].name, "img.bmp");
        EXPECT_EQ(Raws(gkSprites[slot].surface, {{0, 0}, {0, 1}}),
                  (V{Pixel(kGreen), Pixel(kWhite)}));
    }
    EXPECT_EQ(Keys(a), std::tuple(0u, 0u));
    EXPECT_EQ(Keys(b), std::tuple(kCorner, Pixel(kGreen)));
    // The blank object is usable again but not redrawn.
    EXPECT_EQ(IsLost(gkSprites[blank].surface), DD_OK);
    EXPECT_NE(Raw(gkSprites[blank].surface, 0, 0), 5u);
    // The default key is now the last reloaded object's (the corner key), not white.
    EXPECT_EQ(gkSprites[gkDraw::LoadObject(image.c_str(), 2)].colorKey, kCorner);

    // A swap keeps the slot number and takes this time's placement; Windows paths and 8-bit
    // files load in the display format.
    std::filesystem::create_directory(folder + "/bmp");
    Bmp("bmp/Other.bmp", 3, 1, {kRed, kGreen, kWhite}, 8);
    ASSERT_EQ(gkDraw::SwapObject("bmp\\other.bmp", a, 1), 1);
    const Surface* s = gkSprites[a].surface;
    EXPECT_STREQ(gkSprites[a].name, "bmp\\other.bmp");
    EXPECT_EQ(std::tuple(gkSprites[a].width, s->width, gkSprites[a].placement),
              std::tuple(3, 3, 2));
    EXPECT_TRUE(s->caps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_EQ(Raws(s, {{0, 0}, {1, 0}, {2, 0}}), (V{0xF800, 0x07E0, 0xFFFF}));
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
