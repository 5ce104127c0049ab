// A look at a whole script before it runs, for the faults that can be seen in its
// text: a first token that is no mnemonic, fewer arguments than the instruction
// needs, a label operand that no label line answers, a label line that an earlier one
// shadows, a register number that does not exist, a bit number above 7, and a bare
// number written with 0 and 1 only (such as 10) that the automatic radix reads as
// binary. The script is split and its statements tokenised exactly as a run does;
// mnemonics, and how each instruction reads its tokens, come from the engine's keyword
// chain, and operands are read by the evaluator's own rules, so the check never
// disagrees with the run about what a line is. Only the tokens an instruction reads
// are looked at: a trailing comment after them is not. It changes nothing and runs
// nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CScriptDiagnostic {
    int line;            // 0-based, as the engine counts lines
    std::string message; // cp932
    // A warning is legal code that most likely does not do what its writer meant (a
    // bare 10 that reads as two); everything else fails or misbehaves when it runs.
    bool warning = false;
};

// The diagnostics of a script (cp932, lines separated by CR LF), by line.
std::vector<CScriptDiagnostic> CheckScript(std::string_view script);
