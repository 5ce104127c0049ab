// The editor as the tests drive it: a whole CTavimoreApp on the offscreen platform,
// with message boxes and file questions answered by the test. The test files include
// this header alone for what they share, Qt Test and the widgets most of them read.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <memory>
#include <string>

#include "AppTests.h"
#include "Commands.h"
#include "MainFrame.h"
#include "OptionDialog.h"
#include "QtHost.h"
#include "RecentFiles.h"
#include "TavimoreApp.h"
#include "TavimoreDoc.h"
#include "TavimoreView.h"
#include "TestSupport.h"

// A folder for the test's files, removed afterwards, and a file in it.
QString TestFolder();
inline QString TestFile(const QString& name)
{
    return TestFolder() + QLatin1Char('/') + name;
}
// The shared whole-file reads and writes, for the editor's paths: a missing file reads
// as "<missing>", and a write is true when the file then holds the bytes.
inline std::string ReadBytes(const QString& path)
{
    return QFile::exists(path) ? ReadFile(QFile::encodeName(path).toStdString()) : "<missing>";
}
inline bool WriteBytes(const QString& path, const std::string& bytes)
{
    WriteFile(QFile::encodeName(path).toStdString(), bytes);
    return ReadBytes(path) == bytes;
}

class CAppFixture {
public:
    explicit CAppFixture(const QStringList& arguments = {});

    CTavimoreApp& App() { return *m_pApp; }
    CMainFrame& Frame() { return *m_pApp->MainFrame(); }
    CTavimoreView& View() { return *m_pApp->MainFrame()->View(); }
    CTavimoreDoc& Doc() { return *m_pApp->Document(); }
    CScriptEngine& Engine() { return m_pApp->Document()->Engine(); }

    // Replaces the editor text as typing would leave it ('\n' between lines).
    void SetText(const QString& text) { View().setPlainText(text); }
    QString Text() { return Doc().Text(); }
    // Puts the caret at the start of a 0-based line.
    void PutCaret(int line);
    int CaretLine() { return View().CaretLine(); }
    // A key pressed in the editor; a command chosen; a step (F7) of a 0-based line.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(&View(), key, modifiers);
    }
    void Trigger(cmd::Id id) { Frame().Action(id)->trigger(); }
    void Step(int line)
    {
        PutCaret(line);
        Key(Qt::Key_F7);
    }
    // Writes the bytes to the file and opens it; false when either fails.
    bool OpenBytes(const QString& path, const std::string& bytes)
    {
        return WriteBytes(path, bytes) && App().OpenDocumentFile(path);
    }
    // Replaces the text and runs it with F5.
    void Run(const QString& text)
    {
        SetText(text);
        Key(Qt::Key_F5);
    }
    // What the dialog bar's REGL display shows.
    QString RegL() { return Frame().RegLDisplay()->text(); }

    // Every message box, "caption|text", in order; answers come from `answer`.
    QStringList boxes;
    std::function<MessageAnswer(const QString&, const QString&)> answer;
    // File errors reported to the user.
    QStringList errors;

private:
    std::unique_ptr<CTavimoreApp> m_pApp;
};

// The base of a test class whose every test function starts with a fresh editor.
class CAppTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_pFixture = std::make_unique<CAppFixture>(); }
    void cleanup() { m_pFixture.reset(); }

protected:
    std::unique_ptr<CAppFixture> m_pFixture;
};

// The y of a line's row, in the view's and the gutter's coordinates; whether that
// row of the gutter's picture holds the colour anywhere.
int RowY(CTavimoreView& view, int line);
bool GutterRowHolds(CTavimoreView& view, int y, const QColor& colour);

// The expected text of golden/NAME.out beside these tests; with TAVIMORE_UPDATE_GOLDEN=1
// the actual text is written there first. The macro compares line by line, so that a
// failure shows the first line that differs.
QString Golden(const QString& name, const QString& actual);
#define COMPARE_GOLDEN(actual, name)                                                               \
    do {                                                                                           \
        const QString text = (actual);                                                             \
        QCOMPARE(text.split('\n'), Golden(QStringLiteral(name), text).split('\n'));                \
    } while (false)

// The message boxes on the screen.
QList<QMessageBox*> VisibleBoxes();

// Once the caller's modal loop is running: `act` on the modal window, if it is a T.
template <class T, class F> void WhenModal(F act)
{
    QTimer::singleShot(0, [act] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) act(window);
    });
}

// Forgets every setting the editor keeps between sessions.
inline void ForgetEditorSettings()
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, CRecentFileList::OrganizationKey(),
              QStringLiteral("Tavimore"))
        .clear();
}
