// The check of a script before a run, where the golden listing of tavimore-run --check
// cannot look: the instructions' registered token counts against what their handlers
// really refuse, and the numerals of the radix message.
#include "ScriptCheck.h"

#include <set>

#include "KeywordChain.h"
#include "RecordedRuns.h"
#include "Text.h"

namespace {

// Runs one statement of `count` tokens (the mnemonic, then 1s) outside a run and says
// whether the argument-count check refused it.
bool RefusedForCount(std::string_view mnemonic, int count)
{
    CTestHost host;
    CScriptEngine engine{host};
    std::string text(mnemonic);
    for (int i = 1; i < count; ++i)
        text += " 1";
    ExecuteLine(engine, text);
    for (const std::string& box : host.Messages())
        if (box.find("引数の数が足りません") != std::string::npos) return true;
    return false;
}

using ScriptCheck = CGoldenTest;

// No two mnemonics are equal without regard to case.
TEST_F(ScriptCheck, EachInstructionIsFoundOnceAndNeedsTheTokensItsHandlerAsksFor)
{
    EXPECT_EQ(CKeywordChain::Get().Find("jMp"), CKeywordChain::Get().Find("JMP"));
    EXPECT_NE(CKeywordChain::Get().Find(Sj("カーソル行")), nullptr);
    std::set<std::string> seen;
    for (const CInstruction& instruction : CKeywordChain::Get().Entries()) {
        SCOPED_TRACE(Utf(instruction.mnemonic));
        EXPECT_TRUE(seen.insert(text::FoldCase(instruction.mnemonic)).second);
        // The fewest tokens the handler takes without its count message.
        int taken = 1;
        while (taken < 8 && RefusedForCount(instruction.mnemonic, taken))
            ++taken;
        // A handler that counts its tokens needs exactly what it counts; one that does
        // not may still need the operands it always reads.
        if (taken > 1)
            EXPECT_EQ(instruction.needed, taken);
        else
            EXPECT_GE(instruction.needed, 1);
        // What it needs, it reads.
        EXPECT_LE(instruction.needed - 1, static_cast<int>(instruction.reads.size()));
        EXPECT_EQ(instruction.reads.find_first_not_of("vdhrcBbt*"), std::string_view::npos);
    }
}

// The radix message writes the meant number in numerals; one either way, nine digits
// (decimal) and a prefix say nothing.
TEST_F(ScriptCheck, TheRadixMessageWritesTheMeantNumberInNumerals)
{
    for (const char* operand :
         {"10", "10000", "11111111", "01", "101010101", "B'10", "D'10", "REG10"})
        for (const auto& found : CheckScript(Sj(std::string("MOV REG1 ") + operand)))
            record += operand + std::string(found.warning ? " warning: " : " error: ") +
                      Utf(found.message) + "\n";
}

} // namespace
