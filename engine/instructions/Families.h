// The instruction families and the order in which they join the keyword chain.
//
// Each family adds its mnemonics from its own source in this folder, with a one-line
// summary of each beside its name. Every mnemonic differs from every other one without
// regard to letter case, so the order of the families cannot change which handler a
// statement runs (a unit test checks that the names stay distinct); it is the order
// in which the chain lists them. A new family is a new source here (the engine's
// CMakeLists picks it up), its line below and its call in AddEveryFamily.
#pragma once

class CKeywordChain;

void AddFlowInstructions(CKeywordChain& chain);
void AddPortInstructions(CKeywordChain& chain);
void AddBitInstructions(CKeywordChain& chain);
void AddInfraredInstructions(CKeywordChain& chain);
void AddDataInstructions(CKeywordChain& chain);
void AddDialogInstructions(CKeywordChain& chain);
void AddFtdiInstructions(CKeywordChain& chain);
void AddSystemInstructions(CKeywordChain& chain);

inline void AddEveryFamily(CKeywordChain& chain)
{
    AddFlowInstructions(chain);
    AddPortInstructions(chain);
    AddBitInstructions(chain);
    AddInfraredInstructions(chain);
    AddDataInstructions(chain);
    AddDialogInstructions(chain);
    AddFtdiInstructions(chain);
    AddSystemInstructions(chain);
}
