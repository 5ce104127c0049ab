// The host of tavimore-run: a program without a window.
//
// Message boxes become lines on standard error, in UTF-8, and boxes that ask are
// answered from the --answer list (then OK). Ctrl+C is a stop request: the first one
// stops the run after its statement (sleeps end at once); a second one ends the
// program. The desktop instructions reach the real desktop (the display named by
// $DISPLAY, if any); the console of opencon is the program's controlling terminal, and
// there is no main window for WINDOW and layer to act on. Sounds play as in the
// editor, each noted on standard error; a media "window" plays only the sound of its
// file, since there is no window to show it in.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "Host.h"
#include "Platform.h"

// Media windows without a window: each plays the sound track of its file, if the file
// has one the sound player can read, and says on standard error what became of it:
// `Media "<file>" -> played as sound` or `Media "<file>" -> not shown (no window)`.
class CConsoleMedia final : public CMediaServices {
public:
    explicit CConsoleMedia(CSoundService& sound) : m_sound(sound) {}
    std::uintptr_t CreateMediaWindow(std::string_view file, MediaPlacement placement,
                                     int32_t width, int32_t height) override;
    void PlayMedia(std::uintptr_t window) override;
    void CloseMediaWindow(std::uintptr_t window) override;

private:
    struct CEntry {
        std::string file;   // as the script named it (cp932)
        uint32_t sound = 0; // the sound playing, or 0
    };
    CSoundService& m_sound;
    std::map<std::uintptr_t, CEntry> m_windows;
    std::uintptr_t m_nNext = 1;
};

class CConsoleHost final : public CHost {
public:
    // answers: for the boxes that ask; portsFile and ftdiFile: the device libraries.
    CConsoleHost(std::deque<MessageAnswer> answers, std::string portsFile, std::string ftdiFile);

    // Installs the Ctrl+C handler; the handler only sets a flag.
    static void InstallInterruptHandler();

    MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                              MessageButtons buttons) override;
    void ShowAppMessage(std::string_view text) override;
    void PumpMessages() override {}
    bool PollStop() override;
    uint32_t GetTickCount() override;
    bool Sleep(uint32_t milliseconds) override;
    // The X display's DPMS time-out when $DISPLAY names one; otherwise none.
    bool GetLowPowerTimeout(uint32_t& seconds) override;
    void SetLowPowerTimeout(uint32_t seconds) override;
    CLibraryLoader* Loader() override { return m_pLoader.get(); }
    std::string LibraryFile(DeviceLibrary which) override;
    // Notes `Sound "<file>"` on standard error and starts the sound.
    void PlaySound(std::string_view file) override;
    CMediaServices* Media() override { return &m_media; }

    // Waits until the sounds still playing have ended; Ctrl+C ends the wait.
    void WaitForSounds();
    CDesktopServices* Desktop() override { return m_pDesktop.get(); }

private:
    std::deque<MessageAnswer> m_answers;
    std::string m_strPortsFile;
    std::string m_strFtdiFile;
    std::unique_ptr<CLibraryLoader> m_pLoader = platform::CreateLibraryLoader();
    std::unique_ptr<CSoundService> m_pSound = platform::CreateSound();
    CConsoleMedia m_media{*m_pSound};
    // The console of opencon is the controlling terminal; the main window is none.
    std::unique_ptr<platform::CPlatformDesktop> m_pDesktop =
        platform::CreateDesktop({.consoleIsTerminal = true, .showMainWindow = {}});
};
