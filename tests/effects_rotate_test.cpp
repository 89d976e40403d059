// Rotation and distortion puts and the tunnel map on a 64 × 48 5-6-5 screen: exact pixels, the
// refused and reduced arguments, and the fast loops (with and without AVX2) against their
// references on random inputs.
#include <array>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "effects/effects.h"
#include "support/draw_files.h"

namespace {

using namespace gkDraw;
using Pixels = std::vector<uint8_t>;

class Distort : public gktest::DrawFiles {
  protected:
    void SetUp() override {
        DrawFiles::SetUp();
        plat::headless::UseDisplayFormat(plat::PixelFormat::R5G6B5);
        ASSERT_EQ(Screen(64, 48, 0), 1);
    }
    static uint16_t& Px(int slot, int x, int y) {
        plat::Surface* s = slot < 0 ? gkScreen.Back : gkSprites[slot].surface;
        return reinterpret_cast<uint16_t*>(s->pixels.data() + y * s->pitch)[x];
    }
    static uint16_t Back(int x, int y) { return Px(-1, x, y); }
    // A w × h object whose pixel (x, y) is 1 + x + 16 y, except (0, 0), which is transparent.
    static int Sprite(int w, int h) {
        const int slot = CreateObject(w, h, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Px(slot, x, y) = x || y ? 1 + x + 16 * y : 0;
        return slot;
    }
    static Pixels& Shown() { return gkScreen.Back->pixels; }
};

TEST_F(Distort, RotationsTurnClipTileAndZoomAboutTheDestinationCentreFastAsPlain) {
    // Half turns: exact for odd sizes, one pixel right (down) for an even width (height).
    for (auto [w, h, sx, sy] : {std::array{5, 3, 0, 0}, {4, 3, 1, 0}, {5, 4, 0, 1}, {4, 4, 1, 1}}) {
        const int n = Sprite(w, h);
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
    const int n = Sprite(5, 3);
    PutRotate(0, 10, 9, 17, 0, n, 0, 0, 5, 3);  // a border of two pixels stays empty
    PutRotateTile(20, 10, 29, 17, 0, n, 0, 0, 5, 3);
    for (auto [x, y, u, v, inside] :
         {std::array{0, 0, 2, 2, 0}, {8, 0, 1, 2, 0}, {3, 3, 1, 1, 1}, {6, 4, 4, 2, 1}}) {
        EXPECT_EQ(Back(x, 10 + y), inside ? Px(n, u, v) : 0xEEEE) << x << "," << y;
        EXPECT_EQ(Back(20 + x, 10 + y), Px(n, u, v)) << x << "," << y;  // mirrored copies
    }
    PutRotateZoom(0, 20, 10, 26, 0, 2.0f, n, 0, 0, 5, 3);  // every pixel doubled
    EXPECT_EQ(Back(9, 25), Px(n, 4, 2));
    PutRotateZoomTile(20, 20, 30, 26, 0, 2.0f, n, 0, 0, 5, 3);  // unzoomed offsets (2, 1)
    EXPECT_EQ(Back(20, 20), Px(n, 1, 0));
    // The zoom across steps by 1 a row; blue is doubled, spilling into green's lowest bit.
    PutFloor(40, 20, 45, 23, 0, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, n, 0, 0, 5, 3);
    EXPECT_EQ(Back(44, 20), 10);  // source (4, 0) = 5
    EXPECT_EQ(Back(44, 21), 38);  // zoom 2: source (2, 1) = 19
    const uint16_t zoom3 = Back(44, 22);
    SetClip(0, 22, 64, 48);  // rows above the clip still step the zoom
    PutFloor(40, 20, 45, 23, 0, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, n, 0, 0, 5, 3);
    EXPECT_EQ(Back(44, 22), zoom3);
    SetClip(12, 0, 64, 48);  // cut on the left: the image does not move
    PutRotate(10, 30, 15, 33, 0, n, 0, 0, 5, 3);
    EXPECT_EQ(Back(11, 31), 0xEEEE);
    EXPECT_EQ(Back(12, 31), Px(n, 2, 1));

    // Refused: zooms of 0 or not finite, an empty tile, objects without an image.
    const Pixels before = Shown();
    for (float zoom : {0.0f, NAN, INFINITY}) {
        EXPECT_EQ(PutRotateZoom(0, 0, 9, 7, 0, zoom, n, 0, 0, 5, 3), 1);
        EXPECT_EQ(PutRotateZoomTile(0, 0, 9, 7, 0, zoom, n, 0, 0, 5, 3), 1);
        EXPECT_EQ(PutFloor(0, 0, 9, 7, 0, 1, 0, zoom, 0, 1, 1, 1, n, 0, 0, 5, 3), 1);
    }
    EXPECT_EQ(PutRotateTile(0, 0, 9, 7, 0, n, 2, 0, 2, 3), 1);
    for (int bad : {-1, 900, gk::kSpriteSlots})
        EXPECT_EQ(PutRotate(0, 0, 9, 7, 0, bad, 0, 0, 5, 3), 0);
    plat::headless::FailLocks(1);
    EXPECT_EQ(PutRotate(20, 0, 29, 7, 0, n, 0, 0, 5, 3), 0);
    EXPECT_EQ(Shown(), before);
    // The widest rectangle: only the pixels on the screen are walked; the tile covers them.
    for (auto put : {PutRotate, PutRotateTile})
        EXPECT_EQ(put(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 30, n, 0, 0, 5, 3), 1);
    EXPECT_NE(Back(63, 47), 0);

    // The fast plain rotation against its reference.
    std::mt19937 rng(14);
    auto any = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int noisy = CreateObject(23, 17, 1);
    for (int p = 0; p < 23 * 17; ++p) Px(noisy, p % 23, p / 23) = any(0, 3) ? any(1, 0xFFFF) : 0;
    for (int k = 0; k < 400; ++k) {
        SetClip(any(-5, 20), any(-5, 20), any(30, 70), any(30, 50));
        const int x1 = any(-40, 60), y1 = any(-40, 40), l = any(0, 10), t = any(0, 8);
        const int angle = any(0, 2) ? any(-800, 800) : 90 * any(-9, 9);
        const int args[] = {x1, y1, x1 + any(-2, 70), y1 + any(-2, 60), angle, noisy,
                            l,  t,  any(l, 23),       any(t, 17)};
        auto shown = [&](auto put) {
            std::fill(Shown().begin(), Shown().end(), 0x55);
            std::apply(put, std::to_array(args));
            return Shown();
        };
        const Pixels expected = shown(reference::PutRotate);
        for (auto loops : {EffectLoops::Fast, EffectLoops::Baseline}) {
            gkEffectLoops = loops;
            ASSERT_EQ(shown(PutRotate), expected) << k;
        }
        gkEffectLoops = EffectLoops::Fast;
    }
}

TEST_F(Distort, StreaksRepeatOneColumnOrRowAndRefractionPullsTheBackgroundUp) {
    const int n = Sprite(4, 3);
    Px(n, 0, 1) = 0;
    std::fill(Shown().begin(), Shown().end(), 0x77);
    // Type 0, k = 0: each row in its first pixel's colour, out to the screen's edge.
    ASSERT_EQ(PutStreak(50, 10, 0, 0, n, 0, 0, 4, 3), 1);
    EXPECT_EQ(Back(63, 12), Px(n, 0, 2));
    EXPECT_EQ(Back(63, 11) & Back(50, 10), 0x7777);  // transparent first pixels
    PutStreak(50, 20, 0, 500, n, 0, 0, 4, 3);        // k past the sprite: its last column
    EXPECT_EQ(Back(63, 21) * 1000 + Back(52, 21), Px(n, 3, 1) * 1000 + Px(n, 2, 1));
    PutStreak(10, 30, 1, 0, n, 0, 0, 4, 3);  // type 1 also fills from the left edge, 0 included
    EXPECT_EQ((std::array{Back(0, 31), Back(9, 31), Back(10, 31), Back(11, 31)}),
              (std::array<uint16_t, 4>{0, 0, 0x7777, Px(n, 1, 1)}));
    PutStreak(10, 40, 3, 9, n, 0, 0, 4, 3);  // type 3: rows above take the last row, 0 included
    EXPECT_EQ(Back(11, 0), Px(n, 1, 2));
    EXPECT_EQ(Back(12, 41), Px(n, 2, 2));
    PutStreak(30, 40, 2, 1, n, 0, 0, 4, 3);  // type 2: row 1 to the bottom
    EXPECT_EQ(Back(33, 47), Px(n, 3, 1));

    // Refraction: strength 0 changes nothing; 1 moves by the red component, inside the rows.
    for (int y = 0; y < 48; ++y) Px(-1, 5, y) = y;
    const int lens = CreateObject(1, 3, 1);
    for (int y = 0; y < 3; ++y) Px(lens, 0, y) = Pack5(1 + y, 0, 0);
    EXPECT_EQ(PutRefract(5, 10, 0.0f, lens, 0, 0, 1, 3), 1);
    EXPECT_EQ(Back(5, 10) + Back(5, 11) + Back(5, 12), 33);
    PutRefract(5, 10, 1.0f, lens, 0, 0, 1, 3);
    // Red 1: one row up; red 2 and 3 would reach past the rectangle: kept.
    EXPECT_EQ((std::array{Back(5, 10), Back(5, 11), Back(5, 12)}),
              (std::array<uint16_t, 3>{11, 11, 12}));

    // A flat ripple is a plain copy, 0 included; a step below 1 draws nothing.
    EXPECT_EQ(PutRipple(20, 0, 0, 0, 1, 1.0f, 0.0f, n, 0, 0, 4, 3), 1);
    EXPECT_EQ(Back(20, 0), 0);
    EXPECT_EQ(Back(23, 2), Px(n, 3, 2));
    const Pixels before = Shown();
    EXPECT_EQ(PutRipple(20, 0, 3, 2, 0, 1.0f, 0.0f, n, 0, 0, 4, 3), 1);
    EXPECT_EQ(PutRipple(20, 0, 3, 2, 1, 1.0f, 0.0f, 5000, 0, 0, 4, 3), 0);
    EXPECT_EQ(Shown(), before);
}

TEST_F(Distort, TunnelMapsCentresMetricsAndDraws) {
    std::mt19937 rng(3);
    const int texture = CreateObject(97, 61, 1), small = CreateObject(20, 7, 1);
    for (int object : {texture, small})
        for (uint8_t& byte : gkSprites[object].surface->pixels) byte = rng();
    EXPECT_EQ(PutTunnel(0, 0, 5, 5, texture), 1);  // no map yet: nothing drawn
    EXPECT_EQ(Shown(), Pixels(Shown().size()));
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
    auto build = [](int motion, int cx, int cy) {  // the map's entries as u × 1000 + v
        BuildTunnel(97, 61, 7, 11, cx, cy, 5, motion, 0, 1);
        std::vector<int> uv;
        for (int e = 0; e < 77; ++e) uv.push_back(gkTunnel.Map[e].u * 1000 + gkTunnel.Map[e].v);
        return uv;
    };
    const auto mirrored = build(2, -1, 3), left = build(3, -1, 3), right = build(4, -1, 3);
    for (int e = 0; e < 77; ++e) {
        EXPECT_EQ(mirrored[e], build(0, 6 - e % 7, 3)[e]) << e;
        EXPECT_EQ(left[e], build(0, std::max(6 - e / 7, 0), 3)[e]) << e;
        EXPECT_EQ(right[e], build(0, std::min(e / 7 + 1, 7), 3)[e]) << e;
    }
    // Row 4 of centre (3, 4), metric |dx|: v = trunc(320 (5 − |dx|) / |dx|) mod 64, 0 at dx = 0.
    BuildTunnel(64, 64, 10, 6, 3, 4, 2, 0, 4, 1);
    for (auto [j, v] : {std::pair{9, 11}, {0, 21}, {5, 32}, {3, 0}})
        EXPECT_EQ(gkTunnel.Map[40 + j].v, v) << j;
    BuildTunnel(97, 61, 7, 11, 2, 3, -1, 0, 6, 0);  // metric 6: the same v everywhere
    for (int e = 0; e < 77; ++e) EXPECT_EQ(gkTunnel.Map[e].v, gkTunnel.Map[0].v);

    // Drawing: du = A is du = 0, negative offsets wrap, a small texture repeats, the screen's
    // edges cut the block; the fast loop matches the reference.
    BuildTunnel(97, 61, 40, 30, -1, -1, -1, 0, 0, 0);
    auto draw = [&](auto put, int x, int y, int du, int dv, int object) {
        std::fill(Shown().begin(), Shown().end(), 0);
        EXPECT_EQ(put(x, y, du, dv, object), 1);
        return Shown();
    };
    EXPECT_EQ(draw(PutTunnel, 3, 4, 97, 5, texture), draw(PutTunnel, 3, 4, 0, 5, texture));
    EXPECT_EQ(draw(PutTunnel, 3, 4, -1, -70, texture), draw(PutTunnel, 3, 4, 96, 52, texture));
    draw(PutTunnel, 40, 30, 0, 0, small);
    EXPECT_EQ(Back(39, 29) + Back(40, 29) + Back(39, 30), 0);
    EXPECT_EQ(Back(63, 47),
              Px(small, gkTunnel.Map[17 * 40 + 23].u % 20, gkTunnel.Map[17 * 40 + 23].v % 7));
    for (int k = 0; k < 50; ++k) {
        const int x = rng() % 120 - 60, y = rng() % 90 - 45, du = rng(), dv = -rng();
        for (int object : {texture, small}) {
            const Pixels expected = draw(reference::PutTunnel, x, y, du, dv, object);
            for (auto loops : {EffectLoops::Fast, EffectLoops::Baseline}) {
                gkEffectLoops = loops;
                ASSERT_EQ(draw(PutTunnel, x, y, du, dv, object), expected) << k;
            }
        }
        gkEffectLoops = EffectLoops::Fast;
    }
    EXPECT_EQ(PutTunnel(0, 0, 0, 0, -3), 0);
    plat::headless::FailLocks(1);
    EXPECT_EQ(PutTunnel(0, 0, 0, 0, texture), 0);
}

}  // namespace
