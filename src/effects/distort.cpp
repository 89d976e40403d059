// Distortion puts on the sprite effect frame: the ripple (the sprite projected as a height
// field), the streak (one source column or row repeated out to a screen edge) and the refraction
// (background pixels pulled up by amounts read from the sprite's red channel).
#include <algorithm>
#include <cmath>

#include "effects/effects.h"

namespace gkDraw {

int PutRipple(int x, int y, int amplitude, int frequency, int step, float scale, float shear, int n,
              int l, int t, int r, int b) {
    if (!ObjectSurface(n)) return 0;
    if (step < 1) return 1;
    SpriteFrame f;
    if (FrameStatus s = OpenSpriteFrame(x, y, n, l, t, r, b, &f); s != FrameStatus::Locked)
        return FrameResult(s);
    const plat::Rect clip = ClipOnBackScreen();
    // -1 at the first drawn pixel, towards 1 at the source rectangle's far edge.
    const float toUnitX = 2.0f / static_cast<float>(r - f.l);
    const float toUnitY = 2.0f / static_cast<float>(b - f.t);
    for (int j = 0; j < f.h; j += step) {
        const float ny = toUnitY * static_cast<float>(j) - 1.0f;
        for (int i = 0; i < f.w; i += step) {
            const float nx = toUnitX * static_cast<float>(i) - 1.0f;
            const float e = std::exp(ny * ny - nx * nx);
            const float k = std::cos(std::sqrt(nx * nx + ny * ny) * static_cast<float>(frequency));
            const float height =
                (k * e + 1.0f) * static_cast<float>(amplitude) / 2.0f + static_cast<float>(j);
            const int64_t px =
                f.x + Truncate((static_cast<float>(i) + static_cast<float>(j) * shear) * scale);
            const int64_t py = f.y + Truncate(height * scale);
            if (clip.left <= px && px < clip.right && clip.top <= py && py < clip.bottom)
                f.back[py * f.backStride + px] = *f.Source(i, j);
        }
    }
    CloseSpriteFrame(f);
    return 1;
}

// Types 0 and 2 widen the rectangle to the screen's edge and repeat the last column (row) of
// the sprite there; reads stay inside the object, so k is held to the drawn columns (rows) that
// are still the sprite's.
int PutStreak(int x, int y, int type, uint16_t k, int n, int l, int t, int r, int b) {
    plat::Surface* object = ObjectSurface(n);
    if (!object) return 0;
    const bool widened = type == 0 || type == 2;
    if (widened && !InsideSurface(object, l, t, r, b)) return 1;
    if (type == 0) r = gkScreen.Width - l;
    if (type == 2) b = gkScreen.Height - t;
    SpriteFrame f;
    if (FrameStatus s = OpenSpriteFrame(x, y, n, l, t, r, b, &f, !widened);
        s != FrameStatus::Locked)
        return FrameResult(s);
    const int last = type == 0   ? std::min(f.w, object->width - f.l) - 1
                     : type == 1 ? f.w - 1
                                 : std::min(f.h, type == 2 ? object->height - f.t : f.h) - 1;
    const int repeated = std::min<int>(k, last);
    // The source column and row shown at walk position (i, j).
    const auto column = [&](int i) {
        return type == 0 ? std::min(i, repeated) : type == 1 ? std::max(i, repeated) : i;
    };
    const auto row = [&](int j) {
        return type == 2 ? std::min(j, repeated) : type == 3 ? std::max(j, repeated) : j;
    };
    if (0 <= type && type <= 3 && repeated >= 0) {
        if (type == 3)
            for (int py = 0; py < f.y; ++py)
                std::copy_n(f.Source(0, repeated), f.w, f.back + py * f.backStride + f.x);
        for (int j = 0; j < f.h; ++j) {
            const uint16_t* from = f.Source(0, row(j));
            uint16_t* to = f.Dest(0, j);
            if (type == 1) std::fill_n(to - f.x, f.x, from[repeated]);
            for (int i = 0; i < f.w; ++i)
                if (const uint16_t p = from[column(i)]) to[i] = p;
        }
    }
    CloseSpriteFrame(f);
    return 1;
}

int PutRefract(int x, int y, float strength, int n, int l, int t, int r, int b) {
    const int64_t lowered = Truncate(31.0f - strength * 31.0f);
    SpriteFrame f;
    if (FrameStatus s = OpenSpriteFrame(x, y, n, l, t, r, b, &f); s != FrameStatus::Locked)
        return FrameResult(s);
    // Top to bottom: the pixels read below are still the untouched background.
    for (int j = 0; j < f.h; ++j) {
        const uint16_t* from = f.Source(0, j);
        uint16_t* to = f.Dest(0, j);
        for (int i = 0; i < f.w; ++i) {
            if (!from[i]) continue;
            int64_t m = std::max<int64_t>(Split5(from[i]).r - lowered, 0);
            if (m >= f.h - j) m = 0;
            to[i] = to[i + m * f.backStride];
        }
    }
    CloseSpriteFrame(f);
    return 1;
}

}  // namespace gkDraw
