// Blits on a small headless 16-bit screen, checked pixel by pixel: the put rule's clipping, the
// put variants, stretches on both paths, fills, the 50 % fill, the strip puts' row mappings and
// persistent state, the mirrored put, and lost surfaces.
#include <functional>

#include "support/back_screen.h"
#include "support/draw_files.h"
#include "system/system.h"

namespace {

using namespace plat;
using gktest::Raw;
using gktest::Raws;
using V = std::vector<uint32_t>;

class Blits : public gktest::DrawFiles {
  protected:
    void SetUp() override {
        DrawFiles::SetUp();
        ASSERT_EQ(gkDraw::Screen(64, 48, 0), 1);
        Clear();
    }
    static constexpr uint32_t kBack = 0x1111;  // what the back screen holds before each draw
    static void Clear() { Blt(gkScreen.Back, nullptr, nullptr, nullptr, DDBLT_COLORFILL, kBack); }
    static uint32_t Back(int x, int y) { return Raw(gkScreen.Back, x, y); }
    static V Backs(std::initializer_list<std::pair<int, int>> points) {
        return Raws(gkScreen.Back, points);
    }
    // A new w × h object (keyed on black, raw 0) whose pixel (x, y) holds value(x, y).
    static int Sprite(int w, int h, const std::function<uint32_t(int, int)>& value) {
        const int slot = gkDraw::CreateObject(w, h, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) gktest::PutRaw(gkSprites[slot].surface, x, y, value(x, y));
        return slot;
    }
    // An image whose every pixel of row r holds r + 1, so a screen pixel tells its source row.
    static int Rows(int w, int h) {
        return Sprite(w, h, [](int, int y) { return uint32_t(y + 1); });
    }
    // The source row shown on screen row y at column x (0 = untouched).
    static int RowAt(int x, int y) { return Back(x, y) == kBack ? 0 : int(Back(x, y)); }
    // The first column of screen row y that was drawn, or -1.
    static int FirstDrawn(int y) {
        for (int x = 0; x < gkScreen.Width; ++x)
            if (Back(x, y) != kBack) return x;
        return -1;
    }
};

TEST_F(Blits, PutRuleClipsEachEdgeAndKeepsSourceAlignment) {
    const int wide = Sprite(32, 2, [](int x, int) { return uint32_t(x + 1); });
    gkDraw::PutObject(-10, 0, wide, 0, 0, 32, 2);  // source columns 10-31 at 0-21
    for (int x = 0; x < 22; ++x) EXPECT_EQ(Back(x, 0), uint32_t(x + 11)) << x;
    EXPECT_EQ(Back(22, 0), kBack);
    gkDraw::PutObject(54, 10, wide, 0, 0, 32, 2);  // right edge 64: source columns 0-9 only
    for (int x = 54; x < 64; ++x) EXPECT_EQ(Back(x, 10), uint32_t(x - 53)) << x;
    EXPECT_EQ(Back(53, 10), kBack);
    gkDraw::SetClip(8, 20, 30, 23);  // top and bottom: rows 20-22 only
    const int tall = Rows(4, 10);
    gkDraw::PutObject(8, 18, tall, 0, 0, 4, 10);
    EXPECT_EQ(RowAt(8, 19), 0);
    for (int y = 20; y < 23; ++y) EXPECT_EQ(RowAt(8, y), y - 18 + 1) << y;
    EXPECT_EQ(RowAt(8, 23), 0);
}

TEST_F(Blits, LostSurfaceIsRestoredAndTheDrawDropped_PutsOutsideNeverBlit) {
    const int slot = Rows(32, 4);
    headless::LoseAllSurfaces();
    // Wholly left of the clip rectangle, and wholly below it: skipped before the blitter, so
    // the loss is not even noticed.
    gkDraw::PutObject(-40, 0, slot, 0, 0, 32, 4);
    gkDraw::PutObject(0, 50, slot, 0, 0, 32, 4);
    EXPECT_EQ(IsLost(gkScreen.Back), DDERR_SURFACELOST);
    gkDraw::PutObject(0, 0, slot, 0, 0, 32, 4);
    EXPECT_EQ(IsLost(gkScreen.Back), DD_OK);
    EXPECT_EQ(IsLost(gkSprites[slot].surface), DD_OK);
    EXPECT_NE(Back(0, 0), 1u);  // dropped, not repeated after the repair
    for (auto put : {&gkDraw::PutObjectOpaque, &gkDraw::PutObject}) {
        headless::LoseAllSurfaces();
        put(0, 0, slot, 0, 0, 32, 4);
        EXPECT_EQ(IsLost(gkScreen.Back), DD_OK);
    }
    headless::LoseAllSurfaces();
    gkDraw::GrabScreen(slot, 0, 0, 8, 8);
    EXPECT_EQ(IsLost(gkScreen.Back), DD_OK);
}

TEST_F(Blits, VariantsKeyOrCopyAllAndObjectsClipToTheClipRectangle) {
    // 0 is the key: a checkerboard of key and 7.
    const int checker = Sprite(4, 4, [](int x, int y) { return (x + y) % 2 ? 7u : 0u; });
    gkDraw::PutObject(0, 0, checker, 0, 0, 4, 4);
    gkDraw::PutObjectOpaque(10, 0, checker, 0, 0, 4, 4);
    EXPECT_EQ(Backs({{0, 0}, {1, 0}, {10, 0}, {11, 0}}), (V{kBack, 7, 0, 7}));

    const int target = Sprite(50, 50, [](int, int) { return 5u; });
    const Surface* t = gkSprites[target].surface;
    gkDraw::SetClip(100, 100, 200, 200);
    gkDraw::PutObjectOnObject(target, 0, 0, checker, 0, 0, 4, 4);
    gkDraw::PutObjectOpaqueOnObject(target, 0, 0, checker, 0, 0, 4, 4);
    EXPECT_EQ(Raw(t, 1, 0), 5u);
    gkDraw::SetClip(0, 0, 64, 48);
    gkDraw::PutObjectOnObject(target, 2, 2, checker, 0, 0, 4, 4);
    EXPECT_EQ(Raws(t, {{2, 2}, {3, 2}}), (V{5, 7}));
    gkDraw::PutObjectOpaqueOnObject(target, 2, 2, checker, 0, 0, 4, 4);
    EXPECT_EQ(Raw(t, 2, 2), 0u);
    // The clip rectangle, not the object's size, limits puts into objects: a put reaching past
    // the 50-pixel object is refused by the blitter.
    gkDraw::PutObjectOpaqueOnObject(target, 48, 0, checker, 0, 0, 4, 4);
    EXPECT_EQ(Raw(t, 48, 0), 5u);
    gkDraw::GrabScreen(target, 10, 0, 14, 2);  // back screen rectangle to the object's origin
    EXPECT_EQ(Raws(t, {{0, 0}, {1, 0}, {4, 0}}), (V{0, 7, 5}));
}

TEST_F(Blits, StretchByBlitterAndThroughTheBuffer) {
    // 2 × 2: 1 2 / 0 3, doubled to 4 × 4; the 0 is black, the key of the object and of slot 0.
    const int small = Sprite(2, 2, [](int x, int y) { return uint32_t(y ? (x ? 3 : 0) : x + 1); });
    const uint32_t want[4][4] = {
        {1, 1, 2, 2}, {1, 1, 2, 2}, {kBack, kBack, 3, 3}, {kBack, kBack, 3, 3}};
    for (int canStretch : {1, 0}) {
        SCOPED_TRACE(canStretch);
        gkScreen.CanStretch = canStretch;
        Clear();
        gkDraw::PutStretch(4, 4, small, 0, 0, 2, 2, 4, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(Back(4 + x, 4 + y), want[y][x]) << x << y;
        gkDraw::PutStretchOpaque(20, 4, small, 0, 0, 2, 2, 4, 4);
        EXPECT_EQ(Backs({{20, 6}, {22, 6}}), (V{0, 3}));
    }
    // Partly left of the screen: the buffer path clips by the put rule, the blitter refuses.
    gkScreen.CanStretch = 0;
    gkDraw::PutStretchOpaque(-2, 20, small, 0, 0, 2, 2, 4, 4);
    EXPECT_EQ(Backs({{0, 20}, {1, 21}}), (V{2, 2}));
    gkScreen.CanStretch = 1;
    gkDraw::PutStretchOpaque(-2, 30, small, 0, 0, 2, 2, 4, 4);
    EXPECT_EQ(Back(0, 30), kBack);
}

TEST_F(Blits, FillsUseRawValuesAndRefuseRectanglesOutsideTheScreen) {
    EXPECT_EQ(gkDraw::FillRect(0, 0, 2, 2, 0xABCD1234), DD_OK);
    EXPECT_EQ(gkDraw::WhiteRect(4, 0, 5, 1), DD_OK);
    EXPECT_EQ(gkDraw::ClearRect(0, 0, 1, 1), DD_OK);
    EXPECT_NE(gkDraw::FillRect(60, 0, 70, 2, 5), DD_OK);  // reaches past the right edge
    EXPECT_EQ(Backs({{1, 1}, {2, 1}, {4, 0}, {0, 0}, {1, 0}, {60, 0}}),
              (V{0x1234, kBack, 0xFFFF, 0, 0x1234, kBack}));
    EXPECT_EQ(gkDraw::WhiteScreen(), DD_OK);
    EXPECT_EQ(Back(63, 47), 0xFFFFu);
    EXPECT_EQ(gkDraw::ClearScreen(), DD_OK);
    EXPECT_EQ(Back(63, 47), 0u);
    const int slot = Rows(3, 3);
    EXPECT_EQ(gkDraw::ClearObject(slot), DD_OK);
    EXPECT_EQ(Raw(gkSprites[slot].surface, 2, 2), 0u);
}

TEST_F(Blits, ClearFrameDrawsTheOutlineOnly) {
    EXPECT_EQ(gkDraw::ClearFrame(10, 10, 20, 20), DD_OK);
    for (int y = 9; y <= 20; ++y)
        for (int x = 9; x <= 20; ++x) {
            const bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
            const bool edge = inside && (x == 10 || x == 19 || y == 10 || y == 19);
            EXPECT_EQ(Back(x, y), edge ? 0u : kBack) << x << "," << y;
        }
}

TEST_F(Blits, HalfFillBlendsInsideTheClipRectangle) {
    gkDraw::WhiteScreen();
    gkDraw::SetClip(0, 0, 8, 8);
    EXPECT_EQ(gkDraw::HalfFillRect(4, 4, 100, 100, 0), 1);  // colour 0 halves every channel
    EXPECT_EQ(Backs({{7, 7}, {8, 7}, {3, 4}}), (V{0x7BEF, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(gkDraw::HalfFillRect(0, 0, 1, 1, 0x1F800), 1);  // low 16 bits: pure red
    EXPECT_EQ(Back(0, 0), 0x7BEFu + 0x7800u);
    // Wholly outside: 1 without locking (the failing lock stays for the next caller).
    headless::FailLocks(1);
    EXPECT_EQ(gkDraw::HalfFillRect(20, 20, 30, 30, 0), 1);
    EXPECT_EQ(gkDraw::HalfFillRect(1, 1, 2, 2, 0), 0);
    EXPECT_EQ(Back(1, 1), 0xFFFFu);
    // A clip rectangle larger than the screen does not let the loop leave the back screen.
    gkDraw::SetClip(-100, -100, 1000, 1000);
    EXPECT_EQ(gkDraw::HalfFillRect(-50, -50, 500, 500, 0), 1);
    EXPECT_EQ(Back(63, 47), 0x7BEFu);
}

TEST_F(Blits, WaveShiftsRowsByTheCosineAndKeepsItsPhaseAndSign) {
    const int slot = Rows(4, 10);
    gkSystem::FrameDelta = 0.5f;
    gkDraw::PutWave(20, 0, 0, 3, 100, slot, 0, 0, 4, 10, 0);  // amplitude 0: a plain put
    for (int y = 0; y < 10; ++y) EXPECT_EQ(FirstDrawn(y), 20);
    EXPECT_FLOAT_EQ(gkPutAnimation.WavePhase, 50);

    // Period 0 and phase 60: row r moves by trunc(10 cos((r + 60)°)).
    Clear();
    gkPutAnimation.WavePhase = 60;
    gkDraw::PutWave(20, 2, 10, 0, 620, slot, 0, 0, 4, 10, 0);
    const int shift[10] = {5, 4, 4, 4, 4, 4, 4, 3, 3, 3};
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(FirstDrawn(2 + r), 20 + shift[r]) << r;
        EXPECT_EQ(RowAt(FirstDrawn(2 + r), 2 + r), r + 1);
    }
    EXPECT_FLOAT_EQ(gkPutAnimation.WavePhase, 60 + 310 - 360);

    // Alternating sign over an odd number of rows: the next call starts negative.
    Clear();
    gkPutAnimation.WavePhase = 0;
    gkSystem::FrameDelta = 0;
    gkDraw::PutWave(20, 0, 10, 1000, 0, slot, 0, 0, 4, 3, 1);
    EXPECT_EQ(FirstDrawn(0), 30);
    EXPECT_EQ(FirstDrawn(1), 10);
    EXPECT_EQ(FirstDrawn(2), 30);
    EXPECT_EQ(gkPutAnimation.WaveSign, -1);
    gkDraw::PutWave(20, 5, 10, 1000, 0, slot, 0, 0, 4, 1, 1);
    EXPECT_EQ(FirstDrawn(5), 10);
}

TEST_F(Blits, WaveScrollWrapsSourceRowsAndTilesCoverTheScreen) {
    const int slot = Rows(4, 10);
    gkSystem::FrameDelta = 0;
    gkPutAnimation.WaveScrollRow = 3;
    gkDraw::PutWaveScroll(0, 0, 0, 0, 0, 0, slot, 0, 0, 4, 10);
    const int want[10] = {4, 5, 6, 7, 8, 9, 10, 1, 2, 3};  // source rows 3..9, 0..2, plus 1
    for (int y = 0; y < 10; ++y) EXPECT_EQ(RowAt(0, y), want[y]) << y;
    // The destination row is y + r, the source row's own number.
    gkPutAnimation.WaveScrollRow = 0;
    gkDraw::PutWaveScroll(10, 20, 0, 0, 0, 0, slot, 0, 2, 4, 5);
    EXPECT_EQ(RowAt(10, 21), 0);
    EXPECT_EQ(RowAt(10, 22), 3);
    EXPECT_EQ(RowAt(10, 24), 5);
    // Scroll moves back by speed × FrameDelta and wraps into 0..h.
    gkSystem::FrameDelta = 1;
    gkDraw::PutWaveScroll(0, 0, 0, 0, 0, 4, slot, 0, 0, 4, 10);
    EXPECT_FLOAT_EQ(gkPutAnimation.WaveScrollRow, 6);

    const int tile = Sprite(5, 7, [](int x, int y) { return uint32_t(1 + x + 8 * y); });
    gkSystem::FrameDelta = 0;
    gkDraw::PutScrollTiles(0, 0, tile, 0, 0, 5, 7);
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 3) ASSERT_EQ(Back(x, y), uint32_t(1 + x % 5 + 8 * (y % 7)));
    gkSystem::FrameDelta = 1;
    gkDraw::PutScrollTiles(-6, 2, tile, 0, 0, 5, 7);
    EXPECT_FLOAT_EQ(gkPutAnimation.TileX, -1);  // -6 is below -5: +5
    EXPECT_FLOAT_EQ(gkPutAnimation.TileY, -5);  // 2 is above 0: -7
    gkDraw::PutScrollTiles(0, 0, tile, 0, 0, 5, 7);
    EXPECT_EQ(Back(0, 0), uint32_t(1 + 1 + 8 * 5));  // offset (-1, -5)

    // A band of rows 30-39 tiled with the image's rows from the top, waving by 0.
    Clear();
    gkSystem::FrameDelta = 0;
    gkDraw::PutWaveTiles(30, 40, 0, 0, 0, 0, tile, 0, 0, 5, 7);
    EXPECT_EQ(Backs({{0, 29}, {7, 30}, {63, 38}, {0, 40}}),
              (V{kBack, 1 + 2, 1 + 63 % 5 + 8 * 1, kBack}));

    // Empty images tile nothing instead of dividing by zero.
    Clear();
    gkDraw::PutScrollTiles(0, 0, tile, 0, 0, 0, 7);
    gkDraw::PutScrollTiles(0, 0, tile, 0, 3, 5, 3);
    gkDraw::PutWaveTiles(0, 10, 0, 0, 0, 0, tile, 0, 0, 5, 0);
    gkDraw::PutWaveTiles(0, 10, 0, 0, 0, 0, tile, 2, 0, 2, 7);
    for (int y = 0; y < 48; ++y) ASSERT_EQ(FirstDrawn(y), -1) << y;
}

TEST_F(Blits, MosaicSkipShakeAndRollMapRows) {
    const int slot = Rows(4, 10);
    gkDraw::PutRowMosaic(0, 0, 4, slot, 0, 0, 4, 10);  // rows 0, 4, 8 four times each
    for (int y = 0; y < 12; ++y) EXPECT_EQ(RowAt(0, y), y / 4 * 4 + 1) << y;
    EXPECT_EQ(RowAt(0, 12), 0);
    gkDraw::PutRowMosaic(10, 0, 0, slot, 0, 0, 4, 10);  // no rows per block: nothing, no hang
    gkDraw::PutRowMosaic(10, 0, -1, slot, 0, 0, 4, 10);
    EXPECT_EQ(FirstDrawn(0), 0);
    EXPECT_EQ(RowAt(10, 0), 0);

    gkDraw::PutSkipRows(20, 0, 2, slot, 0, 1, 4, 10);  // rows 3, 5, 7, 9 at their places
    for (int y = 0; y < 9; ++y) EXPECT_EQ(RowAt(20, y), y % 2 == 0 && y > 0 ? y + 2 : 0) << y;
    gkDraw::PutSkipRows(30, 0, 0, slot, 0, 0, 4, 10);
    EXPECT_EQ(RowAt(30, 5), 0);
    gkDraw::PutSkipRows(40, 0, -1, slot, 0, 0, 4, 10);  // gaps of exactly one: all but row 0
    EXPECT_EQ(RowAt(40, 0), 0);
    for (int y = 1; y < 10; ++y) EXPECT_EQ(RowAt(40, y), y + 1);

    Clear();
    gkDraw::PutShake(10, 0, 0, slot, 0, 0, 4, 10);
    for (int y = 0; y < 10; ++y) EXPECT_EQ(FirstDrawn(y), 10);
    gkDraw::PutShake(30, 20, 2, slot, 0, 0, 4, 10);
    for (int y = 20; y < 30; ++y) {
        const int x = FirstDrawn(y);
        EXPECT_TRUE(x >= 28 && x <= 31) << x;
        EXPECT_EQ(RowAt(x, y), y - 19);
    }

    // Roll of 5 rows at phase 2: the drum shows source rows 0, 1, 2, 2, 2.
    Clear();
    gkPutAnimation.RollPhase = 2;
    gkSystem::FrameDelta = 1;
    gkDraw::PutRoll(0, 0, 1, 4, slot, 0, 0, 4, 5);
    const int rolled[5] = {1, 2, 3, 3, 3};
    for (int y = 0; y < 5; ++y) EXPECT_EQ(RowAt(0, y), rolled[y]) << y;
    EXPECT_FLOAT_EQ(gkPutAnimation.RollPhase, 1);  // 2 + 4 wraps past 5
    gkDraw::PutRoll(0, 0, 0, 4, slot, 0, 0, 4, 5);
    EXPECT_FLOAT_EQ(gkPutAnimation.RollPhase, 2);  // 1 - 4 wraps below 0
    // Fewer than two rows: nothing drawn, no division by zero, the phase stays.
    Clear();
    gkDraw::PutRoll(0, 0, 1, 4, slot, 0, 0, 4, 1);
    EXPECT_EQ(FirstDrawn(0), -1);
    EXPECT_FLOAT_EQ(gkPutAnimation.RollPhase, 2);
    gkDraw::PutRoll(0, 0, 1, 4, slot, 0, 0, 4, 2);  // two rows roll
    EXPECT_GT(RowAt(0, 0) * RowAt(0, 1), 0);
}

TEST_F(Blits, FlipMirrorsAndClipsWithoutMovingTheImage) {
    // 64 × 2, pixel (x, y) = 1 + x + 100 y, except column 5 which is 0 (transparent).
    const int slot = Sprite(64, 2, [](int x, int y) { return x == 5 ? 0u : 1u + x + 100 * y; });
    for (int type = 0; type < 4; ++type) {
        SCOPED_TRACE(type);
        Clear();
        EXPECT_EQ(gkDraw::PutFlip(-16, 3, type, slot, 0, 0, 64, 2), 1);
        // Type 1 at x = -16: source columns 47 down to 0 at screen columns 0-47.
        for (int sx = 0; sx < 48; ++sx)
            for (int v = 0; v < 2; ++v) {
                const int col = type & 1 ? 63 - (sx + 16) : sx + 16;
                const int row = type & 2 ? 1 - v : v;
                const uint32_t want = col == 5 ? kBack : 1u + col + 100 * row;
                ASSERT_EQ(Back(sx, 3 + v), want) << sx << "," << v;
            }
        EXPECT_EQ(Back(48, 3), kBack);
    }
    EXPECT_EQ(gkDraw::PutFlip(-100, 0, 1, slot, 0, 0, 64, 2), 1);  // wholly outside
    EXPECT_EQ(gkDraw::PutFlip(0, 10, 0, slot, 60, 0, 70, 2), 1);   // source past the object
    EXPECT_EQ(Back(0, 10), kBack);
    headless::FailLocks(1);
    EXPECT_EQ(gkDraw::PutFlip(0, 10, 0, slot, 0, 0, 64, 2), 0);
    EXPECT_EQ(Back(0, 10), kBack);
    // A clip rectangle reaching past the screen does not let the copy leave the back screen.
    gkDraw::SetClip(-100, -100, 1000, 1000);
    EXPECT_EQ(gkDraw::PutFlip(40, 47, 3, slot, 0, 0, 64, 2), 1);
    EXPECT_EQ(Back(63, 47), 1u + (63 - 23) + 100);
}

TEST_F(Blits, FlipAndHalfFillWorkOnA32BitDisplay) {
    Restart();
    headless::UseDisplayFormat(PixelFormat::X8R8G8B8);
    ASSERT_EQ(gkDraw::Screen(16, 16, 0), 1);
    EXPECT_EQ(gkScreen.HalfMask, 0x7F7F7Fu);
    gkDraw::WhiteScreen();
    EXPECT_EQ(gkDraw::HalfFillRect(0, 0, 2, 2, 0x00020406), 1);
    EXPECT_EQ(Back(1, 1), 0x7F7F7Fu + 0x010203u);
    const int slot = Sprite(3, 1, [](int x, int) { return x ? 0x00ABCDEFu + x : 0u; });
    EXPECT_EQ(gkDraw::PutFlip(4, 4, 1, slot, 0, 0, 3, 1), 1);
    EXPECT_EQ(Backs({{4, 4}, {5, 4}, {6, 4}}), (V{0xABCDEF + 2, 0xABCDEF + 1, 0xFFFFFF}));
}

}  // namespace
