// Platform fonts: matching and sizing by GDI's rules, the caches that make selecting a font and
// drawing a glyph cheap, Shift-JIS character lengths, and the installed-face list's character
// sets.
#include <cstring>

#include "platform/font.h"
#include "support/fixture.h"

namespace {

using FontTest = gktest::Framework;

plat::Font Font(const char* face, int height) {
    plat::LogFont record{};
    record.height = height;
    record.weight = plat::FW_NORMAL;
    record.charSet = plat::SHIFTJIS_CHARSET;
    std::strncpy(record.faceName, face, sizeof(record.faceName) - 1);
    return plat::CreateFont(record);
}

TEST_F(FontTest, EqualRecordsShareOneFontSizedByGdiRulesWithMonochromeGlyphs) {
    plat::Font a = Font("標準ゴシック", 12);
    EXPECT_EQ(Font("標準ゴシック", 12), a);
    EXPECT_NE(Font("標準ゴシック", 13), a);
    const plat::Glyph& first = plat::GetGlyph(a, "表", 2);
    EXPECT_EQ(&plat::GetGlyph(Font("標準ゴシック", 12), "表", 2), &first);
    // A positive height is the cell, a negative one the em.
    for (int height : {8, 12, 24, 48}) {
        const plat::FontMetrics& cell = plat::GetFontMetrics(Font("標準明朝", height));
        EXPECT_EQ(std::tuple(cell.height, cell.ascent + cell.descent), std::tuple(height, height));
        EXPECT_GE(plat::GetFontMetrics(Font("標準明朝", -height)).height, height);
    }
    EXPECT_NEAR(plat::TextWidth(Font("標準ゴシック", -20), "表", 2), 20, 1);
    // A face asked for by name is the one used: proportional, where the standard faces are not.
    plat::Font named = Font("DejaVu Sans", 20), standard = Font("標準ゴシック", 20);
    EXPECT_LT(plat::TextWidth(named, "iiii", 4), plat::TextWidth(named, "WWWW", 4));
    EXPECT_EQ(plat::TextWidth(standard, "iiii", 4), plat::TextWidth(standard, "WWWW", 4));
    int ink = 0;
    for (uint8_t p : plat::GetGlyph(Font("標準ゴシック", 24), "W", 1).pixels) {
        ASSERT_LE(p, 1);
        ink += p;
    }
    EXPECT_GT(ink, 20);
}

TEST_F(FontTest, CharactersAreOneOrTwoBytes) {
    const char* text = "A表ｱ";  // ASCII, a double-byte character, a half-width katakana
    EXPECT_EQ((std::vector<int>{plat::CharLength(text, 4), plat::CharLength(text + 1, 3),
                                plat::CharLength(text + 3, 1),
                                plat::CharLength(text + 1, 1)}),  // a lead byte cut off
              (std::vector<int>{1, 2, 1, 1}));
    plat::Font font = Font("標準ゴシック", 16);
    EXPECT_NEAR(plat::TextWidth(font, text + 3, 1) * 2, plat::TextWidth(font, text + 1, 2), 1);
}

TEST_F(FontTest, InstalledFacesCarryTheirCharacterSets) {
    bool gothic = false, latin = false, localised = false;
    plat::EnumFonts([&](const plat::FaceInfo& face) {
        EXPECT_LE(face.name.size(), 31u);
        gothic |= face.name == "IPAGothic" && face.charSet == plat::SHIFTJIS_CHARSET;
        latin |= face.name == "DejaVu Sans" && face.charSet == plat::ANSI_CHARSET;
        localised |= face.name == "IPAゴシック";  // Japanese family names in Shift-JIS
        return true;
    });
    EXPECT_TRUE(gothic && latin && localised);
    int calls = 0;
    plat::EnumFonts([&](const plat::FaceInfo&) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);
}

}  // namespace
