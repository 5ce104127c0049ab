// What the desktop tests start and end themselves: an X server (Xvfb) with a real
// window manager (openbox), a private message bus with a stand-in logind, child
// processes, and bounded waits for conditions instead of fixed sleeps.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"

// Polls the condition every 20 ms until it holds or timeoutMs passed.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Runs a program to its end (at most 20 s) with extra environment entries
// ("NAME=value") and returns its standard output; status gets its exit status.
std::string Capture(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                    int* status = nullptr, std::string* standardError = nullptr);

// The fields of a /proc/PID/stat text after the state: ppid, pgrp, session, tty_nr
// (fewer when the text is not one).
std::vector<long long> StatFields(const std::string& stat);

// Whether pid is a process started, directly or not, by this one (never this one). A
// test process that marks itself a child subreaper keeps its orphaned grandchildren.
bool IsOurDescendant(pid_t pid);

// A program the test started and ends when it goes out of scope.
class CChild {
public:
    CChild() = default;
    ~CChild() { Stop(); }
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;
    bool Start(const std::vector<std::string>& argv);
    void Stop();
    bool Running();
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = 0;
};

// Xvfb on a free display with openbox managing it; DISPLAY is set for the test
// process (and so for everything it starts).
class CXServer {
public:
    ~CXServer();
    // False with the reason when no X server could start.
    bool Start(std::string& why);
    // The window manager is not optional: a failure to start it is an error.
    bool StartWindowManager(std::string& why);
    const std::string& Display() const { return m_strDisplay; }

private:
    pid_t m_xvfb = 0;
    CChild m_wm;
    std::string m_strDisplay;
};

// The managed client windows, topmost first, and their titles, as xprop reports them.
std::vector<uint32_t> XpropClients();
std::string XpropTitle(uint32_t window);
// The window titled title, once it is managed (0 after 10 s without it).
uint32_t WaitForWindow(const std::string& title);
std::string XpropValue(uint32_t window, const std::string& property);

// A private bus (dbus-daemon) with the stand-in logind owning its name.
class CPrivateBus {
public:
    ~CPrivateBus();
    // canPowerOff: the stand-in's answer to CanPowerOff.
    bool Start(const std::string& folder, std::string& why, const std::string& canPowerOff = "yes");
    const std::string& Address() const { return m_strAddress; }
    // What the stand-in recorded: "ready", then one line per call.
    std::string Record() const { return ReadFile(m_strRecord); }

private:
    pid_t m_daemon = 0;
    CChild m_logind;
    std::string m_strAddress;
    std::string m_strRecord;
};
