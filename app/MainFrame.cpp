#include "MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

#include "EditorSettings.h"
#include "LargeTextView.h"
#include "LockKeys.h"
#include "TavimoreView.h"
#include "UiTexts.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(FrameTitle(QString()));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tavimore.xpm")));
    setAcceptDrops(true);
    resize(760, 520);

    m_pView = new CTavimoreView(this);
    setCentralWidget(m_pView);
    // The viewer lies over the whole view while it is shown: the view stays in the
    // window, so that what a run puts inside it (a video) still shows, on top.
    m_pLongView = new CLargeTextView(m_pView);
    m_pLongView->setFont(m_pView->font());
    m_pLongView->hide();

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateDialogBar();
    CreateStatusBar();
    qApp->installEventFilter(this);
}

QString CMainFrame::FrameTitle(const QString& documentTitle)
{
    return documentTitle.isEmpty() ? ui::kAppTitle
                                   : documentTitle + QStringLiteral(" - ") + ui::kAppTitle;
}

void CMainFrame::ShowLongOutput(bool shown)
{
    if (shown == IsLongOutputShown()) return;
    QWidget* from = shown ? static_cast<QWidget*>(m_pView) : m_pLongView;
    QWidget* to = shown ? static_cast<QWidget*>(m_pLongView) : m_pView;
    const bool focused = from->hasFocus();
    m_pLongView->setGeometry(m_pView->rect());
    m_pLongView->setVisible(shown);
    if (shown) m_pLongView->raise();
    if (focused) to->setFocus();
    // Copy follows the selection of the one shown.
    const bool selection =
        shown ? m_pLongView->HasSelection() : m_pView->textCursor().hasSelection();
    Action(cmd::kEditCut)->setEnabled(selection);
    Action(cmd::kEditCopy)->setEnabled(selection);
}

bool CMainFrame::IsLongOutputShown() const
{
    return !m_pLongView->isHidden();
}

void CMainFrame::SetEditorFont(const QFont& font)
{
    m_pView->SetEditorFont(font);
    m_pLongView->setFont(m_pView->font());
}

QAction* CMainFrame::Action(cmd::Id id) const
{
    for (const auto& [command, action] : m_commands)
        if (command->id == id) return action;
    return nullptr;
}

QAction* CMainFrame::AddAction(const cmd::Command& command)
{
    auto* action = new QAction(command.text, this);
    action->setData(command.id);
    action->setObjectName(QStringLiteral("command%1").arg(command.id));
    // The prompt's part before the line break is the status-bar text, the part after
    // it the tool tip.
    const QString& prompt = command.prompt;
    const qsizetype brk = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(brk < 0 ? prompt : prompt.left(brk));
    // Context help ("?" then a click on the command) shows the same prompt.
    action->setWhatsThis(action->statusTip());
    action->setToolTip(brk < 0 ? QString() : prompt.mid(brk + 1));
    if (command.icon != nullptr)
        action->setIcon(QIcon(QStringLiteral(":/icons/%1.xpm").arg(QLatin1String(command.icon))));
    QList<QKeySequence> keys;
    for (QKeyCombination key : command.keys)
        if (key.key() != Qt::Key_unknown) keys << QKeySequence(key);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setCheckable(command.checkable);
    action->setEnabled(command.enabled);
    m_commands.emplace_back(&command, action);
    addAction(action);
    return action;
}

void CMainFrame::CreateActions()
{
    using namespace cmd;
    for (const Command& command : Commands())
        AddAction(command);

    // The editor decides what can be cut, copied and undone.
    Action(kEditCut)->setEnabled(false);
    Action(kEditCopy)->setEnabled(false);
    Action(kEditUndo)->setEnabled(false);
    connect(m_pView, &QPlainTextEdit::copyAvailable, Action(kEditCut), &QAction::setEnabled);
    connect(m_pView, &QPlainTextEdit::copyAvailable, Action(kEditCopy), &QAction::setEnabled);
    connect(m_pView, &QPlainTextEdit::undoAvailable, Action(kEditUndo), &QAction::setEnabled);
    Action(kEditRedo)->setEnabled(false);
    connect(m_pView, &QPlainTextEdit::redoAvailable, Action(kEditRedo), &QAction::setEnabled);
    connect(m_pLongView, &CLargeTextView::copyAvailable, Action(kEditCut), &QAction::setEnabled);
    connect(m_pLongView, &CLargeTextView::copyAvailable, Action(kEditCopy), &QAction::setEnabled);

    // Colouring follows the user's last choice.
    QAction* highlight = Action(kViewHighlight);
    highlight->setChecked(editorsettings::Highlighting());
    m_pView->SetHighlighting(highlight->isChecked());
    m_pLongView->SetHighlighting(highlight->isChecked());
    connect(highlight, &QAction::toggled, this, [this](bool on) {
        m_pView->SetHighlighting(on);
        m_pLongView->SetHighlighting(on);
        editorsettings::SetHighlighting(on);
    });
    if (const QString font = editorsettings::EditorFont(); !font.isEmpty()) {
        QFont chosen;
        if (chosen.fromString(font)) SetEditorFont(chosen);
    }
    QAction* fromOne = Action(kViewLinesFromOne);
    fromOne->setChecked(editorsettings::LineNumbersFromOne());
    m_pView->SetLineNumbersFromOne(fromOne->isChecked());
    m_pLongView->SetLineNumbersFromOne(fromOne->isChecked());
    connect(fromOne, &QAction::toggled, this, [this](bool on) {
        m_pView->SetLineNumbersFromOne(on);
        m_pLongView->SetLineNumbersFromOne(on);
        editorsettings::SetLineNumbersFromOne(on);
    });
}

void CMainFrame::CreateMenus()
{
    using cmd::Menu;
    const std::pair<Menu, const QString*> menus[] = {
        {Menu::File, &ui::kMenuFile},   {Menu::Edit, &ui::kMenuEdit}, {Menu::View, &ui::kMenuView},
        {Menu::Debug, &ui::kMenuDebug}, {Menu::Help, &ui::kMenuHelp},
    };
    const char* names[] = {"fileMenu", "editMenu", "viewMenu", "debugMenu", "helpMenu"};
    for (int i = 0; i < 5; ++i) {
        QMenu* menu = menuBar()->addMenu(*menus[i].second);
        menu->setObjectName(QLatin1String(names[i]));
        if (menus[i].first == Menu::File) m_pFileMenu = menu;
        int group = -1;
        for (const auto& [command, action] : m_commands) {
            if (command->menu != menus[i].first) continue;
            if (group != -1 && command->menuGroup != group) menu->addSeparator();
            group = command->menuGroup;
            menu->addAction(action);
        }
    }
}

void CMainFrame::CreateToolBar()
{
    m_pToolBar = new QToolBar(this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setIconSize(QSize(24, 24));
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pToolBar->setMovable(true); // the band's gripper
    m_pToolBar->setFloatable(false);
    m_pToolBar->setAllowedAreas(Qt::TopToolBarArea);
    // The groups in their order, each group's buttons in the table's order.
    std::vector<CommandAction> buttons;
    for (const CommandAction& entry : m_commands)
        if (entry.first->toolGroup != 0) buttons.push_back(entry);
    std::stable_sort(buttons.begin(), buttons.end(), [](const auto& a, const auto& b) {
        return a.first->toolGroup < b.first->toolGroup;
    });
    int group = -1;
    for (const auto& [command, action] : buttons) {
        if (group != -1 && command->toolGroup != group) m_pToolBar->addSeparator();
        group = command->toolGroup;
        m_pToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    QAction* toggle = Action(cmd::kViewToolBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, m_pToolBar, &QToolBar::setVisible);
    connect(m_pToolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

QWidget* CMainFrame::StopButton() const
{
    return m_pToolBar->widgetForAction(Action(cmd::kScriptStop));
}

void CMainFrame::CreateDialogBar()
{
    // The second band: the REGL display and the animation's place (no clip is ever
    // loaded into it). Sizes are those of the dialog template in pixels.
    m_pDialogBar = new QToolBar(this);
    m_pDialogBar->setObjectName(QStringLiteral("dialogBar"));
    m_pDialogBar->setMovable(true);
    m_pDialogBar->setFloatable(false);
    m_pDialogBar->setAllowedAreas(Qt::TopToolBarArea);
    auto* band = new QWidget(m_pDialogBar);
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    m_pRegLDisplay = new QLineEdit(band);
    m_pRegLDisplay->setObjectName(QStringLiteral("regLDisplay"));
    m_pRegLDisplay->setFixedWidth(165);
    m_pRegLDisplay->setFrame(true);
    m_pAnimation = new QLabel(band);
    m_pAnimation->setObjectName(QStringLiteral("animation"));
    m_pAnimation->setFrameShape(QFrame::Box);
    m_pAnimation->setFixedSize(42, 26);
    row->addWidget(m_pRegLDisplay);
    row->addWidget(m_pAnimation);
    m_pDialogBar->addWidget(band);
    addToolBar(Qt::TopToolBarArea, m_pDialogBar);
}

void CMainFrame::ShowRunning(bool running)
{
    m_pRunningPane->setText(running ? ui::kRunningIndicator : QString());
    m_pRunningPane->setStyleSheet(running ? QStringLiteral("color: #a00000; font-weight: bold;")
                                          : QString());
    Action(cmd::kScriptRun)->setEnabled(!running);
    Action(cmd::kDebugRun)->setEnabled(!running);
}

void CMainFrame::ShowPaused(bool paused)
{
    m_pRunningPane->setText(paused ? ui::kPausedIndicator : QString());
    m_pRunningPane->setStyleSheet(paused ? QStringLiteral("color: #0000a0; font-weight: bold;")
                                         : QString());
}

void CMainFrame::ShowModified(bool modified)
{
    // The title is the document's name as typed or opened; the changed state shows here.
    m_pModifiedPane->setText(modified ? ui::kModifiedIndicator : QString());
    m_pModifiedPane->setToolTip(modified ? ui::kModifiedTip : QString());
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    m_panes[0] = new QLabel(ui::kIdleText, bar);
    m_panes[0]->setObjectName(QStringLiteral("pane0"));
    bar->addWidget(m_panes[0], 1);
    const QString indicators[] = {ui::kIndicatorCaps, ui::kIndicatorNum, ui::kIndicatorScroll};
    for (int i = 1; i <= 3; ++i) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QStringLiteral("pane%1").arg(i));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(indicators[i - 1]) + 12);
        bar->addPermanentWidget(pane);
        m_panes[i] = pane;
    }
    m_pRunningPane = new QLabel(bar);
    m_pRunningPane->setObjectName(QStringLiteral("runningPane"));
    m_pRunningPane->setMinimumWidth(
        qMax(m_pRunningPane->fontMetrics().horizontalAdvance(ui::kRunningIndicator),
             m_pRunningPane->fontMetrics().horizontalAdvance(ui::kPausedIndicator)) +
        12);
    m_pRunningPane->setAlignment(Qt::AlignCenter);
    bar->insertPermanentWidget(0, m_pRunningPane);
    m_pModifiedPane = new QLabel(bar);
    m_pModifiedPane->setObjectName(QStringLiteral("modifiedPane"));
    m_pModifiedPane->setMinimumWidth(
        m_pModifiedPane->fontMetrics().horizontalAdvance(ui::kModifiedIndicator) + 12);
    m_pModifiedPane->setAlignment(Qt::AlignCenter);
    bar->addPermanentWidget(m_pModifiedPane);
    Action(cmd::kViewStatusBar)->setChecked(true);
    connect(Action(cmd::kViewStatusBar), &QAction::toggled, bar, &QStatusBar::setVisible);
    // When a command's prompt leaves the message pane, the idle text comes back.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) SetPaneText(0, ui::kIdleText);
    });
    const auto showCaretLine = [this](const QString& text) { SetPaneText(0, text); };
    connect(m_pView, &CTavimoreView::CaretLineText, this, showCaretLine);
    connect(m_pLongView, &CLargeTextView::CaretLineText, this, showCaretLine);
    UpdateIndicators();
}

void CMainFrame::ShowRegL(const QString& text)
{
    m_pRegLDisplay->setText(text);
}

void CMainFrame::SetPaneText(int pane, const QString& text)
{
    if (pane < 0 || pane > 3) return;
    m_panes[pane]->setText(text);
    m_panes[pane]->repaint();
}

QString CMainFrame::PaneText(int pane) const
{
    return pane >= 0 && pane <= 3 ? m_panes[pane]->text() : QString();
}

void CMainFrame::UpdateIndicators()
{
    const unsigned state = LockKeyState();
    // The usual indicator order of X keyboards: Caps Lock, Num Lock, Scroll Lock.
    const QString texts[] = {ui::kIndicatorCaps, ui::kIndicatorNum, ui::kIndicatorScroll};
    for (int i = 0; i < 3; ++i) {
        const QString shown = (state & (1u << i)) != 0 ? texts[i] : QString();
        if (m_panes[i + 1]->text() != shown) m_panes[i + 1]->setText(shown);
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && watched->isWidgetType())
        UpdateIndicators();
    else if (event->type() == QEvent::Resize && watched == m_pView)
        m_pLongView->setGeometry(m_pView->rect());
    // The view under the viewer never keeps the keyboard: keys would edit a text that
    // is not the one shown.
    else if (event->type() == QEvent::FocusIn && watched == m_pView && IsLongOutputShown())
        m_pLongView->setFocus();
    else if (event->type() == QEvent::WindowActivate && watched == this)
        UpdateIndicators();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closeCheck && !m_closeCheck()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
    event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    emit FilesDropped(paths);
}
