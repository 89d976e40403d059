// Blend and colour effects: eighteen puts of a sprite rectangle onto the back screen through a
// per-pixel colour rule. Every rule has a plain reference form that reads the lookup tables one
// pixel at a time. Most also have a fast form that computes the same closed formulas on whole
// vectors of pixels (GCC vector types, 32 bytes for AVX2 and 16 for the baseline SSE2, picked at
// run time) for the two 16-bit layouts, 5-6-5 and 5-5-5; the box blur and edge smoothing have
// fast forms of their own. The float rules are built with floating-point contraction off, so the
// forms round alike.
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "effects/effects.h"

namespace {

using gkDraw::FrameStatus;
using gkDraw::SpriteFrame;

constexpr int kTop5 = gk::kLevels5 - 1;

// ---------------------------------------------------------------------------------------------
// Arguments
// ---------------------------------------------------------------------------------------------

// Levels and factors that become table offsets are held to the tables' range.
int HoldLevel(int level) {
    return std::clamp(level, 0, kTop5);
}
float HoldFactor(float factor) {
    return factor >= 0.0f ? std::min(factor, 1.0f) : 0.0f;  // not a number: 0.0
}

// A float rule's component: its float result truncated toward zero, kept to the 32 bits the
// unmasked pack shifts (so a result far outside the channel spills as it would in 32-bit
// arithmetic, and the conversion stays defined for any alpha or factor).
int FloatComponent(float value) {
    return static_cast<int>(static_cast<uint32_t>(gkDraw::Truncate(value)));
}

// Alphas and factors for which the fast float rules stay inside 32-bit lanes.
bool FastFloat(float value) {
    return value >= -256.0f && value <= 256.0f;
}

// ---------------------------------------------------------------------------------------------
// Rules: what one source pixel s does to the back screen pixel d
// ---------------------------------------------------------------------------------------------

enum class Kind { Half, Alpha, Fade, Add, Shadow, Channels, Bright, Dark, Gray };

struct Rule {
    Kind kind = Kind::Half;
    int offset[3] = {};    // Fade, Add: the table's level a; Dark: 31 - level
    float weight[3] = {};  // Alpha: the source's share; Bright: the factor
    float rest[3] = {};    // Alpha: the back screen's share
    uint16_t mask = 0;     // Half: the half mask; Channels: the kept channels
};

Rule Levels(Kind kind, int red, int green, int blue) {
    Rule rule{kind};
    const int levels[3] = {red, green, blue};
    for (int k = 0; k < 3; ++k) rule.offset[k] = kTop5 - HoldLevel(levels[k]);
    return rule;
}

Rule Alphas(float red, float green, float blue) {
    Rule rule{Kind::Alpha, {}, {red, green, blue}};
    for (int k = 0; k < 3; ++k) rule.rest[k] = 1.0f - rule.weight[k];
    return rule;
}

// The rules exactly as the tables define them, one pixel at a time.
uint16_t ReferencePixel(const Rule& rule, uint16_t s, uint16_t d) {
    using gkDraw::FadeIndex, gkDraw::SubtractIndex, gkDraw::Split5, gkDraw::SplitNative;
    const gkEffectTableSet& t = gkEffectTables;
    const int* a = rule.offset;
    const float* w = rule.weight;
    switch (rule.kind) {
        case Kind::Half:
            return static_cast<uint16_t>(((s >> 1) & rule.mask) + ((d >> 1) & rule.mask));
        case Kind::Alpha: {
            const gkDraw::Rgb p = SplitNative(s), q = SplitNative(d);
            const float* r = rule.rest;
            return gkDraw::PackNative(FloatComponent(p.r * w[0] + q.r * r[0]),
                                      FloatComponent(p.g * w[1] + q.g * r[1]),
                                      FloatComponent(p.b * w[2] + q.b * r[2]));
        }
        case Kind::Fade:
        case Kind::Add: {
            const uint16_t* table = rule.kind == Kind::Fade ? t.Fade : t.Add;
            const gkDraw::Rgb p = Split5(s), q = Split5(d);
            return table[FadeIndex(0, a[0], p.r, q.r)] | table[FadeIndex(1, a[1], p.g, q.g)] |
                   table[FadeIndex(2, a[2], p.b, q.b)];
        }
        case Kind::Shadow: {
            const int darkness = Split5(s).r;
            const gkDraw::Rgb q = Split5(d);
            return t.Subtract[SubtractIndex(0, q.r, darkness)] |
                   t.Subtract[SubtractIndex(1, q.g, darkness)] |
                   t.Subtract[SubtractIndex(2, q.b, darkness)];
        }
        case Kind::Channels:
            return s & rule.mask;
        case Kind::Bright: {
            const gkDraw::Rgb p = SplitNative(s);
            return gkDraw::PackNative(FloatComponent(p.r * w[0]), FloatComponent(p.g * w[1]),
                                      FloatComponent(p.b * w[2]));
        }
        case Kind::Dark: {
            const gkDraw::Rgb p = Split5(s);
            return t.Subtract[SubtractIndex(0, p.r, a[0])] |
                   t.Subtract[SubtractIndex(1, p.g, a[1])] |
                   t.Subtract[SubtractIndex(2, p.b, a[2])];
        }
        case Kind::Gray: {
            const gkDraw::Rgb p = Split5(s);
            const int v = t.Grey[p.r + p.g + p.b];
            return gkDraw::Pack5(v, v, v);
        }
    }
    return d;
}

// ---------------------------------------------------------------------------------------------
// Fast rules: the table formulas computed on whole vectors of pixels, 16 at a time with AVX2 and
// 8 with the baseline
// ---------------------------------------------------------------------------------------------

enum class Layout { Other, R5G6B5, X1R5G5B5 };

Layout CurrentLayout() {
    const gkScreenState& s = gkScreen;
    if (s.BlueShift != 0 || s.GreenShift != 5 || s.RedMax != 31 || s.BlueMax != 31)
        return Layout::Other;
    if (s.RedShift == 11 && s.GreenMax == 63) return Layout::R5G6B5;
    if (s.RedShift == 10 && s.GreenMax == 31) return Layout::X1R5G5B5;
    return Layout::Other;
}

// A 16-bit layout with blue at bit 0 and green at bit 5.
template <int RedShift, int GreenMax>
struct Channels {
    static constexpr int kGreenMax = GreenMax;
    static constexpr int kShift[3] = {RedShift, 5, 0};  // native channels
    static constexpr uint16_t kMax[3] = {31, GreenMax, 31};
    static constexpr int kPlace[3] = {RedShift, GreenMax == 63 ? 6 : 5, 0};  // 5-bit components
    // The 5-bit components in place: red and blue each alone in a byte, green across the two.
    static constexpr uint16_t kRedBlue = 31 << RedShift | 31, kGreen = 31 << kPlace[1];
};
using R5G6B5 = Channels<11, 63>;
using X1R5G5B5 = Channels<10, 31>;

// Vectors of Bytes bytes of pixels, the views the rules take of them, and their helpers. Only
// lane operations that SSE2 has are used, so that neither width falls back to single lanes.
template <int Bytes>
struct Lanes {
    typedef uint16_t U16 __attribute__((vector_size(Bytes)));
    typedef int16_t S16 __attribute__((vector_size(Bytes)));
    typedef uint8_t U8 __attribute__((vector_size(Bytes)));
    typedef uint16_t Half __attribute__((vector_size(Bytes / 2)));  // for the float rules
    typedef int32_t I32 __attribute__((vector_size(Bytes)));
    typedef float F32 __attribute__((vector_size(Bytes)));

    static GK_INLINE U16 Broadcast(int value) { return U16{} + static_cast<uint16_t>(value); }
    // Signed lanes: for values below 0x8000 only.
    static GK_INLINE U16 Min(U16 a, U16 b) { return (S16)a < (S16)b ? a : b; }
    // max(0, a - b)
    static GK_INLINE U16 Lowered(U16 a, U16 b) { return a - Min(a, b); }
    // The same byte by byte, for red and blue in place at once (no byte borrows from the next).
    static GK_INLINE U16 Min8(U16 a, U16 b) {
        const U8 a8 = (U8)a, b8 = (U8)b;
        return (U16)(a8 < b8 ? a8 : b8);
    }
    static GK_INLINE U16 Lowered8(U16 a, U16 b) { return a - Min8(a, b); }
    // The component table splits only values some channel combination reaches; the others
    // (in 5-5-5, those with the top bit set) split into zeros.
    template <class L>
    static GK_INLINE U16 Reachable(U16 p) {
        if constexpr (L::kGreenMax == 63)
            return p;
        else
            return p & ~(U16)((S16)p >> 15);
    }
};

// An alpha in 0.0-1.0 that is a whole number k of 256ths, with 1 - alpha beside it: then every
// float product and sum of the alpha rule is exact, and (s × k + d × (256 - k)) >> 8 is its result.
bool In256ths(float weight, float rest) {
    const float k = weight * 256.0f;
    return weight >= 0.0f && weight <= 1.0f && k == std::floor(k) && rest == 1.0f - weight;
}

// The table formulas on a vector of pixels, for layout L and rule K. The 5-bit rules work on
// the components in place (the pixel masked to the components' bits), red and blue together:
// lowering a component by a level is lowering the masked value by the level placed alike, and
// min(31, x + y) is x + min(31 - x, y), with 31 - x the component's bits flipped.
template <int Bytes, class L, Kind K, bool Exact>
struct FastRule : Lanes<Bytes> {
    using X = Lanes<Bytes>;
    using U16 = typename X::U16;
    using Half = typename X::Half;
    using I32 = typename X::I32;
    using F32 = typename X::F32;
    using X::Lowered, X::Lowered8, X::Min, X::Min8;
    U16 mask;                            // half or channel mask
    U16 lowerRB, lowerG, keepRB, keepG;  // offsets and 31 - offsets, placed
    U16 share[3];                        // exact alphas in 256ths
    F32 weight[3], rest[3];

    GK_INLINE explicit FastRule(const Rule& r) : mask(X::Broadcast(r.mask)) {
        const int* a = r.offset;
        lowerRB = X::Broadcast(a[0] << L::kPlace[0] | a[2]);
        lowerG = X::Broadcast(a[1] << L::kPlace[1]);
        keepRB = lowerRB ^ L::kRedBlue;  // 31 - a, placed
        keepG = lowerG ^ L::kGreen;
        for (int k = 0; k < 3; ++k) {
            share[k] = X::Broadcast(static_cast<int>(r.weight[k] * 256.0f));
            weight[k] = F32{} + r.weight[k];
            rest[k] = F32{} + r.rest[k];
        }
    }

    GK_INLINE U16 operator()(U16 s, U16 d) const {
        if constexpr (K == Kind::Half) return ((s >> 1) & mask) + ((d >> 1) & mask);
        if constexpr (K == Kind::Channels) return s & mask;
        if constexpr (K == Kind::Alpha && Exact)
            return Exact256ths<0>(s, d) | Exact256ths<1>(s, d) | Exact256ths<2>(s, d);
        if constexpr (K == Kind::Alpha || K == Kind::Bright) return Floats(s, d);
        s = X::template Reachable<L>(s);
        d = X::template Reachable<L>(d);
        constexpr int red = L::kPlace[0], green = L::kPlace[1];
        if constexpr (K == Kind::Gray) {
            const U16 v = (((s >> red) + ((s >> green) & 31) + (s & 31)) * 171) >> 9;
            return v << red | v << green | v;  // (r + g + b) / 3, exact up to 93
        }
        const U16 sRB = s & L::kRedBlue, sG = s & L::kGreen;
        const U16 dRB = d & L::kRedBlue, dG = d & L::kGreen;
        if constexpr (K == Kind::Dark) return Lowered8(sRB, lowerRB) | Lowered(sG, lowerG);
        if constexpr (K == Kind::Fade)
            return (Lowered8(sRB, lowerRB) + Lowered8(dRB, keepRB)) |
                   (Lowered(sG, lowerG) + Lowered(dG, keepG));
        if constexpr (K == Kind::Shadow) {
            const U16 darkness = s >> red << red;
            return Lowered8(dRB, darkness | s >> red) | Lowered(dG, darkness >> (red - green));
        }
        const U16 xRB = Lowered8(sRB, lowerRB), xG = Lowered(sG, lowerG);  // Add
        return (xRB + Min8(xRB ^ L::kRedBlue, dRB)) | (xG + Min(xG ^ L::kGreen, dG));
    }

    template <int k>
    GK_INLINE U16 Exact256ths(U16 s, U16 d) const {
        constexpr int shift = L::kShift[k];
        const U16 sk = (s >> shift) & L::kMax[k], dk = (d >> shift) & L::kMax[k];
        return ((sk * share[k] + dk * (256 - share[k])) >> 8) << shift;
    }

    // Through 32-bit lanes, which every SIMD level converts to float.
    static GK_INLINE F32 ToFloat(Half v) {
        return __builtin_convertvector(__builtin_convertvector(v, I32), F32);
    }
    // The float rules, half a vector of pixels at a time.
    GK_INLINE U16 Floats(U16 s, U16 d) const {
        constexpr auto lanes = std::make_index_sequence<Bytes / 4>();
        return Join(FloatsHalf(Lower(s, lanes), Lower(d, lanes)),
                    FloatsHalf(Upper(s, lanes), Upper(d, lanes)),
                    std::make_index_sequence<Bytes / 2>());
    }
    // Halves taken and joined in registers (through memory, the wide load after two narrow
    // stores would wait for them).
    template <size_t... I>
    static GK_INLINE Half Lower(U16 v, std::index_sequence<I...>) {
        return __builtin_shufflevector(v, v, I...);
    }
    template <size_t... I>
    static GK_INLINE Half Upper(U16 v, std::index_sequence<I...>) {
        return __builtin_shufflevector(v, v, (I + sizeof...(I))...);
    }
    template <size_t... I>
    static GK_INLINE U16 Join(Half low, Half high, std::index_sequence<I...>) {
        return __builtin_shufflevector(low, high, I...);
    }
    GK_INLINE Half FloatsHalf(Half s, Half d) const {
        I32 out{};
        for (int k = 0; k < 3; ++k) {
            const Half sk = (s >> L::kShift[k]) & L::kMax[k], dk = (d >> L::kShift[k]) & L::kMax[k];
            F32 v = ToFloat(sk) * weight[k];
            if constexpr (K == Kind::Alpha) v = v + ToFloat(dk) * rest[k];
            out |= __builtin_convertvector(v, I32) << L::kShift[k];
        }
        return __builtin_convertvector(out, Half);
    }
};

// The rule where the source is not 0.
template <class Apply, class U16>
GK_INLINE void Blend(const Apply& apply, U16& d, U16 s) {
    const U16 clear = (U16)(s == 0);
    d = (apply(s, d) & ~clear) | (d & clear);
}

// One row: whole vectors first, then the rest through a zero-padded vector.
template <int Bytes, class L, Kind K, bool Exact = false>
GK_INLINE void FastRowOf(const Rule& rule, const uint16_t* s, uint16_t* d, int w) {
    using U16 = typename Lanes<Bytes>::U16;
    const FastRule<Bytes, L, K, Exact> apply(rule);
    constexpr int n = Bytes / sizeof(uint16_t);
    U16 sv, dv;
    int i = 0;
    for (; i + n <= w; i += n) {
        std::memcpy(&sv, s + i, sizeof sv);
        std::memcpy(&dv, d + i, sizeof dv);
        Blend(apply, dv, sv);
        std::memcpy(d + i, &dv, sizeof dv);
    }
    if (i == w) return;
    const size_t bytes = sizeof(uint16_t) * (w - i);
    sv = U16{};
    dv = U16{};
    std::memcpy(&sv, s + i, bytes);
    std::memcpy(&dv, d + i, bytes);
    Blend(apply, dv, sv);
    std::memcpy(d + i, &dv, bytes);
}

template <int Bytes, class L>
GK_INLINE void FastRowIn(const Rule& rule, const uint16_t* s, uint16_t* d, int w) {
    switch (rule.kind) {
        case Kind::Half:
            return FastRowOf<Bytes, L, Kind::Half>(rule, s, d, w);
        case Kind::Alpha:
            if (std::equal(rule.weight, rule.weight + 3, rule.rest, In256ths))
                return FastRowOf<Bytes, L, Kind::Alpha, true>(rule, s, d, w);
            return FastRowOf<Bytes, L, Kind::Alpha>(rule, s, d, w);
        case Kind::Fade:
            return FastRowOf<Bytes, L, Kind::Fade>(rule, s, d, w);
        case Kind::Add:
            return FastRowOf<Bytes, L, Kind::Add>(rule, s, d, w);
        case Kind::Shadow:
            return FastRowOf<Bytes, L, Kind::Shadow>(rule, s, d, w);
        case Kind::Channels:
            return FastRowOf<Bytes, L, Kind::Channels>(rule, s, d, w);
        case Kind::Bright:
            return FastRowOf<Bytes, L, Kind::Bright>(rule, s, d, w);
        case Kind::Dark:
            return FastRowOf<Bytes, L, Kind::Dark>(rule, s, d, w);
        case Kind::Gray:
            return FastRowOf<Bytes, L, Kind::Gray>(rule, s, d, w);
    }
}

template <int Bytes>
GK_INLINE void FastRowWith(const Rule& rule, Layout layout, const uint16_t* s, uint16_t* d, int w) {
    if (layout == Layout::R5G6B5)
        FastRowIn<Bytes, R5G6B5>(rule, s, d, w);
    else
        FastRowIn<Bytes, X1R5G5B5>(rule, s, d, w);
}

GK_AVX2 void FastRowAvx2(const Rule& rule, Layout layout, const uint16_t* s, uint16_t* d, int w) {
    FastRowWith<32>(rule, layout, s, d, w);
}
void FastRowBaseline(const Rule& rule, Layout layout, const uint16_t* s, uint16_t* d, int w) {
    FastRowWith<16>(rule, layout, s, d, w);
}

// Columns [0, w) of a row through the rule's fast form: AVX2 where it runs.
void FastRow(const Rule& rule, Layout layout, const uint16_t* s, uint16_t* d, int w) {
    (gkDraw::Avx2Loops() ? FastRowAvx2 : FastRowBaseline)(rule, layout, s, d, w);
}

// The layout the rule's fast form runs in; Other for the reference form.
Layout FastLayout(const Rule& rule) {
    if (gkDraw::gkEffectLoops == gkDraw::EffectLoops::Reference) return Layout::Other;
    if (rule.kind == Kind::Alpha || rule.kind == Kind::Bright)
        for (int k = 0; k < 3; ++k)
            if (!FastFloat(rule.weight[k]) || !FastFloat(rule.rest[k])) return Layout::Other;
    return CurrentLayout();
}

// ---------------------------------------------------------------------------------------------
// Walks
// ---------------------------------------------------------------------------------------------

// walk(frame) between opening and closing the sprite effect frame.
template <class Walk>
int InFrame(int x, int y, int n, int l, int t, int r, int b, Walk walk) {
    SpriteFrame f;
    if (FrameStatus s = gkDraw::OpenSpriteFrame(x, y, n, l, t, r, b, &f); s != FrameStatus::Locked)
        return gkDraw::FrameResult(s);
    walk(f);
    gkDraw::CloseSpriteFrame(f);
    return 1;
}

// Columns [begin, end) of row j through the rule, in its fast form unless layout is Other.
void DrawRow(const SpriteFrame& f, int j, int begin, int end, const Rule& rule, Layout layout) {
    const uint16_t* s = f.Source(0, j);
    uint16_t* d = f.Dest(0, j);
    if (layout != Layout::Other) return FastRow(rule, layout, s + begin, d + begin, end - begin);
    for (int i = begin; i < end; ++i)
        if (s[i]) d[i] = ReferencePixel(rule, s[i], d[i]);
}

int Put(int x, int y, int n, int l, int t, int r, int b, const Rule& rule) {
    const Layout layout = FastLayout(rule);
    return InFrame(x, y, n, l, t, r, b, [&](const SpriteFrame& f) {
        for (int j = 0; j < f.h; ++j) DrawRow(f, j, 0, f.w, rule, layout);
    });
}

// The step counter of the gradients: past the start position every position counts, and each
// `step` counts raise the strength once (every position when step is 1 or less).
struct Ramp {
    int start, step, counter = 0;
    bool Advance(int position) {
        if (position <= start || ++counter < step) return false;
        counter = 0;
        return true;
    }
};

// One increment of a gradient's strength: an alpha's back screen share drops by 1/32 (not below
// 0), a fade offset by one level (not below 0).
void Raise(Rule& rule) {
    for (int k = 0; k < 3; ++k) {
        if (rule.kind == Kind::Fade) {
            if (rule.offset[k]) --rule.offset[k];
            continue;
        }
        rule.rest[k] -= 0.03125f;
        if (rule.rest[k] < 0.0f) rule.rest[k] = 0.0f;
        rule.weight[k] = 1.0f - rule.rest[k];
    }
}

bool SameStrength(const Rule& a, const Rule& b) {
    return std::equal(a.offset, a.offset + 3, b.offset) && std::equal(a.rest, a.rest + 3, b.rest);
}

int Gradient(int x, int y, int n, int l, int t, int r, int b, const Rule& initial, int vertical,
             uint16_t start, int step) {
    const Layout layout = FastLayout(initial);
    return InFrame(x, y, n, l, t, r, b, [&](const SpriteFrame& f) {
        Ramp ramp{start, step};
        Rule rule = initial;
        if (vertical) {
            for (int j = 0; j < f.h; ++j) {
                if (ramp.Advance(j)) Raise(rule);
                DrawRow(f, j, 0, f.w, rule, layout);
            }
            return;
        }
        // Along the rows every row starts over, so the columns where the strength changes are
        // found once: at most 33 runs of one strength, or one per column for the reference.
        std::vector<std::pair<int, Rule>> runs{{0, rule}};
        for (int i = 0; i < f.w; ++i) {
            if (!ramp.Advance(i)) continue;
            Raise(rule);
            if (layout == Layout::Other || !SameStrength(rule, runs.back().second))
                runs.push_back({i, rule});
        }
        runs.push_back({f.w, rule});
        for (int j = 0; j < f.h; ++j)
            for (size_t k = 0; k + 1 < runs.size(); ++k)
                DrawRow(f, j, runs[k].first, runs[k + 1].first, runs[k].second, layout);
    });
}

// Edge smoothing of the opaque pixel (i, j): its 5-bit components averaged with those of the
// back screen under its transparent neighbours inside the rectangle.
void SmoothPixel(const SpriteFrame& f, int i, int j) {
    const uint16_t s = *f.Source(i, j);
    gkDraw::Rgb sum;
    int count = 1;
    const int neighbours[4][3] = {
        {i - 1, j, i > 0}, {i + 1, j, i < f.w - 1}, {i, j - 1, j > 0}, {i, j + 1, j < f.h - 1}};
    for (const auto& [u, v, inside] : neighbours) {
        if (!inside || *f.Source(u, v)) continue;
        const gkDraw::Rgb c = gkDraw::Split5(*f.Dest(u, v));
        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        ++count;
    }
    if (count == 1) {
        *f.Dest(i, j) = s;
        return;
    }
    const gkDraw::Rgb own = gkDraw::Split5(s);
    *f.Dest(i, j) =
        gkDraw::Pack5((sum.r + own.r) / count, (sum.g + own.g) / count, (sum.b + own.b) / count);
}

// The fast form first marks, 16 at a time, the pixels that are opaque together with their
// neighbours on the left, right, above and below (away from the rectangle's edges): those keep
// their value and are copied, whole blocks at once.
void SmoothRow(const SpriteFrame& f, int j, bool fast) {
    constexpr int kBlock = 16;
    const uint16_t* s = f.Source(0, j);
    const uint16_t* up = j > 0 ? f.Source(0, j - 1) : s;
    const uint16_t* down = j < f.h - 1 ? f.Source(0, j + 1) : s;
    uint16_t* d = f.Dest(0, j);
    for (int i = 0; i < f.w;) {
        const int end = std::min(i + kBlock, f.w);
        if (!fast || i == 0 || end == f.w) {
            for (; i < end; ++i)
                if (s[i]) SmoothPixel(f, i, j);
            continue;
        }
        using U16x8 = Lanes<16>::U16;
        uint16_t keep[kBlock];
        for (int half = 0; half < kBlock; half += 8) {
            const auto opaque = [&](const uint16_t* p) {
                U16x8 v;
                std::memcpy(&v, p + i + half, sizeof v);
                return (U16x8)(v != 0);
            };
            const U16x8 marks =
                opaque(s - 1) & opaque(s) & opaque(s + 1) & opaque(up) & opaque(down);
            std::memcpy(keep + half, &marks, sizeof marks);
        }
        uint64_t quarters[4];
        std::memcpy(quarters, keep, sizeof keep);
        const bool all = (quarters[0] & quarters[1] & quarters[2] & quarters[3]) == ~uint64_t{0};
        if (all) std::memcpy(d + i, s + i, sizeof(uint16_t) * kBlock);
        for (int k = 0; k < kBlock && !all; ++k)
            if (keep[k])
                d[i + k] = s[i + k];
            else if (s[i + k])
                SmoothPixel(f, i + k, j);
        i = end;
    }
}

// Box blur, plain: every box summed on its own.
void BlurReference(const SpriteFrame& f, int m) {
    for (int j = 0; j < f.h; ++j)
        for (int i = 0; i < f.w; ++i) {
            if (!*f.Source(i, j)) continue;
            const int left = std::min(i, f.w - m), top = std::min(j, f.h - m);
            gkDraw::Rgb sum;
            for (int v = top; v < top + m; ++v)
                for (int u = left; u < left + m; ++u) {
                    const gkDraw::Rgb c = gkDraw::Split5(*f.Source(u, v));
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            const int area = m * m;
            *f.Dest(i, j) = gkDraw::Pack5(sum.r / area, sum.g / area, sum.b / area);
        }
}

// Box blur in time proportional to the pixels: per channel, column sums over the box's rows
// slide down the rectangle, and prefix sums of them give each box's sum. A quotient is taken as
// (sum + 1/2) × 1/area in double precision, which floors to the integer quotient for any sum and
// area that fit. Rows are worked whole in channel planes and then copied where the source is
// opaque.
template <class Split>
void BlurRows(const SpriteFrame& f, int m, Split split) {
    const int w = f.w;
    std::vector<int> columns(3 * w), prefix(3 * (w + 1));
    std::vector<uint16_t> blurred(w);
    // Column sums move down a row: the row entering the box added, the one leaving subtracted.
    const auto slide = [&](const uint16_t* entering, const uint16_t* leaving) {
        for (int u = 0; u < w; ++u) {
            const gkDraw::Rgb in = split(entering[u]), out = split(leaving ? leaving[u] : 0);
            columns[u] += in.r - out.r;
            columns[w + u] += in.g - out.g;
            columns[2 * w + u] += in.b - out.b;
        }
    };
    for (int v = 0; v < m; ++v) slide(f.Source(0, v), nullptr);
    const double perArea = 1.0 / (static_cast<double>(m) * m);
    const int redShift = gkScreen.Red5Shift, greenShift = gkScreen.Green5Shift;
    const int blueShift = gkScreen.Blue5Shift;
    int top = 0;
    for (int j = 0; j < f.h; ++j) {
        for (; top < std::min(j, f.h - m); ++top) slide(f.Source(0, top + m), f.Source(0, top));
        int sum[3] = {};
        for (int u = 0; u < w; ++u)
            for (int k = 0; k < 3; ++k) prefix[k * (w + 1) + u + 1] = sum[k] += columns[k * w + u];
        const int *r = &prefix[0], *g = r + w + 1, *b = g + w + 1;
        for (int i = 0; i < w; ++i) {
            const int lo = std::min(i, w - m), hi = lo + m;
            const auto average = [&](const int* p) {
                return static_cast<int>((p[hi] - p[lo] + 0.5) * perArea);
            };
            blurred[i] = static_cast<uint16_t>(average(r) << redShift | average(g) << greenShift |
                                               average(b) << blueShift);
        }
        const uint16_t* s = f.Source(0, j);
        uint16_t* d = f.Dest(0, j);
        for (int i = 0; i < w; ++i) d[i] = s[i] ? blurred[i] : d[i];
    }
}

// The 5-bit split computed for the two known layouts rather than read from the table.
template <class L>
gkDraw::Rgb Split5Of(uint16_t p) {
    if (L::kGreenMax == 31 && p >> 15) p = 0;
    return {p >> L::kPlace[0] & 31, p >> L::kPlace[1] & 31, p & 31};
}

void BlurFast(const SpriteFrame& f, int m) {
    switch (CurrentLayout()) {
        case Layout::R5G6B5:
            return BlurRows(f, m, [](uint16_t p) { return Split5Of<R5G6B5>(p); });
        case Layout::X1R5G5B5:
            return BlurRows(f, m, [](uint16_t p) { return Split5Of<X1R5G5B5>(p); });
        case Layout::Other:
            return BlurRows(f, m, [](uint16_t p) { return gkDraw::Split5(p); });
    }
}

}  // namespace

namespace gkDraw {

int PutHalf(int x, int y, int n, int l, int t, int r, int b) {
    Rule rule{Kind::Half};
    rule.mask = static_cast<uint16_t>(gkScreen.HalfMask);
    return Put(x, y, n, l, t, r, b, rule);
}

int PutAlpha(int x, int y, float alpha, int n, int l, int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Alphas(alpha, alpha, alpha));
}

int PutAlphaRGB(int x, int y, float alphaRed, float alphaGreen, float alphaBlue, int n, int l,
                int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Alphas(alphaRed, alphaGreen, alphaBlue));
}

int PutFade(int x, int y, int level, int n, int l, int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Levels(Kind::Fade, level, level, level));
}

int PutFadeRGB(int x, int y, int levelRed, int levelGreen, int levelBlue, int n, int l, int t,
               int r, int b) {
    return Put(x, y, n, l, t, r, b, Levels(Kind::Fade, levelRed, levelGreen, levelBlue));
}

int PutAlphaGradient(int x, int y, float alphaRed, float alphaGreen, float alphaBlue, int vertical,
                     uint16_t start, int step, int n, int l, int t, int r, int b) {
    // The ramp's source share is formed as 1 - (back screen share) at every strength.
    Rule rule = Alphas(alphaRed, alphaGreen, alphaBlue);
    for (int k = 0; k < 3; ++k) rule.weight[k] = 1.0f - rule.rest[k];
    return Gradient(x, y, n, l, t, r, b, rule, vertical, start, step);
}

int PutFadeGradient(int x, int y, int levelRed, int levelGreen, int levelBlue, int vertical,
                    uint16_t start, int step, int n, int l, int t, int r, int b) {
    return Gradient(x, y, n, l, t, r, b, Levels(Kind::Fade, levelRed, levelGreen, levelBlue),
                    vertical, start, step);
}

int PutAdd(int x, int y, int n, int l, int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Rule{Kind::Add});
}

int PutAddAlpha(int x, int y, float factor, int n, int l, int t, int r, int b) {
    const int a = static_cast<int>(31.0f - HoldFactor(factor) * 31.0f);
    return Put(x, y, n, l, t, r, b, Rule{Kind::Add, {a, a, a}});
}

int PutShadow(int x, int y, int n, int l, int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Rule{Kind::Shadow});
}

int PutSmooth(int x, int y, int n, int l, int t, int r, int b) {
    const bool fast = gkEffectLoops != EffectLoops::Reference;
    return InFrame(x, y, n, l, t, r, b, [&](const SpriteFrame& f) {
        for (int j = 0; j < f.h; ++j) SmoothRow(f, j, fast);
    });
}

int PutChannels(int x, int y, int red, int green, int blue, int n, int l, int t, int r, int b) {
    Rule rule{Kind::Channels};
    rule.mask =
        static_cast<uint16_t>((red ? gkScreen.RedMask : 0) | (green ? gkScreen.GreenMask : 0) |
                              (blue ? gkScreen.BlueMask : 0));
    return Put(x, y, n, l, t, r, b, rule);
}

int PutBright(int x, int y, float factor, int n, int l, int t, int r, int b) {
    return PutBrightRGB(x, y, factor, factor, factor, n, l, t, r, b);
}

int PutBrightRGB(int x, int y, float factorRed, float factorGreen, float factorBlue, int n, int l,
                 int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Rule{Kind::Bright, {}, {factorRed, factorGreen, factorBlue}});
}

int PutDark(int x, int y, int level, int n, int l, int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Levels(Kind::Dark, level, level, level));
}

int PutDarkRGB(int x, int y, int levelRed, int levelGreen, int levelBlue, int n, int l, int t,
               int r, int b) {
    return Put(x, y, n, l, t, r, b, Levels(Kind::Dark, levelRed, levelGreen, levelBlue));
}

int PutBlur(int x, int y, int box, int n, int l, int t, int r, int b) {
    if (box < 1) return 1;
    return InFrame(x, y, n, l, t, r, b, [&](const SpriteFrame& f) {
        const int m = std::min({box, f.w, f.h});
        if (m == 0) return;
        gkEffectLoops == EffectLoops::Reference ? BlurReference(f, m) : BlurFast(f, m);
    });
}

int PutGray(int x, int y, int n, int l, int t, int r, int b) {
    return Put(x, y, n, l, t, r, b, Rule{Kind::Gray});
}

}  // namespace gkDraw
