// The effects on small headless surfaces: the tables and frames under them, exact pixels of each
// blend rule, filter, rotation, distortion and the tunnel, refused and trimmed calls, noise
// cursors kept across calls, and every fast loop (with and without AVX2) against its reference on
// random inputs in both 16-bit layouts.
#include "effects/effects.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>

#include "support/draw_files.h"

namespace {

using namespace gkDraw;
using plat::PixelFormat;
using Pixels = std::vector<uint16_t>;
using Bytes = plat::PixelBuffer;
using Call = std::function<int()>;

struct Args {
    int x = 0, y = 0, box = 1, vertical = 0, start = 0, step = 0;
    int level[3] = {}, flag[3] = {};
    float alpha[3] = {};
};
// All eighteen, putting object n's rectangle (2, 1)-(39, 24) at (x, y).
#define EFFECT(put, ...) \
    [](int n, const Args& a) { return put(a.x, a.y, __VA_ARGS__ __VA_OPT__(, ) n, 2, 1, 39, 24); }
#define RGB(v) a.v[0], a.v[1], a.v[2]
int (*const kEffects[])(int, const Args&) = {
    EFFECT(PutHalf),
    EFFECT(PutAlpha, a.alpha[0]),
    EFFECT(PutAlphaRGB, RGB(alpha)),
    EFFECT(PutFade, a.level[0]),
    EFFECT(PutFadeRGB, RGB(level)),
    EFFECT(PutAlphaGradient, RGB(alpha), a.vertical, a.start, a.step),
    EFFECT(PutFadeGradient, RGB(level), a.vertical, a.start, a.step),
    EFFECT(PutAdd),
    EFFECT(PutAddAlpha, a.alpha[0]),
    EFFECT(PutShadow),
    EFFECT(PutSmooth),
    EFFECT(PutChannels, RGB(flag)),
    EFFECT(PutBright, a.alpha[0]),
    EFFECT(PutBrightRGB, RGB(alpha)),
    EFFECT(PutDark, a.level[0]),
    EFFECT(PutDarkRGB, RGB(level)),
    EFFECT(PutBlur, a.box),
    EFFECT(PutGray)};
#undef EFFECT
#undef RGB
// Positions in kEffects of those called by name.
constexpr int kHalf = 0, kAlpha = 1, kAlphaRGB = 2, kFade = 3, kFadeRGB = 4, kAdd = 7,
              kAddAlpha = 8, kShadow = 9, kSmooth = 10, kChannels = 11, kBright = 12, kDark = 14,
              kDarkRGB = 15, kBlur = 16, kGray = 17;

class Effects : public gktest::DrawFiles {
  protected:
    static void Start(PixelFormat format = PixelFormat::R5G6B5, int w = 64, int h = 48) {
        plat::headless::UseDisplayFormat(format);
        ASSERT_EQ(Screen(w, h, 0), 1);
    }
    // Pixel (x, y) of object slot, or of the back screen for slot -1.
    static uint16_t& Px(int slot, int x, int y) {
        plat::Surface* s = slot < 0 ? gkScreen.Back : gkSprites[slot].surface;
        return reinterpret_cast<uint16_t*>(s->pixels.data() + y * s->pitch)[x];
    }
    static uint16_t Back(int x, int y) { return Px(-1, x, y); }
    static Bytes& Shown() { return gkScreen.Back->pixels; }
    static Pixels At(std::initializer_list<std::pair<int, int>> points) {
        Pixels values;
        for (auto [x, y] : points) values.push_back(Back(x, y));
        return values;
    }
    // The back screen's rows y to y + h - 1, w pixels each, one after the other.
    static Pixels Rows(int y = 0, int w = 64, int h = 1) {
        Pixels all;
        for (int i = 0; i < w * h; ++i) all.push_back(Back(i % w, y + i / w));
        return all;
    }
    // A w × h object with these pixels row by row, or else pixel (x, y) 1 + x + 16 y except
    // (0, 0), which is transparent.
    static int Object(int w, int h, const Pixels& px = {}) {
        const int slot = CreateObject(w, h, 1);
        for (int i = 0; i < w * h; ++i)
            Px(slot, i % w, i / w) = px.empty() ? (i ? 1 + i % w + 16 * (i / w) : 0) : px[i];
        return slot;
    }
    std::mt19937 rng;
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    // A w × h object of random pixels, about a quarter of them transparent.
    int Noisy(int w, int h) {
        Pixels px(w * h);
        for (auto& p : px) p = Pick(0, 3) ? Pick(1, 0xFFFF) : 0;
        return Object(w, h, px);
    }
    void Paint(uint16_t mask = 0xFFFF) {
        for (int i = 0; i < gkScreen.Width * gkScreen.Height; ++i)
            Px(-1, i % gkScreen.Width, i / gkScreen.Width) = rng() & mask;
    }
    static int Lit() { return 64 * 48 - int(std::ranges::count(Rows(0, 64, 48), 0)); }
    static void Noise(std::function<int(int)> value) {
        for (int i = 0; i < gk::kNoiseEntries; ++i) gkEffectTables.Noise[i] = value(i);
    }
    // The picture and filter state kept by Keep, and the kept pixel (x, y).
    Bytes before;
    gkFilterState kept;
    void Keep() { before = Shown(), kept = gkFilters; }
    uint16_t Old(int x, int y) const {
        return reinterpret_cast<const uint16_t*>(before.data() + y * gkScreen.Back->pitch)[x];
    }
    // Each call from the same picture, filter state and rand() seed: all must end alike.
    void ExpectSame(const std::vector<Call>& calls) {
        Keep();
        Bytes first;
        gkFilterState after;
        for (const Call& call : calls) {
            Shown() = before, gkFilters = kept;
            std::srand(5);
            EXPECT_EQ(call(), 1);
            if (first.empty()) first = Shown(), after = gkFilters;
            EXPECT_EQ(Shown(), first);
            EXPECT_EQ(std::memcmp(&gkFilters, &after, sizeof after), 0);
        }
    }
    // The call under each loop kind, the reference first.
    static std::vector<Call> EachLoopKind(Call call) {
        std::vector<Call> calls;
        for (auto loops : {EffectLoops::Reference, EffectLoops::Baseline, EffectLoops::Fast})
            calls.push_back([=] {
                gkEffectLoops = loops;
                return call();
            });
        return calls;
    }
    // A put whose reference form is a function of its own, that one under the reference kind.
    template <class... A>
    static std::vector<Call> EachLoopKind(int (*reference)(A...), int (*fast)(A...),
                                          std::type_identity_t<A>... args) {
        return EachLoopKind(
            [=] { return (gkEffectLoops == EffectLoops::Reference ? reference : fast)(args...); });
    }
    // The reference blur of four pixels, lowered in the cool channels.
    static uint16_t Mean(uint16_t a, uint16_t b, uint16_t c, uint16_t d, Rgb cool = {}) {
        const Rgb s[4] = {Split5(a), Split5(b), Split5(c), Split5(d)};
        const auto mean = [&](int Rgb::*k, int lower) {
            return std::max(0, (s[0].*k + s[1].*k + s[2].*k + s[3].*k) / 4 - lower);
        };
        return Pack5(mean(&Rgb::r, cool.r), mean(&Rgb::g, cool.g), mean(&Rgb::b, cool.b));
    }
};

// 5-6-5 with ten thousand rand() % 3 noise values, 5-5-5 keeping no entry of it, then 32 bits:
// only the sine table, no noise drawn. Noise cursors off the table start over, the wrapping one
// goes on at 0 and the jumping one at rand() % 1000.
TEST_F(Effects, TablesInEachLayoutAndNoiseCursors) {
    std::srand(7);
    Start();
    const int next = std::rand();
    std::srand(7);
    const auto& t = gkEffectTables;
    EXPECT_TRUE(std::ranges::all_of(t.Noise, [](uint8_t n) { return n == std::rand() % 3; }));
    EXPECT_EQ(std::rand(), next);
    EXPECT_EQ((std::vector<int>{t.Sine[0], t.Sine[90], t.Sine[180], t.Sine[270], t.Sine[360],
                                t.Sine[449], SineOf(-90), CosineOf(720), Split5(0x8000).r}),
              (std::vector<int>{0, 360, 0, -360, 0, 359, -360, 360, 16}));
    std::srand(11);
    const int jump = std::rand() % 1000;
    std::srand(11);
    int32_t wrapping = 9998, jumping = 9999, off = -5;
    EXPECT_EQ(
        (std::vector<int>{NextNoiseWrapping(&wrapping), NextNoiseWrapping(&wrapping),
                          NextNoiseJumping(&jumping), NextNoiseWrapping(&off), wrapping, jumping,
                          off}),
        (std::vector<int>{t.Noise[9998], t.Noise[9999], t.Noise[9999], t.Noise[0], 0, jump, 1}));
    Release();
    Start(PixelFormat::X1R5G5B5);  // the other entries are checked by the fast loops' agreement
    EXPECT_EQ(std::tuple(Split5(0x8000).r, Split5(0x7FFF).r), std::tuple(0, 31));
    Release();
    std::srand(3);
    const int unseeded = std::rand();
    std::srand(3);
    Start(PixelFormat::X8R8G8B8);
    EXPECT_EQ(std::tuple(std::rand(), t.Sine[90]), std::tuple(unseeded, 360));
    const auto* tables = reinterpret_cast<const char*>(&t.Component);  // all after the sine's
    EXPECT_TRUE(
        std::all_of(tables, reinterpret_cast<const char*>(&t + 1), [](char c) { return !c; }));
    for (const auto& effect : kEffects) EXPECT_EQ(effect(CreateObject(40, 25, 1), {}), 0);
    EXPECT_EQ(RegionEffect(0, 0, 4, 4, {}, RegionLocks::Back, [](const RegionFrame&) {}), 0);
}

TEST_F(Effects, FramesClipCountFromTheFirstDrawnPixelAndUnlockInLockingOrder) {
    Start();
    const int slot = Object(8, 4);
    std::vector<int> walked;  // every walk position of a copy of the object's pixels
    const auto copy = [&](int x, int y, int n, int l, int t, int r, int b) {
        walked.clear();
        return SpriteEffect(x, y, n, l, t, r, b, [&](int i, int j, uint16_t s, uint16_t& d) {
            walked.push_back(i + 100 * j);
            d = s;
        });
    };
    SetClip(10, 10, 20, 20);
    ASSERT_EQ(copy(7, 8, slot, 0, 0, 8, 4), 1);  // 3 columns, 2 rows cut on the left and top
    EXPECT_EQ(walked, (std::vector<int>{0, 1, 2, 3, 4, 100, 101, 102, 103, 104}));
    EXPECT_EQ(At({{10, 10}, {9, 10}, {10, 9}, {15, 11}}), (Pixels{1 + 3 + 32, 0, 0, 0}));
    ASSERT_EQ(copy(16, 18, slot, 0, 0, 8, 4), 1);                        // right and bottom edges
    EXPECT_EQ(walked, (std::vector<int>{1, 2, 3, 100, 101, 102, 103}));  // (0, 0) transparent
    EXPECT_EQ(At({{19, 19}, {16, 18}}), (Pixels{1 + 3 + 16, 0}));

    plat::headless::FailLocks(1);                   // a frame that locked would answer 0
    EXPECT_EQ(copy(21, 10, slot, 0, 0, 8, 4), 1);   // wholly right of the clip rectangle
    EXPECT_EQ(copy(10, 10, slot, 2, 0, 10, 4), 1);  // source past the object
    EXPECT_EQ(copy(10, 10, slot, 3, 0, 3, 4), 0);   // empty: locks, draws nothing
    EXPECT_TRUE(walked.empty());
    SetClip(-50, -50, 500, 500);  // held to the back screen
    ASSERT_EQ(copy(60, 46, slot, 0, 0, 8, 4), 1);
    EXPECT_EQ(std::pair(walked.size(), Back(63, 47)), std::pair(size_t{7}, uint16_t{1 + 3 + 16}));
    RegionFrame seen;
    auto keep = [&](const RegionFrame& f) {
        seen = f;
        EXPECT_EQ(gkScreen.Back->lockCount, 1);
    };
    // Cut at the top and right, and one row above the bottom for a filter reading a row below.
    ASSERT_EQ(RegionEffect(60, -3, 10, 10, {0, 0, 0, 1}, RegionLocks::BufferThenBack, keep), 1);
    EXPECT_EQ(std::tuple(seen.x, seen.y, seen.w, seen.h), std::tuple(60, 0, 4, 7));
    EXPECT_EQ(seen.Buffer(1, 2) - seen.buffer, 2 * 64 + 1);
    EXPECT_EQ(gkScreen.Back->lockCount + gkSprites[0].surface->lockCount, 0);
    ASSERT_EQ(RegionEffect(10, 47, 5, 5, {0, 0, 0, 1}, RegionLocks::Back, keep), 1);  // no row
    EXPECT_EQ(seen.x, 60);
    // A lost back screen: the object or the scratch buffer is locked, then given back.
    gkScreen.Back->lost = true;
    EXPECT_EQ(copy(0, 0, slot, 0, 0, 8, 4) +
                  RegionEffect(0, 0, 4, 4, {}, RegionLocks::BufferThenBack, keep),
              0);
    EXPECT_EQ(gkSprites[slot].surface->lockCount + gkSprites[0].surface->lockCount, 0);
}

// One opaque pixel, with a transparent one beside it, onto a plain back screen in 5-6-5.
TEST_F(Effects, RulesOnOnePixelGradientRampsAndBlurBoxes) {
    Start();
    const struct {
        int effect;
        Args a;
        uint16_t source, back, expected;
    } cases[] = {
        {kHalf, {}, 0xFFFF, 0, 0x7BEF},
        {kHalf, {}, 0xFFFF, 0xFFFF, 0xF7DE},
        {kFade, {.level = {0}}, 0xFFFF, 0x1234, 0x1214},
        {kFade, {.level = {40}}, 0xFFFF, 0x1234, 0xFFDF},  // held to 31
        {kFadeRGB, {.level = {31, 0, -9}}, 0xFFFF, 0x1234, 0xFA14},
        {kAdd, {}, 20 << 11 | 1, 20 << 11 | 2, 0xF803},
        {kAddAlpha, {.alpha = {0.0f}}, 0xFFFF, 0x1234, 0x1214},
        {kAddAlpha, {.alpha = {2.0f}}, 20 << 11, 20 << 11, 0xF800},  // held to 1.0
        {kShadow, {}, 5 << 11 | 0x7FF, 10 << 11 | 40 << 5 | 3, 5 << 11 | 15 << 6},
        {kChannels, {}, 0xFFFF, 0x1234, 0},
        {kChannels, {.flag = {0, 7, 0}}, 0xFFFF, 0x1234, 0x07E0},
        {kDark, {.level = {0}}, 0xFFFF, 0x1234, 0},
        {kDark, {.level = {31}}, 0x1234, 0xFFFF, 0x1214},
        {kDarkRGB, {.level = {30, 99, -1}}, 0xFFFF, 0, 0xF7C0},
        {kGray, {}, 31 << 11 | 2 << 6 | 8, 0, 13 << 11 | 13 << 6 | 13},
        {kSmooth, {}, 0xFFFF, 0, 10 << 11 | 20 << 5 | 10},  // with the two transparent neighbours
        {kBright, {.alpha = {0.5f}}, 0xFFFF, 0x1234, 0x7BEF},
        {kAlpha, {.alpha = {0.5f}}, 0xFFFF, 0, 0x7BEF},
        {kAlpha, {.alpha = {2.0f}}, 0xFFFF, 0, 0xFFFE},  // channels spill
        {kAlphaRGB, {.alpha = {1.0f, 0.0f, 0.25f}}, 0xFFFF, 0x1234, 0xFA36},
        {kBlur, {.box = 0}, 0xFFFF, 0x1234, 0x1234},  // a box below 1 draws nothing
    };
    const int n = Object(40, 25, Pixels(40 * 25));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "effect " << c.effect << " onto " << c.back);
        Px(n, 2, 1) = c.source;
        Px(-1, 0, 0) = Px(-1, 1, 0) = c.back;
        EXPECT_EQ(kEffects[c.effect](n, c.a), 1);
        EXPECT_EQ(Rows(0, 2), (Pixels{c.expected, c.back}));
    }
    // White at alpha 0.5 on black, rising by 1 / 32 every 2 columns past column 10 up to 1.0; cut
    // on the left the count starts at the first visible column. The fade form: level 16 rising by
    // one level per column past column 0.
    const int white = Object(64, 1, Pixels(64, 0xFFFF));
    for (int y : {0, 1}) {
        ASSERT_EQ(PutAlphaGradient(-5 * y, y, 0.5f, 0.5f, 0.5f, 0, 10, 2, white, 0, 0, 64, 1), 1);
        EXPECT_EQ(At({{11, y}, {12, y}, {13, y}, {14, y}, {41, y}, {42, y}, {58, y}}),
                  (Pixels{0x7BEF, 0x8430, 0x8430, 0x8C71, 0xF7BE, 0xFFFF, 0xFFFF}));
    }
    ASSERT_EQ(PutFadeGradient(0, 2, 16, 16, 16, 0, 0, 0, white, 0, 0, 3, 1), 1);
    EXPECT_EQ(Rows(2, 3),
              (Pixels{16 << 11 | 16 << 6 | 16, 17 << 11 | 17 << 6 | 17, 18 << 11 | 18 << 6 | 18}));

    const int columns = Object(4, 2, {4, 8, 12, 16, 4, 8, 12, 16});
    for (int box : {2, 99}) {  // 99: held to the 2 rows drawn
        ASSERT_EQ(PutBlur(0, 20, box, columns, 0, 0, 4, 2), 1);
        EXPECT_EQ(Rows(21, 4), (Pixels{6, 10, 14, 14}));
    }
}

TEST_F(Effects, FastLoopsMatchTheReferenceInBothLayouts) {
    for (PixelFormat format : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
        Restart();
        Start(format);
        SetClip(3, 2, 61, 45);
        const int n = Noisy(40, 25);
        for (const auto& effect : kEffects)
            for (int round = 0; round < 12; ++round) {
                SCOPED_TRACE(testing::Message()
                             << "effect " << &effect - kEffects << " round " << round);
                Args a;
                a.x = Pick(-20, 40), a.y = Pick(-15, 30), a.box = Pick(-1, 7);
                a.vertical = Pick(0, 1), a.start = Pick(0, 20), a.step = Pick(-1, 4);
                for (int k = 0; k < 3; ++k) a.level[k] = Pick(-2, 33), a.flag[k] = Pick(0, 1);
                const bool in256ths = Pick(0, 1);  // alphas the integer form takes, or any
                for (float& f : a.alpha)
                    f = in256ths ? Pick(0, 256) / 256.0f : Pick(-20, 140) / 99.0f;
                Paint();
                ExpectSame(EachLoopKind([&] { return effect(n, a); }));
            }
        // A failed lock, a number that is not a slot or a slot without an image: 0, nothing drawn.
        Keep();
        for (const auto& effect : kEffects) {
            plat::headless::FailLocks(1);
            EXPECT_EQ(effect(n, {}), 0);
            EXPECT_EQ(effect(-1, {}) + effect(gk::kSpriteSlots, {}) + effect(900, {}), 0);
        }
        EXPECT_EQ(Shown(), before);
    }
}

TEST_F(Effects, GlowRaysAndRisingBlursKeepTheirCountersAndCursors) {
    Start();
    Noise([](int) { return 0; });
    const int dot = CreateObject(1, 1, 1), block = CreateObject(3, 1, 1);
    Px(dot, 0, 0) = Pack5(0, 2, 4);
    // Blue: steps of 3, 2, 1; green: one. Step 0's rays meet above, below and on the dot.
    ASSERT_EQ(PutGlow(20, 20, 0, 0, 0, 0xFF, 0, dot, 0, 0, 1, 1), 1);
    EXPECT_EQ(At({{20, 19}, {20, 21}, {20, 20}, {19, 18}, {21, 22}, {18, 20}, {22, 17}, {23, 16}}),
              (Pixels{Pack5(0, 3, 9), Pack5(0, 3, 9), Pack5(0, 2, 6), Pack5(0, 0, 2),
                      Pack5(0, 0, 2), Pack5(0, 0, 1), Pack5(0, 0, 1), 0}));
    EXPECT_EQ(std::pair(Lit(), gkFilters.GlowCursor), std::pair(19, 1));

    FillRect(0, 0, 64, 48, 0);
    SetClip(0, 19, 64, 48);  // no ray above the clip top; direction bits above 0x80 ignored
    ASSERT_EQ(PutGlow(20, 20, 0, 0, 0, 0x1FF, 1, dot, 0, 0, 1, 1), 1);
    EXPECT_EQ(std::pair(Lit(), At({{20, 20}})), std::pair(19 - 6, Pixels{Pack5(0, 2 + 2, 4 + 6)}));

    // Directions 0, draw 1: a keyed put reading one noise value per opaque pixel; no rays from
    // components of at most noise + 1 nor from shifts held to 15.
    Px(block, 1, 0) = Pack5(2, 2, 2);
    Px(block, 2, 0) = 0xFFFF;
    gkFilters.GlowCursor = 9999;
    Noise([](int) { return 1; });
    ASSERT_EQ(PutGlow(30, 30, 0, 0, 0, 0xFF, 0, block, 1, 0, 2, 1), 1);     // (2, 2, 2) - 1
    ASSERT_EQ(PutGlow(30, 30, 16, 99, 15, 0xFF, 0, block, 2, 0, 3, 1), 1);  // white
    EXPECT_EQ(Lit(), 19 - 6);
    ASSERT_EQ(PutGlow(30, 30, 0, 0, 0, 0, 1, block, 0, 0, 3, 1), 1);
    EXPECT_EQ(std::pair(At({{30, 30}, {31, 30}, {32, 30}}), gkFilters.GlowCursor),
              std::pair(Pixels{0, Pack5(2, 2, 2), 0xFFFF}, 3));

    Noise([](int) { return 2; });  // blurred, copied, blurred, copied ...
    Paint();
    Keep();
    const auto average = [&](int x, int y, Rgb cool = {}) {
        return Mean(Old(x - 1, y), Old(x + 1, y), Old(x, y - 1), Old(x, y + 1), cool);
    };
    ASSERT_EQ(ShimmerRect(10, 10, 7, 3), 1);  // row 11 from row 12, columns 11..15
    EXPECT_EQ(At({{11, 11}, {12, 11}, {13, 11}, {14, 11}, {15, 11}, {10, 11}, {16, 11}, {11, 12}}),
              (Pixels{average(11, 12), Old(12, 12), average(13, 12), Old(14, 12), average(15, 12),
                      Old(10, 11), Old(16, 11), Old(11, 12)}));
    ASSERT_EQ(FireRect(1, 0, 1, 30, 30, 3, 3), 1);
    gkFilters.ShimmerCursor = 9999;
    std::srand(1);
    const int jump = std::rand() % 1000;
    std::srand(1);
    ASSERT_EQ(ShimmerRect(20, 20, 3, 3), 1);  // the count goes on from 1: a copy, then a jump
    EXPECT_EQ(At({{31, 31}, {21, 21}}), (Pixels{average(31, 32, {1, 0, 1}), Old(21, 22)}));
    EXPECT_EQ((std::vector<int>{gkFilters.ShimmerCounter, gkFilters.ShimmerCursor,
                                gkFilters.FireCounter, gkFilters.FireCursor}),
              (std::vector<int>{0, jump, 1, 0}));
}

TEST_F(Effects, RegionFiltersTrimBlurZoomMosaicGrainAndInvert) {
    Start();
    Noise([](int i) { return i % 3; });
    Paint();
    gkFilters.GrainRGBCursor = 9990;
    ExpectSame({[] { return FireRect(1, 1, 0, -5, 40, 20, 30); },
                [] { return FireRect(1, 1, 0, 0, 40, 15, 7); }});
    ExpectSame({[] { return GrainRectRGB(1, 0, 1, -3, 60, -5, 100, 100); },
                [] { return GrainRectRGB(1, 0, 1, 0, 60, 0, 4, 48); }});
    ExpectSame(
        {[] { return ZoomRect4(-4, 2, 60, 60, 1); }, [] { return ZoomRect4(0, 2, 16, 12, 1); }});
    Keep();
    for (int result :
         {GrainRect(0, 64, 0, 5, 5), BlurRect(INT_MAX - 1, 0, INT_MAX, 10),
          ShimmerRect(0, 46, 64, 9), ZoomRect2(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0),
          MosaicCircle(10, 10, 5, 0), MosaicCircle(10, 10, 0, 1), MosaicCircle(30, 20, 40, 1),
          BlurRect(5, 5, 2, 9), CoolBlurRect(1, 1, 1, 5, 5, 9, 2),
          MosaicCircle(INT_MAX, INT_MIN, INT_MAX, INT_MAX), 1 - InvertRect(9, 9, 9, 20),
          PutGlow(INT_MAX, INT_MIN, 0, 0, 0, 0xFF, 1, CreateObject(1, 1, 1), 0, 0, 1, 1)})
        EXPECT_EQ(result, 1);
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(std::memcmp(&gkFilters, &kept, sizeof kept), 0);

    Paint(0xFFDF);  // 5-bit green
    Keep();
    ASSERT_EQ(CoolBlurRect(0, 1, 0, 10, 10, 4, 3), 1);  // (11, 11) then (12, 11) reading it
    const uint16_t first = Mean(Old(10, 11), Old(12, 11), Old(11, 10), Old(11, 12), {0, 1, 0});
    EXPECT_EQ(At({{11, 11}, {12, 11}}),
              (Pixels{first, Mean(first, Old(13, 11), Old(12, 10), Old(12, 12), {0, 1, 0})}));
    // 2× of one pixel: a 2 × 2 square; dotted 4×: the top-left 2 × 2 of each block, the rest
    // from the scratch buffer.
    for (int i = 0; i < 64 * 48; ++i) Px(0, i % 64, i / 64) = 0x1234;
    ASSERT_EQ(ZoomRect2(40, 40, 1, 1, 0), 1);
    EXPECT_EQ(At({{40, 40}, {41, 40}, {40, 41}, {41, 41}, {42, 40}}),
              (Pixels{Old(40, 40), Old(40, 40), Old(40, 40), Old(40, 40), Old(42, 40)}));
    ASSERT_EQ(ZoomRect4(20, 30, 2, 1, 1), 1);
    EXPECT_EQ(At({{21, 31}, {22, 30}, {22, 33}, {24, 30}}),
              (Pixels{Old(20, 30), 0x1234, 0x1234, Old(21, 30)}));
    Keep();
    ASSERT_EQ(MosaicCircle(62, 10, 3, 2), 1);  // blocks from offset -3, the last cut at the edge
    EXPECT_EQ(At({{62, 10}, {60, 8}, {59, 8}, {63, 12}, {0, 12}}),
              (Pixels{Old(61, 9), Old(59, 7), Old(59, 8), Old(63, 11), Old(0, 12)}));

    FillRect(0, 0, 64, 48, 0);
    Noise([](int i) { return i % 3; });
    ASSERT_EQ(GrainRect(0, 0, 0, 2, 2), 1);  // shift 0: each component raised by the noise
    EXPECT_EQ(std::pair(At({{0, 0}, {1, 0}, {0, 1}, {1, 1}}), gkFilters.GrainCursor),
              std::pair(Pixels{0, Pack5(1, 1, 1), Pack5(2, 2, 2), 0}, 4));

    Keep();
    EXPECT_EQ(InvertRect(-5, 3, 70, 9), 0);
    EXPECT_EQ(At({{0, 3}}), Pixels{uint16_t(~Old(0, 3))});
    EXPECT_EQ(InvertRect(-5, 3, 70, 9), 0);
    EXPECT_EQ(Shown(), before);
}

// Random pictures in both 16-bit layouts (5-5-5 top bits set), the grain cursor jumping.
TEST_F(Effects, VectorWalksMatchTheReferences) {
    // The region (x, y, w, h) blurred (shift < 0) or grained by the reference or vector walk.
    const auto walks = [](bool fast, const int(&r)[4], Rgb on, int shift) {
        return RegionEffect(
            r[0], r[1], r[2], r[3], {}, RegionLocks::Back, [&](const RegionFrame& f) {
                int32_t* c = &gkFilters.GrainCursor;
                EXPECT_TRUE(shift < 0 ? (fast ? BlurWalkFast(f, on) : (BlurWalk(f, on), true))
                            : fast    ? GrainWalkFast(f, on, shift, c)
                                      : (GrainWalk(f, on, shift, c), true));
            });
    };
    for (PixelFormat format : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
        Restart(), Start(format, 160, 120);
        const int regions[][4] = {{0, 0, 160, 120}, {3, 5, 77, 40}, {1, 1, 32, 18},
                                  {100, 0, 60, 35}, {7, 40, 3, 80}, {9, 9, 40, 3}};
        for (const auto& r : regions)
            for (int flags = 0; flags < 8; ++flags) {
                const Rgb on{flags & 1, flags >> 1 & 1, flags >> 2};
                Paint();
                gkFilters.GrainCursor = 9000 + 17 * flags;
                for (int shift : {-1, flags % 6})
                    ExpectSame({[&] { return walks(false, r, on, shift); },
                                [&] { return walks(true, r, on, shift); }});
            }
    }
}

TEST_F(Effects, RotationsTurnClipTileAndZoomAboutTheDestinationCentreFastAsPlain) {
    Start();
    // Half turns: exact for odd sizes, one pixel right (down) for an even width (height).
    for (auto [w, h, sx, sy] : {std::array{5, 3, 0, 0}, {4, 3, 1, 0}, {5, 4, 0, 1}, {4, 4, 1, 1}}) {
        const int n = Object(w, h);
        for (int angle : {0, 180, 540, -180}) {
            Shown().assign(Shown().size(), 0xEE);
            ASSERT_EQ(PutRotate(10, 20, 10 + w, 20 + h, angle, n, 0, 0, w, h), 1);
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    const int u = angle ? w - 1 - i + sx : i, v = angle ? h - 1 - j + sy : j;
                    const bool drawn = u < w && v < h && (u || v);
                    EXPECT_EQ(Back(10 + i, 20 + j), drawn ? Px(n, u, v) : 0xEEEE) << angle;
                }
        }
    }
    const int n = Object(5, 3);
    PutRotate(0, 10, 9, 17, 0, n, 0, 0, 5, 3);  // a border of two pixels stays empty
    PutRotateTile(20, 10, 29, 17, 0, n, 0, 0, 5, 3);
    for (auto [x, y, u, v, inside] :
         {std::array{0, 0, 2, 2, 0}, {8, 0, 1, 2, 0}, {3, 3, 1, 1, 1}, {6, 4, 4, 2, 1}}) {
        EXPECT_EQ(Back(x, 10 + y), inside ? Px(n, u, v) : 0xEEEE) << x << "," << y;
        EXPECT_EQ(Back(20 + x, 10 + y), Px(n, u, v)) << x << "," << y;  // mirrored copies
    }
    PutRotateZoom(0, 20, 10, 26, 0, 2.0f, n, 0, 0, 5, 3);  // every pixel doubled
    EXPECT_EQ(Back(9, 25), Px(n, 4, 2));
    // The zoom across steps by 1 a row; blue is doubled, spilling into green's lowest bit:
    // sources (4, 0) = 5, then at zoom 2 (2, 1) = 19.
    PutFloor(40, 20, 45, 23, 0, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, n, 0, 0, 5, 3);
    EXPECT_EQ(At({{44, 20}, {44, 21}}), (Pixels{10, 38}));
    SetClip(12, 0, 64, 48);  // cut on the left: the image does not move
    PutRotate(10, 30, 15, 33, 0, n, 0, 0, 5, 3);
    EXPECT_EQ(At({{11, 31}, {12, 31}}), (Pixels{0xEEEE, Px(n, 2, 1)}));

    // Refused: zooms of 0 or not finite (a floor's even where its step would make it usable), an
    // empty tile, objects without an image.
    Keep();
    for (float zoom : {0.0f, NAN, INFINITY}) {
        EXPECT_EQ(PutRotateZoom(20, 0, 29, 7, 0, zoom, n, 0, 0, 5, 3), 1);
        EXPECT_EQ(PutRotateZoomTile(20, 0, 29, 7, 0, zoom, n, 0, 0, 5, 3), 1);
        EXPECT_EQ(PutFloor(20, 0, 29, 7, 0, 1, 0, zoom, 1, 1, 1, 1, n, 0, 0, 5, 3), 1);
    }
    EXPECT_EQ(PutRotateTile(20, 0, 29, 7, 0, n, 2, 0, 2, 3), 1);
    for (int bad : {-1, 900, gk::kSpriteSlots})
        EXPECT_EQ(PutRotate(20, 0, 29, 7, 0, bad, 0, 0, 5, 3), 0);
    plat::headless::FailLocks(1);
    EXPECT_EQ(PutRotate(20, 0, 29, 7, 0, n, 0, 0, 5, 3), 0);
    EXPECT_EQ(Shown(), before);
    // The widest rectangle: only the pixels on the screen are walked; the tile covers them.
    for (auto put : {PutRotate, PutRotateTile})
        EXPECT_EQ(put(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 30, n, 0, 0, 5, 3), 1);
    EXPECT_NE(Back(63, 47), 0);

    // The fast plain rotation against its reference.
    const int noisy = Noisy(23, 17);
    for (int k = 0; k < 400; ++k) {
        SetClip(Pick(-5, 20), Pick(-5, 20), Pick(30, 70), Pick(30, 50));
        const int x1 = Pick(-40, 60), y1 = Pick(-40, 40), l = Pick(0, 10), t = Pick(0, 8);
        const int angle = Pick(0, 2) ? Pick(-800, 800) : 90 * Pick(-9, 9);
        const int x2 = x1 + Pick(-2, 70), y2 = y1 + Pick(-2, 60), r = Pick(l, 23), b = Pick(t, 17);
        SCOPED_TRACE(k);
        ExpectSame(EachLoopKind(reference::PutRotate, PutRotate, x1, y1, x2, y2, angle, noisy, l, t,
                                r, b));
    }
}

TEST_F(Effects, TunnelStreaksRefractionAndRipples) {
    Start();
    const int texture = CreateObject(97, 61, 1), small = CreateObject(20, 7, 1);
    for (int object : {texture, small})
        for (uint8_t& byte : gkSprites[object].surface->pixels) byte = rng();
    EXPECT_EQ(PutTunnel(0, 0, 5, 5, texture), 1);  // no map yet: nothing drawn
    EXPECT_EQ(Shown(), Bytes(Shown().size()));
    ASSERT_EQ(BuildTunnel(64, 32, 4, 2, -1, -1, -1, 0, 0, 0), 2);
    EXPECT_EQ(gkTunnel.Map[1 * 4 + 3].u, 0);  // atan2(0, 1)
    const int refused[][6] = {{64, 32, 0, 2, 0, 0}, {64, 32, 641, 480, 0, 0},
                              {0, 32, 4, 2, 0, 0},  {64, 40000, 4, 2, 0, 0},
                              {64, 32, 4, 2, 7, 0}, {64, 32, 4, 2, 0, 6}};
    for (auto a : refused)
        EXPECT_EQ(BuildTunnel(a[0], a[1], a[2], a[3], -1, -1, -1, 0, a[4], a[5]), 0);
    EXPECT_EQ(gkTunnel.W * 10 + gkTunnel.H, 42);  // refused builds keep the map

    // Motion 2 sees centre W − 1 − j in column j; motions 3 and 4 walk left (from W) and right
    // (from 0) a row at a time, stopping at 0 and W.
    const auto uv = [](int motion, int cx, int e) {  // map entry e as u × 1000 + v
        BuildTunnel(97, 61, 7, 11, cx, 3, 5, motion, 0, 1);
        return gkTunnel.Map[e].u * 1000 + gkTunnel.Map[e].v;
    };
    for (int e = 0; e < 77; ++e) {
        EXPECT_EQ(uv(2, -1, e), uv(0, 6 - e % 7, e)) << e;
        EXPECT_EQ(uv(3, -1, e), uv(0, std::max(6 - e / 7, 0), e)) << e;
        EXPECT_EQ(uv(4, -1, e), uv(0, std::min(e / 7 + 1, 7), e)) << e;
    }
    // Row 4 of centre (3, 4), metric |dx|: v = trunc(320 (5 − |dx|) / |dx|) mod 64, 0 at dx = 0.
    BuildTunnel(64, 64, 10, 6, 3, 4, 2, 0, 4, 1);
    for (auto [j, v] : {std::pair{9, 11}, {0, 21}, {5, 32}, {3, 0}})
        EXPECT_EQ(gkTunnel.Map[40 + j].v, v) << j;

    // Drawing: du = A is du = 0, negative offsets wrap, a small texture repeats, the screen's
    // edges cut the block; the fast loop matches the reference.
    BuildTunnel(97, 61, 40, 30, -1, -1, -1, 0, 0, 0);
    const auto draw = [&](int x, int y, int du, int dv, int object) {
        ExpectSame(EachLoopKind(reference::PutTunnel, PutTunnel, x, y, du, dv, object));
        return Shown();
    };
    EXPECT_EQ(draw(3, 4, 97, 5, texture), draw(3, 4, 0, 5, texture));
    EXPECT_EQ(draw(3, 4, -1, -70, texture), draw(3, 4, 96, 52, texture));
    draw(40, 30, 0, 0, small);
    EXPECT_EQ(At({{39, 29}, {40, 29}, {39, 30}}), (Pixels{Old(39, 29), Old(40, 29), Old(39, 30)}));
    EXPECT_EQ(Back(63, 47),
              Px(small, gkTunnel.Map[17 * 40 + 23].u % 20, gkTunnel.Map[17 * 40 + 23].v % 7));
    for (int k = 0; k < 100; ++k)
        draw(rng() % 120 - 60, rng() % 90 - 45, rng(), -rng(), k % 2 ? texture : small);
    EXPECT_EQ(PutTunnel(0, 0, 0, 0, -3), 0);
    plat::headless::FailLocks(1);
    EXPECT_EQ(PutTunnel(0, 0, 0, 0, texture), 0);

    const int n = Object(4, 3);
    Px(n, 0, 1) = 0;
    std::fill(Shown().begin(), Shown().end(), 0x77);
    // Type 0, k = 0: each row in its first pixel's colour, out to the screen's edge.
    ASSERT_EQ(PutStreak(50, 10, 0, 0, n, 0, 0, 4, 3), 1);
    EXPECT_EQ(At({{63, 12}, {63, 11}, {50, 10}}), (Pixels{Px(n, 0, 2), 0x7777, 0x7777}));
    PutStreak(50, 20, 0, 500, n, 0, 0, 4, 3);  // k past the sprite: its last column
    EXPECT_EQ(At({{63, 21}, {52, 21}}), (Pixels{Px(n, 3, 1), Px(n, 2, 1)}));
    PutStreak(10, 30, 1, 0, n, 0, 0, 4, 3);  // type 1 also fills from the left edge, 0 included
    EXPECT_EQ(At({{0, 31}, {9, 31}, {10, 31}, {11, 31}}), (Pixels{0, 0, 0x7777, Px(n, 1, 1)}));
    PutStreak(10, 40, 3, 9, n, 0, 0, 4, 3);  // type 3: rows above take the last row, 0 included
    EXPECT_EQ(At({{11, 0}, {12, 41}}), (Pixels{Px(n, 1, 2), Px(n, 2, 2)}));
    PutStreak(30, 40, 2, 1, n, 0, 0, 4, 3);  // type 2: row 1 to the bottom
    EXPECT_EQ(Back(33, 47), Px(n, 3, 1));

    // Refraction: strength 1 moves by the red component, inside the rows.
    for (int y = 0; y < 48; ++y) Px(-1, 5, y) = y;
    const int lens = CreateObject(1, 3, 1);
    for (int y = 0; y < 3; ++y) Px(lens, 0, y) = Pack5(1 + y, 0, 0);
    PutRefract(5, 10, 1.0f, lens, 0, 0, 1, 3);
    // Red 1: one row up; red 2 and 3 would reach past the rectangle: kept.
    EXPECT_EQ(At({{5, 10}, {5, 11}, {5, 12}}), (Pixels{11, 11, 12}));

    // A flat ripple is a plain copy, 0 included, that leaves both surfaces unlocked; a step below
    // 1 draws nothing.
    EXPECT_EQ(PutRipple(20, 0, 0, 0, 1, 1.0f, 0.0f, n, 0, 0, 4, 3), 1);
    EXPECT_EQ(At({{20, 0}, {23, 2}}), (Pixels{0, Px(n, 3, 2)}));
    EXPECT_EQ(gkScreen.Back->lockCount + gkSprites[n].surface->lockCount, 0);
    Keep();
    EXPECT_EQ(PutRipple(20, 0, 3, 2, 0, 1.0f, 0.0f, n, 0, 0, 4, 3), 1);
    EXPECT_EQ(PutRipple(20, 0, 3, 2, 1, 1.0f, 0.0f, 5000, 0, 0, 4, 3), 0);
    EXPECT_EQ(Shown(), before);
}

}  // namespace
