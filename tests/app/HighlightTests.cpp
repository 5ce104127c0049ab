// Colouring: the class of each piece of a line, the formats the editor draws, and the
// 表示 menu toggle that is remembered between sessions.
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "AppFixture.h"
#include "AppTests.h"
#include "RecentFiles.h"
#include "ScriptHighlighter.h"

namespace {

using Kind = CScriptHighlighter::Kind;
using Span = CScriptHighlighter::Span;

// The kind of each coloured piece, with its text.
QList<QPair<QString, Kind>> Pieces(const QString& line)
{
    QList<QPair<QString, Kind>> pieces;
    for (const Span& span : CScriptHighlighter::Classify(line))
        pieces.append({line.mid(span.start, span.length), span.kind});
    return pieces;
}

// The format the layout applies at a column of a line.
QTextCharFormat FormatAt(const QTextBlock& block, int column)
{
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (column >= range.start && column < range.start + range.length) return range.format;
    return {};
}

} // namespace

class CHighlightTest final : public QObject {
    Q_OBJECT
private slots:
    void LinesAndOperandsAreClassedAsTheEngineReadsThem()
    {
        using P = QPair<QString, Kind>;
        // Mnemonics in any case and every operand prefix.
        QCOMPARE(Pieces(QStringLiteral("  ifj REG2 < D'100 L'LOOP")),
                 (QList<P>{{QStringLiteral("ifj"), Kind::Mnemonic},
                           {QStringLiteral("REG2"), Kind::Register},
                           {QStringLiteral("D'100"), Kind::Constant},
                           {QStringLiteral("L'LOOP"), Kind::Label}}));
        // A '/' after the mnemonic is CALC's division, not the start of a comment.
        QCOMPARE(Pieces(QStringLiteral("CALC REG1 / REG2")),
                 (QList<P>{{QStringLiteral("CALC"), Kind::Mnemonic},
                           {QStringLiteral("REG1"), Kind::Register},
                           {QStringLiteral("REG2"), Kind::Register}}));
        QCOMPARE(Pieces(QStringLiteral("CALC reg:3 & h'FF0 REGL")),
                 (QList<P>{{QStringLiteral("CALC"), Kind::Mnemonic},
                           {QStringLiteral("reg:3"), Kind::Register},
                           {QStringLiteral("h'FF0"), Kind::Constant},
                           {QStringLiteral("REGL"), Kind::Register}}));
        // A bare number keeps the plain colour; a text in quotes holds its spaces.
        QCOMPARE(Pieces(QStringLiteral("文字列 REG1 \"a b\" 10")),
                 (QList<P>{{QStringLiteral("文字列"), Kind::Mnemonic},
                           {QStringLiteral("REG1"), Kind::Register},
                           {QStringLiteral("\"a b\""), Kind::Quoted}}));
        // Comment lines (and the report's lines), label lines, the operand check.
        QCOMPARE(Pieces(QStringLiteral("/ 実行したニーモニック数は2行です")),
                 (QList<P>{{QStringLiteral("/ 実行したニーモニック数は2行です"), Kind::Comment}}));
        QCOMPARE(Pieces(QStringLiteral("l'loop")),
                 (QList<P>{{QStringLiteral("l'loop"), Kind::Label}}));
        QCOMPARE(Pieces(QStringLiteral("# REG1")),
                 (QList<P>{{QStringLiteral("#"), Kind::Mnemonic},
                           {QStringLiteral("REG1"), Kind::Register}}));
        // What the engine does not know, including a mnemonic after a tab.
        QCOMPARE(Pieces(QStringLiteral("MOVE REG1 0")),
                 (QList<P>{{QStringLiteral("MOVE"), Kind::Unknown},
                           {QStringLiteral("REG1"), Kind::Register}}));
        QCOMPARE(Pieces(QStringLiteral("\tMOV")),
                 (QList<P>{{QStringLiteral("\tMOV"), Kind::Unknown}}));
        QVERIFY(Pieces(QStringLiteral("   ")).isEmpty());
    }

    void EditorDrawsTheClassesAndTheToggleIsRemembered()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, CRecentFileList::OrganizationKey(),
                  QStringLiteral("Tavimore"))
            .clear();
        {
            CAppFixture fixture;
            QAction* toggle = fixture.Frame().Action(cmd::kViewHighlight);
            QVERIFY(toggle->isChecked());
            fixture.SetText(QStringLiteral("MOV REG1 0\nNOPE 1"));
            fixture.View().Highlighter()->rehighlight();
            QTextBlock first = fixture.View().document()->firstBlock();
            QCOMPARE(FormatAt(first, 0).fontWeight(), int(QFont::Bold));
            QCOMPARE(FormatAt(first, 4).foreground().color(),
                     CScriptHighlighter::Format(Kind::Register).foreground().color());
            QCOMPARE(FormatAt(first.next(), 1).underlineStyle(), QTextCharFormat::SingleUnderline);

            // Off: no formats, and the text itself is untouched either way.
            toggle->trigger();
            QVERIFY(fixture.View().document()->firstBlock().layout()->formats().isEmpty());
            QCOMPARE(fixture.Text(), QStringLiteral("MOV REG1 0\nNOPE 1"));
        }
        CAppFixture again;
        QVERIFY(!again.Frame().Action(cmd::kViewHighlight)->isChecked());
        QVERIFY(!again.View().Highlighting());
        again.Frame().Action(cmd::kViewHighlight)->trigger();
    }
};

TAVIMORE_APP_TEST(CHighlightTest, "Highlight");

#include "HighlightTests.moc"
