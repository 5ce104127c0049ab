#include "Debugger.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

#include "DocumentText.h"
#include "EditorSettings.h"
#include "UiTexts.h"

QString CWatch::Name() const
{
    if (!IsRange()) return QStringLiteral("REG%1").arg(first);
    return QStringLiteral("REG%1-REG%2").arg(first).arg(last);
}

CDebugger::CDebugger(QTextDocument& text, CScriptEngine& engine, QObject* parent)
    : QObject(parent), m_text(text), m_engine(engine)
{
    connect(&m_text, &QTextDocument::contentsChange, this, &CDebugger::OnContentsChange);
}

namespace {

// The mark of a breakpoint on block: a cursor at its start that stays before text
// inserted there.
QTextCursor LineMark(const QTextBlock& block)
{
    QTextCursor mark(block);
    mark.setKeepPositionOnInsert(true);
    return mark;
}

} // namespace

int CDebugger::BlockCount() const
{
    return m_text.blockCount();
}

// ---- Breakpoints

bool CDebugger::HasBreakpoint(int line) const
{
    return std::any_of(m_breakpoints.begin(), m_breakpoints.end(),
                       [line](const QTextCursor& c) { return c.blockNumber() == line; });
}

bool CDebugger::ToggleBreakpoint(int line)
{
    if (line < 0 || line >= BlockCount()) return false;
    SetBreakpoint(line, !HasBreakpoint(line));
    return true;
}

void CDebugger::SetBreakpoint(int line, bool on)
{
    const QTextBlock block = m_text.findBlockByNumber(line);
    if (!block.isValid()) return;
    std::erase_if(m_breakpoints, [line](const QTextCursor& c) { return c.blockNumber() == line; });
    if (on) m_breakpoints.push_back(LineMark(block));
    Remember();
    SaveBreakpoints();
    emit BreakpointsChanged();
}

std::vector<int> CDebugger::BreakpointLines() const
{
    std::vector<int> lines;
    lines.reserve(m_breakpoints.size());
    for (const QTextCursor& cursor : m_breakpoints)
        lines.push_back(cursor.blockNumber());
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

void CDebugger::SetBreakpointLines(const std::vector<int>& lines)
{
    m_breakpoints.clear();
    for (int line : lines) {
        const QTextBlock block = m_text.findBlockByNumber(line);
        if (line >= 0 && block.isValid() && !HasBreakpoint(line))
            m_breakpoints.push_back(LineMark(block));
    }
    Remember();
    SaveBreakpoints();
    emit BreakpointsChanged();
}

void CDebugger::Remember()
{
    m_remembered = BreakpointLines();
}

void CDebugger::KeepPastTheEnd(const std::vector<int>& before)
{
    // Only lines the text does not reach: a line that exists again without its cursor
    // has been typed anew.
    const int end = BlockCount();
    for (int line : before)
        if (line >= end) m_remembered.push_back(line);
    std::sort(m_remembered.begin(), m_remembered.end());
    m_remembered.erase(std::unique(m_remembered.begin(), m_remembered.end()), m_remembered.end());
}

void CDebugger::OnContentsChange(int position, int removed, int added)
{
    if (m_breakpoints.empty() && m_remembered.empty()) return;
    // A rewrite of the whole text (a run's report, its undo, a replaced text) leaves
    // every cursor at the start; the breakpoints go back to their line numbers, which
    // a report keeps since it begins with the script.
    const bool wholesale =
        position == 0 && (removed > 0 || added > 0) && added + 1 >= m_text.characterCount();
    const std::vector<int> before = m_remembered;
    if (wholesale) {
        SetBreakpointLines(before);
        KeepPastTheEnd(before);
        SaveBreakpoints();
        return;
    }
    // Lines inserted where a mark stands push its line down: the mark follows the
    // line's text to the start of the block it now begins.
    if (removed == 0 && added > 0) {
        const QTextBlock landed = m_text.findBlock(position + added);
        if (landed.isValid() && landed != m_text.findBlock(position))
            for (QTextCursor& mark : m_breakpoints)
                if (mark.position() == position) mark.setPosition(landed.position());
    }
    // A deleted line leaves its cursor on a neighbour, which may hold one already.
    std::vector<QTextCursor> kept;
    for (const QTextCursor& cursor : m_breakpoints) {
        const int line = cursor.blockNumber();
        if (std::none_of(kept.begin(), kept.end(),
                         [line](const QTextCursor& c) { return c.blockNumber() == line; }))
            kept.push_back(cursor);
    }
    m_breakpoints.swap(kept);
    Remember();
    // Lines past the end are remembered for an undo of the rewrite that cut them off,
    // and forgotten at the next edit (a change of formats alone is none).
    if (removed == added) KeepPastTheEnd(before);
    if (m_remembered != before) {
        SaveBreakpoints();
        emit BreakpointsChanged();
    }
}

void CDebugger::LoadBreakpoints(const QString& path)
{
    m_strPath = path;
    m_breakpoints.clear();
    m_remembered.clear();
    std::vector<int> lines;
    if (!path.isEmpty())
        for (int line : editorsettings::Breakpoints(path))
            lines.push_back(line);
    SetBreakpointLines(lines);
}

void CDebugger::KeepFor(const QString& path)
{
    m_strPath = path;
    SaveBreakpoints();
}

void CDebugger::SaveBreakpoints() const
{
    if (m_strPath.isEmpty()) return;
    QList<int> lines;
    for (int line : m_remembered)
        lines << line;
    editorsettings::SetBreakpoints(m_strPath, lines);
}

// ---- Watches

bool CDebugger::AddWatch(const QString& text, QString& error)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*REG(\\d{1,4})(?:\\s*-\\s*(?:REG)?(\\d{1,4}))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        error = ui::kWatchBadName;
        return false;
    }
    CWatch watch;
    watch.first = match.captured(1).toInt();
    watch.last = match.captured(2).isEmpty() ? watch.first : match.captured(2).toInt();
    if (watch.last < watch.first) std::swap(watch.first, watch.last);
    if (watch.last - watch.first + 1 > kMaxRange) {
        error = ui::kWatchTooLong.arg(kMaxRange);
        return false;
    }
    m_watches.push_back(watch);
    emit WatchesChanged();
    return true;
}

void CDebugger::RemoveWatch(int index)
{
    if (index < 0 || index >= static_cast<int>(m_watches.size())) return;
    m_watches.erase(m_watches.begin() + index);
    emit WatchesChanged();
}

void CDebugger::SetBreakOnChange(int index, bool on)
{
    if (index < 0 || index >= static_cast<int>(m_watches.size())) return;
    m_watches[static_cast<size_t>(index)].breakOnChange = on;
    emit WatchesChanged();
}

// ---- The probe

void CDebugger::PrepareRun()
{
    m_lineBreaks.assign(static_cast<size_t>(BlockCount()), 0);
    for (int line : BreakpointLines())
        if (line < static_cast<int>(m_lineBreaks.size()))
            m_lineBreaks[static_cast<size_t>(line)] = 1;
    // The watches that break are taken as they are now: the list may change while the
    // run pumps messages.
    m_breaking.clear();
    for (const CWatch& watch : m_watches)
        if (watch.breakOnChange) m_breaking.push_back(watch);
    m_bPausedOnChange = false;
    m_strChangedWatch.clear();
    m_before.clear();
    for (const CWatch& watch : m_breaking)
        for (int reg = watch.first; reg <= watch.last; ++reg)
            m_before.push_back(m_engine.PeekRegister(reg));
}

bool CDebugger::PauseBefore(int line)
{
    if (static_cast<unsigned>(line) >= m_lineBreaks.size() ||
        m_lineBreaks[static_cast<size_t>(line)] == 0)
        return false;
    m_bPausedOnChange = false;
    return true;
}

bool CDebugger::PauseAfter(int /*line*/)
{
    if (m_breaking.empty()) return false;
    // The values are taken again after every statement, so they are always those
    // before the next one, whether or not it was asked about before it ran.
    bool changed = false;
    size_t at = 0;
    for (const CWatch& watch : m_breaking) {
        bool thisChanged = false;
        for (int reg = watch.first; reg <= watch.last; ++reg, ++at) {
            const uint32_t now = m_engine.PeekRegister(reg);
            if (now != m_before[at]) {
                m_before[at] = now;
                thisChanged = true;
            }
        }
        if (thisChanged && !changed) {
            changed = true;
            m_strChangedWatch = watch.Name();
        }
    }
    if (changed) m_bPausedOnChange = true;
    return changed;
}

// ---- Values

bool CDebugger::ParseValue(const QString& typed, uint32_t& value, int base)
{
    QString text = typed.trimmed();
    if (text.size() >= 2 && text[1] == QLatin1Char('\'')) {
        switch (text[0].toUpper().unicode()) {
        case 'H':
            base = 16;
            break;
        case 'B':
            base = 2;
            break;
        case 'D':
            base = 10;
            break;
        default:
            return false;
        }
        text = text.mid(2);
    }
    bool negative = false;
    if (base == 10 && text.startsWith(QLatin1Char('-'))) {
        negative = true;
        text = text.mid(1);
    }
    if (text.isEmpty()) return false;
    // Only the digits of the base: no sign, space or prefix of a parser's own.
    uint64_t magnitude = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const int digit = u >= '0' && u <= '9'   ? u - '0'
                          : u >= 'a' && u <= 'f' ? u - 'a' + 10
                          : u >= 'A' && u <= 'F' ? u - 'A' + 10
                                                 : 99;
        if (digit >= base) return false;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (negative) {
        if (magnitude > 0x80000000ull) return false;
        value = static_cast<uint32_t>(0u - static_cast<uint32_t>(magnitude));
        return true;
    }
    value = static_cast<uint32_t>(magnitude);
    return true;
}

QString CDebugger::RangeText(const CScriptEngine& engine, int first, int last)
{
    const uint64_t room = static_cast<uint64_t>(last - first) * 4;
    const uint64_t length = std::min<uint64_t>(engine.PeekRegister(first), room);
    std::string bytes;
    for (uint64_t j = 0; j < length; ++j) {
        const uint32_t cell = engine.PeekRegister(first + 1 + static_cast<int>(j / 4));
        const char byte = static_cast<char>((cell >> (8 * (j % 4))) & 0xFFu);
        if (byte == 0) break;
        bytes.push_back(byte);
    }
    return doctext::DecodeMessage(bytes);
}
