// The document's bytes through the editor and back: nothing may be lost.
#include <QMenu>
#include <QMimeData>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

#include "AppFixture.h"
#include "DocumentText.h"
#include "UiTexts.h"

using doctext::Decode;
using doctext::Encode;
using doctext::LineBreaks;

namespace {

std::string AllBytes()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

// Every lead byte with every possible second byte, each pair followed by a space so
// that the pairs do not run into each other.
std::string AllPairs()
{
    std::string bytes;
    for (int lead = 0x80; lead < 0x100; ++lead) {
        for (int trail = 0; trail < 0x100; ++trail) {
            bytes += static_cast<char>(lead);
            bytes += static_cast<char>(trail);
            bytes += ' ';
        }
    }
    return bytes;
}

} // namespace

class CFilesTest final : public CAppTest {
    Q_OBJECT
private slots:
    void EveryByteAndPairRoundTrips()
    {
        std::vector<std::string> texts{AllBytes(), AllPairs()};
        for (int i = 0; i < 256; ++i)
            texts.emplace_back(1, static_cast<char>(i));
        for (LineBreaks breaks : {LineBreaks::CrLf, LineBreaks::Lf})
            for (const std::string& text : texts)
                QCOMPARE(Encode(Decode(text, breaks), breaks), text);
    }

    void CharactersAreTheOnesCp932Means()
    {
        QCOMPARE(Decode(Sj("テスト 漢字 ｶﾅ ①")), QStringLiteral("テスト 漢字 ｶﾅ ①"));
        QCOMPARE(Encode(QStringLiteral("テスト\n２行目")), Sj("テスト\r\n２行目"));
        // A code that is another code of its character (NEC row 13, the NEC-selected
        // IBM rows, IBM codes in FA) is that character with a selector after it; the
        // character alone is the code Windows prefers.
        // (髙 and ≒ of other codes go through the editor in the editor's tests.)
        QCOMPARE(Decode("\xFA\x5C"), QStringLiteral("纊"));
        QCOMPARE(Decode("\xED\x40"), QStringLiteral("纊\uFE00"));
        // ¬ has two other codes, in code order.
        QCOMPARE(Decode("\x81\xCA\xEE\xF9\xFA\x54"), QStringLiteral("￢￢\uFE00￢\uFE01"));
        // A selector that picks nothing has no code and is left out.
        QCOMPARE(Encode(QStringLiteral("a\uFE00b\uFE01")), std::string("ab"));
        int variants = 0;
        for (int lead = 0x81; lead < 0x100; ++lead) {
            for (int trail = 0x40; trail < 0x100; ++trail) {
                const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
                const QString text = Decode(code);
                if (text.size() != 2 || !doctext::IsVariantSelector(text[1])) continue;
                ++variants;
                QVERIFY(text[0].unicode() < 0xE000 || text[0].unicode() >= 0xF900);
                QCOMPARE(Encode(text), code);
            }
        }
        QCOMPARE(variants, 398);
        // A character cp932 lacks is stored as '?', as the edit control stores it.
        QCOMPARE(Encode(QStringLiteral("a\u00E9b\U0001F600c")), std::string("a?b?c"));
    }

    void LineBreaksOfEitherKind()
    {
        QCOMPARE(doctext::DetectLineBreaks("a\r\nb\nc"), LineBreaks::CrLf);
        QCOMPARE(doctext::DetectLineBreaks("a\nb"), LineBreaks::Lf);
        QCOMPARE(doctext::DetectLineBreaks("ab"), LineBreaks::CrLf);
        // A lone CR or LF that is not the document's line break stays in its line.
        QCOMPARE(Decode("a\nb\r\nc\rd").count(QLatin1Char('\n')), 1);
        QCOMPARE(Decode("a\nb\rc", LineBreaks::Lf).count(QLatin1Char('\n')), 1);
    }

    void FilesSaveBackByteForByteOrWithTheirLineBreaks()
    {
        const std::pair<const char*, std::string> cases[] = {
            {"every-byte.tvm", AllBytes() + "\r\n" + AllPairs()},
            {"lf-only.tvm", "WAIT 1\n/ \x82\xA0\nL'A\n"},
            {"not-cp932.tvm", std::string("\x80\xFF\xFD\x81\r\n\x85\x40 \xA0\r\r\n\n", 18)},
            {"empty.tvm", ""},
        };
        for (const auto& [name, bytes] : cases) {
            const QString path = TestFile(QLatin1String(name));
            QVERIFY(m_pFixture->OpenBytes(path, bytes));
            QVERIFY(!m_pFixture->Doc().IsModified());
            QVERIFY(m_pFixture->App().OnFileSave());
            QCOMPARE(ReadBytes(path), bytes);
            QVERIFY(m_pFixture->errors.isEmpty());
        }

        // An edited file keeps its line breaks.
        const QString path = TestFile(QStringLiteral("edited-lf.tvm"));
        QVERIFY(m_pFixture->OpenBytes(path, "A\nB\n"));
        m_pFixture->PutCaret(2);
        QTest::sendKeyEvent(QTest::Click, &m_pFixture->View(), Qt::Key_unknown,
                            QStringLiteral("テ"), Qt::NoModifier);
        QVERIFY(m_pFixture->Doc().IsModified());
        QVERIFY(m_pFixture->App().OnFileSave());
        QCOMPARE(ReadBytes(path), "A\nB\n" + Sj("テ"));
        // The engine sees CR LF whatever the file holds.
        QCOMPARE(m_pFixture->Doc().EngineText(), "A\r\nB\r\n" + Sj("テ"));
    }

    void FailedSavesLeaveTheOldFileAndSayWhy()
    {
        // A failed save keeps the file as it was and the text modified, and says why once.
        const auto refused = [this](const QString& path, bool saved, const std::string& kept) {
            QVERIFY(!saved);
            QCOMPARE(kept, std::string("old\r\n"));
            QCOMPARE(m_pFixture->errors.size(), 1);
            QVERIFY(m_pFixture->errors[0].contains(path));
            QVERIFY(m_pFixture->Doc().IsModified());
        };
        const QString path = TestFile(QStringLiteral("kept.tvm"));
        QVERIFY(m_pFixture->OpenBytes(path, "old\r\n"));
        m_pFixture->SetText(QString(64 * 1024, QLatin1Char('x')));
        QTest::keyClick(&m_pFixture->View(), 'y');
        // Writes beyond 16 KiB fail (the limit holds for root as well).
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 16 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = m_pFixture->App().OnFileSave();
        setrlimit(RLIMIT_FSIZE, &old);
        refused(path, saved, ReadBytes(path));
        QCOMPARE(QDir(TestFolder()).entryList({QStringLiteral("kept.tvm*")}, QDir::Files).size(),
                 1);

        // A folder that does not exist: nothing is written.
        m_pFixture->errors.clear();
        const QString missing = TestFile(QStringLiteral("missing/new.tvm"));
        m_pFixture->App().SetSaveAsName([missing] { return missing; });
        QVERIFY(!m_pFixture->App().OnFileSaveAs());
        QCOMPARE(m_pFixture->errors.size(), 1);
        QVERIFY(m_pFixture->errors[0].contains(missing));

        // A full disk, on a small file system of its own (mounting one needs root).
        m_pFixture->errors.clear();
        const QString folder = TestFile(QStringLiteral("small-disk"));
        QDir().mkpath(folder);
        const QByteArray mountPoint = QFile::encodeName(folder);
        if (mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no tmpfs can be mounted here (needs root)");
        const QString full = folder + QStringLiteral("/full.tvm");
        const bool opened = m_pFixture->OpenBytes(full, "old\r\n");
        m_pFixture->SetText(QString(256 * 1024, QLatin1Char('x')));
        QTest::keyClick(&m_pFixture->View(), 'y');
        const bool fullSaved = opened && m_pFixture->App().OnFileSave();
        const std::string kept = ReadBytes(full);
        umount(mountPoint.constData());
        QVERIFY(opened);
        refused(full, fullSaved, kept);
        QVERIFY2(m_pFixture->errors[0].contains(ui::kDiskFull), qPrintable(m_pFixture->errors[0]));
    }

    void AFileThatCannotBeOpenedIsNamedOnceAndEndsOnlyAStart()
    {
        // In the editor: the text stays.
        m_pFixture->SetText(QStringLiteral("kept"));
        QVERIFY(!m_pFixture->App().OpenDocumentFile(TestFile(QStringLiteral("nothing-here.tvm"))));
        QCOMPARE(m_pFixture->errors.size(), 1);
        QVERIFY(m_pFixture->errors[0].contains(QStringLiteral("nothing-here.tvm")));
        QCOMPARE(m_pFixture->Text(), QStringLiteral("kept"));

        // On the command line: the application ends.
        m_pFixture.reset();
        CTavimoreApp app;
        QStringList errors;
        app.SetErrorReport([&errors](const QString& text) { errors << text; });
        QString error = QStringLiteral("unchanged");
        const QString missing = TestFile(QStringLiteral("not-there.tvm"));
        QVERIFY(!app.InitInstance({QStringLiteral("--ports"), QStringLiteral("none"),
                                   QStringLiteral("--ftdi"), QStringLiteral("none"), missing},
                                  error));
        // Told once, in the box; nothing more for the command line to print.
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].contains(QStringLiteral("not-there.tvm")));
        QVERIFY(error.isEmpty());
        QVERIFY(!app.MainFrame()->isVisible());
    }

    void RecentFilesKeepSixNewestFirstAndDroppedFilesOpen()
    {
        QStringList paths;
        for (int i = 0; i < 7; ++i) {
            paths << TestFile(QStringLiteral("recent%1.tvm").arg(i));
            QVERIFY(m_pFixture->OpenBytes(paths.last(), "/ recent\r\n"));
        }
        // Reopening an older one moves it to the top.
        QVERIFY(m_pFixture->App().OpenDocumentFile(paths[3]));
        const QStringList expected = {paths[3], paths[6], paths[5], paths[4], paths[2], paths[1]};
        QCOMPARE(m_pFixture->App().RecentFiles().Paths(), expected);

        // Kept in the settings under the application's key, File1 newest.
        QSettings settings(
            QSettings::NativeFormat, QSettings::UserScope,
            QStringLiteral("アプリケーション ウィザードで生成されたローカル アプリケーション"),
            QStringLiteral("Tavimore"));
        QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(), paths[3]);
        QCOMPARE(settings.value(QStringLiteral("Recent File List/File6")).toString(), paths[1]);

        // The File menu lists them in place of the greyed place holder.
        QStringList shown;
        for (QAction* action : m_pFixture->Frame().FileMenu()->actions())
            if (action->text().startsWith(QLatin1Char('&'))) shown << action->text();
        QCOMPARE(shown.size(), 6);
        QCOMPARE(shown[0], QStringLiteral("&1 ") + paths[3]);
        QVERIFY(!m_pFixture->Frame().RecentPlaceholder()->isVisible());

        // A new editor reads the list; a file that has gone leaves it when chosen.
        m_pFixture.reset();
        QFile::remove(paths[6]);
        m_pFixture = std::make_unique<CAppFixture>();
        QCOMPARE(m_pFixture->App().RecentFiles().Paths(), expected);
        QVERIFY(!m_pFixture->App().OpenDocumentFile(paths[6]));
        QVERIFY(!m_pFixture->App().RecentFiles().Paths().contains(paths[6]));

        // Files dropped on the window are opened, the last one shown.
        const QString a = TestFile(QStringLiteral("dropped-a.tvm"));
        const QString b = TestFile(QStringLiteral("dropped-b.tvm"));
        QVERIFY(WriteBytes(a, "A"));
        QVERIFY(WriteBytes(b, "B"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&m_pFixture->Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m_pFixture->Frame(), &drop);
        QCOMPARE(m_pFixture->Text(), QStringLiteral("B"));
        QCOMPARE(m_pFixture->App().RecentFiles().Paths().mid(0, 2), (QStringList{b, a}));
    }
};

TAVIMORE_APP_TEST(CFilesTest, "Files");

#include "TextTests.moc"
