// Message boxes: the layout rules read from the glyph list and the back screen, the typewriter
// reveal over virtual frame time, and the smooth variant's blending on 16- and 32-bit displays.
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "draw/draw.h"
#include "platform/clock.h"
#include "support/back_screen.h"
#include "support/fixture.h"
#include "system/system.h"
#include "text/text.h"

namespace {

using gktest::BackAt;
using gktest::FillBack;
using gktest::Find;
using gktest::Stored;

constexpr uint32_t kGreen = 0x00FF00, kInk = 0x0000FF, kShade = 0xFF0000;

class MessagesTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        FillBack(kGreen);
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
    static int Width(const char* ch) {
        plat::Size size{};
        plat::GetTextExtentPoint32(gkFont.Dc, ch, static_cast<int>(strlen(ch)), &size);
        return size.cx;
    }
    static auto Cell(int k) {
        const plat::Rect& r = gkMessage.Glyphs[k];
        return std::tuple(r.left, r.top, r.right, r.bottom);
    }
    int wide = 0, narrow = 0;
};

TEST_F(MessagesTest, LayoutRules) {
    const int w = wide, a = narrow;
    const std::string many(3300, 'A');
    const int perLine = 500 / a, line = 3198 / perLine, column = 3198 % perLine;
    struct Case {
        std::string text;
        uint16_t flags;
        int right, bottom;                    // box from (100, 50)
        int count;                            // glyph list entries, the box included
        std::tuple<int, int, int, int> last;  // last glyph cell
        int boxRight;
    } cases[] = {
        {"ああ。", 0, 100 + 2 * w, 400, 3, {100 + w, 50, 100 + 2 * w, 66}, 100 + 3 * w},  // hangs
        {"ああA", 0, 100 + 2 * w, 400, 4, {100, 66, 100 + a, 82}, 100 + 2 * w},  // next line
        {"あ\n\nあ", 0, 400, 400, 3, {100, 82, 100 + w, 98}, 100 + w},           // empty line
        {"あ\nあ", 0x0005, 400, 400, 3, {100, 71, 100 + w, 87}, 100 + w},        // spacing
        {"あ", 0x0100, 400, 400, 2, {100, 50, 101 + w, 67}, 101 + w},            // shadow
        {"あ\nあ\nあ", 0, 400, 82, 2, {100, 50, 100 + w, 66}, 100 + w},          // bottom cut
        {"ああ", 0, 400, 55, 3, {100 + w, 50, 100 + 2 * w, 66}, 100 + 2 * w},    // first line
        {"ああ", 0, 100 + w / 2, 400, 3, {100, 66, 100 + w, 82}, 100 + w},       // wider than box
        {many,
         0,
         600,
         1 << 20,
         3200,  // the list is full after 3199 glyphs
         {100 + column * a, 50 + line * 16, 100 + (column + 1) * a, 66 + line * 16},
         100 + perLine * a},
    };
    for (const Case& c : cases) {
        Put(c.text, c.right, c.bottom, c.flags);
        EXPECT_EQ(gkMessage.Count, c.count) << c.text;
        EXPECT_EQ(Cell(gkMessage.Count - 1), c.last) << c.text;
        EXPECT_EQ(gkMessage.Glyphs[0].right, c.boxRight) << c.text;
        EXPECT_LT(Find(kInk).right, c.boxRight) << c.text;  // drawn, hanging included
        EXPECT_GE(Find(kInk).right, c.boxRight - w) << c.text;
    }
    // The shadow lies one pixel right and down of the glyph.
    Put("あ", 400, 400, 0x0100);
    EXPECT_EQ(Find(kShade).right, Find(kInk).right + 1);
    EXPECT_EQ(Find(kShade).bottom, Find(kInk).bottom + 1);
    // Black text would be the transparent key: it is drawn as 0x101010.
    Put("あ", 400, 400, 0, 0);
    EXPECT_EQ(gkText.TextColor, 0x101010u);
    EXPECT_NE(Find(Stored(0x101010)).right, -1);
}

TEST_F(MessagesTest, TypewriterReveal) {
    const int w = wide;
    // Before any rendering: nothing drawn, done.
    EXPECT_EQ(gkDraw::TypeMessage(0.05f), 1);
    EXPECT_EQ(Find(kInk).right, -1);
    gkDraw::SetTextColors(kInk, kShade, 1);
    gkDraw::MakeMessage(100, 50, 100 + 3 * w, 400, "あいう。", 0);  // the "。" hangs
    EXPECT_EQ(Find(kInk).right, -1);
    EXPECT_EQ(gkFont.PutAfterRender, 1);
    // 25 ms frames: one glyph per second frame, the whole box (hanging "。") one interval later.
    const int visible[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4};
    gkSystem::ResetFrameTime();
    for (int frame = 0; frame < 12; ++frame) {
        plat::headless::AdvanceTime(25);
        gkSystem::UpdateFrameTime();
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
        wide = Width("あ");
    }
    static uint32_t ColorIn(const std::vector<uint8_t>& frame, int x, int y) {
        uint32_t raw = 0;
        std::memcpy(&raw, frame.data() + gktest::Offset(gkScreen.Back, x, y),
                    plat::BytesPerPixel(gkScreen.Back->format));
        return plat::PixelToColor(gkScreen.Back->format, raw);
    }
    // Renders "あA" smoothly over a plain back screen; returns the back screen.
    std::vector<uint8_t> Over(uint32_t back) {
        FillBack(back);
        gkDraw::PutSmoothMessage(100, 50, 400, 400, "あA", 0);
        return gkScreen.Back->pixels;
    }
};

TEST_P(SmoothMessagesTest, EdgesBlendWithTheBackScreen) {
    const int w = (wide + 1) / 2;  // the sprite font is drawn at double size
    const std::vector<uint8_t> white = Over(0xFFFFFF);
    EXPECT_EQ(gkMessage.Count, 3);
    EXPECT_EQ(Cell(1), std::tuple(100, 50, 100 + w, 66));
    EXPECT_EQ(gkFont.Surface, gkSprites[3].surface);  // the caller's selection is open again
    const std::vector<uint8_t> black = Over(0);
    int lighter = 0, inked = 0;
    for (int y = 40; y < 80; ++y)
        for (int x = 90; x < 140; ++x) {
            const uint32_t overWhite = ColorIn(white, x, y), overBlack = ColorIn(black, x, y);
            if (overBlack == 0) {  // no ink: the back screen shows through
                ASSERT_EQ(overWhite, 0xFFFFFFu) << x << "," << y;
                continue;
            }
            for (int shift = 0; shift < 24; shift += 8)
                ASSERT_GE(overWhite >> shift & 0xFF, overBlack >> shift & 0xFF) << x << "," << y;
            ++inked;
            lighter += overWhite != overBlack;
        }
    EXPECT_GT(lighter, 10);  // edges take the background; fully inked pixels do not
    EXPECT_LT(lighter, inked);
    // A clip edge through the text leaves the glyphs in place.
    gkDraw::SetClip(105, 0, 640, 480);
    Over(0);
    for (int y = 40; y < 80; ++y)
        for (int x = 90; x < 140; ++x)
            ASSERT_EQ(BackAt(x, y), x < 105 ? 0 : ColorIn(black, x, y)) << x << "," << y;
    gkDraw::ReleaseSpriteFont();
}

INSTANTIATE_TEST_SUITE_P(Depths, SmoothMessagesTest,
                         ::testing::Values(plat::PixelFormat::R5G6B5, plat::PixelFormat::X8R8G8B8));

}  // namespace
