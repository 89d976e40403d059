// Screen set-up and release: the device, the primary surface with its clipper, the back screen,
// the four internal sprite slots and the pixel-format fields every software blit and effect
// reads; the clip rectangle, the requested full-screen depths and the colour-depth check.
#include <bit>
#include <cstring>

#include "app/app.h"
#include "draw/draw.h"
#include "effects/effects.h"
#include "input/input.h"
#include "sound/sound.h"
#include "system/system.h"
#include "text/text.h"

gkScreenState gkScreen;

namespace {

using namespace plat;

constexpr char kScreenTag[] = "gkDraw::Screen";

int Fail(const char* message, int32_t code) {
    return gkSystem::ErrorBox(kScreenTag, message, code);
}

// Device choice: keeps the first driver whose hardware draws 3D with textures.
bool ChooseDevice(const int* driver, void*) {
    gkScreen.Device3D = 0;
    Device* device = nullptr;
    if (CreateDevice(driver, &device) != DD_OK) return true;
    Caps hardware, emulation;
    GetCaps(device, &hardware, &emulation);
    if ((hardware.caps & DDCAPS_3D) && (hardware.surfaceCaps & DDSCAPS_TEXTURE)) {
        gkScreen.DirectDraw = device;
        gkScreen.Device3D = 1;
        return false;
    }
    ReleaseDevice(device);
    return true;
}

// Full-screen display mode at ColorDepth, then at each fallback depth that is set.
int32_t SetModeWithFallbacks(int width, int height) {
    int32_t result = SetDisplayMode(gkScreen.DirectDraw, width, height, gkScreen.ColorDepth);
    for (int alt : {gkScreen.AltDepth1, gkScreen.AltDepth2}) {
        if (result == DD_OK || alt == 0) break;
        gkScreen.ColorDepth = alt;
        result = SetDisplayMode(gkScreen.DirectDraw, width, height, alt);
    }
    return result;
}

struct InternalSlot {
    const char* name;
    const char* failure;
};
constexpr InternalSlot kInternalSlots[4] = {
    {"内部用１", "Bufferスプライトが生成できません"},
    {"内部用２", "Screenスプライトが生成できません"},
    {"内部用３", "Fontスプライトが生成できません"},
    {"内部用４", "Fontバッファスプライトが生成できません"},
};

bool MakeInternalSlot(int slot, uint32_t memory) {
    Surface* surface = nullptr;
    int32_t result = CreateSurface(gkScreen.DirectDraw, memory | DDSCAPS_OFFSCREENPLAIN,
                                   gkScreen.Width, gkScreen.Height, &surface);
    if (result != DD_OK) {
        Fail(kInternalSlots[slot].failure, result);
        return false;
    }
    gkDraw::SetSurfaceColorKey(surface, 0);
    SpriteObject& s = gkSprites[slot];
    s = SpriteObject{};
    s.surface = surface;
    std::strcpy(s.name, kInternalSlots[slot].name);
    s.width = static_cast<uint16_t>(gkScreen.Width);
    s.height = static_cast<uint16_t>(gkScreen.Height);
    return true;
}

// Shift, max and 5-bit shift of one channel mask; a zero mask gives zeros.
void ReadChannel(uint32_t mask, uint16_t* shift, uint32_t* max, uint16_t* shift5) {
    *shift = mask ? static_cast<uint16_t>(std::countr_zero(mask)) : 0;
    *max = mask >> *shift;
    *shift5 = static_cast<uint16_t>(*shift + (*max == 63 ? 1 : 0));
}

bool ReadPixelFormat() {
    PixelMasks masks;
    if (int32_t result = GetPixelFormat(gkScreen.Back, &masks); result != DD_OK) {
        Fail("ピクセル情報が取得できません", result);
        return false;
    }
    gkScreenState& s = gkScreen;
    s.RedMask = masks.red;
    s.GreenMask = masks.green;
    s.BlueMask = masks.blue;
    ReadChannel(s.RedMask, &s.RedShift, &s.RedMax, &s.Red5Shift);
    ReadChannel(s.GreenMask, &s.GreenShift, &s.GreenMax, &s.Green5Shift);
    ReadChannel(s.BlueMask, &s.BlueShift, &s.BlueMax, &s.Blue5Shift);
    s.HalfMask = (s.RedMax >> 1) << s.RedShift | (s.GreenMax >> 1) << s.GreenShift |
                 (s.BlueMax >> 1) << s.BlueShift;
    s.ColorMask = s.RedMax << s.RedShift | s.GreenMax << s.GreenShift | s.BlueMax << s.BlueShift;
    return true;
}

// Everything up to the pixel format; false after an error report.
bool CreateDisplay(int width, int height, int mode) {
    const bool fullScreen = gkApp.FullScreen != 0;
    EnumerateDevices(ChooseDevice, nullptr);
    if (!gkScreen.DirectDraw) {
        if (int32_t r = CreateDevice(nullptr, &gkScreen.DirectDraw); r != DD_OK)
            return Fail("DirectDrawが使用できません", r);
    }
    uint32_t memory = (mode == 1 || mode == 3) ? 0 : DDSCAPS_SYSTEMMEMORY;
    uint32_t level =
        fullScreen ? DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE : DDSCL_NORMAL;
    if (int32_t r = SetCooperativeLevel(gkScreen.DirectDraw, level); r != DD_OK)
        return Fail("フルスクリーン化できません", r);
    if (fullScreen) {
        if (int32_t r = SetModeWithFallbacks(width, height); r != DD_OK)
            return Fail("解像度が変更できません", r);
    } else {
        gkScreen.ColorDepth = gkSystem::GetColorDepth();
    }
    if (int32_t r = CreateSurface(gkScreen.DirectDraw, memory | DDSCAPS_PRIMARYSURFACE, 0, 0,
                                  &gkScreen.Primary);
        r != DD_OK)
        return Fail("表画面が生成できません", r);
    if (int32_t r = CreateSurface(gkScreen.DirectDraw, memory | DDSCAPS_OFFSCREENPLAIN, width,
                                  height, &gkScreen.Back);
        r != DD_OK)
        return Fail("裏画面が生成できません", r);
    if (!fullScreen) {
        if (int32_t r = CreateClipper(gkScreen.DirectDraw, &gkScreen.Clipper); r != DD_OK)
            return Fail("クリップが生成できません", r);
        if (int32_t r = SetClipperWindow(gkScreen.Clipper); r != DD_OK)
            return Fail("クリップにウィンドウハンドルを設定できません", r);
        if (int32_t r = SetClipper(gkScreen.Primary, gkScreen.Clipper); r != DD_OK)
            return Fail("表画面をクリップできません", r);
    }
    if (mode == 3) memory = DDSCAPS_SYSTEMMEMORY;
    for (int slot = 0; slot < gk::kFirstUserSprite; ++slot)
        if (!MakeInternalSlot(slot, slot < 2 ? memory : DDSCAPS_SYSTEMMEMORY)) return false;
    Caps hardware, emulation;
    GetCaps(gkScreen.DirectDraw, &hardware, &emulation);
    const Caps& used = gkScreen.Device3D ? hardware : emulation;
    gkScreen.CanStretch = (used.caps & DDCAPS_BLTSTRETCH) ? 1 : 0;
    return ReadPixelFormat();
}

}  // namespace

namespace gkDraw {

int Screen(int width, int height, int mode) {
    gkScreen.DirectDraw = nullptr;
    gkScreen.Primary = gkScreen.Back = nullptr;
    gkScreen.Clipper = nullptr;
    gkApp.Error = 0;
    if (width == -1) {
        width = gkApp.WindowWidth;
        height = gkApp.WindowHeight;
    }
    gkScreen.Width = width;
    gkScreen.Height = height;
    SetClip(0, 0, width, height);
    if (!CreateDisplay(width, height, mode)) return 0;
    BuildEffectTables();
    for (int slot = gk::kFirstUserSprite; slot < gk::kSpriteSlots; ++slot) EmptySlot(slot);
    gkPresent.ViewerPicture = gkPresent.ViewerTile = 0;
    gkScreen.SourceRect = {0, 0, width, height};
    gkScreen.ClientRect = {gkScreen.OriginX, gkScreen.OriginY, gkScreen.OriginX + width,
                           gkScreen.OriginY + height};
    gkSound::Init();
    gkSound::EmptyObjects();
    gkSound::InitMidi();
    gkSystem::Reset();
    InitFonts();
    gkSystem::JoyInit();
    if (gkApp.ClipMouse) gkSystem::LimitMouseToScreen();
    return 1;
}

void Release() {
    const bool fullScreen = gkApp.FullScreen != 0;
    if (gkScreen.DirectDraw) {
        for (int slot = 0; slot < gk::kSpriteSlots; ++slot) {
            if (!gkSprites[slot].surface) continue;
            ReleaseSurface(gkSprites[slot].surface);
            EmptySlot(slot);
        }
        if (!fullScreen && gkScreen.Clipper) ReleaseClipper(gkScreen.Clipper);
        gkScreen.Clipper = nullptr;
        ReleaseSurface(gkScreen.Primary);
        ReleaseSurface(gkScreen.Back);
        gkScreen.Primary = gkScreen.Back = nullptr;
        if (fullScreen) {
            RestoreDisplayMode(gkScreen.DirectDraw);
            SetCooperativeLevel(gkScreen.DirectDraw, DDSCL_NORMAL);
        }
        ReleaseDevice(gkScreen.DirectDraw);
        gkScreen.DirectDraw = nullptr;
    }
    if (fullScreen) plat::MinimizeMainWindow();
}

void SetClip(int left, int top, int right, int bottom) {
    gkScreen.Clip = {left, top, right, bottom};
}

void SetColorDepth(int depth, int alt1, int alt2) {
    gkScreen.ColorDepth = depth;
    gkScreen.AltDepth1 = alt1;
    gkScreen.AltDepth2 = alt2;
}

}  // namespace gkDraw

namespace gkSystem {

int GetColorDepth() {
    return plat::DesktopDepth();
}

int IsWindowed() {
    return gkApp.FullScreen == 0 ? 1 : 0;
}

int CheckColor(const char* file) {
    static const char* const kColourCounts[] = {"16", "256", "65536", "1670万"};
    const int depth = gkScreen.ColorDepth;
    const int level = depth == 8 ? 1 : depth == 16 ? 2 : (depth == 24 || depth == 32) ? 3 : 0;
    if (level == 0) return 1;
    if (!IsWindowed() || GetColorDepth() >= depth) return 1;
    Message(
        "　ウィンドウ状態で実行しようとしていますが、"
        "画面が%s色以下に設定されています。\n"
        "正しく動作させるには、%s色以上に設定するか、"
        "フルスクリーンで実行させて下さい。",
        kColourCounts[level - 1], kColourCounts[level]);
    const bool noSave = std::strcmp(file, "*") == 0;
    const char* question = file[0] == '\0' ? nullptr
                           : noSave        ? "フルスクリーンに切り換えますか？"
                                           : "フルスクリーンに設定し直しますか？";
    if (question && Question("%s", question) == 1) {
        if (!noSave) SaveMode(file, 1);
        gkApp.FullScreen = 1;
        return 1;
    }
    Quit();
    return 0;
}

}  // namespace gkSystem
