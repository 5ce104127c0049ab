// The レポート panel: the message boxes and status lines of the last run or step, each
// with the line of its statement, and a click that goes to that statement.
#include <QTableView>
#include <QTest>

#include "AppFixture.h"
#include "AppTests.h"
#include "ReportPanel.h"

namespace {

// Clicks a row of the panel's table.
void ClickRow(CReportPanel& panel, int row)
{
    QTableView* table = panel.Table();
    const QModelIndex cell = table->model()->index(row, CReportModel::TextColumn);
    table->scrollTo(cell);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
}

} // namespace

class CReportTest final : public QObject {
    Q_OBJECT
private slots:
    void RowsAreBoxesThenStatusesAndAStatusKeepsItsOwnLines()
    {
        CReportModel model;
        CRunReport report;
        // The second status is a list of two lines; the note on omitted lines is no row.
        report.statusText = Sj("/ one\r\n/ list:\r\nwindow A\r\n/ three\r\n"
                               "/ ログの上限に達したため省略したステータス行は5行です\r\n");
        report.statusLines = {4, 7, 9};
        report.boxes = {{7, QStringLiteral("CAUTION!!!"), QStringLiteral("bad\nregister")}};
        model.SetReport(report);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.LineOf(0), 7);
        QCOMPARE(model.TextOf(0), QStringLiteral("CAUTION!!!: bad register"));
        QCOMPARE(model.LineOf(1), 4);
        QCOMPARE(model.TextOf(1), QStringLiteral("one"));
        QCOMPARE(model.TextOf(2), QStringLiteral("list: \u23CE window A"));
        QCOMPARE(model.LineOf(3), 9);
        QCOMPARE(model.TextOf(3), QStringLiteral("three"));
        model.SetLineNumberBase(1);
        QCOMPARE(model.index(3, CReportModel::LineColumn).data().toInt(), 10);
    }

    void AManyLinedReportIsReadOnlyWhereShown()
    {
        CReportPanel panel;
        CRunReport report;
        const int count = 400000;
        report.statusText.reserve(static_cast<size_t>(count) * 12);
        for (int i = 0; i < count; ++i) {
            report.statusText += "/ s" + std::to_string(i) + "\r\n";
            report.statusLines.push_back(i % 3);
        }
        panel.ShowReport(std::move(report));
        QCOMPARE(panel.Model()->rowCount(), count);
        QCOMPARE(panel.Model()->TextOf(count - 1), QStringLiteral("s399999"));
        QVERIFY(panel.Summary().contains(QStringLiteral("400000")));
    }

    void ARunListsItsBoxAndStatusLinesWithTheirStatements()
    {
        CAppFixture fixture;
        CTavimoreView& view = fixture.View();
        fixture.Frame().show();
        fixture.SetText(QStringLiteral("/ start\nMOV REG1 D'41\nINC REG1\nMOV REG10000 REG1\n"
                                       "DISPD REG1\nWAIT 0"));
        CReportPanel& panel = *fixture.App().ReportPanel();
        QVERIFY(panel.visibleRegion().isEmpty()); // behind the diagnostics panel
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_F5);
        QCOMPARE(fixture.boxes.size(), 1);

        CReportModel& model = *panel.Model();
        // The box came from line 3, the one status line at the default level from line 4.
        QCOMPARE(model.BoxCount(), 1);
        QCOMPARE(model.LineOf(0), 3);
        // Its caption and text, on one row.
        QString shown = fixture.boxes[0];
        shown.replace(QLatin1Char('|'), QStringLiteral(": "))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        QCOMPARE(model.TextOf(0), shown);
        QCOMPARE(model.StatusCount(), 1);
        QCOMPARE(model.LineOf(1), 4);
        QVERIFY(model.TextOf(1).startsWith(QStringLiteral("DISPD")));
        QVERIFY(fixture.Text().contains(QStringLiteral("/ ") + model.TextOf(1)));
        // The box brought the panel forward.
        QVERIFY(!panel.visibleRegion().isEmpty());
        ClickRow(panel, 0);
        QCOMPARE(fixture.CaretLine(), 3);
        ClickRow(panel, 1);
        QCOMPARE(fixture.CaretLine(), 4);

        // A debug run shows nothing while paused, then the report of the whole run.
        fixture.SetText(QStringLiteral("MOV REG10000 1\nWAIT 0\nDISPD REG1"));
        fixture.PutCaret(1);
        fixture.Frame().Action(cmd::kDebugToggleBreakpoint)->trigger();
        fixture.PutCaret(0);
        fixture.Frame().Action(cmd::kDebugRun)->trigger();
        QVERIFY(fixture.Doc().IsDebugPaused());
        QCOMPARE(model.BoxCount(), 1);
        QCOMPARE(model.LineOf(0), 3); // still the run before
        fixture.Frame().Action(cmd::kDebugRun)->trigger();
        QVERIFY(!fixture.Doc().IsDebugPaused());
        QCOMPARE(model.BoxCount(), 1);
        QCOMPARE(model.LineOf(0), 0);
        QCOMPARE(model.StatusCount(), 1);
        QCOMPARE(model.LineOf(1), 2);

        // A step shows what its one statement said, with its line.
        fixture.PutCaret(2);
        QTest::keyClick(&view, Qt::Key_F7);
        QCOMPARE(model.BoxCount(), 0);
        QCOMPARE(model.StatusCount(), 1);
        QCOMPARE(model.LineOf(0), 2);
        QVERIFY(model.TextOf(0).startsWith(QStringLiteral("DISPD")));
    }
};

TAVIMORE_APP_TEST(CReportTest, "Report");

#include "ReportTests.moc"
