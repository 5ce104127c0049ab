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
// through only repaints and the like, a click on the Stop button and the Esc key.
// Every other input is held, in order, and delivered when the script pumps (PUMP,
// WAITPUMP), as the input of a window waits in its queue until someone pumps; so a
// script that never pumps can still be stopped but nothing else happens under it.
// Input still held when the run ends is dropped (but for mouse-button releases, so
// that no control stays pressed): the run's output replaces the text it was typed
// into. Shortcut keys held this way arrive as plain keys. Sleeps run in slices of
// 50 ms with the same check between them.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Host.h"
#include "Platform.h"
#include "QtMediaServices.h"

class QMessageBox;

// Window flags of a box or dialog of fixed size: a title and a close button, no
// maximise or minimise button.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

// Keeps a top-level window above the main window (a transient window of it, as the
// window manager sees it) without making the main window its parent widget.
void KeepAboveMainWindow(QWidget* window, QWidget* mainWindow);

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
    // Called when a run or step has ended: drops the input held for the next pump.
    void EndRun();
    // Input events held since the last pump.
    size_t HeldInputCount() const { return m_held.size(); }
    // The device library choice: "system", "sim", "none" or a path.
    void SetLibraryChoice(DeviceLibrary which, std::string choice);

    // Answers message boxes instead of showing them (tests).
    using MessageHook = std::function<MessageAnswer(const QString& text, const QString& caption,
                                                    MessageButtons buttons)>;
    void SetMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }
    // Shows a note (the status bar): after a device library is refused, the cause the
    // environment check finds.
    void SetFailureNote(std::function<void(const QString&)> note)
    {
        m_failureNote = std::move(note);
    }

    // A box without owner, modal only for the caller: it runs its own event loop and
    // leaves every other window usable. Given a main window, the box stays above it.
    static MessageAnswer RunMessageBox(const QString& text, const QString& caption,
                                       MessageButtons buttons, QWidget* mainWindow = nullptr);
    // The same box, made but not shown; the caller owns it.
    static QMessageBox* MakeMessageBox(const QString& text, const QString& caption,
                                       MessageButtons buttons, QWidget* mainWindow = nullptr);

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
    // Input events held between two pumps; later ones are dropped.
    static constexpr size_t kMostHeldInput = 4096;

    // An input event that waits for the next pump, and the object it was sent to.
    struct HeldEvent {
        QPointer<QObject> target;
        std::unique_ptr<QEvent> event;
    };

private:
    // Processes waiting events through the stop-only filter; true when a stop is due.
    bool CheckStop();
    bool TakeStop();
    void DeliverHeldInput();
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
    std::vector<HeldEvent> m_held;
    std::string m_strPortsChoice = "system";
    std::string m_strFtdiChoice = "system";
    MessageHook m_messageHook;
    std::function<void(const QString&)> m_failureNote;
    void NoteFailureCause(std::string_view text);
    std::unique_ptr<CLibraryLoader> m_pLoader = platform::CreateLibraryLoader();
    std::unique_ptr<platform::CPlatformDesktop> m_pDesktop = platform::CreateDesktop(
        {.consoleIsTerminal = false, .showMainWindow = [this](bool show) { ShowFrame(show); }});
    std::unique_ptr<CSoundService> m_pSound = platform::CreateSound();
    std::unique_ptr<CQtMediaServices> m_pMedia;
};
