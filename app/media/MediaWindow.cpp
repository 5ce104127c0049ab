#include "MediaWindow.h"

#include <QAudioOutput>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMediaPlayer>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

CMediaWindow::CMediaWindow(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);

    // Children go in the order they were made, so the player goes before the outputs
    // it renders into. (An explicit stop() first would wait up to a second for the
    // pipeline.)
    m_pPlayer = new QMediaPlayer(this);
    m_pAudio = new QAudioOutput(this);
    m_pPlayer->setAudioOutput(m_pAudio);
    m_pVideo = new QVideoWidget(this);
    m_pPlayer->setVideoOutput(m_pVideo);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(m_pVideo, 1);
    CreatePlayBar();

    // Player errors are not shown: a file that cannot be played leaves the picture empty.
    connect(m_pPlayer, &QMediaPlayer::playbackStateChanged, this, &CMediaWindow::UpdatePlayButton);
}

void CMediaWindow::CreatePlayBar()
{
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(2, 2, 2, 2);
    bar->setSpacing(4);

    m_pPlayButton = new QToolButton(this);
    m_pPlayButton->setAutoRaise(true);
    connect(m_pPlayButton, &QToolButton::clicked, this, [this] {
        if (m_pPlayer->playbackState() == QMediaPlayer::PlayingState)
            m_pPlayer->pause();
        else
            Play();
    });
    bar->addWidget(m_pPlayButton);

    m_pPosition = new QSlider(Qt::Horizontal, this);
    m_pPosition->setToolTip(tr("位置"));
    m_pPosition->setRange(0, 0);
    connect(m_pPlayer, &QMediaPlayer::durationChanged, this,
            [this](qint64 duration) { m_pPosition->setRange(0, static_cast<int>(duration)); });
    connect(m_pPlayer, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        if (!m_pPosition->isSliderDown()) m_pPosition->setValue(static_cast<int>(position));
    });
    connect(m_pPosition, &QSlider::sliderMoved, m_pPlayer,
            [this](int position) { m_pPlayer->setPosition(position); });
    bar->addWidget(m_pPosition, 1);

    static_cast<QVBoxLayout*>(layout())->addLayout(bar);
    UpdatePlayButton();
}

void CMediaWindow::UpdatePlayButton()
{
    const bool playing = m_pPlayer->playbackState() == QMediaPlayer::PlayingState;
    m_pPlayButton->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_pPlayButton->setToolTip(playing ? tr("一時停止") : tr("再生"));
}

void CMediaWindow::SetFile(const QString& path)
{
    m_pPlayer->setSource(QUrl::fromLocalFile(path));
}

void CMediaWindow::Play()
{
    m_pPlayer->play();
}

void CMediaWindow::keyPressEvent(QKeyEvent* event)
{
    if (isWindow() && event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}
