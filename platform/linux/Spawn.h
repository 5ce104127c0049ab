// Starting and reaping the application's child processes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "Platform.h"

enum class SpawnGroup {
    NewProcessGroup, // a group of its own, so the terminal's Ctrl+C does not reach it
    NewSession,      // a session of its own, with no controlling terminal
};

// Starts argv[0] (looked up in PATH when it has no slash) with argv, the application's
// environment and working directory, standard input, output and error on /dev/null,
// and every signal at its default. passFd, when not -1, is handed to the child as
// descriptor passAs. The child never keeps the port permissions the port-access
// library obtained, and when the program runs elevated (Elevation.h) it runs with the
// user's own identity and no capability. Returns false when the program cannot be
// started.
bool SpawnProcess(const std::vector<std::string>& argv, SpawnGroup group, pid_t& pid,
                  int passFd = -1, int passAs = -1);

// Reaps the child if it has ended: true when it has (it must then not be signalled
// again: its number may be reused), false while it runs.
bool ReapIfEnded(pid_t pid);

// Waits up to timeoutMs for the child to end, reaping it; true when it ended.
bool WaitForEnd(pid_t pid, int timeoutMs);

// Asks the child to end (SIGTERM), and makes it end (SIGKILL) when it has not within
// graceMs; reaps it. Nothing for a child already reaped.
void EndProcess(pid_t pid, int graceMs);

// The platform's monotonic clock (platform::ClockMs), as a signed count for deadlines.
inline long long MonotonicMs()
{
    return static_cast<long long>(platform::ClockMs());
}

// Sleeps for the whole time, signals or not.
void SleepMs(int milliseconds);
