// The diagnostics panel ("診断"): the checker's findings as a table of line, kind and
// message, with a line that says how many there are. Choosing a row asks for the
// caret on its line.
#pragma once

#include <QDockWidget>

class CScriptDiagnostics;
class QLabel;
class QPushButton;
class QTableView;

class CDiagnosticsPanel final : public QDockWidget {
    Q_OBJECT
public:
    explicit CDiagnosticsPanel(CScriptDiagnostics* diagnostics, QWidget* parent = nullptr);

    QTableView* Table() const { return m_pTable; }
    QString Summary() const;

signals:
    // The user chose the finding on this 0-based line.
    void LineChosen(int line);

private:
    void ShowSummary();

    CScriptDiagnostics* m_pDiagnostics;
    QTableView* m_pTable = nullptr;
    QLabel* m_pSummary = nullptr;
    QPushButton* m_pCheckNow = nullptr;
};
