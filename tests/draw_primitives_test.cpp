// Primitive drawing on the back screen: exact pixels of boxes, lines, polygons in the three fill
// modes, Bezier curves, and pixel read-back inside and outside the screen.
#include <tuple>

#include "draw/draw.h"
#include "support/back_screen.h"
#include "support/fixture.h"

namespace {

using gktest::BackAt;
using gktest::FillBack;
using gktest::Stored;
constexpr uint32_t kGrey = 0x808080;

class PrimitivesTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        FillBack(kGrey);
    }
};

TEST_F(PrimitivesTest, BoxIsBlackWithARedOuterRing) {
    gkDraw::DrawBox(280, 200, 320, 240, 0, 0xFF, 1);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(BackAt(280 + i, 200), 0xFFu) << i;
        EXPECT_EQ(BackAt(280 + i, 239), 0xFFu) << i;
        EXPECT_EQ(BackAt(280, 200 + i), 0xFFu) << i;
        EXPECT_EQ(BackAt(319, 200 + i), 0xFFu) << i;
    }
    for (int y = 201; y < 239; ++y) {
        for (int x = 281; x < 319; ++x) ASSERT_EQ(BackAt(x, y), 0u) << x << "," << y;
    }
    EXPECT_EQ(BackAt(279, 220), Stored(kGrey));
    EXPECT_EQ(BackAt(320, 220), Stored(kGrey));
    EXPECT_EQ(BackAt(300, 199), Stored(kGrey));
    EXPECT_EQ(BackAt(300, 240), Stored(kGrey));
}

TEST_F(PrimitivesTest, BoxesAreClippedToTheScreenNotToTheClipRectangle) {
    gkDraw::SetClip(100, 100, 200, 200);
    gkDraw::DrawBox(-10, -10, 20, 20, 0xFFFF, 0xFF00, 1);
    EXPECT_EQ(BackAt(0, 0), 0xFFFFu);
    EXPECT_EQ(BackAt(19, 5), 0xFF00u);
    EXPECT_EQ(BackAt(20, 5), Stored(kGrey));
    gkDraw::DrawBox(630, 470, 660, 500, 0xFFFF, 0xFF00, 1);
    EXPECT_EQ(BackAt(639, 479), 0xFFFFu);
    EXPECT_EQ(BackAt(630, 479), 0xFF00u);
}

TEST_F(PrimitivesTest, LinesLeaveOutTheirEndPoint) {
    gkDraw::DrawLine(0, 0, 10, 0, 0xFFFFFF, 1);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(BackAt(x, 0), 0xFFFFFFu) << x;
    EXPECT_EQ(BackAt(10, 0), Stored(kGrey));

    gkDraw::DrawLine(50, 60, 50, 50, 0xFF, 1);  // upwards
    EXPECT_EQ(BackAt(50, 60), 0xFFu);
    EXPECT_EQ(BackAt(50, 51), 0xFFu);
    EXPECT_EQ(BackAt(50, 50), Stored(kGrey));

    gkDraw::DrawLine(100, 100, 104, 104, 0xFF00, 1);  // diagonal
    for (int i = 0; i < 4; ++i) EXPECT_EQ(BackAt(100 + i, 100 + i), 0xFF00u) << i;
    EXPECT_EQ(BackAt(104, 104), Stored(kGrey));
    EXPECT_EQ(BackAt(101, 100), Stored(kGrey));
}

TEST_F(PrimitivesTest, WidePensDrawAroundThePathIncludingTheEnd) {
    gkDraw::DrawLine(100, 200, 120, 200, 0xFF0000, 5);
    for (int x = 100; x <= 120; ++x) {
        for (int dy = -2; dy <= 2; ++dy)
            ASSERT_EQ(BackAt(x, 200 + dy), 0xFF0000u) << x << " " << dy;
    }
    EXPECT_EQ(BackAt(110, 197), Stored(kGrey));
    EXPECT_EQ(BackAt(110, 203), Stored(kGrey));
    EXPECT_EQ(BackAt(123, 200), Stored(kGrey));
}

// A 40×40 square in each fill mode: 0 outline only, 1 a diagonal hatch (both diagonals at
// least) with its gaps in the background colour, 2 the hatch over what was there.
TEST_F(PrimitivesTest, PolygonFillModes) {
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        FillBack(kGrey);
        plat::Point square[] = {{100, 100}, {140, 100}, {140, 140}, {100, 140}};
        gkDraw::DrawPolygon(square, 4, 0xFF, 0xFF0000, 1, mode);
        for (int i = 0; i <= 40; ++i)
            for (auto [x, y] :
                 {std::pair{100 + i, 100}, {100 + i, 140}, {100, 100 + i}, {140, 100 + i}})
                ASSERT_EQ(BackAt(x, y), 0xFFu) << x << "," << y;
        EXPECT_EQ(BackAt(141, 120), Stored(kGrey));
        EXPECT_EQ(BackAt(120, 141), Stored(kGrey));
        int ink = 0, back = 0, old = 0;  // inside pixels by colour
        for (int y = 101; y < 140; ++y)
            for (int x = 101; x < 140; ++x) {
                ink += BackAt(x, y) == 0xFF;
                back += BackAt(x, y) == 0xFF0000;
                old += BackAt(x, y) == Stored(kGrey);
            }
        EXPECT_EQ(ink + back + old, 39 * 39);
        EXPECT_EQ(ink > 39 * 2, mode > 0) << ink;
        EXPECT_EQ(back > ink, mode == 1) << back;
        EXPECT_EQ(old > 0, mode != 1) << old;
        EXPECT_EQ(old == 39 * 39, mode == 0) << old;
        EXPECT_EQ(back > 0, mode == 1) << back;
    }
}

TEST_F(PrimitivesTest, SelfCrossingPolygonFillsByTheAlternateRule) {
    // A five-pointed star: its centre is enclosed twice and so stays outside.
    plat::Point star[] = {{300, 100}, {359, 280}, {205, 170}, {395, 170}, {241, 280}};
    gkDraw::DrawPolygon(star, 5, 0xFF, 0xFF0000, 1, 1);
    for (int y = 195; y < 215; ++y) {
        for (int x = 290; x < 310; ++x) ASSERT_EQ(BackAt(x, y), Stored(kGrey)) << x << "," << y;
    }
    EXPECT_NE(BackAt(300, 130), Stored(kGrey));  // inside the top point
    EXPECT_NE(BackAt(220, 172), Stored(kGrey));  // inside the left point
}

TEST_F(PrimitivesTest, BezierRunsFromStartToEnd) {
    plat::Point straight[] = {{10, 300}, {20, 300}, {30, 300}, {40, 300}};
    gkDraw::DrawBezier(straight, 4, 0xFF00, 1);
    for (int x = 10; x <= 40; ++x) EXPECT_EQ(BackAt(x, 300), 0xFF00u) << x;
    EXPECT_EQ(BackAt(41, 300), Stored(kGrey));
    EXPECT_EQ(BackAt(9, 300), Stored(kGrey));

    // Two joined curves bulging upwards: the joint and the ends are on the curve, the controls
    // are not.
    plat::Point arcs[] = {{100, 400}, {100, 340}, {160, 340}, {160, 400},
                          {160, 340}, {220, 340}, {220, 400}};
    gkDraw::DrawBezier(arcs, 7, 0xFF, 1);
    EXPECT_EQ(BackAt(100, 400), 0xFFu);
    EXPECT_EQ(BackAt(160, 400), 0xFFu);
    EXPECT_EQ(BackAt(220, 400), 0xFFu);
    EXPECT_EQ(BackAt(130, 355), 0xFFu);  // top of the first arc: 400 - 0.75 × 60
    EXPECT_EQ(BackAt(100, 340), Stored(kGrey));
    // A count that is not 1 + 3n draws nothing.
    gkDraw::DrawBezier(arcs, 6, 0xFF0000, 1);
    EXPECT_EQ(BackAt(100, 400), 0xFFu);
}

// Read back through the display format; outside the screen: white, and nothing written.
TEST_F(PrimitivesTest, PixelsReadBackInsideAndOutsideTheScreen) {
    auto get = [](int x, int y) {
        int r = 0, g = 0, b = 0;
        gkDraw::GetPixel(x, y, &r, &g, &b);
        return std::tuple(r, g, b);
    };
    gkDraw::SetPixel(5, 5, 0xFF);
    EXPECT_EQ(get(5, 5), std::tuple(255, 0, 0));
    gkDraw::SetPixel(6, 5, 0x204080);
    EXPECT_EQ(get(6, 5), std::tuple(132, 65, 33));  // 5-6-5 with the top bits repeated
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {640, 0}, {0, 480}, {100000, 100000}}) {
        gkDraw::SetPixel(x, y, 0);
        EXPECT_EQ(get(x, y), std::tuple(255, 255, 255)) << x << "," << y;
    }
    EXPECT_EQ(BackAt(639, 0), Stored(kGrey));
}

}  // namespace
