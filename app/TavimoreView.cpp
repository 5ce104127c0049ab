#include "TavimoreView.h"

#include <algorithm>

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QToolTip>

#include <algorithm>

#include "DocumentText.h"
#include "ScriptDiagnostics.h"
#include "ScriptHighlighter.h"
#include "TextViewShared.h"

bool CTavimoreView::s_bTitleToggle = false;

// The strip left of the text that shows line numbers and the marked statement.
class CLineNumberArea final : public QWidget {
public:
    explicit CLineNumberArea(CTavimoreView* view) : QWidget(view), m_pView(view)
    {
        setObjectName(QStringLiteral("lineNumbers"));
    }
    QSize sizeHint() const override { return {m_pView->GutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { m_pView->PaintGutter(event); }
    bool event(QEvent* event) override
    {
        // Hovering a line's mark shows its findings, as hovering the line does.
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            // The gutter's rows are the viewport's rows.
            const QString tip = m_pView->DiagnosticTipAt(QPoint(0, help->pos().y()));
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), tip, this);
            return true;
        }
        return QWidget::event(event);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) return;
        const int line = m_pView->GutterLineAt(event->position().toPoint().y());
        if (line >= 0) emit m_pView->BreakpointToggleRequested(line);
    }

private:
    CTavimoreView* m_pView;
};

namespace {

// The editor font: the Japanese Windows face where it is installed, else a
// fixed-pitch Japanese face of the Linux desktop.
QString EditorFontFamily()
{
    const QStringList families = QFontDatabase::families();
    for (const QString& candidate :
         {QStringLiteral("ＭＳゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"),
          QStringLiteral("IPAゴシック"), QStringLiteral("Noto Sans Mono CJK JP")}) {
        if (families.contains(candidate, Qt::CaseInsensitive)) return candidate;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

bool HasLocalFiles(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls()) return false;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return true;
    return false;
}

} // namespace

CTavimoreView::CTavimoreView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("editor"));
    // Long lines wrap at the window edge; there is no horizontal scroll bar.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUndoRedoEnabled(true);
    m_pHighlighter = new CScriptHighlighter(this);
    m_pHighlighter->Attach(document());
    connect(m_pHighlighter, &CScriptHighlighter::BulkChangeTaken, this,
            &CTavimoreView::HighlightShownLines);
    m_pGutter = new CLineNumberArea(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy != 0)
            m_pGutter->scroll(0, dy);
        else
            m_pGutter->update(0, rect.y(), m_pGutter->width(), rect.height());
        if (rect.contains(viewport()->rect())) UpdateGutterWidth();
        HighlightShownLines();
    });
    ApplyEditorFont();
    QPalette colours = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Text, TextColor());
        colours.setColor(group, QPalette::Base, BackgroundColor());
        colours.setColor(group, QPalette::Window, BackgroundColor());
    }
    setPalette(colours);
    setBackgroundVisible(false);
}

void CTavimoreView::ApplyEditorFont()
{
    // 15 is the height of the character cell in pixels: the largest pixel size whose
    // line height fits in it.
    m_nFontHeight = 15;
    QFont font(EditorFontFamily());
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    int size = m_nFontHeight;
    font.setPixelSize(size);
    while (size > 8 && QFontMetrics(font).height() > m_nFontHeight) {
        --size;
        font.setPixelSize(size);
    }
    setFont(font);
}

void CTavimoreView::SetEditorFont(const QFont& chosen)
{
    setFont(chosen);
    document()->setDefaultFont(chosen);
    m_nFontHeight = QFontMetrics(chosen).height();
    UpdateGutterWidth();
}

void CTavimoreView::ShowText(QTextDocument* text)
{
    setDocument(text);
    m_pHighlighter->Attach(m_bHighlighting ? text : nullptr);
    MarkStatement(-1);
    UpdateGutterWidth();
    // The text takes the editor's font, which the view's own first document had.
    text->setDefaultFont(font());
    setUndoRedoEnabled(true);
}

void CTavimoreView::SetHighlighting(bool on)
{
    m_bHighlighting = on;
    m_pHighlighter->Attach(on ? document() : nullptr);
}

void CTavimoreView::HighlightShownLines()
{
    if (!m_bHighlighting) return;
    const QTextBlock first = firstVisibleBlock();
    const int lineHeight = std::max(1, fontMetrics().height());
    // Wrapped lines only make the count generous.
    m_pHighlighter->HighlightLines(first, viewport()->height() / lineHeight + 2);
}

void CTavimoreView::SetLineNumbersFromOne(bool on)
{
    m_bFromOne = on;
    UpdateGutterWidth();
    m_pGutter->update();
}

QWidget* CTavimoreView::Gutter() const
{
    return m_pGutter;
}

int CTavimoreView::GutterWidth() const
{
    // Room for a breakpoint's disc, the largest number, a marker and a little space
    // either side.
    return textview::GutterWidth(fontMetrics(), LineNumberText(qMax(0, blockCount() - 1)));
}

void CTavimoreView::UpdateGutterWidth()
{
    setViewportMargins(GutterWidth(), 0, 0, 0);
    const QRect area = contentsRect();
    m_pGutter->setGeometry(QRect(area.left(), area.top(), GutterWidth(), area.height()));
}

void CTavimoreView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    UpdateGutterWidth();
}

void CTavimoreView::MarkStatement(int line)
{
    const QTextBlock block = document()->findBlockByNumber(line);
    m_markCursor = line >= 0 && block.isValid() ? QTextCursor(block) : QTextCursor();
    m_pGutter->update();
}

int CTavimoreView::MarkedLine() const
{
    if (m_markCursor.isNull() || m_markCursor.document() != document()) return -1;
    return m_markCursor.block().blockNumber();
}

int CTavimoreView::GutterLineAt(int y) const
{
    QTextBlock block = firstVisibleBlock();
    const QPointF offset = contentOffset();
    while (block.isValid()) {
        const QRectF box = blockBoundingGeometry(block).translated(offset);
        if (box.top() > y) break;
        if (block.isVisible() && y < box.bottom()) return block.blockNumber();
        block = block.next();
    }
    return -1;
}

void CTavimoreView::PaintGutter(QPaintEvent* event)
{
    QPainter painter(m_pGutter);
    textview::PaintGutterGround(painter, event->rect());
    painter.setFont(font());
    const int marked = MarkedLine();
    const QList<int> flagged = m_pDiagnostics != nullptr ? m_pDiagnostics->Lines() : QList<int>();
    const QList<int> errors =
        m_pDiagnostics != nullptr ? m_pDiagnostics->ErrorLines() : QList<int>();
    const int height = fontMetrics().height();
    const int disc = textview::BreakpointDiameter(fontMetrics());
    const std::vector<int> breakpoints = m_breakpoints ? m_breakpoints() : std::vector<int>();
    auto next = breakpoints.begin();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top()) {
            const int line = block.blockNumber();
            if (line == marked) {
                painter.fillRect(0, top, m_pGutter->width(), height, QColor(255, 230, 120));
                painter.setPen(QColor(160, 0, 0));
                painter.drawText(disc + 4, top, m_pGutter->width(), height, Qt::AlignLeft,
                                 QStringLiteral(">"));
            }
            while (next != breakpoints.end() && *next < line)
                ++next;
            textview::PaintGutterRow(painter, m_pGutter->width(), top, height, LineNumberText(line),
                                     next != breakpoints.end() && *next == line);
            // A line with findings: a strip at the gutter's edge, beside the text.
            if (std::binary_search(flagged.cbegin(), flagged.cend(), line))
                painter.fillRect(
                    m_pGutter->width() - 3, top, 3, height,
                    DiagnosticColor(!std::binary_search(errors.cbegin(), errors.cend(), line)));
        }
        block = block.next();
        top = bottom;
    }
}

void CTavimoreView::SetDiagnostics(CScriptDiagnostics* diagnostics)
{
    if (m_pDiagnostics != nullptr) disconnect(m_pDiagnostics, nullptr, this, nullptr);
    m_pDiagnostics = diagnostics;
    if (m_pDiagnostics != nullptr)
        connect(m_pDiagnostics, &CScriptDiagnostics::Checked, this,
                &CTavimoreView::ShowDiagnostics);
    ShowDiagnostics();
}

void CTavimoreView::ShowDiagnostics()
{
    // The underlines are selections drawn over the text: they are no part of it, so
    // the text, its undo history and its modified flag stay as they are. Each holds
    // its line's text and moves with it until the next check.
    QList<QTextEdit::ExtraSelection>& selections = m_diagnosticSelections;
    selections.clear();
    const QList<int> lines = m_pDiagnostics != nullptr ? m_pDiagnostics->Lines() : QList<int>();
    const QList<int> errors =
        m_pDiagnostics != nullptr ? m_pDiagnostics->ErrorLines() : QList<int>();
    for (int line : lines) {
        const QTextBlock block = document()->findBlockByNumber(line);
        if (!block.isValid()) continue;
        const QString text = block.text();
        const int length = static_cast<int>(text.size());
        int first = 0;
        while (first < length && text[first] == QLatin1Char(' '))
            ++first;
        QTextEdit::ExtraSelection underline;
        underline.cursor = QTextCursor(block);
        underline.cursor.setPosition(block.position() + first);
        underline.cursor.setPosition(block.position() + length, QTextCursor::KeepAnchor);
        underline.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        underline.format.setUnderlineColor(
            DiagnosticColor(!std::binary_search(errors.cbegin(), errors.cend(), line)));
        selections << underline;
    }
    ApplyExtraSelections();
    m_pGutter->update();
}

void CTavimoreView::ApplyExtraSelections()
{
    // Every kind of mark drawn over the text, in one list (the view keeps only one).
    setExtraSelections(m_diagnosticSelections);
}

QString CTavimoreView::DiagnosticTipAt(const QPoint& viewportPoint) const
{
    if (m_pDiagnostics == nullptr) return QString();
    const QTextBlock block = cursorForPosition(viewportPoint).block();
    // Only within the line's own rows: below the last line there is nothing to explain.
    const QRectF area = blockBoundingGeometry(block).translated(contentOffset());
    if (!block.isValid() || viewportPoint.y() < area.top() || viewportPoint.y() > area.bottom())
        return QString();
    return m_pDiagnostics->MessagesAt(block.blockNumber());
}

bool CTavimoreView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = DiagnosticTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QPlainTextEdit::viewportEvent(event);
}

int CTavimoreView::CaretLine() const
{
    return document()->findBlock(textCursor().selectionStart()).blockNumber();
}

void CTavimoreView::OnTextReplaced()
{
    MarkStatement(-1);
    setTextCursor(QTextCursor(document()));
    ensureCursorVisible();
    emit CaretLineText(textview::LineText("%04d", CaretLine() + 1));
}

void CTavimoreView::ShowCaret(const QTextCursor& cursor)
{
    setTextCursor(cursor);
    ensureCursorVisible();
}

bool CTavimoreView::OnChar(QChar c, bool shift)
{
    if (shift && c == QLatin1Char('>')) {
        m_bStepArmed = false;
        return false;
    }
    s_bTitleToggle = !s_bTitleToggle;
    if (s_bTitleToggle) emit TitleToggledOn();
    if (c == QLatin1Char('.')) {
        if (m_bStepArmed) {
            emit StepRequested(CaretLine());
            return false;
        }
        m_bStepArmed = true;
    }
    return true;
}

bool CTavimoreView::event(QEvent* event)
{
    // F5, F6 and F7 are the view's before any shortcut of the window sees them.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        // Ctrl+F5 is the debug run, a command of the window.
        const bool debugRun = key == Qt::Key_F5 && (press->modifiers() & Qt::ControlModifier);
        if (!debugRun && (key == Qt::Key_F5 || key == Qt::Key_F6 || key == Qt::Key_F7)) {
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void CTavimoreView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F5:
        // Ctrl+F5 belongs to the debug run; it reaches here only while that is greyed.
        if (event->modifiers() & Qt::ControlModifier) return;
        emit RunRequested();
        break;
    case Qt::Key_F6: {
        m_bStepArmed = false;
        // The separator key, pressed and released after F6; it types nothing.
        QApplication::postEvent(this,
                                new QKeyEvent(QEvent::KeyPress, kSeparatorKey, Qt::NoModifier));
        QApplication::postEvent(this,
                                new QKeyEvent(QEvent::KeyRelease, kSeparatorKey, Qt::NoModifier));
        emit SeparatorKeyPosted();
        break;
    }
    case Qt::Key_F7:
        emit StepRequested(CaretLine());
        break;
    case Qt::Key_Escape:
        // Esc stops a running script, also when the script's own pump delivers it.
        emit StopRequested();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & Qt::ShiftModifier) {
            // Shift+Return would break the line inside the paragraph; a line of the
            // script is a paragraph, so it breaks like Return.
            QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                            event->text(), event->isAutoRepeat(),
                            static_cast<quint16>(event->count()));
            keyPressEvent(&plain);
            return;
        }
        break;
    default:
        break;
    }
    // Backspace takes a character with the selector that keeps its code, as one.
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
        QTextCursor cursor = textCursor();
        if (!cursor.hasSelection() && cursor.position() >= 2 &&
            doctext::IsVariantSelector(document()->characterAt(cursor.position() - 1))) {
            cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            setTextCursor(cursor);
            return;
        }
    }
    // Every character the key types goes through the character handler first.
    const QString typed = event->text();
    if (!typed.isEmpty()) {
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        bool insert = true;
        for (QChar c : typed)
            insert = OnChar(c, shift) && insert;
        if (!insert) return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CTavimoreView::keyReleaseEvent(QKeyEvent* event)
{
    emit CaretLineText(textview::LineText("%4d", CaretLine()));
    QPlainTextEdit::keyReleaseEvent(event);
}

void CTavimoreView::inputMethodEvent(QInputMethodEvent* event)
{
    // Characters an input method commits are typed characters too.
    const QString committed = event->commitString();
    if (!committed.isEmpty()) {
        QString kept;
        for (QChar c : committed)
            if (OnChar(c, false)) kept += c;
        if (kept != committed) {
            QInputMethodEvent changed(event->preeditString(), event->attributes());
            changed.setCommitString(kept, event->replacementStart(), event->replacementLength());
            QPlainTextEdit::inputMethodEvent(&changed);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}

// Files dropped on the editor are opened by the main window, not pasted as text.
void CTavimoreView::dragEnterEvent(QDragEnterEvent* event)
{
    if (HasLocalFiles(event->mimeData()))
        event->ignore();
    else
        QPlainTextEdit::dragEnterEvent(event);
}

void CTavimoreView::dragMoveEvent(QDragMoveEvent* event)
{
    if (HasLocalFiles(event->mimeData()))
        event->ignore();
    else
        QPlainTextEdit::dragMoveEvent(event);
}

void CTavimoreView::dropEvent(QDropEvent* event)
{
    if (HasLocalFiles(event->mimeData()))
        event->ignore();
    else
        QPlainTextEdit::dropEvent(event);
}

void CTavimoreView::insertFromMimeData(const QMimeData* source)
{
    if (source == nullptr) return;
    QString text;
    if (source->hasFormat(textview::kEditorTextFormat))
        text = QString::fromUtf8(source->data(textview::kEditorTextFormat));
    else if (source->hasText())
        text = doctext::StripVariants(source->text()); // fresh characters: preferred codes
    else
        return;
    // Pasted line breaks of every kind become lines of the script.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    textCursor().insertText(text);
    ensureCursorVisible();
}

QMimeData* CTavimoreView::createMimeDataFromSelection() const
{
    return textview::MakeMimeData(textCursor().selection().toPlainText());
}
