#include "ReportPanel.h"

#include <QBrush>
#include <QColor>
#include <QLabel>
#include <QVBoxLayout>

#include "DocumentText.h"
#include "LineTable.h"
#include "UiTexts.h"

CReportModel::CReportModel(QObject* parent) : QAbstractTableModel(parent) {}

void CReportModel::SetReport(CRunReport report)
{
    beginResetModel();
    m_report = std::move(report);
    m_statusStarts.clear();
    m_statusStarts.reserve(m_report.statusLines.size() + 1);
    // Each status line of the report starts with "/ " and ends with CR LF; a status
    // can hold line breaks of its own (a window list), whose lines continue it. Rows
    // never outnumber the recorded sources (a note on omitted lines may follow them).
    const std::string_view text = m_report.StatusText();
    const size_t count = m_report.statusLines.size();
    size_t at = 0;
    while (at < text.size()) {
        if (m_statusStarts.empty() || text.compare(at, 2, "/ ") == 0) {
            if (m_statusStarts.size() == count) break;
            m_statusStarts.push_back(static_cast<uint32_t>(at));
        }
        const size_t brk = text.find("\r\n", at);
        if (brk == std::string::npos) {
            at = text.size();
            break;
        }
        at = brk + 2;
    }
    m_nStatusEnd = static_cast<uint32_t>(at);
    endResetModel();
}

int CReportModel::LineOf(int row) const
{
    if (row < BoxCount()) return m_report.boxes[static_cast<size_t>(row)].line;
    return m_report.statusLines[static_cast<size_t>(row - BoxCount())];
}

QString CReportModel::TextOf(int row) const
{
    if (row < BoxCount()) {
        const CRunReport::Box& box = m_report.boxes[static_cast<size_t>(row)];
        QString text = box.text;
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return box.caption.isEmpty() ? text : box.caption + QStringLiteral(": ") + text;
    }
    const size_t status = static_cast<size_t>(row - BoxCount());
    if (status >= m_statusStarts.size()) return QString();
    const std::string_view text = m_report.StatusText();
    size_t start = m_statusStarts[status];
    size_t end = status + 1 < m_statusStarts.size() ? m_statusStarts[status + 1] : m_nStatusEnd;
    if (text.compare(start, 2, "/ ") == 0) start += 2;
    while (end > start && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    // The lines of a status of several lines, on one row.
    QString shown = doctext::Decode(text.substr(start, end - start));
    shown.replace(QLatin1Char('\n'), QStringLiteral(" ⏎ "));
    return shown;
}

void CReportModel::SetLineNumberBase(int base)
{
    m_nLineBase = base;
    if (rowCount() > 0) emit dataChanged(index(0, LineColumn), index(rowCount() - 1, LineColumn));
}

int CReportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : BoxCount() + StatusCount();
}

int CReportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CReportModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const bool box = index.row() < BoxCount();
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == LineColumn) return LineOf(index.row()) + m_nLineBase;
        if (index.column() == KindColumn) return box ? ui::kReportKindBox : ui::kReportKindStatus;
        if (index.column() == TextColumn) return TextOf(index.row());
        return {};
    case Qt::ToolTipRole:
        if (index.column() == TextColumn && box)
            return m_report.boxes[static_cast<size_t>(index.row())].text;
        return {};
    case Qt::ForegroundRole:
        // The boxes are what stopped the user: they stand out.
        if (box) return QBrush(QColor(170, 0, 0));
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == LineColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant CReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return linetable::Header(section, orientation, role, ui::kColumnText);
}

CReportPanel::CReportPanel(QWidget* parent) : QDockWidget(ui::kReportTitle, parent)
{
    setObjectName(QStringLiteral("reportPanel"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    m_pSummary = new QLabel(ui::kReportEmpty, body);
    m_pSummary->setObjectName(QStringLiteral("reportSummary"));
    layout->addWidget(m_pSummary);

    m_pModel = new CReportModel(this);
    m_pTable = linetable::Make(body, m_pModel, QStringLiteral("reportTable"), 130,
                               [this](int row) { emit LineChosen(m_pModel->LineOf(row)); });
    layout->addWidget(m_pTable);
    setWidget(body);
}

void CReportPanel::ShowReport(CRunReport report)
{
    m_pModel->SetReport(std::move(report));
    m_pSummary->setText(ui::kReportSummary.arg(m_pModel->StatusCount()).arg(m_pModel->BoxCount()));
}

QString CReportPanel::Summary() const
{
    return m_pSummary->text();
}
