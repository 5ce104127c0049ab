// The gutter: line numbers from 0 or 1 (remembered), room for the widest number, and
// the mark on the statement a step left the caret on.

#include "AppFixture.h"

class CGutterTest final : public QObject {
    Q_OBJECT
private slots:
    void NumbersCountFromZeroOrOneAndTheChoiceIsKept()
    {
        ForgetEditorSettings();
        {
            CAppFixture fixture;
            CTavimoreView& view = fixture.View();
            fixture.SetText(QStringLiteral("WAIT 0\nWAIT 1"));
            QCOMPARE(view.LineNumberText(0), QStringLiteral("0"));
            // The text starts right of the gutter, which grows with the line count.
            QCOMPARE(view.viewport()->geometry().left(), view.Gutter()->geometry().right() + 1);
            const int narrow = view.GutterWidth();
            fixture.SetText(QStringLiteral("/\n").repeated(1200));
            QVERIFY(view.GutterWidth() > narrow);
            QCOMPARE(view.Gutter()->width(), view.GutterWidth());

            fixture.Trigger(cmd::kViewLinesFromOne);
            QCOMPARE(view.LineNumberText(0), QStringLiteral("1"));
        }
        CAppFixture again;
        QVERIFY(again.Frame().Action(cmd::kViewLinesFromOne)->isChecked());
        QCOMPARE(again.View().LineNumberText(4), QStringLiteral("5"));
        ForgetEditorSettings();
    }

    void AStepMarksTheNextStatementUntilARun()
    {
        CAppFixture fixture;
        CTavimoreView& view = fixture.View();
        fixture.Frame().show();
        fixture.SetText(QStringLiteral("JMP L'B\n/ a\nL'B\nWAIT 0\nWAIT 1"));
        QCOMPARE(view.MarkedLine(), -1);
        fixture.PutCaret(0);
        QTest::keyClick(&view, Qt::Key_F7);
        QCOMPARE(fixture.CaretLine(), 3);
        QCOMPARE(view.MarkedLine(), 3);

        // The gutter paints the mark on that line's row, and on no other.
        const QColor mark(255, 230, 120);
        QVERIFY(GutterRowHolds(view, RowY(view, 3), mark));
        QVERIFY(!GutterRowHolds(view, RowY(view, 2), mark));

        // Edits above the mark carry it with its line.
        QTextCursor top(view.document());
        top.insertText(QStringLiteral("/ new\n"));
        QCOMPARE(view.MarkedLine(), 4);

        QTest::keyClick(&view, Qt::Key_F7);
        QCOMPARE(view.MarkedLine(), 5);
        QTest::keyClick(&view, Qt::Key_F5);
        QCOMPARE(view.MarkedLine(), -1);
    }
};

TAVIMORE_APP_TEST(CGutterTest, "Gutter");

#include "GutterTests.moc"
