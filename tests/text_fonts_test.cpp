// Fonts: how the selections fill the font description, the installed-font list and lookups by
// name, the selection bracket, and that the platform font honours the record.
#include <cstring>
#include <string>
#include <tuple>

#include "draw/draw.h"
#include "support/back_screen.h"
#include "support/fixture.h"
#include "text/text.h"

namespace {

class FontsTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        ASSERT_NE(gkFont.Description, nullptr);
    }
    static const plat::LogFont& Record() { return *gkFont.Description; }
    static std::string Face() { return Record().faceName; }
    // Height, width, escapement, orientation, weight, italic, underline, character set.
    static auto Fields() {
        const plat::LogFont& r = Record();
        return std::tuple(int(r.height), int(r.width), int(r.escapement), int(r.orientation),
                          int(r.weight), int(r.italic), int(r.underline), int(r.charSet));
    }
    // Draws text in white on black with face 1, 20 pixels high unless given.
    static void Render(const char* text, int angle, int italic, int underline, int height = 20) {
        gktest::FillBack(0);
        gkDraw::SelectFont(1, height, angle, 0, italic, underline);
        gkDraw::SetTextColors(0xFFFFFF, 0, 1);
        gkDraw::PutText(100, 100, text);
        gkDraw::ReleaseFont();
    }
};

TEST_F(FontsTest, SetUpMakesAnEmptyRecordAndSelectionsFillIt) {
    EXPECT_EQ(sizeof(plat::LogFont), 60u);
    plat::LogFont zero{};
    EXPECT_EQ(std::memcmp(gkFont.Description, &zero, sizeof zero), 0);
    // The first selection with another face has an empty name; the platform's default face
    // for Shift-JIS still draws.
    gktest::FillBack(0);
    gkDraw::SelectFont(5, 12, 0, 0, 0, 0);
    EXPECT_EQ(Face(), "");
    gkDraw::SetTextColors(0xFFFFFF, 0, 1);
    gkDraw::PutText(10, 10, "A");
    EXPECT_GE(gktest::Find(0xFFFFFF, 10, 10, 20, 22).right, 10);

    gkDraw::SelectFont(0, 24, 90, 1, 1, 1);  // reselecting closes the open selection
    EXPECT_EQ(Face(), "標準明朝");
    EXPECT_EQ(Fields(), std::tuple(24, 0, 900, 0, 700, 1, 1, 128));
    EXPECT_EQ(gkFont.Surface, gkScreen.Back);
    gkDraw::ReleaseFont();
    EXPECT_EQ(std::tuple(gkFont.Dc, gkScreen.Back->lockCount), std::tuple(nullptr, 0));
    gkDraw::SelectFont(2, -16, 0, 0, 0, 0);  // face 2 keeps the last name
    EXPECT_EQ(Face(), "標準明朝");
    EXPECT_EQ(Fields(), std::tuple(-16, 0, 0, 0, 400, 0, 0, 128));
    gkDraw::SelectFont(1, 12, -45, 2, 0x101, 0);  // italic used as a byte
    EXPECT_EQ(Face(), "標準ゴシック");
    EXPECT_EQ(Fields(), std::tuple(12, 0, -450, 0, 0, 1, 0, 128));

    // A sprite selection doubles the size on the font buffer.
    gkDraw::SelectSpriteFont(1, 16);
    EXPECT_EQ(Fields(), std::tuple(32, 0, 0, 0, 400, 0, 0, 128));
    EXPECT_EQ(gkFont.Surface, gkSprites[3].surface);
    EXPECT_EQ(gkScreen.Back->lockCount, 0);
    plat::Size size{};
    plat::GetTextExtentPoint32(gkFont.Dc, "A", 1, &size);
    EXPECT_EQ(size.cy, 32);
    gkDraw::ReleaseFont();  // the screen release leaves a sprite selection open
    EXPECT_NE(gkFont.Dc, nullptr);
    gkDraw::ReleaseSpriteFont();
    EXPECT_EQ(std::tuple(gkFont.Dc, gkSprites[3].surface->lockCount), std::tuple(nullptr, 0));
}

TEST_F(FontsTest, BoldItalicUnderlineAndEscapementShapeTheText) {
    auto extent = [](int weight) {
        gkDraw::SelectFont(1, 20, 0, weight, 0, 0);
        plat::Size size{};
        plat::GetTextExtentPoint32(gkFont.Dc, "IIII", 4, &size);
        gkDraw::ReleaseFont();
        return size.cx;
    };
    EXPECT_GT(extent(1), extent(0));
    EXPECT_EQ(extent(2), extent(0));  // weight 0 is the default, not bold
    // An upright "|" is vertical; the oblique one moves right going up.
    auto lean = [](int italic) {
        Render("|", 0, italic, 0, 40);
        const int top = gktest::Find(0xFFFFFF, 100, 108, 140, 109).left;
        EXPECT_LT(top, 140);
        return top - gktest::Find(0xFFFFFF, 100, 130, 140, 131).left;
    };
    EXPECT_EQ(lean(0), 0);
    EXPECT_GT(lean(1), 2);
    Render("--", 0, 0, 1);
    int underlined = 0;  // rows below the baseline that are white all along
    for (int y = 110; y < 120; ++y) underlined += gktest::Find(0, 101, y, 119, y + 1).right < 0;
    EXPECT_GE(underlined, 1);
    // Angle 90: the text runs upwards from (100, 100), inside the 20-pixel-wide column.
    Render("ABCD", 90, 0, 0);
    const gktest::Box ink = gktest::Find(0xFFFFFF, 50, 0, 150, 200);
    EXPECT_GE(ink.left, 99);
    EXPECT_LE(ink.right, 120);
    EXPECT_LE(ink.bottom, 100);
    EXPECT_LE(ink.top, 65);  // four characters of about 10 pixels each
}

TEST_F(FontsTest, ListOfInstalledFacesAndLookupsByName) {
    EXPECT_GT(gkFont.Count, 0);
    bool japanese = false;  // the IPA faces installed with the framework cover Japanese
    for (int i = 0; i < gkFont.Count; ++i)
        japanese |=
            std::strcmp(gkFont.List[i].Name, "IPAGothic") == 0 && gkFont.List[i].CharSet == 128;
    EXPECT_TRUE(japanese);
    // The first 200 faces are kept; a full list has no unused entry to find by an empty name.
    std::vector<plat::FaceInfo> faces;
    for (int i = 0; i < 250; ++i) faces.push_back({"Face" + std::to_string(i), uint8_t(i % 3)});
    plat::headless::SetInstalledFaces(faces);
    gkDraw::InitFonts();
    EXPECT_EQ(gkFont.Count, 200);
    EXPECT_STREQ(gkFont.List[199].Name, "Face199");
    std::vector<int> sets;
    for (const char* name : {"", "Face200", "Face5"}) {
        gkDraw::SelectFontByName(name, 12, 0, 0, 0, 0);
        sets.push_back(Record().charSet);
    }
    EXPECT_EQ(sets, (std::vector<int>{128, 128, 2}));

    plat::headless::SetInstalledFaces(
        {{"Symbolic", 2}, {"Plain", 0}, {"Plain", 128}, {"IPAGothic", 128}});
    gkDraw::InitFonts();
    ASSERT_EQ(gkFont.Count, 4);
    // The first match wins, byte for byte; unlisted names are Shift-JIS; the empty name finds
    // the first unused entry.
    sets.clear();
    for (const char* name : {"Symbolic", "Plain", "plain", "Unlisted", ""}) {
        gkDraw::SelectFontByName(name, 12, 0, 0, 0, 0);
        sets.push_back(Record().charSet);
    }
    EXPECT_EQ(sets, (std::vector<int>{2, 0, 128, 128, 0}));
    gkDraw::SelectFontByName(std::string(60, 'x').c_str(), 12, 0, 0, 0, 0);
    EXPECT_EQ(Face(), std::string(31, 'x'));  // cut to the record
    EXPECT_EQ(gkFont.Surface, gkScreen.Back);
    gkDraw::SelectSpriteFontByName("Symbolic", 10);  // the second selection closes the first
    EXPECT_EQ(std::tuple(Face(), int(Record().charSet), int(Record().height)),
              std::tuple("Symbolic", 2, 20));
    EXPECT_EQ(gkScreen.Back->lockCount, 0);
    gkDraw::ReleaseSpriteFont();

    // Without the record nothing happens.
    gkDraw::FreeFonts();
    gktest::FillBack(0);
    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    EXPECT_EQ(gkFont.Dc, nullptr);
    gkDraw::PrintText(0, 0, "1");
    EXPECT_EQ(gktest::BackAt(0, 0), 0u);
}

}  // namespace
