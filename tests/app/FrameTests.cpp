// The main window: its start, its commands, its bars, and the endpoint that shows
// texts other programs send.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QWhatsThis>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <cstring>
#include <unistd.h>

#include "AppFixture.h"
#include "CopyDataEndpoint.h"
#include "EnvironmentDialog.h"

namespace {

// Sends a text to an endpoint as another program would; "" connects and sends nothing.
void SendText(const QString& path, const std::string& text)
{
    QLocalSocket client;
    client.connectToServer(path);
    QVERIFY(client.waitForConnected(2000));
    client.write(text.data(), static_cast<qint64>(text.size()));
    client.waitForBytesWritten(2000);
    client.disconnectFromServer();
}

// A socket of the endpoint's kind at path; binds it when bind is true (a socket file
// nobody listens on, as an editor that was killed leaves it), or else connects it.
int UnixSocket(const QByteArray& path, bool bind)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    const auto* a = reinterpret_cast<sockaddr*>(&address);
    const int result = bind ? ::bind(fd, a, sizeof address) : ::connect(fd, a, sizeof address);
    close(fd);
    return result;
}

} // namespace

class CFrameTest final : public CAppTest {
    Q_OBJECT
private slots:
    void CommandsBarsMenusAndKeysAreLaidOutAsBeforeAndNewKeepsTheEngine()
    {
        CMainFrame& frame = m_pFixture->Frame();
        // Every command: id, text, keys, prompt, tool tip, state.
        QStringList lines;
        for (const auto& [command, action] : frame.CommandActions()) {
            QStringList keys;
            for (const QKeySequence& key : action->shortcuts())
                keys << key.toString();
            lines << QStringList{QString::number(command->id),
                                 action->text(),
                                 keys.join(' '),
                                 action->statusTip(),
                                 action->toolTip(),
                                 action->isEnabled() ? "on" : "off",
                                 action->isCheckable() ? "checkable" : ""}
                         .join(" | ");
        }
        // Each menu and the tool bar as ids, "-" for a separator (recent files left out).
        QList<const QWidget*> bars{frame.ToolBar()};
        for (QAction* menu : frame.menuBar()->actions())
            bars << menu->menu();
        for (const QWidget* bar : bars) {
            QStringList ids{bar->objectName() + QLatin1Char(':')};
            for (QAction* action : bar->actions())
                if (!action->text().startsWith(QLatin1Char('&')))
                    ids << (action->isSeparator() ? QStringLiteral("-")
                                                  : action->data().toString());
            lines << ids.join(' ');
        }
        frame.Action(cmd::kHelpKeys)->trigger();
        auto* table = frame.findChild<QTableWidget*>(QStringLiteral("keysTable"));
        for (int row = 0; row < table->rowCount(); ++row)
            lines << table->item(row, 0)->text() + " = " + table->item(row, 1)->text();
        COMPARE_GOLDEN(lines.join('\n') + '\n', "commands");

        // The dialog bar, the status bar, and the commands that follow the selection.
        m_pFixture->SetText(QStringLiteral("abc"));
        m_pFixture->View().selectAll();
        QVERIFY(frame.Action(cmd::kEditCopy)->isEnabled());
        QVERIFY(frame.Action(cmd::kEditCut)->isEnabled());
        QVERIFY(frame.DialogBar()->findChild<QLineEdit*>(QStringLiteral("regLDisplay")) != nullptr);
        QVERIFY(frame.DialogBar()->findChild<QLabel*>(QStringLiteral("animation")) != nullptr);
        const QRegularExpression pane(QStringLiteral("^pane[0-3]$"));
        QCOMPARE(frame.statusBar()->findChildren<QLabel*>(pane).size(), 4);
        // A prompt shown in the message pane gives way to the idle text.
        frame.statusBar()->showMessage(QStringLiteral("prompt"));
        frame.statusBar()->clearMessage();
        QCOMPARE(frame.PaneText(0),
                 QStringLiteral("ヘルプを表示するには F1 キーを押してください。"));
        // The REGL display starts empty; Stop with no run in progress refreshes it.
        QCOMPARE(frame.RegLDisplay()->text(), QString());
        frame.Action(cmd::kScriptStop)->trigger();
        QCOMPARE(frame.RegLDisplay()->text(), QStringLiteral("000000000@h"));
        frame.Action(cmd::kViewStatusBar)->trigger();
        QVERIFY(!frame.statusBar()->isVisible());
        frame.Action(cmd::kViewToolBar)->trigger();
        QVERIFY(!frame.ToolBar()->isVisible());

        // A new document keeps the engine, its settings and its registers.
        m_pFixture->Run(QStringLiteral("WAIT 6"));
        CScriptEngine* engine = &m_pFixture->Engine();
        m_pFixture->Engine().SetDebugLevel(77);
        m_pFixture->App().OnFileNew();
        QCOMPARE(&m_pFixture->Engine(), engine);
        QCOMPARE(m_pFixture->Engine().GetDebugLevel(), 77);
        QCOMPARE(m_pFixture->Engine().GetRegL(), 6u);
        QCOMPARE(m_pFixture->Text(), QString());
    }

    void EndpointShowsTextsOfThisUserOnlyOneBoxAtATimeAndClearsStaleSockets()
    {
        CCopyDataEndpoint* endpoint = m_pFixture->App().CopyDataEndpoint();
        QStringList shown;
        endpoint->SetShowText([&](const QString& text) { shown << text; });
        SendText(endpoint->SocketPath(), Sj("外から\n届いた") + std::string("\0ignored", 8));
        QTRY_COMPARE(shown, QStringList{QStringLiteral("外から\n届いた")});
        // A client that sends nothing shows nothing; the next real text shows alone.
        shown.clear();
        SendText(endpoint->SocketPath(), "");
        SendText(endpoint->SocketPath(), "after");
        QTRY_COMPARE(shown, QStringList{QStringLiteral("after")});
        QTest::qWait(100);
        QCOMPARE(shown, QStringList{QStringLiteral("after")});

        // The real boxes, one at a time from a bounded queue.
        endpoint->SetShowText(nullptr);
        const int sent = static_cast<int>(CCopyDataEndpoint::kMostPending) + 11;
        for (int i = 0; i < sent; ++i)
            SendText(endpoint->SocketPath(), std::to_string(i));
        QTRY_COMPARE(endpoint->PendingCount() + endpoint->DroppedCount() + 1, qint64(sent));
        QTRY_COMPARE(VisibleBoxes().size(), 1);
        QCOMPARE(endpoint->DroppedCount(), qint64(10));
        QMessageBox* first = VisibleBoxes()[0];
        // The text with an empty caption and OK alone, above the main window, without
        // its maximise button.
        QCOMPARE(first->text(), QStringLiteral("0"));
        QVERIFY(first->windowTitle().trimmed().isEmpty());
        QCOMPARE(first->buttons().size(), 1);
        QCOMPARE(first->windowHandle()->transientParent(), m_pFixture->Frame().windowHandle());
        QCOMPARE(first->windowFlags(), kFixedDialogFlags);
        first->buttons()[0]->click();
        QTRY_COMPARE(VisibleBoxes().size(), 1);
        QCOMPARE(VisibleBoxes()[0]->text(), QStringLiteral("1"));
        QCOMPARE(endpoint->PendingCount(), CCopyDataEndpoint::kMostPending - 1);
        while (!VisibleBoxes().isEmpty()) {
            VisibleBoxes()[0]->buttons()[0]->click();
            QCoreApplication::processEvents();
        }
        QCOMPARE(endpoint->PendingCount(), 0);

        // A long text shows its start and says how long it is.
        QByteArray longText = QByteArray(4095, 'a') + Sj("漢").c_str() + QByteArray(1 << 20, 'b');
        longText.truncate(CCopyDataEndpoint::kLongestText);
        const QString start = CCopyDataEndpoint::ShownText(longText);
        QVERIFY(start.startsWith(QString(4095, QLatin1Char('a')) + QLatin1Char('\n')));
        QVERIFY(start.contains(QString::number(CCopyDataEndpoint::kLongestText)));
        QVERIFY(start.size() < 4200);
        const QString lines = CCopyDataEndpoint::ShownText(QByteArray("x\n").repeated(1000));
        QCOMPARE(lines.count(QLatin1Char('\n')), CCopyDataEndpoint::kShownLines + 1);

        // Killed editors left their sockets, a live one keeps its own: a second editor
        // probes them on its way to its own.
        const QString folder = QFileInfo(endpoint->SocketPath()).absolutePath() + '/';
        QCOMPARE(UnixSocket(QFile::encodeName(folder + "copydata-1"), true), 0);
        QCOMPARE(UnixSocket(QFile::encodeName(folder + "copydata-999999"), true), 0);
        QLocalServer live;
        QVERIFY(live.listen(folder + "copydata-424242"));
        CCopyDataEndpoint second;
        QString error;
        QVERIFY(second.Listen(error));
        QCOMPARE(second.SocketPath(),
                 folder + QStringLiteral("copydata-%1").arg(QCoreApplication::applicationPid()));
        QVERIFY(!QFile::exists(folder + "copydata-1"));
        QVERIFY(!QFile::exists(folder + "copydata-999999"));
        QVERIFY(QFile::exists(folder + "copydata-424242"));

        // The folder is the user's alone: another user cannot even connect.
        if (getuid() != 0) QSKIP("only root can try the endpoint as another user");
        const QByteArray path = QFile::encodeName(endpoint->SocketPath());
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
            _exit(UnixSocket(path, false) == 0 ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void TheScriptHidesAndShowsTheMainWindowAndDialogsStayAboveIt()
    {
        m_pFixture->App().OnShowOptions();
        QWidget* options = m_pFixture->App().OptionDialog();
        QCOMPARE(options->windowHandle()->transientParent(), m_pFixture->Frame().windowHandle());

        // The about box, like the script's boxes (see the stop tests): fixed size, no
        // maximise button. It is looked at and closed first, so that a failure cannot
        // leave it open.
        bool aboutFixed = false;
        WhenModal<QDialog>([&aboutFixed](QDialog* about) {
            aboutFixed = about->objectName() == QStringLiteral("aboutDialog") &&
                         about->windowFlags() == kFixedDialogFlags &&
                         about->minimumSize() == about->maximumSize();
            about->accept();
        });
        m_pFixture->App().OnAppAbout();
        QVERIFY(aboutFixed);

        int openWidth = 0;
        WhenModal<QFileDialog>([&openWidth](QFileDialog* dialog) {
            openWidth = dialog->width();
            dialog->reject();
        });
        m_pFixture->App().OnFileOpen();
        QVERIFY(openWidth >= CTavimoreApp::kFileDialogSize.width());

        // The print preview opens and closes.
        m_pFixture->SetText(QStringLiteral("WAIT 1\n/ printed"));
        bool shown = false;
        WhenModal<QDialog>([&shown](QDialog* preview) {
            shown = true;
            preview->reject();
        });
        m_pFixture->Trigger(cmd::kFilePrintPreview);
        QVERIFY(shown);

        // The script's WINDOW statements hide and show the main window.
        CMainFrame& frame = m_pFixture->Frame();
        QVERIFY(frame.isVisible());
        m_pFixture->Run(QStringLiteral("WINDOW hide\nPUMP"));
        QVERIFY(!frame.isVisible());
        m_pFixture->Doc().RunScript(Sj("WINDOW Show\r\nWINDOW other"));
        QVERIFY(frame.isVisible());
    }

    void HelpContextHelpAndTheEnvironmentCheck()
    {
        // The build tree holds the help as an installation does.
        QVERIFY(CTavimoreApp::HelpFile().endsWith(QStringLiteral("/language.md")));
        m_pFixture->Trigger(cmd::kHelpFinder);
        QVERIFY(m_pFixture->errors.isEmpty());
        auto* help = qobject_cast<QTextBrowser*>(m_pFixture->App().HelpWindow());
        QVERIFY(help != nullptr && help->isVisible());
        QVERIFY(help->toPlainText().contains(QStringLiteral("REGW")));

        // "?" then a click on the New button: its prompt, and no new document.
        m_pFixture->SetText(QStringLiteral("kept"));
        QWidget* button = m_pFixture->Frame().ToolBar()->widgetForAction(
            m_pFixture->Frame().Action(cmd::kFileNew));
        QVERIFY(button != nullptr);
        QCOMPARE(button->whatsThis(), QStringLiteral("新規にファイルを作成"));
        m_pFixture->Trigger(cmd::kContextHelp);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!QWhatsThis::inWhatsThisMode());
        bool shown = false;
        for (QWidget* widget : QApplication::topLevelWidgets())
            shown = shown || (widget->inherits("QWhatsThat") && widget->isVisible());
        QVERIFY(shown);
        QCOMPARE(m_pFixture->Text(), QStringLiteral("kept"));
        QWhatsThis::hideText();

        // The environment check shows its findings, and where the system refuses the
        // ports, the port statement's box is unchanged and the status bar names the cause.
        m_pFixture.reset();
        m_pFixture = std::make_unique<CAppFixture>(
            QStringList{QStringLiteral("--ports"), QStringLiteral("system")});
        m_pFixture->Trigger(cmd::kEnvironmentCheck);
        CEnvironmentDialog* dialog = m_pFixture->App().EnvironmentDialog();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        const QString findings = dialog->Findings();
        QVERIFY(findings.contains(QStringLiteral("ports.access")));
        QVERIFY(findings.contains(QStringLiteral("program.libtavimore-winio.so")));
        QGuiApplication::clipboard()->clear();
        dialog->CopyButton()->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), findings);
        dialog->close();

        if (!findings.contains(QStringLiteral("FAILS   ports.access")))
            QSKIP("this machine grants port access: nothing to explain");
        m_pFixture->SetText(QStringLiteral("IN H'70"));
        m_pFixture->Doc().RunText();
        QCOMPARE(m_pFixture->boxes, QStringList{QStringLiteral(
                                        "Tavimore|ライブラリは使用できません。WinIo."
                                        "dllが同じフォルダに存在するのかチェックしてください")});
        const QString note = m_pFixture->Frame().statusBar()->currentMessage();
        QVERIFY2(note.endsWith(QStringLiteral("ヘルプ → 環境チェック で直し方を確認できます")),
                 qPrintable(note));
    }
};

TAVIMORE_APP_TEST(CFrameTest, "Frame");

#include "FrameTests.moc"
