// The document side of a single step, shared by the editor and tavimore-run.
//
// A step executes the statement on one editor line and rewrites that line: the line
// itself (cut to 255 bytes, with a message, when longer), a line break, and when the
// statement left a status text, that text as a "/ " comment line under it. The caret
// then goes to the statement that would run next: the line after the inserted text,
// moved by the jump the statement made, exactly as arrow keys pressed after the
// replacement would move it.
#pragma once

#include <string>
#include <string_view>

#include "ScriptEngine.h"

struct CStepResult {
    bool ran = false;        // false: a run was in progress, nothing was done
    int line = 0;            // the stepped editor line
    std::string replacement; // replaces the line and its line break
    std::string text;        // the whole document after the step
    int caretLine = 0;       // 0-based editor line where the caret ends
};

// Number of editor lines of a document whose lines are separated by CR LF.
int CountEditorLines(std::string_view document);

// Steps editor line `line` (0 <= line < CountEditorLines(document)) of document.
CStepResult StepDocumentLine(CScriptEngine& engine, std::string_view document, int line);
