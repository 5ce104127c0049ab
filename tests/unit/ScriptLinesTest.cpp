// The splitter in its two roles: the line store and the tokenised statement. Each text
// is written down with the items it is split into, against an expected output.
#include "ScriptLines.h"
#include "RecordedRuns.h"

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

class Splitter : public CGoldenTest {
protected:
    void Split(std::initializer_list<std::string> texts,
               std::vector<std::string> (*split)(const std::string&))
    {
        for (const std::string& text : texts) {
            record += Escaped(text) + " ->";
            for (const std::string& item : split(text))
                record += " [" + Escaped(item) + "]";
            record += "\n";
        }
    }
};

// Trailing white space of the script is dropped before it is cut. Only CR LF breaks a
// line, even after a lead byte: CR cannot be the trail byte of a double-byte
// character, so the editor shows two lines there, and the line store must count the
// same lines.
TEST_F(Splitter, LineStore)
{
    Split({"JMP L'A\r\nL'A\r\n\r\n  ", "\r\n\r\nX", "A\r\n\r\nB", "", "  A  \r\nB", "A\rB\nC\r\nD",
           "A\x81\r\nB\r\nC", "\x82\r\n\x82\r\nX"},
          Lines);
}

// Spaces separate and runs of them are skipped; tabs, commas and full-width spaces are
// ordinary characters. Quoted tokens as the MESSAGEBOX and 文字列 statements take them;
// a quoted token that ends the line is followed by an empty token.
TEST_F(Splitter, Statement)
{
    Split({"   JMP    L'A   ", "JMP\tL'A", "\tJMP L'A", "", "a,b c", Sj("A　B ”C D”"),
           "MESSAGEBOX \"a b\" T", "MESSAGEBOX \"ab\" T", "MESSAGEBOX T \"ab\"", "MESSAGEBOX \"ab",
           "X \"ab cd", "ab\"c d\"", Sj("文字列 REG1 \"a b\""), Sj("文字列 REG1 \"abc\" X")},
          Tokens);
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
