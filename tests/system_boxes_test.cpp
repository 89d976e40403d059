// Message boxes, the error report and its flag, and the debug log.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "gk.h"
#include "platform/clock.h"
#include "support/fixture.h"
#include "support/window_util.h"

namespace {

using BoxTest = gktest::Framework;
using plat::headless::Boxes;

TEST_F(BoxTest, ErrorBoxShowsTagAndMessageBeepsAndSetsTheFlag) {
    EXPECT_EQ(gkSystem::IsError(), 0);
    EXPECT_EQ(gkSystem::ErrorBox("gkSystem::SetWait", "ウェイトNoが範囲外です", 42), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].title, "\x83\x47\x83\x89\x81\x5B\x94\xAD\x90\xB6");  // エラー発生
    EXPECT_EQ(Boxes()[0].text, "gkSystem::SetWait : ウェイトNoが範囲外です");
    EXPECT_EQ(Boxes()[0].style, MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
    EXPECT_EQ(std::tuple(plat::headless::Beeps(), gkSystem::IsError()), std::tuple(1, 1));
}

TEST_F(BoxTest, InformationTextEndsWithLineBreakAndResetsFrameTime) {
    gkApp.CursorShown = 0;
    plat::ShowCursor(false);
    plat::headless::AdvanceTime(500);
    gkSystem::Message("%d個", 3);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].title, "メッセージ");
    EXPECT_EQ(Boxes()[0].text, "3個\r\n");
    EXPECT_EQ(Boxes()[0].style, MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
    EXPECT_EQ(std::tuple(gkApp.CursorShown, plat::headless::CursorCount(), gkSystem::LastFrameTime,
                         plat::headless::Beeps()),
              std::tuple(1, 0, 500u, 0));
}

TEST_F(BoxTest, QuestionAnswers) {
    plat::headless::AdvanceTime(700);
    gkSystem::FrameDelta = 1.0f;
    EXPECT_EQ(gkSystem::Question("終了しますか？"), 0);  // nobody answered: No
    EXPECT_EQ(Boxes()[0].text, "終了しますか？\r\n");
    EXPECT_EQ(Boxes()[0].style, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(std::tuple(gkSystem::LastFrameTime, gkSystem::FrameDelta), std::tuple(700u, 0.0f));
    plat::headless::QueueAnswer(IDYES);
    EXPECT_EQ(gkSystem::Question("q"), 1);
    plat::headless::QueueAnswer(0);  // the box could not be shown
    EXPECT_EQ(gkSystem::Question("q"), 0);
    EXPECT_EQ(gkApp.MessageBoxOpen, 0);
}

TEST_F(BoxTest, LongTextsAreCutAtACharacterBoundary) {
    // 127 double-byte characters after one ASCII byte: 255 bytes, of which 253 fit only if
    // the last character is dropped whole.
    std::string text = "a";
    for (int i = 0; i < 127; ++i) text += "表";
    gkSystem::Message("%s", text.c_str());
    const std::string& shown = Boxes()[0].text;
    EXPECT_EQ(shown.size(), 1u + 2 * 126 + 2);
    EXPECT_EQ(shown.substr(shown.size() - 4), "表\r\n");

    std::string tag(300, 'x');
    gkSystem::ErrorBox(tag.c_str(), "ウェイトNoが範囲外です", 0);
    EXPECT_EQ(Boxes()[1].text, std::string(255, 'x'));
}

TEST_F(BoxTest, CheckErrorQuitsOnce) {
    EXPECT_EQ(std::tuple(gkSystem::CheckError(), gkApp.Ended), std::tuple(0, 0));
    gkSystem::ErrorBox("gkDraw::Screen", "DirectDrawが使用できません", 0);
    EXPECT_EQ(gkSystem::CheckError(), 1);
    EXPECT_EQ(std::tuple(gkApp.Ended, gkApp.CloseState), std::tuple(1, 2));
    EXPECT_EQ(gktest::Queued(), gktest::Ints{WM_CLOSE});
    EXPECT_EQ(gkSystem::CheckError(), 1);
    EXPECT_EQ(gktest::Queued(), gktest::Ints{});  // no second WM_CLOSE
}

TEST_F(BoxTest, LogAppendsOneLinePerCall) {
    std::remove("DEBUG.TXT");
    gkSystem::Log("%d", 1);
    gkSystem::Log("%s=%d", "x", 25);
    std::ifstream file("DEBUG.TXT", std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), "1\nx=25\n");
    std::remove("DEBUG.TXT");
}

}  // namespace
