// Test fixture: every test starts on the headless backend from a clean process-wide state.
#pragma once

#include <gtest/gtest.h>

namespace gktest {

// Puts every module's process-wide records back to their start-up values and selects the
// headless backend with its virtual clock at 0.
void ResetFramework();

class Framework : public ::testing::Test {
  protected:
    void SetUp() override { ResetFramework(); }
    void TearDown() override { ResetFramework(); }
};

}  // namespace gktest
