// Blend and colour effects with the tables and frames under them, on small headless surfaces:
// table entries in each layout, the noise cursors, the sprite and region frames' clipping and
// unlocking, exact pixels of each rule, the gradient ramp, smoothing and blur edges, refused
// calls, and every fast loop against its reference on random sprites in both 16-bit layouts.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

#include "effects/effects.h"
#include "support/draw_files.h"

namespace {

using namespace gkDraw;
using plat::PixelFormat;
using Pixels = std::vector<uint16_t>;

// All eighteen, putting object n's rectangle (2, 1)-(39, 24) at (x, y).
struct Args {
    int x = 0, y = 0, box = 1, vertical = 0, start = 0, step = 0;
    int level[3] = {}, flag[3] = {};
    float alpha[3] = {};
};
// Positions in kEffects of those called by name.
constexpr int kHalf = 0, kAlpha = 1, kAlphaRGB = 2, kFade = 3, kFadeRGB = 4, kAdd = 7,
              kAddAlpha = 8, kShadow = 9, kChannels = 11, kBright = 12, kDark = 14, kDarkRGB = 15,
              kGray = 17;
const std::function<int(int, const Args&)> kEffects[] = {
    [](int n, const Args& a) { return PutHalf(a.x, a.y, n, 2, 1, 39, 24); },
    [](int n, const Args& a) { return PutAlpha(a.x, a.y, a.alpha[0], n, 2, 1, 39, 24); },
    [](int n, const Args& a) {
        return PutAlphaRGB(a.x, a.y, a.alpha[0], a.alpha[1], a.alpha[2], n, 2, 1, 39, 24);
    },
    [](int n, const Args& a) { return PutFade(a.x, a.y, a.level[0], n, 2, 1, 39, 24); },
    [](int n, const Args& a) {
        return PutFadeRGB(a.x, a.y, a.level[0], a.level[1], a.level[2], n, 2, 1, 39, 24);
    },
    [](int n, const Args& a) {
        return PutAlphaGradient(a.x, a.y, a.alpha[0], a.alpha[1], a.alpha[2], a.vertical, a.start,
                                a.step, n, 2, 1, 39, 24);
    },
    [](int n, const Args& a) {
        return PutFadeGradient(a.x, a.y, a.level[0], a.level[1], a.level[2], a.vertical, a.start,
                               a.step, n, 2, 1, 39, 24);
    },
    [](int n, const Args& a) { return PutAdd(a.x, a.y, n, 2, 1, 39, 24); },
    [](int n, const Args& a) { return PutAddAlpha(a.x, a.y, a.alpha[0], n, 2, 1, 39, 24); },
    [](int n, const Args& a) { return PutShadow(a.x, a.y, n, 2, 1, 39, 24); },
    [](int n, const Args& a) { return PutSmooth(a.x, a.y, n, 2, 1, 39, 24); },
    [](int n, const Args& a) {
        return PutChannels(a.x, a.y, a.flag[0], a.flag[1], a.flag[2], n, 2, 1, 39, 24);
    },
    [](int n, const Args& a) { return PutBright(a.x, a.y, a.alpha[0], n, 2, 1, 39, 24); },
    [](int n, const Args& a) {
        return PutBrightRGB(a.x, a.y, a.alpha[0], a.alpha[1], a.alpha[2], n, 2, 1, 39, 24);
    },
    [](int n, const Args& a) { return PutDark(a.x, a.y, a.level[0], n, 2, 1, 39, 24); },
    [](int n, const Args& a) {
        return PutDarkRGB(a.x, a.y, a.level[0], a.level[1], a.level[2], n, 2, 1, 39, 24);
    },
    [](int n, const Args& a) { return PutBlur(a.x, a.y, a.box, n, 2, 1, 39, 24); },
    [](int n, const Args& a) { return PutGray(a.x, a.y, n, 2, 1, 39, 24); },
};

class Blend : public gktest::DrawFiles {
  protected:
    void Start(PixelFormat format) {
        plat::headless::UseDisplayFormat(format);
        ASSERT_EQ(Screen(64, 48, 0), 1);
    }
    static uint16_t* Row(plat::Surface* s, int y) {
        return reinterpret_cast<uint16_t*>(s->pixels.data() + y * s->pitch);
    }
    static int Object(int w, int h, const Pixels& px) {
        const int slot = CreateObject(w, h, 1);
        for (int y = 0; y < h; ++y) std::copy_n(&px[y * w], w, Row(gkSprites[slot].surface, y));
        return slot;
    }
    // The back screen's rows y to y + h - 1, w pixels each, one after the other.
    static Pixels Back(int y = 0, int w = 64, int h = 1) {
        Pixels all;
        for (int v = y; v < y + h; ++v)
            all.insert(all.end(), Row(gkScreen.Back, v), Row(gkScreen.Back, v) + w);
        return all;
    }
    static void SetBack(const Pixels& all) {
        for (int y = 0; y < 48; ++y) std::copy_n(&all[y * 64], 64, Row(gkScreen.Back, y));
    }
    static uint16_t At(int x, int y) { return Row(gkScreen.Back, y)[x]; }
    // Copies the object's pixels and records every walk position.
    std::vector<int> walked;
    int Copy(int x, int y, int n, int l, int t, int r, int b) {
        walked.clear();
        return SpriteEffect(x, y, n, l, t, r, b, [&](int i, int j, uint16_t s, uint16_t& d) {
            walked.push_back(i + 100 * j);
            d = s;
        });
    }
};

// 5-6-5, then 5-5-5 keeping no entry of it, then 32 bits: only the sine table, no noise drawn.
TEST_F(Blend, TablesInEachLayout) {
    Start(PixelFormat::R5G6B5);
    const auto& t = gkEffectTables;
    const auto split = [](uint16_t p) { return std::tuple(Split5(p).r, Split5(p).g, Split5(p).b); };
    EXPECT_EQ((std::vector<int>{t.Sine[0], t.Sine[90], t.Sine[180], t.Sine[270], t.Sine[360],
                                t.Sine[449], SineOf(-90), CosineOf(720)}),
              (std::vector<int>{0, 360, 0, -360, 0, 359, -360, 360}));
    EXPECT_EQ(std::tuple(split(0xFFFF), split(0x07E0), Pack5(31, 31, 31), SplitNative(0xFFFF).g),
              std::tuple(std::tuple(31, 31, 31), std::tuple(0, 31, 0), 0xFFDF, 63));
    EXPECT_EQ(PackNative(0, 64, 0), 0x0800);  // green above 63 spills into red
    Release();
    Start(PixelFormat::X1R5G5B5);
    EXPECT_EQ(std::tuple(split(0x8000), split(0x7FFF), split(0x03E0), Pack5(31, 31, 31),
                         t.Add[FadeIndex(1, 0, 20, 20)]),
              std::tuple(std::tuple(0, 0, 0), std::tuple(31, 31, 31), std::tuple(0, 31, 0), 0x7FFF,
                         31 << 5));
    Release();
    std::srand(3);
    const int next = std::rand();
    std::srand(3);
    Start(PixelFormat::X8R8G8B8);
    EXPECT_EQ(std::tuple(std::rand(), t.Sine[90]), std::tuple(next, 360));
    for (const auto& [p, size] : {std::pair<const void*, size_t>{t.Component, sizeof t.Component},
                                  {t.Fade, sizeof t.Fade},
                                  {t.Grey, sizeof t.Grey},
                                  {t.Noise, sizeof t.Noise}})
        EXPECT_EQ(std::memcmp(p, std::vector<char>(size).data(), size), 0);
    for (const auto& effect : kEffects) EXPECT_EQ(effect(CreateObject(40, 25, 1), {}), 0);
    EXPECT_EQ(RegionEffect(0, 0, 4, 4, {}, RegionLocks::Back, [](const RegionFrame&) {}), 0);
}

// Ten thousand rand() values of 0 to 2 each; cursors off the table start over, the wrapping one
// goes on at 0 and the jumping one at rand() % 1000.
TEST_F(Blend, NoiseTakesTenThousandRandValuesAndCursorsWrapOrJump) {
    std::srand(7);
    Start(PixelFormat::R5G6B5);
    const int next = std::rand();
    const std::vector<uint8_t> first(std::begin(gkEffectTables.Noise),
                                     std::end(gkEffectTables.Noise));
    int seen[4] = {};
    for (uint8_t n : first) ++seen[std::min<int>(n, 3)];
    EXPECT_TRUE(seen[3] == 0 && std::min({seen[0], seen[1], seen[2]}) > 1000);
    std::srand(7);
    BuildEffectTables();
    EXPECT_EQ(std::rand(), next);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), gkEffectTables.Noise));
    std::srand(11);
    const int jump = std::rand() % 1000;
    std::srand(11);
    int32_t wrapping = 9998, jumping = 9999, off = -5;
    EXPECT_EQ((std::vector<int>{NextNoiseWrapping(&wrapping), NextNoiseWrapping(&wrapping),
                                NextNoiseJumping(&jumping), NextNoiseWrapping(&off), wrapping,
                                jumping, off}),
              (std::vector<int>{first[9998], first[9999], first[9999], first[0], 0, jump, 1}));
}

TEST_F(Blend, SpriteFrameClipsAndCountsFromTheFirstDrawnPixel) {
    Start(PixelFormat::R5G6B5);
    Pixels ramp(32);  // pixel (x, y) is 1 + x + 16 y, except (0, 0), which is transparent
    for (int i = 1; i < 32; ++i) ramp[i] = 1 + i % 8 + 16 * (i / 8);
    const int slot = Object(8, 4, ramp);
    SetClip(10, 10, 20, 20);
    ASSERT_EQ(Copy(7, 8, slot, 0, 0, 8, 4), 1);  // 3 columns, 2 rows cut on the left and top
    EXPECT_EQ(walked, (std::vector<int>{0, 1, 2, 3, 4, 100, 101, 102, 103, 104}));
    EXPECT_EQ(At(10, 10), 1 + 3 + 32);
    EXPECT_EQ(At(9, 10) + At(10, 9) + At(15, 11), 0);
    ASSERT_EQ(Copy(16, 18, slot, 0, 0, 8, 4), 1);                        // right and bottom edges
    EXPECT_EQ(walked, (std::vector<int>{1, 2, 3, 100, 101, 102, 103}));  // (0, 0) transparent
    EXPECT_EQ(At(19, 19), 1 + 3 + 16);
    EXPECT_EQ(At(16, 18), 0);

    plat::headless::FailLocks(1);                   // a frame that locked would answer 0
    EXPECT_EQ(Copy(21, 10, slot, 0, 0, 8, 4), 1);   // wholly right of the clip rectangle
    EXPECT_EQ(Copy(10, 10, slot, 2, 0, 10, 4), 1);  // source past the object
    EXPECT_EQ(Copy(10, 10, slot, 3, 0, 3, 4), 0);   // empty: locks, draws nothing
    EXPECT_EQ(Copy(10, 10, slot, 3, 0, 3, 4), 1);
    EXPECT_TRUE(walked.empty());
    SetClip(-50, -50, 500, 500);  // held to the back screen
    ASSERT_EQ(Copy(60, 46, slot, 0, 0, 8, 4), 1);
    EXPECT_EQ(walked.size(), 7u);
    EXPECT_EQ(At(63, 47), 1 + 3 + 16);
    // A lost back screen: the object is locked, then given back; lost surfaces; no surface.
    gkScreen.Back->lost = true;
    EXPECT_EQ(Copy(0, 0, slot, 0, 0, 8, 4), 0);
    EXPECT_EQ(gkSprites[slot].surface->lockCount, 0);
    Restore(gkScreen.Back);
    plat::headless::LoseAllSurfaces();
    EXPECT_EQ(Copy(0, 0, slot, 0, 0, 8, 4) + Copy(0, 0, 900, 0, 0, 8, 4), 0);
    EXPECT_TRUE(walked.empty());
}

TEST_F(Blend, RegionFrameStaysOnTheScreenAndUnlocksInLockingOrder) {
    Start(PixelFormat::R5G6B5);
    RegionFrame seen;
    int walks = 0;
    auto keep = [&](const RegionFrame& f) {
        seen = f;
        ++walks;
        EXPECT_EQ(gkScreen.Back->lockCount, 1);
    };
    // Cut at the top and right, and one row above the bottom for a filter reading a row below.
    ASSERT_EQ(RegionEffect(60, -3, 10, 10, {0, 0, 0, 1}, RegionLocks::BufferThenBack, keep), 1);
    EXPECT_EQ(std::tuple(seen.x, seen.y, seen.w, seen.h), std::tuple(60, 0, 4, 7));
    EXPECT_EQ(seen.Buffer(1, 2) - seen.buffer, 2 * 64 + 1);
    EXPECT_EQ(gkScreen.Back->lockCount + gkSprites[0].surface->lockCount, 0);
    ASSERT_EQ(RegionEffect(10, 47, 5, 5, {0, 0, 0, 1}, RegionLocks::Back, keep), 1);  // no row
    EXPECT_EQ(walks, 1);
    gkScreen.Back->lost = true;
    EXPECT_EQ(RegionEffect(0, 0, 4, 4, {}, RegionLocks::BufferThenBack, keep), 0);
    EXPECT_EQ(gkSprites[0].surface->lockCount, 0);
}

// One opaque pixel, with a transparent one beside it, onto a plain back screen in 5-6-5.
TEST_F(Blend, RulesOnOnePixel) {
    Start(PixelFormat::R5G6B5);
    const struct {
        int effect;
        Args a;
        uint16_t source, back, expected;
    } cases[] = {
        {kHalf, {}, 0xFFFF, 0, 0x7BEF},
        {kHalf, {}, 0xFFFF, 0xFFFF, 0xF7DE},
        {kFade, {.level = {31}}, 0xFFFF, 0x1234, 0xFFDF},
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
        {kBright, {.alpha = {0.5f}}, 0xFFFF, 0x1234, 0x7BEF},
        {kAlpha, {.alpha = {0.5f}}, 0xFFFF, 0, 0x7BEF},
        {kAlpha, {.alpha = {2.0f}}, 0xFFFF, 0, 0xFFFE},  // channels spill
        {kAlphaRGB, {.alpha = {1.0f, 0.0f, 0.25f}}, 0xFFFF, 0x1234, 0xFA36},
    };
    const int n = Object(40, 25, Pixels(40 * 25));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "effect " << c.effect << " onto " << c.back);
        Row(gkSprites[n].surface, 1)[2] = c.source;
        for (auto loops : {EffectLoops::Fast, EffectLoops::Reference}) {
            gkEffectLoops = loops;
            Row(gkScreen.Back, 0)[0] = Row(gkScreen.Back, 0)[1] = c.back;
            EXPECT_EQ(kEffects[c.effect](n, c.a), 1);
            EXPECT_EQ(Back(0, 2), (Pixels{c.expected, c.back}));
        }
    }
    gkEffectLoops = EffectLoops::Fast;
}

// White at alpha 0.5 on black, rising every 2 columns past column 10; clipped on the left the
// count starts at the first visible column.
TEST_F(Blend, GradientRampsFromTheFirstDrawnColumn) {
    Start(PixelFormat::R5G6B5);
    const int n = Object(64, 1, Pixels(64, 0xFFFF));
    const auto at = [](float alpha) {
        return static_cast<uint16_t>(int(31 * alpha) << 11 | int(63 * alpha) << 5 |
                                     int(31 * alpha));
    };
    Pixels expected;
    for (int c = 0; c < 64; ++c)  // 0.5 up to column 11, 0.53125 at 12 and 13, ..., 1.0 from 42
        expected.push_back(at(c < 12 ? 0.5f : std::min(1.0f, 0.5f + 0.03125f * ((c - 10) / 2))));
    ASSERT_EQ(PutAlphaGradient(0, 0, 0.5f, 0.5f, 0.5f, 0, 10, 2, n, 0, 0, 64, 1), 1);
    EXPECT_EQ(Back(), expected);
    ClearScreen();
    ASSERT_EQ(PutAlphaGradient(-5, 0, 0.5f, 0.5f, 0.5f, 0, 10, 2, n, 0, 0, 64, 1), 1);
    EXPECT_EQ(Back(0, 59), Pixels(expected.begin(), expected.begin() + 59));
    ClearScreen();  // the fade form: level 16 rising by one level per column past column 0
    ASSERT_EQ(PutFadeGradient(0, 0, 16, 16, 16, 0, 0, 0, n, 0, 0, 3, 1), 1);
    EXPECT_EQ(Back(0, 3),
              (Pixels{16 << 11 | 16 << 6 | 16, 17 << 11 | 17 << 6 | 17, 18 << 11 | 18 << 6 | 18}));
}

TEST_F(Blend, SmoothingAndBlurAtTheEdges) {
    Start(PixelFormat::R5G6B5);
    std::mt19937 rng(5);
    Pixels opaque(8 * 6);
    for (auto& p : opaque) p = static_cast<uint16_t>(1 + rng() % 0xFFFF);
    const int solid = Object(8, 6, opaque);
    ASSERT_EQ(PutSmooth(0, 0, solid, 0, 0, 8, 6), 1);
    EXPECT_EQ(Back(0, 8, 6), opaque);
    ASSERT_EQ(PutSmooth(0, 10, Object(2, 1, {0xFFFF, 0}), 0, 0, 2, 1), 1);  // on black
    EXPECT_EQ(Back(10, 2), (Pixels{0x7BCF, 0}));

    ASSERT_EQ(PutBlur(0, 0, 1, solid, 0, 0, 8, 6), 1);
    for (auto& p : opaque) p &= 0xFFDF;
    EXPECT_EQ(Back(0, 8, 6), opaque);
    const int columns = Object(4, 2, {4, 8, 12, 16, 4, 8, 12, 16});
    for (int box : {2, 99}) {  // 99: held to the 2 rows drawn
        ASSERT_EQ(PutBlur(0, 20, box, columns, 0, 0, 4, 2), 1);
        EXPECT_EQ(Back(21, 4), (Pixels{6, 10, 14, 14}));
    }
    ClearScreen();
    plat::headless::FailLocks(1);  // a box below 1 draws nothing and locks nothing
    EXPECT_EQ(PutBlur(0, 0, 0, solid, 0, 0, 8, 6), 1);
    EXPECT_EQ(Back(0, 8), Pixels(8, 0));
}

TEST_F(Blend, FastLoopsMatchTheReferenceInBothLayouts) {
    std::mt19937 rng(13);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    for (PixelFormat format : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
        Restart();
        Start(format);
        SetClip(3, 2, 61, 45);
        Pixels sprite(40 * 25);
        for (auto& p : sprite) p = pick(0, 9) < 3 ? 0 : static_cast<uint16_t>(rng());
        const int n = Object(40, 25, sprite);
        for (const auto& effect : kEffects)
            for (int round = 0; round < 12; ++round) {
                SCOPED_TRACE(testing::Message()
                             << "effect " << &effect - kEffects << " round " << round);
                Args a;
                a.x = pick(-20, 40), a.y = pick(-15, 30), a.box = pick(-1, 7);
                a.vertical = pick(0, 1), a.start = pick(0, 20), a.step = pick(-1, 4);
                for (int k = 0; k < 3; ++k) a.level[k] = pick(-2, 33), a.flag[k] = pick(0, 1);
                const bool in256ths = pick(0, 1);  // alphas the integer form takes, or any
                for (float& f : a.alpha)
                    f = in256ths ? pick(0, 256) / 256.0f : pick(-20, 140) / 99.0f;
                Pixels back(64 * 48);
                for (auto& p : back) p = static_cast<uint16_t>(rng());
                SetBack(back);
                gkEffectLoops = EffectLoops::Reference;
                ASSERT_EQ(effect(n, a), 1);
                const Pixels expected = Back(0, 64, 48);
                for (auto loops : {EffectLoops::Fast, EffectLoops::Baseline}) {
                    SetBack(back);
                    gkEffectLoops = loops;
                    ASSERT_EQ(effect(n, a), 1);
                    ASSERT_EQ(Back(0, 64, 48), expected);
                }
            }
        // A failed lock, a number that is not a slot or a slot without an image: 0, nothing drawn.
        const Pixels before = Back(0, 64, 48);
        for (const auto& effect : kEffects) {
            plat::headless::FailLocks(1);
            EXPECT_EQ(effect(n, {}), 0);
            EXPECT_EQ(effect(-1, {}) + effect(gk::kSpriteSlots, {}) + effect(900, {}), 0);
        }
        EXPECT_EQ(Back(0, 64, 48), before);
    }
}

}  // namespace
