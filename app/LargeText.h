// CLargeText: a long text kept as the engine's bytes, for showing without a text document.
//
// A run's report can hold hundreds of thousands of lines; laying them all into a text
// document costs far more than the run. This keeps the bytes (cp932, CR LF between
// lines, as the engine writes its output) and one start offset per line, built in one
// pass; a line is decoded only when asked for. Lines break at CR LF only: a lone CR
// or LF is a character of its line, as doctext::Decode keeps it.
//
// Positions are a line and a column, the column counting QChars of the decoded line,
// so they mean what a QTextCursor's position within its block would.
#pragma once

#include <QString>
#include <QTextDocument>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CTextPos {
    int line = 0;
    int column = 0; // QChar index within the decoded line
    auto operator<=>(const CTextPos&) const = default;
};

class CLargeText {
public:
    // Lines are indexed within the first 4 GiB (the offsets are 32 bits; the editor
    // bounds a run's output far below that); bytes past it stay whole in the last line.
    explicit CLargeText(std::string bytes);
    CLargeText(const CLargeText&) = delete;
    CLargeText& operator=(const CLargeText&) = delete;

    const std::string& Bytes() const { return m_bytes; }
    // "a\r\nb" and "a\r\n" hold 2 lines (the second empty in the latter), "" holds 1.
    int LineCount() const { return static_cast<int>(m_starts.size()); }
    // A line's bytes without its CR LF (empty for a line out of range).
    std::string_view LineBytes(int line) const;
    // A line decoded as doctext::Decode decodes it.
    QString Line(int line) const;
    // The byte length of the longest line, a measure of the text's width.
    int LongestLineBytes() const { return m_nLongestLine; }

    // The text from `from` to `to` ('\n' between lines), as doctext::Decode gives
    // those bytes. Positions out of range are clamped; the order of the two is free.
    QString Text(CTextPos from, CTextPos to) const;
    // The position after the last character.
    CTextPos End() const;
    // A position moved into the text: its line within the lines, its column within
    // its line.
    CTextPos Clamp(CTextPos pos) const;

    // Finds `needle` (no line breaks) as QTextDocument::find does: forward from `from`,
    // or with FindBackward the last match that starts before it; FindCaseSensitively
    // and FindWholeWords as there. No wrap-around. On success sets the match's start
    // and end and returns true.
    bool Find(const QString& needle, CTextPos from, QTextDocument::FindFlags flags, CTextPos& start,
              CTextPos& end) const;

    // How many lines have been decoded so far (Line() calls, and the lines Text()
    // and Find() decode): shows that a view decodes only what it shows.
    long long DecodedLines() const { return m_decoded.load(std::memory_order_relaxed); }

private:
    size_t LineEnd(int line) const;

    std::string m_bytes;
    std::vector<uint32_t> m_starts; // byte offset of each line's first byte
    int m_nLongestLine = 0;
    mutable std::atomic<long long> m_decoded{0};
};
