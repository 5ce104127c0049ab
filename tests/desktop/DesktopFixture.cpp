#include "DesktopFixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "Spawn.h"

namespace {

// Starts argv in a process group of its own, with standard input and output on
// /dev/null and fd (when not -1) handed over as descriptor passAs. The child is tied to
// this process: it gets SIGTERM when the test process ends in any way, also when it is
// killed, so that no X server, window manager or bus outlives the test that started it.
bool StartTied(const std::vector<std::string>& argv, pid_t& pid, int fd = -1, int passAs = -1)
{
    std::vector<std::string> tied = {"setpriv", "--pdeathsig", "TERM", "--"};
    tied.insert(tied.end(), argv.begin(), argv.end());
    return SpawnProcess(tied, SpawnGroup::NewProcessGroup, pid, fd, passAs);
}

// Starts argv tied to this process with a file as descriptor 3, and reads the first
// line the program writes there (-displayfd, --print-address), waiting at most 15 s.
bool StartAndReadLine(const std::vector<std::string>& argv, pid_t& pid, std::string& line)
{
    CTempDir dir;
    const int fd = open(dir.File("line").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool started = StartTied(argv, pid, fd, 3);
    close(fd);
    line.clear();
    if (!started ||
        !WaitUntil([&] { return ReadFile(dir.File("line")).find('\n') != std::string::npos; },
                   15000))
        return false;
    line = ReadFile(dir.File("line"));
    line.resize(line.find('\n'));
    return !line.empty();
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
    // Through sh: env(1) sets the extra entries over this process's environment, and
    // timeout(1) bounds the wait.
    CTempDir dir;
    std::string command = "timeout -k 2 20 env";
    for (const std::vector<std::string>* words : {&env, &argv})
        for (const std::string& word : *words) {
            command += " '";
            for (char c : word)
                command += c == '\'' ? std::string("'\\''") : std::string(1, c);
            command += '\'';
        }
    command += " </dev/null 2>" + dir.File("stderr");
    FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    for (size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int code = pipe == nullptr ? -1 : pclose(pipe);
    if (status != nullptr)
        *status = code == -1 ? -1 : WIFEXITED(code) ? WEXITSTATUS(code) : 128 + WTERMSIG(code);
    if (standardError != nullptr) *standardError = ReadFile(dir.File("stderr"));
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
    std::string number;
    if (!StartAndReadLine({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
                           "tcp", "-noreset"},
                          m_xvfb, number)) {
        why = "Xvfb reported no display within 15 s (is the xvfb package installed?)";
        return false;
    }
    m_strDisplay = ":" + number;
    setenv("DISPLAY", m_strDisplay.c_str(), 1);
    return true;
}

bool CXServer::StartWindowManager(std::string& why)
{
    if (!m_wm.Start({"openbox", "--sm-disable"})) {
        why = "openbox cannot be started";
        return false;
    }
    // Its root properties come before openbox has finished starting, and a window mapped
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
    why = "openbox did not manage a window within 20 s (is the openbox package installed?)";
    return false;
}

std::vector<uint32_t> XpropClients()
{
    std::string text = Capture({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"});
    std::vector<uint32_t> windows;
    size_t hash = text.find('#');
    if (hash == std::string::npos) return windows;
    std::istringstream words(text.substr(hash + 1));
    for (std::string word; words >> word;) {
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

CPrivateBus::~CPrivateBus()
{
    m_logind.Stop();
    if (m_daemon > 0) EndProcess(m_daemon, 2000);
}

bool CPrivateBus::Start(const std::string& folder, std::string& why, const std::string& canPowerOff)
{
    if (!StartAndReadLine({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                           "--address=unix:path=" + folder + "/bus", "--print-address=3"},
                          m_daemon, m_strAddress) ||
        m_strAddress.rfind("unix:path=" + folder + "/bus", 0) != 0) {
        why = "dbus-daemon reported no address of our private bus (is the dbus-daemon "
              "package installed?)";
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
