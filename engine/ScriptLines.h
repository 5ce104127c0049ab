// CScriptLines: the engine's text splitter.
//
// One class in two roles. As the line store it holds the whole script cut at CR LF,
// empty lines included. As a statement it holds one line cut at half-width spaces,
// runs of spaces skipped, with the quote rule that lets a token beginning with '"'
// hold spaces. Offsets and lengths count cp932 bytes.
//
// An index past the item count reads as the empty item. The arrays grow with the
// text, so a script of any length keeps every line and a statement every token.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CScriptLines {
public:
    CScriptLines();
    virtual ~CScriptLines() = default;

    // Sets the capacity shared by all objects and empties this one. The capacity is the
    // table size a fixed implementation would have; the arrays here grow past it.
    void SetCapacity(int n);
    static int GetCapacity() { return s_nCapacity; }

    void SetLineSeparator();
    void SetSeparatorChar(char c);
    void SetQuoteChar(char c);
    void SetStatementMode();
    void SetText(std::string_view text);
    void ClearText();
    void ClearItems();
    void Split();

    int GetCount() const { return m_nCount; }
    std::string GetItem(int n);
    std::string GetItemToEnd(int n);
    int GetItemLength(int n) const;
    const char* GetItemBuffer(int n);

    // The item as a view into the text, without a copy; "Error" for an item whose
    // recorded extent lies beyond the text, empty past the last item.
    std::string_view ItemView(int n) const;
    std::string_view ItemToEndView(int n) const;
    const std::string& GetText() const { return m_strText; }

private:
    void Record(int start, int length);
    bool ItemInText(int n) const;

    std::string m_strItem;
    char m_chQuote = 0;
    bool m_bStatementMode = false;
    char m_szSeparator[3] = {0, 0, 0};
    int m_nSeparatorLen = 0;
    int m_nTextLen = 0;
    int m_nCount = 0;
    char m_chSeparator = 0;
    std::string m_strText;
    std::vector<int> m_pnStart;
    std::vector<int> m_pnLength;

    static int s_nCapacity;
};
