// Shift-JIS helpers: lead bytes, upper-casing around double-byte characters, conversion to
// UTF-8, cutting at character boundaries, and Windows-style paths on a case-sensitive disk.
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include "platform/sjis.h"
#include "support/fixture.h"

namespace {

using SjisTest = gktest::Framework;

TEST_F(SjisTest, LeadByteRanges) {
    const std::pair<unsigned char, bool> rows[] = {
        {0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false},
        {0xDF, false}, {0xE0, true}, {0xFC, true}, {0xFD, false}};  // 0xDF: half-width katakana
    for (auto [byte, lead] : rows) EXPECT_EQ(plat::IsLeadByte(byte), lead) << int(byte);
}

TEST_F(SjisTest, UpperCaseLeavesDoubleByteCharactersAlone) {
    char text[] = "a\x83\x61z\xB1q";  // 0x83 0x61: a trail byte that reads as 'a'
    plat::CharUpperBuff(text, std::strlen(text));
    EXPECT_STREQ(text, "A\x83\x61Z\xB1Q");
    char partial[] = "abc";
    plat::CharUpperBuff(partial, 2);
    EXPECT_STREQ(partial, "ABc");
}

TEST_F(SjisTest, ConversionToUtf8) {
    EXPECT_EQ(plat::SjisToUtf8("表示"), "\xE8\xA1\xA8\xE7\xA4\xBA");
    EXPECT_EQ(plat::SjisToUtf8("Gridkeep"), "Gridkeep");
    EXPECT_EQ(plat::SjisToUtf8("\xB1"), "\xEF\xBD\xB1");  // half-width katakana a
    EXPECT_EQ(plat::SjisToUtf8("ok\x81"), "ok?");         // a lead byte without its trail
    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "終";
    EXPECT_EQ(plat::SjisToUtf8(longText.c_str()).size(), 900u);
}

TEST_F(SjisTest, FitNeverSplitsACharacter) {
    for (auto [room, fit] : {std::pair{1u, 1u}, {2u, 1u}, {3u, 3u}, {10u, 4u}})
        EXPECT_EQ(plat::SjisFit("a表b", room), fit) << room;
    EXPECT_EQ(plat::SjisFit("x\x81", 10), 2u);  // a lone lead byte at the end counts as one
}

TEST_F(SjisTest, NativePathsConvertSeparatorsAfterTheCharacterSet) {
    EXPECT_EQ(plat::NativePath("bmp\\block.bmp"), "bmp/block.bmp");
    // The trail byte of 表 is 0x5C, the backslash: it must not become a separator.
    EXPECT_EQ(plat::NativePath("表\\a"), "\xE8\xA1\xA8/a");
}

TEST_F(SjisTest, NativePathsMatchComponentsWithoutCase) {
    char pattern[] = "/tmp/gk-sjis-XXXXXX";
    std::string dir = mkdtemp(pattern);
    std::system(("mkdir -p '" + dir + "/Bmp/Sub'").c_str());
    std::ofstream(dir + "/Bmp/Block.BMP") << "x";
    EXPECT_EQ(plat::NativePath((dir + "\\BMP\\block.bmp").c_str()), dir + "/Bmp/Block.BMP");
    EXPECT_EQ(plat::NativePath((dir + "/bmp/SUB/").c_str()), dir + "/Bmp/Sub/");
    // A component that matches nothing stays as written; later ones are not guessed.
    EXPECT_EQ(plat::NativePath((dir + "/bmp/New/x.bmp").c_str()), dir + "/Bmp/New/x.bmp");
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
