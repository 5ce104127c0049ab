// The main window: menus, tool bar, bars, title, about box, and the endpoint that
// shows texts other programs send.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <cstring>
#include <unistd.h>

#include "AppFixture.h"
#include "AppTests.h"
#include "CopyDataEndpoint.h"

namespace {

// The texts of a menu's items, "-" for a separator.
QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (!action->isVisible()) continue;
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

QMenu* MenuNamed(CMainFrame& frame, const QString& title)
{
    for (QAction* action : frame.menuBar()->actions())
        if (action->text() == title) return action->menu();
    return nullptr;
}

} // namespace

class CFrameTest final : public QObject {
    Q_OBJECT
private slots:
    void init() { m_pFixture = std::make_unique<CAppFixture>(); }
    void cleanup() { m_pFixture.reset(); }

    void StartsEmptyWithTheTemplateTitle()
    {
        CMainFrame& frame = m_pFixture->Frame();
        QVERIFY(frame.isVisible());
        QCOMPARE(frame.windowTitle(), QStringLiteral("Tavimore"));
        QCOMPARE(m_pFixture->Text(), QString());
        QVERIFY(!m_pFixture->App().OptionDialog()->isVisible());
        QCOMPARE(frame.RegLDisplay()->text(), QString());
    }

    void MenusInOrderWithTheirKeysAndGreyedItems()
    {
        CMainFrame& frame = m_pFixture->Frame();
        QStringList titles;
        for (QAction* action : frame.menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "ヘルプ(&H)"}));
        QCOMPARE(
            MenuTexts(MenuNamed(frame, "ファイル(&F)")),
            (QStringList{"新規作成\tCtrl+N(&N)", "開く...\tCtrl+O(&O)", "上書き保存\tCtrl+S(&S)",
                         "名前を付けて保存(&A)...", "-", "印刷...\tCtrl+P(&P)",
                         "印刷プレビュー(&V)", "プリンタの設定(&R)...", "-", "送信(&D)...", "-",
                         "最近使ったファイル", "-", "アプリケーションの終了(&X)", "", "-"}));
        QCOMPARE(
            MenuTexts(MenuNamed(frame, "編集(&E)")),
            (QStringList{"元に戻す\tCtrl+Z(&U)", "-", "切り取り\tCtrl+X(&T)", "コピー\tCtrl+C(&C)",
                         "貼り付け\tCtrl+V(&P)", "すべてを選択\tCtrl+A(&A)", "-",
                         "検索\tCtrl+F(&F)", "置換\tCtrl+R(&R)"}));
        QCOMPARE(MenuTexts(MenuNamed(frame, "表示(&V)")),
                 (QStringList{"ツール バー(&T)", "ステータス バー(&S)"}));
        QCOMPARE(MenuTexts(MenuNamed(frame, "ヘルプ(&H)")),
                 (QStringList{"トピックの検索(&H)", "-", "バージョン情報 Tavimore(&A)..."}));
        QVERIFY(!frame.Action(cmd::kFileSendMail)->isEnabled());
        QVERIFY(!frame.RecentPlaceholder()->isEnabled());
        QCOMPARE(frame.Action(cmd::kEditUndo)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
        QCOMPARE(frame.Action(cmd::kEditPaste)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}));
        QCOMPARE(frame.Action(cmd::kContextHelp)->shortcut(), QKeySequence("Shift+F1"));
        QCOMPARE(frame.Action(cmd::kEditCopy)->statusTip(),
                 QStringLiteral("選択範囲をコピーしてクリップボードに保存"));
        QCOMPARE(frame.Action(cmd::kAppExit)->statusTip(),
                 QStringLiteral("アプリケーションを終了し、ファイルの保存を指示\\終了"));
        // Cut and copy follow the selection, undo the editor's history.
        QVERIFY(!frame.Action(cmd::kEditCopy)->isEnabled());
        m_pFixture->SetText(QStringLiteral("abc"));
        m_pFixture->View().selectAll();
        QVERIFY(frame.Action(cmd::kEditCopy)->isEnabled());
        QVERIFY(frame.Action(cmd::kEditCut)->isEnabled());
    }

    void ToolBarButtonsInTheirGroups()
    {
        CMainFrame& frame = m_pFixture->Frame();
        QStringList order;
        for (QAction* action : frame.ToolBar()->actions())
            order << (action->isSeparator() ? QStringLiteral("|")
                                            : QString::number(action->data().toInt()));
        QCOMPARE(order.join(QLatin1Char(' ')),
                 QStringLiteral("57600 | 57601 57603 | 57635 57634 57637 | 57607 57664 57669 | "
                                "32771 32772 | 32773 32774 32775"));
        QCOMPARE(frame.ToolBar()->iconSize(), QSize(24, 24));
        for (QAction* action : frame.ToolBar()->actions())
            if (!action->isSeparator()) QVERIFY(!action->icon().pixmap(24, 24).isNull());
        QVERIFY(!frame.Action(cmd::kSpare1)->isEnabled());
        QVERIFY(!frame.Action(cmd::kSpare2)->isEnabled());
        QCOMPARE(frame.Action(cmd::kFileNew)->toolTip(), QStringLiteral("新規ファイル"));
        QCOMPARE(frame.Action(cmd::kEditCopy)->toolTip(), QStringLiteral("保存"));
        QCOMPARE(frame.Action(cmd::kFileNew)->statusTip(), QStringLiteral("新規にファイルを作成"));
    }

    void DialogBarAndStatusBar()
    {
        CMainFrame& frame = m_pFixture->Frame();
        QVERIFY(frame.DialogBar()->findChild<QLineEdit*>(QStringLiteral("regLDisplay")) != nullptr);
        QVERIFY(frame.DialogBar()->findChild<QLabel*>(QStringLiteral("animation")) != nullptr);
        QCOMPARE(frame.statusBar()
                     ->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^pane[0-3]$")))
                     .size(),
                 4);
        // A prompt shown in the message pane gives way to the idle text.
        frame.statusBar()->showMessage(QStringLiteral("prompt"));
        frame.statusBar()->clearMessage();
        QCOMPARE(frame.PaneText(0), QStringLiteral("ヘルプを表示するには F1 キーを押してください。"));
        // Stop with no run in progress refreshes the REGL display.
        frame.Action(cmd::kScriptStop)->trigger();
        QCOMPARE(frame.RegLDisplay()->text(), QStringLiteral("000000000@h"));
        frame.Action(cmd::kViewStatusBar)->trigger();
        QVERIFY(!frame.statusBar()->isVisible());
        frame.Action(cmd::kViewToolBar)->trigger();
        QVERIFY(!frame.ToolBar()->isVisible());
    }

    void WindowHideAndShowActOnTheMainWindow()
    {
        CMainFrame& frame = m_pFixture->Frame();
        QVERIFY(frame.isVisible());
        m_pFixture->SetText(QStringLiteral("WINDOW hide\nPUMP"));
        QTest::keyClick(&m_pFixture->View(), Qt::Key_F5);
        QVERIFY(!frame.isVisible());
        m_pFixture->Doc().RunScript(Sj("WINDOW Show\r\nWINDOW other"));
        QVERIFY(frame.isVisible());
    }

    void NewAndOpenKeepTheEngine()
    {
        m_pFixture->SetText(QStringLiteral("WAIT 6"));
        QTest::keyClick(&m_pFixture->View(), Qt::Key_F5);
        CScriptEngine* engine = &m_pFixture->Engine();
        m_pFixture->Engine().SetDebugLevel(77);
        m_pFixture->App().OnFileNew();
        QCOMPARE(&m_pFixture->Engine(), engine);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 77);
        QCOMPARE(m_pFixture->Engine().GetRegL(), 6u);
        QCOMPARE(m_pFixture->Text(), QString());
        QCOMPARE(m_pFixture->Frame().windowTitle(), QStringLiteral("Tavimore"));
    }

    void AboutBox()
    {
        QTimer::singleShot(0, [] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            QCOMPARE(about->windowTitle(), QStringLiteral("バージョン情報 Tavimore"));
            QStringList texts;
            for (QLabel* label : about->findChildren<QLabel*>())
                texts << label->text();
            QVERIFY(texts.contains(QStringLiteral("Tavimore Version 1.0")));
            about->accept();
        });
        m_pFixture->Frame().Action(cmd::kAppAbout)->trigger();
    }

    void PrintPreviewOpensAndCloses()
    {
        m_pFixture->SetText(QStringLiteral("WAIT 1\n/ printed"));
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            auto* preview = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            shown = preview != nullptr;
            if (preview != nullptr) preview->reject();
        });
        m_pFixture->Frame().Action(cmd::kFilePrintPreview)->trigger();
        QVERIFY(shown);
    }

    void EndpointShowsTextsOfThisUserOnly()
    {
        CCopyDataEndpoint* endpoint = m_pFixture->App().CopyDataEndpoint();
        QVERIFY(!endpoint->SocketPath().isEmpty());
        QStringList shown;
        endpoint->SetShowText([&](const QString& text) { shown << text; });
        QSignalSpy received(endpoint, &CCopyDataEndpoint::TextReceived);

        QLocalSocket client;
        client.connectToServer(endpoint->SocketPath());
        QVERIFY(client.waitForConnected(2000));
        const std::string text = Sj("外から\n届いた") + std::string("\0ignored", 8);
        client.write(text.data(), static_cast<qint64>(text.size()));
        client.flush();
        client.disconnectFromServer();
        QTRY_COMPARE(shown, QStringList{QStringLiteral("外から\n届いた")});

        // The real box: an empty caption, the text, OK.
        QTimer::singleShot(0, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box == nullptr || !box->isVisible()) continue;
                QCOMPARE(box->text(), QStringLiteral("hello"));
                QVERIFY(box->windowTitle().trimmed().isEmpty());
                QCOMPARE(box->buttons().size(), 1);
                box->buttons()[0]->click();
            }
        });
        CQtHost::RunMessageBox(QStringLiteral("hello"), QString(), MessageButtons::Ok);

        // The folder is the user's alone: another user cannot even connect.
        if (getuid() != 0) QSKIP("only root can try the endpoint as another user");
        const QByteArray path = QFile::encodeName(endpoint->SocketPath());
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
            const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
            const int result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            _exit(result == 0 ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

private:
    std::unique_ptr<CAppFixture> m_pFixture;
};

std::unique_ptr<QObject> MakeFrameTest()
{
    return std::make_unique<CFrameTest>();
}

#include "FrameTests.moc"
