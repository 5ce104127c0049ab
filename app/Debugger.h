// CDebugger: the editor's debugging state, owned by the document and shown by the
// gutter and the watch panel.
//
// Breakpoints are kept as cursors at the start of their lines, so that they move with
// their lines as the text is edited. A cursor keeps its place when text is inserted
// there, so that a line replaced in one step (a paste over it, the undo of a step's
// rewrite) keeps its breakpoint; a pure insertion there that holds a line break (a
// line typed above, Enter at the line's start) moves the cursor to where the line's
// text went, which a block's user data would not do (it stays with the upper half
// of a split line). The
// document's own rewrites (a run's report, a step's result) and an undo of them
// replace lines wholesale; the debugger puts the breakpoints back on their line
// numbers then. Each file's breakpoints are kept in the settings under its absolute
// path.
//
// Watches are registers (REGn) or ranges of them (REGa-REGb); a watch may stop a
// debug run after a statement that changed it. During a debug run the debugger is
// the engine's probe: it pauses before a line with a breakpoint and after a
// statement that changed a watched register.
#pragma once

#include <QObject>
#include <QString>
#include <QTextCursor>

#include <cstdint>
#include <vector>

#include "ScriptEngine.h"

class QTextDocument;

// A watched register or range of registers, REGfirst to REGlast.
struct CWatch {
    int first = 0;
    int last = 0;
    bool breakOnChange = false;
    bool IsRange() const { return last != first; }
    QString Name() const;
};

class CDebugger final : public QObject, public CRunProbe {
    Q_OBJECT
public:
    // The most registers one range watch may span.
    static constexpr int kMaxRange = 1024;

    CDebugger(QTextDocument& text, CScriptEngine& engine, QObject* parent = nullptr);

    // ---- Breakpoints
    bool HasBreakpoint(int line) const;
    // Sets or clears the breakpoint on a 0-based line; false when there is no such line.
    bool ToggleBreakpoint(int line);
    void SetBreakpoint(int line, bool on);
    // The lines holding a breakpoint, ascending.
    std::vector<int> BreakpointLines() const;
    void SetBreakpointLines(const std::vector<int>& lines);
    // Reads and writes the breakpoints of a file in the settings ("" reads none and
    // writes nothing).
    void LoadBreakpoints(const QString& path);
    // The text is now the file at path (saved under a new name): its breakpoints go
    // with it.
    void KeepFor(const QString& path);
    void SaveBreakpoints() const;
    QString FilePath() const { return m_strPath; }

    // ---- Watches
    const std::vector<CWatch>& Watches() const { return m_watches; }
    // Adds a watch written as REGn or REGa-REGb (a, b from 0 to 9999, at most
    // kMaxRange registers); false with the reason in error otherwise.
    bool AddWatch(const QString& text, QString& error);
    void RemoveWatch(int index);
    void SetBreakOnChange(int index, bool on);

    // ---- The probe of a debug run
    // Takes the breakpoints and watched values before a debug run (or its
    // continuation) starts.
    void PrepareRun();
    bool PauseBefore(int line) override;
    bool PauseAfter(int line) override;
    // Why the last debug run paused: true after a watched change (then the watch's
    // name is in ChangedWatch()), false before a breakpoint.
    bool PausedOnChange() const { return m_bPausedOnChange; }
    QString ChangedWatch() const { return m_strChangedWatch; }

    // ---- Values
    // Reads a value typed by the user: D'decimal (with an optional '-'), H'hex or
    // B'binary, 32 bits at most; digits without a prefix are read in `base` (2, 10
    // or 16), a '-' only in base 10.
    static bool ParseValue(const QString& text, uint32_t& value, int base = 10);
    // The text a range of registers holds as the string statements store it: the
    // first register the length in bytes, the bytes in the cells after it, low byte
    // first; it ends at the range's end or at a zero byte. Decoded from cp932.
    static QString RangeText(const CScriptEngine& engine, int first, int last);

signals:
    // The breakpoints changed (toggled, moved by an edit, loaded).
    void BreakpointsChanged();
    void WatchesChanged();

private:
    void OnContentsChange(int position, int removed, int added);
    int BlockCount() const;
    void Remember();
    // Adds the remembered lines past the end of the text back to the remembered ones.
    void KeepPastTheEnd(const std::vector<int>& before);

    QTextDocument& m_text;
    CScriptEngine& m_engine;
    QString m_strPath;
    // A cursor at the start of each breakpoint's line.
    std::vector<QTextCursor> m_breakpoints;
    // The breakpoint lines after the last edit, to put back after a wholesale rewrite;
    // they include lines past the end of a shortened text until it grows to them.
    std::vector<int> m_remembered;
    std::vector<CWatch> m_watches;

    // While a debug run goes on: a flag per line, the watches that break on a change,
    // and their registers' values before the statement.
    std::vector<char> m_lineBreaks;
    std::vector<CWatch> m_breaking;
    std::vector<uint32_t> m_before;
    bool m_bPausedOnChange = false;
    QString m_strChangedWatch;
};
