// CScriptDiagnostics: the faults the checker finds in the script as it is typed.
//
// A while after the last edit (kDelayMs) it hands the text to the engine's own
// checker (ScriptCheck.h) and keeps what it reports, one row per finding: line,
// kind, message. Each finding holds a cursor at the start of its line, so its line
// moves with edits made before the next check. It only reads the text: it never
// edits it, never touches its undo history and never stands in the way of a run.
//
// The rows are a table model (line, kind, message) for the diagnostics panel; the
// view asks it for the lines to underline and mark, and for the messages of a line.
#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "ScriptCheck.h"

class QTextDocument;

class CScriptDiagnostics final : public QAbstractTableModel {
    Q_OBJECT
public:
    // The quiet time after an edit before the text is checked.
    static constexpr int kDelayMs = 300;
    // Documents with more lines than this are not checked as they are typed: a run's
    // report can hold hundreds of thousands of comment lines, and checking them after
    // every key would cost more than the findings are worth. Check() still checks them.
    static constexpr int kLineBound = 100000;
    // At most this many findings are kept; a text with more is reported as such.
    static constexpr int kMaxFindings = 5000;

    enum Column { LineColumn, KindColumn, MessageColumn, ColumnCount };

    // text: what the engine would run (cp932, CR LF between lines) of document.
    CScriptDiagnostics(QTextDocument* document, std::function<std::string()> text,
                       QObject* parent = nullptr);

    // Follows another text document (the view shows a new one); checks it soon.
    void SetDocument(QTextDocument* document);
    // Checks the text now, whatever its length.
    void Check();
    // While a script runs, a due check waits for its end: a run that pumps messages
    // would otherwise pay for it.
    void SetHeld(bool held);
    // Whether the text changed since the last check (a check is due).
    bool IsPending() const { return m_timer.isActive(); }
    // Whether the last automatic check was skipped because the text was too long.
    bool SkippedLongText() const { return m_bSkipped; }
    // Findings left out beyond kMaxFindings.
    int Omitted() const { return m_nOmitted; }

    int Count() const { return static_cast<int>(m_findings.size()); }
    // The current 0-based line of a finding (it moves with edits), its kind and message.
    int LineOf(int row) const;
    QString KindOf(int row) const { return m_findings[static_cast<size_t>(row)].kind; }
    // Whether a finding is a warning (code that runs, but most likely not as meant)
    // rather than an error (code that fails or misbehaves when it runs).
    bool IsWarning(int row) const { return m_findings[static_cast<size_t>(row)].warning; }
    QString MessageOf(int row) const { return m_findings[static_cast<size_t>(row)].message; }
    // The messages of the findings on a line, one per line of the result.
    QString MessagesAt(int line) const;
    // The lines that hold findings, each once, in order; and those holding an error.
    QList<int> Lines() const;
    QList<int> ErrorLines() const;

    // How the panel numbers lines (0-based like the language, or from 1).
    void SetLineNumberBase(int base);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The findings were replaced by those of a new check.
    void Checked();

private:
    struct Finding {
        QTextCursor at; // start of the line; moves with edits
        QString kind;
        QString message;
        bool warning;
    };
    QList<int> LinesOf(bool errorsOnly) const;
    void OnContentsChange(int position, int removed, int added);
    void Schedule();

    QTextDocument* m_pDocument = nullptr;
    std::function<std::string()> m_text;
    QTimer m_timer;
    std::vector<Finding> m_findings;
    int m_nRevision = -1;
    int m_nOmitted = 0;
    int m_nLineBase = 0;
    bool m_bSkipped = false;
    bool m_bHeld = false;
};
