// CTavimoreView: the script editor.
//
// A plain-text editor with a fixed-pitch Japanese font, long lines wrapped at the
// window edge, blue text on light cyan. Its keys: F5 runs the whole script, F7
// executes the caret line, and '.' typed a second time executes the caret line
// instead of being typed (the first '.' is typed and arms the key; Shift+'>' and F6
// disarm it); Esc stops a running script. Every typed character flips the title toggle: when it turns on, the
// document's title becomes "true". The status bar's first pane shows the caret line:
// "%4d行目" of the 0-based line on every key release, "%04d行目" of the 1-based line
// when a document is made or opened.
#pragma once

#include <QPlainTextEdit>

class CTavimoreDoc;

class CTavimoreView final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CTavimoreView(QWidget* parent = nullptr);

    void SetDocument(CTavimoreDoc* document) { m_pDocument = document; }
    CTavimoreDoc* GetDocument() const { return m_pDocument; }

    // The whole text, '\n' between lines, every character as stored.
    QString EditorText() const;
    // Replaces the whole text and forgets the undo history (a document was loaded).
    void SetEditorText(const QString& text);

    bool IsStepArmed() const { return m_bStepArmed; }
    static bool TitleToggle() { return s_bTitleToggle; }
    static void ResetTitleToggle() { s_bTitleToggle = false; }
    int FontHeight() const { return m_nFontHeight; }

    // The document was made or opened: "%04d行目" of the caret line.
    void OnUpdate();
    // Command 32771: runs the whole editor text.
    void OnScriptRun();

    // The editor's colours: blue text on red 127, green 255, blue 255.
    static QColor TextColor() { return QColor(0, 0, 255); }
    static QColor BackgroundColor() { return QColor(127, 255, 255); }

signals:
    // The text for the first pane of the status bar.
    void CaretLineText(const QString& text);
    // F6 was pressed: the key that follows it (the separator key) is posted to the view.
    void SeparatorKeyPosted();

protected:
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

private:
    void ApplyEditorFont();
    // A typed character; false when it must not reach the text.
    bool OnChar(QChar c, bool shift);

    CTavimoreDoc* m_pDocument = nullptr;
    int m_nFontHeight = 15;
    bool m_bStepArmed = false;
    static bool s_bTitleToggle;
};

// The key posted after F6; it types nothing.
inline constexpr int kSeparatorKey = Qt::Key_unknown;
