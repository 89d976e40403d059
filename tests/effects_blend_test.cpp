// Blend and colour effects on small headless surfaces: exact pixels of each rule, the gradient
// ramp, smoothing and blur edges, refused calls, and every fast loop against its reference on
// random sprites in both 16-bit layouts.
#include <functional>
#include <random>
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
};

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
    Restart();  // a 32-bit display: refused
    Start(PixelFormat::X8R8G8B8);
    const int n = CreateObject(40, 25, 1);
    for (const auto& effect : kEffects) EXPECT_EQ(effect(n, {}), 0);
}

}  // namespace
