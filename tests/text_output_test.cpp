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
    static int Width(const char* text) {
        gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
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
};

TEST_F(TextOutputTest, PrintsInCellsOpaqueOrTransparentWithoutSplittingDoubleBytes) {
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
        for (int x = 10; x < 10 + width; ++x) {
            ASSERT_EQ(BackAt(x, y) == 0xFF, BackAt(x, y + 20) == 0xFF) << x << "," << y;
            ASSERT_TRUE(BackAt(x, y) == 0xFF || BackAt(x, y) == Stored(kGreen));
        }

    // "表" is 0x95 0x5C: its trail byte is the backslash. The pair is one character.
    const int first = Width("表");
    EXPECT_EQ(std::tuple(Width("表示"), Width("示")), std::tuple(2 * first, first));
    EXPECT_GT(first, Width("1"));
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

// Alignment within (100, 100)-(300, 300); several lines keep the rectangle's width, one line
// takes its own; full-width characters break between characters, as many per line as fit.
TEST_F(TextOutputTest, RectangleTextIsAlignedBrokenAndMeasured) {
    const Box left = Draw("HH", 0), centre = Draw("HH", 1), right = Draw("HH", 2);
    const int width = Width("HH");
    EXPECT_EQ(std::tuple(gkText.Box.left, gkText.Box.right, gkText.Box.bottom),
              std::tuple(100, 300, 300));
    EXPECT_TRUE(left.left >= 100 && left.left < 103 && right.right < 300);
    EXPECT_EQ(std::tuple(centre.left - left.left, right.left - left.left, centre.top, right.top),
              std::tuple((200 - width) / 2, 200 - width, left.top, left.top));
    EXPECT_EQ(Draw("HH", 3).right, -1);

    std::string words, text;
    for (int i = 0; i < 15; ++i) words += "HHHH ", text += "表示";
    const int perLine = (200 + Width(" ")) / Width("HHHH "), wide = Width("表");
    const int perRow = 200 / wide;
    const struct {
        const char* text;
        int bottom, right;
    } measured[] = {
        {words.c_str(), 100 + 12 * ((15 + perLine - 1) / perLine), 300},
        {"A&B", 112, 100 + Width("A&B")},  // ampersands stay
        {"A\nB\n\nC", 148, 300},
        {text.c_str(), 100 + 12 * ((30 + perRow - 1) / perRow), 300},
    };
    for (const auto& m : measured) {
        gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
        gkDraw::MeasureTextRect(100, 100, 300, 300, m.text);
        gkDraw::ReleaseFont();
        EXPECT_EQ(std::tuple(gkText.Measured.bottom, gkText.Measured.right),
                  std::tuple(m.bottom, m.right))
            << m.text;
    }
    const Box japanese = Draw(text.c_str(), 0);
    EXPECT_LT(japanese.right, 100 + perRow * wide);
    EXPECT_GE(japanese.right, 100 + (perRow - 1) * wide);
}

TEST_F(TextOutputTest, LongFormattedOutputIsCutAt255Bytes) {
    const int x = 300 - 255 * Width("1");  // a 256th byte would start at x = 300
    std::string many(1000, '1');
    gkDraw::PrintFormat(x, 0, "%s%s", many.c_str(), many.c_str());
    EXPECT_EQ(BackAt(300, 0), Stored(kGreen));
    const std::vector<uint8_t> cut = gkScreen.Back->pixels;
    FillBack(kGreen);
    gkDraw::PrintText(x, 0, many.substr(0, 255).c_str());
    EXPECT_TRUE(gkScreen.Back->pixels == cut);
}

// 120 frames in each 2-second window show 60 fps; more than 999 frames in a window show 499.5;
// a lone frame shows 0.5, the new minimum.
TEST_F(TextOutputTest, FrameRateOverTwoSecondWindows) {
    gkDraw::ShowFps();
    EXPECT_STREQ(gkFps.Text, "0.0 fps ( max 0.0 / min 999.9 )");
    EXPECT_EQ(BackAt(0, 0), Stored(0x800000));  // printed at (0, 0) in the standard style
    const struct {
        int frames;
        uint32_t end;
        const char* text;
    } windows[] = {{120, 2000, "60.0 fps ( max 60.0 / min 60.0 )"},
                   {120, 4000, "60.0 fps ( max 60.0 / min 60.0 )"},
                   {1500, 6000, "499.5 fps ( max 499.5 / min 60.0 )"},
                   {1, 10000, "0.5 fps ( max 499.5 / min 0.5 )"}};
    for (const auto& w : windows) {
        for (int frame = 1; frame < w.frames; ++frame) gkDraw::ShowFps();
        plat::headless::SetTime(w.end);
        gkDraw::ShowFps();
        EXPECT_STREQ(gkFps.Text, w.text) << w.end;
    }
}

}  // namespace
