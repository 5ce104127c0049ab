#include "Console.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "Spawn.h"

namespace {

constexpr int kTerminalFd = 3;          // the descriptor the emulator is told about
constexpr int kTerminalStartMs = 10000; // bound on the emulator's start
constexpr int kTerminalEndMs = 1000;

} // namespace

CLinuxConsole::CLinuxConsole(ConsoleKind kind, std::vector<std::string> terminalCommand,
                             std::string controllingTerminal)
    : m_kind(kind), m_terminalCommand(std::move(terminalCommand)),
      m_strControllingTerminal(std::move(controllingTerminal))
{
}

CLinuxConsole::~CLinuxConsole()
{
    Close();
}

bool CLinuxConsole::Open()
{
    if (m_fd >= 0) return false;
    if (m_kind == ConsoleKind::ControllingTerminal) {
        m_fd = open(m_strControllingTerminal.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        return m_fd >= 0;
    }
    return OpenWindow();
}

bool CLinuxConsole::OpenWindow()
{
    if (m_terminalCommand.empty()) return false;
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return false;
    char name[128];
    int terminal = -1;
    if (grantpt(master) == 0 && unlockpt(master) == 0 && ptsname_r(master, name, sizeof name) == 0)
        terminal = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        close(master);
        return false;
    }
    // The emulator first reports its window on the line; no echo, so that the report
    // does not show up in the window.
    termios modes{};
    if (tcgetattr(terminal, &modes) == 0) {
        modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
        tcsetattr(terminal, TCSANOW, &modes);
    }

    std::vector<std::string> argv = m_terminalCommand;
    argv.push_back("-S" + std::string(name) + "/" + std::to_string(kTerminalFd));
    pid_t pid = 0;
    bool started = SpawnProcess(argv, SpawnGroup::NewProcessGroup, pid, master, kTerminalFd);
    close(master);
    if (!started) {
        close(terminal);
        return false;
    }

    // Wait (bounded) for the report line, so that the window is up when the statement
    // ends; an emulator that ends instead has failed.
    long long deadline = MonotonicMs() + kTerminalStartMs;
    bool ready = false;
    std::string report;
    while (!ready) {
        long long left = deadline - MonotonicMs();
        if (left <= 0) break; // slow to report: the window may still come
        pollfd p{terminal, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left < 100 ? left : 100));
        if (r > 0 && (p.revents & POLLIN)) {
            char buffer[64];
            ssize_t n = read(terminal, buffer, sizeof buffer);
            if (n > 0) report.append(buffer, static_cast<size_t>(n));
            ready = report.find('\n') != std::string::npos;
            continue;
        }
        if (ReapIfEnded(pid)) {
            close(terminal);
            return false;
        }
        if (r > 0) SleepMs(10); // hung up: the emulator is on its way out
    }
    fcntl(terminal, F_SETFL, fcntl(terminal, F_GETFL) | O_NONBLOCK);
    m_fd = terminal;
    m_terminal = pid;
    return true;
}

void CLinuxConsole::Write(std::string_view text)
{
    if (m_fd < 0) return;
    while (!text.empty()) {
        ssize_t n = write(m_fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // a full or vanished terminal: the text is dropped
        text.remove_prefix(static_cast<size_t>(n));
    }
}

void CLinuxConsole::Close()
{
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    if (m_terminal > 0) {
        // The emulator ends when its terminal is closed; one that stays is ended.
        if (!WaitForEnd(m_terminal, kTerminalEndMs)) EndProcess(m_terminal, kTerminalEndMs);
        m_terminal = 0;
    }
}
