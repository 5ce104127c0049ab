// The main window: its start, its commands, its bars, and the endpoint that shows
// texts other programs send.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <cstring>
#include <unistd.h>

#include "AppFixture.h"
#include "AppTests.h"
#include "CopyDataEndpoint.h"

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

    void CutAndCopyFollowTheSelection()
    {
        CMainFrame& frame = m_pFixture->Frame();
        QVERIFY(!frame.Action(cmd::kEditCopy)->isEnabled());
        m_pFixture->SetText(QStringLiteral("abc"));
        m_pFixture->View().selectAll();
        QVERIFY(frame.Action(cmd::kEditCopy)->isEnabled());
        QVERIFY(frame.Action(cmd::kEditCut)->isEnabled());
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
