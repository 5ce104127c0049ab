#include "DesktopFixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "Spawn.h"

extern char** environ;

namespace {

// Reads from fd until a line break (or the end) arrives, at most timeoutMs.
bool ReadLine(int fd, std::string& line, int timeoutMs)
{
    long long deadline = MonotonicMs() + timeoutMs;
    line.clear();
    for (;;) {
        long long left = deadline - MonotonicMs();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char c;
        ssize_t n = read(fd, &c, 1);
        if (n <= 0) return false;
        if (c == '\n') return true;
        line += c;
    }
}

// Starts argv in a process group of its own, with standard input and output on
// /dev/null and fd (when not -1) handed over as descriptor passAs. The child is tied to
// this process: it gets SIGTERM when the test process ends in any way, also when it is
// killed, so that no X server, window manager or bus outlives the test that started it.
bool StartTied(const std::vector<std::string>& argv, pid_t& pid, int fd = -1, int passAs = -1)
{
    if (argv.empty()) return false;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int report[2]; // carries errno of a failed exec, closed unread by a successful one
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127); // the test ended before the tie was made
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int s = 1; s < NSIG; ++s)
            signal(s, SIG_DFL);
        if (fd >= 0 && passAs >= 0) {
            if (fd == passAs) {
                fcntl(fd, F_SETFD, 0);
            } else {
                dup2(fd, passAs);
            }
        }
        int null = open("/dev/null", O_RDWR | O_CLOEXEC); // after passAs is taken
        for (int target = 0; target <= 2; ++target)
            if (target != passAs) dup2(null, target);
        execvp(args[0], args.data());
        int error = errno;
        ssize_t written = write(report[1], &error, sizeof error);
        (void)written;
        _exit(127);
    }
    close(report[1]);
    int error = 0;
    ssize_t n;
    do
        n = read(report[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    close(report[0]);
    if (n > 0) {
        waitpid(child, nullptr, 0);
        return false;
    }
    pid = child;
    return true;
}

// Starts argv with fd handed over as descriptor 3 (for -displayfd, --print-address).
bool StartWithPipe(const std::vector<std::string>& argv, pid_t& pid, int& readEnd)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    bool started = StartTied(argv, pid, fds[1], 3);
    close(fds[1]);
    if (!started) {
        close(fds[0]);
        return false;
    }
    readEnd = fds[0];
    return true;
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

} // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    long long deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (MonotonicMs() >= deadline) return false;
        SleepMs(20);
    }
}

std::string Capture(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    int* status, std::string* standardError)
{
    // Extra entries go through env(1), which sets them over this process's environment.
    std::vector<std::string> command;
    if (!env.empty()) command.push_back("env");
    command.insert(command.end(), env.begin(), env.end());
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (const std::string& a : command)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    std::string text, errors;
    if (spawned == 0) {
        long long deadline = MonotonicMs() + 20000;
        bool outOpen = true, errOpen = true;
        while ((outOpen || errOpen) && MonotonicMs() < deadline) {
            pollfd p[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
            if (poll(p, 2, 100) <= 0) continue;
            char buffer[4096];
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
                ssize_t n = read(p[i].fd, buffer, sizeof buffer);
                if (n > 0)
                    (i == 0 ? text : errors).append(buffer, static_cast<size_t>(n));
                else
                    (i == 0 ? outOpen : errOpen) = false;
            }
        }
        int code = -1;
        long long end = MonotonicMs() + 2000;
        for (;;) {
            int st = 0;
            pid_t r = waitpid(pid, &st, WNOHANG);
            if (r == pid) {
                code = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
                break;
            }
            if (MonotonicMs() >= end) {
                EndProcess(pid, 500);
                break;
            }
            SleepMs(5);
        }
        if (status != nullptr) *status = code;
    } else if (status != nullptr) {
        *status = -1;
    }
    close(out[0]);
    close(err[0]);
    if (standardError != nullptr) *standardError = errors;
    return text;
}

std::vector<long long> StatFields(const std::string& stat)
{
    std::vector<long long> fields;
    size_t close = stat.rfind(')'); // the name before it may hold anything
    if (close == std::string::npos) return fields;
    std::istringstream in(stat.substr(close + 2));
    std::string state;
    in >> state;
    for (long long v; fields.size() < 4 && in >> v;)
        fields.push_back(v);
    return fields;
}

bool IsOurDescendant(pid_t pid)
{
    const pid_t self = getpid();
    // The parent chain ends at process 1; its length bounds the walk against a chain
    // that changes under it.
    for (int depth = 0; pid > 1 && pid != self && depth < 64; ++depth) {
        auto fields = StatFields(ReadFile("/proc/" + std::to_string(pid) + "/stat"));
        if (fields.empty()) return false;
        if (fields[0] == self) return true;
        pid = static_cast<pid_t>(fields[0]);
    }
    return false;
}

bool CChild::Start(const std::vector<std::string>& argv)
{
    Stop();
    return StartTied(argv, m_pid);
}

void CChild::Stop()
{
    if (m_pid > 0) EndProcess(m_pid, 2000);
    m_pid = 0;
}

bool CChild::Running()
{
    if (m_pid <= 0) return false;
    if (!ReapIfEnded(m_pid)) return true;
    m_pid = 0;
    return false;
}

CXServer::~CXServer()
{
    m_wm.Stop();
    if (m_xvfb > 0) EndProcess(m_xvfb, 2000);
}

bool CXServer::Start(std::string& why)
{
    int fd = -1;
    if (!StartWithPipe({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
                        "tcp", "-noreset"},
                       m_xvfb, fd)) {
        why = "Xvfb cannot be started (is the xvfb package installed?)";
        return false;
    }
    std::string number;
    bool ok = ReadLine(fd, number, 15000) && !number.empty();
    close(fd);
    if (!ok) {
        why = "Xvfb started but reported no display within 15 s";
        EndProcess(m_xvfb, 1000);
        m_xvfb = 0;
        return false;
    }
    m_strDisplay = ":" + number;
    setenv("DISPLAY", m_strDisplay.c_str(), 1);
    return true;
}

bool CXServer::StartWindowManager(std::string& why)
{
    if (!m_wm.Start({"openbox", "--sm-disable"})) {
        why = "openbox cannot be started (is the openbox package installed?)";
        return false;
    }
    // Ready once it has published its check window and the stacking list.
    bool ready = WaitUntil(
        [] {
            return Capture({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id #") !=
                       std::string::npos &&
                   Capture({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}).find("not found") ==
                       std::string::npos;
        },
        15000);
    if (!ready) {
        why = "openbox did not take over the display within 15 s";
        return false;
    }
    // Those properties come before openbox has finished starting, and a window mapped
    // in between can stay unmanaged for good: on a busy machine a test's first window
    // stayed out of the client list for 10 s and more (about one start in fifty). Ready
    // once a probe window is managed; a probe that is not, within a while, is replaced.
    const long long deadline = MonotonicMs() + 20000;
    while (MonotonicMs() < deadline) {
        CChild probe;
        if (!probe.Start({TAVIMORE_TEST_WINDOW, "--title", "tavimore probe"})) {
            why = "the probe window cannot be started";
            return false;
        }
        if (WaitUntil([] { return !XpropClients().empty(); }, 3000)) {
            probe.Stop();
            if (WaitUntil([] { return XpropClients().empty(); }, 5000)) return true;
        }
    }
    why = "openbox did not manage a window within 20 s";
    return false;
}

std::vector<uint32_t> XpropClients()
{
    std::string text = Capture({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"});
    std::vector<uint32_t> windows;
    size_t hash = text.find('#');
    if (hash == std::string::npos) return windows;
    for (std::string word : Words(text.substr(hash + 1))) {
        if (!word.empty() && word.back() == ',') word.pop_back();
        windows.insert(windows.begin(), static_cast<uint32_t>(std::stoul(word, nullptr, 16)));
    }
    return windows;
}

std::string XpropValue(uint32_t window, const std::string& property)
{
    std::string text =
        Capture({"xprop", "-id", "0x" + Hex8(window), "-notype", property}, {"LC_ALL=C.UTF-8"});
    size_t equals = text.find(" = ");
    if (equals == std::string::npos) return {};
    std::string value = text.substr(equals + 3);
    while (!value.empty() && value.back() == '\n')
        value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string XpropTitle(uint32_t window)
{
    std::string title = XpropValue(window, "_NET_WM_NAME");
    return title.empty() ? XpropValue(window, "WM_NAME") : title;
}

uint32_t WaitForWindow(const std::string& title)
{
    uint32_t found = 0;
    WaitUntil([&] {
        for (uint32_t w : XpropClients())
            if (XpropTitle(w) == title) found = w;
        return found != 0;
    });
    return found;
}

std::string Hex8(uint32_t window)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", window);
    return text;
}

CPrivateBus::~CPrivateBus()
{
    m_logind.Stop();
    if (m_daemon > 0) EndProcess(m_daemon, 2000);
}

bool CPrivateBus::Start(const std::string& folder, std::string& why, const std::string& canPowerOff)
{
    int fd = -1;
    if (!StartWithPipe({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                        "--address=unix:path=" + folder + "/bus", "--print-address=3"},
                       m_daemon, fd)) {
        why = "dbus-daemon cannot be started (is the dbus-daemon package installed?)";
        return false;
    }
    bool ok = ReadLine(fd, m_strAddress, 15000) &&
              m_strAddress.rfind("unix:path=" + folder + "/bus", 0) == 0;
    close(fd);
    if (!ok) {
        why = "dbus-daemon reported no address of our private bus";
        m_strAddress.clear();
        return false;
    }
    m_strRecord = folder + "/logind-calls";
    if (!m_logind.Start({TAVIMORE_MOCK_LOGIND, m_strAddress, m_strRecord, canPowerOff}) ||
        !WaitUntil([&] { return ReadFile(m_strRecord).rfind("ready\n", 0) == 0; })) {
        why = "the stand-in logind did not take its name on the private bus";
        m_strAddress.clear();
        return false;
    }
    return true;
}

std::string CPrivateBus::Calls() const
{
    std::string text = ReadFile(m_strRecord);
    return text.rfind("ready\n", 0) == 0 ? text.substr(6) : text;
}
