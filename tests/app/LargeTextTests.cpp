// The long-text model (lines of the engine's bytes, decoded on demand) and its viewer:
// lines, text and find as the editor's document gives them; keys, copying, signals,
// and painting only what is on screen.
#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "AppTests.h"
#include "DocumentText.h"
#include "LargeText.h"
#include "LargeTextView.h"
#include "ScriptHighlighter.h"
#include "TavimoreView.h"

namespace {

std::shared_ptr<const CLargeText> Text(const char* bytes)
{
    return std::make_shared<CLargeText>(std::string(bytes));
}

// Whether a row of a picture holds the colour anywhere.
bool RowHolds(const QImage& image, int y, QRgb colour)
{
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == colour) return true;
    return false;
}

bool Holds(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        if (RowHolds(image, y, colour)) return true;
    return false;
}

// 0x8790 is cp932's second code of U+2252: it decodes to the character and a selector.
const char* const kDuplicate = "\x87\x90";

} // namespace

class CLargeTextTests final : public QObject {
    Q_OBJECT
private slots:
    void LinesBreakAtCrLfOnlyAndEveryByteComesBack()
    {
        QCOMPARE(CLargeText("").LineCount(), 1);
        QCOMPARE(CLargeText("a\r\nb").LineCount(), 2);
        const CLargeText trailing("a\r\n");
        QCOMPARE(trailing.LineCount(), 2);
        QCOMPARE(trailing.Line(1), QString());
        QCOMPARE(trailing.End(), (CTextPos{1, 0}));

        // A lone CR or LF, a stray lead byte and bytes cp932 lacks stay in their line.
        const std::string bytes =
            std::string("x\ry\nz\x81\r\n\r\n\xff\x80") + kDuplicate + "\r\n\n";
        const CLargeText text(bytes);
        QCOMPARE(text.LineCount(), 4);
        QCOMPARE(text.LineBytes(0), std::string_view("x\ry\nz\x81"));
        QCOMPARE(text.Line(0), doctext::Decode("x\ry\nz\x81"));
        QCOMPARE(text.Line(1), QString());
        QCOMPARE(text.Line(3), doctext::Decode("\n"));
        QCOMPARE(text.LongestLineBytes(), 6);
        const QString whole = text.Text({}, text.End());
        QCOMPARE(whole, doctext::Decode(bytes));
        QCOMPARE(doctext::Encode(whole), bytes);

        // Columns count QChars: the duplicate is two of them.
        QCOMPARE(text.Line(2).size(), 4);
        QCOMPARE(text.Text({2, 4}, {2, 2}), doctext::Decode(kDuplicate));
        QCOMPARE(text.Text({0, 5}, {2, 1}), doctext::Decode("\x81\r\n\r\n\xff"));
        // Out of range is clamped.
        QCOMPARE(text.Text({-3, -1}, {0, 2}), QStringLiteral("x") + doctext::Decode("\r"));
        QCOMPARE(text.Text({2, 99}, {9, 9}), QStringLiteral("\n") + doctext::Decode("\n"));
    }

    void FindsAsTheEditorsDocumentFinds()
    {
        const CLargeText text("Wait REG1\r\nwait reg10\r\nREG1 \x83\x41\r\nA");
        CTextPos start;
        CTextPos end;
        auto find = [&](const QString& needle, CTextPos from, QTextDocument::FindFlags flags) {
            return text.Find(needle, from, flags, start, end);
        };
        QVERIFY(find(QStringLiteral("reg1"), {}, {}));
        QCOMPARE(start, (CTextPos{0, 5}));
        QCOMPARE(end, (CTextPos{0, 9}));
        QVERIFY(find(QStringLiteral("reg1"), {0, 6}, {}));
        QCOMPARE(start, (CTextPos{1, 5}));
        QVERIFY(find(QStringLiteral("reg1"), {0, 6}, QTextDocument::FindWholeWords));
        QCOMPARE(start, (CTextPos{2, 0}));
        QVERIFY(find(QStringLiteral("wait"), {}, QTextDocument::FindCaseSensitively));
        QCOMPARE(start, (CTextPos{1, 0}));
        // The trail byte of "ア" is an 'A' byte, but only the last line holds an 'A'.
        QVERIFY(find(QStringLiteral("A"), {2, 0}, QTextDocument::FindCaseSensitively));
        QCOMPARE(start, (CTextPos{3, 0}));
        QVERIFY(find(QStringLiteral("ア"), {}, {}));
        QCOMPARE(start, (CTextPos{2, 5}));

        // Backward: the last match that starts before the position.
        const auto back = QTextDocument::FindBackward | QTextDocument::FindCaseSensitively;
        QVERIFY(find(QStringLiteral("REG1"), {2, 0}, back));
        QCOMPARE(start, (CTextPos{0, 5}));
        QVERIFY(find(QStringLiteral("REG1"), {0, 9}, back));
        QCOMPARE(start, (CTextPos{0, 5}));
        QVERIFY(!find(QStringLiteral("REG1"), {0, 5}, back));
        QVERIFY(find(QStringLiteral("reg"), {2, 1}, QTextDocument::FindBackward));
        QCOMPARE(start, (CTextPos{2, 0}));

        start = {7, 7};
        QVERIFY(!find(QStringLiteral("zzz"), {}, {}));
        QVERIFY(!find(QString(), {}, {}));
        QVERIFY(!find(QStringLiteral("Wait"), {0, 1}, QTextDocument::FindCaseSensitively));
        QCOMPARE(start, (CTextPos{7, 7}));
    }

    void KeysMoveTheCaretAndExtendTheSelection()
    {
        CLargeTextView view;
        view.resize(400, 200);
        view.SetText(Text("abc\r\nd\x87\x90\x65\r\n\r\nlast"));
        QSignalSpy available(&view, &CLargeTextView::copyAvailable);
        QSignalSpy lineText(&view, &CLargeTextView::CaretLineText);

        QTest::keyClick(&view, Qt::Key_Right);
        QTest::keyClick(&view, Qt::Key_Right);
        QCOMPARE(view.Caret(), (CTextPos{0, 2}));
        QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(view.Anchor(), (CTextPos{0, 2}));
        QCOMPARE(view.Caret().line, 1);
        QCOMPARE(available.count(), 1);
        QVERIFY(available.last().first().toBool());
        QCOMPARE(lineText.last().first().toString(), QStringLiteral("   0行目"));
        // A character with its selector is one step of the caret.
        view.SetSelection({1, 1}, {1, 1});
        QCOMPARE(available.count(), 2);
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(view.Caret(), (CTextPos{1, 3}));
        QCOMPARE(view.SelectedText(), doctext::Decode(kDuplicate));
        QTest::keyClick(&view, Qt::Key_Left);
        QCOMPARE(view.Caret(), (CTextPos{1, 1}));
        QVERIFY(!view.HasSelection());

        QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(view.Caret(), (CTextPos{1, 4}));
        // Right first drops the selection at its end, then crosses the line break.
        QTest::keyClick(&view, Qt::Key_Right);
        QTest::keyClick(&view, Qt::Key_Right);
        QCOMPARE(view.Caret(), (CTextPos{2, 0}));
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view.Anchor(), (CTextPos{2, 0}));
        QCOMPARE(view.Caret(), (CTextPos{3, 4}));
        QCOMPARE(view.CaretLine(), 2);
        QCOMPARE(lineText.last().first().toString(), QStringLiteral("   2行目"));
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view.Caret(), CTextPos());
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(view.Caret().line, 3);
        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(view.Anchor(), CTextPos());
        QCOMPARE(view.Caret(), (CTextPos{3, 4}));

        // The mouse: a double-click takes a word, a drag selects from press to release.
        auto at = [&view](int line, int x) {
            return QPoint(x, 4 + line * view.LineHeight() + view.LineHeight() / 2);
        };
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at(3, 6));
        QCOMPARE(view.SelectedText(), QStringLiteral("last"));
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(3, 1));
        QTest::mouseMove(view.viewport(), at(0, 200));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(0, 200));
        QCOMPARE(view.Anchor(), (CTextPos{3, 0}));
        QCOMPARE(view.Caret(), (CTextPos{0, 3}));
    }

    void CopyPutsBothFormsOnTheClipboardAndTheWindowKeepsItsCommands()
    {
        // In a window whose commands have keys: paste and cut stay the window's, copy is
        // the view's.
        QWidget window;
        auto* view = new CLargeTextView(&window);
        QAction paste(QStringLiteral("paste"));
        QAction cut(QStringLiteral("cut"));
        QAction copy(QStringLiteral("copy"));
        paste.setShortcuts({Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert});
        cut.setShortcuts({Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete});
        copy.setShortcuts({Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert});
        window.addActions({&paste, &cut, &copy});
        QSignalSpy pasted(&paste, &QAction::triggered);
        QSignalSpy cutByWindow(&cut, &QAction::triggered);
        QSignalSpy copiedByWindow(&copy, &QAction::triggered);
        QSignalSpy edits(view, &CLargeTextView::EditRequested);
        window.show();
        QApplication::setActiveWindow(&window);
        view->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        view->SetText(Text("WAIT 1\r\n\x87\x90 x"));
        for (const QKeyCombination key : {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}) {
            QApplication::clipboard()->clear();
            view->SetSelection({0, 5}, {1, 3});
            QTest::keyClick(view, key.key(), key.keyboardModifiers());
            const QMimeData* copied = QApplication::clipboard()->mimeData();
            QVERIFY(copied != nullptr);
            const QString text = QStringLiteral("1\n") + doctext::Decode(kDuplicate) + u' ';
            QCOMPARE(copied->text(), QStringLiteral("1\n≒ "));
            QCOMPARE(copied->data(QStringLiteral("application/x-tavimore-text")), text.toUtf8());
        }
        QCOMPARE(copiedByWindow.count(), 0);
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Insert, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(pasted.count(), 2);
        QCOMPARE(cutByWindow.count(), 1);
        QCOMPARE(edits.count(), 0);
    }

    void TheEditorsKeysAndTheGutterLeaveAsSignals()
    {
        CLargeTextView view;
        view.resize(300, 200);
        view.SetText(Text("WAIT 0\r\nWAIT 1\r\nWAIT 2\r\nWAIT 3"));
        view.SetBreakpointSource([] { return std::vector<int>{2}; });
        QSignalSpy run(&view, &CLargeTextView::RunRequested);
        QSignalSpy step(&view, &CLargeTextView::StepRequested);
        QSignalSpy stop(&view, &CLargeTextView::StopRequested);
        QSignalSpy toggle(&view, &CLargeTextView::BreakpointToggleRequested);
        QTest::keyClick(&view, Qt::Key_F5);
        QTest::keyClick(&view, Qt::Key_F5, Qt::ControlModifier); // the window's debug run
        QCOMPARE(run.count(), 1);
        view.SetSelection({3, 2}, {1, 0});
        QTest::keyClick(&view, Qt::Key_F7);
        QCOMPARE(step.count(), 1);
        QCOMPARE(step.last().first().toInt(), 1);
        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(stop.count(), 1);

        // The disc is on line 2's row; a click on that row asks to toggle line 2.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int row = view.LineHeight();
        const int middle = 4 + 2 * row + row / 2;
        const QImage gutter = view.Gutter()->grab().toImage();
        QVERIFY(RowHolds(gutter, middle, CTavimoreView::BreakpointColor().rgb()));
        QVERIFY(!RowHolds(gutter, middle - row, CTavimoreView::BreakpointColor().rgb()));
        QTest::mouseClick(view.Gutter(), Qt::LeftButton, {}, QPoint(5, middle));
        QCOMPARE(toggle.count(), 1);
        QCOMPARE(toggle.last().first().toInt(), 2);
        QTest::mouseClick(view.Gutter(), Qt::LeftButton, {}, QPoint(5, 4 + 9 * row));
        QCOMPARE(toggle.count(), 1);
    }

    void EditsLeaveAsRequestsAndTheTextStays()
    {
        CLargeTextView view;
        view.SetText(Text("WAIT 0\r\nWAIT 1"));
        QStringList requests;
        connect(&view, &CLargeTextView::EditRequested, &view, [&requests](QEvent* event) {
            if (event->type() == QEvent::KeyPress)
                requests
                    << QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()).toString();
            else
                requests << static_cast<QInputMethodEvent*>(event)->commitString();
        });
        // Backspace at the start and Delete at the end change nothing.
        QTest::keyClick(&view, Qt::Key_Backspace);
        for (int key : {Qt::Key_Down, Qt::Key_End, Qt::Key_F7, Qt::Key_Escape})
            QTest::keyClick(&view, static_cast<Qt::Key>(key));
        QTest::keyClick(&view, Qt::Key_Delete);
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_Backspace, Qt::AltModifier); // undo, the window's
        QVERIFY(requests.isEmpty());

        QTest::keyClick(&view, Qt::Key_X);
        QTest::keyClick(&view, Qt::Key_Return);
        QTest::keyClick(&view, Qt::Key_Backspace);
        QTest::keyClick(&view, Qt::Key_Tab);
        QInputMethodEvent composing(QStringLiteral("か"), {});
        QApplication::sendEvent(&view, &composing);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("漢"));
        QApplication::sendEvent(&view, &commit);
        QCOMPARE(requests, (QStringList{QStringLiteral("X"), QStringLiteral("Return"),
                                        QStringLiteral("Backspace"), QStringLiteral("Tab"),
                                        QStringLiteral("漢")}));
        QCOMPARE(view.Text()->Bytes(), std::string("WAIT 0\r\nWAIT 1"));
        QCOMPARE(view.Caret(), (CTextPos{1, 6}));
    }

    void APaintDecodesOnlyTheLinesOnScreen()
    {
        std::string bytes;
        for (int i = 0; i < 400000; ++i)
            bytes += "WAIT " + std::to_string(i) + "\r\n/ line " + std::to_string(i) + "\r\n";
        const auto text = std::make_shared<const CLargeText>(std::move(bytes));
        QCOMPARE(text->LineCount(), 800001);
        CLargeTextView view;
        view.resize(400, 300);
        view.SetText(text);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QVERIFY(view.Find(QStringLiteral("line 300000")));
        QCOMPARE(view.SelectedText(), QStringLiteral("line 300000"));
        const int shown = view.viewport()->height() / view.LineHeight();
        const int first = view.FirstVisibleLine();
        QVERIFY(first <= 600001 && first + shown > 600001);
        const long long before = text->DecodedLines();
        const QImage picture = view.viewport()->grab().toImage();
        const long long decoded = text->DecodedLines() - before;
        QVERIFY2(decoded > 0 && decoded <= shown + 2, QByteArray::number(decoded));
        // The lines are coloured: WAIT in the mnemonics' colour, until that is off.
        const QRgb mnemonic = CScriptHighlighter::Format(CScriptHighlighter::Kind::Mnemonic)
                                  .foreground()
                                  .color()
                                  .rgb();
        QVERIFY(Holds(picture, mnemonic));
        view.SetHighlighting(false);
        QVERIFY(!Holds(view.viewport()->grab().toImage(), mnemonic));

        QVERIFY(view.Find(QStringLiteral("WAIT 5"),
                          QTextDocument::FindBackward | QTextDocument::FindWholeWords));
        QCOMPARE(view.Caret(), (CTextPos{10, 6}));
        QCOMPARE(view.FirstVisibleLine(), 10);
    }

    void AVeryLongLineScrolledSidewaysLooksAsAShortOne()
    {
        // Line 0 is long enough to be drawn a part at a time, line 1 is its first part;
        // scrolled to the middle of that half the two rows must match pixel for pixel.
        QString digits;
        for (int i = 0; i < 400; ++i)
            digits += QStringLiteral("REG1 D'%1 ").arg(i, 3, 10, QLatin1Char('0'));
        const std::string line = doctext::Encode(digits);
        CLargeTextView view;
        view.resize(300, 120);
        view.SetText(
            std::make_shared<const CLargeText>(line + "\r\n" + line.substr(0, 2000) + "\r\n"));
        view.SetSelection({2, 0}, {2, 0}); // the caret out of the way
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int x : {0, 4321, 8888}) {
            view.horizontalScrollBar()->setValue(x);
            QCOMPARE(view.horizontalScrollBar()->value(), x);
            const QImage picture = view.viewport()->grab().toImage();
            const int row = view.LineHeight();
            QCOMPARE(picture.copy(0, 4, picture.width(), row),
                     picture.copy(0, 4 + row, picture.width(), row));
        }
    }
};

TAVIMORE_APP_TEST(CLargeTextTests, "LargeText");

#include "LargeTextTests.moc"
