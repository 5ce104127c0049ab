#include "Spawn.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/securebits.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

#include <cerrno>
#include <cstdlib>

#include "Elevation.h"

extern char** environ;

namespace {

// The file that execvp would run for this name: the name itself when it has a slash,
// else the first executable file of that name in PATH. Found before the fork, since
// the child may call only async-signal-safe functions.
std::string FindProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t colon = folders.find(':', start);
        if (colon == std::string::npos) colon = folders.size();
        std::string folder = folders.substr(start, colon - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = colon + 1;
    }
    return {};
}

// In the child, before exec: gives up what the program may hold for port access. Port
// permissions of ioperm and iopl survive exec, so they are dropped always. When the
// program runs elevated, the child also goes back to the user's own identity and gives
// up every capability, also those root would regain at exec. Returns 0 or an errno.
int DropPrivileges(bool elevated)
{
#if defined(__x86_64__) || defined(__i386__)
    ioperm(0, 0x10000, 0); // fails only where the kernel has no port permissions at all
    iopl(0);
#endif
    if (!elevated) return 0;
    const gid_t gid = getgid();
    const uid_t uid = getuid();
    if (setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0) return errno;
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    if (uid == 0 && prctl(PR_SET_SECUREBITS, SECBIT_NOROOT | SECBIT_NOROOT_LOCKED, 0, 0, 0) != 0)
        return errno;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capset, &header, none) != 0) return errno;
    return 0;
}

[[noreturn]] void RunChild(const std::string& program, char* const* args, SpawnGroup group,
                           bool elevated, int passFd, int passAs, int report)
{
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP) sigaction(signal, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    int error = 0;
    if (group == SpawnGroup::NewSession ? setsid() < 0 : setpgid(0, 0) != 0) error = errno;
    if (error == 0 && passFd >= 0 && passAs >= 0 && dup2(passFd, passAs) < 0) error = errno;
    for (int fd = 0; error == 0 && fd <= 2; ++fd) {
        if (fd == passAs) continue;
        int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null < 0 || (null != fd && dup2(null, fd) < 0)) error = errno;
        if (null > 2) close(null);
    }
    if (error == 0) error = DropPrivileges(elevated);
    if (error == 0) {
        execve(program.c_str(), args, environ);
        error = errno;
    }
    ssize_t ignored = write(report, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

} // namespace

bool SpawnProcess(const std::vector<std::string>& argv, SpawnGroup group, pid_t& pid, int passFd,
                  int passAs)
{
    if (argv.empty() || argv[0].empty()) return false;
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) return false;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const bool elevated = ProcessIsElevated();

    // A descriptor that already has the target number keeps its close-on-exec flag
    // through dup2: move it out of the way first.
    int moved = -1;
    if (passFd >= 0 && passFd == passAs) {
        moved = fcntl(passFd, F_DUPFD_CLOEXEC, passAs + 1);
        passFd = moved;
    }
    // The child reports through this pipe why it could not run the program; a
    // successful exec closes it unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        if (moved >= 0) close(moved);
        return false;
    }
    const pid_t child = fork();
    if (child == 0) RunChild(program, args.data(), group, elevated, passFd, passAs, report[1]);
    close(report[1]);
    if (moved >= 0) close(moved);
    if (child < 0) {
        close(report[0]);
        return false;
    }
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

bool ReapIfEnded(pid_t pid)
{
    int status = 0;
    pid_t r;
    do
        r = waitpid(pid, &status, WNOHANG);
    while (r < 0 && errno == EINTR);
    return r == pid || (r < 0 && errno == ECHILD);
}

bool WaitForEnd(pid_t pid, int timeoutMs)
{
    long long deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        if (ReapIfEnded(pid)) return true;
        if (MonotonicMs() >= deadline) return false;
        SleepMs(10);
    }
}

void EndProcess(pid_t pid, int graceMs)
{
    if (pid <= 0 || ReapIfEnded(pid)) return;
    kill(pid, SIGTERM);
    if (WaitForEnd(pid, graceMs)) return;
    kill(pid, SIGKILL);
    WaitForEnd(pid, 2000);
}

void SleepMs(int milliseconds)
{
    timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
