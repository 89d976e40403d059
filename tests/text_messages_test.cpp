// Message boxes: the layout rules read from the glyph list and the back screen, the typewriter
// reveal over virtual frame time, and the smooth variant's blending on 16- and 32-bit displays.
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "draw/draw.h"
#include "support/back_screen.h"
#include "support/fixture.h"
#include "system/system.h"
#include "text/text.h"

namespace {

using namespace gktest;

constexpr uint32_t kGreen = 0x00FF00, kInk = 0x0000FF, kShade = 0xFF0000;

class MessagesTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        gkDraw::SelectFont(1, 16, 0, 0, 0, 0);
        wide = Width("あ");
        narrow = Width("A");
        gkDraw::ReleaseFont();
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
    static int Width(const char* ch) { return plat::TextWidth(gkFont.Current, ch, strlen(ch)); }
    static auto Cell(int k) {
        const plat::Rect& r = gkMessage.Glyphs[k];
        return std::tuple(r.left, r.top, r.right, r.bottom);
    }
    int wide = 0, narrow = 0;
};

TEST_F(MessagesTest, LayoutRules) {
    const int w = wide, a = narrow;
    const int perLine = 500 / a, line = 3198 / perLine, column = 3198 % perLine;  // glyph 3199
    const int fullLeft = 100 + column * a, fullTop = 50 + line * 16, fullRight = 100 + perLine * a;
    const std::tuple fullCell{fullLeft, fullTop, fullLeft + a, fullTop + 16};
    struct Case {
        std::string text;
        uint16_t flags;
        int right, bottom, count;             // box from (100, 50); entries, the box included
        std::tuple<int, int, int, int> last;  // last glyph cell
        int boxRight;
    } cases[] = {
        {"ああ。", 0, 100 + 2 * w, 400, 3, {100 + w, 50, 100 + 2 * w, 66}, 100 + 3 * w},  // hangs
        {"ああA", 0, 100 + 2 * w, 400, 4, {100, 66, 100 + a, 82}, 100 + 2 * w},  // next line
        {"あ\n\nあ", 0, 400, 400, 3, {100, 82, 100 + w, 98}, 100 + w},           // empty line
        {"あ\nあ", 0x0005, 400, 400, 3, {100, 71, 100 + w, 87}, 100 + w},        // spacing
        {"あ\nあ", 0x0100, 400, 400, 3, {100, 67, 101 + w, 84}, 101 + w},        // shadow
        {"あ\nあ\nあ", 0, 400, 82, 2, {100, 50, 100 + w, 66}, 100 + w},          // bottom cut
        {"ああ", 0, 400, 55, 3, {100 + w, 50, 100 + 2 * w, 66}, 100 + 2 * w},    // first line
        {"ああ", 0, 100 + w / 2, 400, 3, {100, 66, 100 + w, 82}, 100 + w},       // wider than box
        {std::string(3300, 'A'), 0, 600, 1 << 20, 3200, fullCell, fullRight},    // list full
    };
    for (const Case& c : cases) {
        Put(c.text, c.right, c.bottom, c.flags);
        EXPECT_EQ(std::tuple(gkMessage.Count, Cell(gkMessage.Count - 1), gkMessage.Glyphs[0].right),
                  std::tuple(c.count, c.last, c.boxRight))
            << c.text.substr(0, 12);
        const int ink = Find(kInk).right;  // drawn, hanging included
        EXPECT_TRUE(ink < c.boxRight && ink >= c.boxRight - w) << c.text.substr(0, 12);
    }
    Put("あ", 400, 400, 0x0100);  // the shadow lies one pixel right and down of the glyph
    EXPECT_EQ(std::tuple(Find(kShade).right, Find(kShade).bottom),
              std::tuple(Find(kInk).right + 1, Find(kInk).bottom + 1));
    Put("あ", 400, 400, 0, 0);  // black would be the transparent key: it is drawn as 0x101010
    EXPECT_EQ(gkText.TextColor, 0x101010u);
}

TEST_F(MessagesTest, TypewriterReveal) {
    const int w = wide;  // the cells of "あいう。" side by side
    // Before any rendering: done, nothing drawn.
    EXPECT_EQ(gkDraw::TypeMessage(0.05f), 1);
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

class SmoothMessagesTest : public MessagesTest,
                           public ::testing::WithParamInterface<plat::PixelFormat> {
  protected:
    void SetUp() override {
        plat::headless::UseDisplayFormat(GetParam());
        MessagesTest::SetUp();
        gkDraw::SetTextColors(kInk, kShade, 1);
        gkDraw::SelectSpriteFont(1, 16);
        wide = (Width("あ") + 1) / 2;  // drawn at double size, cells rounded up to even
        narrow = (Width("A") + 1) / 2;
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
    gkDraw::SetClip(105, 0, 640, 480);  // a clip edge through the text leaves glyphs in place
    const std::vector<uint32_t> clipped = Over(0);
    int lighter = 0, inked = 0;
    for (size_t p = 0; p < black.size(); ++p) {
        ASSERT_EQ(clipped[p], p % 50 < 15 ? 0 : black[p]) << p;
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
