// A run whose output is long shows it from the engine's bytes in a viewer; the text
// becomes the output only when something changes it, and the history, the modified
// flag and the file behave as if the text had held it all along.
#include "AppFixture.h"
#include "DocumentText.h"
#include "FindReplaceDialog.h"
#include "LargeTextView.h"

class CLongOutputTest final : public CAppTest {
    Q_OBJECT

    const QString m_strScript =
        QStringLiteral("MOV REG1 0\nL'LOOP\nINC REG1\nIFJ REG1 < D'12000 L'LOOP");

    // Runs a loop whose report at debug level 100 holds two lines an iteration.
    std::string RunLoop()
    {
        m_pFixture->Engine().SetDebugLevel(100);
        m_pFixture->Run(m_strScript);
        return m_pFixture->Engine().OutputText();
    }
    CLargeTextView& Viewer() { return *m_pFixture->Frame().LongView(); }
    bool Shown() { return m_pFixture->Frame().IsLongOutputShown(); }

private slots:
    void TheOutputIsShownSavedAndUndoneInOneStep()
    {
        CAppFixture& f = *m_pFixture;
        const std::string output = RunLoop();
        QVERIFY(Shown());
        QVERIFY(f.Doc().LongOutput()->LineCount() > CTavimoreDoc::kLongOutputLines);
        QCOMPARE(f.Doc().EngineText(), output);
        QCOMPARE(f.Text(), doctext::Decode(output));
        QCOMPARE(Viewer().Caret(), f.Doc().LongOutput()->End());
        QVERIFY(f.Doc().IsModified());
        // The text widget still holds the script, untouched by the run, and never the
        // keyboard while the viewer lies over it.
        QCOMPARE(f.View().toPlainText(), m_strScript);
        f.View().setFocus();
        QVERIFY(Viewer().hasFocus());

        f.Trigger(cmd::kEditUndo);
        QVERIFY(!Shown());
        QCOMPARE(f.Text(), m_strScript);
        f.Trigger(cmd::kEditRedo);
        QVERIFY(Shown());

        // The file holds the engine's bytes; undo after the save leaves a changed text.
        const QString path = TestFolder() + QStringLiteral("/long.tvm");
        f.App().SetSaveAsName([path] { return path; });
        QVERIFY(f.App().OnFileSaveAs());
        QCOMPARE(ReadBytes(path), output);
        QVERIFY(!f.Doc().IsModified());
        f.Trigger(cmd::kEditUndo);
        QVERIFY(f.Doc().IsModified());
        f.Trigger(cmd::kEditRedo);
        QVERIFY(!f.Doc().IsModified());

        // Opening a file shows it in the editor again.
        QVERIFY(f.App().OpenDocumentFile(path));
        QVERIFY(!Shown());
        QCOMPARE(f.Doc().EngineText(), output);
    }

    void AKeyMakesTheOutputTheTextWhereTheCaretIsAndUndoGoesBackThroughEachOutput()
    {
        CAppFixture& f = *m_pFixture;
        RunLoop();
        const auto first = f.Doc().LongOutput();
        // F5 in the viewer runs what it shows.
        f.Engine().SetDebugLevel(0);
        QTest::keyClick(&Viewer(), Qt::Key_F5);
        const auto second = f.Doc().LongOutput();
        QVERIFY(second != nullptr && second != first);
        // A key makes the second output the text, typed where the viewer's caret is, and
        // the text takes the keyboard.
        Viewer().setFocus();
        Viewer().SetSelection({1, 2}, {1, 2});
        QTest::keyClicks(&Viewer(), QStringLiteral("X"));
        QVERIFY(!Shown());
        QVERIFY(f.View().hasFocus());
        QString expected = doctext::Decode(second->Bytes());
        expected.insert(expected.indexOf(QLatin1Char('\n')) + 3, QLatin1Char('X'));
        QCOMPARE(f.Text(), expected);
        QCOMPARE(f.View().textCursor().position(), expected.indexOf(QLatin1Char('X')) + 1);
        // Each undo takes back one step: the key, the second run, the first run.
        f.Trigger(cmd::kEditUndo);
        QCOMPARE(f.Text(), doctext::Decode(second->Bytes()));
        QVERIFY(!Shown());
        f.Trigger(cmd::kEditUndo);
        QVERIFY(Shown());
        QVERIFY(f.Doc().LongOutput() == first);
        f.Trigger(cmd::kEditUndo);
        QCOMPARE(f.Text(), m_strScript);
        for (int i = 0; i < 3; ++i)
            f.Trigger(cmd::kEditRedo);
        QCOMPARE(f.Text(), expected);
    }

    void FindSearchesTheOutputAndReplacingOrSteppingEditsIt()
    {
        CAppFixture& f = *m_pFixture;
        const std::string output = RunLoop();
        CFindReplaceDialog& find = *f.App().FindReplace();
        find.FindEdit()->setText(QStringLiteral("ifj"));
        QVERIFY(!find.FindNext()); // the caret is at the end
        Viewer().SetSelection({0, 0}, {0, 0});
        QVERIFY(find.FindNext());
        QCOMPARE(Viewer().SelectedText(), QStringLiteral("IFJ"));
        QCOMPARE(Viewer().CaretLine(), 3);
        QVERIFY(Shown());
        find.ReplaceEdit()->setText(QStringLiteral("IFJ "));
        find.ReplaceNext();
        QVERIFY(!Shown());
        QVERIFY(f.Text().startsWith(
            QString(m_strScript).replace(QStringLiteral("IFJ"), QStringLiteral("IFJ "))));

        // F7 in the viewer steps the caret's line of the text the output becomes.
        RunLoop();
        Viewer().SetSelection({0, 0}, {0, 0});
        QTest::keyClick(&Viewer(), Qt::Key_F7);
        QVERIFY(!Shown());
        QCOMPARE(f.Engine().PeekRegister(1), 0u);
        QVERIFY(f.Text().section(QLatin1Char('\n'), 1, 1).startsWith(QLatin1Char('/')));
    }
};

TAVIMORE_APP_TEST(CLongOutputTest, "LongOutput");

#include "LongOutputTests.moc"
