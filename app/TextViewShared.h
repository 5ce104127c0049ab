// What the script editor and the long-text viewer share: the clipboard's forms of a
// copied text and the caret-line text of the status bar.
#pragma once

#include <QString>

class QMimeData;

namespace textview {

// The editor's own clipboard format: the text with the selectors that keep codes.
inline const QString kEditorTextFormat = QStringLiteral("application/x-tavimore-text");

// A copied text ('\n' between lines) for the clipboard: plain text for other programs,
// and the editor's own format, which keeps each character's cp932 code for pasting back.
QMimeData* MakeMimeData(const QString& text);

// The first pane's text for a 0-based or 1-based line number: `format` ("%4d",
// "%04d") followed by "行目".
QString LineText(const char* format, int line);

} // namespace textview
