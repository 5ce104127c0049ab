// CMainFrame: the main window.
//
// Its constructor reads as the list of its parts: the commands, the menus, the tool
// bar, the dialog bar with the REGL display, the status bar, and the editor view in
// the middle. The commands, menus, tool bar and accelerators come from the command
// table (Commands.h). The frame only builds and shows; the application, the document
// and the view handle the commands.
#pragma once

#include <QMainWindow>

#include <functional>
#include <utility>
#include <vector>

#include "Commands.h"

class CLargeTextView;
class CTavimoreView;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    // While a run or step is in progress: "実行中" in the status bar, Run greyed.
    void ShowRunning(bool running);
    QLabel* RunningPane() const { return m_pRunningPane; }
    // While the text has changes not yet saved: "変更" in the status bar.
    void ShowModified(bool modified);
    QLabel* ModifiedPane() const { return m_pModifiedPane; }
    // While a debug run is paused: "一時停止中" in the same pane.
    void ShowPaused(bool paused);
    explicit CMainFrame(QWidget* parent = nullptr);

    CTavimoreView* View() const { return m_pView; }
    // The viewer of a run's long output, shown over the view (ShowLongOutput).
    CLargeTextView* LongView() const { return m_pLongView; }
    // Shows the viewer over the view (true) or the view alone (false); the one shown
    // takes the keyboard when the other had it.
    void ShowLongOutput(bool shown);
    bool IsLongOutputShown() const;
    // The editor's font, for the view and the viewer alike.
    void SetEditorFont(const QFont& font);
    // Each command of the table with its action, in the table's order.
    using CommandAction = std::pair<const cmd::Command*, QAction*>;
    const std::vector<CommandAction>& CommandActions() const { return m_commands; }
    // The action of a command, or null.
    QAction* Action(cmd::Id id) const;
    QToolBar* ToolBar() const { return m_pToolBar; }
    QToolBar* DialogBar() const { return m_pDialogBar; }
    QLineEdit* RegLDisplay() const { return m_pRegLDisplay; }
    // Shows REGL in the dialog bar.
    void ShowRegL(const QString& text);
    QWidget* StopButton() const;
    QMenu* FileMenu() const { return m_pFileMenu; }
    QAction* RecentPlaceholder() const { return Action(cmd::kFileMruFirst); }

    // Pane 0 is the message pane; 1 to 3 are the CAP, NUM and SCRL indicators.
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    // Shows the lock keys' state in the indicator panes (X11 only; blank elsewhere).
    void UpdateIndicators();

    // The title for a document title ("" for a new document).
    static QString FrameTitle(const QString& documentTitle);

    // Decides whether the window may close now (set by the application).
    void SetCloseCheck(std::function<bool()> check) { m_closeCheck = std::move(check); }

signals:
    void FilesDropped(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_pRunningPane = nullptr;
    QLabel* m_pModifiedPane = nullptr;
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateDialogBar();
    void CreateStatusBar();
    QAction* AddAction(const cmd::Command& command);

    CTavimoreView* m_pView = nullptr;
    CLargeTextView* m_pLongView = nullptr;
    std::vector<CommandAction> m_commands;
    QToolBar* m_pToolBar = nullptr;
    QToolBar* m_pDialogBar = nullptr;
    QLineEdit* m_pRegLDisplay = nullptr;
    QLabel* m_pAnimation = nullptr;
    QLabel* m_panes[4] = {};
    QMenu* m_pFileMenu = nullptr;
    std::function<bool()> m_closeCheck;
};
