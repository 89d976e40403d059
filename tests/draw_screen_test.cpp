// Screen set-up, release and presenting on the headless display: the state after set-up in each
// pixel format and mode, every set-up failure, full-screen depths, the colour-depth check, what
// reaches the window, fades (also driven by the main loop) and the picture viewer.
#include <span>

#include "support/back_screen.h"
#include "support/draw_files.h"
#include "support/sound_util.h"
#include "text/text.h"

namespace {

using namespace plat;
using V = std::vector<uint32_t>;
using Texts = std::vector<std::string>;

auto Edges(const Rect& r) {
    return std::tuple(r.left, r.top, r.right, r.bottom);
}

class Screen : public gktest::DrawFiles {
  protected:
    static uint32_t Pixel(uint32_t color) { return ColorToPixel(DisplayFormat(), color); }
    static uint32_t Back(int x, int y) { return gktest::Raw(gkScreen.Back, x, y); }
    // Presents the back screen filled blue; true when every corner of the window shows it.
    static bool PresentFillsTheWindow() {
        gktest::FillBack(0xFF0000);
        gkDraw::Present();
        return gktest::Raws(headless::PresentedFrame(), {{0, 0}, {639, 0}, {0, 479}, {639, 479}}) ==
               V(4, Pixel(0xFF0000));
    }
    static void Pump() {
        for (Msg msg; PeekMessage(msg);) DispatchMessage(msg);
    }
    // The colour of frame k of the fade pattern.
    static uint32_t FrameColor(int k) { return 0x000010 * (k + 1) + 0x008000; }
};

TEST_F(Screen, SetsUpTheGameAreaStartsTheOtherModulesAndReleasesEverything) {
    gkApp.Error = 1;  // starting again clears the error flag
    gkSoundObjects[5].Used = 1;
    gkPresent.ViewerPicture = 7;
    gkSystem::SetWait(3, 0);  // a wait slot that has run out goes idle
    gkDraw::SetColorDepth(32, 0, 0);
    ASSERT_EQ(gkDraw::Screen(-1, 0, 0), 1);
    EXPECT_EQ(
        (std::vector<int>{gkScreen.Width, gkScreen.Height, gkScreen.ColorDepth,
                          gkScreen.Back->width, gkScreen.Device3D, gkScreen.CanStretch, gkApp.Error,
                          gkSoundObjects[5].Used, gkSoundObjects[5].EchoStep, gkFont.PutAfterRender,
                          gkMidi.Loop, gkPresent.ViewerPicture, gkSystem::CheckWait(3)}),
        (std::vector<int>{640, 480, 16, 640, 0, 1, 0, 0, -1, 1, 1, 0, 0}));  // desktop depth
    EXPECT_EQ(gkScreen.Primary->clipper, gkScreen.Clipper);
    EXPECT_EQ(Edges(gkScreen.Clip), std::tuple(0, 0, 640, 480));
    for (const SpriteObject& s : std::span(gkSprites, 4))
        EXPECT_EQ(std::tuple(s.width, s.height, s.surface->hasColorKey, s.surface->colorKey),
                  std::tuple(640, 480, true, 0u));
    EXPECT_EQ((Texts{gkSprites[0].name, gkSprites[1].name, gkSprites[2].name, gkSprites[3].name}),
              (Texts{"内部用１", "内部用２", "内部用３", "内部用４"}));
    ASSERT_EQ(gkDraw::LoadObject(Bmp("a.bmp", 2, 2, {1, 2, 3, 4}).c_str(), 2), 4);
    ASSERT_EQ(gkDraw::CreateObject(4, 4, 1), 5);
    // Quitting releases every drawing object; windowed, the window stays; twice is harmless.
    gkSystem::Quit();
    gkDraw::Release();
    EXPECT_EQ(std::tuple(gkScreen.DirectDraw, gkScreen.Primary, gkScreen.Back, gkScreen.Clipper,
                         headless::MinimizeCount()),
              std::tuple(nullptr, nullptr, nullptr, nullptr, 0));
    for (const SpriteObject& s : std::span(gkSprites, 6))
        EXPECT_EQ(std::tuple(s.surface, s.name[0], s.width), std::tuple(nullptr, '\0', 0));
}

TEST_F(Screen, PixelFormatFieldsAndWhereEachModePutsTheSurfaces) {
    // Mode and format; depth, masks, shifts, maxima and 5-bit shifts (red, green, blue), half
    // mask, colour mask; the pixels of the GDI colours 0x123456 and 0x070307 (low bits dropped,
    // not rounded); as bits, which of primary, back and slots 0 to 3 are in system memory.
    const std::tuple<int, PixelFormat, V> formats[] = {
        {1,
         PixelFormat::R5G6B5,
         {16, 0xF800, 0x7E0, 0x1F, 11, 5, 0, 31, 63, 31, 11, 6, 0, 0x7BEF, 0xFFFF, 0x51A2, 0,
          0b000011}},
        {3,
         PixelFormat::X1R5G5B5,
         {16, 0x7C00, 0x3E0, 0x1F, 10, 5, 0, 31, 31, 31, 10, 5, 0, 0x3DEF, 0x7FFF, 0x28C2, 0,
          0b001111}},
        {0,
         PixelFormat::X8R8G8B8,
         {32, 0xFF0000, 0xFF00, 0xFF, 16, 8, 0, 255, 255, 255, 16, 8, 0, 0x7F7F7F, 0xFFFFFF,
          0x563412, 0x070307, 0b111111}},
    };
    for (const auto& [mode, format, want] : formats) {
        Restart();
        headless::UseDisplayFormat(format);
        gkScreen.OriginX = 100;  // the client rectangle follows the origin
        gkScreen.OriginY = 50;
        ASSERT_EQ(gkDraw::Screen(8, 8, mode), 1);
        const gkScreenState& s = gkScreen;
        uint32_t where = 0;
        for (const Surface* m : {s.Primary, s.Back, gkSprites[0].surface, gkSprites[1].surface,
                                 gkSprites[2].surface, gkSprites[3].surface})
            where = where << 1 | ((m->caps & DDSCAPS_SYSTEMMEMORY) != 0);
        EXPECT_EQ((V{uint32_t(s.ColorDepth), s.RedMask, s.GreenMask, s.BlueMask, s.RedShift,
                     s.GreenShift, s.BlueShift, s.RedMax, s.GreenMax, s.BlueMax, s.Red5Shift,
                     s.Green5Shift, s.Blue5Shift, s.HalfMask, s.ColorMask,
                     ColorToPixel(format, 0x123456), ColorToPixel(format, 0x070307), where}),
                  want);
        EXPECT_EQ(std::pair(Edges(s.ClientRect), Edges(s.SourceRect)),
                  std::pair(std::tuple(100, 50, 108, 58), std::tuple(0, 0, 8, 8)));
        // Every 16-bit pixel survives the trip through a GDI colour, and 32-bit ones like it.
        for (uint32_t p = 0; p < 0x10000; ++p) {
            const uint32_t pixel = p * 0x10001 & s.ColorMask;  // in 32 bits red repeats blue
            ASSERT_EQ(ColorToPixel(format, PixelToColor(format, pixel)), pixel);
        }
    }
}

TEST_F(Screen, EveryFailureIsReportedAndStopsTheSetUp) {
    using headless::Fail;
    // Set-up operations made to fail, the n-th surface creation made to fail (0 none), message.
    const std::tuple<std::vector<Fail>, int, const char*> cases[] = {
        {{Fail::CreateDevice}, 0, nullptr},  // a bad device is passed over for the default one
        {{Fail::CreateDevice, Fail::CreateDevice}, 0, "DirectDrawが使用できません"},
        {{Fail::CooperativeLevel}, 0, "フルスクリーン化できません"},
        {{}, 1, "表画面が生成できません"},
        {{}, 2, "裏画面が生成できません"},
        {{Fail::CreateClipper}, 0, "クリップが生成できません"},
        {{Fail::ClipperWindow}, 0, "クリップにウィンドウハンドルを設定できません"},
        {{Fail::AttachClipper}, 0, "表画面をクリップできません"},
        {{}, 3, "Bufferスプライトが生成できません"},
        {{}, 4, "Screenスプライトが生成できません"},
        {{}, 5, "Fontスプライトが生成できません"},
        {{}, 6, "Fontバッファスプライトが生成できません"},
        {{Fail::PixelFormat}, 0, "ピクセル情報が取得できません"},
    };
    for (const auto& [inject, failingSurface, message] : cases) {
        Restart();
        gkSprites[9].name[0] = 'x';  // not emptied when the set-up stops early
        gkSoundObjects[5].Used = 1;  // nor the other modules started
        for (Fail f : inject) headless::FailNext(f);
        headless::FailSurfaceCreation(failingSurface);
        const bool fails = message != nullptr;
        EXPECT_EQ(gkDraw::Screen(32, 32, 0), fails ? 0 : 1);
        EXPECT_EQ(gktest::Reports().Take(),
                  fails ? Texts{"gkDraw::Screen : " + std::string(message)} : Texts{});
        EXPECT_EQ(std::tuple(gkApp.Error, gkSprites[9].name[0], gkSoundObjects[5].Used,
                             gkFont.Description == nullptr),
                  std::tuple(int(fails), fails ? 'x' : '\0', int(fails), fails));
    }
}

TEST_F(Screen, FullScreenDepthFallbacksAndPresentingToTheWindow) {
    // No second fallback after a 0; a 32-bit display format lasts until the release.
    // Refused depth, first fallback, depth reached (0: the set-up fails), depths requested.
    const std::tuple<int, int, int, std::vector<int>> cases[] = {
        {32, 0, 0, {32}}, {32, 24, 16, {32, 24, 16}}, {0, 0, 32, {32}}};
    for (const auto& [refused, alt1, depth, requests] : cases) {
        Restart();
        gkApp.FullScreen = 1;
        gkDraw::SetColorDepth(32, alt1, 16);
        headless::RefuseDisplayDepth(refused);
        // The full-screen primary takes the display mode's size, not the window's.
        ASSERT_NE(CreateMainWindow("t", 320, 480, false, gkSystem::WndProc), nullptr);
        Pump();
        ASSERT_EQ(gkDraw::Screen(640, 480, 1), depth != 0);
        EXPECT_EQ(
            std::tuple(headless::DisplayModeRequests(), gktest::Reports().Take(),
                       depth ? gkScreen.ColorDepth : 0),
            std::tuple(requests, depth ? Texts{} : Texts{"gkDraw::Screen : 解像度が変更できません"},
                       depth));
    }
    Pump();  // the window is moved to the screen's corner
    EXPECT_EQ(std::tuple(gkScreen.ColorMask, gkSystem::GetColorDepth(), gkSystem::IsWindowed(),
                         Edges(gkScreen.ClientRect), gkScreen.Clipper, gkScreen.Primary->clipper),
              std::tuple(0xFFFFFFu, 32, 0, std::tuple(0, 0, 640, 480), nullptr, nullptr));
    EXPECT_TRUE(PresentFillsTheWindow());
    gkDraw::Release();
    EXPECT_EQ(std::pair(DisplayFormat(), headless::MinimizeCount()),
              std::pair(PixelFormat::R5G6B5, 1));

    // Windowed, the window is not at the desktop's corner. The present waits for the blank
    // only when asked, and restores lost surfaces without showing that frame again.
    Restart();
    ASSERT_NE(CreateMainWindow("t", 640, 480, false, gkSystem::WndProc), nullptr);
    Pump();
    ASSERT_EQ(gkDraw::Screen(-1, 0, 0), 1);
    EXPECT_NE(gkScreen.ClientRect.left, 0);
    EXPECT_TRUE(PresentFillsTheWindow());
    gkDraw::SetWaitVSync(0);
    gkDraw::Present();
    headless::LoseAllSurfaces();
    gkDraw::Present();
    EXPECT_EQ(std::tuple(headless::VerticalBlankCount(), headless::PresentCount(),
                         IsLost(gkScreen.Back), IsLost(gkScreen.Primary)),
              std::tuple(1, 2, DD_OK, DD_OK));
}

TEST_F(Screen, ColourDepthCheck) {
    const std::string message =
        "　ウィンドウ状態で実行しようとしていますが、画面が65536色以下に設定されています。\n"
        "正しく動作させるには、1670万色以上に設定するか、フルスクリーンで実行させて下さい。\r\n";
    // Depth, file ("": no question), answer, result (0: quitting), full screen, boxes shown.
    const std::tuple<int, const char*, int, int, int, Texts> cases[] = {
        {16, "", IDNO, 1, 0, {}},  // deep enough for the 16-bit desktop
        {32, "", IDNO, 0, 0, {message}},
        {32, "mode.dat", IDYES, 1, 1, {message, "フルスクリーンに設定し直しますか？\r\n"}},
    };
    for (const auto& [depth, file, answer, result, fullScreen, boxes] : cases) {
        Restart();
        gkDraw::SetColorDepth(depth, 0, 0);
        headless::QueueAnswer(IDOK);
        headless::QueueAnswer(answer);
        const int got = gkSystem::CheckColor(file);
        EXPECT_EQ(
            std::tuple(got, gkApp.FullScreen, gkApp.CloseState != 0, gktest::Reports().Take()),
            std::tuple(result, fullScreen, result == 0, boxes))
            << depth << file;
    }
    EXPECT_EQ(gkSystem::LoadMode("mode.dat"), 1);
}

int g_frames = 0;
void FadingGameFrame() {
    if (++g_frames == 1) {
        gkApp.NextScene = 2;
        gkDraw::StartFadeOut();
    }
    gkDraw::Present();
}

// The fade-in stamps frames 9 down to 0 over every tile of the screen; during a fade-out the
// main loop runs only the present, and switches scene at its end.
TEST_F(Screen, FadeInThenAFadeOutDrivenByTheMainLoop) {
    ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
    V colors(640 * 48);
    for (int i = 0; i < 640 * 48; ++i) colors[i] = FrameColor(i % 640 / 64);
    gkDraw::SetDefaultColorKey(FrameColor(0));  // the pattern's load keys black instead
    gkDraw::LoadTransitionPattern(Bmp("fade.bmp", 640, 48, colors).c_str());
    gkDraw::StartFadeIn();
    for (int k = 9; k >= 0; --k) {
        gkDraw::Present();
        EXPECT_EQ((V{Back(0, 0), Back(639, 479)}), V(2, Pixel(FrameColor(k)))) << k;
    }

    gkDraw::ClearScreen();
    g_frames = 0;
    gkSystem::SetGameHooks({nullptr, FadingGameFrame, nullptr, nullptr});
    gkApp.Scene = 1;
    for (int pass = 1; pass <= 10; ++pass) {
        gkSystem::RunFrame();
        EXPECT_EQ(std::tuple(g_frames, Back(0, 0), Back(639, 479), gkDraw::TransitionRunning(),
                             gkApp.Scene),
                  std::tuple(1, Pixel(FrameColor(pass - 1)), Pixel(FrameColor(pass - 1)), pass < 10,
                             pass < 10 ? 1 : 2))
            << pass;
    }
}

TEST_F(Screen, ViewerToggleScrollLimitsDriftAndReload) {
    ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
    gkDraw::ToggleViewer();  // nothing loaded: stays off
    EXPECT_FALSE(gkDraw::ViewerShown());
    // The clip area is a 4 × 480 window onto a 4-wide, 1000-high picture whose row y is grey
    // level y % 200 + 1, except its last column, which is black (transparent); the tile is red.
    gkDraw::SetClip(0, 0, 4, 480);
    V picture(4 * 1000, 0);
    for (int i = 0; i < 4000; ++i) picture[i] = i % 4 == 3 ? 0 : 0x010101u * (i / 4 % 200 + 1);
    const std::string tile = Bmp("tile.bmp", 64, 48, V(64 * 48, 0x0000FF));
    gkDraw::LoadViewer(Bmp("pic.bmp", 4, 1000, picture).c_str(), tile.c_str(), 1000);
    const int pictureSlot = gkPresent.ViewerPicture;
    gkDraw::ToggleViewer();

    gkInput.ViewerKey = VK_DOWN;  // 100 pixels per second
    gkSystem::FrameDelta = 1;
    for (int i = 0; i < 7; ++i) gkDraw::Present();
    // 1000 - 480, reached after 6 presents; the tile drifts by 70 and wraps.
    EXPECT_EQ(std::tuple(gkPresent.ViewerScroll, gkPresent.ViewerTileX, gkPresent.ViewerTileY),
              std::tuple(520.0f, -70.0f + 64, -70.0f + 48));
    // The picture's visible window starts at the scroll of the frame before; the background
    // tile shows through the black column; nothing outside the clip area.
    EXPECT_EQ((V{Back(0, 0), Back(3, 0), Back(4, 0)}),
              (V{Pixel(0x010101u * (520 % 200 + 1)), Pixel(0x0000FF), 0}));
    gkInput.ViewerKey = VK_LEFT;  // fast page up: 300 per second, stopping at 0
    gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, 220);
    gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, 0);

    // Reloading keeps the slot number and replaces the image.
    gkDraw::LoadViewer(Bmp("pic2.bmp", 4, 100, V(400, 0x00FF00)).c_str(), tile.c_str(), 100);
    EXPECT_EQ(std::pair(gkPresent.ViewerPicture, int(gkSprites[pictureSlot].height)),
              std::pair(pictureSlot, 100));
    // A picture shorter than the clip area ends at a negative scroll (the lower limit first).
    gkInput.ViewerKey = 0;
    gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, -380);
    gkDraw::ToggleViewer();
    EXPECT_FALSE(gkDraw::ViewerShown());
}

}  // namespace
