// The glow put: a keyed sprite put whose opaque pixels send up to eight fading light rays over
// the back screen, added to what they cross and held inside the clip rectangle. Each pixel's
// light is dimmed by one value of the noise table read through the glow cursor.
#include "effects/effects.h"

namespace {

using gkDraw::Rgb;

constexpr int kRaySteps = 31;

// A ray's bit and its direction: step k reaches column px + dx × k on row py + dy × (k + 1),
// or on row py itself for the side rays (dy 0).
struct Ray {
    int bit, dx, dy;
};
constexpr Ray kRays[] = {{0x40, 0, -1}, {0x20, -1, -1}, {0x80, 1, -1}, {0x02, 0, 1},
                         {0x01, -1, 1}, {0x04, 1, 1},   {0x08, -1, 0}, {0x10, 1, 0}};

Rgb Lowered(Rgb c, int by) {
    return {std::max(0, c.r - by), std::max(0, c.g - by), std::max(0, c.b - by)};
}

void AddLight(uint16_t* q, Rgb c) {
    const Rgb d = gkDraw::Split5(*q);
    *q = gkDraw::Pack5(std::min(31, c.r + d.r), std::min(31, c.g + d.g), std::min(31, c.b + d.b));
}

void SendRays(const gkDraw::SpriteFrame& f, const plat::Rect& clip, int px, int py, Rgb c,
              int directions) {
    for (int k = 0; k < kRaySteps; ++k) {
        c = Lowered(c, 1);
        if (!c.r && !c.g && !c.b) return;
        for (const Ray& ray : kRays) {
            const int col = px + ray.dx * k, row = py + ray.dy * (k + 1);
            if ((directions & ray.bit) && row >= clip.top && row < clip.bottom &&
                col >= clip.left && col < clip.right)
                AddLight(f.back + row * f.backStride + col, c);
        }
    }
}

}  // namespace

namespace gkDraw {

int PutGlow(int x, int y, int redShift, int greenShift, int blueShift, int directions, int draw,
            int n, int l, int t, int r, int b) {
    SpriteFrame f;
    if (FrameStatus s = OpenSpriteFrame(x, y, n, l, t, r, b, &f); s != FrameStatus::Locked)
        return FrameResult(s);
    const plat::Rect clip = ClipOnBackScreen();
    // A 5-bit component shifted by 15 is already 0; bits above the eight rays are never read.
    const auto held = [](int shift) { return std::clamp(shift, 0, 15); };
    const int rs = held(redShift), gs = held(greenShift), bs = held(blueShift);
    for (int j = 0; j < f.h; ++j)
        for (int i = 0; i < f.w; ++i) {
            const uint16_t s = *f.Source(i, j);
            if (!s) continue;
            if (draw) *f.Dest(i, j) = s;
            const Rgb c = Split5(s);
            const int z = NextNoiseWrapping(&gkFilters.GlowCursor);
            SendRays(f, clip, f.x + i, f.y + j, Lowered({c.r >> rs, c.g >> gs, c.b >> bs}, z),
                     directions);
        }
    CloseSpriteFrame(f);
    return 1;
}

}  // namespace gkDraw
