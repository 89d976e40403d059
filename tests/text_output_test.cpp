// Text output on the back screen: prints, rectangle text, and message boxes (layout, typewriter
// reveal, the smooth variant on 16- and 32-bit displays).
#include <climits>
#include <cstdio>
#include <string>

#include "support/back_screen.h"
#include "support/fixture.h"
#include "system/system.h"
#include "text/text.h"

namespace {

using namespace gktest;

constexpr uint32_t kGreen = 0x00FF00, kInk = 0x0000FF, kShade = 0xFF0000;

class TextTest : public Framework {
  protected:
    void SetUp() override {
        Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        FillBack(kGreen);
        wide = Width("あ", 16), narrow = Width("A", 16);
    }
    // The advance of text in face 1, at the print style's height unless given.
    static int Width(const char* text, int height = 12) {
        gkDraw::SelectFont(1, height, 0, 0, 0, 0);
        const int width = plat::TextWidth(gkFont.Current, text, static_cast<int>(strlen(text)));
        gkDraw::ReleaseFont();
        return width;
    }
    // Draws text in (100, 100)-(300, 300) with the given alignment; returns the glyphs' bounds.
    static Box Draw(const char* text, int align) {
        FillBack(0);
        gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
        gkDraw::SetTextColors(0xFFFFFF, 0, 1);
        gkDraw::PutTextRect(100, 100, 300, 300, text, align);
        gkDraw::ReleaseFont();
        return Find(0xFFFFFF);
    }
    // A message from (100, 50) inside its own screen selection, over a green back screen.
    static void Put(const std::string& text, int right, int bottom, uint16_t flags,
                    uint32_t ink = kInk) {
        FillBack(kGreen);
        gkDraw::SelectFont(1, 16, 0, 0, 0, 0);
        gkDraw::SetTextColors(ink, kShade, 1);
        gkDraw::PutMessage(100, 50, right, bottom, text.c_str(), flags);
        EXPECT_EQ(gkFont.Surface, gkScreen.Back);  // the caller's selection is open again
        gkDraw::ReleaseFont();
    }
    static auto Cell(int k) {
        const plat::Rect& r = gkMessage.Glyphs[k];
        return std::tuple(r.left, r.top, r.right, r.bottom);
    }
    int wide = 0, narrow = 0;  // message cells of "あ" and "A"
};

TEST_F(TextTest, PrintsInCellsOpaqueOrTransparentWholeCharacters) {
    gkDraw::PrintFormat(300, 50, "%d", 1);  // white on dark blue, the selection closed again
    EXPECT_EQ(gkFont.Dc, nullptr);
    const Box cell = Find(Stored(0x800000)), glyph = Find(0xFFFFFF);
    EXPECT_EQ(cell.Edges(), std::tuple(300, 50, 300 + Width("1") - 1, 61));
    EXPECT_TRUE(glyph.left >= 300 && glyph.right <= cell.right && glyph.top >= 50 &&
                glyph.bottom <= 61 && glyph.bottom - glyph.top > 5);  // a digit, not a dot

    // Transparent text keeps the background; both lines have the same glyph pixels.
    FillBack(kGreen);
    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    for (int opaque : {0, 1}) {
        gkDraw::SetTextColors(0xFF, 0xFF0000, 1 - opaque);
        gkDraw::PutText(10, 10 + 20 * opaque, "88");
    }
    gkDraw::ReleaseFont();
    const int width = Width("88");
    EXPECT_EQ(Find(0xFF0000).Edges(), std::tuple(10, 30, 10 + width - 1, 41));
    for (int y = 10; y < 22; ++y)
        for (int x = 10; x < 10 + width; ++x)
            ASSERT_EQ(BackAt(x, y), BackAt(x, y + 20) == 0xFF ? 0xFF : Stored(kGreen)) << x << y;

    // "表" is 0x95 0x5C: its trail byte is the backslash. The pair is one character.
    const int first = Width("表");
    EXPECT_EQ(std::tuple(Width("表示"), Width("示")), std::tuple(2 * first, first));
    gkDraw::PrintText(100, 100, "表示");
    gkDraw::PrintText(100, 200, "表");
    gkDraw::PrintText(100 + first, 200, "示");
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 2 * first; ++x)
            ASSERT_EQ(BackAt(100 + x, 100 + y), BackAt(100 + x, 200 + y)) << x << "," << y;

    // Steps outside a selection draw nothing.
    FillBack(kGreen);
    gkDraw::PutText(0, 0, "1");
    gkDraw::PutTextRect(0, 0, 100, 100, "1", 0);
    EXPECT_EQ(Find(0xFF).right + Find(0xFF0000).right, -2);
}

// The print formats %d, %s, %c and %% itself and the rest through the C library: both draw
// what snprintf makes, cut to 255 bytes (the 255 ones' cells end at x = 300).
TEST_F(TextTest, FormattedPrintDrawsWhatSnprintfMakes) {
    const auto expectSame = [](int x, const char* format, auto... args) {
        FillBack(kGreen);
        gkDraw::PrintFormat(x, 0, format, args...);
        const plat::PixelBuffer printed = gkScreen.Back->pixels;
        char text[256];
        std::snprintf(text, sizeof text, format, args...);
        FillBack(kGreen);
        gkDraw::PrintText(x, 0, text);
        EXPECT_TRUE(gkScreen.Back->pixels == printed) << format;
    };
    const std::string ones(254, '1');
    expectSame(300 - 255 * Width("1"), "%s%d", ones.c_str(), 12345);
    expectSame(0, "%d|%d|%d%%%c%s.", INT_MIN, -7, 0, 'x', "ab");
    expectSame(0, "%5d|%x|%-3s|%", 42, 255, "a");
}

// Alignment within (100, 100)-(300, 300); several lines keep the rectangle's width, one line
// takes its own; each of CR LF, CR and LF ends a line; a word wider than the rectangle and
// full-width characters break between characters, as many per line as fit.
TEST_F(TextTest, RectangleTextIsAlignedBrokenAndMeasured) {
    const Box left = Draw("HH", 0), centre = Draw("HH", 1), right = Draw("HH", 2);
    const int width = Width("HH");
    EXPECT_TRUE(left.left >= 100 && left.left < 103 && right.right < 300);
    EXPECT_EQ(std::tuple(centre.left - left.left, right.left - left.left, centre.top, right.top),
              std::tuple((200 - width) / 2, 200 - width, left.top, left.top));
    EXPECT_EQ(Draw("HH", 3).right, -1);
    const std::string half(100 / Width("H") + 1, 'H');  // two do not fit on a line
    const Box two = Draw((half + " " + half).c_str(), 0);
    EXPECT_TRUE(two.right < 100 + Width(half.c_str()) && two.bottom > 112);  // broken at the space

    std::string words, text, word(60, 'H');
    for (int i = 0; i < 15; ++i) words += "HHHH ", text += "表示";
    const int perLine = (200 + Width(" ")) / Width("HHHH "), perRow = 200 / Width("表");
    const int letters = 200 / Width("H");
    const std::tuple<std::string, int, int> measured[] = {
        {words, 100 + 12 * ((15 + perLine - 1) / perLine), 300},
        {"A\r\nB\rC\n\nD", 160, 300},
        {"A\n", 112, 100 + Width("A")},  // no empty line after the last break
        {"", 112, 100},
        {word, 100 + 12 * ((60 + letters - 1) / letters), 300},
        {text, 100 + 12 * ((30 + perRow - 1) / perRow), 300},
    };
    for (const auto& [m, bottom, right] : measured) {
        gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
        gkDraw::MeasureTextRect(100, 100, 300, 300, m.c_str());
        gkDraw::ReleaseFont();
        EXPECT_EQ(std::tuple(gkText.Measured.bottom, gkText.Measured.right),
                  std::tuple(bottom, right))
            << m;
    }
}

TEST_F(TextTest, LayoutRules) {
    const int w = wide, a = narrow;
    // Text, flags, the box's right and bottom from (100, 50); entries with the box, the last
    // glyph cell, the grown box's right.
    using Row =
        std::tuple<std::string, uint16_t, int, int, int, std::tuple<int, int, int, int>, int>;
    const Row cases[] = {
        {"ああ。", 0, 100 + 2 * w, 400, 3, {100 + w, 50, 100 + 2 * w, 66}, 100 + 3 * w},  // hangs
        {"ああA", 0, 100 + 2 * w, 400, 4, {100, 66, 100 + a, 82}, 100 + 2 * w},  // next line
        {"あ\n\nあ", 0, 400, 400, 3, {100, 82, 100 + w, 98}, 100 + w},           // empty line
        {"あ\nあ", 0x0005, 400, 400, 3, {100, 71, 100 + w, 87}, 100 + w},        // spacing
        {"あ\nあ", 0x0100, 400, 400, 3, {100, 67, 101 + w, 84}, 101 + w},        // shadow
        {"あ\nあ\nあ", 0, 400, 82, 2, {100, 50, 100 + w, 66}, 100 + w},          // bottom cut
        {"ああ", 0, 400, 55, 3, {100 + w, 50, 100 + 2 * w, 66}, 100 + 2 * w},    // first line
        {"ああ", 0, 100 + w / 2, 400, 3, {100, 66, 100 + w, 82}, 100 + w},       // wider than box
    };
    for (const auto& [text, flags, right, bottom, count, last, boxRight] : cases) {
        Put(text, right, bottom, flags);
        EXPECT_EQ(std::tuple(gkMessage.Count, Cell(gkMessage.Count - 1), gkMessage.Glyphs[0].right),
                  std::tuple(count, last, boxRight))
            << text.substr(0, 12);
        const int ink = Find(kInk).right;  // drawn, hanging included
        EXPECT_TRUE(ink < boxRight && ink >= boxRight - w) << text.substr(0, 12);
    }
    Put(std::string(3300, 'A'), 600, 1 << 20, 0);  // the glyph list is full: the rest is cut
    EXPECT_EQ(gkMessage.Count, 3200);
    Put("あ", 400, 400, 0x0100);  // the shadow lies one pixel right and down of the glyph
    EXPECT_EQ(std::tuple(Find(kShade).right, Find(kShade).bottom),
              std::tuple(Find(kInk).right + 1, Find(kInk).bottom + 1));
    Put("あ", 400, 400, 0, 0);  // black would be the transparent key: it is drawn as 0x101010
    EXPECT_EQ(gkText.TextColor, 0x101010u);
}

TEST_F(TextTest, TypewriterReveal) {
    const int w = wide;                        // the cells of "あいう。" side by side
    EXPECT_EQ(gkDraw::TypeMessage(0.05f), 1);  // before any rendering: done, nothing drawn
    gkDraw::SetTextColors(kInk, kShade, 1);
    gkDraw::MakeMessage(100, 50, 100 + 3 * w, 400, "あいう。", 0);  // the "。" hangs
    EXPECT_EQ(Find(kInk).right, -1);                                // nor does the make
    // 25 ms frames: one glyph per second frame, the whole box (hanging "。") one interval later.
    const int visible[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4};
    gkSystem::FrameDelta = 0.025f;
    for (int frame = 0; frame < 12; ++frame) {
        FillBack(kGreen);
        EXPECT_EQ(gkDraw::TypeMessage(0.05f), frame >= 10 ? 1 : 0) << frame;
        int cells = 0;
        for (int k = 0; k < 4; ++k)
            cells += Find(kInk, 100 + k * w, 50, 100 + (k + 1) * w, 66).right >= 0;
        EXPECT_EQ(cells, visible[frame]) << frame;
    }
    // A new rendering starts afresh; an interval of 0 shows everything at once.
    gkDraw::MakeMessage(100, 50, 400, 400, "あいう", 0);
    FillBack(kGreen);
    EXPECT_EQ(gkDraw::TypeMessage(0.0f), 1);
    EXPECT_GE(Find(kInk).right, 100 + 2 * w);
}

class SmoothMessagesTest : public TextTest,
                           public ::testing::WithParamInterface<plat::PixelFormat> {
  protected:
    void SetUp() override {
        plat::headless::UseDisplayFormat(GetParam());
        TextTest::SetUp();
        wide = (Width("あ", 32) + 1) / 2;  // drawn at double size, cells rounded up to even
        narrow = (Width("A", 32) + 1) / 2;
        gkDraw::SetTextColors(kInk, kShade, 1);
        gkDraw::SelectSpriteFont(1, 16);
    }
    // The colours of (90, 40)-(140, 80) after "あA" is put smoothly over a plain back screen.
    static std::vector<uint32_t> Over(uint32_t back) {
        FillBack(back);
        gkDraw::PutSmoothMessage(100, 50, 400, 400, "あA", 0);
        std::vector<uint32_t> colors;
        for (int y = 40; y < 80; ++y)
            for (int x = 90; x < 140; ++x) colors.push_back(BackAt(x, y));
        return colors;
    }
};

TEST_P(SmoothMessagesTest, LayoutAndBlending) {
    // Shadowed cells are a pixel larger on screen. Reaching the limit ends a line: the second
    // "あ" moves, "。" hangs after it, lines advance by the grown cell, the bottom cuts "A".
    gkDraw::PutSmoothMessage(100, 50, 102 + 2 * wide, 92, "ああ。A", 0x0100);
    const plat::Rect& box = gkMessage.Glyphs[0];
    EXPECT_EQ(std::tuple(gkMessage.Count, Cell(3), box.right, box.bottom),
              std::tuple(4, std::tuple(100, 84, 101 + narrow, 101), 102 + 2 * wide, 92));
    // Each "あ" wider than the box keeps a line; a line feed ends one.
    gkDraw::PutSmoothMessage(100, 50, 100 + wide / 2, 400, "ああ\nA", 0);
    EXPECT_EQ(
        std::tuple(gkMessage.Count, Cell(2), Cell(3)),
        std::tuple(4, std::tuple(100, 66, 100 + wide, 82), std::tuple(100, 82, 100 + narrow, 98)));
    const std::vector<uint32_t> white = Over(0xFFFFFF), black = Over(0);
    int lighter = 0, inked = 0;
    for (size_t p = 0; p < black.size(); ++p) {
        inked += black[p] != 0;
        lighter += black[p] != 0 && white[p] != black[p];
        for (int shift = 0; shift < 24; shift += 8)  // no ink: the back screen shows through
            ASSERT_GE(white[p] >> shift & 0xFF, black[p] == 0 ? 0xFF : black[p] >> shift & 0xFF);
    }
    EXPECT_TRUE(lighter > 10 && lighter < inked);  // edges take the background, full ink not
    gkDraw::ReleaseSpriteFont();
}

INSTANTIATE_TEST_SUITE_P(Depths, SmoothMessagesTest,
                         ::testing::Values(plat::PixelFormat::R5G6B5, plat::PixelFormat::X8R8G8B8));

}  // namespace
