// Clip-rectangle wipes: start, step, close at once and cancel. A wipe moves the edges of
// gkScreen.Clip between the saved full rectangle and a collapsed one by a number of pixels taken
// from the frame time, so it lasts the same time at any frame rate.
#include <algorithm>
#include <cstdlib>

#include "effects/effects.h"
#include "system/system.h"

gkWipeState gkWipe;

namespace {

// Caps one step far beyond any screen so that a huge frame time or speed cannot overflow an edge.
constexpr float kMaxWipeStep = 1 << 20;

// trunc(frame time × speed) + 1 pixels. A negative product (negative speed) or one that is not
// a number counts as 0, so that a wipe always moves towards its end.
int WipeStep() {
    float pixels = gkSystem::FrameDelta * gkWipe.Speed;
    if (!(pixels > 0.0f)) pixels = 0.0f;
    return static_cast<int>(std::min(pixels, kMaxWipeStep)) + 1;
}

// dir -1: an edge moving towards smaller values has reached `to`; dir 1: towards larger ones.
bool Reached(int at, int to, int dir) {
    return dir < 0 ? at <= to : at >= to;
}

// The one edge moved by types 1 to 4, the saved values of it and of the edge facing it, and the
// way it moves while opening.
struct Edge {
    int& at;
    int saved, opposite, out;
};
Edge EdgeOf(int type) {
    plat::Rect& c = gkScreen.Clip;
    const plat::Rect& s = gkWipe.SavedClip;
    switch (type) {
        case 1:
            return {c.top, s.top, s.bottom, -1};
        case 2:
            return {c.bottom, s.bottom, s.top, 1};
        case 3:
            return {c.left, s.left, s.right, -1};
        default:
            return {c.right, s.right, s.left, 1};
    }
}

// Both edges of one axis of Clip with their saved values.
struct Axis {
    int& lo;
    int& hi;
    int savedLo, savedHi;
    int Mid() const { return (savedHi - savedLo) / 2 + savedLo; }
    // Half the slit width, held inside the full rectangle so that a slit never reaches outside
    // it or turns the rectangle inside out.
    int Half() const {
        return std::max(0, std::min(gkWipe.SlitWidth / 2, (savedHi - savedLo) / 2));
    }
    bool Full() const { return lo == savedLo && hi == savedHi; }
};
Axis Horizontal() {
    return {gkScreen.Clip.left, gkScreen.Clip.right, gkWipe.SavedClip.left, gkWipe.SavedClip.right};
}
Axis Vertical() {
    return {gkScreen.Clip.top, gkScreen.Clip.bottom, gkWipe.SavedClip.top, gkWipe.SavedClip.bottom};
}

void Pinch(const Axis& a, int half) {
    a.lo = a.Mid() - half;
    a.hi = a.Mid() + half;
}

// Moves both edges by step, outwards (dir 1) or inwards (dir -1); once either reaches its
// target, both take their targets.
void MovePair(const Axis& a, int lo, int hi, int step, int dir) {
    a.lo -= dir * step;
    a.hi += dir * step;
    if (Reached(a.lo, lo, -dir) || Reached(a.hi, hi, dir)) {
        a.lo = lo;
        a.hi = hi;
    }
}
bool Grow(const Axis& a, int step) {
    MovePair(a, a.savedLo, a.savedHi, step, 1);
    return a.Full();
}
// Closing an axis: unclamped, done once the edges meet or cross.
bool Shrink(const Axis& a, int step) {
    a.lo += step;
    a.hi -= step;
    return a.lo >= a.hi;
}

// The opening wipe's start: the rectangle collapsed by type.
void Collapse(int type) {
    if (type <= 4) {
        Edge e = EdgeOf(type);
        e.at = e.opposite;
        return;
    }
    const Axis x = Horizontal(), y = Vertical();
    if (type != 5) Pinch(x, type == 8 ? x.Half() : 0);
    if (type != 6) Pinch(y, type == 9 ? y.Half() : 0);
}

// One step of an opening wipe; true when it is complete.
bool Open(int type, int step) {
    if (type <= 4) {
        Edge e = EdgeOf(type);
        e.at += e.out * step;
        if (!Reached(e.at, e.saved, e.out)) return false;
        e.at = e.saved;
        return true;
    }
    const Axis x = Horizontal(), y = Vertical();
    switch (type) {
        case 5:
            return Grow(y, step);
        case 6:
            return Grow(x, step);
        case 7: {
            const bool h = Grow(x, step), v = Grow(y, step);
            return h && v;
        }
        case 8:
            Grow(y.Full() ? x : y, step);
            break;
        default:
            Grow(x.Full() ? y : x, step);
            break;
    }
    return x.Full() && y.Full();
}

// Closing types 8 and 9: `slit` narrows to the slit around its centre, then `across` closes.
bool CloseThroughSlit(const Axis& slit, const Axis& across, int step) {
    const int lo = slit.Mid() - slit.Half(), hi = slit.Mid() + slit.Half();
    if (slit.lo != lo && slit.hi != hi) {
        MovePair(slit, lo, hi, step, -1);
        return false;
    }
    return Shrink(across, step);
}

// One step of a closing wipe; true when the rectangle is empty.
bool Close(int type, int step) {
    if (type <= 4) {
        Edge e = EdgeOf(type);
        e.at -= e.out * step;
        return Reached(e.at, e.opposite, -e.out);
    }
    const Axis x = Horizontal(), y = Vertical();
    switch (type) {
        case 5:
            return Shrink(y, step);
        case 6:
            return Shrink(x, step);
        case 7: {
            const bool h = Shrink(x, step), v = Shrink(y, step);
            if (h) Pinch(x, 0);
            if (v) Pinch(y, 0);
            return h && v;
        }
        case 8:
            return CloseThroughSlit(x, y, step);
        default:
            return CloseThroughSlit(y, x, step);
    }
}

}  // namespace

namespace gkDraw {

int StartWipe(int close, int type, float speed, int slitWidth) {
    // A type outside 0..9 would start a wipe that never ends and blocks every later one.
    if (gkWipe.State == 1 || gkWipe.State == 2 || type < 0 || type > 9) return 0;
    if (gkWipe.State == -1) gkScreen.Clip = gkWipe.SavedClip;
    if (type == 0) type = rand() % 9 + 1;
    gkWipe = {close ? 2 : 1, gkScreen.Clip, close, type, speed, slitWidth};
    if (!close) Collapse(type);
    return 1;
}

int StepWipe() {
    if (gkWipe.State != 1 && gkWipe.State != 2) return 0;
    const int step = WipeStep();
    if (gkWipe.Close ? Close(gkWipe.Type, step) : Open(gkWipe.Type, step))
        gkWipe.State = gkWipe.Close ? -1 : 0;
    return 1;
}

void CloseClip() {
    // While a wipe runs or the screen is closed, Clip is partly or wholly collapsed and the
    // saved rectangle is already the full one: keep it, or the full rectangle would be lost.
    if (gkWipe.State == 0) gkWipe.SavedClip = gkScreen.Clip;
    gkScreen.Clip.right = gkScreen.Clip.left;
    gkScreen.Clip.bottom = gkScreen.Clip.top;
    gkWipe.State = -1;
}

void CancelWipe() {
    if (gkWipe.State <= 0) return;
    gkScreen.Clip = gkWipe.SavedClip;
    gkWipe.State = 0;
}

}  // namespace gkDraw
