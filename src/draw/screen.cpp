// Screen set-up and release: the screen state gkScreen, the clip rectangle and the requested
// full-screen depths.
#include "draw/draw.h"

gkScreenState gkScreen;

namespace gkDraw {

void SetClip(int left, int top, int right, int bottom) {
    gkScreen.Clip = {left, top, right, bottom};
}

void SetColorDepth(int depth, int alt1, int alt2) {
    gkScreen.ColorDepth = depth;
    gkScreen.AltDepth1 = alt1;
    gkScreen.AltDepth2 = alt2;
}

}  // namespace gkDraw
