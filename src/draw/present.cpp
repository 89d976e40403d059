// The present and its overlay state. The transition advances one step per present: +1 from
// step 1 up to 10 for a fade-out, -1 from 10 down to 1 for a fade-in, then it stops.
#include "draw/draw.h"

gkPresentState gkPresent;

namespace gkDraw {

static void AdvanceTransition() {
    gkPresent.TransitionStep += gkPresent.TransitionDirection;
    if ((gkPresent.TransitionDirection < 0 && gkPresent.TransitionStep < 1) ||
        (gkPresent.TransitionDirection > 0 && gkPresent.TransitionStep > 10)) {
        gkPresent.TransitionStep = 0;
        gkPresent.TransitionDirection = 0;
    }
}

void Present() {
    if (gkPresent.TransitionStep != 0) AdvanceTransition();
}

}  // namespace gkDraw
