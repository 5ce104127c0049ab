// Debug runs: pausing before a breakpoint or after a change, continuing, and the report
// of a paused and continued run, which must be the report of the same run without pauses.
// Also the sources of status lines and boxes, and the watch views.
#include <gtest/gtest.h>

#include <set>

#include "ScriptEngine.h"
#include "TestHost.h"

namespace {

// Breakpoints (each may pause a limited number of times) and one watched register.
class CProbe final : public CRunProbe {
public:
    explicit CProbe(CScriptEngine& engine) : m_engine(engine) {}
    bool PauseBefore(int line) override
    {
        asked.push_back(line);
        if (breakpoints.count(line) == 0 || pausesLeft == 0) return false;
        --pausesLeft;
        return true;
    }
    bool PauseAfter(int line) override
    {
        (void)line;
        if (watched < 0) return false;
        const uint32_t now = m_engine.PeekRegister(watched);
        const bool changed = now != m_last;
        m_last = now;
        return changed;
    }
    void Watch(int index)
    {
        watched = index;
        m_last = m_engine.PeekRegister(index);
    }

    std::set<int> breakpoints;
    int pausesLeft = 1000;
    int watched = -1;
    std::vector<int> asked;

private:
    CScriptEngine& m_engine;
    uint32_t m_last = 0;
};

std::string CrLf(std::string_view utf8)
{
    std::string out;
    for (char c : Sj(utf8)) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class DebugRun : public ::testing::Test {
protected:
    CTestHost host;
    CScriptEngine engine{host};
    CProbe probe{engine};

    // The output and end of a plain run of the script on a fresh engine and host.
    struct CPlain {
        std::string output;
        RunEnd end;
        std::vector<std::string> messages;
    };
    static CPlain PlainRun(const std::string& script, int level, uint32_t limit = 0x7FFFFFFF)
    {
        CTestHost plainHost;
        CScriptEngine plain{plainHost};
        plain.SetDebugLevel(level);
        plain.SetStatementLimit(limit);
        plain.SetScript(script);
        plain.Run(-1);
        return {plain.GetOutput(), plain.GetRunEnd(), plainHost.Messages()};
    }
    // Debug-runs from line 0, continuing from each pause at the paused line, and counts
    // the pauses.
    int DebugToTheEnd(const std::string& script)
    {
        engine.SetScript(script);
        int pauses = 0;
        for (int line = 0;; line = engine.PausedLine()) {
            engine.DebugRun(line, probe);
            if (engine.GetRunEnd() != RunEnd::Paused) return pauses;
            ++pauses;
        }
    }
};

// A loop with a call, statuses of several levels and a statement that sets no status of
// its own (EXEC, whose line logs the previous status again).
const char* const kLoopScript = "MOV REG1 0\n"
                                "L'TOP\n"
                                "INC REG1\n"
                                "CALL L'SUB\n"
                                "EXEC editor\n"
                                "IFJ REG1 < D'5 L'TOP\n"
                                "JMP L'END\n"
                                "L'SUB\n"
                                "CALC REG2 + REG1\n"
                                "RET\n"
                                "L'END\n"
                                "DISPD REG2";

TEST_F(DebugRun, PausesBeforeABreakpointAndContinuingRunsThatStatement)
{
    engine.SetDebugLevel(100);
    engine.SetScript(CrLf("MOV REG1 1\nMOV REG2 2\nMOV REG3 3"));
    engine.Run(-1);
    const std::string before = engine.GetOutput();
    engine.WriteRegister(1, 0);
    engine.WriteRegister(2, 0);
    engine.WriteRegister(3, 0);

    probe.breakpoints = {1};
    EXPECT_EQ(engine.DebugRun(0, probe), 0);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Paused);
    EXPECT_TRUE(engine.IsDebugPaused());
    EXPECT_EQ(engine.PausedLine(), 1);
    EXPECT_EQ(engine.ReadRegister(1), 1u);
    EXPECT_EQ(engine.ReadRegister(2), 0u);
    EXPECT_EQ(engine.GetOutput(), before); // the output waits for the end of the run

    // Continuing from the breakpoint runs its statement without asking about it.
    probe.asked.clear();
    engine.DebugRun(1, probe);
    EXPECT_EQ(probe.asked, (std::vector<int>{2}));
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_FALSE(engine.IsDebugPaused());
    EXPECT_EQ(engine.PausedLine(), -1);
    EXPECT_EQ(engine.ReadRegister(2), 2u);
    EXPECT_EQ(engine.ReadRegister(3), 3u);
    EXPECT_EQ(engine.GetOutput(), before);
}

TEST_F(DebugRun, TheReportOfAPausedRunIsThatOfThePlainRun)
{
    const std::string script = CrLf(kLoopScript);
    for (int level : {10, 20, 100}) {
        SCOPED_TRACE(level);
        const CPlain plain = PlainRun(script, level);
        ASSERT_EQ(plain.end, RunEnd::EndOfScript);

        // Without pauses, then pausing twice: before EXEC (the status it repeats comes
        // from before the pause) and before the line after the call returned.
        for (const std::set<int>& breaks : {std::set<int>{}, std::set<int>{4, 8}}) {
            CTestHost fresh;
            CScriptEngine e{fresh};
            CProbe p{e};
            p.breakpoints = breaks;
            p.pausesLeft = 2;
            e.SetDebugLevel(level);
            e.SetScript(script);
            int pauses = 0;
            for (int line = 0;; line = e.PausedLine()) {
                e.DebugRun(line, p);
                if (e.GetRunEnd() != RunEnd::Paused) break;
                ++pauses;
            }
            EXPECT_EQ(pauses, breaks.empty() ? 0 : 2);
            EXPECT_EQ(e.GetRunEnd(), RunEnd::EndOfScript);
            EXPECT_EQ(Utf(e.GetOutput()), Utf(plain.output));
            EXPECT_EQ(e.ReadRegister(2), 15u);
        }
    }
}

TEST_F(DebugRun, PausesAfterAWatchedRegisterChanges)
{
    engine.SetScript(CrLf("MOV REG1 1\nMOV REG5 7\nMOV REG5 7\nMOV REG2 2\nMOV REG5 8"));
    probe.Watch(5);
    engine.DebugRun(0, probe);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Paused);
    EXPECT_EQ(engine.PausedLine(), 2);
    EXPECT_EQ(engine.ReadRegister(5), 7u);
    // Storing the same value again is no change.
    engine.DebugRun(2, probe);
    EXPECT_EQ(engine.PausedLine(), -1);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_EQ(engine.ReadRegister(2), 2u);
}

TEST_F(DebugRun, AStopAndTheStatementGuardEndTheRunAsInAPlainRun)
{
    const std::string loop = CrLf("L'A\nINC REG1\nJMP L'A");
    // A stop asked at the third question (every 32 statements).
    host.stopAtPoll = 3;
    engine.SetScript(loop);
    engine.DebugRun(0, probe);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::Stopped);
    EXPECT_FALSE(engine.IsDebugPaused());
    EXPECT_EQ(Utf(engine.GetOutput()),
              Utf(CrLf("L'A\nINC REG1\nJMP L'A\n/ 実行したニーモニック数は96行です\n")));

    // The guard counts the statements of every part of the run.
    host.stopAtPoll = 0;
    engine.SetStatementLimit(1000);
    engine.SetDebugLevel(20);
    probe.breakpoints = {1};
    probe.pausesLeft = 300;
    EXPECT_EQ(DebugToTheEnd(loop), 300);
    const CPlain plain = PlainRun(loop, 20, 1000);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::CountGuard);
    EXPECT_EQ(Utf(engine.GetOutput()), Utf(plain.output));
    EXPECT_EQ(host.Messages().back(), plain.messages.back());
}

TEST_F(DebugRun, ACallPausedInsideTheSubroutineReturnsWhenContinued)
{
    const std::string script =
        CrLf("CALL L'SUB\nMOV REG2 2\nJMP L'END\nL'SUB\nMOV REG1 1\nRET\nL'END");
    probe.breakpoints = {4};
    engine.SetScript(script);
    engine.DebugRun(0, probe);
    ASSERT_EQ(engine.GetRunEnd(), RunEnd::Paused);
    EXPECT_EQ(engine.PausedLine(), 4);
    EXPECT_EQ(engine.GetCallDepth(), 1);
    EXPECT_EQ(engine.CallStackEntry(0), 0);
    EXPECT_EQ(engine.CallStackEntry(1), -1);

    engine.DebugRun(4, probe);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_EQ(engine.GetCallDepth(), 0);
    EXPECT_EQ(engine.ReadRegister(1), 1u);
    EXPECT_EQ(engine.ReadRegister(2), 2u);
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(engine.GetOutput(), PlainRun(script, 10).output);
}

TEST_F(DebugRun, StatusLinesAndBoxesKnowTheirLines)
{
    const std::string script = CrLf("MOV REG1 1\n/ note\nMOV REG2 H'XYZ\nMESSAGEBOX text caption\n"
                                    "JMP L'NONE\nMOV REG3 3");
    engine.SetDebugLevel(100);
    engine.SetScript(script);

    // Off by default: nothing recorded.
    engine.Run(-1);
    EXPECT_TRUE(engine.StatusLineSources().empty());
    EXPECT_TRUE(engine.BoxSources().empty());

    engine.SetRecordSources(true);
    host.calls.clear();
    engine.Run(-1);
    const std::string out = engine.GetOutput();
    const std::string report = out.substr(out.find(Sj("/ 実行した")));
    int statusLines = 0;
    for (size_t at = report.find("\r\n/ "); at != std::string::npos;
         at = report.find("\r\n/ ", at + 1))
        ++statusLines;
    // The empty line's status and the failures' repeated statuses count too.
    EXPECT_EQ(engine.StatusLineSources(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(static_cast<int>(engine.StatusLineSources().size()), statusLines);
    ASSERT_EQ(engine.BoxSources().size(), host.Messages().size());
    std::vector<int> boxLines;
    for (const auto& box : engine.BoxSources())
        boxLines.push_back(box.line);
    EXPECT_EQ(boxLines, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(engine.BoxSources()[1].caption, "caption");
    EXPECT_EQ(engine.BoxSources()[1].text, "text");

    // A debug run collects both over its parts, and a step in a pause leaves them.
    probe.breakpoints = {4};
    engine.DebugRun(0, probe);
    ASSERT_TRUE(engine.IsDebugPaused());
    EXPECT_EQ(engine.BoxSources().size(), 2u);
    engine.Run(0);
    EXPECT_EQ(engine.StatusLineSources(), (std::vector<int>{0}));
    EXPECT_TRUE(engine.BoxSources().empty());
    engine.DebugRun(4, probe);
    EXPECT_EQ(engine.StatusLineSources(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(engine.BoxSources().size(), 3u);
}

TEST_F(DebugRun, AnAbandonedRunStartsAfresh)
{
    engine.SetDebugLevel(100);
    const std::string script = CrLf("MOV REG1 1\nMOV REG2 2");
    probe.breakpoints = {1};
    probe.pausesLeft = 1;
    engine.SetScript(script);
    engine.DebugRun(0, probe);
    ASSERT_TRUE(engine.IsDebugPaused());
    engine.AbandonDebugRun();
    EXPECT_FALSE(engine.IsDebugPaused());
    EXPECT_EQ(engine.PausedLine(), -1);
    engine.AbandonDebugRun(); // nothing paused: nothing happens

    // The next debug run counts only its own statements.
    engine.DebugRun(1, probe);
    EXPECT_EQ(engine.GetRunEnd(), RunEnd::EndOfScript);
    EXPECT_NE(Utf(engine.GetOutput()).find("実行したニーモニック数は1行です"), std::string::npos);
}

TEST(DebugViews, PeekRegisterReadsOnlyTheRegistersThatNeverReport)
{
    CTestHost host;
    CScriptEngine engine{host};
    engine.WriteRegister(9999, 7);
    engine.SetRegL(8);
    engine.SetRegW(9);
    EXPECT_EQ(engine.PeekRegister(9999), 7u);
    EXPECT_EQ(engine.PeekRegister(CScriptEngine::kRegL), 8u);
    EXPECT_EQ(engine.PeekRegister(CScriptEngine::kRegW), 9u);
    EXPECT_EQ(engine.PeekRegister(10000), 0u);
    EXPECT_EQ(engine.PeekRegister(-3), 0u);
    EXPECT_TRUE(host.Messages().empty());
}

} // namespace
