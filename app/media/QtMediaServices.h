// CQtMediaServices: the media windows of the editor, on Qt Multimedia.
//
// A window in the view is a child of the editor view at the view's top-left corner,
// either the view's size or a size the script gives; a full-screen window is a window
// of its own covering the primary screen, and the main window is minimised. Each
// window gets a handle from 1 on that is never reused; the windows close on
// CloseMediaWindow, when the view goes away (children), or when the service does.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>

#include "MediaServices.h"

class CMediaWindow;

class CQtMediaServices final : public CMediaServices {
public:
    // view: the parent of the windows in the view; mainWindow: minimised for
    // full-screen playback.
    CQtMediaServices(QWidget* view, QWidget* mainWindow);
    ~CQtMediaServices() override;
    CQtMediaServices(const CQtMediaServices&) = delete;
    CQtMediaServices& operator=(const CQtMediaServices&) = delete;

    std::uintptr_t CreateMediaWindow(std::string_view file, MediaPlacement placement, int32_t width,
                                     int32_t height) override;
    void PlayMedia(std::uintptr_t window) override;
    void CloseMediaWindow(std::uintptr_t window) override;

    // The window with this handle, or null when there is none (any more).
    CMediaWindow* Window(std::uintptr_t window) const;
    // Whether any window is playing. The picture moves only while the user-interface
    // thread handles events, so a host that sleeps while this holds should keep
    // handling the events that are not user input.
    bool IsPlaying() const;

    // The largest width and height a window in the view is given; larger sizes are
    // cut to it (the view shows only its own part of the window anyway).
    static constexpr int kLargestSize = 8192;

private:
    QPointer<QWidget> m_pView;
    QPointer<QWidget> m_pMainWindow;
    std::map<std::uintptr_t, QPointer<CMediaWindow>> m_windows;
    std::uintptr_t m_nNext = 1;
};
