// CTavimoreView: the script editor.
//
// A plain-text editor with a fixed-pitch Japanese font, long lines wrapped at the
// window edge, blue text on light cyan. Its keys: F5 runs the whole script, F7
// executes the caret line, and '.' typed a second time executes the caret line
// instead of being typed (the first '.' is typed and arms the key; Shift+'>' and F6
// disarm it); Esc stops a running script. Every typed character flips the title
// toggle: when it turns on, the document's title becomes "true". The status bar's
// first pane shows the caret line: "%4d行目" of the 0-based line on every key
// release, "%04d行目" of the 1-based line when a document is made or opened.
//
// The view shows a document's text (ShowText) and edits it; what its keys ask of the
// document leaves it as signals.
#pragma once

#include <QPlainTextEdit>
#include <QTextCursor>

#include <functional>
#include <vector>

class CScriptHighlighter;
class CScriptDiagnostics;
class CLineNumberArea;

class CTavimoreView final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CTavimoreView(QWidget* parent = nullptr);

    // Shows and edits `text` (a document with a plain-text layout, owned elsewhere).
    void ShowText(QTextDocument* text);
    // The 0-based line holding the caret (the start of the selection).
    int CaretLine() const;

    bool IsStepArmed() const { return m_bStepArmed; }
    static bool TitleToggle() { return s_bTitleToggle; }
    static void ResetTitleToggle() { s_bTitleToggle = false; }

    // The text was replaced (a document made or opened): the caret goes to its start
    // and the first pane shows "%04d行目".
    void OnTextReplaced();
    // Shows a caret or selection the document asks for, scrolled into sight.
    void ShowCaret(const QTextCursor& cursor);

    // A font the user chose instead of the editor's own fixed-pitch Japanese face.
    void SetEditorFont(const QFont& font);

    // Colours the text by the class of each line and operand (on by default).
    void SetHighlighting(bool on);
    bool Highlighting() const { return m_bHighlighting; }
    CScriptHighlighter* Highlighter() const { return m_pHighlighter; }
    // Colours the lines on screen that a large change left plain.
    void HighlightShownLines();

    // The gutter's line numbers count from 0 as the language does, or from 1.
    void SetLineNumbersFromOne(bool on);
    bool LineNumbersFromOne() const { return m_bFromOne; }
    // The number the gutter shows beside a 0-based line.
    QString LineNumberText(int line) const { return QString::number(line + (m_bFromOne ? 1 : 0)); }
    QWidget* Gutter() const;
    int GutterWidth() const;
    // Marks the statement a step left the caret on (-1: none); the mark moves with
    // its line as the text is edited.
    void MarkStatement(int line);
    int MarkedLine() const;
    // Where the gutter learns which lines hold a breakpoint (ascending line numbers).
    void SetBreakpointSource(std::function<std::vector<int>()> source)
    {
        m_breakpoints = std::move(source);
    }
    // The line whose gutter row holds the gutter's point y, or -1 below the last line.
    int GutterLineAt(int y) const;
    // The colour of a breakpoint's disc in the gutter.
    static QColor BreakpointColor() { return QColor(200, 0, 0); }

    // Shows the findings of a checker: a wavy underline on each line that has one,
    // with its messages as the tool tip, and a mark at the gutter's edge.
    void SetDiagnostics(CScriptDiagnostics* diagnostics);
    // The messages the tool tip shows at a point of the viewport ("" when none).
    QString DiagnosticTipAt(const QPoint& viewportPoint) const;
    // The colour of a line's underline and gutter mark: red for an error, dark orange
    // when the line holds only warnings.
    static QColor DiagnosticColor(bool warning = false)
    {
        return warning ? QColor(215, 110, 0) : QColor(220, 0, 0);
    }

    // The editor's colours: blue text on red 127, green 255, blue 255.
    static QColor TextColor() { return QColor(0, 0, 255); }
    static QColor BackgroundColor() { return QColor(127, 255, 255); }

signals:
    // The text for the first pane of the status bar.
    void CaretLineText(const QString& text);
    // F6 was pressed: the key that follows it (the separator key) is posted to the view.
    void SeparatorKeyPosted();
    // F5: run the whole text.
    void RunRequested();
    // F7, or '.' typed a second time: execute the statement on this line.
    void StepRequested(int line);
    // Esc.
    void StopRequested();
    // The title toggle turned on.
    void TitleToggledOn();
    // A click in the gutter beside this line.
    void BreakpointToggleRequested(int line);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    // Copies hold the text twice: plain for other programs, and with the selectors
    // that keep each character's code for pasting back into the editor.
    QMimeData* createMimeDataFromSelection() const override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    friend class CLineNumberArea;
    void ApplyEditorFont();
    void UpdateGutterWidth();
    void PaintGutter(QPaintEvent* event);
    void ShowDiagnostics();
    void ApplyExtraSelections();
    // A typed character; false when it must not reach the text.
    bool OnChar(QChar c, bool shift);

    CScriptHighlighter* m_pHighlighter = nullptr;
    CLineNumberArea* m_pGutter = nullptr;
    CScriptDiagnostics* m_pDiagnostics = nullptr;
    QList<QTextEdit::ExtraSelection> m_diagnosticSelections; // the findings' underlines
    bool m_bFromOne = false;
    // The marked statement: a cursor in its line, which edits move with the line;
    // null when nothing is marked.
    QTextCursor m_markCursor;
    std::function<std::vector<int>()> m_breakpoints;
    bool m_bHighlighting = true;
    int m_nFontHeight = 15;
    bool m_bStepArmed = false;
    static bool s_bTitleToggle;
};

// The key posted after F6; it types nothing.
inline constexpr int kSeparatorKey = Qt::Key_unknown;
