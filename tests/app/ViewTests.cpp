// How the view draws the text: the class of each piece of a line, the formats drawn,
// the 表示 menu toggle remembered between sessions; and its gutter, with line numbers
// from 0 or 1 (remembered), room for the widest number, and the mark on the statement
// a step left the caret on.
#include <QTextLayout>

#include "AppFixture.h"
#include "ScriptHighlighter.h"

namespace {

using Kind = CScriptHighlighter::Kind;
using Span = CScriptHighlighter::Span;

// Each coloured piece as "text:kind", separated by '|'.
QString Pieces(const QString& line)
{
    static const char* const kinds[] = {"mnemonic", "unknown", "label", "constant",
                                        "register", "comment", "quoted"};
    QStringList pieces;
    for (const Span& span : CScriptHighlighter::Classify(line))
        pieces << line.mid(span.start, span.length) + QLatin1Char(':') +
                      QLatin1String(kinds[static_cast<int>(span.kind)]);
    return pieces.join(QLatin1Char('|'));
}

QTextCharFormat FormatAt(const QTextBlock& block, int column)
{
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (column >= range.start && column < range.start + range.length) return range.format;
    return {};
}

} // namespace

class CViewTest final : public QObject {
    Q_OBJECT
private slots:
    void init() { ForgetEditorSettings(); }

    void LinesAndOperandsAreClassedAsTheEngineReadsThem()
    {
        const char* const lines[] = {
            "  ifj REG2 < D'100 L'LOOP", // any case, every operand prefix
            "CALC REG1 / REG2",          // CALC's division, not a comment
            "CALC reg:3 & h'FF0 REGL",
            "文字列 REG1 \"a b\" 10", // a bare number keeps the plain colour
            "/ 実行したニーモニック数は2行です",
            "l'loop",
            "# REG1",
            "MOVE REG1 0", // what the engine does not know, also after a tab
            "\tMOV",
            "   ",
        };
        QString pieces;
        for (const char* line : lines)
            pieces += QString::fromUtf8(line) + " -> " + Pieces(QString::fromUtf8(line)) + '\n';
        COMPARE_GOLDEN(pieces, "highlight-classes");
    }

    void ColoursAndLineNumbersAreDrawnAndBothChoicesKept()
    {
        {
            CAppFixture fixture;
            QAction* toggle = fixture.Frame().Action(cmd::kViewHighlight);
            QVERIFY(toggle->isChecked());
            fixture.SetText(QStringLiteral("MOV REG1 0\nNOPE 1"));
            fixture.View().Highlighter()->rehighlight();
            QTextBlock first = fixture.View().document()->firstBlock();
            QCOMPARE(FormatAt(first, 0).fontWeight(), int(QFont::Bold));

            // Off: no formats, and the text itself is untouched either way.
            toggle->trigger();
            QVERIFY(fixture.View().document()->firstBlock().layout()->formats().isEmpty());
            QCOMPARE(fixture.Text(), QStringLiteral("MOV REG1 0\nNOPE 1"));

            // Line numbers count from 0, or from 1; the text starts right of the gutter,
            // which grows with the line count.
            CTavimoreView& view = fixture.View();
            QCOMPARE(view.LineNumberText(0), QStringLiteral("0"));
            QCOMPARE(view.viewport()->geometry().left(), view.Gutter()->geometry().right() + 1);
            const int narrow = view.GutterWidth();
            fixture.SetText(QStringLiteral("/\n").repeated(1200));
            QVERIFY(view.GutterWidth() > narrow);
            QCOMPARE(view.Gutter()->width(), view.GutterWidth());
            fixture.Trigger(cmd::kViewLinesFromOne);
            QCOMPARE(view.LineNumberText(0), QStringLiteral("1"));
        }
        // Both choices are kept for the next session.
        CAppFixture again;
        QVERIFY(!again.Frame().Action(cmd::kViewHighlight)->isChecked());
        QVERIFY(!again.View().Highlighting());
        QVERIFY(again.Frame().Action(cmd::kViewLinesFromOne)->isChecked());
        QCOMPARE(again.View().LineNumberText(4), QStringLiteral("5"));
    }

    // A large text (a run's report, its undo) is coloured where it is shown, not
    // whole; edits after it are coloured as they are made.
    void ALargeTextIsColouredWhereItIsShown()
    {
        CAppFixture fixture;
        CTavimoreView& view = fixture.View();
        fixture.SetText(QStringLiteral("MOV REG1 0\n").repeated(40000));
        QApplication::processEvents();
        QTextDocument* text = view.document();
        const auto coloured = [text](int line) {
            return !text->findBlockByNumber(line).layout()->formats().isEmpty();
        };
        QVERIFY(coloured(0));
        QVERIFY(!coloured(30000));
        view.moveCursor(QTextCursor::End);
        view.ensureCursorVisible();
        QApplication::processEvents();
        QVERIFY(coloured(39999));
        QVERIFY(!coloured(30000));
        view.moveCursor(QTextCursor::Start);
        QTest::keyClicks(&view, QStringLiteral("INC REG2"));
        QTest::keyClick(&view, Qt::Key_Return);
        QVERIFY(coloured(0));
        QCOMPARE(FormatAt(text->firstBlock(), 4).foreground().color(),
                 CScriptHighlighter::Format(Kind::Register).foreground().color());
        // A coloured line that changes its class is coloured anew.
        view.moveCursor(QTextCursor::Start);
        QTest::keyClicks(&view, QStringLiteral("Z"));
        QCOMPARE(FormatAt(text->firstBlock(), 0).underlineStyle(),
                 QTextCharFormat::SingleUnderline);
    }

    // Where a step puts the mark, and that a run takes it away, the editor's tests show.
    void TheGutterPaintsTheStepsMarkWhichEditsCarryWithItsLine()
    {
        CAppFixture fixture;
        CTavimoreView& view = fixture.View();
        fixture.Frame().show();
        fixture.SetText(QStringLiteral("JMP L'B\n/ a\nL'B\nWAIT 0\nWAIT 1"));
        fixture.Step(0);
        QCOMPARE(view.MarkedLine(), 3);
        const QColor mark(255, 230, 120);
        QVERIFY(GutterRowHolds(view, RowY(view, 3), mark));
        QVERIFY(!GutterRowHolds(view, RowY(view, 2), mark));
        QTextCursor(view.document()).insertText(QStringLiteral("/ new\n"));
        QCOMPARE(view.MarkedLine(), 4);
    }
};

TAVIMORE_APP_TEST(CViewTest, "View");

#include "ViewTests.moc"
