// A look at a whole script before it runs, for the faults that can be seen in its
// text: a first token that is no mnemonic, a label operand that no label line answers,
// a label line that an earlier one shadows, and a register number that does not
// exist. The script is split and its statements tokenised exactly as a run does, and
// mnemonics are looked up in the engine's keyword chain, so the check never disagrees
// with the run about what a line is. It changes nothing and runs nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CScriptDiagnostic {
    int line;            // 0-based, as the engine counts lines
    std::string message; // cp932
};

// The diagnostics of a script (cp932, lines separated by CR LF), by line.
std::vector<CScriptDiagnostic> CheckScript(std::string_view script);
