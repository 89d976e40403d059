// Wait slots and frame time on the virtual clock, message boxes and the error report, the debug
// log, executable-relative paths and the data-folder redirect, save files, and system queries.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gk.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "support/fixture.h"

namespace {

namespace fs = std::filesystem;
using gktest::Ints;
using plat::headless::Boxes;
using plat::headless::SetTime;

class SystemTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        char pattern[] = "/tmp/gk-system-XXXXXX";
        dir = mkdtemp(pattern);
        setenv("GK_SYSTEM_DIR", dir.c_str(), 1);
    }
    void TearDown() override {
        fs::remove_all(dir);
        unsetenv("GK_SYSTEM_DIR");
        gktest::Framework::TearDown();
    }
    void Write(const std::string& name, const std::string& content) {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
    }
    static std::string Read(const std::string& path) {
        std::stringstream content;
        content << std::ifstream(path, std::ios::binary).rdbuf();
        return content.str();
    }
    std::string dir;
};

TEST_F(SystemTest, WaitSlotsFrameTimeAndSleepAcrossTheWrap) {
    enum Call { Set, Init, Check };
    // The clock, the call on a slot (with its time for Set) and its answer. An idle slot passes
    // at 999999999; deadlines after the wrap compare as plain unsigned values. Outside the table
    // CheckWait answers 0 silently; slot 11 belongs to Sleep and is not armed by SetWait.
    const std::tuple<uint32_t, Call, int, uint32_t, int> steps[] = {
        {1000, Set, 1, 500, 1},         {1000, Set, 2, 0, 1},
        {1000, Check, 2, 0, 1},         {1499, Check, 1, 0, 0},
        {1500, Check, 1, 0, 1},         {1500, Init, 1, 0, 1},
        {1500, Check, 1, 0, 0},         {999999998, Check, 3, 0, 0},
        {999999999, Check, 3, 0, 1},    {0xFFFFFF00u, Set, 4, 0x200, 1},
        {0xFFFFFF00u, Check, 4, 0, 1},  {0xFF, Check, 4, 0, 0},
        {0x100, Check, 4, 0, 1},        {0, Set, 0, 100, 0},
        {0, Set, 11, 100, 0},           {0, Init, -1, 0, 0},
        {0, Set, 10, 100, 1},           {99, Check, 10, 0, 0},
        {150, Check, 11, 0, 0},         {0xFFFFFFFFu, Check, 11, 0, 1},
        {0xFFFFFFFFu, Check, 0, 0, 0},  {0xFFFFFFFFu, Check, 12, 0, 0},
        {0xFFFFFFFFu, Check, -3, 0, 0}, {0xFFFFFFFFu, Check, 10, 0, 1}};
    for (auto [now, call, slot, ms, answer] : steps) {
        SetTime(now);
        EXPECT_EQ(call == Set    ? gkSystem::SetWait(slot, ms)
                  : call == Init ? gkSystem::InitWait(slot)
                                 : gkSystem::CheckWait(slot),
                  answer)
            << now << " " << call << " " << slot;
    }
    EXPECT_EQ(Boxes().size(), 3u);  // SetWait on 0 and 11, InitWait on -1

    // Frame time and Sleep across the wrap.
    SetTime(0xFFFFFFF0u);
    gkSystem::ResetFrameTime();
    SetTime(0x10);
    gkSystem::UpdateFrameTime();
    EXPECT_EQ(std::tuple(gkSystem::FrameDelta, gkSystem::LastFrameTime), std::tuple(0.032f, 0x10u));

    // Sleep busy-waits past its deadline and resets the frame time.
    SetTime(100);
    gkSystem::FrameDelta = 1.0f;
    gkSystem::Sleep(0);
    EXPECT_EQ(std::tuple(plat::Now(), gkSystem::FrameDelta, gkSystem::LastFrameTime),
              std::tuple(101u, 0.0f, 101u));
    gkSystem::Sleep(250);
    EXPECT_EQ(std::tuple(plat::Now(), gkSystem::CheckWait(11)), std::tuple(352u, 1));
    gkSystem::SetWait(10, 0);
    gkSystem::Reset();  // idles every slot
    EXPECT_EQ(gkSystem::CheckWait(10) + gkSystem::CheckWait(11), 0);
    // A deadline of 0xFFFFFFFF, which no clock value passes, ends at the wrap.
    SetTime(0xFFFFFFF0u);
    gkSystem::Sleep(0xF);
    EXPECT_EQ(plat::Now(), 0u);
}

TEST_F(SystemTest, BoxesShowTheCursorAndAreCutTheErrorReportQuitsOnce) {
    EXPECT_EQ(std::tuple(gkSystem::IsError(), gkSystem::CheckError(), gkApp.Ended),
              std::tuple(0, 0, 0));
    gkApp.CursorShown = 0;
    plat::ShowCursor(false);
    plat::headless::AdvanceTime(500);
    gkSystem::FrameDelta = 1.0f;
    gkSystem::Message("%d個", 3);
    EXPECT_EQ(std::tuple(gkApp.CursorShown, plat::headless::CursorCount(), gkSystem::LastFrameTime,
                         gkSystem::FrameDelta, plat::headless::Beeps()),
              std::tuple(1, 0, 500u, 0.0f, 0));
    EXPECT_EQ(gkSystem::Question("終了しますか？"), 0);  // nobody answered: No
    // 127 double-byte characters after one ASCII byte: 255 bytes, of which 253 fit only if the
    // last character is dropped whole.
    std::string text = "a";
    for (int i = 0; i < 127; ++i) text += "表";
    gkSystem::Message("%s", text.c_str());
    // The error report: its own title, no line end, a beep, and the flag that has CheckError
    // quit.
    EXPECT_EQ(gkSystem::ErrorBox(std::string(300, 'x').c_str(), "ウェイトNoが範囲外です", 42), 0);
    ASSERT_EQ(Boxes().size(), 4u);
    auto box = [](int i) {
        return std::tuple(Boxes()[i].title, Boxes()[i].text, Boxes()[i].style);
    };
    const UINT warning = MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL;
    EXPECT_EQ(box(0), std::tuple("メッセージ", "3個\r\n", warning));
    EXPECT_EQ(box(1), std::tuple("メッセージ", "終了しますか？\r\n", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(box(2), std::tuple("メッセージ", text.substr(0, text.size() - 2) + "\r\n", warning));
    EXPECT_EQ(box(3), std::tuple("\x83\x47\x83\x89\x81\x5B\x94\xAD\x90\xB6",  // エラー発生
                                 std::string(255, 'x'), warning));
    EXPECT_EQ(std::tuple(gkApp.MessageBoxOpen, plat::headless::Beeps(), gkSystem::IsError(),
                         gkSystem::CheckError()),
              std::tuple(0, 1, 1, 1));
    EXPECT_EQ(std::tuple(gkApp.Ended, gkApp.CloseState), std::tuple(1, 2));
    EXPECT_EQ(gktest::Queued(), Ints{WM_CLOSE});

    std::remove("DEBUG.TXT");  // the log appends one line per call
    gkSystem::Log("%d", 1);
    gkSystem::Log("%s=%d", "x", 25);
    EXPECT_EQ(Read("DEBUG.TXT"), "1\nx=25\n");
    std::remove("DEBUG.TXT");
}

TEST_F(SystemTest, PointerFileRedirectsPathsAndSavesRoundTrip) {
    plat::headless::SetExecutablePath("/games/board/play");
    // The first line names the folder, with or without its separator and line end.
    const std::pair<const char*, const char*> rows[] = {
        {"/srv/saves/\nsecond line\n", "/srv/saves/board/"},
        {"D:\\Saves\\\r\n", "D:\\Saves/board/"},            // written on Windows
        {nullptr, "/games/board/"}};                        // no pointer file
    EXPECT_EQ(gkSystem::GetPath(0), gkSystem::GetPath(1));  // one buffer for both
    for (auto [content, path] : rows) {
        std::remove((dir + "/ptr.txt").c_str());
        if (content) Write("ptr.txt", content);
        gkSystem::SetDataFolder("ptr.txt");
        EXPECT_STREQ(gkSystem::GetPath(1), path);
        EXPECT_STREQ(gkSystem::GetPath(0), "/games/board/");
    }
    plat::headless::SetExecutablePath("/play");  // in the root: no folder name to add
    Write("ptr.txt", "/srv/saves");
    gkSystem::SetDataFolder("ptr.txt");
    EXPECT_STREQ(gkSystem::GetPath(1), "/srv/saves/");

    Write("ptr.txt", std::string(400, 's'));  // a folder name longer than the path buffer
    gkSystem::SetDataFolder("ptr.txt");
    EXPECT_EQ(std::string(gkSystem::GetPath(1)).size(), 255u);

    // Saves round trip whole, readable by all; failures are quiet.
    gkSystem::SetDataFolder(nullptr);
    plat::headless::SetExecutablePath(dir + "/play");
    const mode_t mask = umask(077);  // saves are readable by all, whatever the mask
    gkSystem::SaveMode("mode.dat", 1);
    umask(mask);
    EXPECT_EQ(fs::status(dir + "/mode.dat").permissions(), fs::perms(0644));
    EXPECT_EQ(std::tuple(Read(dir + "/mode.dat"), gkSystem::LoadMode("mode.dat")),
              std::tuple("1", 1));
    gkSystem::SaveValue("mode.dat", -42);  // replaces the file whole
    EXPECT_EQ(std::tuple(Read(dir + "/mode.dat"), gkSystem::LoadValue("mode.dat")),
              std::tuple("-42", -42));
    // Missing, non-numeric or empty files read 0; saving into no folder is silent.
    Write("text.dat", "abc");
    Write("empty.dat", "");
    gkSystem::SaveMode("no/such/folder.dat", 3);
    for (const char* name : {"none.dat", "text.dat", "empty.dat", "no/such/folder.dat"})
        EXPECT_EQ(std::tuple(gkSystem::LoadMode(name), gkSystem::LoadValue(name)), std::tuple(0, 0))
            << name;
    EXPECT_TRUE(Boxes().empty());

    const std::string slot = dir + "/saves/" + fs::path(dir).filename().string() + "/Slot";
    fs::create_directories(slot);
    Write("ptr.txt", dir + "/saves\n");
    gkSystem::SetDataFolder("ptr.txt");
    gkSystem::SaveMode("slot\\A.DAT", 7);
    EXPECT_EQ(std::tuple(Read(slot + "/A.DAT"), gkSystem::LoadMode("SLOT\\a.dat")),
              std::tuple("7", 7));
}

TEST_F(SystemTest, VersionsDatesAndSizesSaturate) {
    const int rows[][4] = {{0, 3, 1, 310},  {1, 4, 0, 950},  {1, 4, 10, 980},
                           {1, 4, 90, 980}, {1, 3, 95, 395}, {2, 5, 1, 2000},
                           {2, 6, 0, 6000}, {2, 6, 1, 6010}, {3, 1, 0, -1}};
    for (const auto& r : rows)
        EXPECT_EQ(gkSystem::OSVersionCode(r[0], r[1], r[2]), r[3]) << r[0] << r[1] << r[2];

    plat::headless::SetLocalTime({2026, 12, 9, 3, 23, 59, 58});  // a Wednesday
    int v[6];
    char weekday[3] = {'x', 'x', 'x'};
    gkSystem::GetDate(&v[0], &v[1], &v[2], weekday);
    gkSystem::GetTime(&v[3], &v[4], &v[5]);
    EXPECT_EQ(Ints(v, v + 6), (Ints{2026, 12, 9, 23, 59, 58}));
    EXPECT_STREQ(weekday, "\x90\x85");  // 水 in Shift-JIS

    // Saturated to 32 bits; the two readings may differ by what other processes wrote between.
    const uintmax_t free = std::min<uintmax_t>(fs::space("/").available, 0xFFFFFFFFu);
    EXPECT_NEAR(double(gkSystem::GetDiskFree('C')), double(free), 64.0 * 1024 * 1024);
    EXPECT_EQ(gkSystem::GetDiskFree('#'), 0u);
    EXPECT_GT(gkSystem::GetFreeMemory(), 0u);
}

}  // namespace
