// Stopping scripts: a runaway loop that never pumps, a long wait, and what the
// editor lets through meanwhile; boxes without owner leave the editor usable.
#include <QElapsedTimer>

#include "AppFixture.h"

namespace {

// A loop without PUMP: the label, a comment, and the jump back to the comment.
const QString kRunaway = QStringLiteral("L'A\n/ loop\nJMP L'A");

} // namespace

class CStopTest final : public CAppTest {
    Q_OBJECT
private slots:
    void init()
    {
        m_pFixture = std::make_unique<CAppFixture>();
        // Should the stop fail, the statement guard still ends the test.
        m_pFixture->Engine().SetStatementLimit(300000000);
        m_pFixture->SetText(kRunaway);
    }

    void TheStopButtonEscAndClosingEndLoopsAndLongWaits()
    {
        QWidget* stop = m_pFixture->Frame().StopButton();
        QVERIFY(stop != nullptr);
        // Typing and other commands are dropped while the script runs.
        QTimer::singleShot(100, [this] {
            QTest::keyClicks(&m_pFixture->View(), QStringLiteral("typed"));
            m_pFixture->Trigger(cmd::kFileNew);
        });
        QVERIFY(RunStoppedBy([stop] { QTest::mouseClick(stop, Qt::LeftButton); }, 250) < 5000);
        QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::Stopped);
        QVERIFY(m_pFixture->boxes.isEmpty());
        QVERIFY(m_pFixture->Text().startsWith(kRunaway +
                                              QStringLiteral("\n/ 実行したニーモニック数は")));
        QVERIFY(!m_pFixture->Text().contains(QStringLiteral("typed")));
        QCOMPARE(m_pFixture->RegL(), QStringLiteral("000000000@h"));
        // The next run is not stopped by the old request.
        m_pFixture->Run(QStringLiteral("WAIT 1"));
        QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::EndOfScript);

        // Esc ends a runaway loop, a pumping loop and a long wait alike.
        for (const char* script :
             {"L'A\n/ loop\nJMP L'A", "L'A\nPUMP\nJMP L'A", "WAIT 600000\nWAIT 5"}) {
            m_pFixture->SetText(QString::fromLatin1(script));
            QVERIFY(RunStoppedBy([this] { m_pFixture->Key(Qt::Key_Escape); }) < 5000);
            QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::Stopped);
        }
        QVERIFY(m_pFixture->Text().contains(QStringLiteral("数は1行です")));
        // Closing the window during a run stops it first.
        m_pFixture->SetText(kRunaway);
        RunStoppedBy([this] { m_pFixture->Frame().close(); }, 100);
        QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::Stopped);
        QTRY_VERIFY(!m_pFixture->Frame().isVisible());
    }

    void BoxesLeaveTheEditorUsableAndRefuseASecondRun()
    {
        // The real box: shown without owner and not modal for the application.
        m_pFixture->App().Host().SetMessageHook(nullptr);
        m_pFixture->SetText(QStringLiteral("JMPR 0"));
        bool checked = false;
        QTimer::singleShot(50, [&] {
            const QList<QMessageBox*> boxes = VisibleBoxes();
            QCOMPARE(boxes.size(), 1);
            QMessageBox* box = boxes[0];
            QCOMPARE(box->windowTitle(), QStringLiteral("無限ループになってしまいます"));
            QCOMPARE(box->text(), QStringLiteral("Jump Error"));
            QVERIFY(box->parentWidget() == nullptr);
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
            // A second run and a step are refused; typing still works.
            m_pFixture->Key(Qt::Key_F5);
            m_pFixture->Key(Qt::Key_F7);
            m_pFixture->Key(Qt::Key_End);
            QTest::keyClicks(&m_pFixture->View(), QStringLiteral(" x"));
            QCOMPARE(m_pFixture->Text(), QStringLiteral("JMPR 0 x"));
            checked = true;
            box->buttons()[0]->click();
            // Above the main window all the same, fixed in size, no maximise button (looked
            // at once closed, so that a failure cannot leave the run waiting on it).
            QCOMPARE(box->windowHandle()->transientParent(), m_pFixture->Frame().windowHandle());
            QCOMPARE(box->windowFlags(), kFixedDialogFlags);
        });
        m_pFixture->Key(Qt::Key_F5);
        QVERIFY(checked);
        QCOMPARE(m_pFixture->Engine().GetRunEnd(), RunEnd::JumpError);
        QCOMPARE(m_pFixture->Text(), QStringLiteral("JMPR 0\n/ 実行したニーモニック数は1行です\n"));
    }

private:
    // Runs the text with F5 while `stop` is done after a moment; the milliseconds it took.
    qint64 RunStoppedBy(const std::function<void()>& stop, int afterMs = 200)
    {
        QTimer::singleShot(afterMs, stop);
        QElapsedTimer clock;
        clock.start();
        m_pFixture->Key(Qt::Key_F5);
        return clock.elapsed();
    }
};

TAVIMORE_APP_TEST(CStopTest, "Stop");

#include "StopTests.moc"
