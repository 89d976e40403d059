// Fonts: how the selections fill the font description and keep one selection open, the
// installed-font list and lookups by name, and the platform fonts: matching and sizing by GDI's
// rules, shared fonts and glyphs, Shift-JIS character lengths and the installed faces.
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "app/app.h"
#include "platform/font.h"
#include "support/back_screen.h"
#include "support/fixture.h"
#include "text/text.h"

namespace {

// Face, height, escapement, weight, italic, underline, character set.
using Fields = std::tuple<std::string, int, int, int, int, int, int>;

// A platform font for a normal Shift-JIS record of the face and height.
plat::Font Font(const char* face, int height) {
    plat::LogFont record{};
    record.height = height;
    record.weight = plat::FW_NORMAL;
    record.charSet = plat::SHIFTJIS_CHARSET;
    std::strncpy(record.faceName, face, sizeof(record.faceName) - 1);
    return plat::CreateFont(record);
}

class FontsTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
    }
    static Fields Record() {
        const plat::LogFont& r = *gkFont.Description;
        return {r.faceName, r.height, r.escapement, r.weight, r.italic, r.underline, r.charSet};
    }
    // Where text drawn in white on black at (100, 100) in face 1, 20 pixels high, leaves ink in
    // the region.
    static gktest::Box Ink(const char* text, int angle, int weight,
                           const std::tuple<int, int, int, int>& region = {0, 0, 640, 480}) {
        gktest::FillBack(0);
        gkDraw::SelectFont(1, 20, angle, weight, 0, 0);
        gkDraw::SetTextColors(0xFFFFFF, 0, 1);
        gkDraw::PutText(100, 100, text);
        gkDraw::ReleaseFont();
        return std::apply([](auto... r) { return gktest::Find(0xFFFFFF, r...); }, region);
    }
};

TEST_F(FontsTest, SelectionsFillTheRecordAndKeepOneSelectionOpen) {
    EXPECT_EQ(Record(), (Fields{"", 0, 0, 0, 0, 0, 0}));
    const struct {
        int face, height, angle, weight, italic, underline;
        Fields record;
    } selections[] = {
        {5, 12, 0, 0, 0, 0, {"", 12, 0, 400, 0, 0, 128}},  // another face first: no name
        {0, 24, 90, 1, 1, 1, {"標準明朝", 24, 900, 700, 1, 1, 128}},
        {2, -16, 0, 0, 0, 0, {"標準明朝", -16, 0, 400, 0, 0, 128}},           // the last name kept
        {1, 12, -45, 2, 0x101, 0, {"標準ゴシック", 12, -450, 0, 1, 0, 128}},  // italic a byte
    };
    for (const auto& s : selections) {
        gkDraw::SelectFont(s.face, s.height, s.angle, s.weight, s.italic, s.underline);
        EXPECT_EQ(Record(), s.record);
        // The open selection is closed first: one context on the back screen, with a font
        // that draws (the platform's default face when the record names none).
        EXPECT_EQ(std::tuple(gkFont.Surface, gkScreen.Back->lockCount),
                  std::tuple(gkScreen.Back, 1));
        EXPECT_GT(plat::TextWidth(gkFont.Current, "A", 1), 0);
    }
    gkDraw::SelectSpriteFont(0, 16);  // double size on the font buffer; the screen's closed
    EXPECT_EQ(Record(), (Fields{"標準明朝", 32, 0, 400, 0, 0, 128}));
    EXPECT_EQ(std::tuple(gkFont.Surface, gkScreen.Back->lockCount),
              std::tuple(gkSprites[3].surface, 0));
    gkDraw::ReleaseFont();  // the screen release leaves a sprite selection open
    EXPECT_NE(gkFont.Dc, nullptr);
    gkDraw::ReleaseSpriteFont();
    EXPECT_EQ(std::tuple(gkFont.Dc, gkSprites[3].surface->lockCount), std::tuple(nullptr, 0));
}

TEST_F(FontsTest, BoldAndEscapementShapeTheText) {
    const int normal = Ink("IIII", 0, 0).right;
    // A synthesised bold stamps each glyph again a pixel along: every advance and stroke + 1.
    EXPECT_EQ(Ink("IIII", 0, 1).right, normal + 4);
    EXPECT_EQ(Ink("IIII", 0, 2).right, normal);  // record weight 0: the default
    // Angle 90: the text runs upwards from (100, 100), about 10 pixels a character, inside
    // the 20-pixel-wide column.
    const gktest::Box up = Ink("ABCD", 90, 0, {50, 0, 150, 200});
    EXPECT_TRUE(up.left >= 99 && up.right <= 120 && up.bottom <= 100 && up.top <= 65);
}

TEST_F(FontsTest, ListOfInstalledFacesAndLookupsByName) {
    bool gothic = false, latin = false, localised = false;
    std::string previous;  // each family once, by name, none empty or past 31 bytes
    plat::EnumFonts([&](const plat::FaceInfo& face) {
        EXPECT_TRUE(previous < face.name && face.name.size() <= 31u) << face.name;
        previous = face.name;
        gothic |= face.name == "IPAGothic" && face.charSet == plat::SHIFTJIS_CHARSET;
        latin |= face.name == "DejaVu Sans" && face.charSet == plat::ANSI_CHARSET;
        localised |= face.name == "IPAゴシック";  // Japanese family names in Shift-JIS
        return true;
    });
    EXPECT_TRUE(gothic && latin && localised);
    // The first 200 faces are kept; a full list has no unused entry to find by an empty name.
    std::vector<plat::FaceInfo> faces;
    for (int i = 0; i < 250; ++i) faces.push_back({"Face" + std::to_string(i), uint8_t(i % 3)});
    faces[0].name.assign(40, 'L');  // longer than an entry holds
    plat::headless::SetInstalledFaces(faces);
    gkDraw::InitFonts();
    EXPECT_EQ(std::tuple(gkFont.Count, std::string(gkFont.List[0].Name), gkFont.List[0].CharSet,
                         std::string(gkFont.List[199].Name)),
              std::tuple(200, std::string(31, 'L'), 0, "Face199"));
    std::vector<int> sets;
    for (const char* name : {"", "Face200", "Face5"}) {
        gkDraw::SelectFontByName(name, 12, 0, 0, 0, 0);
        sets.push_back(std::get<6>(Record()));
    }
    // The first match wins, byte for byte; unlisted names are Shift-JIS; the empty name finds
    // the first unused entry.
    plat::headless::SetInstalledFaces(
        {{"Symbolic", 2}, {"Plain", 0}, {"Plain", 128}, {"IPAGothic", 128}});
    gkDraw::InitFonts();
    for (const char* name : {"Symbolic", "Plain", "plain", "Unlisted", ""}) {
        gkDraw::SelectFontByName(name, 12, 0, 0, 0, 0);
        sets.push_back(std::get<6>(Record()));
    }
    EXPECT_EQ(sets, (std::vector<int>{128, 128, 2, 2, 0, 128, 128, 0}));
    gkFont.Description->faceName[31] = 'z';  // as a game may leave the record
    gkDraw::SelectFontByName(std::string(60, 'x').c_str(), 12, 0, 0, 0, 0);
    EXPECT_EQ(std::get<0>(Record()), std::string(31, 'x'));  // cut to the record
    gkDraw::SelectSpriteFontByName("Symbolic", 10);
    EXPECT_EQ(Record(), (Fields{"Symbolic", 20, 0, 400, 0, 0, 2}));
    EXPECT_EQ(gkFont.Surface, gkSprites[3].surface);  // open on the font buffer
    gkDraw::ReleaseSpriteFont();

    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    gkDraw::FreeFonts();  // closes the open selection; without the record none opens
    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    gkDraw::PutMessage(0, 0, 100, 100, "A", 0);  // nor does a message
    EXPECT_EQ(std::tuple(gkFont.Dc, gkScreen.Back->lockCount), std::tuple(nullptr, 0));
}

// A drawn glyph is its bitmap in the ink colour over an untouched background, however it is
// drawn: by words from each offset to a word boundary, by runs in the bottom right corner and
// when wider than a row of words, in 16 and 32 bits.
TEST_F(FontsTest, DrawnGlyphsAreTheirBitmaps) {
    for (plat::PixelFormat format : {plat::PixelFormat::R5G6B5, plat::PixelFormat::X8R8G8B8}) {
        gktest::ResetFramework();
        gkApp.FullScreen = 0;  // a windowed screen takes the display's format
        plat::headless::UseDisplayFormat(format);
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        for (auto [text, height] : {std::pair{"W", 24}, {"表", 48}, {"表", 90}}) {
            const plat::Font font = Font("標準ゴシック", height);
            const plat::Glyph& g = plat::GetGlyph(font, text, int(strlen(text)));
            const int top = plat::GetFontMetrics(font).ascent - g.top;
            const int right = 640 - g.left - g.width, bottom = 480 - top - g.height;
            for (auto [x, y] : {std::pair{100, 0}, {101, 0}, {102, 0}, {103, 0}, {right, bottom}}) {
                gktest::FillBack(0x808080);
                gkDraw::SelectFont(1, height, 0, 0, 0, 0);
                gkDraw::SetTextColors(0xFFFFFF, 0, 1);
                gkDraw::PutText(x, y, text);
                gkDraw::ReleaseFont();
                const int left = x + g.left;
                for (int v = 0; v < top + g.height; ++v)
                    for (int u = std::max(left - 4, 0); u < std::min(left + g.width + 4, 640);
                         ++u) {
                        const bool ink = u >= left && u < left + g.width && v >= top &&
                                         g.pixels[size_t(v - top) * g.width + (u - left)];
                        ASSERT_EQ(gktest::BackAt(u, y + v),
                                  ink ? 0xFFFFFF : gktest::Stored(0x808080))
                            << text << height << " at " << x << ": " << u << "," << v;
                    }
            }
        }
    }
}

// Equal records share one font and its glyphs; a positive height is the cell, a negative one
// the em; a face asked for by name is the one used (proportional, where the standard faces are
// not); glyphs are monochrome; characters are one or two bytes.
TEST(PlatformFonts, SharedSizedByGdiRulesAndMonochrome) {
    plat::Font a = Font("標準ゴシック", 12);
    EXPECT_NE(Font("標準ゴシック", 13), a);
    EXPECT_EQ(&plat::GetGlyph(Font("標準ゴシック", 12), "表", 2), &plat::GetGlyph(a, "表", 2));
    for (int height : {8, 12, 24, 48}) {
        const plat::FontMetrics& cell = plat::GetFontMetrics(Font("標準明朝", height));
        EXPECT_EQ(std::tuple(cell.height, cell.ascent + cell.descent), std::tuple(height, height));
        EXPECT_GE(plat::GetFontMetrics(Font("標準明朝", -height)).height, height);
    }
    plat::Font named = Font("DejaVu Sans", 20), standard = Font("標準ゴシック", -20);
    EXPECT_LT(plat::TextWidth(named, "iiii", 4), plat::TextWidth(named, "WWWW", 4));
    EXPECT_EQ(plat::TextWidth(standard, "iiii", 4), plat::TextWidth(standard, "WWWW", 4));
    EXPECT_NEAR(plat::TextWidth(standard, "表", 2), 20, 1);
    const auto& w = plat::GetGlyph(standard, "W", 1).pixels;
    EXPECT_TRUE(std::count(w.begin(), w.end(), 1) > 20 &&
                std::all_of(w.begin(), w.end(), [](uint8_t p) { return p <= 1; }));
    const char* text = "A表ｱ";  // ASCII, a double-byte character, a half-width katakana
    EXPECT_EQ((std::vector<int>{plat::CharLength(text, 4), plat::CharLength(text + 1, 3),
                                plat::CharLength(text + 3, 1),
                                plat::CharLength(text + 1, 1)}),  // a lead byte cut off
              (std::vector<int>{1, 2, 1, 1}));
}

// Without any face to open, a font keeps the cell asked for and its glyphs are empty. fontconfig
// reads its configuration once per process: with fonts started earlier, the check is skipped.
TEST(PlatformFonts, WithoutAFaceGlyphsAreEmpty) {
    const std::string conf = testing::TempDir() + "gk-no-fonts.conf";
    std::ofstream(conf) << "<fontconfig></fontconfig>";
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
    const bool started = !plat::InstalledFaces().empty();
    const plat::Font none = Font("DejaVu Sans", 20);
    unsetenv("FONTCONFIG_FILE");
    if (started) GTEST_SKIP() << "fonts were started earlier in this process";
    const plat::FontMetrics& cell = plat::GetFontMetrics(none);
    EXPECT_EQ(std::tuple(cell.height, cell.ascent, plat::TextWidth(none, "AB", 2),
                         plat::GetGlyph(none, "A", 1).pixels.size()),
              std::tuple(20, 20, 0, 0u));
}

}  // namespace
