// The platform layer: GDI drawing, Shift-JIS text, Windows-style paths and the folder search on a
// case-sensitive disk, GK_* settings, and the single-instance lock between real processes.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/backend.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/sjis.h"
#include "platform/window_backend.h"
#include "support/draw_files.h"

namespace {

using PlatformTest = gktest::DrawFiles;  // with a temporary folder
using V = std::vector<uint32_t>;

// GDI drawing on a 64 x 64 surface painted grey: stock objects, a hollow brush, inversion,
// stretching, and hatches whose gaps follow the background mode.
TEST_F(PlatformTest, GdiStockObjectsHollowBrushInversionStretchingAndHatches) {
    plat::Device* device = nullptr;
    plat::Surface* surface = nullptr;
    plat::Dc* dc = nullptr;
    ASSERT_EQ(plat::CreateDevice(nullptr, &device), plat::DD_OK);
    ASSERT_EQ(plat::CreateSurface(device, plat::DDSCAPS_OFFSCREENPLAIN, 64, 64, &surface),
              plat::DD_OK);
    ASSERT_EQ(plat::GetDC(surface, &dc), plat::DD_OK);
    const auto at = [&](int x, int y) { return plat::GetPixel(dc, x, y); };
    const auto paint = [&](const plat::LogBrush& brush, int right = 65,
                           int left = 0) {  // no outline
        plat::Brush* ours = plat::CreateBrushIndirect(brush);
        plat::Pen* none = plat::CreatePen(plat::PS_NULL, 1, 0);
        plat::Brush* oldBrush = plat::SelectObject(dc, ours);
        plat::Pen* oldPen = plat::SelectObject(dc, none);
        plat::Rectangle(dc, left, 0, right, 65);  // a box without a pen is one pixel smaller
        plat::SelectObject(dc, oldBrush);
        plat::SelectObject(dc, oldPen);
        plat::DeleteObject(ours);
        plat::DeleteObject(none);
    };
    paint({plat::BS_SOLID, 0x808080, 0});
    const uint32_t grey = at(0, 0);
    plat::Rectangle(dc, 10, 10, 20, 20);  // a black pen on a white brush
    paint({plat::BS_HOLLOW, 0xFF, 0});
    paint({plat::BS_SOLID, 0xFF, 0}, INT_MIN, INT_MIN);  // ends left of the surface
    EXPECT_EQ((V{at(10, 10), at(19, 19), at(15, 15), at(20, 20), at(0, 0)}),
              (V{0, 0, 0xFFFFFF, grey, grey}));

    plat::SetPixel(dc, 5, 5, 0x123456);
    const uint32_t before = at(5, 5);
    plat::InvertRect(dc, {0, 0, 10, 10});
    EXPECT_EQ((V{at(5, 5), at(0, 0), at(10, 10)}), (V{0xFFFFFF - before, 0xFFFFFF - grey, 0}));
    plat::InvertRect(dc, {-5, -5, 100, 100});  // clipped, not refused
    EXPECT_EQ((V{at(5, 5), at(50, 50)}), (V{before, 0xFFFFFF - grey}));

    // StretchBlt samples the nearest pixel and refuses empty rectangles.
    plat::SetPixel(dc, 60, 60, 0xFF);
    EXPECT_TRUE(plat::StretchBlt(dc, 40, 40, 2, 2, dc, 60, 60, 1, 1, plat::SRCCOPY));
    EXPECT_EQ((V{at(40, 40), at(41, 41), at(42, 42)}), (V{0xFF, 0xFF, 0xFFFFFF - grey}));
    for (auto [w, h, sw, sh] : {std::tuple{0, 2, 1, 1}, {2, 0, 1, 1}, {2, 2, 0, 1}, {2, 2, 1, 0}})
        EXPECT_FALSE(plat::StretchBlt(dc, 40, 40, w, h, dc, 60, 60, sw, sh, plat::SRCCOPY));

    paint({plat::BS_HATCHED, 0xFF, plat::HS_HORIZONTAL}, 33);  // gaps in the default white
    EXPECT_EQ((V{at(5, 4), at(5, 5), at(32, 4)}), (V{0xFF, 0xFFFFFF, 0xFFFFFF - grey}));
    plat::SetBkColor(dc, 0xFF0000);
    paint({plat::BS_HATCHED, 0xFF00, plat::HS_VERTICAL});
    EXPECT_EQ((V{at(4, 5), at(5, 5)}), (V{0xFF00, 0xFF0000}));
    EXPECT_EQ(plat::SetBkMode(dc, plat::TRANSPARENT), plat::OPAQUE);
    paint({plat::BS_HATCHED, 0xFFFF, plat::HS_CROSS});
    EXPECT_EQ((V{at(4, 5), at(5, 4), at(5, 5)}), (V{0xFFFF, 0xFFFF, 0xFF0000}));
    plat::ReleaseDC(surface, dc);
    plat::ReleaseSurface(surface);
    plat::ReleaseDevice(device);
}

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
    EXPECT_EQ(plat::SjisToUtf8(std::string(300, '\xB1').c_str()).size(), 900u);  // in chunks
    std::string fits;
    for (size_t room : {1u, 2u, 3u, 10u}) fits += std::to_string(plat::SjisFit("a表b", room));
    EXPECT_EQ(fits, "1134");
    EXPECT_EQ(plat::SjisFit("x\x81", 10), 2u);  // a lone lead byte at the end counts as one
    // The trail byte of 表 is 0x5C, the backslash: it must not become a separator.
    EXPECT_EQ(plat::NativePath("表\\a"), "\xE8\xA1\xA8/a");
}

TEST_F(PlatformTest, NativePathsAndTheFolderSearchMatchWithoutCase) {
    const std::string bmp = folder + "\\BMP";
    std::filesystem::create_directories(folder + "/Bmp/d.bmp");  // a folder, never a match
    std::filesystem::create_directories(folder + "/Img/Sub");
    std::ofstream(folder + "/Img/Block.BMP") << "x";
    EXPECT_EQ(plat::NativePath((folder + "\\IMG\\block.bmp").c_str()), folder + "/Img/Block.BMP");
    EXPECT_EQ(plat::NativePath((folder + "/img/SUB/").c_str()), folder + "/Img/Sub/");
    // A component that matches nothing stays as written; later ones are not guessed.
    EXPECT_EQ(plat::NativePath((folder + "/img/New/x.bmp").c_str()), folder + "/Img/New/x.bmp");
    // On disk in UTF-8: 表.bmp (0x95 0x5C in Shift-JIS), and an emoji that has no Shift-JIS form.
    for (const char* name :
         {"b.BMP", "A.bmp", "c.txt", "x.bmpx", "\xE8\xA1\xA8.bmp", "\xF0\x9F\x98\x80.bmp"})
        std::ofstream(folder + "/Bmp/" + name) << "x";
    const Names all = {"A.bmp", "b.BMP", "\x95\x5C.bmp"};
    const std::pair<std::string, Names> rows[] = {
        {"*.BMP", all},
        {"?.bmp", all},  // a double-byte character is one '?'
        {"*.bmp*", {"A.bmp", "b.BMP", "x.bmpx", "\x95\x5C.bmp"}},
        {"a*", {"A.bmp"}},
        {"*\\.bmp", {}},  // a '*' steps over whole characters
        {"??", {}},
    };
    for (const auto& [wildcard, names] : rows)
        EXPECT_EQ(plat::FindFiles(bmp.c_str(), wildcard.c_str()), names) << wildcard;
    EXPECT_EQ(plat::FindFiles((bmp + "\\").c_str(), "c.*"), Names{"c.txt"});
    EXPECT_EQ(plat::FindFiles("", "*"), Names{});
    EXPECT_EQ(plat::FindFiles((folder + "\\none").c_str(), "*"), Names{});
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

TEST_F(PlatformTest, InstanceLockRefusesASecondProcessAndDiesWithItsHolder) {
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    plat::UseBackend(plat::Backend::Sdl);          // the lock itself needs no window
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 1);  // the child exits still holding it
    ASSERT_TRUE(plat::AcquireInstanceLock("Gridkeep:GkMutex"));
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 0);
    bool asked = false;  // the holder is asked to come forward
    for (int i = 0; i < 100 && !(asked = plat::TakeRaiseRequest()); ++i) usleep(10000);
    EXPECT_TRUE(asked);
    EXPECT_EQ(TryInChild("Gridkeep_GkMutex"), 0);  // characters outside [A-Za-z0-9.-] blur
    plat::ReleaseInstanceLock();
    EXPECT_EQ(TryInChild("Gridkeep:GkMutex"), 1);
    // Each of the kept characters, replaced by one that is not, names another lock.
    const std::string kept = "azAZ09.-";
    ASSERT_TRUE(plat::AcquireInstanceLock(kept.c_str()));
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(TryInChild((kept.substr(0, i) + '_' + kept.substr(i + 1)).c_str()), 1) << i;
    plat::ReleaseInstanceLock();
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
