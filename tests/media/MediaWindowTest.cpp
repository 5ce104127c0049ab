// The editor's media windows under the offscreen platform: where each MCI form puts
// its window, which window MCIPLAY, MCICLOSE and the stop request reach, and the
// player reaching the playing state for the example clip.
#include <QMediaPlayer>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QVideoWidget>

#include "MediaWindow.h"
#include "QtMediaServices.h"
#include "ScriptEngine.h"
#include "TestHost.h"

namespace {

// The recording host with the editor's media windows in place of the recorded ones.
class CQtTestHost final : public CTestHost {
public:
    explicit CQtTestHost(CMediaServices& services) : m_services(services) {}
    CMediaServices* Media() override { return &m_services; }

private:
    CMediaServices& m_services;
};

const QString kClip = QStringLiteral(TAVIMORE_EXAMPLES_DIR "/clip.ogv");

} // namespace

class MediaWindowTest : public QObject {
    Q_OBJECT

private:
    QWidget* m_pMain = nullptr;
    QWidget* m_pView = nullptr;
    CQtMediaServices* m_pServices = nullptr;
    CQtTestHost* m_pHost = nullptr;
    CScriptEngine* m_pEngine = nullptr;

    void Run(const char* utf8Script) { RunUtf8(*m_pEngine, utf8Script); }

private slots:
    void init()
    {
        // A stand-in main window with a stand-in editor view inside.
        m_pMain = new QWidget;
        m_pMain->resize(640, 480);
        m_pView = new QWidget(m_pMain);
        m_pView->setGeometry(10, 40, 600, 400);
        m_pMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pMain));
        m_pServices = new CQtMediaServices(m_pView, m_pMain);
        m_pHost = new CQtTestHost(*m_pServices);
        m_pEngine = new CScriptEngine(*m_pHost);
    }

    void cleanup()
    {
        delete m_pEngine;
        delete m_pHost;
        delete m_pServices;
        delete m_pMain;
    }

    void eachFormPlacesItsWindowAndMciCloseClosesOnlyTheNewest()
    {
        Run("MCI clip.ogv\nMCI clip.ogv 320 240\nMCI clip.ogv 10 D'-5\nMCI no-such-clip.ogv");
        CMediaWindow* window = m_pServices->Window(1);
        QVERIFY(window);
        QCOMPARE(window->parentWidget(), m_pView);
        QCOMPARE(window->geometry(), QRect(0, 0, 600, 400));
        QVERIFY(window->isVisible());
        QVERIFY(window->frameShape() == QFrame::Box && window->lineWidth() == 1);
        QVERIFY(window->PlayButton() && window->PositionSlider());
        QVERIFY(!m_pMain->isMinimized());
        QCOMPARE(m_pServices->Window(2)->geometry(), QRect(0, 0, 320, 240));
        QCOMPARE(m_pServices->Window(2)->parentWidget(), m_pView);
        // Decimal by default; a negative size is no size.
        QCOMPARE(m_pServices->Window(3)->geometry(), QRect(0, 0, 10, 0));
        // A file that cannot be opened gives an empty window and no message.
        window = m_pServices->Window(4);
        QVERIFY(window && window->isVisible());
        QTRY_VERIFY(window->Player()->error() != QMediaPlayer::NoError ||
                    window->Player()->mediaStatus() == QMediaPlayer::InvalidMedia);
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QMessageBox*>(top) || !top->isVisible());
        QVERIFY(m_pHost->Messages().empty());

        // MCICLOSE closes only the newest window; the stop request after it (and after an
        // MCIPLAY of the closed window) has nothing to close.
        Run("MCICLOSE\nMCIPLAY");
        QVERIFY(!m_pServices->Window(4));
        QTRY_COMPARE(m_pView->findChildren<CMediaWindow*>().size(), qsizetype(3));
        m_pEngine->RequestStop();
        QVERIFY(m_pServices->Window(3) && m_pServices->Window(3)->isVisible());
    }

    void aSecondArgumentPlaysFullScreenAndMinimisesTheMainWindow()
    {
        Run("MCI clip.ogv x");
        CMediaWindow* window = m_pServices->Window(1);
        QVERIFY(window);
        QVERIFY(window->isWindow());
        QVERIFY(window->isFullScreen());
        QTRY_COMPARE(window->geometry(), QGuiApplication::primaryScreen()->geometry());
        QVERIFY(m_pMain->isMinimized());
        // Escape closes the full-screen window, which has no frame of its own.
        QPointer<CMediaWindow> alive(window);
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(alive.isNull());
        QVERIFY(!m_pServices->Window(1));
    }

    void theShippedClipReachesThePlayingState()
    {
        QMediaPlayer probe;
        if (!probe.isAvailable()) QSKIP("Qt Multimedia has no media back end here");
        QVERIFY(QFileInfo::exists(kClip));
        Run(("MCI " + kClip.toStdString()).c_str());
        CMediaWindow* window = m_pServices->Window(1);
        QVERIFY(window);
        QMediaPlayer* player = window->Player();
        QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PlayingState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(player->position() > 0, 5000);
        QVERIFY(m_pServices->IsPlaying());
        QCOMPARE(player->error(), QMediaPlayer::NoError);
        QVERIFY(player->hasVideo());
        QCOMPARE(window->PlayButton()->toolTip(), QStringLiteral("一時停止"));
        QTRY_COMPARE_WITH_TIMEOUT(player->mediaStatus(), QMediaPlayer::EndOfMedia, 10000);
        QVERIFY(!m_pServices->IsPlaying());
        // MCIPLAY after the end plays the clip again from its start.
        Run("MCIPLAY");
        QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PlayingState, 5000);
    }
};

QTEST_MAIN(MediaWindowTest)
#include "MediaWindowTest.moc"
