// The run loop: Run, ExecuteStatement, the requests a statement leaves, and stop.
#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "KeywordChain.h"
#include "Messages.h"
#include "ScriptEngine.h"
#include "Text.h"

namespace {

// How often (in statements) the run loop asks the host whether the user wants to
// stop. Cheap statements cost a few nanoseconds, slow device statements about a
// millisecond, so 32 keeps the question well inside 100 ms of run time.
constexpr int kPollInterval = 32;

// Sleep requests of 0x80000000 ms and more are negative times in the script's own
// signed view (WAIT D'-1); they sleep not at all instead of for weeks.
constexpr uint32_t kLongestSleep = 0x7FFFFFFF;

// Bytes of newly split lines after which the run loop asks about a stop at once.
constexpr size_t kPollBytes = size_t{1} << 20;

// The least the compiled lines of one run may hold, in bytes (see CRunState).
constexpr size_t kCompiledFloor = size_t{16} << 20;

// A line or token that starts with L' names or is a label.
bool IsLabelLine(std::string_view text)
{
    return text.size() >= 2 && (text[0] == 'L' || text[0] == 'l') && text[1] == '\'';
}

// Bytes the log keeps free beyond the script for the report line and the note on
// omitted status lines.
constexpr size_t kReportRoom = 256;

// Appends a status line ("/ " and the status) to the log. The log grows geometrically
// and always keeps headroom free, so that the script and the report line can go in
// front of it at the end of the run within its own buffer: a long log is then never
// copied whole into a second one.
void AppendLogLine(std::string& log, std::string_view status, size_t headroom)
{
    const size_t needed = log.size() + 2 + status.size() + headroom;
    if (needed > log.capacity()) log.reserve(std::max(needed, 2 * log.capacity()));
    log += "/ ";
    log += status;
}

// The executed-statement count at which the run loop next looks beyond the statement:
// the next stop question, or the statement guard if that comes first. A limit of
// UINT32_MAX has no guard.
uint32_t NextCheck(uint32_t executed, uint32_t nextPoll, uint32_t statementLimit)
{
    const bool guardAhead = executed <= statementLimit && statementLimit != UINT32_MAX;
    return guardAhead ? std::min(nextPoll, statementLimit + 1) : nextPoll;
}

// Points one of the engine's pointers (the source sink) at a run's record for the run,
// and clears it however the run leaves.
template <class T> struct CPointerScope {
    T*& pointer;
    CPointerScope(T*& p, T* value) : pointer(p) { pointer = value; }
    ~CPointerScope() { pointer = nullptr; }
    CPointerScope(const CPointerScope&) = delete;
    CPointerScope& operator=(const CPointerScope&) = delete;
};

// Clears the re-entry guard however Run leaves.
struct CRunGuard {
    bool& flag;
    explicit CRunGuard(bool& f) : flag(f) { flag = true; }
    ~CRunGuard() { flag = false; }
    CRunGuard(const CRunGuard&) = delete;
    CRunGuard& operator=(const CRunGuard&) = delete;
};

} // namespace

// Hands the run's caches to the engine for the run, and takes them and the line being
// executed back however the run leaves, so that nothing points into a finished run.
struct CScriptEngine::CRunScope {
    CScriptEngine& engine;
    CRunScope(CScriptEngine& e, CRunState& run) : engine(e) { engine.m_pRun = &run; }
    ~CRunScope()
    {
        engine.m_pRun = nullptr;
        engine.m_pCompiled = nullptr;
        engine.m_pStatement = nullptr;
    }
    CRunScope(const CRunScope&) = delete;
    CRunScope& operator=(const CRunScope&) = delete;
};

// The caches of one run: each line compiled the first time it executes, and the index
// of label lines, built the first time a label is looked for. Run owns them; they go
// when the run ends.
struct CScriptEngine::CRunState {
    std::vector<std::unique_ptr<CCompiledLine>> compiled; // one slot per line
    std::unique_ptr<CCompiledLine>
        outsideLine; // a line not kept: outside the script or past the budget
    // Bytes the kept lines hold, roughly, and how many they may hold: past the budget a
    // line is compiled each time it runs, so the memory of a large script stays a
    // small multiple of its size.
    size_t compiledBytes = 0;
    size_t compiledBudget = 0;
    std::unordered_map<std::string, int> labelIndex;
    bool labelIndexReady = false;
};

int CScriptEngine::Run(int startLine)
{
    if (m_bInRun) {
        // A run or step started from inside a running script's message pump: refused.
        m_eRunEnd = RunEnd::Refused;
        return -1;
    }
    CRunGuard guard(m_bInRun);

    std::string log;
    CRunTally tally;
    m_sources = {};
    CPointerScope sink(m_pSink, m_bRecordSources ? &m_sources : nullptr);
    m_strStatus.clear();
    const bool step = startLine != -1;
    RunLines(step ? startLine : 0, step, log, tally, nullptr);

    if (m_bRunning == 0 && (tally.end == RunEnd::EndOfScript || tally.end == RunEnd::EndRequest))
        tally.end = RunEnd::Stopped;
    m_eRunEnd = tally.end;
    BuildReport(std::move(log), tally);
    return m_nLine - 1;
}

int CScriptEngine::DebugRun(int startLine, CRunProbe& probe)
{
    if (m_bInRun) {
        m_eRunEnd = RunEnd::Refused;
        return -1;
    }
    CRunGuard guard(m_bInRun);

    if (m_pDebug) {
        // Continuing: the status and the request in place are the paused run's, as if
        // it had never paused (a statement that sets neither leaves them standing).
        m_strStatus = std::move(m_pDebug->status);
        m_pAction = m_pDebug->action;
        m_nActionValue = m_pDebug->actionValue;
    } else {
        m_pDebug = std::make_unique<CDebugState>();
        m_strStatus.clear();
    }
    CDebugState& debug = *m_pDebug;
    // A line above the script starts at its first line.
    startLine = std::max(startLine, 0);
    {
        CPointerScope sink(m_pSink, m_bRecordSources ? &debug.sources : nullptr);
        RunLines(startLine, false, debug.log, debug.tally, &probe);
    }

    if (debug.tally.end == RunEnd::Paused) {
        debug.pausedLine = m_nLine;
        debug.status = m_strStatus;
        debug.action = m_pAction;
        debug.actionValue = m_nActionValue;
        m_sources = debug.sources;
        m_eRunEnd = RunEnd::Paused;
        return m_nLine - 1;
    }
    std::unique_ptr<CDebugState> finished = std::move(m_pDebug);
    if (m_bRunning == 0 &&
        (finished->tally.end == RunEnd::EndOfScript || finished->tally.end == RunEnd::EndRequest))
        finished->tally.end = RunEnd::Stopped;
    m_eRunEnd = finished->tally.end;
    m_sources = std::move(finished->sources);
    BuildReport(std::move(finished->log), finished->tally);
    return m_nLine - 1;
}

int CScriptEngine::PausedLine() const
{
    return IsDebugPaused() ? m_pDebug->pausedLine : -1;
}

void CScriptEngine::AbandonDebugRun()
{
    if (!m_pDebug || m_bInRun) return;
    m_pDebug.reset();
    m_eRunEnd = RunEnd::Stopped;
}

// Splits the script into lines and runs them with the caches of one run, through the
// loop that asks and records only when there is something to ask or record.
void CScriptEngine::RunLines(int startLine, bool step, std::string& log, CRunTally& tally,
                             CRunProbe* probe)
{
    m_lines.SetText(m_strScript);
    m_lines.SetLineSeparator();
    m_lines.SetCapacity(3000);
    m_lines.Split();

    CRunState run;
    run.compiled.resize(static_cast<size_t>(m_lines.GetCount()));
    run.compiledBudget = std::max(kCompiledFloor, m_strScript.size());
    CRunScope scope(*this, run);
    if (probe != nullptr)
        RunStatements<true, true>(run, startLine, step, log, tally, probe);
    else if (m_pSink != nullptr)
        RunStatements<false, true>(run, startLine, step, log, tally, nullptr);
    else
        RunStatements<false, false>(run, startLine, step, log, tally, nullptr);
    // The compiled lines go when this returns, before the output is built, so the two
    // are never held at once.
}

// Acts on the absolute jump to line target, the commonest request; inline, as it runs
// once per loop iteration of most scripts. The request's cell then holds the distance
// jumped, and a target past the end ends the run. Returns false after a jump error,
// which ends the run. count is the script's line count, line the line executed (m_nLine).
inline bool CScriptEngine::ActOnJump(int target, int count, int line)
{
    if (static_cast<unsigned>(target) < static_cast<unsigned>(count) && target != line) [[likely]] {
        // A statement that jumps is a line of the script, so the distance fits; it is
        // taken modulo 2^32 all the same, so that no line index can make it overflow.
        // (The request's value cell is m_nActionValue.)
        m_nActionValue =
            static_cast<int>(static_cast<uint32_t>(target) - static_cast<uint32_t>(line));
        m_nLine = target - 1;
    } else if (target < 0 || target == line) {
        ReportJumpError(target);
        return false;
    } else {
        // Wide: the line may be a caller's start line far from the target.
        const int64_t distance = static_cast<int64_t>(target) - line;
        m_nActionValue = static_cast<int>(std::clamp<int64_t>(distance, INT32_MIN, INT32_MAX));
        m_nLine = std::min(target, count) - 1;
    }
    return true;
}

void CScriptEngine::ReportJumpError(int target)
{
    if (target < 0)
        ShowMessage(msg::kJumpNegative, msg::kJumpErrorCaption);
    else
        ShowMessage(msg::kJumpToSelf, msg::kJumpToSelfCaption);
}

// Executes statements from startLine (a step: that one statement), acting on each
// statement's request and collecting its status. The tally's counts go on from where a
// paused debug run left them.
template <bool kProbe, bool kRecord>
void CScriptEngine::RunStatements(CRunState& run, int startLine, bool step, std::string& log,
                                  CRunTally& tally, CRunProbe* probe)
{
    // The counts and the line being executed live in locals for the loop (the handlers
    // it calls could otherwise make every update a store); the line goes to m_nLine
    // before each statement, where handlers and requests read and move it, and the
    // counts go to the tally when the loop ends.
    // (Only a debug run carries counts over; the plain loop starts them at 0 as
    // constants, which keeps a register free in it.)
    const uint32_t executedBefore = kProbe ? tally.executed : 0;
    uint32_t executed = executedBefore;
    uint32_t omitted = kProbe ? tally.omitted : 0;
    RunEnd end = RunEnd::EndOfScript;
    int limit = m_lines.GetCount();
    int current = startLine;
    size_t compiledSincePoll = 0;
    const uint32_t statementLimit = m_nStatementLimit;
    // Room the log keeps free for what goes in front of it when the run ends.
    const size_t headroom = m_strScript.size() + kReportRoom;
    // The count of executed statements after which the host is next asked about a stop
    // (a step ends there instead), and the next count at which the loop looks at that
    // or at the statement guard: one comparison a statement for both.
    uint32_t nextPoll = executed + (step ? 1 : kPollInterval);
    // The first statement of a debug run's call runs without being asked about.
    [[maybe_unused]] bool askBefore = false;

    // The table of compiled lines does not change size during the run.
    std::unique_ptr<CCompiledLine>* const table = run.compiled.data();
    const auto lineCount = static_cast<unsigned>(run.compiled.size());

    m_bRunning = 1;
    m_nCheckAt = NextCheck(executed, nextPoll, statementLimit);

    while (current < limit) {
        if constexpr (kProbe) {
            if (askBefore && probe->PauseBefore(current)) {
                end = RunEnd::Paused;
                break;
            }
            askBefore = true;
        }
        [[maybe_unused]] const int ran = current;
        ++executed;
        m_nLine = current;
        CCompiledLine* line;
        if (static_cast<unsigned>(current) >= lineCount ||
            (line = table[current].get()) == nullptr) {
            line = &CompileLine(run, current);
            if (m_bRunning == 0) {
                // Stopped while the line was split: the statement never ran.
                --executed;
                break;
            }
            // Splitting a long line takes time of its own: ask about a stop as soon
            // as a megabyte of lines has been split since the last question.
            compiledSincePoll += line->statement.GetText().size();
            if (compiledSincePoll > kPollBytes) m_nCheckAt = nextPoll = executed;
        }
        m_pCompiled = line;
        m_pStatement = &line->statement;
        line->handler(*this);

        if (m_pAction == &m_nActJump) {
            // limit is still the line count here: only the statement's own end
            // request, or the end of a step, lowers it.
            if (!ActOnJump(m_nActionValue, limit, current)) {
                end = RunEnd::JumpError;
                break;
            }
        } else if (m_pAction != &m_nActNone) {
            bool leave = false;
            int lowered = limit; // a copy, so that limit itself can stay in a register
            ActOnRequest(lowered, leave);
            limit = lowered;
            if (leave) {
                end = RunEnd::JumpError;
                break;
            }
            if (m_pAction == &m_nActStop) end = RunEnd::EndRequest;
        }

        if (!m_strStatus.empty()) {
            if (omitted == 0 && log.size() + 2 + m_strStatus.size() <= m_nLogLimit) {
                AppendLogLine(log, m_strStatus, headroom);
                if constexpr (kRecord) {
                    if (m_pSink != nullptr) m_pSink->statusLines.push_back(ran);
                }
            } else {
                ++omitted;
            }
        }
        current = m_nLine + 1;
        if (executed >= m_nCheckAt) [[unlikely]] {
            if (executed >= nextPoll) {
                nextPoll = executed + kPollInterval;
                // A step asks only when its line was long to split.
                if (!step || compiledSincePoll > kPollBytes) {
                    compiledSincePoll = 0;
                    if (m_host.PollStop()) RequestStop();
                }
                if (step) limit = 0;
            }
            // A stop request, a failed device or a stop asked just now.
            if (m_bRunning == 0) limit = 0;
            // The statement guard: more than the limit of statements would start.
            if (executed > statementLimit && current < limit) {
                m_nLine = current;
                ShowMessage(msg::kInfiniteLoop, msg::kForcedStopCaption);
                end = RunEnd::CountGuard;
                break;
            }
            m_nCheckAt = NextCheck(executed, nextPoll, statementLimit);
        }
        if constexpr (kProbe) {
            if (current < limit && probe->PauseAfter(ran)) {
                end = RunEnd::Paused;
                break;
            }
        }
    }
    m_nLine = current;
    // The request of the last statement executed, kept for GetJumpDistance.
    if (executed > executedBefore) {
        m_pLastAction = m_pAction;
        m_pLastActionValue = m_pActionValue;
    }
    tally.executed = executed;
    tally.omitted = omitted;
    tally.end = end;
}

// The output: the script, the report line with the statement count, and the log. It is
// built in the log's own buffer, so a long log is not held twice.
void CScriptEngine::BuildReport(std::string&& log, const CRunTally& tally)
{
    std::string report = "\r\n";
    report += msg::kReportPrefix;
    report += std::to_string(static_cast<int32_t>(tally.executed));
    report += msg::kReportSuffix;
    report += "\r\n";
    m_strOutput.clear();
    m_strOutput.shrink_to_fit();
    // The log moves once within its buffer (it kept the room free), then the script
    // and the report line are copied into the gap.
    const size_t scriptSize = m_strScript.size();
    log.insert(0, scriptSize + report.size(), '\0');
    log.replace(0, scriptSize, m_strScript);
    log.replace(scriptSize, report.size(), report);
    if (tally.omitted > 0) {
        log += msg::kLogOmittedPrefix;
        log += std::to_string(tally.omitted);
        log += msg::kLogOmittedSuffix;
        log += "\r\n";
    }
    m_strOutput = std::move(log);
}

// Acts on every other request the statement left (the absolute jump has ActOnJump).
// Sets leave when a jump error ends the run.
void CScriptEngine::ActOnRequest(int& limit, bool& leave)
{
    const int v = *m_pActionValue;
    switch (*m_pAction) {
    case kRequestWait: {
        auto ms = static_cast<uint32_t>(v);
        if (ms <= kLongestSleep) Sleep(ms);
        m_nRegLAddress = ms;
        break;
    }
    case kRequestWaitPump: {
        const uint32_t t0 = m_host.GetTickCount();
        auto ms = static_cast<uint32_t>(v);
        if (ms <= kLongestSleep && Sleep(ms % 1000)) {
            for (uint32_t n = ms / 1000; n > 0 && m_bRunning != 0; --n) {
                PumpMessages();
                if (m_bRunning == 0 || !Sleep(1000)) break;
            }
        }
        m_nRegLAddress = m_host.GetTickCount() - t0;
        break;
    }
    case kRequestEnd:
        limit = 0;
        break;
    case kRequestJumpRel:
        if (v == 0) {
            ShowMessage(msg::kJumpRelZero, msg::kJumpRelZeroCaption);
            leave = true;
        } else {
            // Computed wide: a distance near the 32-bit limit must end the run at the
            // end of the script, not wrap the line index round to a negative line.
            // Above line 0 lands on line 0, at or past the end ends the run.
            const int64_t next = static_cast<int64_t>(m_nLine) + v - 1;
            const int64_t last = static_cast<int64_t>(m_lines.GetCount()) - 1;
            m_nLine = static_cast<int>(std::clamp<int64_t>(next, -1, last));
        }
        break;
    case kRequestShowLine:
        ShowMessage(std::to_string(m_nLine), msg::kCursorLineCaption);
        break;
    default: // continue, or an error already reported (the absolute jump never comes here)
        break;
    }
}

CScriptEngine::CCompiledLine& CScriptEngine::CompileLine(CRunState& run, int line)
{
    // A caller's start line outside the script reads as an empty line. A line compiled
    // once the budget is spent goes to the scratch slot and is compiled again each
    // time it runs.
    const bool inside = line >= 0 && line < static_cast<int>(run.compiled.size());
    const std::string_view text = m_lines.ItemView(line);
    const size_t cost = sizeof(CCompiledLine) + 2 * text.size() + 64;
    const bool keep = inside && run.compiledBytes + cost <= run.compiledBudget;
    std::unique_ptr<CCompiledLine>& slot =
        keep ? run.compiled[static_cast<size_t>(line)] : run.outsideLine;
    slot = std::make_unique<CCompiledLine>();
    CScriptLines& statement = slot->statement;
    statement.SetSeparatorChar(' ');
    statement.SetQuoteChar('"');
    statement.SetText(text);
    statement.SetStatementMode();
    if (text.size() <= kPollBytes) {
        statement.Split();
    } else if (!statement.SplitUnlessStopped([this] { return m_host.PollStop(); })) {
        // A stop while a very long line was split: the run loop ends the run before
        // the statement, and the partial line is not kept.
        RequestStop();
        slot->kind = LineKind::Empty;
        return keep ? *(run.outsideLine = std::move(slot)) : *slot;
    }
    if (keep) run.compiledBytes += cost;
    slot->kind = Classify(statement, slot->handler);
    // Every line runs through its handler; the lines that are no instruction through
    // ExecuteStatement, which also serves statements handed in from outside a run.
    if (slot->kind != LineKind::Instruction)
        slot->handler = [](CScriptEngine& e) { e.ExecuteStatement(); };
    return *slot;
}

// The class of a statement, decided on its token 0, and its handler when it is an
// instruction.
CScriptEngine::LineKind CScriptEngine::Classify(const CScriptLines& statement,
                                                InstructionHandler& handler)
{
    std::string_view token = statement.ItemView(0);
    handler = nullptr;
    if (token.empty() || token[0] == '/') return LineKind::Empty;
    handler = CKeywordChain::Get().Find(token);
    if (handler) return LineKind::Instruction;
    if (token == "#") return LineKind::OperandCheck;
    if (IsLabelLine(token)) return LineKind::Label;
    return LineKind::Unknown;
}

void CScriptEngine::ExecuteStatement()
{
    if (m_pStatement == nullptr) return;
    LineKind kind;
    InstructionHandler handler;
    if (m_pCompiled != nullptr && &m_pCompiled->statement == m_pStatement) {
        kind = m_pCompiled->kind;
        handler = m_pCompiled->handler;
    } else {
        // A statement handed in from outside a run: classify it now, cache nothing.
        m_pCompiled = nullptr;
        kind = Classify(*m_pStatement, handler);
    }
    switch (kind) {
    case LineKind::Instruction:
        handler(*this);
        return;
    case LineKind::Empty:
        SetStatus("", 100);
        break;
    case LineKind::OperandCheck:
        if (CheckArgCount(ArgCount(), 2)) return;
        OperandArg(1, 10);
        SetStatus(msg::kNoMnemonic, 5);
        break;
    case LineKind::Label:
        SetStatus(msg::kLabelLine, 100);
        break;
    case LineKind::Unknown:
        SetStatus(msg::kNoMnemonic, 5);
        break;
    }
    Continue();
}

// The label line that a label operand names: the first line equal to it without
// regard to letter case, compared whole. Within a run the index of label lines is
// built once, the first time a label is looked for; outside a run (a statement handed
// in by the caller) the lines of the last run are searched directly.
int CScriptEngine::FindLabel(std::string_view upperToken)
{
    const std::string folded = text::FoldCase(upperToken);
    if (m_pRun == nullptr) return FindLabelLine(folded);
    CRunState& run = *m_pRun;
    if (!run.labelIndexReady) {
        run.labelIndexReady = true;
        for (int i = 0; i < m_lines.GetCount(); ++i) {
            if (IsLabelLine(m_lines.ItemView(i)))
                run.labelIndex.emplace(text::FoldCase(m_lines.ItemView(i)), i);
        }
    }
    auto found = run.labelIndex.find(folded);
    return found == run.labelIndex.end() ? -1 : found->second;
}

int CScriptEngine::FindLabelLine(std::string_view foldedToken) const
{
    for (int i = 0; i < m_lines.GetCount(); ++i) {
        std::string_view line = m_lines.ItemView(i);
        if (IsLabelLine(line) && text::FoldCase(line) == foldedToken) return i;
    }
    return -1;
}

void CScriptEngine::PumpMessages()
{
    m_host.PumpMessages();
}

bool CScriptEngine::Sleep(uint32_t milliseconds)
{
    if (m_host.Sleep(milliseconds)) return true;
    RequestStop();
    return false;
}

void CScriptEngine::RequestStop()
{
    if (m_bRunning == 1) EndAfterStatement();
    if (m_bMciOpen == 1) m_host.CloseMediaWindow(m_hMciWnd);
}

int CScriptEngine::GetJumpDistance() const
{
    if (m_pLastAction == nullptr || m_pLastActionValue == nullptr) return 0;
    if (*m_pLastAction == kRequestJumpRel || *m_pLastAction == kRequestJump)
        return *m_pLastActionValue;
    return 0;
}
