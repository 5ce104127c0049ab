#include "KeywordChain.h"

#include "Text.h"
#include "instructions/Families.h"

const CKeywordChain& CKeywordChain::Get()
{
    static const CKeywordChain chain = [] {
        CKeywordChain built;
        AddEveryFamily(built);
        return built;
    }();
    return chain;
}

void CKeywordChain::Add(std::initializer_list<CInstruction> instructions)
{
    for (const CInstruction& instruction : instructions) {
        // The first entry of a folded name wins, as the first equal comparison would.
        m_byFoldedName.emplace(text::FoldCase(instruction.mnemonic), m_entries.size());
        m_entries.push_back(instruction);
    }
}

const CInstruction* CKeywordChain::FindEntry(std::string_view token) const
{
    auto found = m_byFoldedName.find(text::FoldCase(token));
    return found == m_byFoldedName.end() ? nullptr : &m_entries[found->second];
}
