// Glow, noise and region filters with a chosen noise table: exact pixels, cursors kept across
// calls, regions trimmed to the screen and scratch buffer, vector walks against references.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "effects/effects.h"
#include "platform/display.h"
#include "support/back_screen.h"
#include "support/draw_files.h"

namespace {

using namespace plat;
using namespace gkDraw;

using Pixels = std::vector<uint32_t>;

class Filters : public gktest::DrawFiles {
  protected:
    void Start(PixelFormat format, int w = 64, int h = 48) {
        headless::UseDisplayFormat(format);
        ASSERT_EQ(Screen(w, h, 0), 1);
    }
    static std::vector<uint8_t> Image() { return gkScreen.Back->pixels; }
    // The picture kept by Keep, and its pixel (x, y).
    std::vector<uint8_t> before;
    gkFilterState kept;
    void Keep() { before = Image(), kept = gkFilters; }
    uint16_t Old(int x, int y) const {
        return reinterpret_cast<const uint16_t*>(before.data() + y * gkScreen.Back->pitch)[x];
    }
    static void Paint(uint32_t seed, uint16_t mask = 0xFFFF) {
        std::mt19937 rng(seed);
        for (int i = 0; i < gkScreen.Width * gkScreen.Height; ++i)
            gktest::PutRaw(gkScreen.Back, i % gkScreen.Width, i / gkScreen.Width, rng() & mask);
    }
    static int Lit() {
        int n = 0;
        for (int i = 0; i < gkScreen.Width * gkScreen.Height; ++i)
            n += gktest::Raw(gkScreen.Back, i % gkScreen.Width, i / gkScreen.Width) != 0;
        return n;
    }
    static Pixels At(std::initializer_list<std::pair<int, int>> points) {
        return gktest::Raws(gkScreen.Back, points);
    }
    // The reference blur of four pixels, lowered in the cool channels.
    static uint32_t Mean(uint16_t a, uint16_t b, uint16_t c, uint16_t d, Rgb cool = {}) {
        const Rgb s[4] = {Split5(a), Split5(b), Split5(c), Split5(d)};
        const auto mean = [&](int Rgb::*k, int lower) {
            return std::max(0, (s[0].*k + s[1].*k + s[2].*k + s[3].*k) / 4 - lower);
        };
        return Pack5(mean(&Rgb::r, cool.r), mean(&Rgb::g, cool.g), mean(&Rgb::b, cool.b));
    }
    // The region (x, y, w, h) blurred (shift < 0) or grained by the reference or vector walk.
    static int Walks(bool fast, const int (&r)[4], Rgb on, int shift) {
        return RegionEffect(
            r[0], r[1], r[2], r[3], {}, RegionLocks::Back, [&](const RegionFrame& f) {
                int32_t* c = &gkFilters.GrainCursor;
                EXPECT_TRUE(shift < 0 ? (fast ? BlurWalkFast(f, on) : (BlurWalk(f, on), true))
                            : fast    ? GrainWalkFast(f, on, shift, c)
                                      : (GrainWalk(f, on, shift, c), true));
            });
    }
    static void Noise(std::function<int(int)> value) {
        for (int i = 0; i < gk::kNoiseEntries; ++i) gkEffectTables.Noise[i] = value(i);
    }
    // Runs a and b from the same picture, filter state and rand() seed; both must agree.
    void ExpectSame(std::function<int()> a, std::function<int()> b) {
        Keep();
        std::srand(5);
        EXPECT_EQ(a(), 1);
        const std::vector<uint8_t> first = Image();
        const gkFilterState after = gkFilters;
        gkScreen.Back->pixels = before, gkFilters = kept;
        std::srand(5);
        EXPECT_EQ(b(), 1);
        EXPECT_EQ(Image(), first);
        EXPECT_EQ(std::memcmp(&gkFilters, &after, sizeof after), 0);
    }
};

TEST_F(Filters, GlowRaysFadeStayInTheClipAndAdvanceTheCursor) {
    Start(PixelFormat::R5G6B5);
    Noise([](int) { return 0; });
    const int dot = CreateObject(1, 1, 1), block = CreateObject(3, 1, 1);
    gktest::PutRaw(gkSprites[dot].surface, 0, 0, Pack5(0, 2, 4));
    // Blue: steps of 3, 2, 1; green: one. Step 0's rays meet above, below and on the dot.
    ASSERT_EQ(PutGlow(20, 20, 0, 0, 0, 0xFF, 0, dot, 0, 0, 1, 1), 1);
    EXPECT_EQ(At({{20, 19}, {20, 21}, {20, 20}, {19, 18}, {21, 22}, {18, 20}, {22, 17}, {23, 16}}),
              (Pixels{Pack5(0, 3, 9), Pack5(0, 3, 9), Pack5(0, 2, 6), Pack5(0, 0, 2),
                      Pack5(0, 0, 2), Pack5(0, 0, 1), Pack5(0, 0, 1), 0}));
    EXPECT_EQ(Lit(), 19);
    EXPECT_EQ(gkFilters.GlowCursor, 1);

    FillRect(0, 0, 64, 48, 0);
    SetClip(0, 19, 64, 48);  // no ray above the clip top; direction bits above 0x80 ignored
    ASSERT_EQ(PutGlow(20, 20, 0, 0, 0, 0x1FF, 1, dot, 0, 0, 1, 1), 1);
    EXPECT_EQ(Lit(), 19 - 6);
    EXPECT_EQ(At({{20, 20}}), Pixels{Pack5(0, 2 + 2, 4 + 6)});

    // Directions 0, draw 1: a keyed put reading one noise value per opaque pixel; no rays from
    // components of at most noise + 1 nor from shifts held to 15.
    gktest::PutRaw(gkSprites[block].surface, 1, 0, Pack5(2, 2, 2));
    gktest::PutRaw(gkSprites[block].surface, 2, 0, 0xFFFF);
    gkFilters.GlowCursor = 9999;
    Noise([](int) { return 1; });
    ASSERT_EQ(PutGlow(30, 30, 0, 0, 0, 0xFF, 0, block, 1, 0, 2, 1), 1);     // (2, 2, 2) - 1
    ASSERT_EQ(PutGlow(30, 30, 16, 99, 15, 0xFF, 0, block, 2, 0, 3, 1), 1);  // white
    EXPECT_EQ(Lit(), 19 - 6);
    ASSERT_EQ(PutGlow(30, 30, 0, 0, 0, 0, 1, block, 0, 0, 3, 1), 1);
    EXPECT_EQ(At({{30, 30}, {31, 30}, {32, 30}}), (Pixels{0, Pack5(2, 2, 2), 0xFFFF}));
    EXPECT_EQ(gkFilters.GlowCursor, 3);
}

TEST_F(Filters, RisingBlursKeepTheirCountersAndCursors) {
    Start(PixelFormat::R5G6B5);
    Noise([](int) { return 2; });  // blurred, copied, blurred, copied ...
    Paint(1);
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

    // One colour whose green has its lowest bit clear stays as it is.
    FillRect(0, 0, 64, 48, Pack5(7, 19, 30));
    Noise([](int i) { return i % 3; });
    Keep();
    ASSERT_EQ(ShimmerRect(0, 0, 64, 47), 1);
    EXPECT_EQ(Image(), before);
}

TEST_F(Filters, RegionsAreTrimmedToTheScreenAndTheScratchBuffer) {
    Start(PixelFormat::R5G6B5);
    Noise([](int i) { return i % 3; });
    Paint(2);
    gkFilters.GrainRGBCursor = 9990;
    ExpectSame([] { return FireRect(1, 1, 0, -5, 40, 20, 30); },
               [] { return FireRect(1, 1, 0, 0, 40, 15, 7); });
    ExpectSame([] { return BlurRect(-2, -2, 10, 10); }, [] { return BlurRect(0, 0, 8, 8); });
    ExpectSame([] { return GrainRectRGB(1, 0, 1, -3, 60, -5, 100, 100); },
               [] { return GrainRectRGB(1, 0, 1, 0, 60, 0, 4, 48); });
    ExpectSame([] { return ZoomRect4(-4, 2, 60, 60, 1); },
               [] { return ZoomRect4(0, 2, 16, 12, 1); });
    Keep();
    for (int result :
         {GrainRect(0, 64, 0, 5, 5), BlurRect(INT_MAX - 1, 0, INT_MAX, 10),
          ShimmerRect(0, 46, 64, 9), ZoomRect2(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0),
          MosaicCircle(10, 10, 5, 0), MosaicCircle(10, 10, 0, 1), MosaicCircle(30, 20, 40, 1),
          BlurRect(5, 5, 2, 9), CoolBlurRect(1, 1, 1, 5, 5, 9, 2),
          MosaicCircle(INT_MAX, INT_MIN, INT_MAX, INT_MAX), 1 - InvertRect(9, 9, 9, 20),
          PutGlow(INT_MAX, INT_MIN, 0, 0, 0, 0xFF, 1, CreateObject(1, 1, 1), 0, 0, 1, 1)})
        EXPECT_EQ(result, 1);
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(std::memcmp(&gkFilters, &kept, sizeof kept), 0);
}

TEST_F(Filters, NeighbourBlursZoomsMosaicGrainAndInversion) {
    Start(PixelFormat::R5G6B5);
    Paint(3, 0xFFDF);  // 5-bit green
    Keep();
    ASSERT_EQ(CoolBlurRect(0, 1, 0, 10, 10, 4, 3), 1);  // (11, 11) then (12, 11) reading it
    const uint16_t first = Mean(Old(10, 11), Old(12, 11), Old(11, 10), Old(11, 12), {0, 1, 0});
    EXPECT_EQ(At({{11, 11}, {12, 11}}),
              (Pixels{first, Mean(first, Old(13, 11), Old(12, 10), Old(12, 12), {0, 1, 0})}));
    // 2× of one pixel: a 2 × 2 square; dotted 4×: the top-left 2 × 2 of each block, the rest
    // from the scratch buffer.
    for (int i = 0; i < 64 * 48; ++i) gktest::PutRaw(gkSprites[0].surface, i % 64, i / 64, 0x1234);
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
    EXPECT_EQ(At({{0, 0}, {1, 0}, {0, 1}, {1, 1}}), (Pixels{0, Pack5(1, 1, 1), Pack5(2, 2, 2), 0}));
    EXPECT_EQ(gkFilters.GrainCursor, 4);

    Keep();
    EXPECT_EQ(InvertRect(-5, 3, 70, 9), 0);
    EXPECT_EQ(At({{0, 3}}), Pixels{uint16_t(~Old(0, 3))});
    EXPECT_EQ(InvertRect(-5, 3, 70, 9), 0);
    EXPECT_EQ(Image(), before);
}

// Random pictures in both 16-bit layouts (5-5-5 top bits set), the grain cursor jumping.
TEST_F(Filters, VectorWalksMatchTheReferences) {
    for (PixelFormat format : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
        Restart(), Start(format, 160, 120);
        const int regions[][4] = {{0, 0, 160, 120}, {3, 5, 77, 40}, {1, 1, 32, 18},
                                  {100, 0, 60, 35}, {7, 40, 3, 80}, {9, 9, 40, 3}};
        for (const auto& r : regions)
            for (int flags = 0; flags < 8; ++flags) {
                const Rgb on{flags & 1, flags >> 1 & 1, flags >> 2};
                Paint(flags + r[2]);
                gkFilters.GrainCursor = 9000 + 17 * flags;
                for (int shift : {-1, flags % 6})
                    ExpectSame([&] { return Walks(false, r, on, shift); },
                               [&] { return Walks(true, r, on, shift); });
            }
    }
}

}  // namespace
