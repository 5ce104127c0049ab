#include "LargeTextView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

#include "DocumentText.h"
#include "ScriptHighlighter.h"
#include "TavimoreView.h"
#include "TextViewShared.h"

namespace {

// The space left of and above the text, as the editor's document leaves it.
constexpr int kMargin = 4;
// Lines longer than this (in QChars) are drawn a part at a time.
constexpr int kLongLine = 2000;

// Characters a double-click takes together with their neighbours of the same kind.
bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('\'') || c.isMark() ||
           doctext::IsVariantSelector(c);
}

} // namespace

// The strip left of the text with the line numbers and breakpoint discs.
class CLargeTextGutter final : public QWidget {
public:
    explicit CLargeTextGutter(CLargeTextView* view) : QWidget(view), m_pView(view)
    {
        setObjectName(QStringLiteral("lineNumbers"));
    }
    QSize sizeHint() const override { return {m_pView->GutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { m_pView->PaintGutter(event); }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) return;
        const int line = m_pView->LineAtY(event->position().toPoint().y());
        if (line >= 0) emit m_pView->BreakpointToggleRequested(line);
    }

private:
    CLargeTextView* m_pView;
};

CLargeTextView::CLargeTextView(QWidget* parent)
    : QAbstractScrollArea(parent), m_pText(std::make_shared<CLargeText>(std::string()))
{
    setObjectName(QStringLiteral("largeText"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette colours = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Text, CTavimoreView::TextColor());
        colours.setColor(group, QPalette::Base, CTavimoreView::BackgroundColor());
    }
    setPalette(colours);
    m_pGutter = new CLargeTextGutter(this);
    UpdateMetrics();
}

CLargeTextView::~CLargeTextView() = default;

void CLargeTextView::SetText(std::shared_ptr<const CLargeText> text)
{
    const bool hadSelection = HasSelection();
    m_pText = text ? std::move(text) : std::make_shared<CLargeText>(std::string());
    ForgetLayouts();
    m_anchor = m_caret = CTextPos();
    m_nGoalX = -1;
    m_nWidestSeen = 0;
    UpdateMetrics();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    m_pGutter->update();
    if (hadSelection) emit copyAvailable(false);
}

void CLargeTextView::SetHighlighting(bool on)
{
    m_bHighlighting = on;
    ForgetLayouts();
    viewport()->update();
}

void CLargeTextView::SetLineNumbersFromOne(bool on)
{
    m_bFromOne = on;
    UpdateMetrics();
    m_pGutter->update();
}

void CLargeTextView::SetBreakpointSource(std::function<std::vector<int>()> source)
{
    m_breakpoints = std::move(source);
    m_pGutter->update();
}

QWidget* CLargeTextView::Gutter() const
{
    return m_pGutter;
}

int CLargeTextView::GutterWidth() const
{
    // As wide as the editor's gutter for the same text, so that switching between the
    // two does not move the text.
    const int largest = m_pText->LineCount() - 1 + (m_bFromOne ? 1 : 0);
    return textview::GutterWidth(fontMetrics(), QString::number(largest));
}

int CLargeTextView::LineHeight() const
{
    return m_nLineHeight;
}

int CLargeTextView::VisibleLines() const
{
    return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

int CLargeTextView::FirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

int CLargeTextView::TopOf(int line) const
{
    return kMargin + (line - FirstVisibleLine()) * LineHeight();
}

int CLargeTextView::LineAtY(int y) const
{
    if (y < kMargin) return y >= 0 ? FirstVisibleLine() : -1;
    const int line = FirstVisibleLine() + (y - kMargin) / LineHeight();
    return line < m_pText->LineCount() ? line : -1;
}

std::shared_ptr<const QTextLayout> CLargeTextView::LayOut(int line) const
{
    // Painting, the caret and the mouse ask for the same few lines again and again;
    // a very long line costs far more to lay out than to draw.
    if (const auto kept = m_layouts.find(line); kept != m_layouts.end()) return kept->second;
    auto layout = std::make_shared<QTextLayout>(m_pText->Line(line), font(), viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
    if (m_bHighlighting) {
        QList<QTextLayout::FormatRange> formats;
        for (const CScriptHighlighter::Span& span : CScriptHighlighter::Classify(layout->text()))
            formats.append({span.start, span.length, CScriptHighlighter::Format(span.kind)});
        layout->setFormats(formats);
    }
    layout->beginLayout();
    layout->createLine();
    layout->endLayout();
    // Enough for a few screens; past that the lines kept start again from none.
    if (m_layouts.size() >= static_cast<size_t>(4 * VisibleLines() + 16)) m_layouts.clear();
    m_layouts.emplace(line, layout);
    return layout;
}

void CLargeTextView::ForgetLayouts()
{
    m_layouts.clear();
}

int CLargeTextView::XOf(CTextPos pos) const
{
    return qRound(LayOut(pos.line)->lineAt(0).cursorToX(pos.column));
}

CTextPos CLargeTextView::PosAt(const QPoint& point) const
{
    const int row = point.y() < kMargin ? -1 : (point.y() - kMargin) / LineHeight();
    const int line = std::clamp(FirstVisibleLine() + row, 0, m_pText->LineCount() - 1);
    const int x = point.x() - kMargin + horizontalScrollBar()->value();
    return {line, LayOut(line)->lineAt(0).xToCursor(x)};
}

void CLargeTextView::UpdateMetrics()
{
    // A row is as high as the editor lays out a line, which rounds the ascent and the
    // descent up each (a little more than the font's height), also where a Japanese
    // character comes from another face.
    m_nLineHeight = 1;
    for (const QString& sample : {QStringLiteral("0"), QStringLiteral("行")}) {
        QTextLayout layout(sample, font(), viewport());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        m_nLineHeight = std::max(m_nLineHeight, qCeil(line.height()));
    }
    const QRect area = contentsRect();
    setViewportMargins(GutterWidth(), 0, 0, 0);
    m_pGutter->setGeometry(QRect(area.left(), area.top(), GutterWidth(), area.height()));
    UpdateScrollBars();
}

void CLargeTextView::UpdateScrollBars()
{
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, m_pText->LineCount() - VisibleLines()));
    vertical->setPageStep(VisibleLines());
    vertical->setSingleStep(1);
    // A cp932 double-byte character is two bytes in one full-width cell, so a line's
    // bytes times the half-width advance is its width in a fixed-pitch Japanese font;
    // lines laid out wider (a proportional font, tabs) widen the range once seen.
    const int halfWidth = std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0')));
    const qint64 estimate = static_cast<qint64>(m_pText->LongestLineBytes()) * halfWidth;
    const qint64 width = std::max<qint64>(estimate, m_nWidestSeen) + 2 * kMargin + 2;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(
        0, static_cast<int>(std::clamp<qint64>(width - viewport()->width(), 0, INT_MAX / 2)));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(halfWidth * 2);
}

void CLargeTextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ForgetLayouts();
        m_nWidestSeen = 0;
        m_nGoalX = -1;
        UpdateMetrics();
        viewport()->update();
        m_pGutter->update();
    }
}

void CLargeTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateMetrics();
}

void CLargeTextView::scrollContentsBy(int, int)
{
    viewport()->update();
    m_pGutter->update();
}

void CLargeTextView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, CTavimoreView::BackgroundColor());
    painter.setPen(CTavimoreView::TextColor());
    painter.setFont(font());
    const CTextPos from = std::min(m_anchor, m_caret);
    const CTextPos to = std::max(m_anchor, m_caret);
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    const int left = kMargin - horizontalScrollBar()->value();
    const int height = LineHeight();
    int widest = m_nWidestSeen;
    for (int line = FirstVisibleLine(), top = kMargin;
         line < m_pText->LineCount() && top <= area.bottom(); ++line, top += height) {
        if (top + height < area.top()) continue;
        const std::shared_ptr<const QTextLayout> layout = LayOut(line);
        const QTextLine row = layout->lineAt(0);
        widest = std::max(widest, qCeil(row.naturalTextWidth()));
        QList<QTextLayout::FormatRange> selections;
        if (HasSelection() && from.line <= line && line <= to.line) {
            const int start = line == from.line ? from.column : 0;
            const int end = line == to.line ? to.column : static_cast<int>(layout->text().size());
            if (end > start) selections.append({start, end - start, selected});
            // A selected line break shows as a little selected space after the line.
            if (line < to.line)
                painter.fillRect(left + qRound(row.naturalTextWidth()), top,
                                 fontMetrics().horizontalAdvance(QLatin1Char(' ')), height,
                                 selected.background());
        }
        DrawLine(painter, *layout, QPointF(left, top), selections);
        if (line == m_caret.line && hasFocus())
            layout->drawCursor(&painter, QPointF(left, top), m_caret.column, 1);
    }
    if (widest > m_nWidestSeen) {
        m_nWidestSeen = widest;
        UpdateScrollBars();
    }
}

void CLargeTextView::DrawLine(QPainter& painter, const QTextLayout& layout, QPointF at,
                              const QList<QTextLayout::FormatRange>& selections) const
{
    const auto size = static_cast<int>(layout.text().size());
    if (size <= kLongLine) {
        layout.draw(&painter, at, selections);
        return;
    }
    // Drawing a line costs as much as its glyphs, seen or not: of a very long line only
    // the part in sight, and a little either side, is laid out again and drawn.
    const QTextLine row = layout.lineAt(0);
    const qreal slack = 4 * LineHeight();
    int start = row.xToCursor(-at.x() - slack);
    int end = row.xToCursor(-at.x() + viewport()->width() + slack);
    const QString& text = layout.text();
    while (start > 0 && (doctext::IsVariantSelector(text[start]) || text[start].isLowSurrogate()))
        --start;
    while (end < size && (doctext::IsVariantSelector(text[end]) || text[end].isLowSurrogate()))
        ++end;
    if (end <= start) return;
    // The part's formats and selections, cut to it and counted from its start.
    auto cut = [start, end](const QList<QTextLayout::FormatRange>& ranges) {
        QList<QTextLayout::FormatRange> part;
        for (const QTextLayout::FormatRange& range : ranges) {
            const int from = std::max(range.start, start);
            const int to = std::min(range.start + range.length, end);
            if (to > from) part.append({from - start, to - from, range.format});
        }
        return part;
    };
    QTextLayout part(text.mid(start, end - start), layout.font(), viewport());
    part.setTextOption(layout.textOption());
    part.setFormats(cut(layout.formats()));
    part.beginLayout();
    part.createLine();
    part.endLayout();
    part.draw(&painter, QPointF(at.x() + row.cursorToX(start), at.y()), cut(selections));
}

void CLargeTextView::PaintGutter(QPaintEvent* event)
{
    QPainter painter(m_pGutter);
    textview::PaintGutterGround(painter, event->rect());
    painter.setFont(font());
    // The disc and the number sit in the font's height at the top of the row, as in
    // the editor's gutter.
    const int height = fontMetrics().height();
    const std::vector<int> breakpoints = m_breakpoints ? m_breakpoints() : std::vector<int>();
    const int first = FirstVisibleLine();
    auto next = std::lower_bound(breakpoints.begin(), breakpoints.end(), first);
    for (int line = first, top = kMargin;
         line < m_pText->LineCount() && top <= event->rect().bottom();
         ++line, top += LineHeight()) {
        while (next != breakpoints.end() && *next < line)
            ++next;
        textview::PaintGutterRow(painter, m_pGutter->width(), top, height,
                                 QString::number(line + (m_bFromOne ? 1 : 0)),
                                 next != breakpoints.end() && *next == line);
    }
}

void CLargeTextView::EnsureCaretVisible()
{
    QScrollBar* vertical = verticalScrollBar();
    if (m_caret.line < vertical->value())
        vertical->setValue(m_caret.line);
    else if (m_caret.line >= vertical->value() + VisibleLines())
        vertical->setValue(m_caret.line - VisibleLines() + 1);
    const std::shared_ptr<const QTextLayout> layout = LayOut(m_caret.line);
    const int lineWidth = qCeil(layout->lineAt(0).naturalTextWidth());
    if (lineWidth > m_nWidestSeen) {
        m_nWidestSeen = lineWidth;
        UpdateScrollBars();
    }
    const int x = qRound(layout->lineAt(0).cursorToX(m_caret.column));
    QScrollBar* horizontal = horizontalScrollBar();
    const int room = viewport()->width() - 2 * kMargin - 2;
    if (x < horizontal->value())
        horizontal->setValue(x);
    else if (x > horizontal->value() + room)
        horizontal->setValue(x - room);
}

void CLargeTextView::Select(CTextPos anchor, CTextPos caret)
{
    const bool hadSelection = HasSelection();
    m_anchor = m_pText->Clamp(anchor);
    m_caret = m_pText->Clamp(caret);
    EnsureCaretVisible();
    viewport()->update();
    if (hadSelection != HasSelection()) emit copyAvailable(HasSelection());
}

void CLargeTextView::MoveCaret(CTextPos caret, bool extend)
{
    Select(extend ? m_anchor : caret, caret);
}

void CLargeTextView::SetSelection(CTextPos anchor, CTextPos caret)
{
    m_nGoalX = -1;
    Select(anchor, caret);
}

QString CLargeTextView::SelectedText() const
{
    return HasSelection() ? m_pText->Text(m_anchor, m_caret) : QString();
}

void CLargeTextView::SelectAll()
{
    SetSelection(CTextPos(), m_pText->End());
}

void CLargeTextView::Copy()
{
    if (HasSelection())
        QApplication::clipboard()->setMimeData(textview::MakeMimeData(SelectedText()));
}

bool CLargeTextView::Find(const QString& needle, QTextDocument::FindFlags flags)
{
    const CTextPos from = flags & QTextDocument::FindBackward ? std::min(m_anchor, m_caret)
                                                              : std::max(m_anchor, m_caret);
    CTextPos start;
    CTextPos end;
    if (!m_pText->Find(needle, from, flags, start, end)) return false;
    SetSelection(start, end);
    return true;
}

int CLargeTextView::NextColumn(const QString& line, int column)
{
    const auto size = static_cast<int>(line.size());
    if (column >= size) return size;
    ++column;
    while (column < size &&
           (doctext::IsVariantSelector(line[column]) || line[column].isLowSurrogate()))
        ++column;
    return column;
}

int CLargeTextView::PreviousColumn(const QString& line, int column)
{
    if (column <= 0) return 0;
    --column;
    while (column > 0 &&
           (doctext::IsVariantSelector(line[column]) || line[column].isLowSurrogate()))
        --column;
    return column;
}

bool CLargeTextView::IsEdit(const QKeyEvent* press) const
{
    if (press->matches(QKeySequence::Paste)) return true;
    if (press->matches(QKeySequence::Cut)) return HasSelection();
    // Undo and redo (Alt+Backspace among them) are the window's, never an edit here.
    if (press->matches(QKeySequence::Copy) || press->matches(QKeySequence::SelectAll) ||
        press->matches(QKeySequence::Undo) || press->matches(QKeySequence::Redo))
        return false;
    switch (press->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        return true;
    case Qt::Key_Backspace:
        return HasSelection() || m_caret != CTextPos();
    case Qt::Key_Delete:
        return HasSelection() || m_caret != m_pText->End();
    default:
        break;
    }
    const QString text = press->text();
    return !text.isEmpty() && (text[0].isPrint() || text[0] == QLatin1Char('\t'));
}

bool CLargeTextView::event(QEvent* event)
{
    // The keys the view answers come here before any shortcut of the window sees them,
    // as they do in the editor; paste, cut and undo stay the window's commands.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = press->modifiers() & ~Qt::KeypadModifier;
        const bool plain = modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier;
        const bool windowCommand = press->matches(QKeySequence::Paste) ||
                                   press->matches(QKeySequence::Cut) ||
                                   press->matches(QKeySequence::Undo);
        const int key = press->key();
        const bool copy = press->matches(QKeySequence::Copy) ||
                          (key == Qt::Key_Insert && modifiers == Qt::ControlModifier);
        const bool own = (key == Qt::Key_F5 && !(modifiers & Qt::ControlModifier)) ||
                         key == Qt::Key_F7 || copy || press->matches(QKeySequence::SelectAll) ||
                         (plain && !windowCommand &&
                          (key < Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter ||
                           key == Qt::Key_Backspace || key == Qt::Key_Delete ||
                           key == Qt::Key_Tab || (key >= Qt::Key_Home && key <= Qt::Key_PageDown)));
        if (own) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void CLargeTextView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F5:
        // Ctrl+F5 belongs to the debug run, a command of the window.
        if (event->modifiers() & Qt::ControlModifier) {
            event->ignore();
            return;
        }
        emit RunRequested();
        return;
    case Qt::Key_F7:
        emit StepRequested(CaretLine());
        return;
    case Qt::Key_Escape:
        emit StopRequested();
        return;
    default:
        break;
    }
    if (IsEdit(event)) {
        event->accept();
        emit EditRequested(event);
        return; // the receiver owns what happens next
    }
    if (event->matches(QKeySequence::Copy) ||
        (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }

    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const int lastLine = m_pText->LineCount() - 1;
    CTextPos caret = m_caret;
    bool vertical = false;
    switch (event->key()) {
    case Qt::Key_Left:
        if (!extend && HasSelection() && !control) {
            caret = std::min(m_anchor, m_caret);
        } else if (caret.column > 0) {
            const QString line = m_pText->Line(caret.line);
            if (!control) {
                caret.column = PreviousColumn(line, caret.column);
            } else {
                while (caret.column > 0 && !IsWordChar(line[caret.column - 1]))
                    --caret.column;
                while (caret.column > 0 && IsWordChar(line[caret.column - 1]))
                    --caret.column;
            }
        } else if (caret.line > 0) {
            caret = {caret.line - 1, static_cast<int>(m_pText->Line(caret.line - 1).size())};
        }
        break;
    case Qt::Key_Right: {
        const QString line = m_pText->Line(caret.line);
        const auto size = static_cast<int>(line.size());
        if (!extend && HasSelection() && !control) {
            caret = std::max(m_anchor, m_caret);
        } else if (caret.column < size) {
            if (!control) {
                caret.column = NextColumn(line, caret.column);
            } else {
                while (caret.column < size && IsWordChar(line[caret.column]))
                    ++caret.column;
                while (caret.column < size && !IsWordChar(line[caret.column]))
                    ++caret.column;
            }
        } else if (caret.line < lastLine) {
            caret = {caret.line + 1, 0};
        }
        break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = VisibleLines();
        int step = 1;
        if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) step = page;
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_PageUp) step = -step;
        if (m_nGoalX < 0) m_nGoalX = XOf(m_caret);
        caret.line = std::clamp(caret.line + step, 0, lastLine);
        caret.column = LayOut(caret.line)->lineAt(0).xToCursor(m_nGoalX);
        // A page key moves the text with the caret.
        if (std::abs(step) > 1) verticalScrollBar()->setValue(verticalScrollBar()->value() + step);
        vertical = true;
        break;
    }
    case Qt::Key_Home:
        caret = control ? CTextPos() : CTextPos{caret.line, 0};
        break;
    case Qt::Key_End:
        caret = control ? m_pText->End()
                        : CTextPos{caret.line, static_cast<int>(m_pText->Line(caret.line).size())};
        break;
    default:
        event->ignore();
        return;
    }
    if (!vertical) m_nGoalX = -1;
    MoveCaret(caret, extend);
}

void CLargeTextView::keyReleaseEvent(QKeyEvent* event)
{
    emit CaretLineText(textview::LineText("%4d", CaretLine()));
    QAbstractScrollArea::keyReleaseEvent(event);
}

void CLargeTextView::inputMethodEvent(QInputMethodEvent* event)
{
    // A commit types text; the composition before it shows nothing here.
    if (!event->commitString().isEmpty()) {
        event->accept();
        emit EditRequested(event);
        return;
    }
    event->accept();
}

QVariant CLargeTextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImFont:
        return font();
    case Qt::ImCursorRectangle: {
        // In the view's own coordinates: the viewport lies right of the gutter.
        const int x = kMargin - horizontalScrollBar()->value() + XOf(m_caret);
        return QRect(x, TopOf(m_caret.line), 1, LineHeight()).translated(viewport()->pos());
    }
    case Qt::ImCursorPosition:
        return m_caret.column;
    case Qt::ImAnchorPosition:
        return m_anchor.line == m_caret.line ? m_anchor.column : m_caret.column;
    case Qt::ImSurroundingText:
        return m_pText->Line(m_caret.line);
    case Qt::ImCurrentSelection:
        return m_anchor.line == m_caret.line ? SelectedText() : QString();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void CLargeTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    m_nGoalX = -1;
    MoveCaret(PosAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void CLargeTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) return;
    // Dragging past the top or bottom edge scrolls a line at a time.
    QPoint point = event->position().toPoint();
    if (point.y() < 0) {
        verticalScrollBar()->setValue(FirstVisibleLine() - 1);
        point.setY(0);
    } else if (point.y() >= viewport()->height()) {
        verticalScrollBar()->setValue(FirstVisibleLine() + 1);
        point.setY(viewport()->height() - 1);
    }
    MoveCaret(PosAt(point), true);
}

void CLargeTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const CTextPos at = PosAt(event->position().toPoint());
    const QString line = m_pText->Line(at.line);
    const auto size = static_cast<int>(line.size());
    // The run of word characters, of spaces, or the single other character under the
    // click (the one before it at the line's end).
    int start = std::min(at.column, size - 1);
    if (start < 0) return;
    auto kind = [](QChar c) { return IsWordChar(c) ? 1 : c.isSpace() ? 2 : 0; };
    const int sort = kind(line[start]);
    int end = NextColumn(line, start);
    if (sort != 0) {
        while (start > 0 && kind(line[start - 1]) == sort)
            --start;
        while (end < size && kind(line[end]) == sort)
            ++end;
    }
    SetSelection({at.line, start}, {at.line, end});
}

bool CLargeTextView::focusNextPrevChild(bool)
{
    // Tab types a tab in the editor, so here it asks for an edit instead of moving on.
    return false;
}

void CLargeTextView::contextMenuEvent(QContextMenuEvent* event)
{
    // The entries and texts of a read-only text widget's menu, in the language Qt's own
    // translations give them (the editor's menu is Qt's).
    QMenu menu(this);
    QAction* copy = menu.addAction(QCoreApplication::translate("QWidgetTextControl", "&Copy"), this,
                                   &CLargeTextView::Copy);
    copy->setEnabled(HasSelection());
    QAction* all = menu.addAction(QCoreApplication::translate("QWidgetTextControl", "Select All"),
                                  this, &CLargeTextView::SelectAll);
    all->setEnabled(m_pText->End() != CTextPos());
    menu.exec(event->globalPos());
}

void CLargeTextView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CLargeTextView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
