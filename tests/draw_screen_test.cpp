// Screen set-up and release on the headless display: the screen state after set-up in each
// pixel format and mode, every set-up failure, full-screen depth fallbacks, release, and the
// colour-depth check.
#include <string>
#include <tuple>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/display.h"
#include "platform/window.h"
#include "sound/sound.h"
#include "support/back_screen.h"
#include "support/draw_files.h"
#include "system/system.h"
#include "text/text.h"

namespace {

using V = std::vector<uint32_t>;

std::string ErrorText(const char* message) {
    return std::string("gkDraw::Screen : ") + message;
}

class Screen : public gktest::DrawFiles {
  protected:
    // Shows the back screen through the client rectangle; true when every corner of the
    // window shows the colour filled in.
    static bool PresentFillsTheWindow() {
        const uint32_t blue = plat::ColorToPixel(plat::DisplayFormat(), 0xFF0000);
        plat::Blt(gkScreen.Back, nullptr, nullptr, nullptr, plat::DDBLT_COLORFILL, blue);
        if (plat::Blt(gkScreen.Primary, &gkScreen.ClientRect, gkScreen.Back, &gkScreen.SourceRect,
                      plat::DDBLT_WAIT) != plat::DD_OK)
            return false;
        const plat::Surface* shown = plat::headless::PresentedFrame();
        return gktest::Raws(shown, {{0, 0}, {639, 0}, {0, 479}, {639, 479}}) == V(4, blue);
    }
    static void Pump() {
        plat::Msg msg;
        while (plat::PeekMessage(msg)) plat::DispatchMessage(msg);
    }
};

auto Edges(const plat::Rect& r) {
    return std::tuple(r.left, r.top, r.right, r.bottom);
}

TEST_F(Screen, SetsUpTheGameAreaAndStartsTheOtherModules) {
    gkApp.Error = 1;  // starting again clears the error flag
    gkSoundObjects[5].Used = 1;
    gkPresent.ViewerPicture = 7;
    gkDraw::SetColorDepth(32, 0, 0);
    ASSERT_EQ(gkDraw::Screen(-1, 0, 0), 1);
    EXPECT_EQ((std::vector<int>{gkScreen.Width, gkScreen.Height, gkScreen.ColorDepth,
                                gkScreen.Back->width, gkScreen.Device3D, gkScreen.CanStretch,
                                gkApp.Error}),
              (std::vector<int>{640, 480, 16, 640, 0, 1, 0}));  // windowed: the desktop's depth
    EXPECT_NE(gkScreen.Clipper, nullptr);
    EXPECT_EQ(gkScreen.Primary->clipper, gkScreen.Clipper);
    for (const plat::Rect& r : {gkScreen.Clip, gkScreen.SourceRect, gkScreen.ClientRect})
        EXPECT_EQ(Edges(r), std::tuple(0, 0, 640, 480));
    const char* names[] = {"内部用１", "内部用２", "内部用３", "内部用４"};
    for (int slot = 0; slot < 4; ++slot) {
        const SpriteObject& s = gkSprites[slot];
        EXPECT_STREQ(s.name, names[slot]);
        EXPECT_EQ(std::tuple(s.width, s.height, s.surface->hasColorKey, s.surface->colorKey),
                  std::tuple(640, 480, true, 0u));
    }
    EXPECT_EQ(gkSprites[4].surface, nullptr);
    EXPECT_EQ((std::vector<int>{gkSoundObjects[5].Used, gkSoundObjects[5].EchoStep,
                                gkFont.PutAfterRender, gkMidi.Loop, gkPresent.ViewerPicture}),
              (std::vector<int>{0, -1, 1, 1, 0}));
    // Quitting releases every drawing object.
    gkSystem::Quit();
    EXPECT_EQ(std::tuple(gkScreen.DirectDraw, gkSprites[0].surface), std::tuple(nullptr, nullptr));

    Restart();  // the client rectangle follows the origin
    gkScreen.OriginX = 100;
    gkScreen.OriginY = 50;
    ASSERT_EQ(gkDraw::Screen(320, 240, 0), 1);
    EXPECT_EQ(Edges(gkScreen.ClientRect), std::tuple(100, 50, 420, 290));
    EXPECT_EQ(Edges(gkScreen.SourceRect), std::tuple(0, 0, 320, 240));
}

TEST_F(Screen, PixelFormatFields) {
    // Depth, masks, shifts, maxima and 5-bit shifts (red, green, blue), half mask, colour mask.
    const std::pair<plat::PixelFormat, V> cases[] = {
        {plat::PixelFormat::R5G6B5,
         {16, 0xF800, 0x7E0, 0x1F, 11, 5, 0, 31, 63, 31, 11, 6, 0, 0x7BEF, 0xFFFF}},
        {plat::PixelFormat::X1R5G5B5,
         {16, 0x7C00, 0x3E0, 0x1F, 10, 5, 0, 31, 31, 31, 10, 5, 0, 0x3DEF, 0x7FFF}},
        {plat::PixelFormat::X8R8G8B8,
         {32, 0xFF0000, 0xFF00, 0xFF, 16, 8, 0, 255, 255, 255, 16, 8, 0, 0x7F7F7F, 0xFFFFFF}},
    };
    for (const auto& [format, want] : cases) {
        Restart();
        plat::headless::UseDisplayFormat(format);
        ASSERT_EQ(gkDraw::Screen(8, 8, 0), 1);
        EXPECT_EQ(gkSystem::GetColorDepth(), int(want[0]));
        const gkScreenState& s = gkScreen;
        EXPECT_EQ((V{uint32_t(s.ColorDepth), s.RedMask, s.GreenMask, s.BlueMask, s.RedShift,
                     s.GreenShift, s.BlueShift, s.RedMax, s.GreenMax, s.BlueMax, s.Red5Shift,
                     s.Green5Shift, s.Blue5Shift, s.HalfMask, s.ColorMask}),
                  want);
    }
}

TEST_F(Screen, ModeChoosesWhereSurfacesLive) {
    auto systemMemory = [](const plat::Surface* s) {
        return (s->caps & plat::DDSCAPS_SYSTEMMEMORY) != 0;
    };
    // Primary and back, slots 0 and 1 (slots 2 and 3 always in system memory).
    const std::tuple<int, bool, bool> cases[] = {
        {1, false, false}, {3, false, true}, {0, true, true}, {2, true, true}};
    for (const auto& [mode, primaryAndBack, slots01] : cases) {
        Restart();
        ASSERT_EQ(gkDraw::Screen(16, 16, mode), 1);
        EXPECT_EQ((std::vector<bool>{
                      systemMemory(gkScreen.Primary), systemMemory(gkScreen.Back),
                      systemMemory(gkSprites[0].surface), systemMemory(gkSprites[1].surface),
                      systemMemory(gkSprites[2].surface), systemMemory(gkSprites[3].surface)}),
                  (std::vector<bool>{primaryAndBack, primaryAndBack, slots01, slots01, true, true}))
            << mode;
    }
}

TEST_F(Screen, EveryFailureIsReportedAndStopsTheSetUp) {
    using plat::headless::Fail;
    struct Case {
        std::vector<Fail> inject;  // set-up operations made to fail
        int failingSurface;        // n-th surface creation made to fail, 0 none
        const char* message;
    } cases[] = {
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
        for (Fail f : c.inject) plat::headless::FailNext(f);
        plat::headless::FailSurfaceCreation(c.failingSurface);
        EXPECT_EQ(gkDraw::Screen(32, 32, 0), 0) << c.message;
        const auto& boxes = plat::headless::Boxes();
        ASSERT_EQ(boxes.size(), 1u) << c.message;
        EXPECT_EQ(boxes[0].title, "エラー発生");
        EXPECT_EQ(boxes[0].text, ErrorText(c.message));
        EXPECT_EQ(std::tuple(gkApp.Error, gkSprites[9].name[0], gkSoundObjects[5].Used,
                             gkFont.Description),
                  std::tuple(1, 'x', 1, nullptr));
    }
    // A device that enumerates badly is passed over for the default one.
    Restart();
    plat::headless::FailNext(Fail::CreateDevice);
    EXPECT_EQ(gkDraw::Screen(32, 32, 0), 1);
    EXPECT_TRUE(plat::headless::Boxes().empty());
}

TEST_F(Screen, FullScreenDepthFallbacks) {
    gkApp.FullScreen = 1;
    gkDraw::SetColorDepth(32, 24, 16);
    plat::headless::RefuseDisplayDepth(32);
    ASSERT_EQ(gkDraw::Screen(640, 480, 1), 1);
    EXPECT_EQ(plat::headless::DisplayModeRequests(), (std::vector<int>{32, 24, 16}));
    EXPECT_EQ(std::tuple(gkScreen.ColorDepth, gkScreen.Clipper, gkScreen.Primary->clipper),
              std::tuple(16, nullptr, nullptr));
    gkDraw::Release();
    EXPECT_EQ(plat::headless::MinimizeCount(), 1);

    // The second fallback is not tried when the first is 0.
    Restart();
    gkApp.FullScreen = 1;
    gkDraw::SetColorDepth(32, 0, 16);
    plat::headless::RefuseDisplayDepth(32);
    EXPECT_EQ(gkDraw::Screen(640, 480, 1), 0);
    EXPECT_EQ(plat::headless::DisplayModeRequests(), std::vector<int>{32});
    ASSERT_EQ(plat::headless::Boxes().size(), 1u);
    EXPECT_EQ(plat::headless::Boxes()[0].text, ErrorText("解像度が変更できません"));

    // Full-screen at 32 bits switches the display format; the window sits at the screen's
    // corner once its move message is handled.
    Restart();
    gkApp.FullScreen = 1;
    gkDraw::SetColorDepth(32, 0, 0);
    ASSERT_NE(plat::CreateMainWindow("t", 640, 480, false, gkSystem::WndProc), nullptr);
    ASSERT_EQ(gkDraw::Screen(640, 480, 1), 1);
    Pump();
    EXPECT_EQ(std::tuple(gkScreen.ColorMask, gkSystem::GetColorDepth(), gkSystem::IsWindowed()),
              std::tuple(0xFFFFFFu, 32, 0));
    EXPECT_EQ(Edges(gkScreen.ClientRect), std::tuple(0, 0, 640, 480));
    EXPECT_TRUE(PresentFillsTheWindow());
}

TEST_F(Screen, WindowedPresentThroughTheClientRectangleFillsTheWindow) {
    ASSERT_NE(plat::CreateMainWindow("t", 640, 480, false, gkSystem::WndProc), nullptr);
    Pump();
    ASSERT_EQ(gkDraw::Screen(-1, 0, 0), 1);
    EXPECT_NE(gkScreen.ClientRect.left, 0);  // the window is not at the desktop's corner
    EXPECT_TRUE(PresentFillsTheWindow());
}

TEST_F(Screen, ReleaseEmptiesEverything) {
    ASSERT_EQ(gkDraw::Screen(64, 64, 0), 1);
    std::string name = Bmp("a.bmp", 2, 2, {1, 2, 3, 4});
    ASSERT_EQ(gkDraw::LoadObject(name.c_str(), 2), 4);
    ASSERT_EQ(gkDraw::CreateObject(4, 4, 1), 5);
    gkDraw::Release();
    EXPECT_EQ(std::tuple(gkScreen.DirectDraw, gkScreen.Primary, gkScreen.Back, gkScreen.Clipper),
              std::tuple(nullptr, nullptr, nullptr, nullptr));
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_EQ(
            std::tuple(gkSprites[slot].surface, gkSprites[slot].name[0], gkSprites[slot].width),
            std::tuple(nullptr, '\0', 0));
    EXPECT_EQ(plat::headless::MinimizeCount(), 0);  // windowed: the window stays
    gkDraw::Release();                              // twice is harmless
}

TEST_F(Screen, ColourDepthCheck) {
    // Deep enough, or a depth the check does not know: go on without a word.
    for (int depth : {16, 12}) {
        gkDraw::SetColorDepth(depth, 0, 0);
        EXPECT_EQ(gkSystem::CheckColor(""), 1);
    }
    EXPECT_TRUE(plat::headless::Boxes().empty());

    // 32 bits wanted on the 16-bit desktop, no question: the message, then quitting.
    gkDraw::SetColorDepth(32, 0, 0);
    EXPECT_EQ(gkSystem::CheckColor(""), 0);
    ASSERT_EQ(plat::headless::Boxes().size(), 1u);
    EXPECT_EQ(
        plat::headless::Boxes()[0].text.rfind(
            "　ウィンドウ状態で実行しようとしていますが、画面が65536色以下に設定されています。"
            "\n正しく動作させるには、1670万色以上に設定するか、フルスクリーンで実行させて下さい。",
            0),
        0u);
    EXPECT_NE(gkApp.CloseState, 0);

    auto ask = [&](const char* file, int answer) {
        Restart();
        gkDraw::SetColorDepth(32, 0, 0);
        plat::headless::QueueAnswer(IDOK);
        plat::headless::QueueAnswer(answer);
        return gkSystem::CheckColor(file);
    };
    EXPECT_EQ(ask("*", IDYES), 1);  // "*": the switch question; Yes goes full-screen
    EXPECT_EQ(gkApp.FullScreen, 1);
    ASSERT_EQ(plat::headless::Boxes().size(), 2u);
    EXPECT_EQ(plat::headless::Boxes()[1].text, "フルスクリーンに切り換えますか？\r\n");
    EXPECT_EQ(ask("mode.dat", IDYES), 1);  // a file: the set-again question; Yes records 1
    EXPECT_EQ(plat::headless::Boxes()[1].text, "フルスクリーンに設定し直しますか？\r\n");
    EXPECT_EQ(gkSystem::LoadMode("mode.dat"), 1);
    EXPECT_EQ(ask("mode.dat", IDNO), 0);  // No: quitting
    EXPECT_EQ(gkApp.FullScreen, 0);
    EXPECT_NE(gkApp.CloseState, 0);
}

}  // namespace
