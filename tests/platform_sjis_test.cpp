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

TEST_F(SjisTest, LeadBytesUpperCaseConversionAndFitting) {
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
