// The tunnel map: texture coordinates for every pixel of a block, from the pixel's angle around
// a centre (u) and the inverse of its distance (v), built once in floating point; and the
// per-frame draw through the map with scroll offsets, which only reads and adds.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/effects.h"
#include "effects/gather.h"

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

// The texel of a map entry scrolled by du, dv (already in 0..A − 1, 0..B − 1) in a texture of
// at least A × B: one compare and subtraction per coordinate.
uint16_t Texel(const gkDraw::SpriteFrame& f, gkTunnelEntry e, int du, int dv) {
    const gkTunnelMap& m = gkTunnel;
    const int u = e.u + du, v = e.v + dv;
    return f.source[(v >= m.B ? v - m.B : v) * f.sourceStride + (u >= m.A ? u - m.A : u)];
}

void DrawRowPlain(const gkDraw::SpriteFrame& f, const gkTunnelEntry* from, int64_t n, int du,
                  int dv, uint16_t* to) {
    for (int64_t c = 0; c < n; ++c) to[c] = Texel(f, from[c], du, dv);
}

#if GK_AVX2_BUILT
// Eight lanes of (high << 16 | low).
GK_AVX2_INLINE __m256i Halves(int low, int high) {
    return _mm256_set1_epi32(static_cast<int>(static_cast<uint32_t>(high) << 16 | low));
}

// The texel offsets of eight map entries. An entry (u, v) is one 32-bit lane of two 16-bit
// halves: the scroll is added to both, min(x, x − size) wraps both (without a wrap the
// subtraction comes out larger, unsigned), and one multiply-add makes v × stride + u. The
// texture's stride is below 32768, so every half stays a positive 16-bit number.
GK_AVX2_INLINE __m256i TexelOffsets(const gkTunnelEntry* e, __m256i scroll, __m256i size,
                                    __m256i place) {
    const __m256i x =
        _mm256_add_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(e)), scroll);
    return _mm256_madd_epi16(_mm256_min_epu16(x, _mm256_sub_epi16(x, size)), place);
}

// Sixteen pixels a step; the last few through a copy of their entries.
GK_AVX2 void DrawRowAvx2(const gkDraw::SpriteFrame& f, const gkDraw::PixelGather& gather,
                         const gkTunnelEntry* from, int64_t n, int du, int dv, uint16_t* to) {
    const __m256i scroll = Halves(du, dv), size = Halves(gkTunnel.A, gkTunnel.B);
    const __m256i place = Halves(1, f.sourceStride);
    int64_t c = 0;
    for (; c + 16 <= n; c += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + c),
                            gather.Read(TexelOffsets(from + c, scroll, size, place),
                                        TexelOffsets(from + c + 8, scroll, size, place)));
    if (c == n) return;
    gkTunnelEntry rest[16] = {};
    std::copy(from + c, from + n, rest);
    alignas(32) uint16_t last[16];
    _mm256_store_si256(reinterpret_cast<__m256i*>(last),
                       gather.Read(TexelOffsets(rest, scroll, size, place),
                                   TexelOffsets(rest + 8, scroll, size, place)));
    std::copy(last, last + (n - c), to + c);
}
#endif

// Draws the visible block's rows through draw(map row, columns, back screen row).
template <class DrawRow>
void DrawRows(const gkDraw::SpriteFrame& f, const Visible& vis, int x, int y, DrawRow draw) {
    for (int64_t r = vis.r0; r < vis.r1; ++r)
        draw(gkTunnel.Map + r * gkTunnel.W + vis.c0, vis.c1 - vis.c0,
             f.back + (y + r) * f.backStride + x + vis.c0);
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

// The offsets are reduced into 0..A − 1 and 0..B − 1 once; then each pixel's texel needs only
// a compare and a subtraction per coordinate. A texture smaller than A × B takes the plain walk.
int PutTunnel(int x, int y, int du, int dv, int n) {
    const plat::Surface* object = ObjectSurface(n);
    if (object && (object->width < gkTunnel.A || object->height < gkTunnel.B))
        return reference::PutTunnel(x, y, du, dv, n);
    return TunnelFrame(x, y, n, [&](const SpriteFrame& f, const Visible& vis) {
        const int u0 = static_cast<int>(Wrap(du, gkTunnel.A));
        const int v0 = static_cast<int>(Wrap(dv, gkTunnel.B));
#if GK_AVX2_BUILT
        if (Avx2Loops() && f.sourceStride < 32768) {
            const PixelGather gather(f.object, f.source);
            return DrawRows(f, vis, x, y, [&](const gkTunnelEntry* from, int64_t n, uint16_t* to) {
                DrawRowAvx2(f, gather, from, n, u0, v0, to);
            });
        }
#endif
        DrawRows(f, vis, x, y, [&](const gkTunnelEntry* from, int64_t n, uint16_t* to) {
            DrawRowPlain(f, from, n, u0, v0, to);
        });
    });
}

}  // namespace gkDraw
