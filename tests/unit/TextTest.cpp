// cp932 byte rules: trail bytes never match, case folds ASCII and full-width letters.
#include <gtest/gtest.h>

#include "TestHost.h"
#include "Text.h"

TEST(Text, SearchesAndCaseFoldingStepOverDoubleByteCharacters)
{
    // "ア" is 0x83 0x41: its trail byte is an 'A' that a search must not find.
    std::string s = Sj("アA");
    EXPECT_EQ(text::FindChar(s, 'A'), 2u);
    // "＼" (0x81 0x5F) and "ソ" (0x83 0x5C, trail byte is a backslash).
    EXPECT_EQ(text::FindChar(Sj("ソ\\"), '\\'), 2u);
    // Case folds ASCII and full-width letters only.
    EXPECT_EQ(text::ToUpper("jmp"), "JMP");
    EXPECT_EQ(text::ToUpper(Sj("ａｂｃ")), Sj("ＡＢＣ"));
    // A trail byte in a-z stays: "ヂ" is 0x83 0x61.
    EXPECT_EQ(text::ToUpper(Sj("ヂ")), Sj("ヂ"));
    EXPECT_TRUE(text::EqualsNoCase("FtOpen", "ftopen"));
    EXPECT_TRUE(text::EqualsNoCase(Sj("ｓｉｍ"), Sj("ＳＩＭ")));
    EXPECT_FALSE(text::EqualsNoCase(Sj("ヂ"), Sj("ヂ").substr(0, 1) + "A"));
}

TEST(Text, TrimsCWhiteSpace)
{
    EXPECT_EQ(text::TrimLeft(" \t\r\n\v\fX "), "X ");
    EXPECT_EQ(text::TrimRight(" X \t\r\n\v\f"), " X");
}
