// Every module's public operations called with hostile arguments: numbers outside their tables,
// coordinates and sizes at the ends of the int range, missing and overlong names. Each call
// must return its failure value and leave the screen alone, without any sanitizer report.
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gk.h"
#include "platform/window.h"
#include "support/back_screen.h"
#include "support/draw_files.h"

namespace {

constexpr int kMin = INT_MIN, kMax = INT_MAX;
const int kBadNumbers[] = {-1, kMin, kMax};

struct Call {
    const char* what;
    std::function<int()> run;
    int expected;
};
#define RESULT(expr, want)                                  \
    {                                                       \
#expr, [&] { return static_cast<int>(expr); }, want \
    }
#define NONE(expr)                \
    {                             \
#expr, [&] { expr; return 0; }, 0 \
    }

void Expect(const std::vector<Call>& calls, const std::string& context) {
    for (const Call& c : calls) EXPECT_EQ(c.run(), c.expected) << c.what << " " << context;
}

using Hostile = gktest::DrawFiles;

TEST_F(Hostile, DrawAndEffects) {
    ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    const int obj = gkDraw::CreateObject(4, 4, 0);
    gkDraw::ClearScreen();
    const auto blank = gkScreen.Back->pixels;
    for (int slot : {-1, gk::kSpriteSlots, kMin, kMax}) {
        Expect({NONE(gkDraw::ReleaseObject(slot)), RESULT(gkDraw::SwapObject("a.bmp", slot, 2), 0),
                NONE(gkDraw::SetObjectCornerColorKey(slot)), NONE(gkDraw::CopyColorKey(slot, obj)),
                NONE(gkDraw::CopyColorKey(obj, slot)),
                RESULT(gkDraw::ClearObject(slot), plat::DDERR_INVALIDPARAMS),
                NONE(gkDraw::PutObjectOnObject(slot, 0, 0, obj, 0, 0, 4, 4)),
                NONE(gkDraw::PutStretch(0, 0, slot, 0, 0, 4, 4, 8, 8)),
                NONE(gkDraw::GrabScreen(slot, 0, 0, 4, 4)),
                RESULT(gkDraw::PutFlip(0, 0, 1, slot, 0, 0, 4, 4), 0),
                NONE(gkDraw::PutWave(0, 0, 2, 1, 1, slot, 0, 0, 4, 4, 1)),
                NONE(gkDraw::PutRoll(0, 0, 1, 1, slot, 0, 0, 4, 4)),
                RESULT(gkDraw::PutAlpha(0, 0, 0.5f, slot, 0, 0, 4, 4), 0),
                RESULT(gkDraw::PutTunnel(0, 0, 0, 0, slot), 0)},
               "slot " + std::to_string(slot));
    }
    gkDraw::WhiteRect(0, 0, 4, 4);  // something to grab and put back
    gkDraw::GrabScreen(obj, 0, 0, 4, 4);
    gkDraw::ClearScreen();
    for (int a : {kMin, kMax}) {
        // Off screen, or a source rectangle of which only the object's part can draw.
        Expect({NONE(gkDraw::PutObject(a, a, obj, 0, 0, 4, 4)),
                NONE(gkDraw::PutObject(a, 0, obj, a, 0, a, 4)),
                NONE(gkDraw::PutStretch(a, a, obj, 0, 0, 4, 4, kMax, kMax)),
                RESULT(gkDraw::PutFlip(a, a, 3, obj, 0, 0, 4, 4), 1),
                NONE(gkDraw::PutRowMosaic(a, 0, kMax, obj, 0, kMin, 4, kMax)),
                NONE(gkDraw::PutRowMosaic(0, a, 1, obj, 0, 0, 4, kMax)),
                NONE(gkDraw::PutWave(a, a, kMax, kMin, 1, obj, kMin, kMin, kMax, kMax, 1)),
                NONE(gkDraw::PutShake(a, a, kMax, obj, 0, 0, 4, kMax)),
                NONE(gkDraw::PutSkipRows(a, a, kMin, obj, 0, kMin, 4, kMax)),
                NONE(gkDraw::PutRoll(a, a, 0, 1, obj, 0, kMin, 4, kMax)),
                NONE(gkDraw::GrabScreen(obj, a, a, ~a, ~a)),
                RESULT(gkDraw::PutHalf(a, a, obj, 0, 0, 4, 4), 1),
                RESULT(gkDraw::PutRotate(a, a, a, a, a, obj, 0, 0, 4, 4), 1),
                RESULT(gkDraw::PutBlur(a, a, kMax, obj, 0, 0, 4, 4), 1),
                RESULT(gkDraw::BlurRect(a, a, kMax, kMax), 1),
                RESULT(gkDraw::InvertRect(a, a, a, a), plat::DD_OK)},
               "coordinate " + std::to_string(a));
        EXPECT_EQ(gkScreen.Back->pixels, blank) << a;
    }
    // Whole-screen rectangles given by the ends of the range cover the screen exactly.
    gkDraw::DrawBox(kMin, kMin, kMax, kMax, 0xFFFFFF, 0xFFFFFF, kMax);
    gkDraw::DrawLine(kMin, kMin, kMax, kMax, 0, kMax);
    const plat::Point curve[4] = {{kMin, kMin}, {kMax, kMin}, {kMin, kMax}, {kMax, kMax}};
    gkDraw::DrawBezier(curve, 4, 0, 1);
    EXPECT_EQ(gkDraw::HalfFillRect(kMin, kMin, kMax, kMax, 0), 1);
    EXPECT_EQ(gkDraw::LoadObject(nullptr, 2), 0);
    gkDraw::LoadViewer(nullptr, nullptr, kMax);
    EXPECT_EQ(gkDraw::LoadTransitionPattern(nullptr), 0);
    for (int n : kBadNumbers) EXPECT_EQ(gkDraw::StartWipe(1, n, 1, n), 0) << n;
}

TEST_F(Hostile, TextAndMessages) {
    ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    gkDraw::InitFonts();
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
    for (int n : kBadNumbers) {
        EXPECT_EQ(gkSystem::SetWait(n, 1), 0);
        EXPECT_EQ(gkSystem::CheckWait(n), 0);
        gkSystem::JoySetSpeed(n, 1, 1);
        int x = 7, y = 7;
        gkSystem::JoyGetCenter(n, &x, &y);
        EXPECT_EQ(x + y, 0);
        EXPECT_EQ(gkSystem::JoyButtonRamp(n, 1) + gkSystem::JoyPad(n), 5);
        gkSound::Play(n, n);
        gkSound::SetVolume(n, kMin, n);
        gkSound::Echo(n, kMax, kMax, kMin);
        EXPECT_EQ(gkSound::ResetStream(n), 0);
        EXPECT_EQ(gkSound::GetPlayPosition(n), 0u);
        int state = 9;
        gkSystem::KeyState(n, &state);
        EXPECT_EQ(state, 0);
        gkSystem::WatchKey(n);
        gkSystem::SetMousePos(n, n);
        gkSystem::LimitMouse(n, n, ~n, ~n);
    }
    EXPECT_EQ(gkSystem::OSVersionCode(2, kMax, kMax), -1);
    EXPECT_EQ(gkSound::LoadObject(nullptr, 1), -1);
    EXPECT_EQ(gkSound::LoadStream(nullptr, kMax), -1);
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
