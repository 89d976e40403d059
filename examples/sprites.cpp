// Sprites: a keyed sprite moved with the arrow keys, and the same sprite through a few effects —
// half-transparent, rotating, glowing and grey — over a striped background, revealed by an
// opening wipe. Escape quits.
#include <gk/gk.h>

static int block, x = 300, y = 400, angle;
static int left, right, up, down;  // trigger states of the arrow keys

static void Init() {
    gkDraw::Screen(640, 480, 1);
    block = gkDraw::LoadObject("bmp\\block.bmp", 2);  // black pixels are transparent
    gkDraw::StartWipe(0, 5, 600.0f, 0);               // open the screen at 600 pixels a second
    gkApp.Scene = 1;
}

// Moves by `step` while the key is down: its trigger state is 1 when pressed, 3 while held.
static void Move(int key, int* state, int* coordinate, int step) {
    gkSystem::KeyState(key, state);
    if (*state == 1 || *state == 3) *coordinate += step;
}

static void Frame() {
    gkDraw::StepWipe();
    for (int stripe = 0; stripe < 12; ++stripe)  // colours are 0x00BBGGRR
        gkDraw::DrawBox(0, stripe * 40, 640, stripe * 40 + 40, stripe % 2 ? 0x00603020 : 0x00904830,
                        0x00904830, 1);
    gkDraw::PrintFormat(20, 20, "スプライトとエフェクト (矢印キーで移動)");
    gkDraw::PutObject(80, 200, block, 0, 0, 40, 40);
    gkDraw::PutAlpha(200, 200, 0.5f, block, 0, 0, 40, 40);
    angle = (angle + 3) % 360;
    gkDraw::PutRotate(300, 180, 380, 260, angle, block, 0, 0, 40, 40);
    gkDraw::PutGlow(440, 200, 1, 1, 1, 0xFF, 1, block, 0, 0, 40, 40);
    gkDraw::PutGray(540, 200, block, 0, 0, 40, 40);
    Move(VK_LEFT, &left, &x, -4);
    Move(VK_RIGHT, &right, &x, 4);
    Move(VK_UP, &up, &y, -4);
    Move(VK_DOWN, &down, &y, 4);
    gkDraw::PutObject(x, y, block, 0, 0, 40, 40);
    gkDraw::Present();
}

static void KeyDown(int key) {
    gkSystem::RouteKey(key);
    if (key == VK_ESCAPE) gkSystem::Quit();
}

int main() {
    gkSystem::SetGameHooks({Init, Frame, KeyDown, nullptr});
    gkSystem::SetGameTitle("gk example: sprites");
    return WinMain(nullptr, nullptr, "", 10);
}
