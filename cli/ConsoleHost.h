// The host of tavimore-run: a program without a window.
//
// Message boxes become lines on standard error, in UTF-8, and boxes that ask are
// answered from the --answer list (then OK). Ctrl+C is a stop request: the first one
// stops the run after its statement (sleeps end at once); a second one ends the
// program. The desktop instructions reach the real desktop (the display named by
// $DISPLAY, if any); the console of opencon is the program's controlling terminal, and
// there is no main window for WINDOW and layer to act on.
#pragma once

#include <deque>
#include <string>

#include "DlLoader.h"
#include "Host.h"
#include "LinuxDesktop.h"

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
    CLibraryLoader* Loader() override { return &m_loader; }
    std::string LibraryFile(DeviceLibrary which) override;
    CProcessorPorts* ProcessorPorts() override;
    CDesktopServices* Desktop() override { return &m_desktop; }

private:
    std::deque<MessageAnswer> m_answers;
    std::string m_strPortsFile;
    std::string m_strFtdiFile;
    CDlLoader m_loader;
    CLinuxDesktop m_desktop;
};
