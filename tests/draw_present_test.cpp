// The present on the headless display: what reaches the window, the vertical-blank wait, lost
// surfaces, fade-out and fade-in stamping (also driven by the main loop, with its scene switch),
// the key triggers during a transition, and the picture viewer's scrolling, drift and reloads.
#include <tuple>
#include <vector>

#include "app/app.h"
#include "platform/window.h"
#include "support/back_screen.h"
#include "support/draw_files.h"
#include "system/system.h"

namespace {

using namespace plat;
using gktest::Raw;

class Presents : public gktest::DrawFiles {
  protected:
    void SetUp() override {
        DrawFiles::SetUp();
        ASSERT_EQ(gkDraw::Screen(128, 96, 0), 1);
        gkDraw::ClearScreen();
    }
    static uint32_t Back(int x, int y) { return Raw(gkScreen.Back, x, y); }
    static uint32_t Pixel(uint32_t color) { return ColorToPixel(DisplayFormat(), color); }
    // The colour frame k of the pattern sets at column k of its tile (elsewhere black).
    static uint32_t FrameColor(int k) { return 0x000010 * (k + 1) + 0x008000; }
    // Loads a 640 × 48 pattern in which frame k marks column k of every row.
    void LoadPattern() {
        std::vector<uint32_t> colors(640 * 48, 0);
        for (int k = 0; k < 10; ++k)
            for (int y = 0; y < 48; ++y) colors[y * 640 + 64 * k + k] = FrameColor(k);
        const int slot = gkDraw::LoadTransitionPattern(Bmp("fade.bmp", 640, 48, colors).c_str());
        ASSERT_NE(slot, 0);
        EXPECT_EQ(gkPresent.PatternSprite, slot);
    }
    // The pattern frames stamped so far: how many leading columns of each tile carry their mark.
    static int StampedFrames(int tileX, int tileY) {
        int n = 0;
        while (n < 10 && Back(64 * tileX + n, 48 * tileY + 5) == Pixel(FrameColor(n))) ++n;
        for (int k = n; k < 10; ++k)
            if (Back(64 * tileX + k, 48 * tileY + 5) != 0) return -1;  // out of order
        return n;
    }
};

TEST_F(Presents, ShowsTheBackScreenWaitingForTheBlankWhenAskedAndRestoresLostSurfaces) {
    gkDraw::FillRect(3, 4, 5, 6, 0x1234);
    const int blanks = headless::VerticalBlankCount();
    gkDraw::Present();
    ASSERT_NE(headless::PresentedFrame(), nullptr);
    EXPECT_EQ(Raw(headless::PresentedFrame(), 4, 5), 0x1234u);
    EXPECT_EQ(Raw(headless::PresentedFrame(), 5, 5), 0u);
    EXPECT_EQ(headless::VerticalBlankCount(), blanks + 1);
    gkDraw::SetWaitVSync(0);
    const int presents = headless::PresentCount();
    gkDraw::Present();
    EXPECT_EQ(headless::VerticalBlankCount(), blanks + 1);
    EXPECT_EQ(headless::PresentCount(), presents + 1);
    headless::LoseAllSurfaces();
    gkDraw::Present();
    EXPECT_EQ(IsLost(gkScreen.Back), DD_OK);
    EXPECT_EQ(IsLost(gkScreen.Primary), DD_OK);
    EXPECT_EQ(headless::PresentCount(), presents + 1);  // that frame is not shown again
}

TEST_F(Presents, FadeInStampsFramesNineDownToZero) {
    LoadPattern();
    gkDraw::StartFadeIn();
    EXPECT_FALSE(gkDraw::FadingOut());
    for (int k = 9; k >= 0; --k) {
        gkDraw::ClearScreen();  // the scene draws afresh every frame
        gkDraw::Present();
        EXPECT_EQ(Back(k, 5), Pixel(FrameColor(k))) << k;
        EXPECT_EQ(Back(k == 0 ? 1 : k - 1, 5), 0u) << k;
    }
    EXPECT_FALSE(gkDraw::TransitionRunning());
}

int g_frames = 0;
void FadingGameFrame() {
    if (++g_frames == 1) {
        gkApp.NextScene = 2;
        gkDraw::StartFadeOut();
    }
    gkDraw::Present();
}

TEST_F(Presents, MainLoopRunsOnlyThePresentDuringAFadeOutThenSwitchesScene) {
    LoadPattern();
    g_frames = 0;
    gkSystem::SetGameHooks({nullptr, FadingGameFrame, nullptr, nullptr});
    gkApp.Scene = 1;
    int trigger = 0;
    for (int pass = 1; pass <= 10; ++pass) {
        headless::SetKeyDown(VK_RETURN, true);
        gkSystem::RunFrame();
        EXPECT_EQ(g_frames, 1) << pass;
        EXPECT_EQ(StampedFrames(0, 0), pass);  // accumulating, on every tile of the screen
        EXPECT_EQ(StampedFrames(1, 1), pass);
        EXPECT_EQ(gkDraw::TransitionRunning(), pass < 10);
        EXPECT_EQ(gkApp.Scene, pass < 10 ? 1 : 2) << pass;
        gkSystem::KeyState(VK_RETURN, &trigger);  // held keys read 0 while the fade runs
        EXPECT_EQ(trigger, pass < 10 ? 0 : 1) << pass;
    }
}

TEST_F(Presents, ViewerToggleScrollLimitsDriftAndReload) {
    gkDraw::ToggleViewer();  // nothing loaded: stays off
    EXPECT_FALSE(gkDraw::ViewerShown());
    Restart();
    ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
    gkDraw::ClearScreen();
    // The clip area is a 4 × 480 window onto a 4-wide, 1000-high picture whose row y is grey
    // level y % 200 + 1, except its last column, which is black (transparent); the tile is red.
    gkDraw::SetClip(0, 0, 4, 480);
    std::vector<uint32_t> picture(4 * 1000, 0), tile(64 * 48, 0x0000FF);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 3; ++x) picture[y * 4 + x] = 0x010101u * (y % 200 + 1);
    const std::string pictureFile = Bmp("pic.bmp", 4, 1000, picture);
    const std::string tileFile = Bmp("tile.bmp", 64, 48, tile);
    gkDraw::LoadViewer(pictureFile.c_str(), tileFile.c_str(), 1000);
    const int pictureSlot = gkPresent.ViewerPicture, tileSlot = gkPresent.ViewerTile;
    ASSERT_NE(pictureSlot, 0);
    ASSERT_NE(tileSlot, 0);
    gkDraw::ToggleViewer();
    EXPECT_TRUE(gkDraw::ViewerShown());

    // Keys go to the viewer, and the triggers read 0 while it is shown.
    gkSystem::RouteKey(VK_DOWN);
    EXPECT_EQ(gkInput.ViewerKey, VK_DOWN);
    int trigger = 0;
    headless::SetKeyDown(VK_DOWN, true);
    gkSystem::KeyState(VK_DOWN, &trigger);
    EXPECT_EQ(trigger, 0);

    gkSystem::FrameDelta = 1;  // Down: 100 pixels per second
    for (int i = 0; i < 7; ++i) gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, 520);  // 1000 - 480, reached after 6 presents
    EXPECT_FLOAT_EQ(gkPresent.ViewerTileX, -70 + 64);
    EXPECT_FLOAT_EQ(gkPresent.ViewerTileY, -70 + 48);
    // The picture's visible window starts at the scroll of the frame before.
    EXPECT_EQ(Back(0, 0), Pixel(0x010101u * (520 % 200 + 1)));
    EXPECT_EQ(Back(3, 0), Pixel(0x0000FF));  // the background tile through the black column
    EXPECT_EQ(Back(4, 0), 0u);               // nothing outside the clip area
    gkInput.ViewerKey = VK_LEFT;             // fast page up: 300 per second, stopping at 0
    gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, 220);
    gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, 0);

    // Reloading keeps both slot numbers and replaces the images; the scroll restarts.
    std::vector<uint32_t> other(4 * 100, 0x00FF00);
    gkDraw::LoadViewer(Bmp("pic2.bmp", 4, 100, other).c_str(), tileFile.c_str(), 100);
    EXPECT_EQ(std::tuple(gkPresent.ViewerPicture, gkPresent.ViewerTile,
                         gkSprites[pictureSlot].height, gkPresent.ViewerHeight),
              std::tuple(pictureSlot, tileSlot, 100, 100));
    // A picture shorter than the clip area ends at a negative scroll (the lower limit first).
    gkInput.ViewerKey = 0;
    gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, -380);
    gkDraw::ToggleViewer();
    EXPECT_FALSE(gkDraw::ViewerShown());
}

TEST_F(Presents, ViewerWhoseTileFailedToLoadLoadsItAfreshInsteadOfReplacingSlotZero) {
    const std::string pictureFile = Bmp("pic.bmp", 4, 4, std::vector<uint32_t>(16, 0xFFFFFF));
    gkDraw::LoadViewer(pictureFile.c_str(), "missing.bmp", 4);
    EXPECT_NE(gkPresent.ViewerPicture, 0);
    EXPECT_EQ(gkPresent.ViewerTile, 0);
    plat::Surface* buffer = gkSprites[0].surface;
    const std::string tileFile = Bmp("tile.bmp", 64, 48, std::vector<uint32_t>(64 * 48, 0));
    gkDraw::LoadViewer(pictureFile.c_str(), tileFile.c_str(), 4);
    EXPECT_GE(gkPresent.ViewerTile, 4);
    EXPECT_EQ(std::tuple(gkSprites[0].surface, gkSprites[0].width), std::tuple(buffer, 128));
}

}  // namespace
