// How an operand's text reads, without evaluating it: what the evaluator and a check
// of the script before a run both go by.
#pragma once

#include <cstdint>
#include <string_view>

namespace operand {

// The register index a register token names (REGL, REGW, REGn, REG:n, or a bare
// number); readable is false for a token that is none of these (it then names REG0).
int ReadRegisterCode(std::string_view token, bool& readable);

// Whether the index can name a cell: false for REGn of 10000 or more, for negative
// numbers other than REGL and REGW, and for REG:n whose pointer register does not
// exist. Indirect indexes whose pointer exists may still fail on what it holds.
bool RegisterCodeCanExist(int index);

// A constant's text: the radix it is read in and its digits. The prefix B', D' or H'
// decides; without one, defaultRadix does, and 0 (the automatic radix) lets the digits
// decide: more than 10 characters are binary, 9 or 10 decimal, then any of A to F makes
// them hexadecimal, any of 2 to 9 decimal, and only 0 and 1 binary (so 10 is two).
// upperToken is upper case without leading white space, and no register or label.
struct CConstantText {
    int radix;
    std::string_view digits; // a view into upperToken
};
CConstantText ReadConstantText(std::string_view upperToken, int defaultRadix);

// The value of a constant's digits, as the evaluator reads them, without any message:
// false where the evaluator reports a failure.
bool ReadConstantValue(const CConstantText& constant, uint32_t& value);

} // namespace operand
