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
    std::uintptr_t CreateMediaWindow(std::string_view file, MediaPlacement placement, int32_t width,
                                     int32_t height) override;
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

// The desktop services of tavimore-run: the platform's, noting which families a run used
// so that a failure can be explained afterwards.
class CConsoleDesktop final : public CDesktopServices {
public:
    explicit CConsoleDesktop(std::unique_ptr<platform::CPlatformDesktop> desktop)
        : m_pDesktop(std::move(desktop))
    {
    }
    bool Launch(std::string_view commandLine, const CStartupInfo& si, LaunchKind kind,
                CProcessInformation& pi) override
    {
        m_bLaunched = true;
        return m_pDesktop->Launch(commandLine, si, kind, pi);
    }
    void WaitForInputIdle(const CProcessInformation& pi) override
    {
        m_pDesktop->WaitForInputIdle(pi);
    }
    void CloseProcess(CProcessInformation& pi) override { m_pDesktop->CloseProcess(pi); }
    bool StartTextEditor(CProcessInformation& pi) override
    {
        return m_pDesktop->StartTextEditor(pi);
    }
    void TerminateProcess(const CProcessInformation& pi) override
    {
        m_pDesktop->TerminateProcess(pi);
    }
    // The search for the window of a program just started does not count: the program
    // may have no window at all, so finding none is no failure.
    int CollectWindows(uint32_t* list, int capacity) override
    {
        if (!m_bLaunched) windowsUsed = true;
        m_bLaunched = false;
        return m_pDesktop->CollectWindows(list, capacity);
    }
    bool IsWindowOfProcess(uint32_t window, const CProcessInformation& pi) override
    {
        return m_pDesktop->IsWindowOfProcess(window, pi);
    }
    std::string WindowTitle(uint32_t window) override { return m_pDesktop->WindowTitle(window); }
    void CloseWindow(uint32_t window) override
    {
        windowsUsed = true;
        m_pDesktop->CloseWindow(window);
    }
    void SetWindowOpacity(uint32_t window, uint8_t alpha) override
    {
        windowsUsed = true;
        m_pDesktop->SetWindowOpacity(window, alpha);
    }
    uint32_t MainWindow() override { return m_pDesktop->MainWindow(); }
    void ShowMainWindow(bool show) override { m_pDesktop->ShowMainWindow(show); }
    bool AllocConsole() override { return m_pDesktop->AllocConsole(); }
    void WriteConsole(std::string_view text) override { m_pDesktop->WriteConsole(text); }
    void FreeConsole() override { m_pDesktop->FreeConsole(); }
    void PowerOff() override
    {
        powerOffUsed = true;
        m_pDesktop->PowerOff();
    }

    bool windowsUsed = false;
    bool powerOffUsed = false;

private:
    std::unique_ptr<platform::CPlatformDesktop> m_pDesktop;
    bool m_bLaunched = false;
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
    CDesktopServices* Desktop() override { return &m_desktop; }

    // Turns on the explaining lines: when a port, FT245RL, window or power instruction
    // fails for a reason of the system (no privilege, a driver holding the device, no
    // window manager...), one line on standard error names the cause the environment
    // check finds and points to --doctor. Only the system's own libraries are
    // explained; the choices are those of --ports and --ftdi.
    void ExplainFailures(std::string portsChoice, std::string ftdiChoice);
    // After the run: the lines for FT245RL, window and power failures, if any.
    void ExplainAfterRun();

private:
    void Explain(const char* what, const std::string& cause);

    std::deque<MessageAnswer> m_answers;
    std::string m_strPortsFile;
    std::string m_strFtdiFile;
    std::unique_ptr<CLibraryLoader> m_pLoader = platform::CreateLibraryLoader();
    std::unique_ptr<CSoundService> m_pSound = platform::CreateSound();
    CConsoleMedia m_media{*m_pSound};
    // The console of opencon is the controlling terminal; the main window is none.
    CConsoleDesktop m_desktop{
        platform::CreateDesktop({.consoleIsTerminal = true, .showMainWindow = {}})};
    bool m_bExplain = false;
    std::string m_strPortsChoice;
    std::string m_strFtdiChoice;
    bool m_bFtdiUsed = false;
    bool m_bFtdiExplained = false;
};
