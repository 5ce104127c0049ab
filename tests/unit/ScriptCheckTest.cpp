// The check of a script before a run, where the golden listing of tavimore-run --check
// cannot look: the instructions' registered token counts against what their handlers
// really refuse, and the numerals of the radix message.
#include <gtest/gtest.h>

#include "KeywordChain.h"
#include "ScriptCheck.h"
#include "ScriptEngine.h"
#include "TestHost.h"

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

TEST(ScriptCheck, EachInstructionNeedsTheTokensItsHandlerAsksFor)
{
    for (const CInstruction& instruction : CKeywordChain::Get().Entries()) {
        SCOPED_TRACE(Utf(instruction.mnemonic));
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

TEST(ScriptCheck, TheRadixMessageWritesTheMeantNumberInNumerals)
{
    auto message = [](const char* operand) {
        const auto found = CheckScript(Sj(std::string("MOV REG1 ") + operand));
        return found.size() == 1 && found[0].warning ? Utf(found[0].message) : std::string();
    };
    EXPECT_EQ(message("10"), "10 は2進数(=2)です。十は D'10 (read as binary)");
    EXPECT_EQ(message("10000"), "10000 は2進数(=16)です。一万は D'10000 (read as binary)");
    EXPECT_EQ(message("11111111"),
              "11111111 は2進数(=255)です。千百十一万千百十一は D'11111111 (read as binary)");
    // One either way, nine digits (decimal) and a prefix say nothing.
    for (const char* plain : {"01", "101010101", "B'10", "D'10", "REG10"})
        EXPECT_TRUE(CheckScript(Sj(std::string("MOV REG1 ") + plain)).empty()) << plain;
}

} // namespace
