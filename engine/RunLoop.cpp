// The run loop: Run, ExecuteStatement, the requests a statement leaves, and stop.
#include <algorithm>
#include <climits>
#include <string>

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

// Clears the re-entry guard however Run leaves.
struct CRunGuard {
    bool& flag;
    explicit CRunGuard(bool& f) : flag(f) { flag = true; }
    ~CRunGuard() { flag = false; }
    CRunGuard(const CRunGuard&) = delete;
    CRunGuard& operator=(const CRunGuard&) = delete;
};

} // namespace

int CScriptEngine::Run(int startLine)
{
    if (m_bInRun) {
        // A run or step started from inside a running script's message pump: refused.
        m_eRunEnd = RunEnd::Refused;
        return -1;
    }
    CRunGuard guard(m_bInRun);

    m_lines.SetText(m_strScript);
    m_lines.SetLineSeparator();
    m_lines.SetCapacity(3000);
    m_lines.Split();
    m_compiled.clear();
    m_compiled.resize(static_cast<size_t>(m_lines.GetCount()));
    m_nCompiledBytes = 0;
    m_nCompiledBudget = std::max(kCompiledFloor, m_strScript.size());
    m_labelIndex.clear();
    m_bLabelIndexReady = false;

    uint32_t executed = 0;
    int limit = m_lines.GetCount();
    std::string log;
    uint32_t omitted = 0; // status lines left out once the log reached its bound
    RunEnd end = RunEnd::EndOfScript;
    int pollCountdown = kPollInterval;
    size_t compiledSincePoll = 0;
    const bool step = startLine != -1;
    const uint32_t statementLimit = m_nStatementLimit;
    // The table of compiled lines does not change size during the run.
    std::unique_ptr<CCompiledLine>* const table = m_compiled.data();
    const auto lineCount = static_cast<unsigned>(m_compiled.size());

    m_strStatus.clear();
    m_bRunning = 1;
    m_nLine = step ? startLine : 0;

    while (m_nLine < limit) {
        if (executed > statementLimit) {
            ShowMessage(msg::kInfiniteLoop, msg::kForcedStopCaption);
            end = RunEnd::CountGuard;
            break;
        }
        ++executed;

        CCompiledLine* line =
            static_cast<unsigned>(m_nLine) < lineCount ? table[m_nLine].get() : nullptr;
        if (line == nullptr) {
            line = &CompileLine(m_nLine);
            if (m_bRunning == 0) {
                // Stopped while the line was split: the statement never ran.
                --executed;
                break;
            }
            // Splitting a long line takes time of its own: ask about a stop as soon
            // as a megabyte of lines has been split since the last question.
            compiledSincePoll += line->statement.GetText().size();
            if (compiledSincePoll > kPollBytes) pollCountdown = 1;
        }
        m_pCompiled = line;
        m_pStatement = &line->statement;
        if (line->kind == LineKind::Instruction) line->handler(*this);
        else ExecuteStatement();

        if (m_pAction != &m_nActNone) {
            if (m_pAction == &m_nActJump && *m_pActionValue >= 0 && *m_pActionValue != m_nLine &&
                *m_pActionValue < limit) {
                // The absolute jump, the commonest request, without the general case's
                // checks; the cell then holds the distance jumped.
                const int target = *m_pActionValue;
                *m_pActionValue = target - m_nLine;
                m_nLine = target - 1;
            } else {
                bool leave = false;
                ActOnRequest(limit, leave);
                if (leave) {
                    end = RunEnd::JumpError;
                    break;
                }
                if (m_pAction == &m_nActStop) end = RunEnd::EndRequest;
            }
        }

        if (!m_strStatus.empty()) {
            if (omitted == 0 && log.size() + 2 + m_strStatus.size() <= m_nLogLimit) {
                log += "/ ";
                log += m_strStatus;
            } else {
                ++omitted;
            }
        }
        if (--pollCountdown == 0) {
            pollCountdown = kPollInterval;
            compiledSincePoll = 0;
            if (m_host.PollStop()) RequestStop();
        }
        if (step || m_bRunning == 0) limit = 0;
        ++m_nLine;
    }
    // The request of the last statement executed, kept for GetJumpDistance.
    if (executed > 0) {
        m_pLastAction = m_pAction;
        m_pLastActionValue = m_pActionValue;
    }

    if (m_bRunning == 0 && (end == RunEnd::EndOfScript || end == RunEnd::EndRequest))
        end = RunEnd::Stopped;
    m_eRunEnd = end;

    // The compiled lines go before the output is built, so the two are never held
    // at once.
    m_pStatement = nullptr;
    m_pCompiled = nullptr;
    m_compiled.clear();
    m_compiled.shrink_to_fit();
    m_outsideLine.reset();

    // The output is the script, the report line and the log. It is built in the
    // log's own buffer, so neither a long log nor a long script is held twice.
    std::string report = "\r\n";
    report += msg::kReportPrefix;
    report += std::to_string(static_cast<int32_t>(executed));
    report += msg::kReportSuffix;
    report += "\r\n";
    m_strOutput.clear();
    m_strOutput.shrink_to_fit();
    log.insert(0, report);
    log.insert(0, m_strScript);
    if (omitted > 0) {
        log += msg::kLogOmittedPrefix;
        log += std::to_string(omitted);
        log += msg::kLogOmittedSuffix;
        log += "\r\n";
    }
    m_strOutput = std::move(log);
    return m_nLine - 1;
}

// Acts on the request the statement left (step 5 of a statement's turn). Sets leave
// when a jump error ends the run.
void CScriptEngine::ActOnRequest(int& limit, bool& leave)
{
    const int v = *m_pActionValue;
    switch (*m_pAction) {
    case 100: { // sleep
        auto ms = static_cast<uint32_t>(v);
        if (ms <= kLongestSleep) Sleep(ms);
        m_nRegLAddress = ms;
        break;
    }
    case 101: { // sleep, pumping messages once a second
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
    case 500: // end the run after this statement
        limit = 0;
        break;
    case 90: // absolute jump to line v
        if (v < 0) {
            ShowMessage(msg::kJumpNegative, msg::kJumpErrorCaption);
            leave = true;
        } else if (v == m_nLine) {
            ShowMessage(msg::kJumpToSelf, msg::kJumpToSelfCaption);
            leave = true;
        } else {
            // The cell now holds the distance jumped (wide: m_nLine may be a caller's
            // start line far from the target). A target past the end ends the run.
            const int64_t distance = static_cast<int64_t>(v) - m_nLine;
            *m_pActionValue = static_cast<int>(
                std::clamp<int64_t>(distance, INT32_MIN, INT32_MAX));
            m_nLine = std::min(v, m_lines.GetCount()) - 1;
        }
        break;
    case 99: // relative jump by v lines
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
    case 10: // show the line
        ShowMessage(std::to_string(m_nLine), msg::kCursorLineCaption);
        break;
    default: // continue, or an error already reported
        break;
    }
}

CScriptEngine::CCompiledLine& CScriptEngine::CompileLine(int line)
{
    // A caller's start line outside the script reads as an empty line. A line compiled
    // once the budget is spent goes to the scratch slot and is compiled again each
    // time it runs.
    const bool inside = line >= 0 && line < static_cast<int>(m_compiled.size());
    const std::string_view text = m_lines.ItemView(line);
    const size_t cost = sizeof(CCompiledLine) + 2 * text.size() + 64;
    const bool keep = inside && m_nCompiledBytes + cost <= m_nCompiledBudget;
    std::unique_ptr<CCompiledLine>& slot = keep ? m_compiled[static_cast<size_t>(line)] : m_outsideLine;
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
        return keep ? *(m_outsideLine = std::move(slot)) : *slot;
    }
    if (keep) m_nCompiledBytes += cost;
    slot->kind = Classify(statement, slot->handler);
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
    if (token.size() >= 2 && (token[0] == 'L' || token[0] == 'l') && token[1] == '\'')
        return LineKind::Label;
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
// regard to letter case, compared whole. The index of label lines is built once per
// run, the first time a label is looked for.
int CScriptEngine::FindLabel(std::string_view upperToken)
{
    if (!m_bLabelIndexReady) {
        m_bLabelIndexReady = true;
        for (int i = 0; i < m_lines.GetCount(); ++i) {
            std::string_view line = m_lines.ItemView(i);
            if (line.size() >= 2 && (line[0] == 'L' || line[0] == 'l') && line[1] == '\'')
                m_labelIndex.emplace(text::FoldCase(line), i);
        }
    }
    auto found = m_labelIndex.find(text::FoldCase(upperToken));
    return found == m_labelIndex.end() ? -1 : found->second;
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
    if (m_bRunning == 1) m_bRunning = 0;
    if (m_bMciOpen == 1) m_host.CloseMediaWindow(m_hMciWnd);
}

int CScriptEngine::GetJumpDistance() const
{
    if (m_pLastAction == nullptr || m_pLastActionValue == nullptr) return 0;
    if (*m_pLastAction == 99 || *m_pLastAction == 90) return *m_pLastActionValue;
    return 0;
}
