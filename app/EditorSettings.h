// The editor's own preferences, kept in the application's per-user settings beside
// the recent-file list.
#pragma once

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

} // namespace editorsettings
