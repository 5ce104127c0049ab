// CTavimoreDoc: the script document.
//
// It owns the one CScriptEngine of the program: File New and File Open reuse the
// document, so registers, call stack, debug level, device bindings and the launch
// record survive them. It also owns the text: a QTextDocument holding the lines,
// the modified flag and the undo history, which the view shows and edits. The
// document's file is that text, cp932 bytes with the document's own line breaks
// (see DocumentText.h), read and written whole. Run, step and stop go from here to
// the engine; the text the engine sees is the text in cp932 with CR LF between lines.
//
// A run whose output is long (a report of hundreds of thousands of lines) does not
// put it into the text: building that many blocks would cost many times the run. The
// output is shown from the engine's bytes instead (LongOutput), and an undo item in
// the text's history records the switch, so undo and redo, the modified flag and a
// second run behave as if the text held it. The first change to it makes it the text
// (MakeEditable), as the run would have written it.
//
// The document knows no widget: where the caret should go and what the REGL display
// should show leave it as signals.
#pragma once

#include <QObject>
#include <QString>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <string>

#include "DocumentText.h"
#include "LargeText.h"
#include "RunReport.h"
#include "ScriptEngine.h"

class CDebugger;
class CQtHost;

class CTavimoreDoc final : public QObject {
    Q_OBJECT
public:
    explicit CTavimoreDoc(CQtHost& host, QObject* parent = nullptr);
    ~CTavimoreDoc() override;

    CScriptEngine& Engine() { return *m_pEngine; }
    CQtHost& Host() { return m_host; }
    // The text, for a view to show (its layout is a plain-text layout).
    QTextDocument* TextDocument() { return &m_text; }

    // ---- The document and its file
    // Clears the text; the file name and title are forgotten.
    bool OnNewDocument();
    // Reads the file as the text; on failure the text is unchanged and error says why.
    bool OnOpenDocument(const QString& path, QString& error);
    // Writes the text through a temporary file that replaces the file only when
    // complete; on failure the old file is intact and error says why.
    bool OnSaveDocument(const QString& path, QString& error);
    QString PathName() const { return m_strPath; }
    // The document's name as the title bar shows it ("" for a new document).
    QString Title() const { return m_strTitle; }
    void SetTitle(const QString& title);
    bool IsModified() const { return m_text.isModified(); }
    void SetModified(bool modified) { m_text.setModified(modified); }
    doctext::LineBreaks LineBreaks() const { return m_eLineBreaks; }

    // The whole text, '\n' between lines, every character as stored.
    QString Text() const;
    // The text as the engine sees it: cp932, CR LF between lines.
    std::string EngineText() const;

    // ---- Run, step and stop
    // Runs a script and replaces the text with the output, as one edit that undo
    // takes back.
    void RunScript(const std::string& text);
    // Runs the whole text.
    void RunText() { RunScript(EngineText()); }
    // Executes the statement on line `line` (0-based), rewrites the line with its
    // result and asks for the caret on the statement that would run next.
    void StepLine(int line);
    void StopScript();
    bool IsRunInProgress() const { return m_pEngine->IsRunInProgress(); }
    // What the last run or step showed and reported, with the statement line behind
    // each box and status line (read from the engine's last output when asked).
    CRunReport Report() const;

    // ---- A long output shown in place of the text
    // An output of more lines than this is shown from its bytes.
    static constexpr int kLongOutputLines = 20000;
    // The output shown in place of the text, or null when the text is what is shown.
    const std::shared_ptr<const CLargeText>& LongOutput() const { return m_pLongOutput; }
    // Makes a long output shown the text itself, in one edit that undo takes back as it
    // takes back the run; the modified flag stays as it is. Nothing when none is shown.
    void MakeEditable();

    // ---- Debugging
    CDebugger& Debugger() { return *m_pDebugger; }
    // Runs the whole text from line 0 as RunText does, pausing where the debugger
    // asks; while a debug run is paused, continues it from `line`. A pause leaves the
    // text as it is and the caret on the statement that runs next; the end writes the
    // report as a run does.
    void DebugRun(int line);
    bool IsDebugPaused() const { return m_pEngine->IsDebugPaused(); }
    // Drops a paused debug run and its log (nothing when none is paused).
    void AbandonDebugRun();

signals:
    void TitleChanged();
    void RunFinished();
    // The text was replaced by a file or cleared: the caret goes to its start.
    void TextReplaced();
    // The view should show this caret or selection (the line a step runs, the
    // statement that would run next, the end of a run's output).
    void CaretRequested(const QTextCursor& cursor);
    // A run or step started (true) or ended (false).
    void RunStateChanged(bool running);
    // The statement a step left the caret on, to be marked until the next run or
    // step; -1 when a run ends and nothing is marked.
    void StatementMarked(int line);
    // REGL, as the dialog bar shows it, after a run, a step or a stop.
    void RegLChanged(const QString& text);
    // A debug run paused before `line`: at a breakpoint, or after a change of the watch
    // named `changedWatch` ("" for a breakpoint).
    void DebugPaused(int line, const QString& changedWatch);
    // A paused debug run ended or was dropped.
    void DebugEnded();
    // LongOutput() changed: a run's long output is shown, or the text is again.
    void LongOutputChanged();

private:
    friend class CLongOutputSwitch;
    void ReplaceText(const QString& text);
    void SetLongOutput(std::shared_ptr<const CLargeText> output);
    // Replaces the whole text in one edit that undo takes back (with the long output
    // shown until now, if any); returns a cursor at the end of the new text.
    QTextCursor WriteText(const QString& text);
    // Replaces the text with the last run's output, as one edit that undo takes back.
    void ShowRunOutput();
    // Ends a paused debug run without running more, with its report.
    void FinishDebugRun();
    void HandEngineWindowContext();
    void RefreshRegL();
    void Refuse() const;

    CQtHost& m_host;
    std::unique_ptr<CScriptEngine> m_pEngine;
    QTextDocument m_text;
    std::unique_ptr<CDebugger> m_pDebugger;
    std::shared_ptr<const CLargeText> m_pLongOutput;
    std::shared_ptr<const CLargeText> m_pRunOutput; // the last run's output, as shown
    bool m_bQuietSwitch = false;                    // LongOutputChanged is held back while set
    QString m_strPath;
    QString m_strTitle;
    doctext::LineBreaks m_eLineBreaks = doctext::LineBreaks::CrLf;
};
