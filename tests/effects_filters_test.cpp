// Glow, noise and region filters on the headless display, with a noise table the tests choose:
// exact ray and blur pixels, cursors and counters kept across calls, regions trimmed to the
// screen and the scratch buffer, and the vector walks against the per-pixel references.
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

class Filters : public gktest::DrawFiles {
  protected:
    void Start(PixelFormat format, int w = 64, int h = 48) {
        headless::UseDisplayFormat(format);
        ASSERT_EQ(Screen(w, h, 0), 1);
    }
    static uint16_t& Px(int x, int y) {
        Surface* s = gkScreen.Back;
        return reinterpret_cast<uint16_t*>(s->pixels.data() + y * s->pitch)[x];
    }
    static std::vector<uint16_t> Image() {
        std::vector<uint16_t> v;
        for (int y = 0; y < gkScreen.Height; ++y)
            for (int x = 0; x < gkScreen.Width; ++x) v.push_back(Px(x, y));
        return v;
    }
    static void Paint(uint32_t seed, uint16_t mask = 0xFFFF) {
        std::mt19937 rng(seed);
        for (int y = 0; y < gkScreen.Height; ++y)
            for (int x = 0; x < gkScreen.Width; ++x) Px(x, y) = rng() & mask;
    }
    static void Noise(std::function<int(int)> value) {
        for (int i = 0; i < gk::kNoiseEntries; ++i) gkEffectTables.Noise[i] = value(i);
    }
    // Runs a and b from the same picture, filter state and rand() seed; both must agree.
    static void ExpectSame(std::function<int()> a, std::function<int()> b) {
        const std::vector<uint16_t> before = Image();
        const gkFilterState state = gkFilters;
        std::srand(5);
        EXPECT_EQ(a(), 1);
        const std::vector<uint16_t> first = Image();
        const gkFilterState after = gkFilters;
        for (int i = 0; i < gkScreen.Width * gkScreen.Height; ++i)
            Px(i % gkScreen.Width, i / gkScreen.Width) = before[i];
        gkFilters = state;
        std::srand(5);
        EXPECT_EQ(b(), 1);
        EXPECT_EQ(Image(), first);
        EXPECT_EQ(std::memcmp(&gkFilters, &after, sizeof after), 0);
    }
};

TEST_F(Filters, GlowRaysFadeStayInTheClipAndAdvanceTheCursor) {
    Start(PixelFormat::R5G6B5);
    Noise([](int) { return 0; });
    const int dot = CreateObject(1, 1, 1), block = CreateObject(3, 2, 1);
    gktest::PutRaw(gkSprites[dot].surface, 0, 0, Pack5(4, 2, 0));
    // Red 4: three steps of 3, 2 and 1; green 2 only one step. Rays at step 0 meet on the
    // pixels above, below and on the dot itself.
    ASSERT_EQ(PutGlow(20, 20, 0, 0, 0, 0xFF, 0, dot, 0, 0, 1, 1), 1);
    EXPECT_EQ(
        std::vector<int>({Px(20, 19), Px(20, 21), Px(20, 20), Px(19, 18), Px(21, 22), Px(18, 20),
                          Px(22, 17), Px(18, 23), Px(23, 16)}),
        std::vector<int>({Pack5(9, 3, 0), Pack5(9, 3, 0), Pack5(6, 2, 0), Pack5(2, 0, 0),
                          Pack5(2, 0, 0), Pack5(1, 0, 0), Pack5(1, 0, 0), Pack5(1, 0, 0), 0}));
    const auto lit = [] {
        const std::vector<uint16_t> image = Image();
        return 64 * 48 - std::count(image.begin(), image.end(), 0);
    };
    EXPECT_EQ(lit(), 19);
    EXPECT_EQ(gkFilters.GlowCursor, 1);

    FillRect(0, 0, 64, 48, 0);
    SetClip(0, 19, 64, 48);  // no ray above the clip top; direction bits above 0x80 ignored
    ASSERT_EQ(PutGlow(20, 20, 0, 0, 0, 0x1FF, 1, dot, 0, 0, 1, 1), 1);
    EXPECT_EQ(lit(), 19 - 6);
    EXPECT_EQ(Px(20, 20), Pack5(4 + 6, 2 + 2, 0));

    // No direction bits, draw flag 1: a keyed put moving the wrapping cursor once per opaque
    // pixel; pixels of at most noise + 1 and shifts held to 15 send no rays either.
    FillRect(0, 0, 64, 48, 0);
    SetClip(0, 0, 64, 48);
    const uint16_t pixels[6] = {0, 0x1111, Pack5(2, 2, 2), 0, 0xFFFF, 0x0821};
    for (int i = 0; i < 6; ++i) gktest::PutRaw(gkSprites[block].surface, i % 3, i / 3, pixels[i]);
    gkFilters.GlowCursor = 9998;
    Noise([](int i) { return i == 9999 ? 1 : 0; });
    ASSERT_EQ(PutGlow(30, 30, 0, 0, 0, 0, 1, block, 0, 0, 3, 2), 1);
    EXPECT_EQ(gkFilters.GlowCursor, 2);
    EXPECT_EQ(std::vector<int>({Px(30, 30), Px(31, 30), Px(32, 30), Px(30, 31), Px(31, 31)}),
              std::vector<int>({0, 0x1111, Pack5(2, 2, 2), 0, 0xFFFF}));
    FillRect(0, 0, 64, 48, 0);
    Noise([](int) { return 1; });
    ASSERT_EQ(PutGlow(30, 30, 0, 0, 0, 0xFF, 0, block, 2, 0, 3, 1), 1);     // (2, 2, 2) - 1
    ASSERT_EQ(PutGlow(30, 30, 16, 99, 15, 0xFF, 0, block, 1, 1, 2, 2), 1);  // white
    EXPECT_EQ(lit(), 0);
}

TEST_F(Filters, RisingBlursKeepTheirCountersAndCursors) {
    Start(PixelFormat::R5G6B5);
    Noise([](int) { return 2; });  // blurred, copied, blurred, copied ...
    Paint(1);
    const std::vector<uint16_t> before = Image();
    const auto old = [&](int x, int y) { return before[y * 64 + x]; };
    const auto average = [&](int x, int y, Rgb cool) {
        Rgb s[4] = {Split5(old(x - 1, y)), Split5(old(x + 1, y)), Split5(old(x, y - 1)),
                    Split5(old(x, y + 1))};
        const auto mean = [&](int Rgb::*k, int lower) {
            return std::max(0, (s[0].*k + s[1].*k + s[2].*k + s[3].*k) / 4 - lower);
        };
        return Pack5(mean(&Rgb::r, cool.r), mean(&Rgb::g, cool.g), mean(&Rgb::b, cool.b));
    };
    ASSERT_EQ(ShimmerRect(10, 10, 7, 3), 1);  // row 11 from row 12, columns 11..15
    EXPECT_EQ(std::vector<int>({Px(11, 11), Px(12, 11), Px(13, 11), Px(14, 11), Px(15, 11),
                                Px(10, 11), Px(16, 11), Px(11, 10), Px(11, 12)}),
              std::vector<int>({average(11, 12, {}), old(12, 12), average(13, 12, {}), old(14, 12),
                                average(15, 12, {}), old(10, 11), old(16, 11), old(11, 10),
                                old(11, 12)}));
    EXPECT_EQ(std::vector<int>({gkFilters.ShimmerCounter, gkFilters.ShimmerCursor}),
              std::vector<int>({1, 2}));  // the next call goes on with a copy
    ASSERT_EQ(FireRect(1, 0, 1, 30, 30, 3, 3), 1);
    ASSERT_EQ(ShimmerRect(20, 20, 3, 3), 1);
    EXPECT_EQ(Px(31, 31), average(31, 32, {1, 0, 1}));
    EXPECT_EQ(Px(21, 21), old(21, 22));
    EXPECT_EQ(std::vector<int>({gkFilters.ShimmerCounter, gkFilters.ShimmerCursor,
                                gkFilters.FireCounter, gkFilters.FireCursor}),
              std::vector<int>({0, 3, 1, 0}));

    // One colour whose green has its lowest bit clear stays as it is.
    FillRect(0, 0, 64, 48, Pack5(7, 19, 30));
    Noise([](int i) { return i % 3; });
    ASSERT_EQ(ShimmerRect(0, 0, 64, 47), 1);
    EXPECT_EQ(Image(), std::vector<uint16_t>(64 * 48, Pack5(7, 19, 30)));
}

TEST_F(Filters, RegionsAreTrimmedToTheScreenAndTheScratchBuffer) {
    Start(PixelFormat::R5G6B5);
    Noise([](int i) { return i % 3; });
    Paint(2);
    gkFilters.GrainCursor = 9990;
    using Call = std::function<int()>;
    const std::pair<Call, Call> same[] = {
        {[] { return ShimmerRect(3, 40, 20, 30); }, [] { return ShimmerRect(3, 40, 20, 7); }},
        {[] { return FireRect(1, 1, 0, -5, -5, 20, 20); },
         [] { return FireRect(1, 1, 0, 0, 0, 15, 15); }},
        {[] { return BlurRect(-2, -2, 10, 10); }, [] { return BlurRect(0, 0, 8, 8); }},
        {[] { return GrainRect(0, 60, 40, 100, 100); }, [] { return GrainRect(0, 60, 40, 4, 8); }},
        {[] { return GrainRectRGB(1, 0, 1, 9, -9, 0, 12, 3); },
         [] { return GrainRectRGB(1, 0, 1, 5, 0, 0, 3, 3); }},
        {[] { return ZoomRect2(10, 10, 40, 40, 0); }, [] { return ZoomRect2(10, 10, 32, 24, 0); }},
        {[] { return ZoomRect4(-4, 2, 60, 60, 1); }, [] { return ZoomRect4(0, 2, 16, 12, 1); }},
    };
    for (const auto& [a, b] : same) ExpectSame(a, b);
    const std::vector<uint16_t> before = Image();
    const gkFilterState state = gkFilters;
    for (int result :
         {GrainRect(0, 64, 0, 5, 5), BlurRect(INT_MAX - 1, 0, INT_MAX, 10),
          ShimmerRect(0, 46, 64, 9), ZoomRect2(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0),
          MosaicCircle(10, 10, 5, 0), MosaicCircle(10, 10, 0, 1),
          MosaicCircle(INT_MAX, INT_MIN, INT_MAX, INT_MAX), 1 - InvertRect(9, 9, 9, 20)})
        EXPECT_EQ(result, 1);
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(std::memcmp(&gkFilters, &state, sizeof state), 0);
}

TEST_F(Filters, NeighbourBlursZoomsMosaicGrainAndInversion) {
    Start(PixelFormat::R5G6B5);
    Paint(3, 0xFFDF);  // 5-bit green
    std::vector<uint16_t> before = Image();
    EXPECT_EQ(BlurRect(5, 5, 2, 9) + BlurRect(5, 5, 9, 2) + CoolBlurRect(1, 1, 1, 5, 5, 2, 2), 3);
    EXPECT_EQ(Image(), before);
    ASSERT_EQ(CoolBlurRect(0, 1, 0, 10, 10, 4, 3), 1);  // (11, 11) then (12, 11) reading it
    const auto mean = [](uint16_t a, uint16_t b, uint16_t c, uint16_t d, int lower) {
        const Rgb p = Split5(a), q = Split5(b), r = Split5(c), s = Split5(d);
        return Pack5((p.r + q.r + r.r + s.r) / 4, std::max(0, (p.g + q.g + r.g + s.g) / 4 - lower),
                     (p.b + q.b + r.b + s.b) / 4);
    };
    const auto old = [&](int x, int y) { return before[y * 64 + x]; };
    const uint16_t first = mean(old(10, 11), old(12, 11), old(11, 10), old(11, 12), 1);
    EXPECT_EQ(Px(11, 11), first);
    EXPECT_EQ(Px(12, 11), mean(first, old(13, 11), old(12, 10), old(12, 12), 1));

    // 2× of one pixel: a 2 × 2 square; dotted 4×: the top-left 2 × 2 of each block, the rest
    // from the scratch buffer; both clipped by the clip rectangle.
    for (int i = 0; i < 64 * 48; ++i) gktest::PutRaw(gkSprites[0].surface, i % 64, i / 64, 0x1234);
    ASSERT_EQ(ZoomRect2(40, 40, 1, 1, 0), 1);
    EXPECT_EQ(std::vector<int>({Px(40, 40), Px(41, 40), Px(40, 41), Px(41, 41), Px(42, 40)}),
              std::vector<int>({old(40, 40), old(40, 40), old(40, 40), old(40, 40), old(42, 40)}));
    SetClip(0, 0, 23, 64);
    ASSERT_EQ(ZoomRect4(20, 30, 2, 1, 1), 1);
    EXPECT_EQ(std::vector<int>({Px(21, 31), Px(22, 30), Px(22, 33), Px(23, 30)}),
              std::vector<int>({old(20, 30), 0x1234, 0x1234, old(23, 30)}));
    gkScreen.Back->lost = true;  // the scratch buffer is locked, then given back
    EXPECT_EQ(ZoomRect2(0, 0, 4, 4, 0), 0);
    EXPECT_EQ(gkSprites[0].surface->lockCount, 0);
    Restore(gkScreen.Back);
    SetClip(0, 0, 64, 48);

    before = Image();
    EXPECT_EQ(MosaicCircle(30, 20, 40, 1), 1);
    EXPECT_EQ(Image(), before);
    ASSERT_EQ(MosaicCircle(10, 10, 3, 2), 1);  // blocks from offset -3, distance below 3
    EXPECT_EQ(std::vector<int>({Px(10, 10), Px(8, 8), Px(7, 8), Px(12, 12), Px(13, 10)}),
              std::vector<int>({old(9, 9), old(7, 7), old(7, 8), old(11, 11), old(13, 10)}));

    FillRect(0, 0, 64, 48, 0);
    Noise([](int i) { return i % 3; });
    gkFilters.GrainCursor = 9998;
    std::srand(9);
    const int jump = std::rand() % 1000;
    std::srand(9);
    ASSERT_EQ(GrainRect(0, 0, 0, 2, 2), 1);  // shift 0: each component raised by the noise
    EXPECT_EQ(std::vector<int>({Px(0, 0), Px(1, 0), Px(0, 1), Px(1, 1), gkFilters.GrainCursor}),
              std::vector<int>({Pack5(2, 2, 2), 0, Pack5(jump % 3, jump % 3, jump % 3),
                                Pack5((jump + 1) % 3, (jump + 1) % 3, (jump + 1) % 3), jump + 2}));
    gkFilters.GrainRGBCursor = 2;
    ASSERT_EQ(GrainRectRGB(0, 1, 0, 4, 0, 0, 1, 1), 1);
    EXPECT_EQ(Px(0, 0), Pack5(2, 31, 2));

    Paint(4);
    before = Image();
    EXPECT_EQ(InvertRect(-5, 3, 70, 9), 0);
    EXPECT_EQ(Px(0, 3), uint16_t(~old(0, 3)));
    EXPECT_EQ(InvertRect(-5, 3, 70, 9), 0);
    EXPECT_EQ(Image(), before);
}

// The vector walks against the references on random pictures, in both 16-bit layouts (5-5-5
// pixels with the unused top bit set split as black).
TEST_F(Filters, VectorWalksMatchTheReferences) {
    for (PixelFormat format : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5}) {
        Restart();
        Start(format, 160, 120);
        const struct {
            int x, y, w, h;
        } regions[] = {{0, 0, 160, 120}, {3, 5, 77, 40}, {1, 1, 32, 18},
                       {100, 0, 60, 35}, {7, 40, 3, 80}, {9, 9, 40, 3}};
        for (const auto& r : regions)
            for (int flags = 0; flags < 8; ++flags) {
                const Rgb on{flags & 1, flags >> 1 & 1, flags >> 2};
                Paint(flags + r.w);
                const std::vector<uint16_t> before = Image();
                std::vector<uint16_t> results[2];
                int32_t cursors[2];
                for (int fast = 0; fast < 2; ++fast) {
                    cursors[fast] = 9000 + 17 * flags;
                    std::srand(3);
                    for (int i = 0; i < 160 * 120; ++i) Px(i % 160, i / 160) = before[i];
                    RegionEffect(r.x, r.y, r.w, r.h, {}, RegionLocks::Back,
                                 [&](const RegionFrame& f) {
                                     if (fast) {
                                         EXPECT_TRUE(BlurWalkFast(f, on));
                                         EXPECT_TRUE(GrainWalkFast(f, on, flags % 6, &cursors[1]));
                                     } else {
                                         BlurWalk(f, on);
                                         GrainWalk(f, on, flags % 6, &cursors[0]);
                                     }
                                 });
                    results[fast] = Image();
                }
                EXPECT_EQ(results[0], results[1]) << r.x << " " << r.w << " " << flags;
                EXPECT_EQ(cursors[0], cursors[1]);
            }
    }
}

}  // namespace
