// Helpers for the window and input tests: several record fields compared at once, and the
// cursor confinement as a list.
#pragma once

#include <vector>

#include "platform/window.h"

namespace gktest {

using Ints = std::vector<int>;

// The cursor confinement as left, top, right, bottom; empty while the cursor is free.
inline Ints Clip() {
    plat::Rect r;
    return plat::headless::CursorClip(r) ? Ints{r.left, r.top, r.right, r.bottom} : Ints{};
}

}  // namespace gktest
