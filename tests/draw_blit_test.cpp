// Drawing on the back screen, checked pixel by pixel: blits, fills and strip puts on a small
// 16-bit screen, primitives on a 640 × 480 one.
#include <map>
#include <tuple>

#include "support/back_screen.h"
#include "support/draw_files.h"
#include "system/system.h"

namespace {

using namespace plat;
using namespace gktest;
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
    // A new w × h object (keyed on black, raw 0) whose pixel (x, y) holds value(x, y); by
    // default row r holds r + 1, so a screen pixel tells its source row.
    static uint32_t RowNumber(int, int y) { return y + 1; }
    static int Sprite(int w, int h, uint32_t (*value)(int x, int y) = RowNumber) {
        const int slot = gkDraw::CreateObject(w, h, 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) gktest::PutRaw(gkSprites[slot].surface, x, y, value(x, y));
        return slot;
    }
    // The source rows shown on screen rows y .. y + n - 1 at column x (0 = untouched).
    static Ints Column(int x, int y, int n) {
        Ints rows;
        for (int i = y; i < y + n; ++i) rows.push_back(Back(x, i) == kBack ? 0 : int(Back(x, i)));
        return rows;
    }
    // The first drawn column of each screen row y .. y + n - 1, or -1.
    static Ints Starts(int y, int n) {
        Ints starts(n, -1);
        for (int i = 0; i < n; ++i)
            for (int x = gkScreen.Width - 1; x >= 0; --x)
                if (Back(x, y + i) != kBack) starts[i] = x;
        return starts;
    }
    // A fresh 640 × 480 screen in grey; gives grey as stored.
    uint32_t GreyScreen() {
        Restart();
        EXPECT_EQ(gkDraw::Screen(640, 480, 0), 1);
        gktest::FillBack(0x808080);
        return gktest::Stored(0x808080);
    }
};

TEST_F(Blits, PutRuleClipsEachEdge_LostSurfacesAreRestoredAndTheDrawDropped) {
    const int wide = Sprite(32, 2, [](int x, int) { return uint32_t(x + 1); });
    gkDraw::PutObject(-10, 0, wide, 0, 0, 32, 2);  // source columns 10-31 at 0-21
    gkDraw::PutObject(54, 10, wide, 0, 0, 32, 2);  // right edge 64: source columns 0-9 only
    EXPECT_EQ(Backs({{0, 0}, {21, 0}, {22, 0}, {53, 10}, {54, 10}, {63, 10}}),
              (V{11, 32, kBack, kBack, 1, 10}));

    // Column 0 is the key; the second keyed put caches the object's opaque runs.
    const int slot = Sprite(32, 4, [](int x, int y) { return x ? y + 1u : 0u; });
    gkDraw::PutObject(0, 40, slot, 0, 0, 32, 4);
    gkDraw::PutObject(0, 40, slot, 0, 0, 32, 4);
    headless::LoseAllSurfaces();
    // Wholly left of the clip rectangle: skipped before the blitter, loss unnoticed.
    gkDraw::PutObject(-40, 30, slot, 0, 0, 32, 4);
    EXPECT_EQ(IsLost(gkScreen.Back), DDERR_SURFACELOST);
    for (bool grab : {false, true}) {
        headless::LoseAllSurfaces();
        grab ? gkDraw::GrabScreen(slot, 0, 0, 8, 8) : gkDraw::PutObject(0, 30, slot, 0, 0, 32, 4);
        // Dropped, not repeated after the repair.
        EXPECT_EQ(
            std::tuple(IsLost(gkScreen.Back), IsLost(gkSprites[slot].surface), Back(1, 30) != 1),
            std::tuple(DD_OK, DD_OK, true));
    }
    // The restored object holds no key at all: the cached runs went with the old pixels.
    Clear();
    gkDraw::PutObject(0, 40, slot, 0, 0, 32, 4);
    EXPECT_NE(Back(0, 40), kBack);

    gkDraw::SetClip(8, 20, 30, 23);  // top and bottom: rows 20-22 only
    gkDraw::PutObject(8, 18, Sprite(4, 10), 0, 0, 4, 10);
    EXPECT_EQ(Column(8, 19, 5), (Ints{0, 3, 4, 5, 0}));
}

TEST_F(Blits, VariantsKeyOrCopyAllObjectsClipToTheClipRectangle_StretchesAndFills) {
    // 0 is the key: a checkerboard of key and 7.
    const int checker = Sprite(4, 4, [](int x, int y) { return (x + y) % 2 ? 7u : 0u; });
    gkDraw::PutObject(0, 0, checker, 0, 0, 4, 4);
    gkDraw::PutObjectOpaque(10, 0, checker, 0, 0, 4, 4);
    EXPECT_EQ(Backs({{0, 0}, {1, 0}, {10, 0}, {11, 0}}), (V{kBack, 7, 0, 7}));

    const int target = Sprite(50, 50, [](int, int) { return 5u; });
    gkDraw::SetClip(100, 100, 200, 200);  // the clip rectangle limits puts into objects too
    gkDraw::PutObjectOpaqueOnObject(target, 20, 20, checker, 0, 0, 4, 4);
    gkDraw::SetClip(0, 0, 64, 48);
    gkDraw::PutObjectOnObject(target, 2, 2, checker, 0, 0, 4, 4);
    // A put reaching past the 50-pixel object is refused by the blitter.
    gkDraw::PutObjectOpaqueOnObject(target, 48, 0, checker, 0, 0, 4, 4);
    gkDraw::GrabScreen(target, 10, 0, 14, 2);  // back screen rectangle to the object's origin
    const Surface* t = gkSprites[target].surface;
    EXPECT_EQ(Raws(t, {{20, 20}, {2, 2}, {3, 2}, {48, 0}, {0, 0}, {1, 0}, {4, 0}}),
              (V{5, 5, 7, 5, 0, 7, 5}));

    // 2 × 2: 1 2 / 0 3, doubled to 4 × 4; the 0 is black, the key of the object and of slot 0.
    const int small = Sprite(2, 2, [](int x, int y) { return uint32_t(y ? (x ? 3 : 0) : x + 1); });
    const V want = {1, 1, 2, 2, 1, 1, 2, 2, kBack, kBack, 3, 3, kBack, kBack, 3, 3};
    for (int canStretch : {1, 0}) {
        gkScreen.CanStretch = canStretch;
        Clear();
        gkDraw::PutStretch(4, 4, small, 0, 0, 2, 2, 4, 4);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(Back(4 + i % 4, 4 + i / 4), want[i]) << canStretch << i;
        gkDraw::PutStretchOpaque(20, 4, small, 0, 0, 2, 2, 4, 4);
        // An empty source rectangle draws nothing, whatever the buffer held before.
        gkDraw::PutStretchOpaque(30, 4, small, 1, 0, 1, 2, 4, 4);
        EXPECT_EQ(Backs({{20, 6}, {22, 6}, {30, 4}}), (V{0, 3, kBack})) << canStretch;
    }

    // Fills use raw values and refuse rectangles outside the screen.
    const int slot = Sprite(3, 3);
    EXPECT_EQ((Ints{gkDraw::FillRect(0, 0, 2, 2, 0xABCD1234), gkDraw::WhiteRect(4, 0, 5, 1),
                    gkDraw::ClearRect(0, 0, 1, 1), gkDraw::ClearFrame(10, 10, 20, 20),
                    gkDraw::FillRect(60, 0, 70, 2, 5) == DD_OK,  // past the right edge
                    gkDraw::ClearObject(slot), int(Raw(gkSprites[slot].surface, 2, 2))}),
              (Ints{DD_OK, DD_OK, DD_OK, DD_OK, false, DD_OK, 0}));
    EXPECT_EQ(Backs({{1, 1}, {2, 1}, {4, 0}, {0, 0}, {1, 0}, {60, 0}}),
              (V{0x1234, kBack, 0xFFFF, 0, 0x1234, kBack}));
    // The frame is the outline of [10, 20) × [10, 20) only.
    EXPECT_EQ(Backs({{10, 10}, {15, 10}, {19, 15}, {15, 19}, {10, 15}, {19, 19}}), V(6, 0));
    EXPECT_EQ(Backs({{11, 11}, {18, 18}, {15, 9}, {20, 15}, {15, 20}, {9, 15}}), V(6, kBack));

    // The 50 % fill blends inside the clip rectangle.
    EXPECT_EQ(gkDraw::WhiteScreen(), DD_OK);
    gkDraw::SetClip(0, 0, 8, 8);
    EXPECT_EQ(gkDraw::HalfFillRect(4, 4, 100, 100, 0), 1);  // colour 0 halves every channel
    // Wholly outside: 1 without locking (the failing lock stays for the next caller).
    headless::FailLocks(1);
    EXPECT_EQ((Ints{gkDraw::HalfFillRect(20, 20, 30, 30, 0), gkDraw::HalfFillRect(1, 1, 2, 2, 0)}),
              (Ints{1, 0}));
    EXPECT_EQ(Backs({{7, 7}, {8, 7}, {3, 4}, {1, 1}}), (V{0x7BEF, 0xFFFF, 0xFFFF, 0xFFFF}));
}

TEST_F(Blits, StripPutsMapSourceRowsAndKeepTheirPhases) {
    const int slot = Sprite(4, 10);
    // Period 0 and phase 60: row r moves by trunc(10 cos((r + 60)°)), in its own row.
    gkSystem::FrameDelta = 0.5f;
    gkPutAnimation.WavePhase = 60;
    gkDraw::PutWave(20, 2, 10, 0, 620, slot, 0, 0, 4, 10, 0);
    EXPECT_EQ(Starts(2, 10), (Ints{25, 24, 24, 24, 24, 24, 24, 23, 23, 23}));
    EXPECT_EQ(Column(26, 2, 10), (Ints{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_FLOAT_EQ(gkPutAnimation.WavePhase, 60 + 310 - 360);

    // Alternating sign over an odd number of rows: the next call starts negative. At phase 10
    // every row moves by trunc(10 cos 10°) = 9.
    gkDraw::PutWave(20, 20, 10, 1000, 0, slot, 0, 0, 4, 3, 1);
    gkDraw::PutWave(20, 23, 10, 1000, 0, slot, 0, 0, 4, 1, 1);
    EXPECT_EQ(Starts(20, 4), (Ints{29, 11, 29, 11}));

    // The scrolling wave wraps source rows.
    Clear();
    gkPutAnimation.WaveScrollRow = 3;
    gkDraw::PutWaveScroll(0, 0, 0, 0, 0, 0, slot, 0, 0, 4, 10);  // source rows 3..9, 0..2
    EXPECT_EQ(Column(0, 0, 10), (Ints{4, 5, 6, 7, 8, 9, 10, 1, 2, 3}));
    // Scroll moves back by speed × FrameDelta and wraps into 0..h: 3 - 4 + 10.
    gkSystem::FrameDelta = 1;
    gkDraw::PutWaveScroll(0, 0, 0, 0, 0, 4, slot, 0, 0, 4, 10);
    EXPECT_FLOAT_EQ(gkPutAnimation.WaveScrollRow, 9);

    const int tile = Sprite(5, 7, [](int x, int y) { return uint32_t(1 + x + 8 * y); });
    gkDraw::PutScrollTiles(0, 0, tile, 0, 0, 5, 7);
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 3) ASSERT_EQ(Back(x, y), uint32_t(1 + x % 5 + 8 * (y % 7)));
    gkDraw::PutScrollTiles(-6, 2, tile, 0, 0, 5, 7);
    // -6 is below -5: +5; 2 is above 0: -7. The next tiling starts at the offset (-1, -5).
    EXPECT_EQ(std::pair(gkPutAnimation.TileX, gkPutAnimation.TileY), std::pair(-1.0f, -5.0f));
    gkDraw::PutScrollTiles(0, 0, tile, 0, 0, 5, 7);
    EXPECT_EQ(Back(0, 0), uint32_t(1 + 1 + 8 * 5));

    // A band of rows 30-39 tiled with the image's rows from the top, waving by 0.
    Clear();
    gkDraw::PutWaveTiles(30, 40, 0, 0, 0, 0, tile, 0, 0, 5, 7);
    EXPECT_EQ(Backs({{0, 29}, {7, 30}, {63, 38}, {0, 40}}),
              (V{kBack, 1 + 2, 1 + 63 % 5 + 8 * 1, kBack}));

    // Empty images tile nothing instead of dividing by zero.
    Clear();
    gkDraw::PutScrollTiles(0, 0, tile, 0, 0, 0, 7);
    gkDraw::PutWaveTiles(0, 10, 0, 0, 0, 0, tile, 0, 0, 5, 0);
    EXPECT_EQ(Starts(0, 48), Ints(48, -1));

    // Mosaics, skipped rows, shakes and rolls map source rows.
    gkDraw::PutRowMosaic(0, 0, 4, slot, 0, 0, 4, 10);   // rows 0, 4, 8 four times each
    gkDraw::PutRowMosaic(10, 0, 0, slot, 0, 0, 4, 10);  // no rows per block: nothing, no hang
    gkDraw::PutSkipRows(20, 0, 2, slot, 0, 1, 4, 10);   // rows 3, 5, 7, 9 at their places
    gkDraw::PutSkipRows(30, 0, 0, slot, 0, 0, 4, 10);
    gkDraw::PutSkipRows(40, 0, -1, slot, 0, 0, 4, 10);  // gaps of exactly one: all but row 0
    EXPECT_EQ((std::vector{Column(0, 0, 13), Column(10, 0, 12), Column(20, 0, 10),
                           Column(30, 0, 10), Column(40, 0, 10)}),
              (std::vector{Ints{1, 1, 1, 1, 5, 5, 5, 5, 9, 9, 9, 9, 0}, Ints(12, 0),
                           Ints{0, 0, 4, 0, 6, 0, 8, 0, 10, 0}, Ints(10, 0),
                           Ints{0, 2, 3, 4, 5, 6, 7, 8, 9, 10}}));

    Clear();
    gkDraw::PutShake(10, 0, 0, slot, 0, 0, 4, 10);
    EXPECT_EQ(Starts(0, 10), Ints(10, 10));
    gkDraw::PutShake(30, 20, 2, slot, 0, 0, 4, 10);
    for (int y = 20; y < 30; ++y)  // within 30 - 2 .. 30 + 1, each row in its own place
        EXPECT_EQ(std::pair(Starts(y, 1)[0] / 4, Column(Starts(y, 1)[0], y, 1)),
                  std::pair(7, Ints{y - 19}));

    // Roll of 5 rows at phase 2: the drum shows source rows 0, 1, 2, 2, 2.
    gkPutAnimation.RollPhase = 2;
    gkDraw::PutRoll(0, 0, 1, 4, slot, 0, 0, 4, 5);
    EXPECT_EQ(std::pair(Column(0, 0, 5), gkPutAnimation.RollPhase),
              std::pair(Ints{1, 2, 3, 3, 3}, 1.0f));  // 2 + 4 wraps past 5
    gkDraw::PutRoll(0, 0, 0, 4, slot, 0, 0, 4, 5);
    gkDraw::PutRoll(0, 0, 0, 2, slot, 0, 0, 4, 5);
    EXPECT_FLOAT_EQ(gkPutAnimation.RollPhase, 0);  // 1 - 4 wraps below 0 to 2; 2 - 2 is 0, kept
    // Fewer than two rows: nothing drawn, no division by zero, the phase stays; two rows roll.
    gkDraw::PutRoll(20, 0, 1, 4, slot, 0, 0, 4, 1);
    EXPECT_EQ(std::pair(Column(20, 0, 1), gkPutAnimation.RollPhase), std::pair(Ints{0}, 0.0f));
    gkDraw::PutRoll(40, 0, 1, 4, slot, 0, 0, 4, 2);
    EXPECT_EQ(Column(40, 0, 2), (Ints{1, 1}));
}

TEST_F(Blits, FlipMirrorsAndClipsWithoutMovingTheImage) {
    // 64 × 2, pixel (x, y) = 1 + x + 100 y, except column 5 which is 0 (transparent).
    const int slot = Sprite(64, 2, [](int x, int y) { return x == 5 ? 0u : 1u + x + 100 * y; });
    // At x = -16 the screen shows source columns 16-63 (type 1: 47 down to 0), rows 0-1 (types
    // 2, 3: 1 then 0); column 48 is untouched, source column 5 keyed.
    const V flips[] = {{17, 117, 59, 164, kBack},
                       {48, 148, kBack, 101, kBack},
                       {117, 17, 159, 64, kBack},
                       {148, 48, kBack, 1, kBack}};
    for (int type = 0; type < 4; ++type) {
        Clear();
        EXPECT_EQ(gkDraw::PutFlip(-16, 3, type, slot, 0, 0, 64, 2), 1);
        EXPECT_EQ(Backs({{0, 3}, {0, 4}, {42, 3}, {47, 4}, {48, 3}}), flips[type]) << type;
    }
    EXPECT_EQ(gkDraw::PutFlip(-100, 0, 1, slot, 0, 0, 64, 2), 1);  // wholly outside
    EXPECT_EQ(gkDraw::PutFlip(0, 10, 0, slot, 60, 0, 70, 2), 1);   // source past the object
    headless::FailLocks(1);
    EXPECT_EQ(gkDraw::PutFlip(0, 10, 0, slot, 0, 0, 64, 2), 0);
    // A clip rectangle reaching past the screen does not let the copy leave the back screen.
    gkDraw::SetClip(-100, -100, 1000, 1000);
    EXPECT_EQ(gkDraw::PutFlip(40, 47, 3, slot, 0, 0, 64, 2), 1);
    EXPECT_EQ(Backs({{0, 10}, {63, 47}}), (V{kBack, 1u + (63 - 23) + 100}));
}

TEST_F(Blits, PrimitivesOnTheWholeScreenInGdiColours) {
    uint32_t grey = GreyScreen();
    gkDraw::DrawBox(280, 200, 320, 240, 0, 0xFF, 1);
    EXPECT_EQ(std::pair(Find(0xFF).Edges(), Find(0).Edges()),
              std::pair(std::tuple(280, 200, 319, 239), std::tuple(281, 201, 318, 238)));
    EXPECT_EQ(Find(0xFF, 281, 201, 319, 239).right + Find(grey, 281, 201, 319, 239).right, -2);
    gkDraw::SetClip(100, 100, 200, 200);
    gkDraw::DrawBox(-10, -10, 20, 20, 0xFFFF, 0xFF00, 1);
    gkDraw::DrawBox(630, 470, 660, 500, 0xFFFF, 0xFF00, 1);
    EXPECT_EQ((V{BackAt(0, 0), BackAt(19, 5), BackAt(20, 5), BackAt(639, 479), BackAt(630, 479)}),
              (V{0xFFFF, 0xFF00, grey, 0xFFFF, 0xFF00}));

    // Lines leave out their end point unless the pen is wide.
    grey = GreyScreen();
    gkDraw::DrawLine(0, 0, 10, 0, 0xFFFFFF, 1);
    gkDraw::DrawLine(50, 60, 50, 50, 0xFF, 1);        // upwards
    gkDraw::DrawLine(100, 100, 104, 104, 0xFF00, 1);  // diagonal
    gkDraw::DrawLine(100, 200, 120, 200, 0xFF0000, 5);
    gkDraw::DrawLine(-100000, 300, 100000, 300, 0xFFFF00, 1);  // cut to the screen first
    EXPECT_EQ((std::vector{Find(0xFFFFFF).Edges(), Find(0xFF).Edges(), Find(0xFF00).Edges(),
                           Find(0xFF0000).Edges(), Find(0xFFFF00).Edges()}),
              (std::vector{std::tuple(0, 0, 9, 0), std::tuple(50, 51, 50, 60),
                           std::tuple(100, 100, 103, 103), std::tuple(98, 198, 122, 202),
                           std::tuple(0, 300, 639, 300)}));
    EXPECT_EQ(Find(grey, 100, 198, 121, 203).right + Find(0xFF00, 101, 100, 102, 101).right, -2);

    // A 40×40 square in each fill mode: 0 outline only, 1 a diagonal hatch (both diagonals at
    // least) with its gaps in the background colour, 2 the hatch over what was there.
    for (int mode = 0; mode < 3; ++mode) {
        grey = GreyScreen();
        plat::Point square[] = {{100, 100}, {140, 100}, {140, 140}, {100, 140}};
        gkDraw::DrawPolygon(square, 4, 0xFF, 0xFF0000, 1, mode);
        std::map<uint32_t, int> n;  // pixels by colour, the outline included
        for (int i = 0; i < 41 * 41; ++i) ++n[BackAt(100 + i % 41, 100 + i / 41)];
        const int ink = n[0xFF], back = n[0xFF0000], old = n[grey];
        EXPECT_EQ(Find(0xFF).Edges(), std::tuple(100, 100, 140, 140)) << mode;
        EXPECT_EQ(
            std::tuple(ink + back + old, ink == 160, ink > 160 + 39 * 2, back > ink, old == 39 * 39,
                       old > 0, back > 0),
            std::tuple(41 * 41, mode == 0, mode > 0, mode == 1, mode == 0, mode != 1, mode == 1))
            << mode;
    }
    // A five-pointed star beside the last square: its centre is enclosed twice and so stays
    // outside.
    plat::Point star[] = {{300, 100}, {359, 280}, {205, 170}, {395, 170}, {241, 280}};
    gkDraw::DrawPolygon(star, 5, 0xFF, 0xFF0000, 1, 1);
    EXPECT_EQ(Find(0xFF0000, 290, 195, 310, 215).right + Find(0xFF, 290, 195, 310, 215).right, -2);
    EXPECT_TRUE(BackAt(300, 130) != grey && BackAt(220, 172) != grey);

    // Bezier curves run from start to end.
    plat::Point straight[] = {{10, 300}, {20, 300}, {30, 300}, {40, 300}};
    gkDraw::DrawBezier(straight, 4, 0xFF00, 1);
    EXPECT_EQ(Find(0xFF00).Edges(), std::tuple(10, 300, 40, 300));
    EXPECT_EQ(Find(grey, 10, 300, 41, 301).right, -1);
    // Two joined curves bulging upwards: the joint and the ends are on the curve, the controls
    // are not; a count that is not 1 + 3n draws nothing.
    plat::Point arcs[] = {{100, 400}, {100, 340}, {160, 340}, {160, 400},
                          {160, 340}, {220, 340}, {220, 400}};
    gkDraw::DrawBezier(arcs, 7, 0xFF, 1);
    gkDraw::DrawBezier(arcs, 6, 0xFF0000, 1);
    EXPECT_EQ((V{BackAt(100, 400), BackAt(160, 400), BackAt(220, 400), BackAt(130, 355),
                 BackAt(100, 340)}),
              (V{0xFF, 0xFF, 0xFF, 0xFF, grey}));  // the first arc's top: 400 - 0.75 × 60

    // Pixels read back through the display format; outside the screen: white, nothing written.
    auto get = [](int x, int y) {
        int r = 0, g = 0, b = 0;
        gkDraw::GetPixel(x, y, &r, &g, &b);
        return std::tuple(r, g, b);
    };
    gkDraw::SetPixel(6, 5, 0x204080);  // 5-6-5 with the top bits repeated
    EXPECT_EQ(get(6, 5), std::tuple(132, 65, 33));
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {640, 0}, {0, 480}, {100000, 100000}}) {
        gkDraw::SetPixel(x, y, 0);
        EXPECT_EQ(get(x, y), std::tuple(255, 255, 255)) << x << "," << y;
    }
    EXPECT_EQ(BackAt(639, 0), grey);
}

}  // namespace
