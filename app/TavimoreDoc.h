// CTavimoreDoc: the script document.
//
// It owns the one CScriptEngine of the program: File New and File Open reuse the
// document, so registers, call stack, debug level, device bindings and the launch
// record survive them. The document's file is the editor text itself, cp932 bytes
// with the document's own line breaks (see DocumentText.h), read and written whole.
// Run, step and stop go from here to the engine; the text the engine sees is the
// editor text in cp932 with CR LF between lines.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <string>

#include "DocumentText.h"
#include "ScriptEngine.h"

class CQtHost;
#include "TavimoreView.h"
#include <QLineEdit>

class CTavimoreDoc final : public QObject {
    Q_OBJECT
public:
    explicit CTavimoreDoc(CQtHost& host, QObject* parent = nullptr);
    ~CTavimoreDoc() override;

    CScriptEngine& Engine() { return *m_pEngine; }
    CQtHost& Host() { return m_host; }
    void SetView(CTavimoreView* view);
    CTavimoreView* View() const { return m_pView; }
    // The REGL display of the dialog bar.
    void SetRegLDisplay(QLineEdit* display) { m_pRegLDisplay = display; }
    QLineEdit* FindRegLDisplay() const { return m_pRegLDisplay; }

    // ---- The document and its file
    // Clears the editor; the file name and title are forgotten.
    bool OnNewDocument();
    // Reads the file into the editor; on failure the editor is unchanged and error
    // says why.
    bool OnOpenDocument(const QString& path, QString& error);
    // Writes the editor text through a temporary file that replaces the file only
    // when complete; on failure the old file is intact and error says why.
    bool OnSaveDocument(const QString& path, QString& error);
    QString PathName() const { return m_strPath; }
    // The document's name as the title bar shows it ("" for a new document).
    QString Title() const { return m_strTitle; }
    void SetTitle(const QString& title);
    bool IsModified() const;
    void SetModified(bool modified);
    doctext::LineBreaks LineBreaks() const { return m_eLineBreaks; }

    // The editor text as the engine sees it: cp932, CR LF between lines.
    std::string EngineText() const;

    // ---- Run, step and stop
    // Runs the whole script and replaces the editor text with the output, as one edit
    // that undo takes back.
    void RunScript(const std::string& text);
    void StepAtCaret();
    // Executes the statement on editor line `line`, rewrites the line with its result
    // and moves the caret to the statement that would run next.
    void StepLine(int line);
    // The 0-based line holding the caret (the start of the selection).
    int GetCaretLine() const;
    void StopScript();
    void RefreshRegLDisplay();
    bool IsRunInProgress() const { return m_pEngine->IsRunInProgress(); }

signals:
    void TitleChanged();
    void RunFinished();

private:
    void HandEngineWindowContext();
    void Refuse() const;

    CQtHost& m_host;
    std::unique_ptr<CScriptEngine> m_pEngine;
    QPointer<CTavimoreView> m_pView;
    QPointer<QLineEdit> m_pRegLDisplay;
    QString m_strPath;
    QString m_strTitle;
    doctext::LineBreaks m_eLineBreaks = doctext::LineBreaks::CrLf;
};
