// Registers, register indexes, operands and number formatting, at the edges the
// script tests (data/mov.tvm, data/radix.tvm) do not reach. Each test writes down
// what it asked, the answer and the boxes shown, against an expected output.
#include <tuple>

#include "RecordedRuns.h"

namespace {

class Operands : public CRecordedRuns<> {
protected:
    void Note(const std::string& asked, const std::string& answer)
    {
        record += asked + " -> " + answer + "\n";
        for (const std::string& box : host.Messages())
            record += "  " + box + "\n";
        host.calls.clear();
    }
    void Evaluate(std::initializer_list<const char*> tokens, int radix = 0)
    {
        for (const char* token : tokens)
            Note("evaluate \"" + std::string(token) + "\" radix " + std::to_string(radix),
                 std::to_string(engine.EvaluateOperand(token, radix)));
    }
    void Parse(std::initializer_list<const char*> tokens)
    {
        for (const char* token : tokens)
            Note("register \"" + std::string(token) + "\"",
                 std::to_string(engine.ParseRegister(token)));
    }
    void Write(int index, uint32_t value)
    {
        engine.WriteRegister(index, value);
        Note("write " + std::to_string(index), std::to_string(value));
    }
    void Read(int index)
    {
        Note("read " + std::to_string(index), std::to_string(engine.ReadRegister(index)));
    }
};

// The script data/radix covers the radix rules and prefixes in value positions; here
// what a statement cannot pass: a radix asked for by the caller, leading blanks, an
// empty token. White space after D', REG or REG: is not skipped (no digits read give
// 0); the token's leading white space goes.
TEST_F(Operands, RadixAskedForAndTokensNoStatementHolds)
{
    Evaluate({"  H'10", "", "D'\t5", "D'-\t5", "D'12\t3"});
    Evaluate({"10", "4294967297"}, 10);
    Evaluate({"10"}, 16);
    Evaluate({"12"}, 7);
    Parse({"REG\t2", "REG:\t3", "\tREG2"});
}

// REG:n, REG:0 and REG: read through a register; REG65535 is REG:0 and REG131072
// REG:2. No digits after REG name REG0, silently. Registers that do not exist are
// refused without touching memory; indirection is one level deep: a register holding an
// index code is used as a plain number.
TEST_F(Operands, RegisterFormsAndRegistersThatDoNotExist)
{
    Write(5, 12);
    Write(3, 20);
    Write(20, 77);
    Write(-1, 5);
    Evaluate({"REG5", "reg5", "REG:3", "REG:0", "REG:", "REGL", "REG-1"});
    Parse({"REGL", "REGW", "REG-2", "7", "REG65535", "REG:0", "REG131072", "REG:2", "", "REGX"});
    Write(10000, 1);
    Write(-1, 10000);
    Write(0xFFFF, 1);
    Write(3, 10000);
    Write(3 << 16, 1);
    Write(10000 << 16, 1);
    Read(-3);
    Read(engine.ParseRegister("REG:-1"));
    Read(engine.ParseRegister("REG:40000"));
    Write(3, 0x20000);
    Read(3 << 16);
}

TEST_F(Operands, LabelsNameTheLineAfterTheFirstMatchingLine)
{
    // (Label lines with a trailing space: script core/trailing-space.)
    Run("A\nB\nC\nL'LOOP\nD\nE\nF\nl'loop", Shown::Nothing);
    Evaluate({"L'LOOP", "l'Loop"});
}

// The magnitude fills every position: its leftmost digit replaces the minus. Radix 8
// is refused.
TEST_F(Operands, FormatNumberAndRegister)
{
    // Value, digits and radix.
    const int32_t numbers[] = {5,          4,  10, -5,        4,  10, 255,    8, 16, 5,      4, 8,
                               5,          8,  2,  0,         6,  10, -1,     8, 16, 0x3FF,  8, 2,
                               0x12345678, 32, 16, INT32_MIN, 32, 10, -12345, 4, 10, 123456, 4, 10};
    for (size_t i = 0; i < std::size(numbers); i += 3)
        Note("format " + std::to_string(numbers[i]) + " " + std::to_string(numbers[i + 1]) + " " +
                 std::to_string(numbers[i + 2]),
             engine.FormatNumber(numbers[i], numbers[i + 1], numbers[i + 2]));
    Write(5, 12);
    Write(-1, 5);
    Write(2, 5);
    for (auto [index, digits, radix] : std::initializer_list<std::tuple<int, int, int>>{
             {5, 32, 10}, {-1, 8, 16}, {-2, 8, 16}, {0xFFFF, 8, 16}, {0x20000, 8, 16}})
        Note("format register " + std::to_string(index) + " " + std::to_string(digits),
             engine.FormatRegister(index, 4, 10, digits, radix));
}

} // namespace
