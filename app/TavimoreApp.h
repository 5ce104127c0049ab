// CTavimoreApp: starts everything and handles the application's commands.
//
// It owns the Qt host, the one document (and through it the engine), the main frame
// with the editor view, the option dialog (created hidden), the recent-file list, the
// printer settings and the endpoint where other programs send texts to show.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QPrinter>
#include <QStringList>

#include <functional>
#include <memory>

#include "RecentFiles.h"

class CCopyDataEndpoint;
class CDiagnosticsPanel;
class CReportPanel;
class CScriptDiagnostics;
class QFileDialog;
class QTextBrowser;
class CEnvironmentDialog;
class CFindReplaceDialog;
class CMainFrame;
class COptionDialog;
class CQtHost;
class CTavimoreDoc;
class CWatchPanel;

// The about box.
class CAboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

class CTavimoreApp final : public QObject {
    Q_OBJECT
public:
    CTavimoreApp();
    ~CTavimoreApp() override;

    // Starts the application with its command-line arguments (without the program
    // name): [--ports KIND] [--ftdi KIND] [--sim-config FILE] [FILE]. False when the
    // application cannot start; error then says why.
    bool InitInstance(const QStringList& arguments, QString& error);

    CQtHost& Host() { return *m_pHost; }
    CTavimoreDoc* Document() const { return m_pDocument.get(); }
    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    COptionDialog* OptionDialog() const { return m_pOptionDialog.get(); }
    CCopyDataEndpoint* CopyDataEndpoint() const { return m_pEndpoint; }
    CRecentFileList& RecentFiles() { return m_recent; }
    CFindReplaceDialog* FindReplace() const { return m_pFind; }
    CScriptDiagnostics* Diagnostics() const { return m_pDiagnostics; }
    CDiagnosticsPanel* DiagnosticsPanel() const { return m_pDiagnosticsPanel; }
    CReportPanel* ReportPanel() const { return m_pReportPanel; }

    // ---- Commands
    void OnFileNew();
    void OnFileOpen();
    // Opens a file as the document; false after telling the user why it failed.
    bool OpenDocumentFile(const QString& path);
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnAppAbout();
    // Opens the environment check (made on first use, checked anew on every opening).
    void OnEnvironmentCheck();
    // The list of the editor's keys.
    void OnHelpKeys();
    // Asks for the editor's font and size, and keeps the choice.
    void OnChooseFont();
    CEnvironmentDialog* EnvironmentDialog() const { return m_pEnvironmentDialog; }
    void OnShowOptions();
    void OnFilePrint();
    // Prints with the current settings, asking nothing.
    void OnFilePrintDirect();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnHelpFinder();
    // The help file: beside the executable's tree, else where it was installed; "" if none.
    static QString HelpFile();
    QWidget* HelpWindow() const;
    void OnEditFind(bool replace);
    // The debugger: F9 on the caret line, Ctrl+F5, a new watch, the watch panel.
    void OnToggleBreakpoint();
    void OnDebugRun();
    void OnAddWatch();
    void OnToggleWatchPanel();
    CWatchPanel* WatchPanel() const { return m_pWatchPanel; }
    // Answers the new-watch question instead of asking (tests): the text typed, or ""
    // for Cancel.
    void SetWatchQuestion(std::function<QString()> ask) { m_askWatch = std::move(ask); }

    // A run's long output is shown in a viewer until something changes it: this makes
    // it the view's text, with the viewer's caret and selection (nothing when none is
    // shown).
    void MakeEditable();
    // The 0-based line of the caret, in the view or the viewer, whichever is shown.
    int CaretLine() const;

    // Asks whether to save a modified document: true when the caller may go on.
    bool SaveModified();
    // Whether the main window may close now. While a script runs the run is stopped
    // and the window closes when the run has ended.
    bool CanCloseFrame();

    // Answers "save the changes?" instead of asking (tests): Yes, No or Cancel.
    enum class SaveAnswer { Yes, No, Cancel };
    void SetSaveQuestion(std::function<SaveAnswer(const QString&)> ask)
    {
        m_askToSave = std::move(ask);
    }
    // Reports file errors instead of showing them (tests).
    void SetErrorReport(std::function<void(const QString&)> report)
    {
        m_reportError = std::move(report);
    }
    // Asks for a file name to save as instead of the file dialog (tests).
    void SetSaveAsName(std::function<QString()> ask) { m_askSaveAs = std::move(ask); }

    // The least size of the open and save dialogs.
    static constexpr QSize kFileDialogSize{820, 500};

private:
    void ConnectCommands();
    // The diagnostics and report panels beside the editor, and what feeds them.
    void CreateResultPanels();
    // Puts the caret at the start of a line of the text and the focus in the editor.
    void GoToLine(int line);
    void ConnectDebugger();
    // The viewer of long outputs: shown when the document shows one, its keys.
    void ConnectLongOutput();
    void ShowWatchPanel(bool focus);
    void RebuildRecentMenu();
    void ReportError(const QString& text);
    bool SaveTo(const QString& path);
    bool RefuseWhileRunning();
    // Runs an open or save dialog at a size that shows its columns; the chosen file or "".
    static QString RunFileDialog(QFileDialog& dialog);

    std::unique_ptr<CQtHost> m_pHost;
    std::unique_ptr<CTavimoreDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<COptionDialog> m_pOptionDialog;
    CEnvironmentDialog* m_pEnvironmentDialog = nullptr; // a child of the main window
    std::string m_strPortsChoice = "system";
    std::string m_strFtdiChoice = "system";
    CCopyDataEndpoint* m_pEndpoint = nullptr;
    CFindReplaceDialog* m_pFind = nullptr;
    CScriptDiagnostics* m_pDiagnostics = nullptr;     // a child of the document's text
    CDiagnosticsPanel* m_pDiagnosticsPanel = nullptr; // children of the main window
    CReportPanel* m_pReportPanel = nullptr;
    CWatchPanel* m_pWatchPanel = nullptr; // a child of the main window
    bool m_bWatchPanelShown = false;
    std::function<QString()> m_askWatch;
    QPointer<QTextBrowser> m_pHelp;
    CRecentFileList m_recent;
    QList<QAction*> m_recentActions;
    QPrinter m_printer;
    bool m_bCloseAfterRun = false;
    std::function<SaveAnswer(const QString&)> m_askToSave;
    std::function<void(const QString&)> m_reportError;
    std::function<QString()> m_askSaveAs;
};
