// What the script editor and the long-text viewer share: the clipboard's forms of a
// copied text, the caret-line text of the status bar, and the gutter's look.
#pragma once

#include <QString>

class QFontMetrics;
class QMimeData;
class QPainter;
class QRect;

namespace textview {

// The editor's own clipboard format: the text with the selectors that keep codes.
inline const QString kEditorTextFormat = QStringLiteral("application/x-tavimore-text");

// A copied text ('\n' between lines) for the clipboard: plain text for other programs,
// and the editor's own format, which keeps each character's cp932 code for pasting back.
QMimeData* MakeMimeData(const QString& text);

// The first pane's text for a 0-based or 1-based line number: `format` ("%4d",
// "%04d") followed by "行目".
QString LineText(const char* format, int line);

// The gutter: its ground, and its width for the largest line number it shows (room for
// a breakpoint's disc, the number, the editor's statement mark and a little space).
void PaintGutterGround(QPainter& painter, const QRect& area);
int GutterWidth(const QFontMetrics& metrics, const QString& largestNumber);
// One row of the gutter, `height` high from `top`: the line's number at the right, and
// a breakpoint's disc at the left when it has one. The painter has the view's font.
void PaintGutterRow(QPainter& painter, int width, int top, int height, const QString& number,
                    bool breakpoint);
int BreakpointDiameter(const QFontMetrics& metrics);

} // namespace textview
