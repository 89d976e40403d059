// The tunnel map: texture coordinates for every pixel of a block, from the pixel's angle around
// a centre (u) and the inverse of its distance (v), built once in floating point; and the
// per-frame draw through the map with scroll offsets, which only reads and adds.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "effects/effects.h"

gkTunnelMap gkTunnel;

namespace {

constexpr int kLargestTexture = 32768;  // u and v up to 32767 fit the map's 16-bit entries

// value mod m in 0..m − 1, for m > 0.
int64_t Wrap(int64_t value, int64_t m) {
    const int64_t r = value % m;
    return r < 0 ? r + m : r;
}

// The distance of (dx, dy) from the centre by metric 0-6; cx is the centre's own x.
float Distance(int metric, int64_t dx, int64_t dy, int64_t cx) {
    const double ax = std::abs(static_cast<double>(dx)), ay = std::abs(static_cast<double>(dy));
    switch (metric) {
        case 0:
            return static_cast<float>(std::sqrt(ax * ax + ay * ay));
        case 1:
            return static_cast<float>(std::max(ax, ay));
        case 2:
            return static_cast<float>((ax + ay) / 2.0);
        case 3:
            return static_cast<float>(std::min(ax, ay));
        case 4:
            return static_cast<float>(ax);
        case 5:
            return static_cast<float>(ay);
        default:
            return static_cast<float>(cx);
    }
}

// What the depth constant is divided by in depth mode 0-5.
double DepthDivisor(int depth, int64_t dx, int64_t dy) {
    const double ax = std::abs(static_cast<double>(dx)), ay = std::abs(static_cast<double>(dy));
    switch (depth) {
        case 0:
            return 32.0;
        case 1:
            return (ay + 1.0) / 10.0;
        case 2:
            return (ax + 1.0) / 10.0;
        case 3:
            return std::max(ax, ay);
        case 4:
            return (ax + ay) / 2.0;
        default:
            return std::min(ax, ay);
    }
}

// The centre as the build moves it: before the first row, before each row, before each column.
struct Centre {
    int64_t x = 0, y = 0;
    int motion = 0;
    int64_t w = 0, h = 0;
    void Start() {
        if (motion == 1) y = h;
        if (motion == 3) x = w;
        if (motion == 4) x = 0;
    }
    void NextRow() {
        if (motion == 1) --y;
        if (motion == 2) x = w;
        if (motion == 3) x = std::max<int64_t>(x - 1, 0);
        if (motion == 4) x = std::min(x + 1, w);
    }
    void NextColumn() {
        if (motion == 2) --x;  // column j sees w − 1 − j: the block mirrored
    }
};

// The visible part of the block at (x, y): columns [c0, c1) and rows [r0, r1).
struct Visible {
    int64_t c0, c1, r0, r1;
};
Visible VisibleBlock(int x, int y) {
    return {std::max<int64_t>(0, -int64_t{x}),
            std::min<int64_t>(gkTunnel.W, gkScreen.Width - int64_t{x}),
            std::max<int64_t>(0, -int64_t{y}),
            std::min<int64_t>(gkTunnel.H, gkScreen.Height - int64_t{y})};
}

// Locks object n and the back screen, then walk(frame, visible block) draws.
template <class Walk>
int TunnelFrame(int x, int y, int n, Walk walk) {
    gkDraw::SpriteFrame f;
    f.object = gkDraw::ObjectSurface(n);
    if (!f.object) return 0;
    if (gkDraw::LockSpriteFrame(&f) != gkDraw::FrameStatus::Locked) return 0;
    const Visible v = VisibleBlock(x, y);
    if (v.c0 < v.c1 && v.r0 < v.r1 && f.object->width > 0 && f.object->height > 0) walk(f, v);
    gkDraw::CloseSpriteFrame(f);
    return 1;
}

// Texel offsets of n map entries scrolled by du, dv (already in 0..A − 1, 0..B − 1) for a
// texture of at least A × B: one compare and subtract per coordinate, vectorised.
GK_SIMD_CLONES void TexelOffsets(const gkTunnelEntry* from, int n, int du, int dv, int a, int b,
                                 int stride, int32_t* offsets) {
    for (int k = 0; k < n; ++k) {
        const int u = from[k].u + du, v = from[k].v + dv;
        offsets[k] = (v >= b ? v - b : v) * stride + (u >= a ? u - a : u);
    }
}

}  // namespace

namespace gkDraw {

int BuildTunnel(int A, int B, int W, int H, int centreX, int centreY, int d, int motion, int metric,
                int depth) {
    if (W < 1 || H < 1 || int64_t{W} * H > gk::kTunnelEntries) return 0;
    if (A < 1 || B < 1 || A > kLargestTexture || B > kLargestTexture) return 0;
    if (metric < 0 || metric > 6 || depth < 0 || depth > 5) return 0;
    gkTunnel.A = A;
    gkTunnel.B = B;
    gkTunnel.W = W;
    gkTunnel.H = H;
    Centre c{centreX == -1 ? W / 2 : centreX, centreY == -1 ? H / 2 : centreY, motion, W, H};
    if (d == -1) d = 8;
    d = std::max(d, 2);
    const double k = B / (2.0 * std::tan(std::numbers::pi / d / 2.0));
    const double toU = A / (2.0 * std::numbers::pi);
    c.Start();
    for (int i = 0; i < H; ++i) {
        c.NextRow();
        for (int j = 0; j < W; ++j) {
            c.NextColumn();
            const int64_t dx = j - c.x, dy = i - c.y;
            const float f = Distance(metric, dx, dy, c.x);
            const double divisor = DepthDivisor(depth, dx, dy);
            const float e = std::abs(static_cast<float>(k / divisor));
            const double cornerDistance =
                std::sqrt(static_cast<double>(c.x) * c.x + static_cast<double>(c.y) * c.y);
            const int64_t u = Truncate(std::atan2(static_cast<double>(dy), dx) * toU);
            // The centre itself (and whatever a metric puts at distance 0) has no depth.
            const int64_t v =
                f == 0.0f || divisor == 0.0 ? 0 : Truncate(e * (cornerDistance - f) / f);
            gkTunnel.Map[i * W + j] = {static_cast<int16_t>(Wrap(u, A)),
                                       static_cast<int16_t>(Wrap(v, B))};
        }
    }
    return H;
}

namespace reference {

int PutTunnel(int x, int y, int du, int dv, int n) {
    return TunnelFrame(x, y, n, [&](const SpriteFrame& f, const Visible& vis) {
        const gkTunnelMap& m = gkTunnel;
        for (int64_t r = vis.r0; r < vis.r1; ++r)
            for (int64_t c = vis.c0; c < vis.c1; ++c) {
                const gkTunnelEntry e = m.Map[r * m.W + c];
                const int64_t su = Wrap(e.u + int64_t{du}, m.A) % f.object->width;
                const int64_t sv = Wrap(e.v + int64_t{dv}, m.B) % f.object->height;
                f.back[(y + r) * f.backStride + x + c] = f.source[sv * f.sourceStride + su];
            }
    });
}

}  // namespace reference

// The offsets are reduced into 0..A − 1 and 0..B − 1 once; then each pixel's texel offset
// needs only a compare and a subtraction per coordinate, computed a row at a time in vectors.
// A texture smaller than A × B takes the plain walk.
int PutTunnel(int x, int y, int du, int dv, int n) {
    const plat::Surface* object = ObjectSurface(n);
    if (object && (object->width < gkTunnel.A || object->height < gkTunnel.B))
        return reference::PutTunnel(x, y, du, dv, n);
    return TunnelFrame(x, y, n, [&](const SpriteFrame& f, const Visible& vis) {
        const gkTunnelMap& m = gkTunnel;
        const int u0 = static_cast<int>(Wrap(du, m.A)), v0 = static_cast<int>(Wrap(dv, m.B));
        std::vector<int32_t> offsets(vis.c1 - vis.c0);
        for (int64_t r = vis.r0; r < vis.r1; ++r) {
            TexelOffsets(m.Map + r * m.W + vis.c0, static_cast<int>(offsets.size()), u0, v0, m.A,
                         m.B, f.sourceStride, offsets.data());
            uint16_t* to = f.back + (y + r) * f.backStride + x + vis.c0;
            for (size_t c = 0; c < offsets.size(); ++c) to[c] = f.source[offsets[c]];
        }
    });
}

}  // namespace gkDraw
