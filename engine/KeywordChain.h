// The keyword chain: every mnemonic with the handler that runs it.
//
// Each instruction family adds its mnemonics from its own source under instructions/;
// instructions/Families.h lists the families in order. No two mnemonics are equal without regard to
// letter case, so the order of comparison never decides which handler runs and a statement's
// handler is found by one look-up of its folded mnemonic.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Instruction.h"

struct CInstruction {
    std::string_view mnemonic; // cp932 bytes
    InstructionHandler handler;
};

class CKeywordChain {
public:
    // The chain of all families, built on first use.
    static const CKeywordChain& Get();

    void Add(std::initializer_list<CInstruction> instructions);
    // The handler whose mnemonic equals token without regard to letter case, or null.
    InstructionHandler Find(std::string_view token) const;
    const std::vector<CInstruction>& Entries() const { return m_entries; }

private:
    std::vector<CInstruction> m_entries;
    std::unordered_map<std::string, InstructionHandler> m_byFoldedName;
};
