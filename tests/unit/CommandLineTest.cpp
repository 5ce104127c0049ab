// Splitting a command line into a program's words, as a shell reads them.
#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

using Words = std::vector<std::string>;

Words Split(const std::string& line)
{
    Words words;
    EXPECT_TRUE(SplitCommandLine(line, words)) << line;
    return words;
}

TEST(CommandLine, BlanksSeparateWordsAndQuotesJoinThem)
{
    EXPECT_EQ(Split("  xmessage  -title\t\"a b\"  hi "),
              (Words{"xmessage", "-title", "a b", "hi"}));
    EXPECT_EQ(Split("say 'it''s' \"\" ''"), (Words{"say", "its", "", ""}));
    EXPECT_EQ(Split("a\"b c\"'d e'f"), (Words{"ab cd ef"}));
    EXPECT_EQ(Split(""), Words{});
    EXPECT_EQ(Split("日本 語"), (Words{"日本", "語"}));
}

TEST(CommandLine, BackslashesEscapeAsInAShell)
{
    EXPECT_EQ(Split(R"(three\ four a\"b \\ end\)"), (Words{"three four", "a\"b", "\\", "end\\"}));
    EXPECT_EQ(Split("'a\\b'"), Words{"a\\b"});                       // literal in single quotes
    EXPECT_EQ(Split(R"("\$ \" \\ \n \`")"), Words{R"($ " \ \n `)"}); // only $ " \ ` escape
    EXPECT_EQ(Split("join\\\nlines"), Words{"joinlines"});
}

TEST(CommandLine, NothingIsExpandedAndNoOperatorIsRecognised)
{
    EXPECT_EQ(Split("echo $HOME *.txt > out | cat; ~"),
              (Words{"echo", "$HOME", "*.txt", ">", "out", "|", "cat;", "~"}));
}

TEST(CommandLine, AQuoteLeftOpenIsRefused)
{
    Words words;
    EXPECT_FALSE(SplitCommandLine("xmessage 'hello", words));
    EXPECT_FALSE(SplitCommandLine("xmessage \"hello", words));
    EXPECT_FALSE(SplitCommandLine("xmessage \"hello\\\"", words));
}

} // namespace
