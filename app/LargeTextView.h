// CLargeTextView: a read-only view of a long text (a run's report of many lines).
//
// It looks like the script editor (blue text on light cyan, the gutter with line
// numbers and breakpoint discs, the script's colours) but lays out only the lines on
// screen, one line to a row with no wrapping, so showing, scrolling and painting cost
// the same for ten lines or ten million. It selects, copies (also from the menu of its
// right button, as a read-only text widget offers) and finds; the editor's
// keys (F5, F7, Esc, the gutter's click) leave it as the same signals the editor sends.
// It changes nothing: a key that would edit the text leaves as EditRequested, whose
// receiver turns the text into an editable document and hands the key on.
#pragma once

#include <QAbstractScrollArea>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "LargeText.h"

class CLargeTextGutter;

class CLargeTextView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CLargeTextView(QWidget* parent = nullptr);
    ~CLargeTextView() override;

    // Shows `text` (nullptr: an empty text) from its start, the caret on line 0.
    void SetText(std::shared_ptr<const CLargeText> text);
    const CLargeText* Text() const { return m_pText.get(); }

    // Selects from `anchor` to `caret` (clamped into the text) and scrolls the caret
    // into view.
    void SetSelection(CTextPos anchor, CTextPos caret);
    CTextPos Caret() const { return m_caret; }
    CTextPos Anchor() const { return m_anchor; }
    // The 0-based line of the start of the selection (the caret's line when none), the
    // line F7 executes.
    int CaretLine() const { return std::min(m_anchor, m_caret).line; }
    bool HasSelection() const { return m_anchor != m_caret; }
    QString SelectedText() const;
    void SelectAll();
    // Puts the selection on the clipboard in the editor's two forms.
    void Copy();
    // Finds from the selection on (or, backward, before it) as the editor's find does,
    // selects the match and shows it; false when there is none.
    bool Find(const QString& needle, QTextDocument::FindFlags flags = {});
    int FirstVisibleLine() const;

    // Colours the lines by the class of each line and operand (on by default).
    void SetHighlighting(bool on);
    bool Highlighting() const { return m_bHighlighting; }
    // The gutter's line numbers count from 0 as the language does, or from 1.
    void SetLineNumbersFromOne(bool on);
    bool LineNumbersFromOne() const { return m_bFromOne; }
    // Where the gutter learns which lines hold a breakpoint (ascending line numbers);
    // update Gutter() when they change.
    void SetBreakpointSource(std::function<std::vector<int>()> source);
    QWidget* Gutter() const;
    int GutterWidth() const;
    // The line whose row holds the viewport's (or gutter's) y, or -1 below the last line.
    int LineAtY(int y) const;
    // The height of a line's row, as the editor lays out a line of this font.
    int LineHeight() const;

    // The input method's view of the caret.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // The text for the first pane of the status bar, on every key release.
    void CaretLineText(const QString& text);
    // F5: run the whole text.
    void RunRequested();
    // F7: execute the statement on this line.
    void StepRequested(int line);
    // Esc.
    void StopRequested();
    // A click in the gutter beside this line.
    void BreakpointToggleRequested(int line);
    // The selection became empty or non-empty.
    void copyAvailable(bool available);
    // A key press or an input method's commit that would change the text. Delivered at
    // once; the view does nothing more with the event, which the receiver may hand to
    // an editor. The receiver must not delete the view before the event returns (hide
    // it and use deleteLater).
    void EditRequested(QEvent* event);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class CLargeTextGutter;
    // A line laid out for drawing or measuring, with its colours when they are on.
    std::shared_ptr<const QTextLayout> LayOut(int line) const;
    // Draws a laid-out line with its top left at `at`.
    void DrawLine(QPainter& painter, const QTextLayout& layout, QPointF at,
                  const QList<QTextLayout::FormatRange>& selections) const;
    // Drops the lines laid out: the text, its font or its colouring changed.
    void ForgetLayouts();
    int VisibleLines() const;
    int TopOf(int line) const;
    int XOf(CTextPos pos) const;
    CTextPos PosAt(const QPoint& viewportPoint) const;
    void UpdateMetrics();
    void UpdateScrollBars();
    void EnsureCaretVisible();
    void Select(CTextPos anchor, CTextPos caret);
    // Moves the caret; with `extend` the anchor stays, else it follows.
    void MoveCaret(CTextPos caret, bool extend);
    void PaintGutter(QPaintEvent* event);
    // Whether a key press would change the text.
    bool IsEdit(const QKeyEvent* press) const;
    // The column after or before the character at `column`, keeping a character with
    // its selector or its surrogate pair.
    static int NextColumn(const QString& line, int column);
    static int PreviousColumn(const QString& line, int column);

    std::shared_ptr<const CLargeText> m_pText;
    CLargeTextGutter* m_pGutter = nullptr;
    std::function<std::vector<int>()> m_breakpoints;
    CTextPos m_anchor;
    CTextPos m_caret;
    mutable std::unordered_map<int, std::shared_ptr<const QTextLayout>> m_layouts;
    int m_nLineHeight = 1;
    int m_nGoalX = -1;     // the x Up and Down keep to, -1 until they move
    int m_nWidestSeen = 0; // the widest line laid out, in pixels
    bool m_bHighlighting = true;
    bool m_bFromOne = false;
};
