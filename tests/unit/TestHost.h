// CTestHost: a host that records every call and answers from a script.
//
// Message boxes are recorded in tavimore-run's form ("MessageBox \"caption\" \"text\"
// -> OK", UTF-8) and answered from a queue (then OK). The clock is fake: Sleep
// advances it and returns at once, so waits of any length cost nothing. A stop can
// be planned to arrive at a fake time or at the n-th call of PollStop.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "DesktopServices.h"
#include "Encoding.h"
#include "Host.h"
#include "TestSupport.h"

// A desktop that records every call into the host's call list and answers from
// what the test sets up: the windows there are, whether the text editor starts, the
// process id a launch gives.
struct CTestWindow {
    uint32_t id = 0;
    uint32_t pid = 0;
    std::string title; // cp932
};

class CTestDesktop final : public CDesktopServices {
public:
    explicit CTestDesktop(std::vector<std::string>& calls) : m_calls(calls) {}

    bool Launch(std::string_view commandLine, const CStartupInfo& si, LaunchKind kind,
                CProcessInformation& pi) override;
    void WaitForInputIdle(const CProcessInformation& pi) override
    {
        m_calls.push_back("WaitForInputIdle " + std::to_string(pi.dwProcessId));
    }
    void CloseProcess(CProcessInformation& pi) override
    {
        m_calls.push_back("CloseProcess " + std::to_string(pi.dwProcessId));
        pi = CProcessInformation{};
    }
    bool StartTextEditor(CProcessInformation& pi) override;
    void TerminateProcess(const CProcessInformation& pi) override
    {
        m_calls.push_back("TerminateProcess " + std::to_string(pi.dwProcessId));
    }
    int CollectWindows(uint32_t* list, int capacity) override;
    bool IsWindowOfProcess(uint32_t window, const CProcessInformation& pi) override
    {
        return Find(window) != nullptr && Find(window)->pid == pi.dwProcessId;
    }
    std::string WindowTitle(uint32_t window) override
    {
        return Find(window) != nullptr ? Find(window)->title : std::string();
    }
    void CloseWindow(uint32_t window) override
    {
        m_calls.push_back("CloseWindow 0x" + Hex8(window));
    }
    void SetWindowOpacity(uint32_t window, uint8_t alpha) override
    {
        m_calls.push_back("SetWindowOpacity 0x" + Hex8(window) + " " + std::to_string(alpha));
    }
    uint32_t MainWindow() override { return 0; }
    void ShowMainWindow(bool show) override
    {
        m_calls.push_back(show ? "ShowMainWindow show" : "ShowMainWindow hide");
    }
    bool AllocConsole() override
    {
        m_calls.push_back("AllocConsole");
        return true;
    }
    void WriteConsole(std::string_view text) override
    {
        m_calls.push_back("WriteConsole \"" + encoding::QuoteForLog(text) + "\"");
    }
    void FreeConsole() override { m_calls.push_back("FreeConsole"); }
    void PowerOff() override { m_calls.push_back("PowerOff"); }

    std::vector<CTestWindow> windows; // topmost first
    bool editorStarts = true;
    uint32_t nextProcessId = 4242; // given to the next launch, then counted up

private:
    const CTestWindow* Find(uint32_t window) const;
    std::vector<std::string>& m_calls;
};

// Media windows that exist only as records: each is a number from 1 on.
class CTestMedia final : public CMediaServices {
public:
    explicit CTestMedia(std::vector<std::string>& calls) : m_calls(calls) {}
    // "MediaCreate fill \"file\" -> 1", "MediaCreate sized 320x240 ...", "MediaCreate full ...".
    std::uintptr_t CreateMediaWindow(std::string_view file, MediaPlacement placement, int32_t width,
                                     int32_t height) override;
    void PlayMedia(std::uintptr_t window) override
    {
        m_calls.push_back("MediaPlay " + std::to_string(window));
    }
    void CloseMediaWindow(std::uintptr_t window) override
    {
        m_calls.push_back("MediaClose " + std::to_string(window));
    }
    // When false, no window can be made: CreateMediaWindow returns 0.
    bool canCreate = true;

private:
    std::vector<std::string>& m_calls;
    std::uintptr_t m_nNext = 1;
};

class CTestHost : public CHost {
public:
    MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                              MessageButtons buttons) override;
    void ShowAppMessage(std::string_view text) override
    {
        ShowMessage(text, "Tavimore", MessageButtons::Ok);
    }
    void PumpMessages() override
    {
        calls.push_back("Pump");
        if (onPump) onPump();
    }
    bool PollStop() override;
    uint32_t GetTickCount() override { return m_now; }
    bool Sleep(uint32_t milliseconds) override;
    void CloseMediaWindow(std::uintptr_t window) override
    {
        calls.push_back("CloseMedia " + std::to_string(window));
        CHost::CloseMediaWindow(window);
    }
    void PlaySound(std::string_view file) override
    {
        calls.push_back("PlaySound \"" + encoding::QuoteForLog(file) + "\"");
    }
    CMediaServices* Media() override { return hasMedia ? &media : nullptr; }
    CDesktopServices* Desktop() override { return desktopAvailable ? &desktop : nullptr; }

    // Every call, in order: "MessageBox ...", "Pump", "Sleep 1000", "CloseMedia 7",
    // `PlaySound "C:\\WINDOWS\\MEDIA\\Ding.wav"` (quoted as in a log line), and the
    // media calls above.
    std::vector<std::string> calls;
    CTestMedia media{calls};
    // Whether the host offers media windows at all.
    bool hasMedia = true;
    // Only the message boxes, in the same form.
    std::vector<std::string> Messages() const;

    std::deque<MessageAnswer> answers;
    uint32_t m_now = 1000;
    // A stop request that arrives when the fake clock reaches this time (0: never).
    uint32_t stopAt = 0;
    // Runs on every pump: lets a test act as the user would while a script pumps.
    std::function<void()> onPump;
    int pollCount = 0;
    // A stop request answered by the n-th call of PollStop (0: never).
    int stopAtPoll = 0;
    // The recorded desktop ("Launch ...", "CloseWindow 0x00400001", ...); a test turns
    // it off to see the instructions on a host that has none.
    CTestDesktop desktop{calls};
    bool desktopAvailable = true;
};

class CScriptEngine;
// A script written in UTF-8 with LF line breaks as the engine reads it: cp932, CR LF.
std::string ScriptText(std::string_view utf8);
// Runs such a script and returns the output in UTF-8 with LF line breaks.
std::string RunUtf8(CScriptEngine& engine, std::string_view script);
class CScriptLines;
// Splits one line into a statement's tokens, as the run loop does.
void SplitStatement(CScriptLines& statement, std::string_view line);
// Hands one line to the engine as a statement on its own, as a step does, and runs it.
void ExecuteLine(CScriptEngine& engine, std::string_view line);
// What a run left, a line each: how it ended, REGL and the registers 0 to 9 that are
// not 0; the report given (indented); the host's calls, which are then cleared.
std::string RunRecord(CScriptEngine& engine, CTestHost& host, const std::string& report);
