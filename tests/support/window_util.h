// Helpers for the window and input tests: several record fields compared at once, the cursor
// confinement and the message queue as lists.
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

// Takes every waiting message; gives their identifiers in order.
inline Ints Queued() {
    Ints ids;
    plat::Msg msg;
    while (plat::PeekMessage(msg)) ids.push_back(static_cast<int>(msg.message));
    return ids;
}

}  // namespace gktest
