#include "QtMediaServices.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QScreen>
#include <algorithm>

#include "MediaWindow.h"
#include "Platform.h"

CQtMediaServices::CQtMediaServices(QWidget* view, QWidget* mainWindow)
    : m_pView(view), m_pMainWindow(mainWindow)
{
}

CQtMediaServices::~CQtMediaServices()
{
    for (auto& [handle, window] : m_windows)
        delete window.data();
}

std::uintptr_t CQtMediaServices::CreateMediaWindow(std::string_view file, MediaPlacement placement,
                                                   int32_t width, int32_t height)
{
    const bool fullScreen = placement == MediaPlacement::FullScreen;
    if (!fullScreen && m_pView.isNull()) return 0;

    auto* window = new CMediaWindow(fullScreen ? nullptr : m_pView.data());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->SetFile(QFileInfo(QString::fromStdString(ScriptFilePath(file))).absoluteFilePath());

    switch (placement) {
    case MediaPlacement::FillView:
        window->setGeometry(0, 0, m_pView->width(), m_pView->height());
        window->show();
        break;
    case MediaPlacement::Sized:
        window->setGeometry(0, 0, std::clamp(width, 0, kLargestSize),
                            std::clamp(height, 0, kLargestSize));
        window->show();
        break;
    case MediaPlacement::FullScreen: {
        window->setWindowFlag(Qt::FramelessWindowHint);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            window->setGeometry(screen->geometry());
        window->showFullScreen();
        if (m_pMainWindow) m_pMainWindow->showMinimized();
        break;
    }
    }
    window->raise();

    const std::uintptr_t handle = m_nNext++;
    m_windows[handle] = window;
    return handle;
}

CMediaWindow* CQtMediaServices::Window(std::uintptr_t window) const
{
    auto found = m_windows.find(window);
    return found == m_windows.end() ? nullptr : found->second.data();
}

bool CQtMediaServices::IsPlaying() const
{
    for (const auto& [handle, window] : m_windows)
        if (window && window->Player()->playbackState() == QMediaPlayer::PlayingState) return true;
    return false;
}

void CQtMediaServices::PlayMedia(std::uintptr_t window)
{
    if (CMediaWindow* media = Window(window)) media->Play();
}

void CQtMediaServices::CloseMediaWindow(std::uintptr_t window)
{
    auto found = m_windows.find(window);
    if (found == m_windows.end()) return;
    if (CMediaWindow* media = found->second.data()) media->close();
    m_windows.erase(found);
}
