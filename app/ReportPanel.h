// The report panel ("レポート"): what the last run or step said, and where.
//
// Each message box it showed and each status line of its report, with the 0-based
// line of the statement that produced it; choosing a row asks for the caret on that
// statement. A run's report can hold hundreds of thousands of status lines, so the
// model keeps the report's bytes as they are and an offset per status, and makes a
// row's text only when the table shows it.
#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "RunReport.h"

class QLabel;
class QTableView;

class CReportModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { LineColumn, KindColumn, TextColumn, ColumnCount };

    explicit CReportModel(QObject* parent = nullptr);

    void SetReport(CRunReport report);
    int BoxCount() const { return static_cast<int>(m_report.boxes.size()); }
    int StatusCount() const { return static_cast<int>(m_report.statusLines.size()); }
    // The statement line behind a row; message boxes come first, then status lines.
    int LineOf(int row) const;
    // A row's text: a box's caption and text, or a status line without its "/ ".
    QString TextOf(int row) const;
    void SetLineNumberBase(int base);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    CRunReport m_report;
    std::vector<uint32_t> m_statusStarts; // offset of each status in statusText
    uint32_t m_nStatusEnd = 0;            // where the last status ends
    int m_nLineBase = 0;
};

class CReportPanel final : public QDockWidget {
    Q_OBJECT
public:
    explicit CReportPanel(QWidget* parent = nullptr);

    CReportModel* Model() const { return m_pModel; }
    QTableView* Table() const { return m_pTable; }
    // Shows what a run or step left.
    void ShowReport(CRunReport report);
    QString Summary() const;

signals:
    // The user chose a row: the caret should go to the statement on this line.
    void LineChosen(int line);

private:
    CReportModel* m_pModel = nullptr;
    QTableView* m_pTable = nullptr;
    QLabel* m_pSummary = nullptr;
};
