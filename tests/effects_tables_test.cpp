// Effect tables, pixel splits, noise cursors and the two effect frames on the headless display:
// exact table entries in 5-6-5 and 5-5-5, no colour tables at 32 bits, clipping, lock failures
// and lost surfaces.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "effects/effects.h"
#include "platform/display.h"
#include "support/draw_files.h"

namespace {

using namespace plat;
using namespace gkDraw;

class Effects : public gktest::DrawFiles {
  protected:
    void Start(PixelFormat format) {
        headless::UseDisplayFormat(format);
        ASSERT_EQ(Screen(64, 48, 0), 1);
    }
    static uint16_t& Px(Surface* s, int x, int y) {
        return reinterpret_cast<uint16_t*>(s->pixels.data() + y * s->pitch)[x];
    }
    // An 8 × 4 object whose pixel (x, y) is 1 + x + 16 y, except (0, 0), which is transparent.
    static int Sprite() {
        const int slot = CreateObject(8, 4, 1);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                Px(gkSprites[slot].surface, x, y) = x || y ? 1 + x + 16 * y : 0;
        return slot;
    }
    // Copies the object's pixels and records every walk position.
    std::vector<int> walked;
    int Copy(int x, int y, int n, int l, int t, int r, int b) {
        walked.clear();
        return SpriteEffect(x, y, n, l, t, r, b, [&](int i, int j, uint16_t s, uint16_t& d) {
            walked.push_back(i + 100 * j);
            d = s;
        });
    }
    static int Back(int x, int y) { return Px(gkScreen.Back, x, y); }
};

TEST_F(Effects, TablesIn565) {
    Start(PixelFormat::R5G6B5);
    const auto& t = gkEffectTables;
    const int sines[][2] = {{0, 0}, {90, 360}, {180, 0}, {270, -360}, {360, 0}, {449, 359}};
    for (auto [i, v] : sines) EXPECT_EQ(t.Sine[i], v) << i;
    EXPECT_EQ(SineOf(-90), -360);
    EXPECT_EQ(CosineOf(720), 360);
    EXPECT_EQ(Split5(0xFFFF).r + Split5(0xFFFF).g + Split5(0xFFFF).b, 93);
    EXPECT_EQ(Split5(0x07E0).g, 31);
    EXPECT_EQ(Split5(0x07E0).r + Split5(0x07E0).b, 0);
    EXPECT_EQ(Pack5(31, 31, 31), 0xFFDF);
    EXPECT_EQ(SplitNative(0xFFFF).g, 63);
    EXPECT_EQ(PackNative(0, 64, 0), 0x0800);               // green above 63 spills into red
    EXPECT_EQ(t.Fade[FadeIndex(0, 0, 7, 20)], 7 << 11);    // level 31: the source
    EXPECT_EQ(t.Fade[FadeIndex(2, 31, 7, 20)], 20);        // level 0: the destination
    EXPECT_EQ(t.Fade[FadeIndex(1, 15, 31, 31)], 31 << 6);  // level 16: 16 + 15
    EXPECT_EQ(t.Fade[FadeIndex(1, 15, 10, 10)], 0);
    EXPECT_EQ(t.Fade[FadeIndex(1, 40, 10, 10)], t.Fade[FadeIndex(1, 31, 10, 10)]);
    EXPECT_EQ(t.Add[FadeIndex(0, 0, 20, 20)], 31 << 11);
    EXPECT_EQ(t.Add[FadeIndex(2, 5, 20, 3)], 18);
    EXPECT_EQ(t.Subtract[SubtractIndex(0, 5, 9)], 0);
    EXPECT_EQ(t.Subtract[SubtractIndex(1, 9, 5)], 4 << 6);
    EXPECT_EQ(std::tuple(t.Grey[93], t.Grey[2], t.Grey[47]), std::tuple(31, 0, 15));
}

TEST_F(Effects, TablesIn555AfterA565SetUpKeepNoEntryOfIt) {
    Start(PixelFormat::R5G6B5);
    Release();
    Start(PixelFormat::X1R5G5B5);
    EXPECT_EQ(Split5(0x8000).r, 0);  // 5-6-5 would give red 16
    EXPECT_EQ(Split5(0x7FFF).r + Split5(0x7FFF).g + Split5(0x7FFF).b, 93);
    EXPECT_EQ(Split5(0x03E0).g, 31);
    EXPECT_EQ(Pack5(31, 31, 31), 0x7FFF);
    EXPECT_EQ(gkEffectTables.Add[FadeIndex(1, 0, 20, 20)], 31 << 5);
}

TEST_F(Effects, NoiseTakesTenThousandRandValuesAndCursorsWrapOrJump) {
    std::srand(7);
    Start(PixelFormat::R5G6B5);
    const int next = std::rand();
    std::vector<uint8_t> first(std::begin(gkEffectTables.Noise), std::end(gkEffectTables.Noise));
    int seen[3] = {};
    for (uint8_t n : first) {
        ASSERT_LE(n, 2);
        ++seen[n];
    }
    EXPECT_GT(std::min({seen[0], seen[1], seen[2]}), 1000);
    std::srand(7);
    BuildEffectTables();
    EXPECT_EQ(std::rand(), next);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), gkEffectTables.Noise));

    int32_t cursor = 9998;
    EXPECT_EQ(NextNoiseWrapping(&cursor), first[9998]);
    EXPECT_EQ(NextNoiseWrapping(&cursor), first[9999]);
    EXPECT_EQ(cursor, 0);
    std::srand(11);
    const int jump = std::rand() % 1000;
    std::srand(11);
    cursor = 9999;
    EXPECT_EQ(NextNoiseJumping(&cursor), first[9999]);
    EXPECT_EQ(cursor, jump);
}

TEST_F(Effects, At32BitsOnlyTheSineTableAndEffectsAreRefused) {
    Start(PixelFormat::R5G6B5);  // the tables of an earlier 16-bit set-up do not survive
    Release();
    std::srand(3);
    const int expected = std::rand();
    std::srand(3);
    Start(PixelFormat::X8R8G8B8);
    EXPECT_EQ(std::rand(), expected);  // no noise drawn
    EXPECT_EQ(gkEffectTables.Sine[90], 360);
    const auto& t = gkEffectTables;
    for (const auto& [p, size] : {std::pair<const void*, size_t>{t.Component, sizeof t.Component},
                                  {t.Fade, sizeof t.Fade},
                                  {t.Grey, sizeof t.Grey},
                                  {t.Noise, sizeof t.Noise}})
        EXPECT_EQ(std::memcmp(p, std::vector<char>(size).data(), size), 0);
    const int slot = CreateObject(8, 4, 1);
    EXPECT_EQ(Copy(0, 0, slot, 0, 0, 8, 4), 0);
    EXPECT_EQ(RegionEffect(0, 0, 4, 4, {}, RegionLocks::Back, [](const RegionFrame&) {}), 0);
}

TEST_F(Effects, SpriteFrameClipsAndCountsFromTheFirstDrawnPixel) {
    Start(PixelFormat::R5G6B5);
    const int slot = Sprite();
    SetClip(10, 10, 20, 20);
    ASSERT_EQ(Copy(7, 8, slot, 0, 0, 8, 4), 1);  // 3 columns, 2 rows cut on the left and top
    EXPECT_EQ(walked, (std::vector<int>{0, 1, 2, 3, 4, 100, 101, 102, 103, 104}));
    EXPECT_EQ(Back(10, 10), 1 + 3 + 32);
    EXPECT_EQ(Back(9, 10) + Back(10, 9) + Back(15, 11), 0);
    ASSERT_EQ(Copy(16, 18, slot, 0, 0, 8, 4), 1);                        // right and bottom edges
    EXPECT_EQ(walked, (std::vector<int>{1, 2, 3, 100, 101, 102, 103}));  // (0, 0) transparent
    EXPECT_EQ(Back(19, 19), 1 + 3 + 16);
    EXPECT_EQ(Back(16, 18), 0);

    headless::FailLocks(1);                         // a frame that locked would answer 0
    EXPECT_EQ(Copy(21, 10, slot, 0, 0, 8, 4), 1);   // wholly right of the clip rectangle
    EXPECT_EQ(Copy(10, 10, slot, 2, 0, 10, 4), 1);  // source past the object
    EXPECT_EQ(Copy(10, 10, slot, 3, 0, 3, 4), 0);   // empty: locks, draws nothing
    EXPECT_EQ(Copy(10, 10, slot, 3, 0, 3, 4), 1);
    EXPECT_TRUE(walked.empty());
    SetClip(-50, -50, 500, 500);  // held to the back screen
    ASSERT_EQ(Copy(60, 46, slot, 0, 0, 8, 4), 1);
    EXPECT_EQ(walked.size(), 7u);
    EXPECT_EQ(Back(63, 47), 1 + 3 + 16);
}

TEST_F(Effects, LockFailuresAndLostSurfacesLeaveNothingLocked) {
    Start(PixelFormat::R5G6B5);
    const int slot = Sprite();
    Surface* object = gkSprites[slot].surface;
    headless::FailLocks(1);
    EXPECT_EQ(Copy(0, 0, slot, 0, 0, 8, 4), 0);
    gkScreen.Back->lost = true;  // the object is locked, then given back
    EXPECT_EQ(Copy(0, 0, slot, 0, 0, 8, 4), 0);
    EXPECT_EQ(object->lockCount, 0);
    Restore(gkScreen.Back);
    headless::LoseAllSurfaces();
    EXPECT_EQ(Copy(0, 0, slot, 0, 0, 8, 4), 0);
    EXPECT_TRUE(walked.empty());
    EXPECT_EQ(Copy(0, 0, 900, 0, 0, 8, 4), 0);  // a slot without a surface
}

TEST_F(Effects, RegionFrameStaysOnTheScreenAndUnlocksInLockingOrder) {
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

}  // namespace
