// The build stores literals as Shift-JIS, and the virtual clock wraps at 32 bits.
#include <cstring>

#include "platform/clock.h"
#include "support/fixture.h"

namespace {

using ClockTest = gktest::Framework;

TEST_F(ClockTest, JapaneseLiteralsAreShiftJis) {
    const char* text = "表示";
    ASSERT_EQ(std::strlen(text), 4u);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x95);
    EXPECT_EQ(static_cast<unsigned char>(text[1]), 0x5C);
    EXPECT_EQ(static_cast<unsigned char>(text[2]), 0x8E);
    EXPECT_EQ(static_cast<unsigned char>(text[3]), 0xA6);
}

TEST_F(ClockTest, VirtualClockWrapsAndBusyWaitAdvances) {
    plat::headless::SetTime(0xFFFFFFFEu);
    plat::BusyWaitTick();
    EXPECT_EQ(plat::Now(), 0xFFFFFFFFu);
    plat::headless::AdvanceTime(3);
    EXPECT_EQ(plat::Now(), 2u);
}

}  // namespace
