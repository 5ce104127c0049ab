#include "LinuxDesktop.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include "CommandLine.h"
#include "Encoding.h"
#include "LogindPower.h"

namespace {

constexpr int kPollMs = 25;
constexpr int kTerminateGraceMs = 1000;

} // namespace

std::vector<std::vector<std::string>> CLinuxDesktopOptions::DefaultTextEditors()
{
    return {{"gnome-text-editor"}, {"gedit"}, {"kwrite"}, {"kate"},
            {"mousepad"},          {"pluma"}, {"xed"},    {"featherpad"},
            {"leafpad"},           {"geany"}, {"xedit"}};
}

CLinuxDesktop::CLinuxDesktop(CLinuxDesktopOptions options)
    : m_options(std::move(options)), m_windows(m_options.displayName),
      m_console(m_options.console, m_options.terminalCommand, m_options.controllingTerminal)
{
}

CLinuxDesktop::~CLinuxDesktop()
{
    ReapEnded();
}

// ---- Processes

void CLinuxDesktop::ReapEnded()
{
    for (auto it = m_children.begin(); it != m_children.end();)
        it = ReapIfEnded(*it) ? m_children.erase(it) : std::next(it);
}

bool CLinuxDesktop::StillRunning(pid_t pid)
{
    if (m_children.count(pid) == 0) return false;
    if (!ReapIfEnded(pid)) return true;
    m_children.erase(pid);
    return false;
}

bool CLinuxDesktop::Start(const std::vector<std::string>& argv, SpawnGroup group,
                          CProcessInformation& pi)
{
    ReapEnded();
    pid_t pid = 0;
    if (!SpawnProcess(argv, group, pid)) return false;
    m_children.insert(pid);
    pi.dwProcessId = static_cast<uint32_t>(pid);
    pi.hProcess = pid;
    pi.hThread = 0;
    return true;
}

bool CLinuxDesktop::Launch(std::string_view commandLine, const CStartupInfo& si, LaunchKind kind,
                           CProcessInformation& pi)
{
    const std::string line = encoding::Cp932ToUtf8(commandLine);
    std::vector<std::string> argv;
    if (kind == LaunchKind::CommandInterpreter) {
        argv = {"/bin/sh", "-c", line};
    } else if (!SplitCommandLine(line, argv) || argv.empty()) {
        return false;
    }
    // A hidden start, or one in a console of its own, is detached from every terminal.
    const bool detached = kind == LaunchKind::CommandInterpreter || si.Hidden();
    return Start(argv, detached ? SpawnGroup::NewSession : SpawnGroup::NewProcessGroup, pi);
}

void CLinuxDesktop::WaitForInputIdle(const CProcessInformation& pi)
{
    const auto pid = static_cast<pid_t>(pi.dwProcessId);
    // Without a display no program can get a window; there is nothing to wait for.
    if (pid <= 0 || !m_windows.Available()) return;
    const long long deadline = MonotonicMs() + m_options.idleTimeoutMs;
    std::vector<uint32_t> windows(1024);
    for (;;) {
        if (!StillRunning(pid)) return;
        int count = m_windows.Collect(windows.data(), static_cast<int>(windows.size()));
        for (int i = 0; i < count; ++i)
            if (IsWindowOfProcess(windows[static_cast<size_t>(i)], pi)) return;
        if (MonotonicMs() >= deadline) return;
        SleepMs(kPollMs);
    }
}

void CLinuxDesktop::CloseProcess(CProcessInformation& pi)
{
    // The program runs on; it is reaped whenever it has ended by a later call.
    ReapEnded();
    pi = CProcessInformation{};
}

std::string CLinuxDesktop::TextEditorFile() const
{
    if (!m_options.textEditorFile.empty()) return m_options.textEditorFile;
    const char* home = getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "/tmp";
    }
    return std::string(home) + "/autoexec.bak";
}

bool CLinuxDesktop::StartTextEditor(CProcessInformation& pi)
{
    const std::string file = TextEditorFile();
    for (std::vector<std::string> argv : m_options.textEditors) {
        if (argv.empty()) continue;
        argv.push_back(file);
        if (Start(argv, SpawnGroup::NewProcessGroup, pi)) return true;
    }
    return false;
}

void CLinuxDesktop::TerminateProcess(const CProcessInformation& pi)
{
    const auto pid = static_cast<pid_t>(pi.dwProcessId);
    if (m_children.count(pid) == 0) return; // not ours, or already reaped: never signalled
    EndProcess(pid, kTerminateGraceMs);
    m_children.erase(pid);
}

// ---- Windows

int CLinuxDesktop::CollectWindows(uint32_t* list, int capacity)
{
    return m_windows.Collect(list, capacity);
}

bool CLinuxDesktop::IsWindowOfProcess(uint32_t window, const CProcessInformation& pi)
{
    if (pi.dwProcessId == 0) return false;
    const uint32_t owner = m_windows.OwnerProcess(window);
    if (owner == 0) return false;
    if (owner == pi.dwProcessId) return true;
    const pid_t group = getpgid(static_cast<pid_t>(owner));
    return group > 0 && static_cast<uint32_t>(group) == pi.dwProcessId;
}

std::string CLinuxDesktop::WindowTitle(uint32_t window)
{
    return encoding::Utf8ToCp932(m_windows.TitleUtf8(window));
}

void CLinuxDesktop::CloseWindow(uint32_t window)
{
    m_windows.Close(window);
}

void CLinuxDesktop::SetWindowOpacity(uint32_t window, uint8_t alpha)
{
    m_windows.SetOpacity(window, alpha);
}

void CLinuxDesktop::ShowMainWindow(bool show)
{
    if (m_options.showMainWindow)
        m_options.showMainWindow(show);
    else if (m_nMainWindow != 0)
        m_windows.Show(m_nMainWindow, show);
}

// ---- Console and power

bool CLinuxDesktop::AllocConsole()
{
    return m_console.Open();
}

void CLinuxDesktop::WriteConsole(std::string_view text)
{
    m_console.Write(text);
}

void CLinuxDesktop::FreeConsole()
{
    m_console.Close();
}

void CLinuxDesktop::PowerOff()
{
    RequestPowerOff(m_options.systemBusAddress, m_options.powerOffTimeoutMs);
}
