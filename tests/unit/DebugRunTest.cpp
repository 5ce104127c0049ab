// Debug runs: pausing before a breakpoint or after a change, continuing, and the report
// of a paused and continued run, which must be the report of the same run without
// pauses. Also the lines behind status lines and boxes.
#include <gtest/gtest.h>

#include <set>

#include "ScriptEngine.h"
#include "TestHost.h"

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

TEST(DebugRun, PausesBeforeABreakpointAndContinuingRunsThatStatement)
{
    CDebugged d;
    d.engine.SetScript(ScriptText("MOV REG1 1\nMOV REG2 2\nMOV REG3 3"));
    d.probe.breakpoints = {1};
    EXPECT_EQ(d.engine.DebugRun(0, d.probe), 0);
    EXPECT_EQ(d.engine.GetRunEnd(), RunEnd::Paused);
    EXPECT_EQ(d.engine.PausedLine(), 1);
    EXPECT_EQ(d.engine.ReadRegister(1), 1u);
    EXPECT_EQ(d.engine.ReadRegister(2), 0u);
    EXPECT_TRUE(d.engine.GetOutput().empty()); // the report waits for the end

    // Continuing from the breakpoint runs its statement without asking about it.
    d.probe.asked.clear();
    d.engine.DebugRun(1, d.probe);
    EXPECT_EQ(d.probe.asked, (std::vector<int>{2}));
    EXPECT_EQ(d.engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_FALSE(d.engine.IsDebugPaused());
    EXPECT_EQ(d.engine.ReadRegister(3), 3u);
}

TEST(DebugRun, TheReportOfAPausedRunIsThatOfThePlainRun)
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
}

TEST(DebugRun, PausesAfterAWatchedRegisterChanges)
{
    CDebugged d;
    d.probe.watched = 5;
    d.engine.SetScript(ScriptText("MOV REG1 1\nMOV REG5 7\nMOV REG5 7\nMOV REG2 2"));
    d.engine.DebugRun(0, d.probe);
    EXPECT_EQ(d.engine.PausedLine(), 2);
    // Storing the same value again is no change.
    d.engine.DebugRun(2, d.probe);
    EXPECT_EQ(d.engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_EQ(d.engine.ReadRegister(2), 2u);
}

TEST(DebugRun, AStopAndTheStatementGuardEndTheRunAsInAPlainRun)
{
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

TEST(DebugRun, ACallPausedInsideTheSubroutineReturnsWhenContinued)
{
    CDebugged d;
    const std::string script =
        ScriptText("CALL L'SUB\nMOV REG2 2\nJMP L'END\nL'SUB\nMOV REG1 1\nRET\nL'END");
    d.probe.breakpoints = {4};
    d.engine.SetScript(script);
    d.engine.DebugRun(0, d.probe);
    ASSERT_EQ(d.engine.PausedLine(), 4);
    EXPECT_EQ(d.engine.GetCallDepth(), 1);
    EXPECT_EQ(d.engine.CallStackEntry(0), 0);

    d.engine.DebugRun(4, d.probe);
    EXPECT_EQ(d.engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_EQ(d.engine.GetCallDepth(), 0);
    EXPECT_EQ(d.engine.ReadRegister(2), 2u);
    EXPECT_TRUE(d.host.Messages().empty());
    EXPECT_EQ(Utf(d.engine.GetOutput()), d.PlainOutput(script));
}

TEST(DebugRun, StatusLinesAndBoxesKnowTheirLines)
{
    CDebugged d;
    d.engine.SetDebugLevel(100);
    d.engine.SetScript(
        ScriptText("MOV REG1 1\n/ note\nMOV REG2 H'XYZ\nMESSAGEBOX text caption\nJMP L'NONE\nINC"));
    d.engine.Run(-1);
    EXPECT_TRUE(d.engine.StatusLineSources().empty()); // off until asked for
    EXPECT_TRUE(d.engine.BoxSources().empty());

    d.engine.SetRecordSources(true);
    d.engine.Run(-1);
    // One source per status line of the report, failures' repeated statuses included.
    EXPECT_EQ(d.engine.StatusLineSources(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    std::vector<int> boxLines;
    for (const auto& box : d.engine.BoxSources())
        boxLines.push_back(box.line);
    EXPECT_EQ(boxLines, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(d.engine.BoxSources()[1].caption, "caption");
    EXPECT_EQ(d.engine.BoxSources()[1].text, "text");

    // A debug run collects both over its parts; a step during a pause has its own.
    d.probe.breakpoints = {4};
    d.engine.DebugRun(0, d.probe);
    EXPECT_EQ(d.engine.BoxSources().size(), 2u);
    d.engine.Run(0);
    EXPECT_EQ(d.engine.StatusLineSources(), (std::vector<int>{0}));
    d.engine.DebugRun(4, d.probe);
    EXPECT_EQ(d.engine.StatusLineSources(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(d.engine.BoxSources().size(), 3u);
}

TEST(DebugRun, AnAbandonedRunStartsAfresh)
{
    CDebugged d;
    d.probe.breakpoints = {1};
    d.probe.pausesLeft = 1;
    d.engine.SetScript(ScriptText("MOV REG1 1\nMOV REG2 2"));
    d.engine.DebugRun(0, d.probe);
    ASSERT_TRUE(d.engine.IsDebugPaused());
    d.engine.AbandonDebugRun();
    EXPECT_FALSE(d.engine.IsDebugPaused());
    EXPECT_EQ(d.engine.PausedLine(), -1);

    // The next debug run counts only its own statements.
    d.engine.DebugRun(1, d.probe);
    EXPECT_NE(Utf(d.engine.GetOutput()).find("数は1行です"), std::string::npos);
}

} // namespace
