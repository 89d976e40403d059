// The folder search: wildcards without case, double-byte names, only regular files, sorted.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/fixture.h"

namespace {

using FilesTest = gktest::Framework;
using Names = std::vector<std::string>;

TEST_F(FilesTest, FindFilesMatchesWithoutCaseInNameOrder) {
    char pattern[] = "/tmp/gk-files-XXXXXX";
    const std::string dir = mkdtemp(pattern), folder = dir + "\\BMP";
    std::filesystem::create_directories(dir + "/Bmp/d.bmp");  // a folder, never a match
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

}  // namespace
