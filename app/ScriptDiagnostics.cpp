#include "ScriptDiagnostics.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

#include "DocumentText.h"
#include "LineTable.h"
#include "UiTexts.h"

namespace {

QString FromCp932(const std::string& text)
{
    return doctext::Decode(text);
}

// The kind of a finding as the panel names it: the English name every message of
// the checker carries in brackets, as in "... (unknown mnemonic): MOVE" or "(too few
// arguments: MOV takes 2)". The name starts with a small letter and runs to the colon,
// comma or bracket; brackets of other kinds, such as "(=2)", are passed over.
QString KindName(const QString& message)
{
    for (qsizetype open = message.indexOf(QStringLiteral(" (")); open >= 0;
         open = message.indexOf(QStringLiteral(" ("), open + 1)) {
        const qsizetype start = open + 2;
        if (start >= message.size() || message[start] < QLatin1Char('a') ||
            message[start] > QLatin1Char('z'))
            continue;
        qsizetype end = start;
        while (end < message.size() && message[end] != QLatin1Char(')') &&
               message[end] != QLatin1Char(',') && message[end] != QLatin1Char(':'))
            ++end;
        return message.mid(start, end - start);
    }
    return QString();
}

} // namespace

CScriptDiagnostics::CScriptDiagnostics(QTextDocument* document, std::function<std::string()> text,
                                       QObject* parent)
    : QAbstractTableModel(parent), m_text(std::move(text))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDelayMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_bHeld) {
            m_timer.start();
            return;
        }
        if (m_pDocument != nullptr && m_pDocument->blockCount() > kLineBound) {
            // Too long to check as it is typed: the old findings go, since their lines
            // may no longer hold them.
            beginResetModel();
            m_findings.clear();
            m_nOmitted = 0;
            m_bSkipped = true;
            endResetModel();
            emit Checked();
            return;
        }
        Check();
    });
    SetDocument(document);
}

void CScriptDiagnostics::SetDocument(QTextDocument* document)
{
    if (m_pDocument != nullptr) disconnect(m_pDocument, nullptr, this, nullptr);
    m_pDocument = document;
    beginResetModel();
    m_findings.clear();
    endResetModel();
    if (m_pDocument == nullptr) return;
    connect(m_pDocument, &QTextDocument::contentsChange, this,
            &CScriptDiagnostics::OnContentsChange);
    m_nRevision = -1;
    Schedule();
}

void CScriptDiagnostics::OnContentsChange(int /*position*/, int removed, int added)
{
    // Colouring the text also reports a change of the same length; only a change of
    // the characters (a new revision, or a different length) needs a new check.
    if (removed == added && m_pDocument->revision() == m_nRevision) return;
    Schedule();
}

void CScriptDiagnostics::SetHeld(bool held)
{
    m_bHeld = held;
}

void CScriptDiagnostics::Schedule()
{
    m_timer.start();
}

void CScriptDiagnostics::Check()
{
    m_timer.stop();
    if (m_pDocument == nullptr) return;
    m_nRevision = m_pDocument->revision();
    const std::vector<CScriptDiagnostic> found = CheckScript(m_text());

    beginResetModel();
    m_findings.clear();
    m_bSkipped = false;
    const size_t kept = std::min(found.size(), static_cast<size_t>(kMaxFindings));
    m_nOmitted = static_cast<int>(found.size() - kept);
    m_findings.reserve(kept);
    for (size_t i = 0; i < kept; ++i) {
        const QTextBlock block = m_pDocument->findBlockByNumber(found[i].line);
        if (!block.isValid()) continue;
        const QString message = FromCp932(found[i].message);
        const bool warning = found[i].warning;
        m_findings.push_back(
            {QTextCursor(block),
             (warning ? ui::kDiagnosticWarning : ui::kDiagnosticError) + KindName(message), message,
             warning});
    }
    endResetModel();
    emit Checked();
}

int CScriptDiagnostics::LineOf(int row) const
{
    return m_findings[static_cast<size_t>(row)].at.blockNumber();
}

QString CScriptDiagnostics::MessagesAt(int line) const
{
    QStringList messages;
    for (const Finding& finding : m_findings)
        if (finding.at.blockNumber() == line) messages << finding.message;
    return messages.join(QLatin1Char('\n'));
}

QList<int> CScriptDiagnostics::Lines() const
{
    return LinesOf(false);
}

QList<int> CScriptDiagnostics::ErrorLines() const
{
    return LinesOf(true);
}

QList<int> CScriptDiagnostics::LinesOf(bool errorsOnly) const
{
    QList<int> lines;
    lines.reserve(Count());
    for (const Finding& finding : m_findings)
        if (!errorsOnly || !finding.warning) lines << finding.at.blockNumber();
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

void CScriptDiagnostics::SetLineNumberBase(int base)
{
    m_nLineBase = base;
    if (!m_findings.empty()) emit dataChanged(index(0, LineColumn), index(Count() - 1, LineColumn));
}

int CScriptDiagnostics::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int CScriptDiagnostics::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CScriptDiagnostics::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count()) return {};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case LineColumn:
            return LineOf(index.row()) + m_nLineBase;
        case KindColumn:
            return KindOf(index.row());
        case MessageColumn:
            return MessageOf(index.row());
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == MessageColumn) return MessageOf(index.row());
    if (role == Qt::ForegroundRole && index.column() == KindColumn)
        return QColor(IsWarning(index.row()) ? QColor(170, 90, 0) : QColor(190, 0, 0));
    if (role == Qt::TextAlignmentRole && index.column() == LineColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant CScriptDiagnostics::headerData(int section, Qt::Orientation orientation, int role) const
{
    return linetable::Header(section, orientation, role, ui::kColumnMessage);
}
