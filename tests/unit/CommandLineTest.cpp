// Splitting a command line into a program's words, as a shell reads them: each line is
// written down with its words, or its refusal, against an expected output.
#include "CommandLine.h"
#include "RecordedRuns.h"

namespace {

using CommandLine = CGoldenTest;

// Blanks separate words and quotes join them. Backslashes escape as in a shell: they
// are literal in single quotes, escape only $ " \ ` in double quotes, and join lines
// before a line break. Nothing is expanded and no operator is recognised. A quote left
// open is refused.
TEST_F(CommandLine, SplitsAsAShellReadsWords)
{
    for (const char* line :
         {"  xmessage  -title\t\"a b\"  hi ", "say 'it''s' \"\" ''", "a\"b c\"'d e'f", "",
          "日本 語", R"(three\ four a\"b \\ end\)", "'a\\b'", R"("\$ \" \\ \n \`")",
          "join\\\nlines", "echo $HOME *.txt > out | cat; ~", "xmessage 'hello", "xmessage \"hello",
          "xmessage \"hello\\\""}) {
        std::vector<std::string> words;
        const bool split = SplitCommandLine(line, words);
        record += Escaped(line) + (split ? " ->" : " -> refused");
        for (const std::string& word : split ? words : std::vector<std::string>{})
            record += " [" + Escaped(word) + "]";
        record += "\n";
    }
}

} // namespace
