// Frame time and wait slots on the virtual clock, including the 32-bit wrap, and the
// range-check error reports.
#include <string>
#include <vector>

#include "gk.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "support/fixture.h"

namespace {

using WaitTest = gktest::Framework;

TEST_F(WaitTest, FrameDeltaAcrossTheWrapAndAfterAReset) {
    plat::headless::SetTime(0xFFFFFFF0u);
    gkSystem::FrameDelta = 1.0f;
    gkSystem::ResetFrameTime();
    EXPECT_EQ(gkSystem::FrameDelta, 0.0f);
    plat::headless::SetTime(0x10);
    gkSystem::UpdateFrameTime();
    EXPECT_FLOAT_EQ(gkSystem::FrameDelta, 0.032f);
    EXPECT_EQ(gkSystem::LastFrameTime, 0x10u);

    plat::headless::AdvanceTime(500);
    gkSystem::ResetFrameTime();
    plat::headless::AdvanceTime(20);
    gkSystem::UpdateFrameTime();
    EXPECT_FLOAT_EQ(gkSystem::FrameDelta, 0.020f);
}

TEST_F(WaitTest, SlotsOutOfRangeAreReportedAndLeftAlone) {
    EXPECT_EQ(gkSystem::SetWait(0, 100), 0);
    EXPECT_EQ(gkSystem::SetWait(11, 100), 0);
    EXPECT_EQ(gkSystem::InitWait(-1), 0);
    std::vector<std::string> texts;
    for (const auto& box : plat::headless::Boxes()) texts.push_back(box.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"gkSystem::SetWait : ウェイトNoが範囲外です",
                                               "gkSystem::SetWait : ウェイトNoが範囲外です",
                                               "gkSystem::InitWait : ウェイトNoが範囲外です"}));
    EXPECT_EQ(gkSystem::IsError(), 1);
    // CheckWait outside the table answers 0, silently; slot 11 belongs to Sleep and was not
    // armed by the refused SetWait.
    EXPECT_EQ(gkSystem::CheckWait(11), 0);
    plat::headless::SetTime(0xFFFFFFFFu);
    for (int no : {0, 12, -3}) EXPECT_EQ(gkSystem::CheckWait(no), 0) << no;
    EXPECT_EQ(gkSystem::CheckWait(10), 1);
    EXPECT_EQ(plat::headless::Boxes().size(), 3u);
}

TEST_F(WaitTest, ArmedIdleAndPassedSlots) {
    plat::headless::SetTime(1000);
    EXPECT_EQ(gkSystem::SetWait(1, 500), 1);
    EXPECT_EQ(gkSystem::SetWait(2, 0), 1);
    EXPECT_EQ(gkSystem::CheckWait(2), 1);
    plat::headless::SetTime(1499);
    EXPECT_EQ(gkSystem::CheckWait(1), 0);
    plat::headless::SetTime(1500);
    EXPECT_EQ(gkSystem::CheckWait(1), 1);
    EXPECT_EQ(gkSystem::InitWait(1), 1);
    EXPECT_EQ(gkSystem::CheckWait(1), 0);
    // An idle slot passes only after 999999999 ms of uptime.
    plat::headless::SetTime(999999998u);
    EXPECT_EQ(gkSystem::CheckWait(3), 0);
    plat::headless::SetTime(999999999u);
    EXPECT_EQ(gkSystem::CheckWait(3), 1);
}

TEST_F(WaitTest, DeadlinesWrapWithTheClock) {
    plat::headless::SetTime(0xFFFFFF00u);
    gkSystem::SetWait(4, 0x200);           // deadline 0x100 after the wrap
    EXPECT_EQ(gkSystem::CheckWait(4), 1);  // compared as plain unsigned values
    plat::headless::SetTime(0xFF);
    EXPECT_EQ(gkSystem::CheckWait(4), 0);
    plat::headless::SetTime(0x100);
    EXPECT_EQ(gkSystem::CheckWait(4), 1);
}

TEST_F(WaitTest, SleepBusyWaitsPastTheDeadlineAndResetsFrameTime) {
    plat::headless::SetTime(100);
    gkSystem::FrameDelta = 1.0f;
    gkSystem::Sleep(0);
    EXPECT_EQ(plat::Now(), 101u);
    EXPECT_EQ(std::tuple(gkSystem::FrameDelta, gkSystem::LastFrameTime), std::tuple(0.0f, 101u));
    gkSystem::Sleep(250);
    EXPECT_EQ(plat::Now(), 352u);
    EXPECT_EQ(gkSystem::CheckWait(11), 1);
    gkSystem::SetWait(10, 0);
    gkSystem::Reset();  // idles every slot
    for (int no : {10, 11}) EXPECT_EQ(gkSystem::CheckWait(no), 0) << no;
    // A deadline of 0xFFFFFFFF, which no clock value passes, ends at the wrap.
    plat::headless::SetTime(0xFFFFFFF0u);
    gkSystem::Sleep(0xF);
    EXPECT_EQ(plat::Now(), 0u);
}

}  // namespace
