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
    // Opens the main window and handles its first messages.
    static void Window() {
        ASSERT_NE(CreateMainWindow("t", 640, 480, false, gkSystem::WndProc), nullptr);
        Pump();
    }
    static void Pump() {
        Msg msg;
        while (PeekMessage(msg)) DispatchMessage(msg);
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
    EXPECT_NE(gkScreen.Clipper, nullptr);
    EXPECT_EQ(gkScreen.Primary->clipper, gkScreen.Clipper);
    for (const Rect& r : {gkScreen.Clip, gkScreen.SourceRect, gkScreen.ClientRect})
        EXPECT_EQ(Edges(r), std::tuple(0, 0, 640, 480));
    const char* names[] = {"内部用１", "内部用２", "内部用３", "内部用４"};
    for (int slot = 0; slot < 4; ++slot) {
        const SpriteObject& s = gkSprites[slot];
        EXPECT_EQ(std::tuple(std::string(s.name), s.width, s.height, s.surface->hasColorKey,
                             s.surface->colorKey),
                  std::tuple(std::string(names[slot]), 640, 480, true, 0u));
    }
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

    Restart();  // the client rectangle follows the origin
    gkScreen.OriginX = 100;
    gkScreen.OriginY = 50;
    ASSERT_EQ(gkDraw::Screen(320, 240, 0), 1);
    EXPECT_EQ(std::pair(Edges(gkScreen.ClientRect), Edges(gkScreen.SourceRect)),
              std::pair(std::tuple(100, 50, 420, 290), std::tuple(0, 0, 320, 240)));
}

TEST_F(Screen, PixelFormatFieldsAndWhereEachModePutsTheSurfaces) {
    // Depth, masks, shifts, maxima and 5-bit shifts (red, green, blue), half mask, colour mask;
    // the pixels of the GDI colours 0x123456 and 0x070307 (low bits dropped, not rounded).
    const std::pair<PixelFormat, V> formats[] = {
        {PixelFormat::R5G6B5,
         {16, 0xF800, 0x7E0, 0x1F, 11, 5, 0, 31, 63, 31, 11, 6, 0, 0x7BEF, 0xFFFF, 0x51A2, 0}},
        {PixelFormat::X1R5G5B5,
         {16, 0x7C00, 0x3E0, 0x1F, 10, 5, 0, 31, 31, 31, 10, 5, 0, 0x3DEF, 0x7FFF, 0x28C2, 0}},
        {PixelFormat::X8R8G8B8,
         {32, 0xFF0000, 0xFF00, 0xFF, 16, 8, 0, 255, 255, 255, 16, 8, 0, 0x7F7F7F, 0xFFFFFF,
          0x563412, 0x070307}},
    };
    for (const auto& [format, want] : formats) {
        Restart();
        headless::UseDisplayFormat(format);
        ASSERT_EQ(gkDraw::Screen(8, 8, 0), 1);
        const gkScreenState& s = gkScreen;
        EXPECT_EQ((V{uint32_t(s.ColorDepth), s.RedMask, s.GreenMask, s.BlueMask, s.RedShift,
                     s.GreenShift, s.BlueShift, s.RedMax, s.GreenMax, s.BlueMax, s.Red5Shift,
                     s.Green5Shift, s.Blue5Shift, s.HalfMask, s.ColorMask,
                     ColorToPixel(format, 0x123456), ColorToPixel(format, 0x070307)}),
                  want);
        // Every 16-bit pixel survives the trip through a GDI colour, and 32-bit ones like it.
        for (uint32_t p = 0; p < 0x10000; ++p) {
            const uint32_t pixel = p * 0x10001 & s.ColorMask;  // in 32 bits red repeats blue
            ASSERT_EQ(ColorToPixel(format, PixelToColor(format, pixel)), pixel);
        }
    }
    // In system memory: primary and back, slots 0 and 1 (slots 2 and 3 always), per mode.
    for (auto [mode, want] : {std::pair(1, 0b000011), std::pair(3, 0b001111),
                              std::pair(0, 0b111111), std::pair(2, 0b111111)}) {
        Restart();
        ASSERT_EQ(gkDraw::Screen(16, 16, mode), 1);
        int where = 0;
        for (const Surface* s : {gkScreen.Primary, gkScreen.Back, gkSprites[0].surface,
                                 gkSprites[1].surface, gkSprites[2].surface, gkSprites[3].surface})
            where = where << 1 | ((s->caps & DDSCAPS_SYSTEMMEMORY) != 0);
        EXPECT_EQ(where, want) << mode;
    }
}

TEST_F(Screen, EveryFailureIsReportedAndStopsTheSetUp) {
    using headless::Fail;
    struct Case {
        std::vector<Fail> inject;  // set-up operations made to fail
        int failingSurface;        // n-th surface creation made to fail, 0 none
        const char* message;
    } cases[] = {
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
    for (const Case& c : cases) {
        Restart();
        gkSprites[9].name[0] = 'x';  // not emptied when the set-up stops early
        gkSoundObjects[5].Used = 1;  // nor the other modules started
        for (Fail f : c.inject) headless::FailNext(f);
        headless::FailSurfaceCreation(c.failingSurface);
        const bool fails = c.message != nullptr;
        EXPECT_EQ(gkDraw::Screen(32, 32, 0), fails ? 0 : 1);
        EXPECT_EQ(gktest::Reports().Take(),
                  fails ? Texts{"gkDraw::Screen : " + std::string(c.message)} : Texts{});
        EXPECT_EQ(std::tuple(gkApp.Error, gkSprites[9].name[0], gkSoundObjects[5].Used,
                             gkFont.Description == nullptr),
                  std::tuple(int(fails), fails ? 'x' : '\0', int(fails), fails));
    }
}

TEST_F(Screen, FullScreenDepthFallbacksAndPresentingToTheWindow) {
    const struct {
        int alt1, result;
        std::vector<int> requests;
    } fallbacks[] = {{0, 0, {32}}, {24, 1, {32, 24, 16}}};  // no second fallback after a 0
    for (const auto& f : fallbacks) {
        Restart();
        gkApp.FullScreen = 1;
        gkDraw::SetColorDepth(32, f.alt1, 16);
        headless::RefuseDisplayDepth(32);
        ASSERT_EQ(gkDraw::Screen(640, 480, 1), f.result);
        EXPECT_EQ(headless::DisplayModeRequests(), f.requests);
        EXPECT_EQ(gktest::Reports().Take(),
                  f.result ? Texts{} : Texts{"gkDraw::Screen : 解像度が変更できません"});
    }
    EXPECT_EQ(std::tuple(gkScreen.ColorDepth, gkScreen.Clipper, gkScreen.Primary->clipper),
              std::tuple(16, nullptr, nullptr));
    gkDraw::Release();
    EXPECT_EQ(headless::MinimizeCount(), 1);

    // Full-screen at 32 bits switches the display format until the release; the window is
    // moved to the screen's corner.
    Restart();
    gkApp.FullScreen = 1;
    gkDraw::SetColorDepth(32, 0, 0);
    Window();
    ASSERT_EQ(gkDraw::Screen(640, 480, 1), 1);
    Pump();
    EXPECT_EQ(std::tuple(gkScreen.ColorMask, gkSystem::GetColorDepth(), gkSystem::IsWindowed(),
                         Edges(gkScreen.ClientRect)),
              std::tuple(0xFFFFFFu, 32, 0, std::tuple(0, 0, 640, 480)));
    EXPECT_TRUE(PresentFillsTheWindow());
    gkDraw::Release();
    EXPECT_EQ(DisplayFormat(), PixelFormat::R5G6B5);

    // Windowed, the window is not at the desktop's corner. The present waits for the blank
    // only when asked, and restores lost surfaces without showing that frame again.
    Restart();
    Window();
    ASSERT_EQ(gkDraw::Screen(-1, 0, 0), 1);
    EXPECT_NE(gkScreen.ClientRect.left, 0);
    EXPECT_TRUE(PresentFillsTheWindow());
    gkDraw::FillRect(3, 4, 5, 6, 0x1234);
    gkDraw::SetWaitVSync(0);
    gkDraw::Present();
    EXPECT_EQ(gktest::Raws(headless::PresentedFrame(), {{4, 5}, {5, 5}}),
              (V{0x1234, Pixel(0xFF0000)}));
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
    const std::string again = "フルスクリーンに設定し直しますか？\r\n";
    const struct {
        int depth;
        const char* file;  // "": no question; "*": the switch question; a file: the set-again one
        int answer, result, fullScreen;
        Texts boxes;
    } cases[] = {
        {16, "", IDNO, 1, 0, {}},  // deep enough for the 16-bit desktop
        {12, "", IDNO, 1, 0, {}},  // a depth the check does not know
        {32, "", IDNO, 0, 0, {message}},
        {32, "*", IDYES, 1, 1, {message, "フルスクリーンに切り換えますか？\r\n"}},
        {32, "mode.dat", IDNO, 0, 0, {message, again}},
        {32, "mode.dat", IDYES, 1, 1, {message, again}},  // records 1
    };
    for (const auto& c : cases) {
        Restart();
        gkDraw::SetColorDepth(c.depth, 0, 0);
        headless::QueueAnswer(IDOK);
        headless::QueueAnswer(c.answer);
        const int result = gkSystem::CheckColor(c.file);  // 0: quitting
        EXPECT_EQ(
            std::tuple(result, gkApp.FullScreen, gkApp.CloseState != 0, gktest::Reports().Take()),
            std::tuple(c.result, c.fullScreen, c.result == 0, c.boxes))
            << c.depth << c.file;
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
    const int slot = gkDraw::LoadTransitionPattern(Bmp("fade.bmp", 640, 48, colors).c_str());
    EXPECT_EQ(std::pair(slot != 0, gkPresent.PatternSprite), std::pair(true, slot));
    gkDraw::StartFadeIn();
    EXPECT_FALSE(gkDraw::FadingOut());
    for (int k = 9; k >= 0; --k) {
        gkDraw::Present();
        EXPECT_EQ((V{Back(0, 0), Back(639, 479)}), V(2, Pixel(FrameColor(k)))) << k;
    }
    EXPECT_FALSE(gkDraw::TransitionRunning());

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
    const int pictureSlot = gkPresent.ViewerPicture, tileSlot = gkPresent.ViewerTile;
    ASSERT_NE(pictureSlot * tileSlot, 0);
    gkDraw::ToggleViewer();
    EXPECT_TRUE(gkDraw::ViewerShown());

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

    // Reloading keeps both slot numbers and replaces the images; the scroll restarts.
    gkDraw::LoadViewer(Bmp("pic2.bmp", 4, 100, V(400, 0x00FF00)).c_str(), tile.c_str(), 100);
    EXPECT_EQ(std::tuple(gkPresent.ViewerPicture, gkPresent.ViewerTile,
                         gkSprites[pictureSlot].height, gkPresent.ViewerHeight),
              std::tuple(pictureSlot, tileSlot, 100, 100));
    // A picture shorter than the clip area ends at a negative scroll (the lower limit first).
    gkInput.ViewerKey = 0;
    gkDraw::Present();
    EXPECT_FLOAT_EQ(gkPresent.ViewerScroll, -380);
    gkDraw::ToggleViewer();
    EXPECT_FALSE(gkDraw::ViewerShown());

    Restart();  // a tile that failed to load is loaded afresh later, not swapped into slot 0
    ASSERT_EQ(gkDraw::Screen(128, 96, 0), 1);
    gkDraw::LoadViewer(tile.c_str(), "missing.bmp", 4);
    EXPECT_EQ(gkPresent.ViewerTile, 0);
    gkDraw::LoadViewer(tile.c_str(), tile.c_str(), 4);
    EXPECT_EQ(std::pair(gkPresent.ViewerTile >= 4, int(gkSprites[0].width)), std::pair(true, 128));
}

}  // namespace
