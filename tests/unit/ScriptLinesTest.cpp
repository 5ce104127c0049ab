// The splitter in its two roles: the line store and the tokenised statement.
#include <gtest/gtest.h>

#include "ScriptLines.h"
#include "TestHost.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    CScriptLines store;
    store.SetText(text);
    store.SetLineSeparator();
    store.SetCapacity(3000);
    store.Split();
    std::vector<std::string> out;
    for (int i = 0; i < store.GetCount(); ++i)
        out.push_back(store.GetItem(i));
    return out;
}

std::vector<std::string> Tokens(const std::string& line)
{
    CScriptLines statement;
    SplitStatement(statement, line);
    std::vector<std::string> out;
    for (int i = 0; i < statement.GetCount(); ++i)
        out.push_back(statement.GetItem(i));
    return out;
}

using V = std::vector<std::string>;

TEST(LineStore, TrailingWhiteSpaceOfTheScriptIsDroppedBeforeCutting)
{
    EXPECT_EQ(Lines("JMP L'A\r\nL'A\r\n\r\n  "), (V{"JMP L'A", "L'A"}));
    EXPECT_EQ(Lines("\r\n\r\nX"), (V{"", "", "X"}));
    EXPECT_EQ(Lines("A\r\n\r\nB"), (V{"A", "", "B"}));
    EXPECT_EQ(Lines(""), (V{""}));
    EXPECT_EQ(Lines("  A  \r\nB"), (V{"  A  ", "B"}));
}

TEST(LineStore, OnlyCrLfBreaksALineEvenAfterALeadByte)
{
    EXPECT_EQ(Lines("A\rB\nC\r\nD"), (V{"A\rB\nC", "D"}));
    // CR cannot be the trail byte of a double-byte character, so the editor shows two
    // lines here; the line store must count the same lines.
    EXPECT_EQ(Lines("A\x81\r\nB\r\nC"), (V{"A\x81", "B", "C"}));
    EXPECT_EQ(Lines("\x82\r\n\x82\r\nX"), (V{"\x82", "\x82", "X"}));
}

TEST(LineStore, GrowsPastTheCapacity)
{
    std::string script;
    for (int i = 0; i < 5000; ++i)
        script += "L" + std::to_string(i) + "\r\n";
    V lines = Lines(script);
    ASSERT_EQ(lines.size(), 5000u);
    EXPECT_EQ(lines[4999], "L4999");
}

TEST(Statement, SpacesSeparateAndRunsAreSkippedFullWidthOnesAreOrdinary)
{
    EXPECT_EQ(Tokens("   JMP    L'A   "), (V{"JMP", "L'A"}));
    EXPECT_EQ(Tokens("JMP\tL'A"), (V{"JMP\tL'A"}));
    EXPECT_EQ(Tokens("\tJMP L'A"), (V{"\tJMP", "L'A"}));
    EXPECT_EQ(Tokens(""), (V{""}));
    EXPECT_EQ(Tokens("a,b c"), (V{"a,b", "c"}));
    EXPECT_EQ(Tokens(Sj("A　B ”C D”")), (V{Sj("A　B"), Sj("”C"), Sj("D”")}));
}

TEST(Statement, QuoteRule)
{
    EXPECT_EQ(Tokens("MESSAGEBOX \"a b\" T"), (V{"MESSAGEBOX", "\"a b", "T"}));
    EXPECT_EQ(Tokens("MESSAGEBOX \"ab\" T"), (V{"MESSAGEBOX", "\"ab", "T"}));
    EXPECT_EQ(Tokens("MESSAGEBOX T \"ab\""), (V{"MESSAGEBOX", "T", "\"ab\""}));
    EXPECT_EQ(Tokens("MESSAGEBOX \"ab"), (V{"MESSAGEBOX", "\"ab"}));
    EXPECT_EQ(Tokens("X \"ab cd"), (V{"X", "ab", "cd"}));
    EXPECT_EQ(Tokens("ab\"c d\""), (V{"ab", "c", "d\""}));
    // A quoted token that ends the line is followed by an empty token.
    EXPECT_EQ(Tokens(Sj("文字列 REG1 \"a b\"")), (V{Sj("文字列"), "REG1", "\"a b", ""}));
    EXPECT_EQ(Tokens(Sj("文字列 REG1 \"abc\" X")), (V{Sj("文字列"), "REG1", "\"abc", "X"}));
}

TEST(Statement, ItemsPastTheCountAreEmptyAndToEndKeepsTheRest)
{
    CScriptLines statement;
    SplitStatement(statement, "EXEC xterm -e  top");
    EXPECT_EQ(statement.GetCount(), 4);
    EXPECT_EQ(statement.GetItem(7), "");
    EXPECT_EQ(statement.GetItemLength(1), 5);
    EXPECT_EQ(statement.GetItemToEnd(1), "xterm -e  top");
    EXPECT_STREQ(statement.GetItemBuffer(3), "top");
}

} // namespace
