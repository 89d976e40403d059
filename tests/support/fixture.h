// Test fixture: every test starts on the headless backend from a clean process-wide state; the
// cursor confinement and the message queue as lists, to compare several values at once.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/window.h"

namespace gktest {

using Ints = std::vector<int>;

// Puts every module's process-wide records back to their start-up values and selects the
// headless backend with its virtual clock at 0.
void ResetFramework();

class Framework : public ::testing::Test {
  protected:
    void SetUp() override { ResetFramework(); }
    void TearDown() override { ResetFramework(); }
};

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
