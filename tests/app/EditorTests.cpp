// The script editor: its keys, the run's and the step's rewrites, the caret, the
// REGL display, the caret-line texts, the title toggle, the running indicator with
// Run greyed, redo and the chosen font.
#include <QCheckBox>
#include <QFontDialog>
#include <QMimeData>
#include <QTextLayout>

#include "AppFixture.h"
#include "DocumentText.h"
#include "FindReplaceDialog.h"
#include "MediaWindow.h"

namespace {

// Opens the replace dialog with the caret on the first line and fills it in.
CFindReplaceDialog* Replace(CAppFixture& fixture, const QString& find, const QString& by)
{
    fixture.PutCaret(0);
    fixture.App().OnEditFind(true);
    CFindReplaceDialog* dialog = fixture.App().FindReplace();
    dialog->FindEdit()->setText(find);
    dialog->ReplaceEdit()->setText(by);
    return dialog;
}

// The editor after a run or a step: the caret's line and column, the line the gutter
// marks, the REGL display, and the text with its line breaks shown.
QString State(CAppFixture& fixture)
{
    QString state;
    QDebug(&state).noquote() << "caret" << fixture.CaretLine()
                             << fixture.View().textCursor().positionInBlock() << "| marked"
                             << fixture.View().MarkedLine() << "| REGL" << fixture.RegL() << "|"
                             << fixture.Text().replace('\n', QStringLiteral(" \u23CE "));
    return state;
}

} // namespace

class CEditorTest final : public CAppTest {
    Q_OBJECT
private slots:
    void RunsAndStepsRewriteTheTextAsOneUndoableEditAndMoveTheCaret()
    {
        QStringList states;
        // F5 trims the trailing empty line: two statements ran.
        m_pFixture->Run(QStringLiteral("WAIT 5\n/ note\n\n"));
        states << State(*m_pFixture);
        m_pFixture->View().undo();
        states << State(*m_pFixture);
        // The tool-bar Run button does the same.
        m_pFixture->Engine().SetDebugLevel(20);
        m_pFixture->SetText(QStringLiteral("WAIT 3"));
        m_pFixture->Trigger(cmd::kScriptRun);
        states << State(*m_pFixture);

        // While a run or a step shows a box (here for a label that does not exist), the
        // indicator says running and Run is grey.
        CMainFrame& frame = m_pFixture->Frame();
        QStringList seen;
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

        // What a step writes and where its caret goes is shown by the stepping scripts;
        // here the editor applies it: a jump down past the new status line, then a step
        // without a jump, undone in one go.
        m_pFixture->SetText(QStringLiteral("JMP L'B\n/ a\n/ b\n/ c\nL'B\nWAIT 0"));
        m_pFixture->Step(0);
        states << State(*m_pFixture);
        m_pFixture->SetText(QStringLiteral("WAIT 9\n/ next"));
        m_pFixture->Step(0);
        states << State(*m_pFixture);
        m_pFixture->View().undo();
        states << State(*m_pFixture);

        // Steps count the script's lines: a long line above the caret, wrapped even within
        // its one word, is one line; a line ending in a lone lead byte is followed by a
        // line of its own, to the editor and to the engine.
        m_pFixture->Frame().resize(300, 300);
        m_pFixture->Frame().show();
        m_pFixture->SetText(QStringLiteral("/ ") + QString(200, 'w') + QStringLiteral("\nWAIT 4"));
        QVERIFY(m_pFixture->View().document()->firstBlock().layout()->lineCount() > 1);
        m_pFixture->Step(1);
        states << State(*m_pFixture);
        // A run takes the step's mark away.
        m_pFixture->Key(Qt::Key_F5);
        states << State(*m_pFixture);
        m_pFixture->SetText(doctext::Decode(std::string("/ \x82\r\nWAIT 5\r\nJMP D'0")));
        m_pFixture->Step(1);
        states << State(*m_pFixture);
        m_pFixture->Key(Qt::Key_F7);
        states << State(*m_pFixture);
        COMPARE_GOLDEN(states.join('\n') + '\n', "editor-runs-and-steps");
    }

    void DotKeyStepsOnceArmedAndShiftGreaterOrF6Disarm()
    {
        CTavimoreView& view = m_pFixture->View();
        QVERIFY(!view.IsStepArmed());
        m_pFixture->SetText(QStringLiteral("WAIT 7"));
        view.moveCursor(QTextCursor::End);
        const struct {
            char key;
            Qt::KeyboardModifiers modifiers;
            const char* text;
            bool armed;
        } keys[] = {
            {'.', {}, "WAIT 7.", true},                   // typed, and arms
            {'.', {}, "WAIT 7.\n", true},                 // executes the caret line, untyped
            {'>', Qt::ShiftModifier, "WAIT 7.\n", false}, // disarms, types nothing
            {'.', {}, "WAIT 7.\n.", true},
        };
        for (const auto& key : keys) {
            QTest::keyClick(&view, key.key, key.modifiers);
            QCOMPARE(m_pFixture->Text(), QString::fromLatin1(key.text));
            QCOMPARE(view.IsStepArmed(), key.armed);
        }
        QCOMPARE(m_pFixture->RegL(), QStringLiteral("000000007@h"));

        // F6 disarms and posts the separator key, which types nothing.
        QSignalSpy posted(&view, &CTavimoreView::SeparatorKeyPosted);
        QTest::keyClick(&view, Qt::Key_F6);
        QVERIFY(!view.IsStepArmed());
        QCOMPARE(posted.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(m_pFixture->Text(), QStringLiteral("WAIT 7.\n."));
    }

    void CaretLineTextsHaveTheirOwnBasesAndTheTitleAndSaveQuestionTurnTrue()
    {
        m_pFixture->SetText(QStringLiteral("a\nb\nc"));
        m_pFixture->PutCaret(2);
        m_pFixture->Key(Qt::Key_End);
        QCOMPARE(m_pFixture->Frame().PaneText(0), QStringLiteral("   2行目"));
        QVERIFY(m_pFixture->OpenBytes(TestFile(QStringLiteral("caret.tvm")), "x\r\ny"));
        QCOMPARE(m_pFixture->Frame().PaneText(0), QStringLiteral("0001行目"));
        m_pFixture->App().OnFileNew();
        QCOMPARE(m_pFixture->Frame().PaneText(0), QStringLiteral("0001行目"));

        // The title turns "true" on the first typed character.
        CMainFrame& frame = m_pFixture->Frame();
        QCOMPARE(frame.windowTitle(), QStringLiteral("Tavimore"));
        QTest::keyClick(&m_pFixture->View(), 'a');
        QCOMPARE(frame.windowTitle(), QStringLiteral("true - Tavimore"));
        QVERIFY(CTavimoreView::TitleToggle());
        QTest::keyClick(&m_pFixture->View(), 'b');
        QVERIFY(!CTavimoreView::TitleToggle());
        QCOMPARE(frame.windowTitle(), QStringLiteral("true - Tavimore"));
        // Shift+'>' does not flip it.
        QTest::keyClick(&m_pFixture->View(), '>', Qt::ShiftModifier);
        QVERIFY(!CTavimoreView::TitleToggle());
        // The question whether to save names the document as the title does.
        QStringList asked;
        m_pFixture->App().SetSaveQuestion([&asked](const QString& name) {
            asked << name;
            return CTavimoreApp::SaveAnswer::No;
        });
        m_pFixture->App().OnFileNew();
        QCOMPARE(asked, QStringList{QStringLiteral("true")});
    }

    void CopyFindAndReplaceKeepOtherCodesOfACharacter()
    {
        m_pFixture->SetText(QStringLiteral("WAIT 1\nwait 2\nWAIT 3"));
        CFindReplaceDialog* find = Replace(*m_pFixture, "WAIT", "WAITPUMP");
        find->MatchCase()->setChecked(true);
        QCOMPARE(find->ReplaceAll(), 2);
        QCOMPARE(m_pFixture->Text(), QStringLiteral("WAITPUMP 1\nwait 2\nWAITPUMP 3"));
        m_pFixture->View().undo();
        QCOMPARE(m_pFixture->Text(), QStringLiteral("WAIT 1\nwait 2\nWAIT 3"));
        find->MatchCase()->setChecked(false);
        m_pFixture->PutCaret(1);
        QVERIFY(find->FindNext());
        QCOMPARE(m_pFixture->View().textCursor().selectedText(), QStringLiteral("wait"));
        find->hide();

        // Other codes of a character survive copying, finding and Backspace.
        // 髙 as EE E0 and ≒ as 87 90: shown as the characters, saved as they came.
        const std::string bytes = "\xEE\xE0\x87\x90 A";
        m_pFixture->SetText(doctext::Decode(bytes));
        QCOMPARE(m_pFixture->Doc().EngineText(), bytes);
        m_pFixture->View().selectAll();
        m_pFixture->Key(Qt::Key_C, Qt::ControlModifier);
        // Other programs get the characters alone.
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("髙≒ A"));
        // Pasted back in the editor they keep their codes...
        m_pFixture->View().moveCursor(QTextCursor::End);
        m_pFixture->View().paste();
        QCOMPARE(m_pFixture->Doc().EngineText(), bytes + bytes);
        // ...while the same text from another program is typed fresh.
        auto* outside = new QMimeData;
        outside->setText(doctext::Decode(bytes));
        QApplication::clipboard()->setMimeData(outside);
        m_pFixture->SetText(QString());
        m_pFixture->View().paste();
        QCOMPARE(m_pFixture->Doc().EngineText(), std::string("\xFB\xFC\x81\xE0 A"));

        // Found and replaced, the selector goes with its character.
        m_pFixture->SetText(doctext::Decode(bytes));
        find = Replace(*m_pFixture, QStringLiteral("髙"), QStringLiteral("≒"));
        QCOMPARE(find->ReplaceAll(), 1);
        QCOMPARE(m_pFixture->Doc().EngineText(), std::string("\x81\xE0\x87\x90 A"));
        find->hide();

        // Backspace after 髙 takes the character, not only its invisible selector.
        m_pFixture->SetText(doctext::Decode("\xEE\xE0"));
        m_pFixture->View().moveCursor(QTextCursor::End);
        m_pFixture->Key(Qt::Key_Backspace);
        QCOMPARE(m_pFixture->Text(), QString());
    }

    void MediaWindowIsAChildOfTheViewAndStopClosesIt()
    {
        const QString clip = QStringLiteral(TAVIMORE_SOURCE_DIR "/examples/clip.ogv");
        m_pFixture->Run(QStringLiteral("MCI ") + clip + QStringLiteral(" 64 48"));
        auto* window = m_pFixture->View().findChild<CMediaWindow*>();
        QVERIFY(window != nullptr);
        QCOMPARE(window->size(), QSize(64, 48));
        QPointer<CMediaWindow> watched(window);
        m_pFixture->Trigger(cmd::kScriptStop);
        QTRY_VERIFY(watched.isNull() || !watched->isVisible());
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

TAVIMORE_APP_TEST(CEditorTest, "Editor");

#include "EditorTests.moc"
