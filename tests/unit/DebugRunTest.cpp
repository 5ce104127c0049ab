// Debug runs: pausing before a breakpoint or after a change, continuing, and the report
// of a paused and continued run, which must be the report of the same run without
// pauses. Also the lines behind status lines and boxes.
#include <set>

#include "RecordedRuns.h"

namespace {

// Breakpoints that pause at most pausesLeft times, and one watched register.
class CProbe final : public CRunProbe {
public:
    explicit CProbe(CScriptEngine& engine) : m_engine(engine) {}
    bool PauseBefore(int line) override
    {
        asked.push_back(line);
        return breakpoints.count(line) != 0 && pausesLeft-- > 0;
    }
    bool PauseAfter(int) override
    {
        if (watched < 0) return false;
        const uint32_t before = m_last;
        m_last = m_engine.PeekRegister(watched);
        return m_last != before;
    }

    std::set<int> breakpoints;
    int pausesLeft = 1000;
    int watched = -1;
    std::vector<int> asked;

private:
    CScriptEngine& m_engine;
    uint32_t m_last = 0;
};

struct CDebugged {
    CTestHost host;
    CScriptEngine engine{host};
    CProbe probe{engine};

    // Debug-runs the script from line 0, continuing at each paused line; the pauses.
    int ToTheEnd(const std::string& script)
    {
        engine.SetScript(script);
        int pauses = 0;
        for (int line = 0;; line = engine.PausedLine()) {
            engine.DebugRun(line, probe);
            if (engine.GetRunEnd() != RunEnd::Paused) return pauses;
            ++pauses;
        }
    }
    // A plain run of the script on this engine's settings.
    std::string PlainOutput(const std::string& script)
    {
        CTestHost plainHost;
        CScriptEngine plain{plainHost};
        plain.SetDebugLevel(engine.GetDebugLevel());
        plain.SetStatementLimit(engine.GetStatementLimit());
        plain.SetScript(script);
        plain.Run(-1);
        return Utf(plain.GetOutput());
    }
};

// Records debug runs: where each paused, the lines asked about, the call depth, the
// lines behind the status lines and boxes, and what the run left.
class DebugRun : public CRecordedRuns<> {
protected:
    CProbe probe{engine};

    void Debug(int from)
    {
        probe.asked.clear();
        const int result = engine.DebugRun(from, probe);
        record +=
            "debug run from " + std::to_string(from) + " -> " + std::to_string(result) + ", asked";
        for (int line : probe.asked)
            record += " " + std::to_string(line);
        record += "\n";
        Left();
    }
    void Left()
    {
        std::string report;
        for (char c : Utf(engine.GetOutput()))
            if (c != '\r') report += c;
        record += std::string("  paused ") + (engine.IsDebugPaused() ? "at " : "no, ") +
                  std::to_string(engine.PausedLine()) + ", call depth " +
                  std::to_string(engine.GetCallDepth()) + "\n" + RunRecord(engine, host, report) +
                  "  status lines of";
        for (int line : engine.StatusLineSources())
            record += " " + std::to_string(line);
        for (const auto& box : engine.BoxSources())
            record += ", box of " + std::to_string(box.line) + " " + Utf(box.caption) + " " +
                      Utf(box.text);
        record += "\n";
    }
};

// The report waits for the end; continuing from the breakpoint runs its statement
// without asking about it.
TEST_F(DebugRun, PausesBeforeABreakpointAndContinuingRunsThatStatement)
{
    engine.SetScript(ScriptText("MOV REG1 1\nMOV REG2 2\nMOV REG3 3"));
    probe.breakpoints = {1};
    Debug(0);
    Debug(1);
}

TEST_F(DebugRun, TheReportOfAPausedRunIsThatOfThePlainRunAlsoAfterAStopOrTheGuard)
{
    // A loop with a call, statuses of several levels, and EXEC, which sets no status of
    // its own and so logs the previous statement's again: pausing before it (line 4)
    // must keep that status.
    const std::string script =
        ScriptText("MOV REG1 0\nL'TOP\nINC REG1\nCALL L'SUB\nEXEC editor\n"
                   "IFJ REG1 < D'5 L'TOP\nJMP L'END\nL'SUB\nCALC REG2 + REG1\n"
                   "RET\nL'END\nDISPD REG2");
    for (int level : {10, 20, 100}) {
        for (const std::set<int>& breaks : {std::set<int>{}, std::set<int>{4, 8}}) {
            SCOPED_TRACE(level);
            CDebugged d;
            d.engine.SetDebugLevel(level);
            d.probe.breakpoints = breaks;
            d.probe.pausesLeft = 2;
            EXPECT_EQ(d.ToTheEnd(script), breaks.empty() ? 0 : 2);
            EXPECT_EQ(d.engine.GetRunEnd(), RunEnd::EndOfScript);
            EXPECT_EQ(Utf(d.engine.GetOutput()), d.PlainOutput(script));
            EXPECT_EQ(d.engine.ReadRegister(2), 15u);
        }
    }

    // A stop and the statement guard end the run as in a plain run.
    const std::string loop = ScriptText("L'A\nINC REG1\nJMP L'A");
    CDebugged stopped;
    stopped.host.stopAtPoll = 3; // every 32 statements
    stopped.ToTheEnd(loop);
    EXPECT_EQ(stopped.engine.GetRunEnd(), RunEnd::Stopped);
    EXPECT_NE(Utf(stopped.engine.GetOutput()).find("数は96行です"), std::string::npos);

    // The guard counts the statements of every part of the run.
    CDebugged guarded;
    guarded.engine.SetStatementLimit(1000);
    guarded.engine.SetDebugLevel(20);
    guarded.probe.breakpoints = {1};
    guarded.probe.pausesLeft = 300;
    EXPECT_EQ(guarded.ToTheEnd(loop), 300);
    EXPECT_EQ(guarded.engine.GetRunEnd(), RunEnd::CountGuard);
    EXPECT_EQ(Utf(guarded.engine.GetOutput()), guarded.PlainOutput(loop));
}

// Storing the same value again is no change.
TEST_F(DebugRun, PausesAfterAWatchedRegisterChanges)
{
    probe.watched = 5;
    engine.SetScript(ScriptText("MOV REG1 1\nMOV REG5 7\nMOV REG5 7\nMOV REG2 2"));
    Debug(0);
    Debug(2);
}

TEST_F(DebugRun, ACallPausedInsideTheSubroutineReturnsWhenContinued)
{
    const std::string script =
        ScriptText("CALL L'SUB\nMOV REG2 2\nJMP L'END\nL'SUB\nMOV REG1 1\nRET\nL'END");
    probe.breakpoints = {4};
    engine.SetScript(script);
    Debug(0);
    EXPECT_EQ(engine.CallStackEntry(0), 0);
    Debug(4);
    EXPECT_EQ(Utf(engine.GetOutput()), CDebugged().PlainOutput(script));
}

// Status lines and boxes know their lines once asked to: one source per status line
// of the report, failures' repeated statuses included. A debug run collects both over
// its parts; a step during a pause has its own.
TEST_F(DebugRun, StatusLinesAndBoxesKnowTheirLines)
{
    engine.SetDebugLevel(100);
    engine.SetScript(
        ScriptText("MOV REG1 1\n/ note\nMOV REG2 H'XYZ\nMESSAGEBOX text caption\nJMP L'NONE\nINC"));
    engine.Run(-1);
    Left();
    engine.SetRecordSources(true);
    engine.Run(-1);
    Left();
    probe.breakpoints = {4};
    Debug(0);
    engine.Run(0);
    Left();
    Debug(4);
}

// The next debug run after an abandoned one counts only its own statements.
TEST_F(DebugRun, AnAbandonedRunStartsAfresh)
{
    probe.breakpoints = {1};
    probe.pausesLeft = 1;
    engine.SetScript(ScriptText("MOV REG1 1\nMOV REG2 2"));
    Debug(0);
    engine.AbandonDebugRun();
    Left();
    Debug(1);
}

} // namespace
