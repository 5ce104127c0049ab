#include "LargeText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "DocumentText.h"

namespace {

bool IsAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the bytes hold the ASCII needle, ignoring the case of letters or not.
bool HoldsAscii(std::string_view bytes, std::string_view needle, bool caseSensitive)
{
    if (caseSensitive) return bytes.find(needle) != std::string_view::npos;
    return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end(),
                       [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) !=
           bytes.end();
}

// One line's match at or after (or, backward, at or before) `offset`, as
// QTextDocument::find looks within a block; -1 when none.
int FindInLine(const QString& text, const QString& needle, int offset,
               QTextDocument::FindFlags flags)
{
    const bool backward = flags & QTextDocument::FindBackward;
    const Qt::CaseSensitivity sensitivity =
        flags & QTextDocument::FindCaseSensitively ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto size = static_cast<int>(text.size());
    while (offset >= 0 && offset <= size) {
        const auto at = static_cast<int>(backward ? text.lastIndexOf(needle, offset, sensitivity)
                                                  : text.indexOf(needle, offset, sensitivity));
        if (at < 0) return -1;
        if (flags & QTextDocument::FindWholeWords) {
            const int end = at + static_cast<int>(needle.size());
            if ((at > 0 && text[at - 1].isLetterOrNumber()) ||
                (end < size && text[end].isLetterOrNumber())) {
                offset = backward ? at - 1 : at + 1;
                continue;
            }
        }
        return at;
    }
    return -1;
}

} // namespace

CLargeText::CLargeText(std::string bytes) : m_bytes(std::move(bytes))
{
    // One pass over the bytes: every LF after a CR ends a line.
    const char* const data = m_bytes.data();
    const size_t size = m_bytes.size();
    m_starts.reserve(size / 32 + 1);
    m_starts.push_back(0);
    size_t start = 0;
    size_t at = 0;
    auto measure = [this](size_t length) {
        m_nLongestLine = static_cast<int>(std::max<size_t>(static_cast<size_t>(m_nLongestLine),
                                                           std::min<size_t>(length, INT_MAX)));
    };
    while (at < size) {
        const void* found = std::memchr(data + at, '\n', size - at);
        if (found == nullptr) break;
        const auto lf = static_cast<size_t>(static_cast<const char*>(found) - data);
        at = lf + 1;
        if (lf == start || data[lf - 1] != '\r') continue; // a lone LF belongs to its line
        // Offsets are 32 bits: past 4 GiB the rest stays in the last line, whole.
        if (at > UINT32_MAX || m_starts.size() == INT_MAX) break;
        measure(lf - 1 - start);
        start = at;
        m_starts.push_back(static_cast<uint32_t>(start));
    }
    measure(size - start);
}

size_t CLargeText::LineEnd(int line) const
{
    const auto next = static_cast<size_t>(line) + 1;
    return next < m_starts.size() ? m_starts[next] - 2 : m_bytes.size();
}

std::string_view CLargeText::LineBytes(int line) const
{
    if (line < 0 || line >= LineCount()) return {};
    const size_t start = m_starts[static_cast<size_t>(line)];
    return std::string_view(m_bytes).substr(start, LineEnd(line) - start);
}

QString CLargeText::Line(int line) const
{
    m_decoded.fetch_add(1, std::memory_order_relaxed);
    return doctext::Decode(LineBytes(line));
}

CTextPos CLargeText::End() const
{
    const int last = LineCount() - 1;
    return {last, static_cast<int>(Line(last).size())};
}

CTextPos CLargeText::Clamp(CTextPos pos) const
{
    pos.line = std::clamp(pos.line, 0, LineCount() - 1);
    // A line of n bytes decodes to at least n / 2 QChars, so a column up to that lies
    // within it without decoding the line.
    const auto bytes = static_cast<int>(LineBytes(pos.line).size());
    if (pos.column < 0)
        pos.column = 0;
    else if (pos.column > bytes / 2)
        pos.column = std::min(pos.column, static_cast<int>(Line(pos.line).size()));
    return pos;
}

QString CLargeText::Text(CTextPos from, CTextPos to) const
{
    if (to < from) std::swap(from, to);
    from = Clamp(from);
    to = Clamp(to);
    // The lines between decode as one run of bytes: a double-byte character never
    // takes a CR as its second byte, so decoding lines one by one and joining them with
    // '\n' gives the same text.
    const size_t first = m_starts[static_cast<size_t>(from.line)];
    const size_t last = LineEnd(to.line);
    m_decoded.fetch_add(to.line - from.line + 1, std::memory_order_relaxed);
    QString text = doctext::Decode(std::string_view(m_bytes).substr(first, last - first));
    const auto lastLength = static_cast<qsizetype>(Line(to.line).size());
    text.truncate(text.size() - (lastLength - to.column));
    text.remove(0, from.column);
    return text;
}

bool CLargeText::Find(const QString& needle, CTextPos from, QTextDocument::FindFlags flags,
                      CTextPos& start, CTextPos& end) const
{
    if (needle.isEmpty() || needle.contains(QLatin1Char('\n'))) return false;
    from = Clamp(from);
    const bool backward = flags & QTextDocument::FindBackward;
    // Every ASCII character of a line comes from the same byte, and no other character
    // of cp932 is an ASCII letter in another case, so a line whose bytes lack an ASCII
    // needle cannot hold it and is not decoded.
    const bool ascii = IsAscii(needle);
    const std::string asciiNeedle = ascii ? needle.toStdString() : std::string();
    const bool caseSensitive = flags & QTextDocument::FindCaseSensitively;
    auto mayHold = [&](int line) {
        return !ascii || HoldsAscii(LineBytes(line), asciiNeedle, caseSensitive);
    };
    auto found = [&](int line, int at) {
        start = {line, at};
        end = {line, at + static_cast<int>(needle.size())};
        return true;
    };

    if (!backward) {
        for (int line = from.line, offset = from.column; line < LineCount(); ++line, offset = 0) {
            if (!mayHold(line)) continue;
            if (const int at = FindInLine(Line(line), needle, offset, flags); at >= 0)
                return found(line, at);
        }
        return false;
    }
    // Backward: the last match that starts before `from`; within `from`'s line the
    // search starts at the character before it.
    int offset = from.column - 1;
    for (int line = from.line; line >= 0; --line) {
        if (line != from.line) offset = -2; // the line's last character, once decoded
        if (!mayHold(line)) continue;
        const QString text = Line(line);
        if (offset == -2) offset = static_cast<int>(text.size()) - 1;
        if (const int at = FindInLine(text, needle, offset, flags); at >= 0) return found(line, at);
    }
    return false;
}
