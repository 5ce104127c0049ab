// The debugger: breakpoints in the gutter that move with their lines and are kept
// per file, the debug run that pauses without touching the text and ends with the
// run's own report, break-on-change, and the watch panel's values and edits.
#include <QTreeWidget>

#include "AppFixture.h"
#include "Debugger.h"
#include "UiTexts.h"
#include "WatchPanel.h"

namespace {

using Lines = std::vector<int>;

// A loop that sums 1 to 4 into REG1, with a subroutine that stores a text.
const QString kLoop = QStringLiteral("MOV REG1 0\n"            // 0
                                     "MOV REG2 0\n"            // 1
                                     "L'LOOP\n"                // 2
                                     "INC REG2\n"              // 3
                                     "CALC REG1 + REG2\n"      // 4
                                     "IFJ REG2 < D'4 L'LOOP\n" // 5
                                     "CALL L'TEXT\n"           // 6
                                     "DISPD REG1\n"            // 7
                                     "JMP L'END\n"             // 8
                                     "L'TEXT\n"                // 9
                                     "文字列 REG10 \"abあ\"\n" // 10
                                     "RET\n"                   // 11
                                     "L'END");                 // 12

// What a debug run shows, as one line: whether it is paused (and on which watch's
// change), caret and marked line, the registers the tests use, the status message and
// running pane, and the text with its line breaks shown.
QString State(CAppFixture& fixture)
{
    CDebugger& debugger = fixture.Doc().Debugger();
    CScriptEngine& engine = fixture.Engine();
    QString state;
    QDebug(&state).noquote() << "paused" << fixture.Doc().IsDebugPaused() << "on change"
                             << (debugger.PausedOnChange() ? debugger.ChangedWatch() : "-")
                             << "| caret" << fixture.CaretLine() << "marked"
                             << fixture.View().MarkedLine() << "| modified"
                             << fixture.Doc().IsModified() << "| REG1,2,7,21"
                             << engine.PeekRegister(1) << engine.PeekRegister(2)
                             << engine.PeekRegister(7) << engine.PeekRegister(21) << "| status"
                             << fixture.Frame().statusBar()->currentMessage() << "| pane"
                             << fixture.Frame().RunningPane()->text() << "|"
                             << fixture.Text().replace('\n', QStringLiteral(" \u23CE "));
    return state.trimmed();
}

} // namespace

class CDebuggerTest final : public QObject {
    Q_OBJECT
private slots:
    void init() { ForgetEditorSettings(); }

    void BreakpointsAreKeptPerFileSurviveRunsStepsAndUndoAndMoveWithTheirLines()
    {
        const QString path = TestFile(QStringLiteral("kept.tvm"));
        QVERIFY(WriteBytes(path, "WAIT 0\r\nWAIT 1\r\nDISPD REG1\r\nWAIT 3\r\n"));
        {
            CAppFixture fixture({path});
            CDebugger& debugger = fixture.Doc().Debugger();
            debugger.SetBreakpoint(1, true);
            debugger.SetBreakpoint(3, true);
            // A run's report keeps the script's lines, so the breakpoints stay; so
            // does its undo.
            fixture.Key(Qt::Key_F5);
            QVERIFY(fixture.Text().contains(QStringLiteral("実行したニーモニック数は")));
            QCOMPARE(debugger.BreakpointLines(), Lines({1, 3}));
            fixture.View().undo();
            QCOMPARE(debugger.BreakpointLines(), Lines({1, 3}));
            // Nor does deleting the whole text and taking that back.
            fixture.View().selectAll();
            fixture.Key(Qt::Key_Delete);
            QVERIFY(debugger.BreakpointLines().empty());
            fixture.View().undo();
            QCOMPARE(debugger.BreakpointLines(), Lines({1, 3}));
            // A step that writes a status line under its line keeps the breakpoint on
            // the stepped line and moves those below.
            fixture.Step(2);
            QCOMPARE(fixture.Text().count(QLatin1Char('\n')), 5);
            QCOMPARE(debugger.BreakpointLines(), Lines({1, 4}));
            // Stepping the breakpoint's own line and taking the step back leave it there;
            // so does a paste over the whole line.
            debugger.SetBreakpoint(2, true);
            fixture.Step(2);
            QCOMPARE(debugger.BreakpointLines(), Lines({1, 2, 5}));
            fixture.View().undo();
            QCOMPARE(debugger.BreakpointLines(), Lines({1, 2, 4}));
            QTextCursor whole(fixture.View().document()->findBlockByNumber(2));
            whole.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
            whole.insertText(QStringLiteral("DISPD REG2\n"));
            QCOMPARE(debugger.BreakpointLines(), Lines({1, 2, 4}));
            debugger.SetBreakpoint(2, false);
            // A new document has none, and does not take the file's away.
            fixture.Trigger(cmd::kFileNew);
            QVERIFY(debugger.BreakpointLines().empty());

            // Gutter clicks and F9 on the new document.
            CTavimoreView& view = fixture.View();
            fixture.Frame().show();
            QVERIFY(QTest::qWaitForWindowExposed(&fixture.Frame()));
            fixture.SetText(QStringLiteral("WAIT 0\nWAIT 1\nWAIT 2\nWAIT 3"));

            QTest::mouseClick(view.Gutter(), Qt::LeftButton, {}, QPoint(4, RowY(view, 2)));
            QCOMPARE(debugger.BreakpointLines(), Lines({2}));
            QVERIFY(GutterRowHolds(view, RowY(view, 2), CTavimoreView::BreakpointColor()));
            QVERIFY(!GutterRowHolds(view, RowY(view, 1), CTavimoreView::BreakpointColor()));
            // Below the last line there is nothing to toggle.
            QCOMPARE(view.GutterLineAt(RowY(view, 3) + 200), -1);

            fixture.PutCaret(0);
            fixture.Trigger(cmd::kDebugToggleBreakpoint);
            QCOMPARE(debugger.BreakpointLines(), Lines({0, 2}));
            fixture.Trigger(cmd::kDebugToggleBreakpoint);
            QCOMPARE(debugger.BreakpointLines(), Lines({2}));

            // A line typed at the start of the breakpoint's line pushes it down with its
            // text; a line break typed at its end leaves it; deleting lines above pulls it up.
            QTextCursor cursor(view.document()->findBlockByNumber(2));
            cursor.insertText(QStringLiteral("/ new\n"));
            QCOMPARE(debugger.BreakpointLines(), Lines({3}));
            QCOMPARE(view.document()->findBlockByNumber(3).text(), QStringLiteral("WAIT 2"));
            cursor.movePosition(QTextCursor::EndOfBlock);
            cursor.insertText(QStringLiteral("\n"));
            QCOMPARE(debugger.BreakpointLines(), Lines({3}));
            QTextCursor top(view.document());
            top.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, 2);
            top.removeSelectedText();
            QCOMPARE(debugger.BreakpointLines(), Lines({1}));
            QCOMPARE(view.document()->findBlockByNumber(1).text(), QStringLiteral("WAIT 2"));

            // Deleting the line itself leaves one breakpoint on the line that takes its
            // place, not two.
            fixture.SetText(QStringLiteral("A\nB\nC"));
            debugger.SetBreakpointLines({1, 2});
            QTextCursor line(view.document()->findBlockByNumber(1));
            line.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
            line.removeSelectedText();
            QCOMPARE(debugger.BreakpointLines(), Lines({1}));
        }
        CAppFixture again({path});
        QCOMPARE(again.Doc().Debugger().BreakpointLines(), Lines({1, 4}));
    }

    void ADebugRunPausesWithoutTouchingTheTextAndEndsWithTheRunsReport()
    {
        CAppFixture fixture;
        CTavimoreView& view = fixture.View();
        fixture.Frame().show();
        fixture.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.Frame()));
        fixture.SetText(kLoop);
        fixture.Doc().SetModified(false);
        fixture.Doc().Debugger().SetBreakpoint(4, true);
        fixture.PutCaret(7);

        QStringList states;
        fixture.Trigger(cmd::kDebugRun);
        states << State(fixture);
        QVERIFY(fixture.App().WatchPanel()->isVisible());
        // Continuing runs the breakpoint's statement and stops there again next time.
        fixture.Key(Qt::Key_F5, Qt::ControlModifier);
        states << State(fixture);
        // Without the breakpoint it runs to the end: the report is the plain run's,
        // and one undo brings the script back.
        fixture.Doc().Debugger().SetBreakpoint(4, false);
        fixture.Trigger(cmd::kDebugRun);
        states << State(fixture);
        view.undo();
        states << State(fixture);
        COMPARE_GOLDEN(states.join('\n') + '\n', "debug-run");
    }

    void F5NewAndEscEndAPausedDebugRunAndAWatchedChangePausesIt()
    {
        CAppFixture fixture;
        const auto pauseAt = [&fixture](int line) {
            fixture.SetText(QStringLiteral("MOV REG7 1\nMOV REG7 2\nMOV REG7 3"));
            fixture.Doc().Debugger().SetBreakpoint(line, true);
            fixture.Trigger(cmd::kDebugRun);
            QVERIFY(fixture.Doc().IsDebugPaused());
        };
        // F5 runs the whole text afresh, breakpoints or not; New ends the run; Esc ends
        // it with the report of what ran.
        QStringList states;
        pauseAt(1);
        fixture.Key(Qt::Key_F5);
        states << State(fixture);
        pauseAt(2);
        fixture.Trigger(cmd::kFileNew);
        states << State(fixture);
        pauseAt(2);
        fixture.Key(Qt::Key_Escape);
        states << State(fixture);

        // A watch that breaks on change pauses after the statement that changes it.
        QString error;
        CDebugger& debugger = fixture.Doc().Debugger();
        debugger.SetBreakpoint(2, false);
        QVERIFY(debugger.AddWatch(QStringLiteral("reg5"), error));
        QVERIFY(debugger.AddWatch(QStringLiteral("REG20-REG22"), error));
        CWatchPanel& panel = *fixture.App().WatchPanel();
        panel.Row(QStringLiteral("REG5"))->setCheckState(CWatchPanel::kBreak, Qt::Checked);
        fixture.SetText(QStringLiteral("MOV REG5 0\nMOV REG4 1\nMOV REG5 9\nMOV REG21 1\nWAIT 0"));
        fixture.Engine().WriteRegister(5, 0);
        // Writing the value it holds is no change; line 2 changes it. A range breaks on
        // a change of any of its registers.
        fixture.Trigger(cmd::kDebugRun);
        states << State(fixture);
        debugger.SetBreakOnChange(0, false);
        debugger.SetBreakOnChange(1, true);
        fixture.Trigger(cmd::kDebugRun);
        states << State(fixture);
        fixture.Trigger(cmd::kDebugRun);
        states << State(fixture);
        COMPARE_GOLDEN(states.join('\n') + '\n', "debug-run-ends");
    }

    void TheWatchPanelShowsTheEngineAtAPauseAndTakesTypedValues()
    {
        CAppFixture fixture;
        CScriptEngine& engine = fixture.Engine();
        CWatchPanel& panel = *fixture.App().WatchPanel();
        for (const char* watch : {"REG1", "REG10-REG12", "REG1-REG2000"}) {
            fixture.App().SetWatchQuestion([watch] { return QString::fromLatin1(watch); });
            fixture.Trigger(cmd::kDebugAddWatch);
        }
        QCOMPARE(fixture.errors.size(), 1); // a range too long to watch
        QVERIFY(panel.isVisible());

        fixture.SetText(kLoop);
        engine.SetRegW(7);
        fixture.Doc().Debugger().SetBreakpoint(11, true); // RET, inside the call
        fixture.Trigger(cmd::kDebugRun);
        QVERIFY(fixture.Doc().IsDebugPaused());
        QCOMPARE(fixture.CaretLine(), 11);

        COMPARE_GOLDEN(panel.CopyText(), "watch-panel-paused");
        QVERIFY(CWatchPanel::IsChanged(panel.Row(QStringLiteral("REG1"))));
        QVERIFY(CWatchPanel::IsChanged(panel.Row(QStringLiteral("REGW"))));
        QVERIFY(!CWatchPanel::IsChanged(panel.Row(ui::kWatchDebugLevel)));
        // A watch added while paused leaves the highlights of the pause.
        fixture.App().SetWatchQuestion([] { return QStringLiteral("REG3"); });
        fixture.Trigger(cmd::kDebugAddWatch);
        QVERIFY(CWatchPanel::IsChanged(panel.Row(QStringLiteral("REG1"))));

        // A value typed while paused goes into the engine, in the column's radix or
        // with a prefix; a value that cannot be read is refused and shown again.
        const auto type = [&panel](const char* row, int column, const char* text) {
            panel.Row(QString::fromLatin1(row))->setText(column, QString::fromLatin1(text));
            QApplication::processEvents();
        };
        type("REG1", CWatchPanel::kDecimal, "H'FF");
        QCOMPARE(engine.PeekRegister(1), 255u);
        type("REG1", CWatchPanel::kBinary, "101");
        type("REGL", CWatchPanel::kDecimal, "-1");
        QCOMPARE(engine.GetRegL(), 0xFFFFFFFFu);
        type("REG1", CWatchPanel::kHex, "12G");
        QCOMPARE(engine.PeekRegister(1), 5u);
        QVERIFY(panel.CopyText().contains(QStringLiteral("REG1\t00000005\t5\t")));

        // Continuing picks up the typed value.
        fixture.Trigger(cmd::kDebugRun);
        QVERIFY(fixture.Text().contains(QStringLiteral("00000005@d")));
        QCOMPARE(panel.Row(ui::kWatchCallStack)->text(CWatchPanel::kDecimal), ui::kWatchCallEmpty);

        // Typed values and stored texts are read as the language writes them.
        const std::tuple<const char*, int, bool, uint32_t> cases[] = {
            // clang-format off
            {"-1", 10, true, 0xFFFFFFFF},             {"D'-2147483648", 16, true, 0x80000000},
            {"-2147483649", 10, false, 0},            {"4294967296", 10, false, 0},
            {"h'ffffffff", 10, true, 0xFFFFFFFF},     {"H'100000000", 10, false, 0},
            {"B'101", 10, true, 5},                   {"101", 2, true, 5},
            {"ff", 16, true, 255},                    {"ff", 10, false, 0},
            {"-5", 16, false, 0},                     {"H'", 10, false, 0},
            {"1 2", 10, false, 0},                    {"+3", 10, false, 0},
            // clang-format on
        };
        for (const auto& [text, base, ok, expected] : cases) {
            uint32_t value = 0;
            QCOMPARE(CDebugger::ParseValue(QString::fromUtf8(text), value, base), ok);
            if (ok) QCOMPARE(value, expected);
        }

        // A length longer than the range is cut at its end; a zero byte ends the text.
        engine.WriteRegister(30, 9);
        engine.WriteRegister(31, 0x64636261); // "abcd"
        engine.WriteRegister(32, 0x00006665); // "ef", then a zero byte
        QCOMPARE(CDebugger::RangeText(engine, 30, 31), QStringLiteral("abcd"));
        QCOMPARE(CDebugger::RangeText(engine, 30, 32), QStringLiteral("abcdef"));
        engine.WriteRegister(30, 0xFFFFFFFF);
        QCOMPARE(CDebugger::RangeText(engine, 30, 30), QString());
    }
};

TAVIMORE_APP_TEST(CDebuggerTest, "Debugger");

#include "DebuggerTests.moc"
