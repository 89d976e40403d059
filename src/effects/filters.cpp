// Region filters of the back screen: the rising blurs (shimmer, fire), the neighbour blurs, the
// 2× and 4× enlargements through the scratch buffer, the circular mosaic, film grain and the
// inversion. Each runs in the region frame; the blur and grain walks here are the per-pixel
// references that the vector versions (filters_fast.cpp) are checked against.
#include <cstdint>

#include "effects/effects.h"

gkFilterState gkFilters;

namespace {

using gkDraw::RegionFrame;
using gkDraw::Rgb;

Rgb Flags(int red, int green, int blue) {
    return {red != 0, green != 0, blue != 0};
}

// The average of four pixels' 5-bit components, each lowered by one where cool is set and it
// is not already 0.
uint16_t Average4(uint16_t a, uint16_t b, uint16_t c, uint16_t d, Rgb cool) {
    const Rgb p = gkDraw::Split5(a), q = gkDraw::Split5(b), r = gkDraw::Split5(c),
              s = gkDraw::Split5(d);
    const auto mean = [](int sum, int lower) { return std::max(0, (sum >> 2) - lower); };
    return gkDraw::Pack5(mean(p.r + q.r + r.r + s.r, cool.r), mean(p.g + q.g + r.g + s.g, cool.g),
                         mean(p.b + q.b + r.b + s.b, cool.b));
}

// Each inner pixel of rows 1 .. h - 2 takes, from the pixel below it, either that pixel's
// neighbour average (while the counter is below the noise value at the cursor) or its plain
// value, which also restarts the counter and moves the cursor on.
void RiseWalk(const RegionFrame& f, Rgb cool, int32_t* counter, int32_t* cursor) {
    for (int j = 1; j < f.h - 1; ++j)
        for (int i = 1; i < f.w - 1; ++i) {
            const uint16_t* p = f.Back(f.x + i, f.y + 1 + j);
            uint16_t* to = f.Back(f.x + i, f.y + j);
            if (++*counter < gkEffectTables.Noise[*cursor]) {
                *to = Average4(p[-1], p[1], p[-f.backStride], p[f.backStride], cool);
            } else {
                *to = *p;
                *counter = 0;
                gkDraw::NextNoiseJumping(cursor);
            }
        }
}

int Rise(Rgb cool, int x, int y, int w, int h, int32_t* counter, int32_t* cursor) {
    return gkDraw::RegionEffect(x, y, w, h, {0, 0, 0, 1}, gkDraw::RegionLocks::Back,
                                [&](const RegionFrame& f) { RiseWalk(f, cool, counter, cursor); });
}

int Blur(Rgb cool, int x, int y, int w, int h) {
    return gkDraw::RegionEffect(x, y, w, h, {}, gkDraw::RegionLocks::Back,
                                [&](const RegionFrame& f) {
                                    if (!gkDraw::BlurWalkFast(f, cool)) gkDraw::BlurWalk(f, cool);
                                });
}

int Grain(Rgb add, int shift, int x, int y, int w, int h, int32_t* cursor) {
    // A noise value of 1 or 2 shifted by 5 already fills a 5-bit component.
    shift = std::clamp(shift, 0, 5);
    return gkDraw::RegionEffect(x, y, w, h, {}, gkDraw::RegionLocks::Back,
                                [&](const RegionFrame& f) {
                                    if (!gkDraw::GrainWalkFast(f, add, shift, cursor))
                                        gkDraw::GrainWalk(f, add, shift, cursor);
                                });
}

// Each pixel of the region fills the top-left part × part pixels of its factor × factor block
// in the scratch buffer; the region is cut to what the buffer holds. Then the enlarged picture
// is put back opaque at the region's corner.
int Zoom(int factor, int x, int y, int w, int h, int dotted) {
    const int part = dotted ? factor / 2 : factor;
    int left = 0, top = 0, zw = 0, zh = 0;
    const int result = gkDraw::RegionEffect(
        x, y, w, h, {}, gkDraw::RegionLocks::BufferThenBack, [&](const RegionFrame& f) {
            const plat::Surface* buffer = gkSprites[0].surface;
            left = f.x;
            top = f.y;
            zw = std::min(f.w, buffer->width / factor);
            zh = std::min(f.h, buffer->height / factor);
            for (int rr = 0; rr < zh; ++rr)
                for (int i = 0; i < zw; ++i) {
                    const uint16_t p = *f.Back(f.x + i, f.y + rr);
                    for (int b = 0; b < part; ++b)
                        std::fill_n(f.Buffer(factor * i, factor * rr + b), part, p);
                }
        });
    if (result && zw > 0 && zh > 0)
        gkDraw::PutObjectOpaque(left, top, 0, 0, 0, factor * zw, factor * zh);
    return result;
}

}  // namespace

namespace gkDraw {

void BlurWalk(const RegionFrame& f, Rgb cool) {
    for (int j = 1; j < f.h - 1; ++j)
        for (int i = 1; i < f.w - 1; ++i) {
            uint16_t* p = f.Back(f.x + i, f.y + j);
            *p = Average4(p[-1], p[1], p[-f.backStride], p[f.backStride], cool);
        }
}

void GrainWalk(const RegionFrame& f, Rgb add, int shift, int32_t* cursor) {
    for (int j = 0; j < f.h; ++j)
        for (int i = 0; i < f.w; ++i) {
            uint16_t* p = f.Back(f.x + i, f.y + j);
            const int z = NextNoiseJumping(cursor) << shift;
            const Rgb c = Split5(*p);
            const auto raise = [z](int value, int on) { return std::min(31, value + z * on); };
            *p = Pack5(raise(c.r, add.r), raise(c.g, add.g), raise(c.b, add.b));
        }
}

int ShimmerRect(int x, int y, int w, int h) {
    return Rise({}, x, y, w, h, &gkFilters.ShimmerCounter, &gkFilters.ShimmerCursor);
}

int FireRect(int red, int green, int blue, int x, int y, int w, int h) {
    return Rise(Flags(red, green, blue), x, y, w, h, &gkFilters.FireCounter, &gkFilters.FireCursor);
}

int BlurRect(int x, int y, int w, int h) {
    return Blur({}, x, y, w, h);
}

int CoolBlurRect(int red, int green, int blue, int x, int y, int w, int h) {
    return Blur(Flags(red, green, blue), x, y, w, h);
}

int ZoomRect2(int x, int y, int w, int h, int dotted) {
    return Zoom(2, x, y, w, h, dotted);
}

int ZoomRect4(int x, int y, int w, int h, int dotted) {
    return Zoom(4, x, y, w, h, dotted);
}

int MosaicCircle(int x, int y, int radius, int blockSize) {
    if (radius < 1 || blockSize < 1) return 1;
    const int64_t width = gkScreen.Width, height = gkScreen.Height, r = radius, m = blockSize;
    // Offsets from the centre, limited to the screen: every block starts on it.
    const int64_t ua = x - r < 0 ? -int64_t{x} : -r, ub = x + r >= width ? width - x : r;
    const int64_t va = y - r < 0 ? -int64_t{y} : -r, vb = y + r >= height ? height - y : r;
    // trunc(sqrt(e² + v²)) < r exactly when e² + v² < r², and both must be below r.
    const auto inside = [r](int64_t e, int64_t v) {
        return e > -r && e < r && v > -r && v < r &&
               uint64_t(e * e) + uint64_t(v * v) < uint64_t(r * r);
    };
    return RegionEffect(0, 0, gkScreen.Width, gkScreen.Height, {}, RegionLocks::Back,
                        [&](const RegionFrame& f) {
                            for (int64_t v = va; v < vb; v += m)
                                for (int64_t u = ua; u < ub; u += m) {
                                    const uint16_t p = *f.Back(int(x + u), int(y + v));
                                    const int64_t bw = std::min(m, width - x - u);
                                    const int64_t bh = std::min(m, height - y - v);
                                    for (int64_t d = 0; d < bh; ++d)
                                        for (int64_t e = u; e < u + bw; ++e)
                                            if (inside(e, v + d))
                                                *f.Back(int(x + e), int(y + v + d)) = p;
                                }
                        });
}

int GrainRect(int shift, int x, int y, int w, int h) {
    return Grain({1, 1, 1}, shift, x, y, w, h, &gkFilters.GrainCursor);
}

int GrainRectRGB(int red, int green, int blue, int shift, int x, int y, int w, int h) {
    return Grain(Flags(red, green, blue), shift, x, y, w, h, &gkFilters.GrainRGBCursor);
}

int32_t InvertRect(int left, int top, int right, int bottom) {
    plat::Dc* dc = nullptr;
    if (const int32_t got = plat::GetDC(gkScreen.Back, &dc); got != plat::DD_OK) return got;
    plat::InvertRect(dc, {left, top, right, bottom});
    return plat::ReleaseDC(gkScreen.Back, dc);
}

}  // namespace gkDraw
