// Clip-rectangle wipes on a 640 × 480 clip rectangle, timed by the virtual clock: every shape
// opening and closing, step sizes, refused starts, closing at once and the scene-change cancel.
#include <vector>

#include "gk.h"
#include "platform/clock.h"
#include "support/fixture.h"

namespace {

using namespace gkDraw;
using Ints = std::vector<int>;

class Wipes : public gktest::Framework {
  protected:
    // A fresh wipe on the full rectangle at frames of ms milliseconds; StartWipe's result.
    static int Start(int close, int type, float speed, int slit, uint32_t ms = 100) {
        gkWipe = gkWipeState{};
        SetClip(0, 0, 640, 480);
        plat::headless::AdvanceTime(ms);
        gkSystem::UpdateFrameTime();
        return StartWipe(close, type, speed, slit);
    }
    static Ints Clip() {
        const plat::Rect& c = gkScreen.Clip;
        return {c.left, c.top, c.right, c.bottom};
    }
    // Calls of StepWipe that answered 1.
    static int StepsToEnd() {
        int calls = 0;
        while (StepWipe()) ++calls;
        return calls;
    }
};

// 11 pixels per call (100 px/s, 100 ms), slit width 20.
TEST_F(Wipes, EveryShapeOpensToTheFullRectangleAndClosesToAnEmptyOneInBoundedSteps) {
    const struct {
        Ints start, firstOpen, closed;  // closing edges are not clamped on the last call
        int calls;                      // to open or to close, the completing call included
    } shapes[] = {
        {{0, 480, 640, 480}, {0, 469, 640, 480}, {0, 484, 640, 480}, 44},
        {{0, 0, 640, 0}, {0, 0, 640, 11}, {0, 0, 640, -4}, 44},
        {{640, 0, 640, 480}, {629, 0, 640, 480}, {649, 0, 640, 480}, 59},
        {{0, 0, 0, 480}, {0, 0, 11, 480}, {0, 0, -9, 480}, 59},
        {{0, 240, 640, 240}, {0, 229, 640, 251}, {0, 242, 640, 238}, 22},
        {{320, 0, 320, 480}, {309, 0, 331, 480}, {330, 0, 310, 480}, 30},
        {{320, 240, 320, 240}, {309, 229, 331, 251}, {320, 240, 320, 240}, 30},
        {{310, 240, 330, 240}, {310, 229, 330, 251}, {310, 242, 330, 238}, 51},
        {{320, 230, 320, 250}, {309, 230, 331, 250}, {330, 230, 310, 250}, 51},
    };
    for (int type = 1; type <= 9; ++type) {
        SCOPED_TRACE(type);
        const auto& s = shapes[type - 1];
        ASSERT_EQ(Start(0, type, 100.0f, 20), 1);
        EXPECT_EQ(Clip(), s.start);
        StepWipe();
        EXPECT_EQ(Clip(), s.firstOpen);
        EXPECT_EQ((Ints{1 + StepsToEnd(), gkWipe.State}), (Ints{s.calls, 0}));
        EXPECT_EQ(Clip(), (Ints{0, 0, 640, 480}));

        ASSERT_EQ(Start(1, type, 100.0f, 20), 1);
        EXPECT_EQ((Ints{StepsToEnd(), gkWipe.State}), (Ints{s.calls, -1}));
        EXPECT_EQ(Clip(), s.closed);
    }
    Start(1, 8, 100.0f, 20);  // the slit is reached before the vertical close begins
    for (int i = 0; i < 29; ++i) StepWipe();
    EXPECT_EQ(Clip(), (Ints{310, 0, 330, 480}));
    // A step is speed × frame time + 1 pixels, the speed at least 0, at most 2^20 + 1 pixels so
    // that nothing overflows; the slit is at most the rectangle, at least nothing.
    Start(0, 1, -500.0f, 0, 1000);
    StepWipe();
    EXPECT_EQ(Clip(), (Ints{0, 479, 640, 480}));
    Start(1, 4, 1e30f, 0, 4000000000u);
    EXPECT_EQ(StepWipe() + StepWipe(), 1);
    EXPECT_EQ(Clip(), (Ints{0, 0, 640 - (1 << 20) - 1, 480}));
    Start(0, 8, 100.0f, 2000);
    EXPECT_EQ(Clip(), (Ints{0, 240, 640, 240}));
    Start(0, 9, 100.0f, -20);
    EXPECT_EQ(Clip(), (Ints{320, 240, 320, 240}));
}

TEST_F(Wipes, StartsAreRefusedWhileRunningAndClosedScreensReopenInFull) {
    SetClip(10, 20, 110, 220);
    EXPECT_EQ(StepWipe() + StartWipe(0, -1, 100.0f, 0) + StartWipe(0, 10, 100.0f, 0), 0);
    EXPECT_EQ((Ints{gkWipe.State, gkScreen.Clip.right}), (Ints{0, 110}));  // nothing moved
    CloseClip();
    CloseClip();  // closing again keeps the full rectangle
    EXPECT_EQ(Clip(), (Ints{10, 20, 10, 20}));
    EXPECT_EQ(StepWipe(), 0);
    ASSERT_EQ(StartWipe(0, 7, 100.0f, 0), 1);
    EXPECT_EQ(Clip(), (Ints{60, 120, 60, 120}));  // restored, then collapsed to its centre
    EXPECT_EQ(StartWipe(1, 3, 5.0f, 0), 0);
    EXPECT_EQ((Ints{gkWipe.State, gkWipe.Type}), (Ints{1, 7}));
    CloseClip();  // mid-opening: the full rectangle is still the one remembered
    ASSERT_EQ(StartWipe(0, 0, 100.0f, 0), 1);  // type 0 picks one of the nine
    EXPECT_TRUE(gkWipe.Type >= 1 && gkWipe.Type <= 9 && gkWipe.SavedClip.right == 110);
}

// A scene change in the main loop cancels an opening or closing wipe (the full rectangle back)
// but not a closed screen.
TEST_F(Wipes, SceneChangeInTheMainLoopCancelsARunningWipeButNotAClosedScreen) {
    gkApp.Scene = gkApp.PrevScene = 2;
    for (int close : {0, 1, 2}) {
        if (close < 2) Start(close, 7, 100.0f, 0), StepWipe();
        if (close == 2) CloseClip();
        gkSystem::RunFrame();  // same scene: the wipe goes on
        EXPECT_EQ(gkWipe.State, close < 2 ? 1 + close : -1);
        gkApp.Scene = 3 + close;
        gkSystem::RunFrame();
        EXPECT_EQ((Ints{gkWipe.State, gkApp.SceneChanged}), (Ints{close < 2 ? 0 : -1, 1}));
        EXPECT_EQ(Clip(), close < 2 ? (Ints{0, 0, 640, 480}) : (Ints{0, 0, 0, 0}));
    }
}

}  // namespace
