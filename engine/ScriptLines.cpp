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

void CScriptLines::SetQuoteChar(char c) { m_chQuote = c; }

void CScriptLines::SetStatementMode() { m_bStatementMode = true; }

void CScriptLines::SetText(std::string_view text)
{
    ClearText();
    ClearItems();
    m_strText.assign(text::TrimRight(text));
    m_nTextLen = static_cast<int>(m_strText.size());
}

void CScriptLines::ClearText() { m_strText.clear(); }

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

void CScriptLines::Split()
{
    const std::string_view all(m_strText);
    size_t pos = 0;
    m_pnStart.clear();
    m_pnLength.clear();
    m_nCount = 0;
    for (;;) {
        std::string_view rest = all.substr(pos);
        size_t e;
        if (m_nSeparatorLen == 2) {
            e = text::FindLineBreak(rest);
        } else if (m_chQuote == 0) {
            e = text::FindChar(rest, m_chSeparator);
        } else {
            size_t q = text::FindChar(rest, m_chQuote);
            size_t s = text::FindChar(rest, m_chSeparator);
            if (q != std::string_view::npos && s != std::string_view::npos && q < s) {
                // A quote before the next separator: the item runs to the first quote
                // after the item's first character; without one it is empty.
                size_t closing = q > 0 ? q : text::FindChar(rest, m_chQuote, 1);
                e = closing == std::string_view::npos ? 0 : closing;
            } else {
                e = s;
            }
        }
        if (e == std::string_view::npos) {
            Record(static_cast<int>(pos), static_cast<int>(rest.size()));
            return;
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
    return std::string_view(m_strText).substr(static_cast<size_t>(m_pnStart[static_cast<size_t>(n)]));
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
