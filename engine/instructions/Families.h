// The instruction families: each adds its mnemonics to the keyword chain from its own
// source, in the order of comparison. A new family is one source here and one line in
// BuildKeywordChain (Instructions.cpp).
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
