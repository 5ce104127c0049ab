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
    // Split that asks stopRequested every 65536 items and gives up (returns false,
    // with the items found so far) when it answers true. For very long lines, which
    // take long enough to split that a stop must be able to cut in.
    template <typename StopQuery> bool SplitUnlessStopped(StopQuery&& stopRequested)
    {
        m_pfnStopRequested = [](void* context) { return (*static_cast<StopQuery*>(context))(); };
        m_pStopContext = &stopRequested;
        const bool complete = SplitItems();
        m_pfnStopRequested = nullptr;
        m_pStopContext = nullptr;
        return complete;
    }

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
    bool SplitItems();
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
    bool (*m_pfnStopRequested)(void*) = nullptr;
    void* m_pStopContext = nullptr;

    static int s_nCapacity;
};
