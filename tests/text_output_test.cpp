// Text output on the back screen: the standard print style, opaque and transparent text,
// text in a rectangle (alignment, word breaks, measuring), Shift-JIS characters, the bounded
// formatted print and the frame-rate line over the virtual clock.
#include <algorithm>
#include <string>
#include <tuple>

#include "draw/draw.h"
#include "platform/clock.h"
#include "support/back_screen.h"
#include "support/fixture.h"
#include "text/text.h"

namespace {

using gktest::BackAt;
using gktest::Box;
using gktest::FillBack;
using gktest::Find;
using gktest::Stored;

constexpr uint32_t kGreen = 0x00FF00;

class TextOutputTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        FillBack(kGreen);
    }
    static plat::Size Extent(const char* text) {
        gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
        plat::Size size{};
        plat::GetTextExtentPoint32(gkFont.Dc, text, static_cast<int>(strlen(text)), &size);
        gkDraw::ReleaseFont();
        return size;
    }
};

TEST_F(TextOutputTest, PrintFormatDrawsWhiteOnDarkBlueCells) {
    gkDraw::PrintFormat(300, 50, "%d", 1);
    plat::Size size = Extent("1");
    EXPECT_EQ(size.cy, 12);
    Box cell = Find(Stored(0x800000));
    EXPECT_EQ(cell.Edges(), std::tuple(300, 50, 300 + size.cx - 1, 61));
    Box glyph = Find(0xFFFFFF);
    EXPECT_GE(glyph.left, 300);
    EXPECT_LE(glyph.right, cell.right);
    EXPECT_GE(glyph.top, 50);
    EXPECT_LE(glyph.bottom, 61);
    EXPECT_GT(glyph.bottom - glyph.top, 5);  // a digit, not a dot
    for (int y = 50; y <= 61; ++y)           // nothing else inside the cell, nothing outside
        for (int x = 300; x <= cell.right; ++x)
            ASSERT_TRUE(BackAt(x, y) == 0xFFFFFF || BackAt(x, y) == Stored(0x800000))
                << x << "," << y;
    EXPECT_EQ(BackAt(299, 50), Stored(kGreen));
    EXPECT_EQ(BackAt(300, 62), Stored(kGreen));
    EXPECT_EQ(gkFont.Dc, nullptr);  // the print closed its selection
}

TEST_F(TextOutputTest, TransparentTextKeepsTheCellBackground) {
    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    gkDraw::SetTextColors(0xFF, 0xFF0000, 1);
    gkDraw::PutText(10, 10, "88");
    gkDraw::SetTextColors(0xFF, 0xFF0000, 0);
    gkDraw::PutText(10, 30, "88");
    gkDraw::ReleaseFont();
    plat::Size size = Extent("88");
    Box back = Find(0xFF0000);
    EXPECT_EQ(back.Edges(), std::tuple(10, 30, 10 + size.cx - 1, 41));
    for (int y = 10; y < 22; ++y)  // both lines have the same glyph pixels, 20 rows apart
        for (int x = 10; x < 10 + size.cx; ++x) {
            ASSERT_EQ(BackAt(x, y) == 0xFF, BackAt(x, y + 20) == 0xFF) << x << "," << y;
            if (BackAt(x, y) != 0xFF) {
                ASSERT_EQ(BackAt(x, y), Stored(kGreen));
            }
        }
}

TEST_F(TextOutputTest, DoubleByteCharactersAreNotSplitAtABackslashTrailByte) {
    // "表" is 0x95 0x5C: its trail byte is the backslash. The pair is one character.
    const char* both = "表示";
    ASSERT_EQ(static_cast<unsigned char>(both[1]), 0x5C);
    plat::Size pair = Extent(both), first = Extent("表"), second = Extent("示");
    EXPECT_EQ(pair.cx, first.cx + second.cx);
    EXPECT_EQ(first.cx, second.cx);  // two full-width characters
    EXPECT_GT(first.cx, Extent("1").cx);

    gkDraw::PrintText(100, 100, both);
    gkDraw::PrintText(100, 200, "表");
    gkDraw::PrintText(100 + first.cx, 200, "示");
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < pair.cx; ++x)
            ASSERT_EQ(BackAt(100 + x, 100 + y), BackAt(100 + x, 200 + y)) << x << "," << y;
    EXPECT_NE(Find(0xFFFFFF).right, -1);
}

class TextRectTest : public TextOutputTest {
  protected:
    // Draws text in (100, 100)-(300, 300) with the given alignment; returns the glyphs' bounds.
    Box Draw(const char* text, int align) {
        FillBack(0);
        gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
        gkDraw::SetTextColors(0xFFFFFF, 0, 1);
        gkDraw::PutTextRect(100, 100, 300, 300, text, align);
        gkDraw::ReleaseFont();
        return Find(0xFFFFFF);
    }
};

TEST_F(TextRectTest, LinesAreAlignedInTheBox) {
    Box left = Draw("HH", 0), centre = Draw("HH", 1), right = Draw("HH", 2);
    int width = Extent("HH").cx;
    EXPECT_EQ(std::tuple(gkText.Box.left, gkText.Box.bottom), std::tuple(100, 300));
    EXPECT_GE(left.left, 100);
    EXPECT_LT(left.left, 103);
    EXPECT_EQ(centre.left - left.left, (200 - width) / 2);
    EXPECT_EQ(right.left - left.left, 200 - width);
    EXPECT_LT(right.right, 300);
    EXPECT_EQ(std::tuple(left.top, left.top), std::tuple(centre.top, right.top));

    Box none = Draw("HH", 3);
    EXPECT_EQ(std::tuple(none.right, gkText.Box.right), std::tuple(-1, 300));
}

TEST_F(TextRectTest, WordsBreakAtTheRightEdgeAndAmpersandsStay) {
    // 20 words of "HHHH" are far wider than 200 pixels: several lines, none past the edge.
    std::string words;
    for (int i = 0; i < 20; ++i) words += "HHHH ";
    int lineWidth = Extent("HHHH ").cx, space = Extent(" ").cx, oneLine = Extent("A&B").cx;
    int perLine = (200 + space) / lineWidth;
    int lines = (20 + perLine - 1) / perLine;
    Box box = Draw(words.c_str(), 0);
    EXPECT_LT(box.right, 300);
    EXPECT_GT(box.bottom - box.top, 12 * (lines - 1));
    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    gkDraw::MeasureTextRect(100, 100, 300, 300, words.c_str());
    EXPECT_EQ(gkText.Measured.bottom, 100 + 12 * lines);
    EXPECT_EQ(gkText.Measured.right, 300);  // several lines keep the width

    gkDraw::MeasureTextRect(100, 100, 300, 300, "A&B");
    EXPECT_EQ(gkText.Measured.bottom, 112);
    EXPECT_EQ(gkText.Measured.right, 100 + oneLine);  // one line: its own width
    gkDraw::MeasureTextRect(100, 100, 300, 300, "A\nB\n\nC");
    EXPECT_EQ(gkText.Measured.bottom, 148);
    gkDraw::ReleaseFont();
}

TEST_F(TextRectTest, JapaneseTextBreaksBetweenCharacters) {
    // 30 full-width characters in a 200-pixel box: as many per line as fit.
    std::string text;
    for (int i = 0; i < 15; ++i) text += "表示";
    int perLine = 200 / Extent("表").cx;
    Box box = Draw(text.c_str(), 0);
    EXPECT_LT(box.right, 100 + perLine * Extent("表").cx);
    EXPECT_GE(box.right, 100 + (perLine - 1) * Extent("表").cx);
    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    gkDraw::MeasureTextRect(100, 100, 300, 300, text.c_str());
    EXPECT_EQ(gkText.Measured.bottom, 100 + 12 * ((30 + perLine - 1) / perLine));
    gkDraw::ReleaseFont();
}

TEST_F(TextOutputTest, LongFormattedOutputIsCutAt255Bytes) {
    const int x = 300 - 255 * Extent("1").cx;  // a 256th byte would start at x = 300
    std::string many(1000, '1');
    gkDraw::PrintFormat(x, 0, "%s%s", many.c_str(), many.c_str());
    EXPECT_EQ(BackAt(300, 0), Stored(kGreen));
    const std::vector<uint8_t> cut = gkScreen.Back->pixels;
    FillBack(kGreen);
    gkDraw::PrintText(x, 0, many.substr(0, 255).c_str());
    EXPECT_TRUE(gkScreen.Back->pixels == cut);
}

TEST_F(TextOutputTest, FrameRateOverTwoSecondWindows) {
    gkDraw::ShowFps();
    EXPECT_STREQ(gkFps.Text, "0.0 fps ( max 0.0 / min 999.9 )");
    EXPECT_EQ(BackAt(0, 0), Stored(0x800000));  // printed at (0, 0) in the standard style

    // 120 frames in each 2-second window: 60 fps.
    for (int window = 1; window <= 3; ++window) {
        for (int frame = 1; frame < 120; ++frame) {
            plat::headless::SetTime((window - 1) * 2000 + frame * 16);
            gkDraw::ShowFps();
        }
        plat::headless::SetTime(window * 2000);
        gkDraw::ShowFps();
        EXPECT_STREQ(gkFps.Text, "60.0 fps ( max 60.0 / min 60.0 )") << window;
    }
    // More than 999 frames in a window show 499.5; a lone frame shows 0.5, the new minimum.
    for (int frame = 0; frame < 1500; ++frame) gkDraw::ShowFps();
    plat::headless::SetTime(8000);
    gkDraw::ShowFps();
    EXPECT_STREQ(gkFps.Text, "499.5 fps ( max 499.5 / min 60.0 )");
    plat::headless::SetTime(12000);
    gkDraw::ShowFps();
    plat::headless::SetTime(14000);
    gkDraw::ShowFps();
    EXPECT_STREQ(gkFps.Text, "0.5 fps ( max 499.5 / min 0.5 )");
}

TEST_F(TextOutputTest, StepsOutsideASelectionDrawNothing) {
    gkDraw::SetTextColors(0xFF, 0xFF0000, 0);
    gkDraw::PutText(0, 0, "1");
    gkDraw::PutTextRect(0, 0, 100, 100, "1", 0);
    EXPECT_EQ(Find(0xFF).right, -1);
    EXPECT_EQ(Find(0xFF0000).right, -1);
}

}  // namespace
