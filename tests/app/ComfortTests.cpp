// The editor's comforts: the running indicator with Run greyed, redo and its keys, and
// the chosen font.
#include <QFontDialog>

#include "AppFixture.h"

class CComfortTest final : public CAppTest {
    Q_OBJECT
private slots:
    void RunAndStepShowRunningAndGreyRun()
    {
        CMainFrame& frame = m_pFixture->Frame();
        QStringList seen;
        // A label that does not exist shows a box while the statement runs.
        m_pFixture->answer = [&](const QString&, const QString&) {
            seen << frame.RunningPane()->text() + (frame.Action(cmd::kScriptRun)->isEnabled()
                                                       ? QStringLiteral("+run")
                                                       : QStringLiteral("-run"));
            return MessageAnswer::Ok;
        };
        m_pFixture->Run(QStringLiteral("JMP L'NOPE"));
        m_pFixture->SetText(QStringLiteral("JMP L'NOPE"));
        m_pFixture->Step(0);
        QCOMPARE(seen, (QStringList{QStringLiteral("実行中-run"), QStringLiteral("実行中-run")}));
        QCOMPARE(frame.RunningPane()->text(), QString());
        QVERIFY(frame.Action(cmd::kScriptRun)->isEnabled());
    }

    void RedoFollowsUndoOnBothKeys()
    {
        CMainFrame& frame = m_pFixture->Frame();
        frame.show();
        QAction* redo = frame.Action(cmd::kEditRedo);
        QVERIFY(!redo->isEnabled());
        QTest::keyClicks(&m_pFixture->View(), QStringLiteral("AB"));
        frame.Action(cmd::kEditUndo)->trigger();
        QVERIFY(redo->isEnabled());
        const QString undone = m_pFixture->Text();
        m_pFixture->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(m_pFixture->Text(), QStringLiteral("AB"));
        frame.Action(cmd::kEditUndo)->trigger();
        QCOMPARE(m_pFixture->Text(), undone);
        m_pFixture->Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_pFixture->Text(), QStringLiteral("AB"));
        QVERIFY(!redo->isEnabled());
    }

    void TheChosenFontIsUsedAndKept()
    {
        const int before = QFontInfo(m_pFixture->View().font()).pixelSize();
        QFont chosen(m_pFixture->View().font().family());
        chosen.setPointSize(30);
        QFont picked;
        WhenModal<QFontDialog>([chosen, &picked](QFontDialog* dialog) {
            dialog->setCurrentFont(chosen);
            picked = dialog->currentFont();
            dialog->accept();
        });
        m_pFixture->Trigger(cmd::kViewFont);
        QCOMPARE(m_pFixture->View().font(), picked);
        QCOMPARE(m_pFixture->View().document()->defaultFont(), picked);
        QVERIFY(QFontInfo(m_pFixture->View().font()).pixelSize() > before);

        m_pFixture.reset();
        m_pFixture = std::make_unique<CAppFixture>();
        QCOMPARE(m_pFixture->View().font().family(), picked.family());
        QCOMPARE(m_pFixture->View().font().pointSize(), 30);
        ForgetEditorSettings();
    }
};

TAVIMORE_APP_TEST(CComfortTest, "Comfort");

#include "ComfortTests.moc"
