// CLinuxDesktop: the desktop services on a Linux desktop (X11 or XWayland).
//
// Programs start through SpawnProcess, their command line split into words as a shell
// would but with no shell run; a command for the command interpreter runs under
// /bin/sh -c in a session of its own with no terminal. Every program gets /dev/null
// for its standard input and output and its own process group, so it neither writes
// into the application's output nor dies of the terminal's Ctrl+C, and it keeps
// running after the statement and after the application. Children are reaped as
// they end.
//
// A window belongs to a launched program when its owner is the program or a process
// of the program's process group (the group the launch created), so a window opened
// by a command that /bin/sh runs for EXECD counts as the command's.
//
// Both hosts use it: tavimore-run with the console on its controlling terminal, the
// editor with a console window and its main window named by SetMainWindow. A host
// whose toolkit has to know shows and hides its main window itself (showMainWindow).
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Console.h"
#include "Platform.h"
#include "Spawn.h"
#include "X11Windows.h"

struct CLinuxDesktopOptions {
    ConsoleKind console = ConsoleKind::TerminalWindow;
    std::vector<std::string> terminalCommand = {"xterm", "-T", "Tavimore", "-geometry", "80x25"};
    std::string controllingTerminal = "/dev/tty";
    // Candidates for terminate and notepat, in order: the first one found in PATH that
    // starts is used, with the file added as its last argument.
    std::vector<std::vector<std::string>> textEditors = DefaultTextEditors();
    std::string textEditorFile;   // empty: autoexec.bak in the user's home folder
    int idleTimeoutMs = 10000;    // bound on waiting for a started program to be ready
    std::string displayName;      // empty: $DISPLAY
    std::string systemBusAddress; // empty: the system bus
    int powerOffTimeoutMs = 5000;
    // How the host shows and hides its main window; empty: by its X11 window id.
    std::function<void(bool show)> showMainWindow;

    static std::vector<std::vector<std::string>> DefaultTextEditors();
};

class CLinuxDesktop final : public platform::CPlatformDesktop {
public:
    explicit CLinuxDesktop(CLinuxDesktopOptions options = {});
    ~CLinuxDesktop() override;

    // The application's main window (an X11 window id; 0: none).
    void SetMainWindow(uint32_t window) override { m_nMainWindow = window; }

    bool Launch(std::string_view commandLine, const CStartupInfo& si, LaunchKind kind,
                CProcessInformation& pi) override;
    void WaitForInputIdle(const CProcessInformation& pi) override;
    void CloseProcess(CProcessInformation& pi) override;
    bool StartTextEditor(CProcessInformation& pi) override;
    void TerminateProcess(const CProcessInformation& pi) override;

    int CollectWindows(uint32_t* list, int capacity) override;
    bool IsWindowOfProcess(uint32_t window, const CProcessInformation& pi) override;
    std::string WindowTitle(uint32_t window) override;
    void CloseWindow(uint32_t window) override;
    void SetWindowOpacity(uint32_t window, uint8_t alpha) override;
    uint32_t MainWindow() override { return m_nMainWindow; }
    void ShowMainWindow(bool show) override;

    bool AllocConsole() override;
    void WriteConsole(std::string_view text) override;
    void FreeConsole() override;

    void PowerOff() override;

private:
    bool Start(const std::vector<std::string>& argv, SpawnGroup group, CProcessInformation& pi);
    bool StillRunning(pid_t pid);
    void ReapEnded();
    std::string TextEditorFile() const;

    CLinuxDesktopOptions m_options;
    CX11Windows m_windows;
    CLinuxConsole m_console;
    uint32_t m_nMainWindow = 0;
    // Started programs not yet reaped. While a number is here it names our child and
    // cannot be reused, so signalling it is safe.
    std::set<pid_t> m_children;
};
