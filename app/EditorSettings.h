// The editor's own preferences, kept in the application's per-user settings beside
// the recent-file list.
#pragma once

#include <QList>
#include <QString>

namespace editorsettings {

// Whether the editor colours the script (on until the user turns it off).
bool Highlighting();
void SetHighlighting(bool on);

// Whether the gutter counts lines from 1 instead of the language's 0.
bool LineNumbersFromOne();
void SetLineNumbersFromOne(bool on);

// The editor font the user chose, as QFont::toString gives it; "" for the editor's own.
QString EditorFont();
void SetEditorFont(const QString& font);

// The breakpoint lines of a file, by its absolute path (an empty list forgets them).
QList<int> Breakpoints(const QString& path);
void SetBreakpoints(const QString& path, const QList<int>& lines);

} // namespace editorsettings
