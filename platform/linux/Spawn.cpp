#include "Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

bool SpawnProcess(const std::vector<std::string>& argv, SpawnGroup group, pid_t& pid, int passFd,
                  int passAs)
{
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);

    // A descriptor that already has the target number keeps its close-on-exec flag
    // through dup2 on some C libraries: move it out of the way first.
    int moved = -1;
    if (passFd >= 0 && passFd == passAs) {
        moved = fcntl(passFd, F_DUPFD_CLOEXEC, passAs + 1);
        passFd = moved;
    }
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (passFd >= 0 && passAs >= 0) posix_spawn_file_actions_adddup2(&actions, passFd, passAs);

    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (group == SpawnGroup::NewSession) {
        flags |= POSIX_SPAWN_SETSID;
    } else {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    posix_spawnattr_setflags(&attributes, flags);

    int result = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (moved >= 0) close(moved);
    return result == 0;
}

bool ReapIfEnded(pid_t pid)
{
    int status = 0;
    pid_t r;
    do r = waitpid(pid, &status, WNOHANG);
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

long long MonotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void SleepMs(int milliseconds)
{
    timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
