// Rotation puts: every destination pixel is mapped back into the source through the sine table,
// in integer steps of 1/360 pixel. The five forms share the clipping, the locking and the walk
// and differ only in how (U, V) becomes a source pixel and what is written. The plain rotation
// also has a fast loop that first finds the run of each row that lands inside the source and
// then reads a whole run's pixels sixteen at a time.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "effects/effects.h"
#include "effects/gather.h"

namespace {

using gkDraw::FrameStatus;
using gkDraw::SpriteFrame;

// The walk of one rotation put. U and V at walk position (i, j) are
// 360 × cx + (i − cx) × CS − (j − cy) × SN and 360 × cy + (i − cx) × SN + (j − cy) × CS.
// 64-bit throughout, so that no rectangle, however far off the screen, overflows.
struct Rotation {
    int64_t x1 = 0, y1 = 0;         // destination origin (walk position 0, 0)
    int64_t sw = 0, sh = 0;         // source size
    int64_t cx = 0, cy = 0;         // centre of the destination
    int64_t ox = 0, oy = 0;         // source origin's offset inside the destination
    int64_t sn = 0, cs = 0;         // 360 × sine and cosine of the angle
    int64_t left = 0, top = 0;      // first written walk column and row
    int64_t right = 0, bottom = 0;  // past the last written ones
    int64_t U(int64_t i, int64_t j) const { return 360 * cx + (i - cx) * cs - (j - cy) * sn; }
    int64_t V(int64_t i, int64_t j) const { return 360 * cy + (i - cx) * sn + (j - cy) * cs; }
};

// Clips the destination, checks the source and locks. The image stays centred on the whole
// destination: clipping only narrows the walk positions that are written.
FrameStatus OpenRotation(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r,
                         int b, Rotation* rotation, SpriteFrame* frame) {
    plat::Surface* object = gkDraw::ObjectSurface(n);
    if (!object) return FrameStatus::LockFailed;
    if (!gkDraw::InsideSurface(object, l, t, r, b) || r == l || b == t) return FrameStatus::Clipped;
    const plat::Rect clip = gkDraw::ClipOnBackScreen();
    Rotation& g = *rotation;
    const int64_t dw0 = int64_t{x2} - x1, dh0 = int64_t{y2} - y1;
    g.x1 = x1;
    g.y1 = y1;
    g.sw = r - l;
    g.sh = b - t;
    g.cx = dw0 >> 1;
    g.cy = dh0 >> 1;
    g.ox = (dw0 - g.sw) >> 1;
    g.oy = (dh0 - g.sh) >> 1;
    g.sn = gkDraw::SineOf(angle);
    g.cs = gkDraw::CosineOf(angle);
    g.left = std::max<int64_t>(clip.left - g.x1, 0);
    g.top = std::max<int64_t>(clip.top - g.y1, 0);
    g.right = std::min<int64_t>(dw0, clip.right - g.x1);
    g.bottom = std::min<int64_t>(dh0, clip.bottom - g.y1);
    if (g.right < g.left || g.bottom < g.top) return FrameStatus::Clipped;
    *frame = {};
    frame->object = object;
    frame->l = l;
    frame->t = t;
    return gkDraw::LockSpriteFrame(frame);
}

uint16_t* DestRow(const Rotation& g, const SpriteFrame& f, int64_t j) {
    return f.back + (g.y1 + j) * f.backStride;
}
const uint16_t* SourceAt(const SpriteFrame& f, int64_t u, int64_t v) {
    return f.source + (f.t + v) * f.sourceStride + f.l + u;
}

// The walk every form shares: startRow(j) says whether row j is drawn, pixel(U, V) gives the
// value to write (0: nothing).
template <class StartRow, class Pixel>
void WalkRows(const Rotation& g, const SpriteFrame& f, StartRow startRow, Pixel pixel) {
    for (int64_t j = g.top; j < g.bottom; ++j) {
        if (!startRow(g, f, j)) continue;
        uint16_t* to = DestRow(g, f, j);
        int64_t u = g.U(g.left, j), v = g.V(g.left, j);
        for (int64_t i = g.left; i < g.right; ++i, u += g.cs, v += g.sn)
            if (const uint16_t p = pixel(g, f, u, v)) to[g.x1 + i] = p;
    }
}

// Opens the frame, walks and closes it.
template <class StartRow, class Pixel>
int WalkRotation(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r, int b,
                 StartRow startRow, Pixel pixel) {
    Rotation g;
    SpriteFrame f;
    if (FrameStatus s = OpenRotation(x1, y1, x2, y2, angle, n, l, t, r, b, &g, &f);
        s != FrameStatus::Locked)
        return gkDraw::FrameResult(s);
    WalkRows(g, f, startRow, pixel);
    gkDraw::CloseSpriteFrame(f);
    return 1;
}

const auto kEveryRow = [](const Rotation&, const SpriteFrame&, int64_t) { return true; };

// The source pixel at (u, v), or 0 outside the source.
uint16_t Clipped(const Rotation& g, const SpriteFrame& f, int64_t u, int64_t v) {
    return 0 <= u && u < g.sw && 0 <= v && v < g.sh ? *SourceAt(f, u, v) : 0;
}
// The plain rotation's pixel.
uint16_t Plain(const Rotation& g, const SpriteFrame& f, int64_t U, int64_t V) {
    return Clipped(g, f, U / 360 - g.ox, V / 360 - g.oy);
}
// The source pixel at (|u| mod sw, |v| mod sh).
uint16_t Tiled(const Rotation& g, const SpriteFrame& f, int64_t u, int64_t v) {
    return *SourceAt(f, std::abs(u) % g.sw, std::abs(v) % g.sh);
}

// Zoomed coordinate: trunc(offset / zoom) in single precision.
int64_t Zoomed(int64_t offset, float zoom) {
    return gkDraw::Truncate(static_cast<float>(offset) / zoom);
}

bool UsableZoom(float zoom) {
    return zoom != 0.0f && std::isfinite(zoom);
}

// A float stepped `rows` times by step, one addition at a time as the drawn rows are, so that
// cutting the top of the destination does not change the rows below. Far beyond any screen the
// remaining steps are taken at once.
float Stepped(float value, float step, int64_t rows) {
    constexpr int64_t kOneByOne = 1 << 20;
    for (int64_t k = 0; k < std::min(rows, kOneByOne); ++k) value += step;
    if (rows > kOneByOne)
        value = static_cast<float>(value + static_cast<double>(step) * (rows - kOneByOne));
    return value;
}

// Floor and ceiling of p / q for q > 0.
int64_t FloorDiv(int64_t p, int64_t q) {
    return p / q - (p % q != 0 && p < 0);
}
int64_t CeilDiv(int64_t p, int64_t q) {
    return -FloorDiv(-p, q);
}

// Narrows the walk columns [*first, *last) to those where start + i × step, divided by 360
// toward zero, lies in lo..hi.
void Narrow(int64_t start, int64_t step, int64_t lo, int64_t hi, int64_t* first, int64_t* last) {
    const int64_t low = lo > 0 ? 360 * lo : 360 * lo - 359;    // least value with quotient >= lo
    const int64_t high = hi >= 0 ? 360 * hi + 359 : 360 * hi;  // greatest with quotient <= hi
    if (step == 0) {
        if (start < low || start > high) *last = *first;
        return;
    }
    // low <= start + i × step <= high for a <= i <= b.
    const int64_t a = step > 0 ? CeilDiv(low - start, step) : CeilDiv(start - high, -step);
    const int64_t b = step > 0 ? FloorDiv(high - start, step) : FloorDiv(start - low, -step);
    *first = std::max(*first, a);
    *last = std::min(*last, b + 1);
}

constexpr int64_t kRunSide = 4096;  // largest source side the runs handle
constexpr float kInv360 = 1.0f / 360, kHalf360 = 0.5f / 360;

// A run of a row whose source pixels all lie inside the source: pixel k comes from source column
// floor((u + k × du + 0.5) / 360) and row likewise from v and dv, from which each pixel's
// whole source offset is computed on its own.
struct Run {
    int64_t u, v, du, dv;
    int64_t n;
    uint16_t* to;
};

// floor((x + 0.5) / 360) for whole x ≥ 0 below 360 × (kRunSide + 1), in single precision: the
// true quotient lies at least 1/720 from a whole number, more than the rounding of the product
// and the sum can move it, so truncating gives the exact floor.
int Quotient360(float x) {
    return static_cast<int>(x * kInv360 + kHalf360);
}

void DrawRunPlain(const Run& run, const uint16_t* from, int stride) {
    for (int64_t k = 0; k < run.n; ++k) {
        const float u = static_cast<float>(run.u + k * run.du);
        const float v = static_cast<float>(run.v + k * run.dv);
        if (const uint16_t p = from[Quotient360(v) * stride + Quotient360(u)]) run.to[k] = p;
    }
}

#if GK_AVX2_BUILT
// Lanes x + k × dx for k = 0..7.
GK_AVX2_INLINE __m256 Lanes(int64_t x, int64_t dx) {
    const __m256i k = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_cvtepi32_ps(
        _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(x)),
                         _mm256_mullo_epi32(k, _mm256_set1_epi32(static_cast<int32_t>(dx)))));
}
GK_AVX2_INLINE __m256i Quotients360(__m256 x) {
    return _mm256_cvttps_epi32(
        _mm256_add_ps(_mm256_mul_ps(x, _mm256_set1_ps(kInv360)), _mm256_set1_ps(kHalf360)));
}

// Eight pixels' coordinates of a run at a time.
struct RunLanes {
    __m256 u, v, du, dv;
    __m256i stride;
    GK_AVX2_INLINE RunLanes(const Run& run, int sourceStride)
        : u(Lanes(run.u, run.du)),
          v(Lanes(run.v, run.dv)),
          du(_mm256_set1_ps(static_cast<float>(8 * run.du))),
          dv(_mm256_set1_ps(static_cast<float>(8 * run.dv))),
          stride(_mm256_set1_epi32(sourceStride)) {}
    // The source offsets of the next eight pixels.
    GK_AVX2_INLINE __m256i Next() {
        const __m256i o =
            _mm256_add_epi32(_mm256_mullo_epi32(Quotients360(v), stride), Quotients360(u));
        u = _mm256_add_ps(u, du);
        v = _mm256_add_ps(v, dv);
        return o;
    }
};

// Sixteen pixels a step: offsets in vectors, pixels gathered, transparent lanes keep the back
// screen. The last step's pixels are written one by one.
GK_AVX2 void DrawRunAvx2(const Run& run, const gkDraw::PixelGather& from, int stride) {
    RunLanes lanes(run, stride);
    int64_t k = 0;
    for (; k + 16 <= run.n; k += 16) {
        const __m256i low = lanes.Next();
        const __m256i p = from.Read(low, lanes.Next());
        auto* to = reinterpret_cast<__m256i*>(run.to + k);
        const __m256i clear = _mm256_cmpeq_epi16(p, _mm256_setzero_si256());
        _mm256_storeu_si256(to, _mm256_blendv_epi8(p, _mm256_loadu_si256(to), clear));
    }
    if (k == run.n) return;
    const int rest = static_cast<int>(run.n - k);
    const __m256i low = lanes.Next();
    alignas(32) uint16_t last[16];
    _mm256_store_si256(reinterpret_cast<__m256i*>(last), from.Read(low, lanes.Next(), rest));
    for (int i = 0; i < rest; ++i)
        if (last[i]) run.to[k + i] = last[i];
}
#endif

// The first walk column from which start + i × step has the sign it keeps for ever after.
int64_t SignChange(int64_t start, int64_t step) {
    if (step > 0) return CeilDiv(-start, step);
    if (step < 0) return FloorDiv(start, -step) + 1;
    return INT64_MIN;
}

// The columns of a row whose source pixels lie inside the source, and the columns from which
// U and V keep their signs.
struct RowRun {
    int64_t first, last, signU, signV;
};

RowRun RowRunOf(const Rotation& g, int64_t j) {
    RowRun r{g.left, g.right, SignChange(g.U(0, j), g.cs), SignChange(g.V(0, j), g.sn)};
    Narrow(g.U(0, j), g.cs, g.ox, g.ox + g.sw - 1, &r.first, &r.last);
    Narrow(g.V(0, j), g.sn, g.oy, g.oy + g.sh - 1, &r.first, &r.last);
    return r;
}

// Draws the run of row j through draw(run), cut where U or V changes sign: the walk's quotients
// are truncated toward zero, so a negative coordinate is biased by 359 for the floor to match.
template <class Draw>
void DrawRow(const Rotation& g, const SpriteFrame& f, int64_t j, const RowRun& row, Draw draw) {
    int64_t cuts[] = {row.first, row.signU, row.signV, row.last};
    for (int64_t& c : cuts) c = std::clamp(c, row.first, row.last);
    if (cuts[1] > cuts[2]) std::swap(cuts[1], cuts[2]);
    for (int piece = 0; piece < 3; ++piece) {
        const int64_t a = cuts[piece], b = cuts[piece + 1];
        if (a == b) continue;
        const int64_t u = g.U(a, j), v = g.V(a, j);
        draw(Run{u + (u < 0 ? 359 : 0) - 360 * g.ox, v + (v < 0 ? 359 : 0) - 360 * g.oy, g.cs, g.sn,
                 b - a, DestRow(g, f, j) + g.x1 + a});
    }
}

// Each row is cut to the run of columns whose source pixel lies inside the source, found from
// the linear U and V, so the loop itself tests nothing but transparency. Whole rows are drawn:
// the source lines a row reads at this screen size stay in the cache for the rows below, and
// narrower bands only add steps cut short.
template <class Draw>
void DrawRows(const Rotation& g, const SpriteFrame& f, Draw draw) {
    for (int64_t j = g.top; j < g.bottom; ++j) {
        const RowRun row = RowRunOf(g, j);
        if (row.first < row.last) DrawRow(g, f, j, row, draw);
    }
}

// The runs' pixels through AVX2 gathers where they run, else one by one.
void DrawRuns(const Rotation& g, const SpriteFrame& f) {
    const uint16_t* from = SourceAt(f, 0, 0);
#if GK_AVX2_BUILT
    if (gkDraw::Avx2Loops()) {
        const gkDraw::PixelGather gather(f.object, from);
        return DrawRows(g, f, [&](const Run& run) { DrawRunAvx2(run, gather, f.sourceStride); });
    }
#endif
    DrawRows(g, f, [&](const Run& run) { DrawRunPlain(run, from, f.sourceStride); });
}

}  // namespace

namespace gkDraw {

namespace reference {

int PutRotate(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r, int b) {
    return WalkRotation(x1, y1, x2, y2, angle, n, l, t, r, b, kEveryRow, Plain);
}

}  // namespace reference

// The runs take sources of up to kRunSide pixels a side whose offsets fit 32 bits; others take
// the plain walk.
int PutRotate(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r, int b) {
    Rotation g;
    SpriteFrame f;
    if (FrameStatus s = OpenRotation(x1, y1, x2, y2, angle, n, l, t, r, b, &g, &f);
        s != FrameStatus::Locked)
        return FrameResult(s);
    if (g.sw <= kRunSide && g.sh <= kRunSide && g.sh * f.sourceStride <= INT32_MAX) {
        DrawRuns(g, f);
    } else {
        WalkRows(g, f, kEveryRow, Plain);
    }
    CloseSpriteFrame(f);
    return 1;
}

int PutRotateTile(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r, int b) {
    return WalkRotation(x1, y1, x2, y2, angle, n, l, t, r, b, kEveryRow,
                        [](const Rotation& g, const SpriteFrame& f, int64_t U, int64_t V) {
                            return Tiled(g, f, U / 360 - g.ox, V / 360 - g.oy);
                        });
}

int PutRotateZoom(int x1, int y1, int x2, int y2, int angle, float zoom, int n, int l, int t, int r,
                  int b) {
    if (!UsableZoom(zoom)) return 1;
    // The offsets centre the zoomed size; the source stays the unzoomed rectangle.
    const int64_t ox = (int64_t{x2} - x1 - Truncate(static_cast<float>(r - l) * zoom)) >> 1;
    const int64_t oy = (int64_t{y2} - y1 - Truncate(static_cast<float>(b - t) * zoom)) >> 1;
    return WalkRotation(x1, y1, x2, y2, angle, n, l, t, r, b, kEveryRow,
                        [&](const Rotation& g, const SpriteFrame& f, int64_t U, int64_t V) {
                            return Clipped(g, f, Zoomed(U / 360 - ox, zoom),
                                           Zoomed(V / 360 - oy, zoom));
                        });
}

int PutRotateZoomTile(int x1, int y1, int x2, int y2, int angle, float zoom, int n, int l, int t,
                      int r, int b) {
    if (!UsableZoom(zoom)) return 1;
    return WalkRotation(x1, y1, x2, y2, angle, n, l, t, r, b, kEveryRow,
                        [&](const Rotation& g, const SpriteFrame& f, int64_t U, int64_t V) {
                            return Tiled(g, f, Zoomed(U / 360 - g.ox, zoom),
                                         Zoomed(V / 360 - g.oy, zoom));
                        });
}

int PutFloor(int x1, int y1, int x2, int y2, int angle, float zoomX, float zoomXStep, float zoomY,
             float zoomYStep, float factorRed, float factorGreen, float factorBlue, int n, int l,
             int t, int r, int b) {
    if (!UsableZoom(zoomX) || !UsableZoom(zoomY)) return 1;
    bool started = false;
    auto startRow = [&](const Rotation&, const SpriteFrame&, int64_t j) {
        // Row j samples with the zooms stepped j times; rows above the clip count too.
        if (!started) {
            zoomX = Stepped(zoomX, zoomXStep, j);
            zoomY = Stepped(zoomY, zoomYStep, j);
            started = true;
        } else {
            zoomX += zoomXStep;
            zoomY += zoomYStep;
        }
        return UsableZoom(zoomX) && UsableZoom(zoomY);
    };
    // Only the low 16 bits of a component reach the pixel, whatever the factor.
    auto scaled = [](int component, float factor) {
        return static_cast<int>(Truncate(static_cast<float>(component) * factor) & 0xFFFF);
    };
    return WalkRotation(
        x1, y1, x2, y2, angle, n, l, t, r, b, startRow,
        [&](const Rotation& g, const SpriteFrame& f, int64_t U, int64_t V) -> uint16_t {
            const uint16_t p =
                Tiled(g, f, Zoomed(U / 360 - g.ox, zoomX), Zoomed(V / 360 - g.oy, zoomY));
            if (!p) return 0;
            const Rgb c = Split5(p);
            return Pack5(scaled(c.r, factorRed), scaled(c.g, factorGreen), scaled(c.b, factorBlue));
        });
}

}  // namespace gkDraw
