// Primitive drawing on the back screen: exact pixels of boxes, lines, polygons in the three fill
// modes, Bezier curves, and pixel read-back inside and outside the screen.
#include <tuple>

#include "draw/draw.h"
#include "support/back_screen.h"
#include "support/fixture.h"

namespace {

using gktest::BackAt;
using gktest::FillBack;
using gktest::Find;
using gktest::Stored;
using V = std::vector<uint32_t>;
constexpr uint32_t kGrey = 0x808080;

class PrimitivesTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(gkDraw::Screen(640, 480, 0), 1);
        FillBack(kGrey);
        grey = Stored(kGrey);
    }
    uint32_t grey = 0;
};

TEST_F(PrimitivesTest, BoxesHaveAnOuterRingAndClipToTheScreenNotTheClipRectangle) {
    gkDraw::DrawBox(280, 200, 320, 240, 0, 0xFF, 1);
    EXPECT_EQ(Find(0xFF).Edges(), std::tuple(280, 200, 319, 239));
    EXPECT_EQ(Find(0).Edges(), std::tuple(281, 201, 318, 238));
    EXPECT_EQ(Find(0xFF, 281, 201, 319, 239).right, -1);  // the ring only
    EXPECT_EQ(Find(grey, 281, 201, 319, 239).right, -1);  // filled whole
    gkDraw::SetClip(100, 100, 200, 200);
    gkDraw::DrawBox(-10, -10, 20, 20, 0xFFFF, 0xFF00, 1);
    gkDraw::DrawBox(630, 470, 660, 500, 0xFFFF, 0xFF00, 1);
    EXPECT_EQ((V{BackAt(0, 0), BackAt(19, 5), BackAt(20, 5), BackAt(639, 479), BackAt(630, 479)}),
              (V{0xFFFF, 0xFF00, grey, 0xFFFF, 0xFF00}));
}

TEST_F(PrimitivesTest, LinesLeaveOutTheirEndPointUnlessThePenIsWide) {
    gkDraw::DrawLine(0, 0, 10, 0, 0xFFFFFF, 1);
    gkDraw::DrawLine(50, 60, 50, 50, 0xFF, 1);        // upwards
    gkDraw::DrawLine(100, 100, 104, 104, 0xFF00, 1);  // diagonal
    EXPECT_EQ(Find(0xFFFFFF).Edges(), std::tuple(0, 0, 9, 0));
    EXPECT_EQ(Find(0xFF).Edges(), std::tuple(50, 51, 50, 60));
    EXPECT_EQ(Find(0xFF00).Edges(), std::tuple(100, 100, 103, 103));
    EXPECT_EQ(BackAt(101, 100), grey);
    gkDraw::DrawLine(100, 200, 120, 200, 0xFF0000, 5);
    EXPECT_EQ(Find(0xFF0000, 90, 190, 130, 210).Edges(), std::tuple(98, 198, 122, 202));
    EXPECT_EQ(Find(grey, 100, 198, 121, 203).right, -1);
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
        EXPECT_EQ(std::tuple(BackAt(141, 120), BackAt(120, 141)), std::tuple(grey, grey));
        int ink = 0, back = 0, old = 0;  // inside pixels by colour
        for (int y = 101; y < 140; ++y)
            for (int x = 101; x < 140; ++x) {
                ink += BackAt(x, y) == 0xFF;
                back += BackAt(x, y) == 0xFF0000;
                old += BackAt(x, y) == grey;
            }
        EXPECT_EQ(ink + back + old, 39 * 39);
        EXPECT_EQ(std::tuple(ink > 39 * 2, back > ink, old > 0, old == 39 * 39, back > 0),
                  std::tuple(mode > 0, mode == 1, mode != 1, mode == 0, mode == 1));
    }
    // A five-pointed star: its centre is enclosed twice and so stays outside.
    FillBack(kGrey);
    plat::Point star[] = {{300, 100}, {359, 280}, {205, 170}, {395, 170}, {241, 280}};
    gkDraw::DrawPolygon(star, 5, 0xFF, 0xFF0000, 1, 1);
    EXPECT_EQ(Find(0xFF0000, 290, 195, 310, 215).right + Find(0xFF, 290, 195, 310, 215).right, -2);
    EXPECT_NE(BackAt(300, 130), grey);  // inside the top point
    EXPECT_NE(BackAt(220, 172), grey);  // inside the left point
}

TEST_F(PrimitivesTest, BezierRunsFromStartToEnd) {
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
    EXPECT_EQ(BackAt(639, 0), grey);
}

}  // namespace
