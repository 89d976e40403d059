// Every module's public operations called with hostile arguments: numbers outside their tables,
// coordinates and sizes at the ends of the int range, missing names. Each call returns its
// failure value and leaves the screen alone; the sanitizer build reports any overflow or stray
// access, and an unbounded loop runs into the test's time limit.
#include <climits>
#include <filesystem>
#include <string>

#include "gk.h"
#include "support/draw_files.h"

namespace {

constexpr int kMin = INT_MIN, kMax = INT_MAX;
using Hostile = gktest::DrawFiles;

TEST_F(Hostile, DrawAndEffects) {
    ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    const int obj = gkDraw::CreateObject(4, 4, 0);
    gkDraw::WhiteRect(0, 0, 4, 4);  // something to grab and put back
    gkDraw::GrabScreen(obj, 0, 0, 4, 4);
    gkDraw::ClearScreen();
    const auto blank = gkScreen.Back->pixels;
    for (int n : {-1, gk::kSpriteSlots, kMin, kMax}) {
        gkDraw::ReleaseObject(n);
        gkDraw::SetObjectCornerColorKey(n);
        gkDraw::CopyColorKey(n, obj);
        gkDraw::CopyColorKey(obj, n);
        gkDraw::PutObjectOnObject(n, 0, 0, obj, 0, 0, 4, 4);
        gkDraw::PutStretch(0, 0, n, 0, 0, 4, 4, 8, 8);
        gkDraw::GrabScreen(n, 0, 0, 4, 4);
        gkDraw::PutWave(0, 0, 2, 1, 1, n, 0, 0, 4, 4, 1);
        gkDraw::PutRoll(0, 0, 1, 1, n, 0, 0, 4, 4);
        EXPECT_EQ(gkDraw::SwapObject("a.bmp", n, 2) + gkDraw::PutFlip(0, 0, 1, n, 0, 0, 4, 4) +
                      gkDraw::PutAlpha(0, 0, 0.5f, n, 0, 0, 4, 4) +
                      gkDraw::PutTunnel(0, 0, 0, 0, n),
                  0);
        EXPECT_EQ(gkDraw::ClearObject(n), plat::DDERR_INVALIDPARAMS);
        EXPECT_EQ(gkDraw::StartWipe(1, n, 1, n), 0);
    }
    for (int a : {kMin, kMax}) {
        // Off screen, or a source rectangle of which only the object's part could draw.
        gkDraw::PutObject(a, a, obj, 0, 0, 4, 4);
        gkDraw::PutObject(a, 0, obj, a, 0, a, 4);
        gkDraw::PutStretch(a, a, obj, 0, 0, 4, 4, kMax, kMax);
        gkDraw::PutRowMosaic(a, 0, kMax, obj, 0, kMin, 4, kMax);
        gkDraw::PutRowMosaic(0, a, 1, obj, 0, 0, 4, kMax);
        gkDraw::PutWave(a, a, kMax, kMin, 1, obj, kMin, kMin, kMax, kMax, 1);
        gkDraw::PutShake(a, a, kMax, obj, 0, 0, 4, kMax);
        gkDraw::PutSkipRows(a, a, kMin, obj, 0, kMin, 4, kMax);
        gkDraw::PutRoll(a, a, 0, 1, obj, 0, kMin, 4, kMax);
        gkDraw::GrabScreen(obj, a, a, ~a, ~a);
        EXPECT_EQ(
            gkDraw::PutFlip(a, a, 3, obj, 0, 0, 4, 4) + gkDraw::PutHalf(a, a, obj, 0, 0, 4, 4) +
                gkDraw::PutRotate(a, a, a, a, a, obj, 0, 0, 4, 4) +
                gkDraw::PutBlur(a, a, kMax, obj, 0, 0, 4, 4) + gkDraw::BlurRect(a, a, kMax, kMax),
            5);
        EXPECT_EQ(gkDraw::InvertRect(a, a, a, a), plat::DD_OK);
        int32_t cursor = a;
        EXPECT_EQ(gkDraw::NextNoiseWrapping(&cursor), gkEffectTables.Noise[0]);
        EXPECT_EQ(gkScreen.Back->pixels, blank) << a;
    }
    // Shapes reaching the ends of the range are cut to the screen.
    gkDraw::DrawBox(kMin, kMin, kMax, kMax, 0xFFFFFF, 0xFFFFFF, kMax);
    gkDraw::DrawLine(kMin, kMin, kMax, kMax, 0, kMax);
    const plat::Point curve[4] = {{kMin, kMin}, {kMax, kMin}, {kMin, kMax}, {kMax, kMax}};
    gkDraw::DrawBezier(curve, 4, 0, 1);
    EXPECT_EQ(gkDraw::HalfFillRect(kMin, kMin, kMax, kMax, 0), 1);
    EXPECT_EQ(gkDraw::LoadObject(nullptr, 2) + gkDraw::LoadTransitionPattern(nullptr), 0);
    gkDraw::LoadViewer(nullptr, nullptr, kMax);
    gkDraw::SetPackFile(nullptr);
    EXPECT_EQ(gkDraw::LoadPack(nullptr, 2) + gkDraw::SwapPack("a", kMax, 2) +
                  gkDraw::Convert(nullptr, nullptr, 1) + gkDraw::SaveScreen(nullptr, 9, 9),
              0);
    gkDraw::AppendPackEntry(nullptr, nullptr);
}

TEST_F(Hostile, TextAndMessages) {
    ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    for (int a : {kMin, kMax}) {
        gkDraw::SelectFont(a, a, a, a, a, a);
        gkDraw::PutText(a, a, "ab");
        gkDraw::PutTextRect(a, a, ~a, ~a, "ab", a);
        gkDraw::MeasureTextRect(a, a, ~a, ~a, "ab");
        gkDraw::SelectSpriteFont(a, a);
        gkDraw::PutMessage(a, a, ~a, ~a, "ab", 0xFFFF);
        gkDraw::PutSmoothMessage(a, a, ~a, ~a, "ab", 0xFFFF);
        gkDraw::TypeMessage(static_cast<float>(a));
    }
    gkDraw::SelectFontByName(nullptr, 16, 0, 0, 0, 0);
    gkDraw::PutText(0, 0, nullptr);
    gkDraw::MeasureTextRect(0, 0, 9, 9, nullptr);
    gkDraw::SelectSpriteFontByName(nullptr, 16);  // left open: the fixture frees it
}

TEST_F(Hostile, SystemInputSoundApp) {
    gkSound::Init();
    for (int n : {-1, kMin, kMax}) {
        EXPECT_EQ(gkSystem::SetWait(n, 1) + gkSystem::CheckWait(n), 0);
        gkSystem::JoySetSpeed(n, 1, 1);
        int x = 7, y = 7, state = 9;
        gkSystem::JoyGetCenter(n, &x, &y);
        gkSystem::KeyState(n, &state);
        EXPECT_EQ(x + y + state, 0);
        EXPECT_EQ(gkSystem::JoyButtonRamp(n, 1) + gkSystem::JoyPad(n), 5);
        gkSound::Play(n, n);
        gkSound::SetVolume(n, kMin, n);
        gkSound::Echo(n, kMax, kMax, kMin);
        EXPECT_EQ(gkSound::ResetStream(n) + gkSound::GetPlayPosition(n), 0u);
        gkSystem::WatchKey(n);
        gkSystem::SetMousePos(n, n);
        gkSystem::LimitMouse(n, n, ~n, ~n);
    }
    EXPECT_EQ(gkSystem::OSVersionCode(2, kMax, kMax), -1);
    EXPECT_EQ(gkSound::LoadObject(nullptr, 1) + gkSound::LoadStream(nullptr, kMax), -2);
    gkSound::PlaySync(nullptr);
    gkSound::PlayMidi(nullptr, 1);
    gkSystem::SetDataFolder(nullptr);
    gkSystem::SaveValue(nullptr, 1);
    EXPECT_EQ(gkSystem::LoadValue(nullptr), 0);
    const std::string save = folder + "/save.dat";
    for (const std::string text : {"2147483648", "-2147483649", "99999999999999999999"}) {
        gktest::WriteFile(save, std::vector<uint8_t>(text.begin(), text.end()));
        EXPECT_EQ(gkSystem::LoadValue("save.dat"), 0) << text;
    }
    gktest::WriteFile(save + ".tmp", {'1'});  // left by a save killed before its rename
    gkSystem::SaveValue("save.dat", kMin);
    EXPECT_EQ(gkSystem::LoadValue("save.dat"), kMin);
    EXPECT_FALSE(std::filesystem::exists(save + ".tmp"));
}

}  // namespace
