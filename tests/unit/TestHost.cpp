#include "TestHost.h"

#include <cstdio>
#include <sstream>

#include "Encoding.h"
#include "ScriptEngine.h"
#include "ScriptLines.h"

std::string ScriptText(std::string_view utf8)
{
    std::string cp932;
    for (char c : Sj(utf8)) {
        if (c == '\n') cp932 += '\r';
        cp932 += c;
    }
    return cp932;
}

std::string RunUtf8(CScriptEngine& engine, std::string_view script)
{
    engine.SetScript(ScriptText(script));
    engine.Run(-1);
    std::string out;
    for (char c : Utf(engine.GetOutput()))
        if (c != '\r') out += c;
    return out;
}

void SplitStatement(CScriptLines& statement, std::string_view line)
{
    statement.SetSeparatorChar(' ');
    statement.SetQuoteChar('"');
    statement.SetText(line);
    statement.SetStatementMode();
    statement.Split();
}

void ExecuteLine(CScriptEngine& engine, std::string_view line)
{
    CScriptLines statement;
    SplitStatement(statement, line);
    engine.SetStatement(&statement);
    engine.ExecuteStatement();
    engine.SetStatement(nullptr);
}

std::string RunRecord(CScriptEngine& engine, CTestHost& host, const std::string& report)
{
    static const char* const ends[] = {"end of script", "end request", "stopped", "jump error",
                                       "count guard",   "refused",     "paused"};
    std::string record = std::string("  ") + ends[static_cast<int>(engine.GetRunEnd())] +
                         ", REGL " + std::to_string(engine.GetRegL());
    for (int r = 0; r < 10; ++r)
        if (engine.PeekRegister(r) != 0)
            record += ", REG" + std::to_string(r) + " " + std::to_string(engine.PeekRegister(r));
    record += "\n";
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        record += "  | " + line + "\n";
    for (const std::string& call : host.calls)
        record += "  " + call + "\n";
    host.calls.clear();
    return record;
}

MessageAnswer CTestHost::ShowMessage(std::string_view text, std::string_view caption,
                                     MessageButtons buttons)
{
    MessageAnswer answer = MessageAnswer::Ok;
    if (buttons == MessageButtons::OkCancel && !answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    calls.push_back("MessageBox \"" + encoding::QuoteForLog(caption) + "\" \"" +
                    encoding::QuoteForLog(text) + "\" -> " +
                    (answer == MessageAnswer::Ok ? "OK" : "Cancel"));
    return answer;
}

bool CTestHost::PollStop()
{
    ++pollCount;
    if (stopAtPoll != 0 && pollCount >= stopAtPoll) {
        stopAtPoll = 0;
        return true;
    }
    const bool due = stopAt != 0 && m_now >= stopAt;
    if (due) stopAt = 0;
    return due;
}

bool CTestHost::Sleep(uint32_t milliseconds)
{
    calls.push_back("Sleep " + std::to_string(milliseconds));
    if (stopAt != 0 && stopAt <= m_now + milliseconds) {
        if (stopAt > m_now) m_now = stopAt;
        stopAt = 0;
        return false;
    }
    m_now += milliseconds;
    return true;
}

std::uintptr_t CTestMedia::CreateMediaWindow(std::string_view file, MediaPlacement placement,
                                             int32_t width, int32_t height)
{
    std::string form = placement == MediaPlacement::FillView ? "fill"
                       : placement == MediaPlacement::FullScreen
                           ? "full"
                           : "sized " + std::to_string(width) + "x" + std::to_string(height);
    std::uintptr_t window = canCreate ? m_nNext++ : 0;
    m_calls.push_back("MediaCreate " + form + " \"" + Utf(file) + "\" -> " +
                      std::to_string(window));
    return window;
}

std::vector<std::string> CTestHost::Messages() const
{
    std::vector<std::string> boxes;
    for (const std::string& call : calls)
        if (call.rfind("MessageBox", 0) == 0) boxes.push_back(call);
    return boxes;
}

bool CTestDesktop::Launch(std::string_view commandLine, const CStartupInfo& si, LaunchKind kind,
                          CProcessInformation& pi)
{
    char record[96];
    std::snprintf(record, sizeof record, " cb=%u flags=0x%X show=%u chars=%ux%u fill=%u", si.cb,
                  si.dwFlags, si.wShowWindow, si.dwXCountChars, si.dwYCountChars,
                  si.dwFillAttribute);
    m_calls.push_back(std::string("Launch ") +
                      (kind == LaunchKind::Program ? "program" : "interpreter") + " \"" +
                      encoding::QuoteForLog(commandLine) + "\"" + record);
    pi.dwProcessId = nextProcessId++;
    pi.hProcess = static_cast<std::intptr_t>(pi.dwProcessId);
    return true;
}

bool CTestDesktop::StartTextEditor(CProcessInformation& pi)
{
    m_calls.push_back(std::string("StartTextEditor") + (editorStarts ? "" : " -> failed"));
    if (!editorStarts) return false;
    pi.dwProcessId = nextProcessId++;
    pi.hProcess = static_cast<std::intptr_t>(pi.dwProcessId);
    return true;
}

int CTestDesktop::CollectWindows(uint32_t* list, int capacity)
{
    m_calls.push_back("CollectWindows");
    int count = 0;
    for (const CTestWindow& window : windows) {
        if (count == capacity) break;
        list[count++] = window.id;
    }
    return count;
}

const CTestWindow* CTestDesktop::Find(uint32_t window) const
{
    for (const CTestWindow& w : windows)
        if (w.id == window) return &w;
    return nullptr;
}
