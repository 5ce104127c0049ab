#include "ScriptLines.h"

#include "Text.h"

int CScriptLines::s_nCapacity = 20;

namespace {
constexpr std::string_view kErrorItem = "Error";
}

CScriptLines::CScriptLines() = default;

void CScriptLines::SetCapacity(int n)
{
    s_nCapacity = n > 0 ? n : 1;
    ClearItems();
}

void CScriptLines::SetLineSeparator()
{
    m_szSeparator[0] = '\r';
    m_szSeparator[1] = '\n';
    m_szSeparator[2] = 0;
    m_nSeparatorLen = 2;
}

void CScriptLines::SetSeparatorChar(char c)
{
    m_chSeparator = c;
    m_nSeparatorLen = 0;
}

void CScriptLines::SetQuoteChar(char c)
{
    m_chQuote = c;
}

void CScriptLines::SetStatementMode()
{
    m_bStatementMode = true;
}

void CScriptLines::SetText(std::string_view text)
{
    ClearText();
    ClearItems();
    m_strText.assign(text::TrimRight(text));
    m_nTextLen = static_cast<int>(m_strText.size());
}

void CScriptLines::ClearText()
{
    m_strText.clear();
}

void CScriptLines::ClearItems()
{
    // Entries past the count read as the empty item, exactly as zeroed entries of a
    // fixed table would, so only the recorded items need room.
    m_pnStart.clear();
    m_pnLength.clear();
    m_nCount = 0;
}

void CScriptLines::Record(int start, int length)
{
    m_pnStart.push_back(start);
    m_pnLength.push_back(length);
    ++m_nCount;
}

namespace {

// The position of the next single-byte character c in text, remembered between
// searches: the items of a split are consumed front to back, so a search from a later
// start point that has not yet passed the remembered position has the same answer.
// Each byte is therefore looked at once per character searched for, and splitting a
// line stays linear in its length however many tokens it has.
class CNextChar {
public:
    CNextChar(std::string_view text, char c) : m_text(text), m_ch(c) {}
    // from must be the start of a character and must not decrease between calls.
    size_t From(size_t from)
    {
        if (!m_bKnown || (m_nAt != std::string_view::npos && m_nAt < from)) {
            m_nAt = text::FindChar(m_text, m_ch, from);
            m_bKnown = true;
        }
        return m_nAt;
    }

private:
    std::string_view m_text;
    char m_ch;
    size_t m_nAt = std::string_view::npos;
    bool m_bKnown = false;
};

} // namespace

void CScriptLines::Split()
{
    SplitItems();
}

bool CScriptLines::SplitItems()
{
    const std::string_view all(m_strText);
    constexpr size_t npos = std::string_view::npos;
    size_t pos = 0;
    m_pnStart.clear();
    m_pnLength.clear();
    m_nCount = 0;
    if (m_nSeparatorLen == 2) {
        // Room for every line at once: the line store of a large script is not copied
        // while it grows.
        size_t breaks = 0;
        for (size_t at = all.find("\r\n"); at != npos; at = all.find("\r\n", at + 2))
            ++breaks;
        m_pnStart.reserve(breaks + 1);
        m_pnLength.reserve(breaks + 1);
    }
    CNextChar nextQuote(all, m_chQuote);
    CNextChar nextSeparator(all, m_chSeparator);
    for (unsigned round = 1;; ++round) {
        if (m_pfnStopRequested != nullptr && (round & 0xFFFF) == 0 &&
            m_pfnStopRequested(m_pStopContext))
            return false;
        const size_t restSize = all.size() - pos;
        size_t e; // end of the item, relative to pos
        if (m_nSeparatorLen == 2) {
            size_t at = all.find("\r\n", pos);
            e = at == npos ? npos : at - pos;
        } else if (m_chQuote == 0) {
            size_t at = nextSeparator.From(pos);
            e = at == npos ? npos : at - pos;
        } else {
            size_t q = nextQuote.From(pos);
            size_t sep = nextSeparator.From(pos);
            if (q != npos && sep != npos && q < sep) {
                // A quote before the next separator: the item runs to the first quote
                // after the item's first character; without one it is empty.
                size_t closing = q > pos ? q : nextQuote.From(pos + 1);
                e = closing == npos ? 0 : closing - pos;
            } else {
                e = sep == npos ? npos : sep - pos;
            }
        }
        if (e == npos) {
            Record(static_cast<int>(pos), static_cast<int>(restSize));
            return true;
        }
        const size_t separatorLen = m_nSeparatorLen == 2 ? 2 : 1;
        if (e == 0) {
            if (m_bStatementMode) {
                pos += 1;
            } else {
                Record(static_cast<int>(pos), 0);
                pos += separatorLen;
            }
        } else {
            Record(static_cast<int>(pos), static_cast<int>(e));
            pos += e + separatorLen;
        }
        if (pos > all.size()) pos = all.size();
    }
}

bool CScriptLines::ItemInText(int n) const
{
    auto i = static_cast<size_t>(n);
    return m_pnStart[i] + m_pnLength[i] <= m_nTextLen;
}

std::string_view CScriptLines::ItemView(int n) const
{
    if (n < 0 || n >= m_nCount) return {};
    if (!ItemInText(n)) return kErrorItem;
    auto i = static_cast<size_t>(n);
    return std::string_view(m_strText).substr(static_cast<size_t>(m_pnStart[i]),
                                              static_cast<size_t>(m_pnLength[i]));
}

std::string_view CScriptLines::ItemToEndView(int n) const
{
    if (n < 0 || n >= m_nCount) return {};
    if (!ItemInText(n)) return kErrorItem;
    return std::string_view(m_strText).substr(
        static_cast<size_t>(m_pnStart[static_cast<size_t>(n)]));
}

std::string CScriptLines::GetItem(int n)
{
    m_strItem.assign(ItemView(n));
    return m_strItem;
}

std::string CScriptLines::GetItemToEnd(int n)
{
    m_strItem.assign(ItemToEndView(n));
    return m_strItem;
}

int CScriptLines::GetItemLength(int n) const
{
    if (n < 0 || n >= m_nCount) return 0;
    return m_pnLength[static_cast<size_t>(n)];
}

const char* CScriptLines::GetItemBuffer(int n)
{
    m_strItem.assign(ItemView(n));
    m_strItem.append(m_szSeparator);
    return m_strItem.c_str();
}
