// Executable-relative paths and the data-folder redirect, save files, and the system queries.
#include <dirent.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "gk.h"
#include "platform/files.h"
#include "support/fixture.h"

namespace {

class UtilitiesTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        char pattern[] = "/tmp/gk-utilities-XXXXXX";
        dir = mkdtemp(pattern);
        setenv("GK_SYSTEM_DIR", dir.c_str(), 1);
    }
    void TearDown() override {
        std::system(("rm -rf '" + dir + "'").c_str());
        unsetenv("GK_SYSTEM_DIR");
        gktest::Framework::TearDown();
    }
    void Write(const std::string& name, const std::string& content) {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
    }
    std::string Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }
    int Entries(const std::string& path) {
        int count = 0;
        DIR* d = opendir(path.c_str());
        while (dirent* entry = readdir(d)) count += entry->d_name[0] != '.';
        closedir(d);
        return count;
    }
    std::string dir;
};

TEST_F(UtilitiesTest, PointerFileRedirectsSavePaths) {
    plat::headless::SetExecutablePath("/games/board/play");
    // The first line names the folder, with or without its separator and line end.
    const struct {
        const char* content;
        const char* path;
    } rows[] = {{"/srv/saves/\nsecond line\n", "/srv/saves/board/"},
                {"D:\\Saves\\\r\n", "D:\\Saves/board/"},  // written on Windows
                {nullptr, "/games/board/"}};              // no pointer file
    // One buffer, overwritten by each call.
    EXPECT_EQ(gkSystem::GetPath(0), gkSystem::GetPath(1));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        std::remove((dir + "/ptr.txt").c_str());
        if (row.content) Write("ptr.txt", row.content);
        gkSystem::SetDataFolder("ptr.txt");
        EXPECT_STREQ(gkSystem::GetPath(1), row.path);
        EXPECT_STREQ(gkSystem::GetPath(0), "/games/board/");
    }
    plat::headless::SetExecutablePath("/play");  // in the root: no folder name to add
    Write("ptr.txt", "/srv/saves");
    gkSystem::SetDataFolder("ptr.txt");
    EXPECT_STREQ(gkSystem::GetPath(1), "/srv/saves/");
}

TEST_F(UtilitiesTest, LongPathsAreCutNotOverflowed) {
    std::string deep = "/" + std::string(300, 'd') + "/play";
    plat::headless::SetExecutablePath(deep);
    EXPECT_EQ(std::string(gkSystem::GetPath(0)), deep.substr(0, 255));
    Write("ptr.txt", std::string(400, 's'));
    gkSystem::SetDataFolder("ptr.txt");
    EXPECT_EQ(std::string(gkSystem::GetPath(1)).size(), 255u);
}

TEST_F(UtilitiesTest, SavesRoundTripFollowTheDataFolderAndFailQuietly) {
    plat::headless::SetExecutablePath(dir + "/play");
    gkSystem::SaveMode("mode.dat", 1);
    EXPECT_EQ(Read(dir + "/mode.dat"), "1");
    EXPECT_EQ(gkSystem::LoadMode("mode.dat"), 1);
    gkSystem::SaveValue("mode.dat", -42);  // replaces the file whole
    EXPECT_EQ(Read(dir + "/mode.dat"), "-42");
    EXPECT_EQ(gkSystem::LoadValue("mode.dat"), -42);
    EXPECT_EQ(Entries(dir), 1);  // no temporary file left behind
    // Missing, non-numeric or empty files read 0; saving into no folder is silent.
    Write("text.dat", "abc");
    Write("empty.dat", "");
    gkSystem::SaveMode("no/such/folder.dat", 3);
    for (const char* name : {"none.dat", "text.dat", "empty.dat", "no/such/folder.dat"})
        EXPECT_EQ(std::tuple(gkSystem::LoadMode(name), gkSystem::LoadValue(name)), std::tuple(0, 0))
            << name;
    EXPECT_TRUE(plat::headless::Boxes().empty());

    const std::string slot = dir + "/saves/" + dir.substr(dir.rfind('/') + 1) + "/Slot";
    std::system(("mkdir -p '" + slot + "'").c_str());
    Write("ptr.txt", dir + "/saves\n");
    gkSystem::SetDataFolder("ptr.txt");
    gkSystem::SaveMode("slot\\A.DAT", 7);
    EXPECT_EQ(Read(slot + "/A.DAT"), "7");
    EXPECT_EQ(gkSystem::LoadMode("SLOT\\a.dat"), 7);
}

TEST_F(UtilitiesTest, OSVersionTable) {
    const int rows[][4] = {{0, 3, 1, 310},  {1, 4, 0, 950},  {1, 4, 10, 980},
                           {1, 4, 90, 980}, {1, 3, 95, 395}, {2, 5, 1, 2000},
                           {2, 6, 0, 6000}, {2, 6, 1, 6010}, {3, 1, 0, -1}};
    for (const auto& r : rows)
        EXPECT_EQ(gkSystem::OSVersionCode(r[0], r[1], r[2]), r[3]) << r[0] << r[1] << r[2];
    plat::OSVersion os = plat::GetOSVersion();
    EXPECT_EQ(gkSystem::GetOSVersion(), gkSystem::OSVersionCode(2, os.major, os.minor));
    EXPECT_GE(os.major, 2);
}

TEST_F(UtilitiesTest, DateWeekdayNamesAndTime) {
    const char* names[7] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int day = 0; day < 7; ++day) {
        plat::headless::SetLocalTime({2026, 12, 6 + day, day, 23, 59, 58});
        int year, month, date;
        char weekday[3] = {'x', 'x', 'x'};
        gkSystem::GetDate(&year, &month, &date, weekday);
        EXPECT_EQ(std::tuple(year, month, date), std::tuple(2026, 12, 6 + day));
        EXPECT_STREQ(weekday, names[day]);
    }
    EXPECT_STREQ(names[3], "\x90\x85");  // Wednesday, as Shift-JIS bytes
    int hour, minute, second;
    gkSystem::GetTime(&hour, &minute, &second);
    EXPECT_EQ(std::tuple(hour, minute, second), std::tuple(23, 59, 58));
}

TEST_F(UtilitiesTest, DiskAndMemoryQueriesSaturateAt32Bits) {
    struct statvfs root;
    ASSERT_EQ(statvfs("/", &root), 0);
    uint64_t free = static_cast<uint64_t>(root.f_bavail) * root.f_frsize;
    uint32_t expected = free > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(free);
    // The two readings may differ by what other processes wrote in between.
    EXPECT_NEAR(static_cast<double>(gkSystem::GetDiskFree('C')), expected, 64.0 * 1024 * 1024);
    EXPECT_EQ(gkSystem::GetDiskFree('c'), gkSystem::GetDiskFree('C'));
    EXPECT_EQ(gkSystem::GetDiskFree('#'), 0u);
    EXPECT_GT(gkSystem::GetFreeMemory(), 0u);
}

}  // namespace
