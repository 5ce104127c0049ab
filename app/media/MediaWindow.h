// CMediaWindow: one media file in a bordered window with a play bar.
//
// The picture (QVideoWidget) fills the window above a play bar of a play/pause button
// and a position slider that also seeks. There is no menu and no way to open another
// file: the window plays the file it was made for. A file that cannot be opened
// leaves the picture empty and shows no message; a sound file shows an empty picture
// above a working play bar.
#pragma once

#include <QFrame>

class QAudioOutput;
class QMediaPlayer;
class QSlider;
class QToolButton;
class QVideoWidget;

class CMediaWindow final : public QFrame {
    Q_OBJECT
public:
    explicit CMediaWindow(QWidget* parent = nullptr);

    // The file to play (a local path).
    void SetFile(const QString& path);
    // Starts playback; after the end it starts again from the beginning.
    void Play();

    QMediaPlayer* Player() const { return m_pPlayer; }
    QVideoWidget* Video() const { return m_pVideo; }
    QToolButton* PlayButton() const { return m_pPlayButton; }
    QSlider* PositionSlider() const { return m_pPosition; }

protected:
    // Escape closes a window of its own on the desktop (full-screen playback), which
    // has no frame to close it with.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreatePlayBar();
    void UpdatePlayButton();

    QMediaPlayer* m_pPlayer = nullptr;
    QAudioOutput* m_pAudio = nullptr;
    QVideoWidget* m_pVideo = nullptr;
    QToolButton* m_pPlayButton = nullptr;
    QSlider* m_pPosition = nullptr;
};
