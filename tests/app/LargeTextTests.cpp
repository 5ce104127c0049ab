// The long-text model (lines of the engine's bytes, decoded on demand) and its viewer:
// lines, text and find as the editor's document gives them; keys, copying, signals,
// and painting only what is on screen.
#include <QAction>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "AppFixture.h"
#include "DocumentText.h"
#include "LargeText.h"
#include "LargeTextView.h"
#include "ScriptHighlighter.h"

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

QString Pos(CTextPos pos)
{
    return QStringLiteral("%1,%2").arg(pos.line).arg(pos.column);
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
        const auto cased = QTextDocument::FindCaseSensitively;
        const auto back = QTextDocument::FindBackward;
        // Each search, from where, how, and where the match starts ({-1, -1}: none).
        // Backward finds the last match that starts before the position.
        const std::tuple<QString, CTextPos, QTextDocument::FindFlags, CTextPos> cases[] = {
            {"reg1", {}, {}, {0, 5}},
            {"reg1", {0, 6}, {}, {1, 5}},
            {"reg1", {0, 6}, QTextDocument::FindWholeWords, {2, 0}},
            {"wait", {}, cased, {1, 0}},
            {"A", {2, 0}, cased, {3, 0}}, // the trail byte of "ア" is an 'A' byte
            {"ア", {}, {}, {2, 5}},
            {"REG1", {2, 0}, back | cased, {0, 5}},
            {"REG1", {0, 9}, back | cased, {0, 5}},
            {"REG1", {0, 5}, back | cased, {-1, -1}},
            {"reg", {2, 1}, back, {2, 0}},
            {"zzz", {}, {}, {-1, -1}},
            {"", {}, {}, {-1, -1}},
            {"Wait", {0, 1}, cased, {-1, -1}},
        };
        for (const auto& [needle, from, flags, expected] : cases) {
            CTextPos start{-1, -1};
            CTextPos end{-1, -1};
            QCOMPARE(text.Find(needle, from, flags, start, end), expected.line >= 0);
            QCOMPARE(start, expected);
            if (expected.line >= 0)
                QCOMPARE(end, (CTextPos{start.line, start.column + int(needle.size())}));
        }
    }

    void KeysAndTheMouseMoveTheCaretAndExtendTheSelection()
    {
        CLargeTextView view;
        view.resize(400, 200);
        view.SetText(Text("abc\r\nd\x87\x90\x65\r\n\r\nlast"));
        // After each key, click or selection: the anchor, the caret, the caret's line,
        // the selected text and the status bar's line text; and each copyAvailable.
        QStringList steps;
        QString lineText;
        connect(&view, &CLargeTextView::copyAvailable, &view,
                [&steps](bool yes) { steps << QStringLiteral("copy available %1").arg(yes); });
        connect(&view, &CLargeTextView::CaretLineText, &view,
                [&lineText](const QString& text) { lineText = text; });
        auto step = [&](const QString& what) {
            steps << what + ": " + Pos(view.Anchor()) + " - " + Pos(view.Caret()) + " line " +
                         QString::number(view.CaretLine()) + " \"" + view.SelectedText() + "\" [" +
                         lineText + "]";
        };
        auto keys = [&](std::initializer_list<QKeyCombination> combinations) {
            for (const QKeyCombination key : combinations) {
                QTest::keyClick(&view, key.key(), key.keyboardModifiers());
                step(QKeySequence(key).toString());
            }
        };
        keys({Qt::Key_Right, Qt::Key_Right, Qt::SHIFT | Qt::Key_Down});
        // A character with its selector is one step of the caret; Right first drops the
        // selection at its end, then crosses the line break.
        view.SetSelection({1, 1}, {1, 1});
        step(QStringLiteral("select 1,1"));
        keys({Qt::SHIFT | Qt::Key_Right, Qt::Key_Left, Qt::SHIFT | Qt::Key_End, Qt::Key_Right,
              Qt::Key_Right, Qt::CTRL | Qt::SHIFT | Qt::Key_End, Qt::CTRL | Qt::Key_Home,
              Qt::Key_PageDown, Qt::CTRL | Qt::Key_A});

        // The mouse: a double-click takes a word, a drag selects from press to release.
        auto at = [&view](int line, int x) {
            return QPoint(x, 4 + line * view.LineHeight() + view.LineHeight() / 2);
        };
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at(3, 6));
        step(QStringLiteral("double-click"));
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(3, 1));
        QTest::mouseMove(view.viewport(), at(0, 200));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(0, 200));
        step(QStringLiteral("drag"));
        COMPARE_GOLDEN(steps.join('\n') + '\n', "large-text-keys");
    }

    void CopyGivesBothFormsAndTheEditorsKeysEditsAndGutterLeaveAsSignalsOrCommands()
    {
        // In a window whose commands have keys: paste and cut stay the window's, copy is
        // the view's; the editor's keys, edits and gutter clicks leave as signals.
        QWidget window;
        auto* view = new CLargeTextView(&window);
        view->resize(300, 200);
        QStringList seen;
        const std::pair<QString, QList<QKeySequence>> commands[] = {
            {"paste", {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}},
            {"cut", {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete}},
            {"copy", {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}}};
        for (const auto& [name, keys] : commands) {
            auto* action = new QAction(name, &window);
            action->setShortcuts(keys);
            window.addAction(action);
            connect(action, &QAction::triggered, &window, [&seen, name] { seen << name; });
        }
        connect(view, &CLargeTextView::RunRequested, view, [&seen] { seen << "run"; });
        connect(view, &CLargeTextView::StepRequested, view,
                [&seen](int line) { seen << QStringLiteral("step %1").arg(line); });
        connect(view, &CLargeTextView::StopRequested, view, [&seen] { seen << "stop"; });
        connect(view, &CLargeTextView::BreakpointToggleRequested, view,
                [&seen](int line) { seen << QStringLiteral("toggle %1").arg(line); });
        connect(view, &CLargeTextView::EditRequested, view, [&seen](QEvent* event) {
            if (event->type() == QEvent::KeyPress)
                seen << QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()).toString();
            else
                seen << static_cast<QInputMethodEvent*>(event)->commitString();
        });
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
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Insert, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);

        view->SetText(Text("WAIT 0\r\nWAIT 1\r\nWAIT 2\r\nWAIT 3"));
        view->SetBreakpointSource([] { return std::vector<int>{2}; });
        // Backspace at the start, Delete at the end, moves, copy and the window's debug
        // run (Ctrl+F5) and undo (Alt+Backspace) change nothing.
        QTest::keyClick(view, Qt::Key_Backspace);
        QTest::keyClick(view, Qt::Key_F5);
        QTest::keyClick(view, Qt::Key_F5, Qt::ControlModifier);
        view->SetSelection({3, 2}, {1, 0});
        for (const QKeyCombination key :
             {QKeyCombination(Qt::Key_F7), QKeyCombination(Qt::Key_Escape),
              QKeyCombination(Qt::Key_Down), QKeyCombination(Qt::Key_End), Qt::CTRL | Qt::Key_End,
              QKeyCombination(Qt::Key_Delete), Qt::CTRL | Qt::Key_C, Qt::ALT | Qt::Key_Backspace,
              QKeyCombination(Qt::Key_X), QKeyCombination(Qt::Key_Return),
              QKeyCombination(Qt::Key_Backspace), QKeyCombination(Qt::Key_Tab)})
            QTest::keyClick(view, key.key(), key.keyboardModifiers());
        QInputMethodEvent composing(QStringLiteral("か"), {});
        QApplication::sendEvent(view, &composing);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("漢"));
        QApplication::sendEvent(view, &commit);
        QCOMPARE(view->Text()->Bytes(), std::string("WAIT 0\r\nWAIT 1\r\nWAIT 2\r\nWAIT 3"));
        QCOMPARE(view->Caret(), (CTextPos{3, 6}));

        // The disc is on line 2's row; a click on that row asks to toggle line 2.
        const int row = view->LineHeight();
        const int middle = 4 + 2 * row + row / 2;
        const QImage gutter = view->Gutter()->grab().toImage();
        QVERIFY(RowHolds(gutter, middle, CTavimoreView::BreakpointColor().rgb()));
        QVERIFY(!RowHolds(gutter, middle - row, CTavimoreView::BreakpointColor().rgb()));
        QTest::mouseClick(view->Gutter(), Qt::LeftButton, {}, QPoint(5, middle));
        QTest::mouseClick(view->Gutter(), Qt::LeftButton, {}, QPoint(5, 4 + 9 * row));
        QCOMPARE(seen, (QStringList{"paste", "paste", "cut", "run", "step 1", "stop", "X", "Return",
                                    "Backspace", "Tab", "漢", "toggle 2"}));
    }

    void APaintDecodesOnlyTheLinesOnScreenAndALongLineIsDrawnInParts()
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

        // Line 0 is long enough to be drawn a part at a time, line 1 is its first part;
        // coloured and scrolled to the middle of that half, the two rows must match pixel
        // for pixel.
        QString digits;
        for (int i = 0; i < 400; ++i)
            digits += QStringLiteral("REG1 D'%1 ").arg(i, 3, 10, QLatin1Char('0'));
        const std::string line = doctext::Encode(digits);
        view.SetHighlighting(true);
        view.SetText(
            std::make_shared<const CLargeText>(line + "\r\n" + line.substr(0, 2000) + "\r\n"));
        view.SetSelection({2, 0}, {2, 0}); // the caret out of the way
        for (int x : {0, 4321, 8888}) {
            view.horizontalScrollBar()->setValue(x);
            QCOMPARE(view.horizontalScrollBar()->value(), x);
            const QImage picture = view.viewport()->grab().toImage();
            const int row = view.LineHeight();
            QCOMPARE(picture.copy(0, 4, picture.width(), row),
                     picture.copy(0, 4 + row, picture.width(), row));
        }
    }

    void TheRightButtonsMenuCopiesAndSelectsAllAsAReadOnlyEditorsDoes()
    {
        // The entries of a read-only text widget's menu, without their key hints.
        QPlainTextEdit editor;
        editor.setReadOnly(true);
        std::unique_ptr<QMenu> standard(editor.createStandardContextMenu());
        QStringList expected;
        for (const char* name : {"edit-copy", "select-all"})
            expected << standard->findChild<QAction*>(name)->text().section(u'\t', 0, 0);

        CLargeTextView view;
        view.SetText(Text("WAIT 1\r\nEND"));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Opens the menu, notes each entry with whether it is enabled, and picks one.
        auto choose = [&view](int entry) {
            QStringList seen;
            QTimer::singleShot(0, &view, [&seen, entry] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (menu == nullptr) return;
                for (QAction* action : menu->actions())
                    seen << action->text() + (action->isEnabled() ? "" : " (off)");
                menu->actions().at(entry)->trigger();
                menu->close();
            });
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    view.viewport()->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(view.viewport(), &click);
            return seen;
        };
        QCOMPARE(choose(1), (QStringList{expected[0] + " (off)", expected[1]}));
        QCOMPARE(view.SelectedText(), QStringLiteral("WAIT 1\nEND"));
        QApplication::clipboard()->clear();
        QCOMPARE(choose(0), expected);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("WAIT 1\nEND"));
    }
};

TAVIMORE_APP_TEST(CLargeTextTests, "LargeText");

#include "LargeTextTests.moc"
