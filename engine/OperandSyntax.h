// How an operand's text reads, without evaluating it: what the evaluator and a check
// of the script before a run both go by.
#pragma once

#include <string_view>

namespace operand {

// The register index a register token names (REGL, REGW, REGn, REG:n, or a bare
// number); readable is false for a token that is none of these (it then names REG0).
int ReadRegisterCode(std::string_view token, bool& readable);

// Whether the index can name a cell: false for REGn of 10000 or more, for negative
// numbers other than REGL and REGW, and for REG:n whose pointer register does not
// exist. Indirect indexes whose pointer exists may still fail on what it holds.
bool RegisterCodeCanExist(int index);

} // namespace operand
