#include "MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>

#include "CommandIds.h"
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

QAction* CMainFrame::AddAction(int id, const QString& menuText, const QString& prompt,
                               const QString& icon)
{
    auto* action = new QAction(menuText, this);
    action->setData(id);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    // The prompt's part before the line break is the status-bar text, the part after
    // it the tool tip.
    const qsizetype brk = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(brk < 0 ? prompt : prompt.left(brk));
    // Context help ("?" then a click on the command) shows the same prompt.
    action->setWhatsThis(action->statusTip());
    action->setToolTip(brk < 0 ? QString() : prompt.mid(brk + 1));
    if (!icon.isEmpty()) action->setIcon(QIcon(QStringLiteral(":/icons/%1.xpm").arg(icon)));
    action->setShortcutContext(Qt::WindowShortcut);
    m_actions.insert(id, action);
    addAction(action);
    return action;
}

void CMainFrame::CreateActions()
{
    using namespace cmd;
    auto keys = [](QAction* action, std::initializer_list<QKeySequence> sequences) {
        action->setShortcuts(QList<QKeySequence>(sequences));
    };
    keys(AddAction(kFileNew, QStringLiteral("新規作成\tCtrl+N(&N)"),
                   QStringLiteral("新規にファイルを作成\n新規ファイル"), QStringLiteral("new")),
         {QKeySequence(Qt::CTRL | Qt::Key_N)});
    keys(AddAction(kFileOpen, QStringLiteral("開く...\tCtrl+O(&O)"),
                   QStringLiteral("既存のファイルを開く\n開く"), QStringLiteral("open")),
         {QKeySequence(Qt::CTRL | Qt::Key_O)});
    keys(AddAction(kFileSave, QStringLiteral("上書き保存\tCtrl+S(&S)"),
                   QStringLiteral("作業中のファイルを上書きして保存\n保存"),
                   QStringLiteral("save")),
         {QKeySequence(Qt::CTRL | Qt::Key_S)});
    AddAction(kFileSaveAs, QStringLiteral("名前を付けて保存(&A)..."),
              QStringLiteral("作業中のファイルを新しい名前で保存\n名前をつけて保存"));
    keys(AddAction(kFilePrint, QStringLiteral("印刷...\tCtrl+P(&P)"),
                   QStringLiteral("作業中のファイルを印刷\n印刷"), QStringLiteral("print")),
         {QKeySequence(Qt::CTRL | Qt::Key_P)});
    AddAction(kFilePrintDirect, QString(), QString());
    AddAction(kFilePrintPreview, QStringLiteral("印刷プレビュー(&V)"),
              QStringLiteral("印刷イメージを表示\n印刷プレビュー"));
    AddAction(kFilePrintSetup, QStringLiteral("プリンタの設定(&R)..."),
              QStringLiteral("プリンタおよび印刷オプションの変更\n印刷設定"));
    AddAction(kFileSendMail, QStringLiteral("送信(&D)..."),
              QStringLiteral("電子ﾒｰﾙ ｼｽﾃﾑを使って、作業中の文書を送信/回覧\n送信"))
        ->setEnabled(false);
    AddAction(kAppExit, QStringLiteral("アプリケーションの終了(&X)"),
              QStringLiteral("アプリケーションを終了し、ファイルの保存を指示\\終了"));
    AddAction(kFileNoText, QString(), QString())->setEnabled(false);

    keys(AddAction(kEditUndo, QStringLiteral("元に戻す\tCtrl+Z(&U)"),
                   QStringLiteral("直前に行った動作を元に戻す\n元に戻す")),
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    keys(AddAction(kEditCut, QStringLiteral("切り取り\tCtrl+X(&T)"),
                   QStringLiteral("選択範囲を切り取ってクリップボードに保存\n切り取り"),
                   QStringLiteral("cut")),
         {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    keys(AddAction(kEditCopy, QStringLiteral("コピー\tCtrl+C(&C)"),
                   QStringLiteral("選択範囲をコピーしてクリップボードに保存\n保存"),
                   QStringLiteral("copy")),
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    keys(AddAction(kEditPaste, QStringLiteral("貼り付け\tCtrl+V(&P)"),
                   QStringLiteral("クリップボードの内容を貼り付け\n貼り付け"),
                   QStringLiteral("paste")),
         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    keys(AddAction(kEditSelectAll, QStringLiteral("すべてを選択\tCtrl+A(&A)"),
                   QStringLiteral("ファイル内のすべてを選択\nすべて選択")),
         {QKeySequence(Qt::CTRL | Qt::Key_A)});
    keys(AddAction(kEditFind, QStringLiteral("検索\tCtrl+F(&F)"),
                   QStringLiteral("指定した文字列の検索\n検索")),
         {QKeySequence(Qt::CTRL | Qt::Key_F)});
    keys(AddAction(kEditReplace, QStringLiteral("置換\tCtrl+R(&R)"),
                   QStringLiteral("指定した文字列を他の文字列で置換\n置換")),
         {QKeySequence(Qt::CTRL | Qt::Key_R)});

    AddAction(kViewToolBar, QStringLiteral("ツール バー(&T)"),
              QStringLiteral("ツール バーの 表示/非表示\nツール バーの表示切り替え"))
        ->setCheckable(true);
    AddAction(kViewStatusBar, QStringLiteral("ステータス バー(&S)"),
              QStringLiteral("ステータス バーの 表示/非表示\nステータス バーの表示切り替え"))
        ->setCheckable(true);

    AddAction(kHelpFinder, QStringLiteral("トピックの検索(&H)"),
              QStringLiteral("ヘルプ トピックの一覧\nヘルプ トピック"));
    AddAction(kAppAbout, QStringLiteral("バージョン情報 Tavimore(&A)..."),
              QStringLiteral("プログラム情報、バージョン、著作権を表示します。\nバージョン情報"),
              QStringLiteral("about"));
    keys(AddAction(
             kContextHelp, QString(),
             QStringLiteral(
                 "クリックしたボタンやメニュー、ウィンドウについてヘルプを表示します。\nヘルプ"),
             QStringLiteral("contexthelp")),
         {QKeySequence(Qt::SHIFT | Qt::Key_F1)});
    keys(AddAction(kHelp, QString(),
                   QStringLiteral("現在のタスクまたはコマンドのヘルプを表示\nヘルプ")),
         {QKeySequence(Qt::Key_F1)});

    AddAction(kScriptRun, QString(), QString(), QStringLiteral("run"));
    AddAction(kScriptStop, QString(), QString(), QStringLiteral("stop"));
    AddAction(kShowOptions, QString(), QString(), QStringLiteral("options"));
    AddAction(kSpare1, QString(), QString(), QStringLiteral("spare1"))->setEnabled(false);
    AddAction(kSpare2, QString(), QString(), QStringLiteral("spare2"))->setEnabled(false);

    // The editor decides what can be cut, copied and undone.
    Action(kEditCut)->setEnabled(false);
    Action(kEditCopy)->setEnabled(false);
    Action(kEditUndo)->setEnabled(false);
    connect(m_pView, &QPlainTextEdit::copyAvailable, Action(kEditCut), &QAction::setEnabled);
    connect(m_pView, &QPlainTextEdit::copyAvailable, Action(kEditCopy), &QAction::setEnabled);
    connect(m_pView, &QPlainTextEdit::undoAvailable, Action(kEditUndo), &QAction::setEnabled);
}

void CMainFrame::CreateMenus()
{
    using namespace cmd;
    m_pFileMenu = menuBar()->addMenu(ui::kMenuFile);
    m_pFileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_pFileMenu->addAction(Action(kFileNew));
    m_pFileMenu->addAction(Action(kFileOpen));
    m_pFileMenu->addAction(Action(kFileSave));
    m_pFileMenu->addAction(Action(kFileSaveAs));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(kFilePrint));
    m_pFileMenu->addAction(Action(kFilePrintPreview));
    m_pFileMenu->addAction(Action(kFilePrintSetup));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(kFileSendMail));
    m_pFileMenu->addSeparator();
    m_pRecentPlaceholder = AddAction(kFileMruFirst, ui::kRecentPlaceholder, ui::kRecentPrompt);
    m_pRecentPlaceholder->setEnabled(false);
    m_pFileMenu->addAction(m_pRecentPlaceholder);
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(Action(kAppExit));
    m_pFileMenu->addAction(Action(kFileNoText));
    m_pFileMenu->addSeparator();

    QMenu* edit = menuBar()->addMenu(ui::kMenuEdit);
    edit->setObjectName(QStringLiteral("editMenu"));
    edit->addAction(Action(kEditUndo));
    edit->addSeparator();
    edit->addAction(Action(kEditCut));
    edit->addAction(Action(kEditCopy));
    edit->addAction(Action(kEditPaste));
    edit->addAction(Action(kEditSelectAll));
    edit->addSeparator();
    edit->addAction(Action(kEditFind));
    edit->addAction(Action(kEditReplace));

    QMenu* view = menuBar()->addMenu(ui::kMenuView);
    view->setObjectName(QStringLiteral("viewMenu"));
    view->addAction(Action(kViewToolBar));
    view->addAction(Action(kViewStatusBar));

    QMenu* help = menuBar()->addMenu(ui::kMenuHelp);
    help->setObjectName(QStringLiteral("helpMenu"));
    help->addAction(Action(kHelpFinder));
    help->addSeparator();
    help->addAction(Action(kAppAbout));
}

void CMainFrame::CreateToolBar()
{
    using namespace cmd;
    m_pToolBar = new QToolBar(this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setIconSize(QSize(24, 24));
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pToolBar->setMovable(true); // the band's gripper
    m_pToolBar->setFloatable(false);
    m_pToolBar->setAllowedAreas(Qt::TopToolBarArea);
    const int groups[][3] = {
        {kFileNew, 0, 0},
        {kFileOpen, kFileSave, 0},
        {kEditCut, kEditCopy, kEditPaste},
        {kFilePrint, kAppAbout, kContextHelp},
        {kScriptRun, kScriptStop, 0},
        {kShowOptions, kSpare1, kSpare2},
    };
    bool first = true;
    for (const auto& group : groups) {
        if (!first) m_pToolBar->addSeparator();
        first = false;
        for (int id : group)
            if (id != 0) m_pToolBar->addAction(Action(id));
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    Action(kViewToolBar)->setChecked(true);
    connect(Action(kViewToolBar), &QAction::toggled, m_pToolBar, &QToolBar::setVisible);
    connect(m_pToolBar, &QToolBar::visibilityChanged, Action(kViewToolBar), &QAction::setChecked);
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
    Action(cmd::kViewStatusBar)->setChecked(true);
    connect(Action(cmd::kViewStatusBar), &QAction::toggled, bar, &QStatusBar::setVisible);
    // When a command's prompt leaves the message pane, the idle text comes back.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) SetPaneText(0, ui::kIdleText);
    });
    connect(m_pView, &CTavimoreView::CaretLineText, this,
            [this](const QString& text) { SetPaneText(0, text); });
    UpdateIndicators();
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
