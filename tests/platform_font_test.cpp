// Platform fonts: matching and sizing by GDI's rules, the caches that make selecting a font and
// drawing a glyph cheap, Shift-JIS character lengths, and the installed-face list's character
// sets.
#include <cstring>

#include "platform/font.h"
#include "support/fixture.h"

namespace {

using FontTest = gktest::Framework;

plat::LogFont Record(const char* face, int height, int weight = plat::FW_NORMAL) {
    plat::LogFont record{};
    record.height = height;
    record.weight = weight;
    record.charSet = plat::SHIFTJIS_CHARSET;
    std::strncpy(record.faceName, face, sizeof(record.faceName) - 1);
    return record;
}

TEST_F(FontTest, EqualRecordsShareOneFontAndGlyphsAreRenderedOnce) {
    plat::Font a = plat::CreateFont(Record("標準ゴシック", 12));
    plat::Font b = plat::CreateFont(Record("標準ゴシック", 12));
    plat::Font c = plat::CreateFont(Record("標準ゴシック", 13));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    const plat::Glyph& first = plat::GetGlyph(a, "表", 2);
    EXPECT_EQ(&plat::GetGlyph(b, "表", 2), &first);
    EXPECT_GT(first.width, 0);
    plat::DeleteFont(a);
    plat::DeleteFont(b);
    plat::DeleteFont(c);
    // Still cached after its last user let go.
    EXPECT_EQ(plat::CreateFont(Record("標準ゴシック", 12)), a);
}

TEST_F(FontTest, PositiveHeightIsTheCellNegativeTheEm) {
    for (int height : {8, 12, 16, 24, 48}) {
        const plat::FontMetrics& cell =
            plat::GetFontMetrics(plat::CreateFont(Record("標準明朝", height)));
        EXPECT_EQ(cell.height, height);
        EXPECT_EQ(cell.ascent + cell.descent, height);
        const plat::FontMetrics& em =
            plat::GetFontMetrics(plat::CreateFont(Record("標準明朝", -height)));
        EXPECT_GE(em.height, height);
    }
    // A full-width character is about one em wide.
    plat::Font em = plat::CreateFont(Record("標準ゴシック", -20));
    EXPECT_NEAR(plat::TextWidth(em, "表", 2), 20, 1);
}

TEST_F(FontTest, GlyphsAreMonochrome) {
    const plat::Glyph& glyph = plat::GetGlyph(plat::CreateFont(Record("標準ゴシック", 24)), "W", 1);
    ASSERT_GT(glyph.pixels.size(), 0u);
    int ink = 0;
    for (uint8_t p : glyph.pixels) {
        ASSERT_LE(p, 1);
        ink += p;
    }
    EXPECT_GT(ink, 20);
}

TEST_F(FontTest, CharactersAreOneOrTwoBytes) {
    const char* text = "A表ｱ";  // ASCII, a double-byte character, a half-width katakana
    int length = static_cast<int>(std::strlen(text));
    ASSERT_EQ(length, 4);
    EXPECT_EQ(plat::CharLength(text, length), 1);
    EXPECT_EQ(plat::CharLength(text + 1, length - 1), 2);
    EXPECT_EQ(plat::CharLength(text + 3, 1), 1);
    EXPECT_EQ(plat::CharLength(text + 1, 1), 1);  // a lead byte cut off at the end
    plat::Font font = plat::CreateFont(Record("標準ゴシック", 16));
    // Half-width katakana are half as wide as full-width characters.
    EXPECT_NEAR(plat::TextWidth(font, text + 3, 1) * 2, plat::TextWidth(font, text + 1, 2), 1);
}

TEST_F(FontTest, InstalledFacesCarryTheirCharacterSets) {
    bool gothic = false, latin = false;
    plat::EnumFonts([&](const plat::FaceInfo& face) {
        EXPECT_LE(face.name.size(), 31u);
        if (face.name == "IPAGothic") gothic = face.charSet == plat::SHIFTJIS_CHARSET;
        if (face.name == "DejaVu Sans") latin = face.charSet == plat::ANSI_CHARSET;
        return true;
    });
    EXPECT_TRUE(gothic);
    EXPECT_TRUE(latin);
    // Japanese family names are listed in Shift-JIS.
    bool localised = false;
    for (const plat::FaceInfo& face : plat::InstalledFaces())
        localised |= face.name == "IPAゴシック";
    EXPECT_TRUE(localised);

    int calls = 0;
    plat::EnumFonts([&](const plat::FaceInfo&) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);

    plat::headless::SetInstalledFaces({{"Only", plat::SYMBOL_CHARSET}});
    ASSERT_EQ(plat::InstalledFaces().size(), 1u);
    EXPECT_EQ(plat::InstalledFaces()[0].charSet, plat::SYMBOL_CHARSET);
}

}  // namespace
