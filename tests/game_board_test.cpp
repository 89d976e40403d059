// The board game driven frame by frame on the headless backend with injected keys and mouse.
#include <iterator>

#include "game/game.h"
#include "gk.h"
#include "platform/window.h"
#include "support/back_screen.h"
#include "support/fixture.h"

namespace {

using gktest::Ints;
constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kYellow = 0x00FFFF, kWhite = 0xFFFFFF;
constexpr uint32_t kDarkBlue = 0x800000;

class GameTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ResetGame();
        RegisterGame();
        gkApp.hWnd = plat::CreateMainWindow("Gridkeep", 640, 480, true, gkSystem::WndProc);
        GameInit();
    }

    // Dispatches the waiting messages (up to WM_QUIT), then runs a frame.
    void Frame() {
        plat::Msg msg;
        while (plat::PeekMessage(msg) && msg.message != WM_QUIT) plat::DispatchMessage(msg);
        gkSystem::RunFrame();
    }

    void Key(int vk, bool down) {
        plat::headless::SetKeyDown(vk, down);
        plat::PostMessage(down ? WM_KEYDOWN : WM_KEYUP, vk, 0);
    }
    // One press lasting one frame, then two frames with the key up: a press on the frame right
    // after a release would read as held.
    void Tap(int vk) {
        Key(vk, true);
        Frame();
        Key(vk, false);
        Frame();
        Frame();
    }

    // A pixel of the last presented frame, as the GDI colour that draws exactly that pixel.
    uint32_t Shown(int x, int y) {
        const plat::Surface* frame = plat::headless::PresentedFrame();
        const uint32_t pixel = gktest::Raw(frame, x, y);
        for (uint32_t color : {kRed, kGreen, kYellow, kWhite, kDarkBlue, 0u})
            if (plat::ColorToPixel(frame->format, color) == pixel) return color;
        return 0x01000000 | pixel;  // none of the game's colours
    }

    // The number of pixels of one colour in a rectangle of the last presented frame.
    int Count(uint32_t color, int x, int y, int width, int height) {
        int n = 0;
        for (int row = y; row < y + height; ++row)
            for (int column = x; column < x + width; ++column) n += Shown(column, row) == color;
        return n;
    }
};

TEST_F(GameTest, CursorEnterAndEscapeAndWhatTheFramesShow) {
    // The mouse marker's corner pokes out of the top-left cell.
    plat::PostMessage(WM_MOUSEMOVE, 0, plat::MakeLParam(285, 205));
    Frame();
    Tap(VK_RETURN);  // a block on the centre cell, row 1, column 1
    EXPECT_EQ(Ints(std::begin(gGame.CellFlags), std::end(gGame.CellFlags)),
              (Ints{0, 0, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(std::tuple(gGame.Blocks[0].Active, gGame.Blocks[0].X, gGame.Blocks[0].Y),
              std::tuple(1, 320, 240));
    // The printed digit of row 1, column 1 changed from 0 to 1: compare with the digit of a
    // cell still at 0 next to it.
    EXPECT_NE(Count(kWhite, 330, 80, 10, 20), Count(kWhite, 300, 80, 10, 20));
    Tap(VK_LEFT);
    using V = std::vector<uint32_t>;
    // Red outlines of a cell away from the cursor, black inside; the green cursor on the left
    // cell of the centre row.
    EXPECT_EQ(
        (V{Shown(360, 200), Shown(399, 239), Shown(380, 220), Shown(280, 240), Shown(319, 279)}),
        (V{kRed, kRed, 0, kGreen, kGreen}));
    // Nothing right of the third column or below the third row.
    EXPECT_EQ((V{Shown(400, 220), Shown(420, 200), Shown(360, 320)}), (V{0, 0, 0}));
    // The mouse marker: yellow outside the board, hidden under the board's black cell.
    EXPECT_EQ((V{Shown(277, 197), Shown(275, 195), Shown(290, 210)}), (V{kYellow, kRed, 0}));
    // The block, keyed: its black edge shows the board below; its light bevel and body (none
    // of the game's colours) are drawn.
    EXPECT_EQ((V{Shown(320, 240), Shown(321, 241) >> 24, Shown(340, 260) >> 24}), (V{kRed, 1, 1}));
    // Flag cells: white digits on dark blue at each of the nine positions.
    for (int cell = 0; cell < 9; ++cell) {
        const int x = 300 + 30 * (cell % 3), y = 50 + 30 * (cell / 3);
        EXPECT_GT(std::min(Count(kWhite, x, y, 10, 16), Count(kDarkBlue, x, y, 8, 16)), 0) << cell;
    }
    EXPECT_EQ(Count(kDarkBlue, 390, 50, 10, 80) + Count(kDarkBlue, 300, 140, 80, 10), 0);

    // The cursor stops at the board's edges; a held key moves it once.
    Ints seen;
    for (int vk : {VK_LEFT, VK_UP, VK_UP}) {
        Tap(vk);
        seen.push_back(gGame.CursorX + gGame.CursorY);
    }
    Key(VK_RIGHT, true);
    for (int i = 0; i < 5; ++i) Frame();
    Key(VK_RIGHT, false);
    Frame();
    seen.push_back(gGame.CursorX);
    for (int vk : {VK_RIGHT, VK_RIGHT, VK_DOWN, VK_DOWN, VK_DOWN}) Tap(vk);
    seen.push_back(gGame.CursorX + gGame.CursorY);
    EXPECT_EQ(seen, (Ints{520, 480, 480, 320, 360 + 280}));

    Tap(VK_UP);
    Tap(VK_LEFT);
    for (int i = 1; i < 20; ++i) Tap(VK_RETURN);  // an occupied cell still takes a block
    Tap(VK_LEFT);
    Tap(VK_RETURN);  // 21st press: no slot left, the left cell stays empty
    for (const Block& block : gGame.Blocks) EXPECT_EQ(block.X, 320);
    EXPECT_EQ(gGame.CellFlags[3], 0);
    // Escape alone asks whether to quit (the end-to-end tests answer No as well); Yes quits.
    plat::headless::QueueAnswer(IDYES);
    Tap(VK_ESCAPE);
    EXPECT_EQ(std::tuple(plat::headless::Boxes().size(), gkApp.Ended), std::tuple(1u, 1));
}

}  // namespace
