// The panels under the text. The 診断 panel with the checker's findings as underlines,
// gutter marks and tool tips, which only read the text; the レポート panel with the
// message boxes and status lines of the last run or step, each with the line of its
// statement and a click that goes there; the infrared panel with a capture shown as
// waveform and frames, hover, zoom and exports; and the modified indicator.
#include <QDoubleSpinBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QWheelEvent>

#include "AppFixture.h"
#include "DiagnosticsPanel.h"
#include "InfraredPanel.h"
#include "ReportPanel.h"
#include "ScriptDiagnostics.h"

namespace {

// Errors on lines 1 (unknown mnemonic), 3 (no such label) and 5 (no such register);
// a warning on line 7 (a bare 10 reads as binary).
const QString kSample = QStringLiteral("WAIT 0\n"
                                       "WIAT 0\n"
                                       "L'TOP\n"
                                       "JMP L'NOWHERE\n"
                                       "/ comment\n"
                                       "MOV REG10000 1\n"
                                       "JMP L'TOP\n"
                                       "MOV REG2 10");

// The findings as the editor shows them: each line's gutter mark (E an error's, W a
// warning's, - none), whether it is underlined, and its tool tip; then the checker's
// lines and the panel's rows of line, kind and message.
QString Findings(CAppFixture& fixture)
{
    CTavimoreView& view = fixture.View();
    QList<int> wavy;
    for (const QTextEdit::ExtraSelection& selection : view.extraSelections())
        if (selection.format.underlineStyle() == QTextCharFormat::WaveUnderline)
            wavy << selection.cursor.block().blockNumber();
    const QImage gutter = view.Gutter()->grab().toImage();
    QString text;
    QDebug out = QDebug(&text).noquote().nospace();
    for (int line = 0; line < view.document()->blockCount(); ++line) {
        const QRgb mark = gutter.pixel(gutter.width() - 2, RowY(view, line));
        out << line
            << (mark == CTavimoreView::DiagnosticColor(false).rgb()  ? " E"
                : mark == CTavimoreView::DiagnosticColor(true).rgb() ? " W"
                                                                     : " -")
            << (wavy.contains(line) ? " wavy " : " ")
            << view.DiagnosticTipAt(QPoint(0, RowY(view, line))) << '\n';
    }
    CScriptDiagnostics& diagnostics = *fixture.App().Diagnostics();
    out << "lines " << diagnostics.Lines() << " errors " << diagnostics.ErrorLines() << '\n';
    const QAbstractItemModel* rows = fixture.App().DiagnosticsPanel()->Table()->model();
    for (int row = 0; row < rows->rowCount(); ++row)
        for (int column = 0; column < rows->columnCount(); ++column)
            out << rows->index(row, column).data().toString()
                << (column + 1 < rows->columnCount() ? " | " : "\n");
    return text;
}

void ClickRow(CReportPanel& panel, int row)
{
    QTableView* table = panel.Table();
    const QModelIndex cell = table->model()->index(row, CReportModel::TextColumn);
    table->scrollTo(cell);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
}

// The rows as "LINE TEXT", a box's with "box " before it, between " | ".
QString Rows(const CReportModel& model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << QStringLiteral("%1%2 %3")
                    .arg(row < model.BoxCount() ? "box " : "")
                    .arg(model.LineOf(row))
                    .arg(model.TextOf(row));
    return rows.join(QStringLiteral(" | "));
}

// An NEC frame (address 0x04, command 0x08) sampled every 50 us, receiver resting high.
CIrCapture NecCapture()
{
    const uint32_t bits = 0x04 | 0xFBu << 8 | 0x08u << 16 | 0xF7u << 24;
    std::vector<uint32_t> durations{9000, 4500};
    for (int i = 0; i < 32; ++i)
        durations.insert(durations.end(), {550, (bits >> i) & 1 ? 1700u : 550u});
    durations.insert(durations.end(), {550, 400000});
    std::vector<uint8_t> samples;
    for (size_t i = 0; i < durations.size(); ++i)
        samples.insert(samples.end(), durations[i] / 50, i % 2 == 0 ? 0 : 1);
    return CIrCapture::FromSamples(samples);
}

} // namespace

class CPanelTest final : public QObject {
    Q_OBJECT
private slots:
    void FindingsAreShownLeadToTheirLinesAndFollowEditsAndRuns()
    {
        CAppFixture fixture;
        CTavimoreView& view = fixture.View();
        CScriptDiagnostics& diagnostics = *fixture.App().Diagnostics();
        fixture.Frame().show();
        fixture.SetText(kSample);
        // The check waits for a pause in the typing, then runs by itself.
        QVERIFY(diagnostics.IsPending());
        QTRY_VERIFY(!diagnostics.IsPending());
        // Colouring and underlining change no character: no further check follows.
        QSignalSpy checks(&diagnostics, &CScriptDiagnostics::Checked);
        QTest::qWait(2 * CScriptDiagnostics::kDelayMs);
        QCOMPARE(checks.count(), 0);
        COMPARE_GOLDEN(Findings(fixture), "findings");

        // A click on a row puts the caret on its line.
        QTableView* table = fixture.App().DiagnosticsPanel()->Table();
        const QModelIndex third = table->model()->index(2, CScriptDiagnostics::LineColumn);
        fixture.PutCaret(0);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(third).center());
        QCOMPARE(fixture.CaretLine(), 5);
        QVERIFY(view.hasFocus());

        // With lines counted from 1, the panel numbers them as the gutter does.
        fixture.Trigger(cmd::kViewLinesFromOne);
        QCOMPARE(third.data().toInt(), 6);
        fixture.Trigger(cmd::kViewLinesFromOne);

        // A line typed above moves the findings down with their lines at once.
        QTextCursor(view.document()).insertText(QStringLiteral("WAIT 1\n"));
        const QString moved = Findings(fixture);
        // Mending the label line's name clears its finding at the next check.
        QTextCursor label(view.document()->findBlockByNumber(3));
        label.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        label.insertText(QStringLiteral("L'NOWHERE"));
        QTRY_COMPARE(diagnostics.Lines(), (QList<int>{2, 6, 7, 8}));
        COMPARE_GOLDEN(moved + Findings(fixture), "findings-after-edits");
        QVERIFY(fixture.App().DiagnosticsPanel()->Summary().startsWith(QStringLiteral("4 ")));

        // While a script runs (here: waits in a message box), the check waits for its end.
        checks.clear();
        diagnostics.SetHeld(true);
        QTextCursor(view.document()).insertText(QStringLiteral("WIAT\n"));
        QTest::qWait(2 * CScriptDiagnostics::kDelayMs);
        QCOMPARE(checks.count(), 0);
        diagnostics.SetHeld(false);
        QTRY_COMPARE(checks.count(), 1);
        QCOMPARE(diagnostics.Lines().constFirst(), 0);

        // A long text is checked only on request.
        CDiagnosticsPanel& panel = *fixture.App().DiagnosticsPanel();
        fixture.SetText(QStringLiteral("WIAT 0\n") +
                        QStringLiteral("/ x\n").repeated(CScriptDiagnostics::kLineBound));
        QTRY_VERIFY(!diagnostics.IsPending());
        QVERIFY(diagnostics.SkippedLongText());
        QCOMPARE(diagnostics.Count(), 0);
        auto* checkNow = panel.findChild<QPushButton*>(QStringLiteral("diagnosticsCheckNow"));
        QVERIFY(!checkNow->isHidden());
        checkNow->click();
        QCOMPARE(diagnostics.Lines(), QList<int>{0});
        QVERIFY(checkNow->isHidden());
    }

    void TheCheckLeavesTheTextAndItsUndoAloneAndTheStatusBarShowsAChange()
    {
        CAppFixture fixture;
        QLabel* pane = fixture.Frame().ModifiedPane();
        QVERIFY(fixture.Frame().statusBar()->isAncestorOf(pane));
        QVERIFY(fixture.OpenBytes(TestFile(QStringLiteral("faults.tvm")), "WIAT 0\r\nJMP L'X\r\n"));
        QTextDocument* text = fixture.View().document();
        CScriptDiagnostics& diagnostics = *fixture.App().Diagnostics();
        QSignalSpy edits(text, &QTextDocument::undoCommandAdded);
        diagnostics.Check();
        QCOMPARE(diagnostics.Count(), 2);
        QCOMPARE(fixture.Text(), QStringLiteral("WIAT 0\nJMP L'X\n"));
        QVERIFY(!text->isModified());
        QCOMPARE(pane->text(), QString());
        QCOMPARE(text->availableUndoSteps(), 0);
        QCOMPARE(edits.count(), 0);

        // After an edit, the check adds nothing to what undo takes back; the status bar
        // shows the change until it is taken back.
        fixture.PutCaret(0);
        QTest::keyClicks(&fixture.View(), QStringLiteral("/"));
        QCOMPARE(pane->text(), QStringLiteral("変更"));
        const int steps = text->availableUndoSteps();
        diagnostics.Check();
        QCOMPARE(text->availableUndoSteps(), steps);
        fixture.View().undo();
        QCOMPARE(fixture.Text(), QStringLiteral("WIAT 0\nJMP L'X\n"));
        QCOMPARE(pane->text(), QString());

        // A run goes ahead whatever the findings; the report replaces the text as always.
        fixture.View().setFocus();
        fixture.Key(Qt::Key_F5);
        QVERIFY(fixture.Text().contains(QStringLiteral("/ 実行したニーモニック数は")));
        // Saving clears the change, a key brings it back, a new document clears it.
        const QString path = TestFile(QStringLiteral("modified.tvm"));
        fixture.App().SetSaveAsName([path] { return path; });
        QVERIFY(fixture.App().OnFileSaveAs());
        QCOMPARE(pane->text(), QString());
        fixture.Key(Qt::Key_Return);
        QCOMPARE(pane->text(), QStringLiteral("変更"));
        fixture.App().OnFileNew();
        QCOMPARE(pane->text(), QString());
    }

    void RowsListARunsBoxesThenStatusLinesWithTheirStatements()
    {
        CAppFixture fixture;
        fixture.Frame().show();
        fixture.SetText(QStringLiteral("/ start\nMOV REG1 D'41\nINC REG1\nMOV REG10000 REG1\n"
                                       "DISPD REG1\nWAIT 0"));
        CReportPanel& panel = *fixture.App().ReportPanel();
        QVERIFY(panel.visibleRegion().isEmpty()); // behind the diagnostics panel
        fixture.View().setFocus();
        fixture.Key(Qt::Key_F5);
        QCOMPARE(fixture.boxes.size(), 1);

        // The box from line 3, caption and text on one row, and the one status line at
        // the default level, from line 4, as the report wrote it.
        CReportModel& model = *panel.Model();
        QStringList rows{fixture.Text(), Rows(model)};
        // The box brought the panel forward.
        QVERIFY(!panel.visibleRegion().isEmpty());
        ClickRow(panel, 0);
        QCOMPARE(fixture.CaretLine(), 3);
        ClickRow(panel, 1);
        QCOMPARE(fixture.CaretLine(), 4);

        // A debug run shows the last run's rows while paused, then the report of the whole
        // run; a step shows what its one statement said, with its line.
        fixture.SetText(QStringLiteral("MOV REG10000 1\nWAIT 0\nDISPD REG1"));
        fixture.PutCaret(1);
        fixture.Trigger(cmd::kDebugToggleBreakpoint);
        fixture.PutCaret(0);
        fixture.Trigger(cmd::kDebugRun);
        rows << Rows(model);
        fixture.Trigger(cmd::kDebugRun);
        rows << Rows(model);
        fixture.Step(2);
        rows << Rows(model);
        COMPARE_GOLDEN(rows.join('\n') + '\n', "report-rows");

        // Rows are boxes, then statuses; the second status is a list of two lines, the note
        // on omitted lines is no row.
        CRunReport report;
        report.statusText = Sj("/ one\r\n/ list:\r\nwindow A\r\n/ three\r\n"
                               "/ ログの上限に達したため省略したステータス行は5行です\r\n");
        report.statusLines = {4, 7, 9};
        report.boxes = {{7, QStringLiteral("CAUTION!!!"), QStringLiteral("bad\nregister")}};
        model.SetReport(report);
        QCOMPARE(Rows(model), QStringLiteral("box 7 CAUTION!!!: bad register | 4 one | "
                                             "7 list: \u23CE window A | 9 three"));
        model.SetLineNumberBase(1);
        QCOMPARE(model.index(3, CReportModel::LineColumn).data().toInt(), 10);

        // A report of many lines is read where it is shown.
        CRunReport many;
        const int count = 400000;
        many.statusText.reserve(static_cast<size_t>(count) * 12);
        for (int i = 0; i < count; ++i) {
            many.statusText += "/ s" + std::to_string(i) + "\r\n";
            many.statusLines.push_back(i % 3);
        }
        panel.ShowReport(std::move(many));
        QCOMPARE(panel.Model()->rowCount(), count);
        QCOMPARE(panel.Model()->TextOf(count - 1), QStringLiteral("s399999"));
        QVERIFY(panel.Summary().contains(QStringLiteral("400000")));
    }

    void TheInfraredPanelShowsACaptureAndOpensAfterARunThatCaptures()
    {
        CInfraredPanel panel;
        panel.resize(900, 420);
        panel.show();
        panel.ShowCapture(NecCapture());
        // The frames; what lies under the pointer at the leader and further on, before
        // and after the wheel zooms in around the pointer (the time under it stays); the
        // frames at twice the sync frequency, where nothing decodes; the export.
        CIrWaveform* wave = panel.Waveform();
        QVERIFY(wave->VisibleUs() < 100000); // the first frame fills the view
        QStringList record{QString::number(panel.FrameList()->count()),
                           panel.FrameList()->item(0)->text(), wave->DescribeAt(8),
                           wave->DescribeAt(300)};
        const QPointF at(300, 50);
        const double visible = wave->VisibleUs();
        QWheelEvent wheel(at, wave->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(wave, &wheel);
        QVERIFY(wave->VisibleUs() < visible * 0.7);
        record << wave->DescribeAt(300);
        panel.SyncHz()->setValue(20000);
        record << panel.FrameList()->item(0)->text();
        panel.SyncHz()->setValue(10000);
        record << QString::fromStdString(panel.ExportText(IrExportFormat::Vcd));
        COMPARE_GOLDEN(record.join('\n'), "infrared-panel");

        // After a run the docked panel opens on the capture the registers hold, but only when
        // the script has a capture statement: other scripts leave REGL and registers
        // non-zero too.
        CAppFixture fixture;
        auto* docked = fixture.Frame().findChild<CInfraredPanel*>();
        QVERIFY(docked != nullptr);
        const QString leaveBits =
            QStringLiteral("MOV REG0 H'00FF00FF\nMOV REG1 H'0F0F0F0F\nMOV REGL D'6\n");
        fixture.SetText(leaveBits + QStringLiteral("/ IRSIGNAL REG0 D'6"));
        fixture.Doc().RunText();
        QVERIFY(docked->isHidden());
        fixture.SetText(leaveBits + QStringLiteral("JMP L'END\n  irsignal REG0 D'6\nL'END"));
        fixture.Doc().RunText();
        QVERIFY(!docked->isHidden());
    }
};

TAVIMORE_APP_TEST(CPanelTest, "Panels");

#include "PanelTests.moc"
