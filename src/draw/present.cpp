// The present that ends every frame, and the two overlays it draws first: the screen transition
// (ten 64×48 frames of a pattern sprite tiled over the screen, one step per present, out or in)
// and the picture viewer (a tall picture scrolled with the arrow keys over a drifting tiled
// background). The back screen then goes to the window's client area on the primary surface.
#include <utility>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/window.h"
#include "system/system.h"

gkPresentState gkPresent;

namespace {

constexpr int kTileWidth = 64, kTileHeight = 48;  // pattern frames and viewer tiles
constexpr int kTransitionSteps = 10;

void StampTransition() {
    const int frameLeft = kTileWidth * (gkPresent.TransitionStep - 1);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            gkDraw::PutObject(kTileWidth * i, kTileHeight * j, gkPresent.PatternSprite, frameLeft,
                              0, frameLeft + kTileWidth, kTileHeight);
}

void AdvanceTransition() {
    gkPresent.TransitionStep += gkPresent.TransitionDirection;
    if ((gkPresent.TransitionDirection < 0 && gkPresent.TransitionStep < 1) ||
        (gkPresent.TransitionDirection > 0 && gkPresent.TransitionStep > kTransitionSteps)) {
        gkPresent.TransitionStep = 0;
        gkPresent.TransitionDirection = 0;
    }
}

void DrawViewer() {
    gkPresentState& p = gkPresent;
    const float delta = gkSystem::FrameDelta;
    for (int i = 0; i <= 10; ++i)
        for (int j = 0; j <= 10; ++j)
            gkDraw::PutObject(kTileWidth * i + static_cast<int>(p.ViewerTileX),
                              kTileHeight * j + static_cast<int>(p.ViewerTileY), p.ViewerTile, 0, 0,
                              kTileWidth, kTileHeight);
    p.ViewerTileX -= delta * 10;
    p.ViewerTileY -= delta * 10;
    if (p.ViewerTileX <= -kTileWidth) p.ViewerTileX += kTileWidth;
    if (p.ViewerTileY <= -kTileHeight) p.ViewerTileY += kTileHeight;

    const plat::Rect& clip = gkScreen.Clip;
    // In 64 bits: a picture height near the end of the int range scrolls as far as an int goes.
    const int64_t first = static_cast<int64_t>(p.ViewerScroll);
    gkDraw::PutObject(clip.left, clip.top, p.ViewerPicture, 0, gk::SaturateInt(first),
                      clip.right - clip.left, gk::SaturateInt(first + (clip.bottom - clip.top)));
    switch (gkInput.ViewerKey) {
        case VK_UP:
            p.ViewerScroll -= delta * 100;
            break;
        case VK_LEFT:
            p.ViewerScroll -= delta * 300;
            break;
        case VK_DOWN:
            p.ViewerScroll += delta * 100;
            break;
        case VK_RIGHT:
            p.ViewerScroll += delta * 300;
            break;
    }
    if (p.ViewerScroll < 0) p.ViewerScroll = 0;
    const float limit = static_cast<float>(int64_t{p.ViewerHeight} - (clip.bottom - clip.top));
    if (limit < p.ViewerScroll) p.ViewerScroll = limit;
}

}  // namespace

namespace gkDraw {

void Present() {
    if (gkPresent.TransitionStep != 0) {
        StampTransition();
        AdvanceTransition();
    }
    if (gkPresent.ViewerOn) DrawViewer();
    if (gkPresent.WaitVSync)
        plat::WaitForVerticalBlank(gkScreen.DirectDraw, plat::DDWAITVB_BLOCKBEGIN);
    if (plat::Blt(gkScreen.Primary, &gkScreen.ClientRect, gkScreen.Back, &gkScreen.SourceRect,
                  plat::DDBLT_WAIT) == plat::DDERR_SURFACELOST)
        RestoreObjects();
}

void SetWaitVSync(int flag) {
    gkPresent.WaitVSync = flag;
}

int LoadTransitionPattern(const char* file) {
    SetDefaultColorKey(0);
    gkPresent.PatternSprite = LoadObject(file, 2);
    return gkPresent.PatternSprite;
}

void StartFadeOut() {
    gkPresent.TransitionStep = 1;
    gkPresent.TransitionDirection = 1;
}

void StartFadeIn() {
    gkPresent.TransitionStep = kTransitionSteps;
    gkPresent.TransitionDirection = -1;
}

// Each of the two images is loaded into a new slot the first time and replaced in its slot
// afterwards, so the slot numbers stay the same across reloads; an image whose first load
// failed is loaded afresh rather than swapped into slot 0.
void LoadViewer(const char* picture, const char* tile, int height) {
    SetDefaultColorKey(0);
    for (auto [file, slot] :
         {std::pair{picture, &gkPresent.ViewerPicture}, std::pair{tile, &gkPresent.ViewerTile}}) {
        if (*slot == 0)
            *slot = LoadObject(file, 2);
        else
            SwapObject(file, *slot, 2);
    }
    gkPresent.ViewerScroll = 0;
    gkPresent.ViewerHeight = height;
}

void ToggleViewer() {
    if (gkPresent.ViewerOn)
        gkPresent.ViewerOn = 0;
    else if (gkPresent.ViewerHeight != 0)
        gkPresent.ViewerOn = 1;
}

bool TransitionRunning() {
    return gkPresent.TransitionStep != 0;
}

bool FadingOut() {
    return gkPresent.TransitionDirection == 1;
}

bool ViewerShown() {
    return gkPresent.ViewerOn != 0;
}

}  // namespace gkDraw
