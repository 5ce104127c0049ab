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

// An instruction: its mnemonic, its handler, and how its handler reads the statement's
// tokens, which a check of the script before a run goes by.
//
// needed: the tokens (the mnemonic included) the instruction cannot do without: those
// its argument-count check asks for, or, where it has none, those it always reads.
// reads: one letter for each token from token 1 on that the handler may read; tokens
// past the end are never read (so a trailing comment after them is harmless).
//   v  operand, automatic radix (a bare 10 is binary 2)
//   d  operand, decimal unless prefixed (line numbers, times, percentages)
//   h  operand, hexadecimal unless prefixed
//   r  register (REGn, REGL, REGW, REG:n, or a bare register number)
//   c  condition or operator
//   B  bit number, automatic radix, refused above 7
//   b  bit number, automatic radix, whose bits above 7 never reach a port
//   t  text (a caption, a file, a hexadecimal address, a serial number, a word)
//   *  this token and the rest of the line, as text
struct CInstruction {
    std::string_view mnemonic; // cp932 bytes
    InstructionHandler handler;
    int needed = 1;
    std::string_view reads = {};
};

class CKeywordChain {
public:
    // The chain of all families, built on first use.
    static const CKeywordChain& Get();

    void Add(std::initializer_list<CInstruction> instructions);
    // The handler whose mnemonic equals token without regard to letter case, or null.
    InstructionHandler Find(std::string_view token) const
    {
        const CInstruction* entry = FindEntry(token);
        return entry ? entry->handler : nullptr;
    }
    // The entry whose mnemonic equals token without regard to letter case, or null.
    const CInstruction* FindEntry(std::string_view token) const;
    const std::vector<CInstruction>& Entries() const { return m_entries; }

private:
    std::vector<CInstruction> m_entries;
    std::unordered_map<std::string, size_t> m_byFoldedName; // index into m_entries
};
