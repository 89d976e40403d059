// The platform layer's own parts: GDI drawing on a small surface, Shift-JIS text and
// Windows-style paths on a case-sensitive disk, the folder search, GK_* settings, and the real
// single-instance lock between processes.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/sjis.h"
#include "platform/window.h"
#include "platform/window_backend.h"
#include "support/fixture.h"

namespace {

using V = std::vector<uint32_t>;

class GdiTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(plat::CreateDevice(nullptr, &device_), plat::DD_OK);
        ASSERT_EQ(plat::CreateSurface(device_, plat::DDSCAPS_OFFSCREENPLAIN, 64, 64, &surface_),
                  plat::DD_OK);
        ASSERT_EQ(plat::GetDC(surface_, &dc_), plat::DD_OK);
        Paint({plat::BS_SOLID, 0x808080, 0});
        grey_ = At(0, 0);
    }
    void TearDown() override {
        plat::ReleaseDC(surface_, dc_);
        plat::ReleaseSurface(surface_);
        plat::ReleaseDevice(device_);
        gktest::Framework::TearDown();
    }
    // The whole surface filled with the brush and no outline.
    void Paint(const plat::LogBrush& brush) {
        plat::Brush* ours = plat::CreateBrushIndirect(brush);
        plat::Pen* none = plat::CreatePen(plat::PS_NULL, 1, 0);
        plat::Brush* oldBrush = plat::SelectObject(dc_, ours);
        plat::Pen* oldPen = plat::SelectObject(dc_, none);
        plat::Rectangle(dc_, 0, 0, 65, 65);  // a box without a pen is one pixel smaller
        plat::SelectObject(dc_, oldBrush);
        plat::SelectObject(dc_, oldPen);
        plat::DeleteObject(ours);
        plat::DeleteObject(none);
    }
    uint32_t At(int x, int y) { return plat::GetPixel(dc_, x, y); }

    plat::Device* device_ = nullptr;
    plat::Surface* surface_ = nullptr;
    plat::Dc* dc_ = nullptr;
    uint32_t grey_ = 0;
};

TEST_F(GdiTest, StockObjectsHollowBrushAndInversion) {
    plat::Rectangle(dc_, 10, 10, 20, 20);  // a black pen on a white brush
    EXPECT_EQ((V{At(10, 10), At(19, 19), At(15, 15), At(20, 20)}), (V{0, 0, 0xFFFFFF, grey_}));
    plat::Brush* hollow = plat::CreateBrushIndirect({plat::BS_HOLLOW, 0xFF, 0});
    plat::Brush* old = plat::SelectObject(dc_, hollow);
    plat::Rectangle(dc_, 30, 30, 40, 40);
    EXPECT_EQ((V{At(30, 30), At(35, 35)}), (V{0, grey_}));
    plat::SelectObject(dc_, old);
    plat::DeleteObject(hollow);

    plat::SetPixel(dc_, 5, 5, 0x123456);
    const uint32_t before = At(5, 5);
    plat::InvertRect(dc_, {0, 0, 10, 10});
    EXPECT_EQ((V{At(5, 5), At(0, 0), At(10, 10)}), (V{0xFFFFFF - before, 0xFFFFFF - grey_, 0}));
    plat::InvertRect(dc_, {-5, -5, 100, 100});  // clipped, not refused
    EXPECT_EQ((V{At(5, 5), At(50, 50)}), (V{before, 0xFFFFFF - grey_}));

    // StretchBlt samples the nearest pixel and refuses empty rectangles.
    plat::SetPixel(dc_, 60, 60, 0xFF);
    EXPECT_TRUE(plat::StretchBlt(dc_, 40, 40, 2, 2, dc_, 60, 60, 1, 1, plat::SRCCOPY));
    EXPECT_EQ((V{At(40, 40), At(41, 41), At(42, 42)}), (V{0xFF, 0xFF, 0xFFFFFF - grey_}));
    for (auto [w, h, sw, sh] : {std::tuple{0, 2, 1, 1}, {2, 0, 1, 1}, {2, 2, 0, 1}, {2, 2, 1, 0}})
        EXPECT_FALSE(plat::StretchBlt(dc_, 40, 40, w, h, dc_, 60, 60, sw, sh, plat::SRCCOPY));
}

TEST_F(GdiTest, HatchGapsFollowTheBackgroundMode) {
    Paint({plat::BS_HATCHED, 0xFF, plat::HS_HORIZONTAL});
    EXPECT_EQ((V{At(5, 4), At(5, 5)}), (V{0xFF, 0xFFFFFF}));  // gaps in the default white
    plat::SetBkColor(dc_, 0xFF0000);
    Paint({plat::BS_HATCHED, 0xFF00, plat::HS_VERTICAL});
    EXPECT_EQ((V{At(4, 5), At(5, 5)}), (V{0xFF00, 0xFF0000}));
    EXPECT_EQ(plat::SetBkMode(dc_, plat::TRANSPARENT), plat::OPAQUE);
    Paint({plat::BS_HATCHED, 0xFFFF, plat::HS_CROSS});
    EXPECT_EQ((V{At(4, 5), At(5, 4), At(5, 5)}), (V{0xFFFF, 0xFFFF, 0xFF0000}));
}

TEST_F(GdiTest, DrawTextBreaksLinesAtLineFeedsAndWordsAndCalculates) {
    plat::Size space{}, word{};
    plat::GetTextExtentPoint32(dc_, " ", 1, &space);
    plat::GetTextExtentPoint32(dc_, "ab", 2, &word);
    const int h = space.cy;
    auto lines = [&](const char* text, int width, uint32_t format) {
        plat::Rect rect{0, 0, width, 0};
        const int height = plat::DrawText(dc_, text, -1, &rect, format | plat::DT_CALCRECT);
        EXPECT_EQ(rect.bottom, height);
        return height / h;
    };
    const uint32_t wrap = plat::DT_WORDBREAK;
    EXPECT_EQ((std::vector<int>{lines("ab", 100, 0), lines("ab\r\ncd\ref\ngh", 100, 0),
                                lines("ab cd", word.cx + space.cx, 0),  // no breaking unasked
                                lines("ab cd", word.cx + space.cx, wrap),
                                lines("ab cd", 2 * word.cx + space.cx, wrap),
                                lines("abababab", word.cx, wrap),  // a long word is split
                                lines("", 100, 0)}),
              (std::vector<int>{1, 4, 1, 2, 1, 4, 1}));
    plat::Rect rect{0, 0, 100, 0};
    plat::DrawText(dc_, "ab", -1, &rect, plat::DT_CALCRECT);
    EXPECT_EQ(rect.right, word.cx);
}

using PlatformTest = gktest::Framework;
using Names = std::vector<std::string>;

TEST_F(PlatformTest, LeadBytesUpperCaseConversionAndFitting) {
    std::string leads;  // 0xDF: half-width katakana
    for (unsigned char byte : {0x80, 0x81, 0x9F, 0xA0, 0xDF, 0xE0, 0xFC, 0xFD})
        leads += plat::IsLeadByte(byte) ? 'L' : '-';
    EXPECT_EQ(leads, "-LL--LL-");
    char text[] = "a\x83\x61z\xB1q";  // 0x83 0x61: a trail byte that reads as 'a'
    plat::CharUpperBuff(text, std::strlen(text) - 1);
    EXPECT_STREQ(text, "A\x83\x61Z\xB1q");
    EXPECT_EQ(plat::SjisToUtf8("表示"), "\xE8\xA1\xA8\xE7\xA4\xBA");
    EXPECT_EQ(plat::SjisToUtf8("G\xB1"), "G\xEF\xBD\xB1");  // half-width katakana a
    EXPECT_EQ(plat::SjisToUtf8("ok\x81"), "ok?");           // a lead byte without its trail
    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "終";
    EXPECT_EQ(plat::SjisToUtf8(longText.c_str()).size(), 900u);
    std::string fits;
    for (size_t room : {1u, 2u, 3u, 10u}) fits += std::to_string(plat::SjisFit("a表b", room));
    EXPECT_EQ(fits, "1134");
    EXPECT_EQ(plat::SjisFit("x\x81", 10), 2u);  // a lone lead byte at the end counts as one
    // The trail byte of 表 is 0x5C, the backslash: it must not become a separator.
    EXPECT_EQ(plat::NativePath("表\\a"), "\xE8\xA1\xA8/a");
}

TEST_F(PlatformTest, NativePathsAndTheFolderSearchMatchWithoutCase) {
    char pattern[] = "/tmp/gk-files-XXXXXX";
    const std::string dir = mkdtemp(pattern), folder = dir + "\\BMP";
    std::filesystem::create_directories(dir + "/Bmp/d.bmp");  // a folder, never a match
    std::filesystem::create_directories(dir + "/Img/Sub");
    std::ofstream(dir + "/Img/Block.BMP") << "x";
    EXPECT_EQ(plat::NativePath((dir + "\\IMG\\block.bmp").c_str()), dir + "/Img/Block.BMP");
    EXPECT_EQ(plat::NativePath((dir + "/img/SUB/").c_str()), dir + "/Img/Sub/");
    // A component that matches nothing stays as written; later ones are not guessed.
    EXPECT_EQ(plat::NativePath((dir + "/img/New/x.bmp").c_str()), dir + "/Img/New/x.bmp");
    // On disk in UTF-8: 表.bmp (0x95 0x5C in Shift-JIS), and an emoji that has no Shift-JIS form.
    for (const char* name :
         {"b.BMP", "A.bmp", "c.txt", "x.bmpx", "\xE8\xA1\xA8.bmp", "\xF0\x9F\x98\x80.bmp"})
        std::ofstream(dir + "/Bmp/" + name) << "x";
    const Names all = {"A.bmp", "b.BMP", "\x95\x5C.bmp"};
    const std::pair<std::string, Names> rows[] = {
        {"*.BMP", all},
        {"?.bmp", all},  // a double-byte character is one '?'
        {"*.bmp*", {"A.bmp", "b.BMP", "x.bmpx", "\x95\x5C.bmp"}},
        {"a*", {"A.bmp"}},
        {"*b*P", all},
        {"*\\.bmp", {}},  // a '*' steps over whole characters
        {"??", {}},
    };
    for (const auto& [wildcard, names] : rows)
        EXPECT_EQ(plat::FindFiles(folder.c_str(), wildcard.c_str()), names) << wildcard;
    EXPECT_EQ(plat::FindFiles((folder + "\\").c_str(), "c.*"), Names{"c.txt"});
    EXPECT_EQ(plat::FindFiles("", "*"), Names{});
    EXPECT_EQ(plat::FindFiles((dir + "\\none").c_str(), "*"), Names{});
    std::filesystem::remove_all(dir);
}

// Exit status of a child process that tries the instance lock: 1 acquired, 0 refused. The child
// ends without releasing what it holds.
int TryInChild(const char* name) {
    pid_t child = fork();
    if (child == 0) _exit(plat::AcquireInstanceLock(name) ? 1 : 0);
    int status = 0;
    waitpid(child, &status, 0);
    return WEXITSTATUS(status);
}

bool RaiseRequested() {
    bool asked = false;
    for (int i = 0; i < 100 && !(asked = plat::TakeRaiseRequest()); ++i) usleep(10000);
    return asked;
}

TEST_F(PlatformTest, InstanceLockRefusesASecondProcessAndDiesWithItsHolder) {
    char pattern[] = "/tmp/gk-instance-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    plat::UseBackend(plat::Backend::Sdl);          // the lock itself needs no window
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 1);  // the child exits still holding it
    ASSERT_TRUE(plat::AcquireInstanceLock("Gridkeep:GkMutex"));
    EXPECT_FALSE(plat::TakeRaiseRequest());
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 0);
    EXPECT_TRUE(RaiseRequested());
    EXPECT_EQ(TryInChild("Gridkeep_GkMutex"), 0);  // characters outside [A-Za-z0-9.-] blur
    EXPECT_EQ(TryInChild("Other:GkMutex"), 1);     // another name is another lock
    plat::ReleaseInstanceLock();
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 1);
    // Each of the kept characters, replaced by one that is not, names another lock.
    const std::string kept = "azAZ09.-";
    ASSERT_TRUE(plat::AcquireInstanceLock(kept.c_str()));
    for (size_t i = 0; i < kept.size(); ++i) {
        std::string other = kept;
        other[i] = '_';
        EXPECT_EQ(TryInChild(other.c_str()), 1) << other;
    }
    plat::ReleaseInstanceLock();
    std::filesystem::remove_all(dir);
}

TEST(Environment, AcceptedValuesAndWarnings) {
    // The value (nullptr: unset); the choice, the number (2 to 3), the warning lines, part of them.
    const std::tuple<const char*, int, int, long, const char*> cases[] = {
        {nullptr, 0, 1, 0, ""},
        {"", 0, 1, 0, ""},
        {"555", 1, 1, 1, "GK_TEST=555 is not accepted (a whole number from 2 to 3)"},
        {"8888", 2, 1, 1, ""},
        {"2", 0, 2, 1, ""},
        {"3", 0, 3, 1, "GK_TEST=3 is not accepted (one of 565, 555, 8888); using the default"},
        {"3x", 0, 1, 2, ""},
        {"99999999999", 0, 1, 2, "GK_TEST=99999999999 is not accepted (a whole number"},
    };
    for (auto [value, choice, number, lines, warning] : cases) {
        value ? setenv("GK_TEST", value, 1) : unsetenv("GK_TEST");
        testing::internal::CaptureStderr();
        const int chosen = plat::EnvChoice("GK_TEST", {"565", "555", "8888"}, 0);
        const int read = plat::EnvNumber("GK_TEST", 2, 3, 1);
        const std::string warnings = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::tuple(chosen, read, std::count(warnings.begin(), warnings.end(), '\n'),
                             warnings.find(warning) != std::string::npos),
                  std::tuple(choice, number, lines, true))
            << warnings;
    }
    unsetenv("GK_TEST");
}

}  // namespace
