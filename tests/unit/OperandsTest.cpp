// Registers, register indexes, operands and number formatting, at the edges the
// script tests (data/mov.tvm, data/radix.tvm) do not reach.
#include <gtest/gtest.h>

#include "ScriptEngine.h"
#include "TestHost.h"

namespace {

const std::string kNoRegister =
    "レジスタ取得に\\n問題が発生しました\\n\\n存在しないレジスタに\\nアクセスしました";
const std::string kMissing = "MessageBox \"CAUTION!!!\" \"" + kNoRegister + "\" -> OK";
const std::string kMissingIndirect =
    "MessageBox \"CAUTION!!!(間接アドレス指定)\" \"" + kNoRegister + "\" -> OK";
const std::string kBadRegL = "MessageBox \"CAUTION!!!(間接アドレス指定)\" \"" + kNoRegister +
                             "\\nreglの値が不正です\" -> OK";
const std::string kBinary =
    "MessageBox \"CAUTION!!!\" \"文字列＝＞DWORD変換の\\n最中にエラーが発生しました\" -> OK";

class Operands : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};

    // Runs the script once so that label searches see it.
    void Script(const std::string& text)
    {
        engine.SetScript(text);
        engine.Run(-1);
        host.calls.clear();
    }
    uint32_t Eval(const std::string& token, int radix = 0)
    {
        return engine.EvaluateOperand(token, radix);
    }
    std::vector<std::string> Boxes() { return host.Messages(); }
};

// The script data/radix covers the radix rules and prefixes in value positions; here
// what a statement cannot pass: a radix asked for by the caller, leading blanks, an
// empty token.
TEST_F(Operands, RadixAskedForAndTokensNoStatementHolds)
{
    EXPECT_EQ(Eval("  H'10"), 16u);
    EXPECT_EQ(Eval("10", 10), 10u);
    EXPECT_EQ(Eval("10", 16), 16u);
    EXPECT_EQ(Eval("4294967297", 10), 1u);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Eval(""), 0u);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kBinary}));
    host.calls.clear();
    EXPECT_EQ(Eval("12", 7), 0u);
    EXPECT_EQ(
        Boxes(),
        (std::vector<std::string>{
            "MessageBox \"CAUTION!!!\" \"定数を取得していて、\\n問題が発生しました\" -> OK"}));
}

TEST_F(Operands, RegisterForms)
{
    engine.WriteRegister(5, 12);
    engine.WriteRegister(3, 20);
    engine.WriteRegister(20, 77);
    engine.WriteRegister(-1, 5);
    EXPECT_EQ(Eval("REG5"), 12u);
    EXPECT_EQ(Eval("reg5"), 12u);
    EXPECT_EQ(Eval("REG:3"), 77u);
    EXPECT_EQ(Eval("REG:0"), 12u); // REGL holds 5
    EXPECT_EQ(Eval("REG:"), 12u);
    EXPECT_EQ(Eval("REGL"), 5u);
    EXPECT_EQ(Eval("REG-1"), 5u);
    EXPECT_EQ(engine.ParseRegister("REGL"), -1);
    EXPECT_EQ(engine.ParseRegister("REGW"), -2);
    EXPECT_EQ(engine.ParseRegister("REG-2"), -2);
    EXPECT_EQ(engine.ParseRegister("7"), 7);
    EXPECT_EQ(engine.ParseRegister("REG65535"), engine.ParseRegister("REG:0"));
    EXPECT_EQ(engine.ParseRegister("REG131072"), engine.ParseRegister("REG:2"));
    EXPECT_EQ(engine.ParseRegister("REG:2"), 0x20000);
    EXPECT_EQ(engine.ParseRegister(""), 0);
    EXPECT_EQ(engine.ParseRegister("REGX"), 0); // no digits after REG: REG0, silently
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Operands, DecimalsStopAtTheFirstCharacterThatIsNotADigit)
{
    // White space after D', REG or REG: is not skipped: no digits read give 0.
    EXPECT_EQ(Eval("D'\t5"), 0u);
    EXPECT_EQ(Eval("D'-\t5"), 0u);
    EXPECT_EQ(Eval("D'12\t3"), 12u);
    EXPECT_EQ(engine.ParseRegister("REG\t2"), 0);
    EXPECT_EQ(engine.ParseRegister("REG:\t3"), 0xFFFF);
    EXPECT_EQ(engine.ParseRegister("\tREG2"), 2); // leading white space of the token goes
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Operands, RegistersThatDoNotExistAreRefusedWithoutTouchingMemory)
{
    engine.WriteRegister(10000, 1);
    engine.WriteRegister(-1, 10000);
    engine.WriteRegister(0xFFFF, 1);
    engine.WriteRegister(3, 10000);
    engine.WriteRegister(3 << 16, 1);
    engine.WriteRegister(10000 << 16, 1); // REG:10000
    EXPECT_EQ(engine.ReadRegister(-3), 0u);
    EXPECT_EQ(engine.ReadRegister(engine.ParseRegister("REG:-1")), 0u);
    EXPECT_EQ(engine.ReadRegister(engine.ParseRegister("REG:40000")), 0u);
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{kMissing, kBadRegL, kMissingIndirect, kMissingIndirect,
                                        kMissing, kMissingIndirect, kMissingIndirect}));
}

TEST_F(Operands, IndirectionIsOneLevelDeep)
{
    engine.WriteRegister(3, 0x20000); // REG3 holds an index code, used as a plain number
    EXPECT_EQ(engine.ReadRegister(3 << 16), 0u);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{kMissingIndirect}));
}

TEST_F(Operands, LabelsNameTheLineAfterTheFirstMatchingLine)
{
    // (Label lines with a trailing space: script core/trailing-space.)
    Script("A\r\nB\r\nC\r\nL'LOOP\r\nD\r\nE\r\nF\r\nl'loop");
    EXPECT_EQ(Eval("L'LOOP"), 4u);
    EXPECT_EQ(Eval("l'Loop"), 4u);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Operands, FormatNumber)
{
    EXPECT_EQ(engine.FormatNumber(5, 4, 10), "00005@d");
    EXPECT_EQ(engine.FormatNumber(-5, 4, 10), "-0005@d");
    EXPECT_EQ(engine.FormatNumber(255, 8, 16), "0000000FF@h");
    EXPECT_EQ(engine.FormatNumber(5, 8, 2), "000000101@b");
    EXPECT_EQ(engine.FormatNumber(0x12345678, 32, 16), std::string(24, '0') + "12345678@h");
    EXPECT_EQ(engine.FormatNumber(0, 6, 10), "0000000@d");
    EXPECT_EQ(engine.FormatNumber(static_cast<int32_t>(0xFFFFFFFF), 8, 16), "0FFFFFFFF@h");
    EXPECT_EQ(engine.FormatNumber(0x3FF, 8, 2), "111111111@b");
    EXPECT_EQ(engine.FormatNumber(INT32_MIN, 32, 10), "-" + std::string(21, '0') + "2147483648@d");
    // The magnitude fills every position: its leftmost digit replaces the minus.
    EXPECT_EQ(engine.FormatNumber(-12345, 4, 10), "12345@d");
    EXPECT_EQ(engine.FormatNumber(123456, 4, 10), "23456@d");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(engine.FormatNumber(5, 4, 8), "");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"MessageBox \"CAUTION!!!\" "
                                                 "\"基数を変換する\\nルーチンで\\nエラーが発生しま"
                                                 "した\\n基数に対応してません\" -> OK"}));
}

TEST_F(Operands, FormatRegister)
{
    engine.WriteRegister(5, 12);
    EXPECT_EQ(engine.FormatRegister(5, 4, 10, 32, 10), "00005@d " + std::string(30, '0') + "12@d");
    engine.WriteRegister(-1, 5);
    EXPECT_EQ(engine.FormatRegister(-1, 4, 10, 8, 16), "REGL::  000000005@h");
    EXPECT_EQ(engine.FormatRegister(-2, 4, 10, 8, 16), "REGW::  000000000@h");
    EXPECT_EQ(engine.FormatRegister(0xFFFF, 4, 10, 8, 16), "00005@d 00000000C@h");
    engine.WriteRegister(2, 5);
    EXPECT_EQ(engine.FormatRegister(0x20000, 4, 10, 8, 16), "00002@d 00000000C@h");
}

} // namespace
