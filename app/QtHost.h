// CQtHost: the host of the editor.
//
// Message boxes are QMessageBoxes without owner: each runs its own event loop while
// the editor stays usable, as a box without owner window does (a second run or step
// started meanwhile is refused by the document). PUMP is QCoreApplication::
// processEvents. The clock, sleeping, sounds, the desktop and the library loader come
// from the platform (Platform.h).
//
// Stopping a runaway script: the run loop asks PollStop every few statements. At most
// every 50 ms the host then processes the waiting events with a filter that lets
// through only repaints and the like, a click on the Stop button and the Esc key;
// every other input is dropped, so a script that never pumps can still be stopped
// but nothing else can happen under it. Sleeps run in slices of 50 ms with the same
// check between them.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "Host.h"
#include "Platform.h"
#include "QtMediaServices.h"

class CQtHost final : public CHost {
public:
    CQtHost();
    ~CQtHost() override;
    CQtHost(const CQtHost&) = delete;
    CQtHost& operator=(const CQtHost&) = delete;

    // ---- What the editor tells the host
    void SetMainWindow(QWidget* frame);
    // The editor view: the parent of windows the script opens inside the editor.
    void SetViewWidget(QWidget* view);
    QWidget* ViewWidget() const { return m_pView; }
    // The Stop button, the one control that works while a script runs without pumping.
    void SetStopButton(QWidget* button) { m_pStopButton = button; }
    // A stop was asked for (the Stop command) while a run is in progress.
    void NoteStopRequest() { m_bStopWanted = true; }
    // Forgets a stop request; called before every run.
    void ResetStop() { m_bStopWanted = false; }
    // The device library choice: "system", "sim", "none" or a path.
    void SetLibraryChoice(DeviceLibrary which, std::string choice);

    // Answers message boxes instead of showing them (tests).
    using MessageHook = std::function<MessageAnswer(const QString& text, const QString& caption,
                                                    MessageButtons buttons)>;
    void SetMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }

    // A box without owner, modal only for the caller: it runs its own event loop and
    // leaves every other window usable. Also used for the texts other programs send.
    static MessageAnswer RunMessageBox(const QString& text, const QString& caption,
                                       MessageButtons buttons);

    // ---- CHost
    MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                              MessageButtons buttons) override;
    void ShowAppMessage(std::string_view text) override;
    void PumpMessages() override;
    bool PollStop() override;
    uint32_t GetTickCount() override;
    bool Sleep(uint32_t milliseconds) override;
    bool GetLowPowerTimeout(uint32_t& seconds) override;
    void SetLowPowerTimeout(uint32_t seconds) override;
    CLibraryLoader* Loader() override { return m_pLoader.get(); }
    std::string LibraryFile(DeviceLibrary which) override;
    CDesktopServices* Desktop() override { return m_pDesktop.get(); }
    // The media windows: children of the view, or full screen.
    CMediaServices* Media() override;
    void PlaySound(std::string_view file) override;

    // How often the stop check really looks at the event queue.
    static constexpr uint32_t kStopCheckInterval = 50;

private:
    // Processes waiting events through the stop-only filter; true when a stop is due.
    bool CheckStop();
    bool TakeStop();
    // The desktop's SHOW and HIDE: through Qt, so that Qt's own idea of the window's
    // visibility stays true (hiding it behind Qt's back would leave the widget
    // believing it is still shown).
    void ShowFrame(bool show);

    QPointer<QWidget> m_pView;
    QPointer<QWidget> m_pMainWindow;
    QPointer<QWidget> m_pStopButton;
    bool m_bStopWanted = false;
    uint64_t m_nLastCheck = 0;
    bool m_bChecking = false;
    std::string m_strPortsChoice = "system";
    std::string m_strFtdiChoice = "system";
    MessageHook m_messageHook;
    std::unique_ptr<CLibraryLoader> m_pLoader = platform::CreateLibraryLoader();
    std::unique_ptr<platform::CPlatformDesktop> m_pDesktop = platform::CreateDesktop(
        {.consoleIsTerminal = false, .showMainWindow = [this](bool show) { ShowFrame(show); }});
    std::unique_ptr<CSoundService> m_pSound = platform::CreateSound();
    std::unique_ptr<CQtMediaServices> m_pMedia;
};
