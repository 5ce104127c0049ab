// The レポート panel: the message boxes and status lines of the last run or step, each
// with the line of its statement, and a click that goes to that statement.
#include <QTableView>

#include "AppFixture.h"
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

// Each row as "LINE TEXT", a box's with "box " before it.
QStringList Rows(const CReportModel& model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << QStringLiteral("%1%2 %3")
                    .arg(row < model.BoxCount() ? "box " : "")
                    .arg(model.LineOf(row))
                    .arg(model.TextOf(row));
    return rows;
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
        QCOMPARE(Rows(model), (QStringList{"box 7 CAUTION!!!: bad register", "4 one",
                                           QStringLiteral("7 list: \u23CE window A"), "9 three"}));
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
        fixture.Key(Qt::Key_F5);
        QCOMPARE(fixture.boxes.size(), 1);

        // The box from line 3, caption and text on one row, and the one status line at
        // the default level, from line 4, as the report wrote it.
        CReportModel& model = *panel.Model();
        const QString box = QStringLiteral("CAUTION!!!: レジスタ取得に 問題が発生しました  "
                                           "存在しないレジスタに アクセスしました");
        const QString status = QStringLiteral("DISPD…00001@d 00000000000000000000000000000042@d");
        QCOMPARE(Rows(model), (QStringList{"box 3 " + box, "4 " + status}));
        QVERIFY(fixture.Text().contains(QStringLiteral("/ ") + status));
        // The box brought the panel forward.
        QVERIFY(!panel.visibleRegion().isEmpty());
        ClickRow(panel, 0);
        QCOMPARE(fixture.CaretLine(), 3);
        ClickRow(panel, 1);
        QCOMPARE(fixture.CaretLine(), 4);

        // A debug run shows nothing while paused, then the report of the whole run.
        fixture.SetText(QStringLiteral("MOV REG10000 1\nWAIT 0\nDISPD REG1"));
        fixture.PutCaret(1);
        fixture.Trigger(cmd::kDebugToggleBreakpoint);
        fixture.PutCaret(0);
        const QStringList before = Rows(model);
        fixture.Trigger(cmd::kDebugRun);
        QVERIFY(fixture.Doc().IsDebugPaused());
        QCOMPARE(Rows(model), before);
        fixture.Trigger(cmd::kDebugRun);
        QVERIFY(!fixture.Doc().IsDebugPaused());
        QCOMPARE(Rows(model), (QStringList{"box 0 " + box, "2 " + status}));

        // A step shows what its one statement said, with its line.
        fixture.Step(2);
        QCOMPARE(Rows(model), QStringList{"2 " + status});
    }
};

TAVIMORE_APP_TEST(CReportTest, "Report");

#include "ReportTests.moc"
